#include "import/ImportCheck.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "document/ExchangeDocument.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"
#include "platform/Interrupt.h"
#include "platform/PathText.h"
#include "tables/DbfFormat.h"
#include "tables/FileReason.h"
#include "tables/Table.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kScratchPrefix = "vindeleo-check-";
// Held locked by the check that made the folder, while it runs.
constexpr const char* kScratchLock = "EN_CURSO";
// A folder without its lock file is taken for the remains of a killed check
// only when it is older than this (a check makes the lock file right after
// the folder).
constexpr auto kUnlockedGrace = std::chrono::minutes(1);

// Whether a scratch folder's check is gone: its lock can be taken, or it
// never made one and the folder is old. A folder of another user, a link or
// anything else that is not a plain folder is left alone.
bool IsAbandonedScratch(const platform::DirectoryEntry& entry) {
    std::error_code error;
    if (!PathText(entry.path().filename()).starts_with(kScratchPrefix)) return false;
    if (platform::KindOfName(entry.path(), error) != platform::NameKind::Directory) return false;
    platform::LockedFile lock;
    switch (lock.Open(entry.path() / kScratchLock, /*exclusive=*/true, error)) {
        case platform::LockedFile::Status::Ok: return true;
        case platform::LockedFile::Status::Missing: return platform::WrittenLongerAgo(entry.path(), kUnlockedGrace);
        default: return false;
    }
}

// The scratch folders of checks that were killed, which no signal handler
// could remove.
void RemoveAbandonedScratches(const fs::path& base) {
    std::error_code error;
    for (const auto& entry : platform::ListDirectory(base, error)) {
        if (!IsAbandonedScratch(entry)) continue;
        std::error_code ignored;
        platform::RemoveAll(entry.path(), ignored);  // removes links inside, never what they point to
    }
}

// A fresh folder of the user's temporary directory for the check's tables.
// Nothing there needs to survive a crash, so its files are never flushed to
// disk; the folder and all it holds go when the check ends, however it ends:
// at its end, on an interruption (SIGINT, SIGTERM, SIGHUP; Ctrl+C or closing
// the console on Windows), or, after a kill, at the next check.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::error_code error;
        const fs::path base = fs::temp_directory_path(error);
        if (error) throw Error(Format(msg::kCheckNoTemporaryDirectory, dbf::ReasonText(error)));
        RemoveAbandonedScratches(base);
        path_ = platform::MakeFreshFolder(base, kScratchPrefix, error);
        if (path_.empty()) {
            if (!error) error = std::make_error_code(std::errc::file_exists);
            throw Error(Format(msg::kCheckNoScratch, PathText(base), dbf::ReasonText(error)));
        }
        platform::RemoveOnInterrupt(path_);
        platform::DeferDurability(path_);
        platform::ReplaceContent(path_ / kScratchLock, {}, error);
        if (!error && lock_.Open(path_ / kScratchLock, /*exclusive=*/true, error) != platform::LockedFile::Status::Ok &&
            !error)
            error = std::make_error_code(std::errc::device_or_resource_busy);
        if (error) {
            Remove();
            throw Error(Format(msg::kCheckNoScratch, PathText(base), dbf::ReasonText(error)));
        }
    }
    ~ScratchDirectory() { Remove(); }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const fs::path& Path() const { return path_; }

private:
    void Remove() {
        lock_.Close();  // Windows deletes no file that this process holds open
        platform::EndDeferredDurability(path_);
        std::error_code ignored;
        platform::RemoveAll(path_, ignored);
        platform::ForgetOnInterrupt(path_);
    }

    fs::path path_;
    platform::LockedFile lock_;
};

// A table's record count as the table layer reads it (deleted records left
// out), through a shared opening that writes nothing.
int RecordsOf(const fs::path& dir, const std::string& name) {
    Table table(dir, TableLayout{name});
    table.Open(false);
    const int records = table.RecordCount();
    table.Close();
    return records;
}

// The record count in the header of a table that the check's own steps have
// just written, and so holds no deleted record: read without loading the
// table. A header that cannot be read is read again through the table layer,
// which tells why.
int RecordsOfOwnTable(const fs::path& dir, const std::string& name) {
    const auto file = platform::OpenForReading(dir / PathFromText(name + ".DBF"));
    char header[8];
    const auto count =
        file && file->read(header, sizeof header) ? dbf::StatedRecordCount({header, sizeof header}) : std::nullopt;
    return count ? static_cast<int>(*count) : RecordsOf(dir, name);
}

// A table of the working directory as it is now, only looked at. A table that
// cannot be read is no reason to stop the check (the import would replace
// it): the failure's message goes into the report instead.
TableState WorkingTable(const fs::path& working, const std::string& name, bool replaced) {
    TableState state;
    std::error_code error;
    const fs::path file = platform::FindFile(working, name + ".DBF", error);
    if (error) {
        state.fault = Format(msg::kCheckCannotReadTable, PathText(working / PathFromText(name + ".DBF"))) + ": " +
                      dbf::ReasonText(error);
        return state;
    }
    if (file.empty()) return state;
    try {
        state.records = RecordsOf(working, name);
    } catch (const Error& failure) {
        state.fault = failure.what();
    }
    // The import's commit stops before it moves anything when another program
    // holds a table it replaces (a held obsolete file is only left in place).
    if (replaced) {
        state.held = platform::IsHeldElsewhere(file);
        const fs::path index = platform::FindFile(working, name + ".MDX", error);
        if (!error && !index.empty()) state.held = state.held || platform::IsHeldElsewhere(index);
    }
    return state;
}

}  // namespace

std::optional<std::vector<std::string>> RunCheck(ModuleState& state, RunUi& ui) {
    if (!PrepareImport(state, ui)) return std::nullopt;

    ImportReport report;
    {
        BusyCursor busy(ui);
        // The import would stop here too.
        std::error_code error;
        if (!platform::IsDirectory(state.WorkingDirectory, error))
            throw Error(Format(msg::kNoWorkingDirectory, PathText(state.WorkingDirectory)));

        ScratchDirectory scratch;
        ImportContext context{*state.Document, scratch.Path(), state.ProgramDirectory, state, ui, RunMoment::Now(),
                              &report};
        RunImportSteps(context);

        for (const std::string& name : RebuiltTables()) {
            TableState after;
            after.records = RecordsOfOwnTable(scratch.Path(), name);
            report.TableCounts(name, WorkingTable(state.WorkingDirectory, name, true), after);
        }
        // The files that the import takes away (JORNADAS.DBF), as tables.
        for (const std::string& file : ObsoleteFiles()) {
            const std::string name = PathText(PathFromText(file).stem());
            report.TableCounts(name, WorkingTable(state.WorkingDirectory, name, false), {}, true);
        }
    }
    return report.Lines(state.XmlFileName, PathText(state.WorkingDirectory));
}

}  // namespace vindeleo
