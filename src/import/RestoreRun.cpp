#include "import/RestoreRun.h"

#include <string_view>
#include <unordered_map>
#include <vector>

#include "session/CopiesSession.h"
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

// A row of the listing as the command line prints it.
std::string ListingLine(const CopyRow& row) {
    if (!row.IsCopy()) return row.note;
    if (!row.fault.empty()) return Format(msg::kCopyLineDamaged, row.label, row.fault);
    return Format(row.tables == 1 ? msg::kCopyLineOneTable : msg::kCopyLine, row.label, row.when, row.source, row.tables);
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
    std::string text;
    bool anyCopy = false;
    for (const CopyRow& row : ListCopyRows(state.WorkingDirectory)) {
        // The stopped runs stand first (see ListCopyRows).
        anyCopy = anyCopy || row.IsCopy();
        text += (text.empty() ? "" : "\n") + ListingLine(row);
    }
    if (!anyCopy) text += (text.empty() ? "" : "\n") + Format(msg::kNoCopies, PathText(CopiesFolder(state.WorkingDirectory)));
    ui.ShowMessage(text);
    state.ResultCode = 1;
}

namespace {

// The restore's work, under the busy cursor: the message that tells how it
// ended.
std::string PutBackCopy(ModuleState& state, const std::string& label) {
    const fs::path& working = state.WorkingDirectory;
    const RunMoment moment = RunMoment::Now();
    // A run killed while putting its tables in place is finished first.
    RecoverInterruptedCommits(working, moment);
    if (!CopyExists(working, label)) return Format(msg::kUnknownCopy, label, PathText(CopiesFolder(working)));
    std::vector<std::string> contents;
    const KeptCopy copy = ReadWholeCopy(working, label, contents);
    if (!copy.IsWhole()) return Format(msg::kCopyNotWhole, label, copy.fault);

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
    return Format(msg::kRestored, label, newLabel);
}

}  // namespace

void RunRestore(ModuleState& state, RunUi& ui, const std::string& label) {
    std::string message;
    {
        BusyCursor busy(ui);
        message = PutBackCopy(state, label);
    }
    // Told with the normal cursor, as a run's end.
    ui.ShowMessage(message);
}

}  // namespace vindeleo
