#include "import/RestoreRun.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "session/RunUi.h"
#include "import/ImportSteps.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "tables/FileReason.h"
#include "tables/StagedTables.h"
#include "tables/TableCopies.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

// The file name of a document's full path, whichever separator it was written with.
std::string DocumentFileName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ListingLine(const KeptCopy& copy) {
    if (!copy.IsWhole()) return Format(msg::kCopyLineDamaged, copy.label, copy.fault);
    const std::string source = copy.origin.restoredFrom.empty()
                                   ? DocumentFileName(copy.origin.document)
                                   : Format(msg::kCopyOfRestore, copy.origin.restoredFrom);
    return Format(msg::kCopyLine, copy.label, copy.when, source, copy.TableCount());
}

// For each file that an import replaces or takes away, the index in the copy
// of the kept file of that name: its exact spelling, else the first other one.
std::vector<int> KeptFileOfEach(const std::vector<std::string>& names, const KeptCopy& copy) {
    std::unordered_map<std::string, std::vector<int>> bySpelling;
    for (int i = 0; i < static_cast<int>(copy.files.size()); ++i)
        bySpelling[FoldCase1252(copy.files[i].name)].push_back(i);
    std::vector<int> chosen;
    for (const std::string& name : names) {
        int index = -1;
        if (const auto found = bySpelling.find(FoldCase1252(name)); found != bySpelling.end()) {
            index = found->second.front();
            for (const int i : found->second)
                if (copy.files[i].name == name) index = i;
        }
        chosen.push_back(index);
    }
    return chosen;
}

}  // namespace

void RunListCopies(ModuleState& state, RunUi& ui) {
    // What a stopped run left stands first: it changes the tables before
    // any copy can be put back.
    std::string text;
    for (const UnfinishedCommit unfinished : UnfinishedCommits(state.WorkingDirectory))
        text += (text.empty() ? "" : "\n") +
                std::string(unfinished == UnfinishedCommit::ToFinish ? msg::kUnfinishedImport
                                                                     : msg::kFailedImportToPutBack);
    const std::vector<KeptCopy> copies = ListCopies(state.WorkingDirectory);
    if (copies.empty()) text += (text.empty() ? "" : "\n") + Format(msg::kNoCopies, PathText(CopiesFolder(state.WorkingDirectory)));
    for (const KeptCopy& copy : copies) text += (text.empty() ? "" : "\n") + ListingLine(copy);
    ui.ShowMessage(text);
    state.ResultCode = 1;
}

void RunRestore(ModuleState& state, RunUi& ui, const std::string& label) {
    const fs::path& working = state.WorkingDirectory;
    BusyCursor busy(ui);
    const RunMoment moment = RunMoment::Now();
    // A run killed while putting its tables in place is finished first.
    RecoverInterruptedCommits(working, moment);
    if (!CopyExists(working, label)) {
        ui.ShowMessage(Format(msg::kUnknownCopy, label, PathText(CopiesFolder(working))));
        return;
    }
    std::vector<std::string> contents;
    const KeptCopy copy = ReadWholeCopy(working, label, contents);
    if (!copy.IsWhole()) {
        ui.ShowMessage(Format(msg::kCopyNotWhole, label, copy.fault));
        return;
    }

    std::vector<std::string> names = RebuiltTableFiles();
    names.insert(names.end(), ObsoleteFiles().begin(), ObsoleteFiles().end());
    const std::vector<int> kept = KeptFileOfEach(names, copy);

    StagedTables staged(working, moment);
    std::vector<std::string> replaced;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (kept[i] < 0) {
            replaced.push_back(names[i]);  // not in the copy: taken away
            continue;
        }
        const KeptFile& file = copy.files[kept[i]];
        const fs::path stagedFile = staged.Directory() / PathFromText(file.name);
        std::error_code error;
        platform::ReplaceContent(stagedFile, {contents[kept[i]]}, error);
        if (error) throw Error(Format(msg::kCannotReplaceTables, PathText(working), dbf::ReasonText(error)));
        replaced.push_back(file.name);
    }
    const std::string newLabel = staged.Commit(replaced, {}, CopyOrigin{{}, {}, label});
    state.ResultCode = 1;
    ui.ShowMessage(Format(msg::kRestored, label, newLabel));
}

}  // namespace vindeleo
