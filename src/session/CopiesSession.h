#pragma once
// The window of the copies of the tables ("vindeleo copias"), without its
// toolkit: what its list shows, what "Restaurar" asks and does, what "Revisar
// un documento..." does, and how a report is saved. The Qt and the Win32
// windows only draw it and pass the user's clicks here.
//
// The listing is read by ListCopyRows, which the command line's listing
// (RunListCopies) reads too. The restore and the check are the command line's
// own runs (RunRestore, RunCheck of the import layer, above this one), handed
// in by the window that makes the session.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vindeleo {

struct ModuleState;
class RunUi;

// Whether the program's arguments (after its name) ask for the copies
// window: exactly one, the word "copias" in any letter case. Two arguments
// are the host's; any other count gives the main window.
bool AsksForCopiesWindow(const std::vector<std::string>& arguments);

// The help context of the copies window (F1), mapped in the guide's project.
inline constexpr int kCopiesHelpContext = 4;

// One row of the copies' list: a copy, or a run that stopped before its
// tables were all in place (which the next run finishes or undoes).
struct CopyRow {
    std::string label;   // the copy's label; empty for a stopped run
    std::string when;    // dd/mm/yyyy hh:mm:ss
    std::string source;  // the document's file name, or "restauración de <label>"
    int tables = 0;
    std::string fault;   // why the copy cannot be put back; empty when it can
    std::string note;    // a stopped run: what will happen to it

    bool IsCopy() const { return !label.empty(); }
    bool CanRestore() const { return IsCopy() && fault.empty(); }
};

// The stopped runs first, then the copies of the working directory, newest
// first. A copy whose description cannot be read takes its date and time
// from its label. Raises vindeleo::Error when COPIAS is not a folder.
std::vector<CopyRow> ListCopyRows(const std::filesystem::path& workingDirectory);

// The list's columns: date and time, document, tables, state.
inline constexpr std::size_t kCopyColumns = 4;
std::array<std::string, kCopyColumns> CopyColumnTitles();
// A row's texts in those columns (Windows-1252).
std::array<std::string, kCopyColumns> CopyRowTexts(const CopyRow& row);

// The question that "Restaurar" asks before it puts back the copy of a row.
std::string RestoreQuestion(const CopyRow& row);

// A check's report as the text of a file: UTF-8, each line ended by CR LF,
// which every editor on either system reads.
std::string ReportFileText(const std::vector<std::string>& lines);

// What the copies window asks of its toolkit beside a run's interface.
class CopiesWindow {
public:
    virtual ~CopiesWindow() = default;
    // Shows these rows in the list (after every reading of the copies).
    virtual void ShowRows(const std::vector<CopyRow>& rows) = 0;
    // A question box captioned "Vindeleo" with "Sí" and "No"; true for "Sí".
    virtual bool Confirm(const std::string& question) = 0;
    // The check's report in a window of its own, read-only, until the user
    // closes it; from there it can be copied or saved (SaveReport).
    virtual void ShowReport(const std::vector<std::string>& lines) = 0;
};

class CopiesSession {
public:
    // The command line's runs: putting back a copy by its label, and the
    // check of a document.
    using RestoreRun = void (*)(ModuleState&, RunUi&, const std::string&);
    using CheckRun = std::optional<std::vector<std::string>> (*)(ModuleState&, RunUi&);

    CopiesSession(ModuleState& state, RunUi& ui, CopiesWindow& window, RestoreRun restore, CheckRun check);

    // Reads the copies again and shows them; a failure goes to the error box
    // and leaves the list empty.
    void Refresh();
    const std::vector<CopyRow>& Rows() const { return rows_; }
    // Whether "Restaurar" can act on the row (a whole copy): the window
    // enables the button by it.
    bool CanRestore(int row) const;

    // "Restaurar" on a row: asks RestoreQuestion; on "Sí" puts the copy back
    // with the busy cursor, and the restore tells its own message. Every
    // error goes to the error box, as a run's. The list is read again after.
    // On "No", or for a row that is not a whole copy, nothing is done.
    void Restore(int row);

    // "Revisar un documento...": the check of a document chosen in the file
    // dialog "Archivo XML"; its report is shown in the report window. A
    // document that the import would refuse has the import's message told
    // instead, and an error goes to the error box.
    void Check();

    // Writes the report into a text file (ReportFileText); raises
    // vindeleo::Error when it cannot be written.
    static void SaveReport(const std::filesystem::path& file, const std::vector<std::string>& lines);

private:
    ModuleState& state_;
    RunUi& ui_;
    CopiesWindow& window_;
    RestoreRun restore_;
    CheckRun check_;
    std::vector<CopyRow> rows_;
};

}  // namespace vindeleo
