#include "export/ExportRun.h"

#include "text/Error.h"

namespace vindeleo {

// Provisional: the export run is being written.
void BImportarClick(ModuleState&, RunUi&) {
    throw Error("La exportación todavía no está disponible");
}

}  // namespace vindeleo
