#include "import/ImportRun.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "session/ModuleState.h"
#include "session/Paths.h"
#include "session/RunSupport.h"
#include "session/RunUi.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportSteps.h"
#include "platform/FileNames.h"
#include "tables/Layouts.h"
#include "tables/StagedTables.h"
#include "tables/TableCopies.h"
#include "tables/Table.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

void RunImport(ModuleState& state, RunUi& ui) {
    if (!PrepareImport(state, ui)) return;

    {
        BusyCursor busy(ui);
        // A run killed while putting its tables in place is finished first.
        const RunMoment moment = RunMoment::Now();
        RecoverInterruptedCommits(state.WorkingDirectory, moment);
        StagedTables staged(state.WorkingDirectory, moment);
        ImportContext context{*state.Document, staged.Directory(), state.ProgramDirectory, state, ui, moment};
        RunImportSteps(context);
        staged.Commit(RebuiltTableFiles(), ObsoleteFiles(), CopyOrigin{state.XmlFileName, state.TemplateCode, {}});
    }
    FinishRun(state, ui);
}

}  // namespace vindeleo
