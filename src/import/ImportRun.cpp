#include "import/ImportRun.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "app/ModuleState.h"
#include "app/Paths.h"
#include "app/RunSupport.h"
#include "app/RunUi.h"
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

const std::vector<std::string>& RebuiltTableFiles() {
    static const std::vector<std::string> files = StagedTables::TableFiles({
        tables::kAsignomt, tables::kProft,      tables::kAulat,       tables::kCursost,  tables::kGrupost,
        tables::kAsigt,    tables::kDiashorast, tables::kDiashorast2, tables::kPeriodos,
    });
    return files;
}

const std::vector<std::string>& ObsoleteFiles() {
    static const std::vector<std::string> files = {std::string(tables::kJornadas) + ".DBF"};
    return files;
}

namespace {

void RunSteps(ImportContext& context) {
    ImportSubjects(context);
    ImportActivities(context);
    ImportTeachers(context);
    ImportRooms(context);
    ImportCoursesAndGroups(context);
    ImportAssignments(context);
    ImportTimeSlots(context);
}

}  // namespace

void RunImport(ModuleState& state, RunUi& ui) {
    ChooseDocument(state, ui);
    if (!CheckDocumentExists(state, ui)) return;
    // A catalogue that cannot be looked at is not taken for a missing one: its
    // reading tells the failure.
    std::error_code unreadable;
    if (platform::FindFile(state.ProgramDirectory, kCatalogueFile, unreadable).empty() && !unreadable) {
        ui.ShowMessage(msg::kNoCatalogue);
        return;
    }
    auto document = LoadExchangeDocument(state, ui);
    if (!document) return;
    state.Document = std::move(document);

    {
        BusyCursor busy(ui);
        // A run after one that stopped starts with the subject lists empty.
        state.UsedCodes.Clear();
        state.SeenNames.Clear();
        // A run killed while putting its tables in place is finished first.
        RecoverInterruptedCommits(state.WorkingDirectory);
        StagedTables staged(state.WorkingDirectory);
        ImportContext context{*state.Document, staged.Directory(), state.ProgramDirectory, state, ui};
        RunSteps(context);
        staged.Commit(RebuiltTableFiles(), ObsoleteFiles(), CopyOrigin{state.XmlFileName, state.TemplateCode, {}});
    }
    FinishRun(state, ui);
}

}  // namespace vindeleo
