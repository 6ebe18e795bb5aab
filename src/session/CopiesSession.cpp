#include "session/CopiesSession.h"

#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "session/RunUi.h"
#include "platform/Files.h"
#include "platform/PathText.h"
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

// "yyyymmdd-hhmmss" (and a "-n" after it) as "dd/mm/yyyy hh:mm:ss": the
// moment of a copy whose description cannot be read.
std::string WhenOfLabel(const std::string& label) {
    if (label.size() < 15) return {};
    return label.substr(6, 2) + "/" + label.substr(4, 2) + "/" + label.substr(0, 4) + " " + label.substr(9, 2) + ":" +
           label.substr(11, 2) + ":" + label.substr(13, 2);
}

}  // namespace

bool AsksForCopiesWindow(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 && FoldCase1252(arguments[0]) == FoldCase1252("copias");
}

std::vector<CopyRow> ListCopyRows(const fs::path& workingDirectory) {
    std::vector<CopyRow> rows;
    // What a stopped run left stands first: it changes the tables before any
    // copy can be put back.
    for (const UnfinishedCommit unfinished : UnfinishedCommits(workingDirectory)) {
        CopyRow row;
        row.note = unfinished == UnfinishedCommit::ToFinish ? msg::kUnfinishedImport : msg::kFailedImportToPutBack;
        rows.push_back(row);
    }
    for (const KeptCopy& copy : ListCopies(workingDirectory)) {
        CopyRow row;
        row.label = copy.label;
        row.when = copy.when.empty() ? WhenOfLabel(copy.label) : copy.when;
        row.source = copy.origin.restoredFrom.empty() ? DocumentFileName(copy.origin.document)
                                                      : Format(msg::kCopyOfRestore, copy.origin.restoredFrom);
        row.tables = copy.TableCount();
        row.fault = copy.fault;
        rows.push_back(row);
    }
    return rows;
}

std::array<std::string, kCopyColumns> CopyColumnTitles() {
    return {msg::kCopiesColumnWhen, msg::kCopiesColumnDocument, msg::kCopiesColumnTables, msg::kCopiesColumnState};
}

std::array<std::string, kCopyColumns> CopyRowTexts(const CopyRow& row) {
    if (!row.IsCopy()) return {"", "", "", row.note};
    // A copy that cannot be read says nothing trustworthy of its document or tables.
    if (!row.fault.empty()) return {row.when, row.source, "", Format(msg::kCopyUnusable, row.fault)};
    return {row.when, row.source, std::to_string(row.tables), ""};
}

std::string RestoreQuestion(const CopyRow& row) { return Format(msg::kConfirmRestore, row.when, row.source); }

std::string ReportFileText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += Cp1252ToUtf8(line) + "\r\n";
    return text;
}

CopiesSession::CopiesSession(ModuleState& state, RunUi& ui, CopiesWindow& window, RestoreRun restore, CheckRun check)
    : state_(state), ui_(ui), window_(window), restore_(restore), check_(check) {}

void CopiesSession::Refresh() {
    rows_.clear();
    ShowingErrors(ui_, [this] { rows_ = ListCopyRows(state_.WorkingDirectory); });
    window_.ShowRows(rows_);
}

bool CopiesSession::CanRestore(int row) const {
    return row >= 0 && row < static_cast<int>(rows_.size()) && rows_[row].CanRestore();
}

void CopiesSession::Restore(int row) {
    if (!CanRestore(row)) return;
    const CopyRow chosen = rows_[row];
    if (!window_.Confirm(RestoreQuestion(chosen))) return;
    // The restore holds the busy cursor itself and tells its own message.
    ShowingErrors(ui_, [&] { restore_(state_, ui_, chosen.label); });
    Refresh();
}

void CopiesSession::Check() {
    std::optional<std::vector<std::string>> report;
    ShowingErrors(ui_, [&] { report = check_(state_, ui_); });
    if (report) window_.ShowReport(*report);
}

void CopiesSession::SaveReport(const fs::path& file, const std::vector<std::string>& lines) {
    const std::string text = ReportFileText(lines);
    std::error_code error;
    platform::ReplaceContent(file, {text}, error);
    if (error) throw Error(Format(msg::kCannotWrite, PathText(file)));
}

}  // namespace vindeleo
