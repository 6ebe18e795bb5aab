// What the import and its check share: asking for the document and checking
// it, and the seven steps in their order.

#include "import/ImportSteps.h"

#include <system_error>

#include "session/ModuleState.h"
#include "session/Paths.h"
#include "session/RunSupport.h"
#include "session/RunUi.h"
#include "platform/FileNames.h"
#include "tables/Layouts.h"
#include "tables/StagedTables.h"
#include "text/Messages.h"

namespace vindeleo {

bool PrepareImport(ModuleState& state, RunUi& ui) {
    ChooseDocument(state, ui);
    if (!CheckDocumentExists(state, ui)) return false;
    // A catalogue that cannot be looked at is not taken for a missing one: its
    // reading tells the failure.
    std::error_code unreadable;
    if (platform::FindFile(state.ProgramDirectory, kCatalogueFile, unreadable).empty() && !unreadable) {
        ui.ShowMessage(msg::kNoCatalogue);
        return false;
    }
    auto document = LoadExchangeDocument(state, ui);
    if (!document) return false;
    state.Document = std::move(document);
    return true;
}

const std::vector<std::string>& RebuiltTables() {
    static const std::vector<std::string> names = {
        tables::kAsignomt, tables::kProft,      tables::kAulat,       tables::kCursost,  tables::kGrupost,
        tables::kAsigt,    tables::kDiashorast, tables::kDiashorast2, tables::kPeriodos,
    };
    return names;
}

const std::vector<std::string>& RebuiltTableFiles() {
    static const std::vector<std::string> files = StagedTables::TableFiles(RebuiltTables());
    return files;
}

const std::vector<std::string>& ObsoleteFiles() {
    static const std::vector<std::string> files = {std::string(tables::kJornadas) + ".DBF"};
    return files;
}

void RunImportSteps(ImportContext& context) {
    ImportSubjects(context);
    ImportActivities(context);
    ImportTeachers(context);
    ImportRooms(context);
    ImportCoursesAndGroups(context);
    ImportAssignments(context);
    ImportTimeSlots(context);
}

}  // namespace vindeleo
