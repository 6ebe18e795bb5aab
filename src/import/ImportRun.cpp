#include "import/ImportRun.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "app/ModuleState.h"
#include "app/Paths.h"
#include "app/RunUi.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/StagedTables.h"
#include "tables/Table.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

// The tables that the seven steps rebuild, and the file that the grid step
// removes without re-creating it.
const std::vector<std::string>& RebuiltTables() {
    static const std::vector<std::string> names = {
        tables::kAsignomt, tables::kProft,      tables::kAulat,       tables::kCursost,  tables::kGrupost,
        tables::kAsigt,    tables::kDiashorast, tables::kDiashorast2, tables::kPeriodos,
    };
    return names;
}
const std::vector<std::string> kObsoleteFiles = {std::string(tables::kJornadas) + ".DBF"};

// Shows the busy cursor for its lifetime, also when an error ends the run.
class BusyCursor {
public:
    explicit BusyCursor(RunUi& ui) : ui_(ui) { ui_.SetBusy(true); }
    ~BusyCursor() { ui_.SetBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    RunUi& ui_;
};

void ChooseDocument(ModuleState& state, RunUi& ui) {
    if (const auto chosen = ui.ChooseFile()) state.XmlFileName = PathText(fs::absolute(fs::path(*chosen)));
}

fs::path DocumentPath(const ModuleState& state) {
    return fs::path(Cp1252ToUtf8(state.XmlFileName));
}

bool DocumentExists(const ModuleState& state) {
    std::error_code error;
    return !state.XmlFileName.empty() && fs::is_regular_file(DocumentPath(state), error);
}

// Loads the chosen document; a file that is no exchange document stops the
// run with a message (nothing returned), one that cannot be read is an error.
std::unique_ptr<ExchangeDocument> LoadExchangeDocument(const ModuleState& state, RunUi& ui) {
    auto document = std::make_unique<ExchangeDocument>();
    const LoadResult result = document->Load(DocumentPath(state));
    switch (result.status) {
        case LoadStatus::CannotRead:
            throw Error(Format(msg::kCannotReadDocument, state.XmlFileName));
        case LoadStatus::NotWellFormed:
            ui.ShowMessage(Format(msg::kXmlNotValid, result.line, result.column));
            return nullptr;
        case LoadStatus::Loaded:
            break;
    }
    if (!document->SelectSingleNode(document->DocumentNode(), xml::kDataBlockPath)) {
        ui.ShowMessage(msg::kNotExchangeDocument);
        return nullptr;
    }
    return document;
}

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

void BExportarClick(ModuleState& state, RunUi& ui) {
    ChooseDocument(state, ui);
    if (!DocumentExists(state)) {
        ui.ShowMessage(msg::kNoFile);
        if (state.HostMode) {
            state.ResultCode = -1;
            ui.Close();
        }
        return;
    }
    if (Table::FindFile(state.ProgramDirectory, kCatalogueFile).empty()) {
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
        StagedTables staged(state.WorkingDirectory);
        ImportContext context{*state.Document, staged.Directory(), state.ProgramDirectory, state, ui};
        RunSteps(context);
        staged.Commit(RebuiltTables(), kObsoleteFiles);
    }
    state.ResultCode = 1;
    ui.ShowMessage(msg::kFinished);
    state.RunButtonsEnabled = false;
    if (state.HostMode) ui.Close();
}

}  // namespace vindeleo
