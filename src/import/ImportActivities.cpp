// Activities: the duties of ACTIVIDADES appended to ASIGNOMT as task records,
// with the codes the document gives them.

#include "app/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/TextHelpers.h"

namespace vindeleo {

void ImportActivities(ImportContext& context) {
    Table subjects(context.TablesDirectory, tables::kAsignomt);
    subjects.Open();
    for (const Row& row : context.Document.Rows(xml::kActividades)) {
        if (row.ValueCount() < 2) continue;
        const std::string name = row.Trimmed(2);
        const std::string code = row.Trimmed(1);
        subjects.Append();
        subjects.SetText("COD", code);
        subjects.SetText("CODLARGO", Left(name, 8));
        subjects.SetText("NOMBRE", name);
        subjects.SetText("CODTAREA", code);
        subjects.SetLogical("ESTAREA", true);
        subjects.Post();
    }
    subjects.Close();
    // The subject codes are not needed after the subjects table is complete.
    context.State.UsedCodes.Clear();
    context.State.SeenNames.Clear();
}

}  // namespace vindeleo
