#include "tables/StagedTables.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <utility>

#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "tables/FileReason.h"
#include "tables/TableCopies.h"
#include "tables/TableMessages.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStagingPrefix = ".vindeleo-";
constexpr const char* kPreviousFolder = "ANTERIOR";
constexpr const char* kLockFile = "EN_CURSO";
constexpr const char* kPlanFile = "PLAN";
// Where the tables come from, for the description of the copy.
constexpr const char* kOriginFile = "ORIGEN";
// A staging directory without its lock file is taken for the remains of a
// killed run only when it is older than this (a live run creates the lock
// file right after the directory).
constexpr auto kUnlockedGrace = std::chrono::minutes(1);

// One line of the plan: a table's file to put in place from the staging
// directory, a table's file to take away (an old index that the new table
// lacks), or an obsolete file to take away when no other program holds it.
struct PlanEntry {
    enum class Kind { Install, Remove, Discard };
    Kind kind;
    std::string fileName;
};

constexpr char KindLetter(PlanEntry::Kind kind) {
    switch (kind) {
        case PlanEntry::Kind::Install: return 'I';
        case PlanEntry::Kind::Remove: return 'R';
        case PlanEntry::Kind::Discard: return 'D';
    }
    return '?';
}

// Whether a regular file is there. A file that cannot be looked at is an
// error, never taken for a missing one: the plan and the moves depend on it.
bool IsFile(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) return false;
    if (error) throw fs::filesystem_error("status", path, error);
    return status.type() == fs::file_type::regular;
}

// The moves that Commit made, so that a failure can undo them all.
class Moves {
public:
    void Moved(const fs::path& from, const fs::path& to) { done_.push_back({from, to, {}}); }
    // A new file renamed from `staged` over `target`; `backup` holds the old
    // one (empty when there was none).
    void Installed(const fs::path& staged, const fs::path& target, const fs::path& backup) {
        done_.push_back({staged, target, backup});
    }
    // Puts everything back, newest first; what cannot be undone is left.
    void Undo() noexcept {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
            std::error_code ignored;
            if (!it->backup.empty())
                platform::RenameOver(it->backup, it->to, ignored);  // the old file over the new one, in one step
            else
                platform::RenameOver(it->to, it->from, ignored);
        }
        done_.clear();
    }

private:
    struct Move {
        fs::path from, to, backup;
    };
    std::vector<Move> done_;
};

bool IsSameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error);
}

// A second name for the old file in the previous folder, so that the new file
// can replace it in one rename, a failure can bring it back in one rename, and
// the copy of the replaced tables holds it. A run that was killed may have made
// it already, or begun copying it.
fs::path KeepBackup(const fs::path& old, const fs::path& previous) {
    const fs::path backup = previous / old.filename();
    if (IsSameFile(old, backup)) return backup;
    platform::RemoveFile(backup);
    std::error_code error;
    platform::MakeHardLink(old, backup, error);
    if (error) fs::copy_file(old, backup, fs::copy_options::overwrite_existing);  // no hard links here
    return backup;
}

// A table's file that another program holds is not replaced nor taken away,
// as creating the table would not replace it: the commit stops with the
// message that creation gives. An obsolete file that is held is passed over,
// as deleting a table's file passes it over.
// `files` are the entry's files in the working directory, every spelling.
void RefuseHeldTable(const PlanEntry& entry, const std::vector<fs::path>& files, const fs::path& working) {
    if (entry.kind == PlanEntry::Kind::Discard) return;
    for (const fs::path& file : files) {
        if (!platform::IsHeldElsewhere(file)) continue;
        const std::string tableName = entry.fileName.substr(0, entry.fileName.rfind('.'));
        const fs::path table = working / PathFromText(tableName + ".DBF");
        throw Error(Format(tables::msg::kCannotCreate, PathText(table), tables::msg::kInUse));
    }
}

// The old file that target names, under the name it has on disk: where
// letter case makes no difference (Windows) target may name "proft.dbf" as
// "PROFT.DBF", and the copy keeps the name the timetable program gave it.
fs::path OnDiskSpelling(const fs::path& target, const std::vector<fs::path>& olds) {
    for (const fs::path& old : olds)
        if (old.filename() == target.filename()) return old;
    for (const fs::path& old : olds)
        if (IsSameFile(old, target)) return old;
    return target;
}

// Carries out one line of the plan. Lines already carried out (by a run that
// was killed) are carried out again without harm.
void Apply(const PlanEntry& entry, const fs::path& working, const fs::path& staging, Moves* moves) {
    const fs::path previous = staging / kPreviousFolder;
    // Listed before the staged file comes in: it takes its own spelling's
    // place, which the loop below passes over.
    const std::vector<fs::path> olds = platform::FilesNamed(working, entry.fileName);
    // Checked again right before the moves: a program may have taken the
    // table since the commit began.
    RefuseHeldTable(entry, olds, working);
    if (entry.kind == PlanEntry::Kind::Install) {
        const fs::path staged = staging / PathFromText(entry.fileName);
        if (IsFile(staged)) {
            const fs::path target = working / PathFromText(entry.fileName);
            fs::path backup;
            if (IsFile(target)) backup = KeepBackup(OnDiskSpelling(target, olds), previous);
            platform::RenameOver(staged, target);
            if (moves) moves->Installed(staged, target, backup);
        }
    }
    // Old files of other spellings (and every spelling of a file to remove) go
    // aside. Where letter case makes no difference (Windows) another spelling
    // names the file just put in place, which stays.
    const fs::path installed = working / PathFromText(entry.fileName);
    for (const fs::path& old : olds) {
        if (entry.kind == PlanEntry::Kind::Install &&
            (old.filename() == installed.filename() || IsSameFile(old, installed)))
            continue;
        if (entry.kind == PlanEntry::Kind::Discard && platform::IsHeldElsewhere(old)) continue;
        const fs::path aside = previous / old.filename();
        platform::RenameOver(old, aside);
        if (moves) moves->Moved(old, aside);
    }
}

std::vector<PlanEntry> MakePlan(const fs::path& staging, const std::vector<std::string>& replacedFiles,
                                const std::vector<std::string>& obsoleteFiles) {
    std::vector<PlanEntry> plan;
    for (const auto& fileName : replacedFiles) {
        const bool built = IsFile(staging / PathFromText(fileName));
        plan.push_back({built ? PlanEntry::Kind::Install : PlanEntry::Kind::Remove, fileName});
    }
    for (const auto& fileName : obsoleteFiles) plan.push_back({PlanEntry::Kind::Discard, fileName});
    return plan;
}

std::string PlanText(const std::vector<PlanEntry>& plan) {
    std::string text;
    for (const auto& entry : plan)
        text += std::string{KindLetter(entry.kind), ' '} + entry.fileName + "\n";
    return text;
}

std::vector<PlanEntry> ReadPlan(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<PlanEntry> plan;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 3 || line[1] != ' ') continue;
        const std::string fileName = line.substr(2);
        if (!platform::IsPlainFileName(fileName)) continue;
        for (const auto kind : {PlanEntry::Kind::Install, PlanEntry::Kind::Remove, PlanEntry::Kind::Discard})
            if (line[0] == KindLetter(kind)) plan.push_back({kind, fileName});
    }
    return plan;
}

// The plan reaches the disk before the first move: it is the commit point.
void WritePlan(const fs::path& staging, const std::vector<PlanEntry>& plan) {
    const std::string text = PlanText(plan);
    std::error_code error;
    platform::ReplaceContent(staging / kPlanFile, {text}, error);
    if (error) throw fs::filesystem_error("plan", staging / kPlanFile, error);
}

// A failure of the system becomes the message that the old tables are kept;
// a message for the user already (a table held by another program) stands.
[[noreturn]] void RaiseCannotReplace(const fs::path& working, const std::exception& cause) {
    if (const auto* told = dynamic_cast<const Error*>(&cause)) throw *told;
    const auto* fsError = dynamic_cast<const fs::filesystem_error*>(&cause);
    const std::string reason = fsError ? dbf::ReasonText(fsError->code()) : Utf8To1252(cause.what());
    throw Error(Format(msg::kCannotReplaceTables, PathText(working), reason));
}

// Made in place (no temporary name), so that a run killed right after making
// its directory leaves either an empty directory or one with its lock file.
void CreateEmptyFile(const fs::path& path, std::error_code& error) {
    std::ofstream file(path, std::ios::binary);
    if (!file) error = std::error_code(errno ? errno : EIO, std::generic_category());
}

// Removes a staging directory, its lock file last, so that a removal that
// fails half-way leaves a directory that the next run recognises and removes.
void RemoveStaging(const fs::path& staging, std::unique_ptr<platform::LockedFile> lock) {
    std::vector<fs::path> contents;
    std::error_code error;
    for (const auto& entry : platform::ListDirectory(staging, error))
        if (entry.path().filename() != kLockFile) contents.push_back(entry.path());
    bool removedAll = !error;
    for (const fs::path& entry : contents) {
        std::error_code failed;
        fs::remove_all(entry, failed);
        if (failed) removedAll = false;
    }
    if (lock) lock->Close();  // Windows deletes no file that this process holds open
    if (!removedAll) return;  // the lock file stays, the next run takes the rest
    platform::RemoveFile(staging / kLockFile, error);
    fs::remove(staging, error);
}

bool IsEmptyDirectory(const fs::path& dir) {
    std::error_code error;
    return fs::is_empty(dir, error) && !error;
}

bool IsStagingDirectory(const fs::directory_entry& entry) {
    std::error_code error;
    return entry.is_directory(error) && PathText(entry.path().filename()).starts_with(kStagingPrefix);
}

bool IsOlderThanGrace(const fs::path& dir) {
    std::error_code error;
    const auto written = fs::last_write_time(dir, error);
    return !error && fs::file_time_type::clock::now() - written > kUnlockedGrace;
}

// Finishes or drops one staging directory of a run that is no longer alive.
void RecoverStaging(const fs::path& working, const fs::path& staging) {
    auto lock = std::make_unique<platform::LockedFile>();
    std::error_code error;
    switch (lock->Open(staging / kLockFile, /*exclusive=*/true, error)) {
        case platform::LockedFile::Status::Ok: break;  // its run is gone
        case platform::LockedFile::Status::Missing:
            // An empty one holds nothing to lose; one with files may be a run
            // that is just starting, unless it is old.
            if (IsEmptyDirectory(staging) || IsOlderThanGrace(staging)) break;
            return;
        case platform::LockedFile::Status::InUse:
        case platform::LockedFile::Status::Failed: return;
    }
    try {
        // Without the previous folder the run had made its copy: every move was done.
        if (IsFile(staging / kPlanFile) && fs::is_directory(staging / kPreviousFolder)) {
            for (const auto& entry : ReadPlan(staging / kPlanFile)) Apply(entry, working, staging, nullptr);
            platform::MakeDirectoryDurable(working);
            CopyOrigin origin;
            std::time_t moment = 0;
            if (!ReadCopyOrigin(staging / kOriginFile, origin, moment)) moment = std::time(nullptr);
            KeepCopy(working, staging / kPreviousFolder, origin, moment);
            RemoveOldCopies(working);
        }
        platform::RemoveFile(staging / kPlanFile);
    } catch (const std::exception& cause) {
        RaiseCannotReplace(working, cause);
    }
    RemoveStaging(staging, std::move(lock));
}

}  // namespace

StagedTables::StagedTables(fs::path workingDirectory) : working_(std::move(workingDirectory)) {
    std::error_code error;
    if (!fs::is_directory(working_, error)) throw Error(Format(msg::kNoWorkingDirectory, PathText(working_)));
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        staging_ = working_ / PathFromText(kStagingPrefix + std::to_string(random()));
        if (fs::create_directory(staging_, error)) break;
        if (error || attempt > 100) {
            staging_.clear();
            throw Error(Format(msg::kCannotReplaceTables, PathText(working_),
                               error ? dbf::ReasonText(error) : std::string("exists")));
        }
    }
    // The lock tells other runs that this directory is alive.
    lock_ = std::make_unique<platform::LockedFile>();
    error.clear();
    CreateEmptyFile(staging_ / kLockFile, error);
    const auto status = error ? platform::LockedFile::Status::Failed : lock_->Open(staging_ / kLockFile, true, error);
    if (status != platform::LockedFile::Status::Ok) {
        std::error_code ignored;
        fs::remove_all(staging_, ignored);
        staging_.clear();
        const std::string reason =
            status == platform::LockedFile::Status::InUse ? std::string(tables::msg::kInUse) : dbf::ReasonText(error);
        throw Error(Format(msg::kCannotReplaceTables, PathText(working_), reason));
    }
    // The staged tables reach the disk together, just before they are put in place.
    platform::DeferDurability(staging_);
}

StagedTables::~StagedTables() {
    if (staging_.empty()) return;
    platform::EndDeferredDurability(staging_);
    RemoveStaging(staging_, std::move(lock_));
}

std::vector<std::string> StagedTables::TableFiles(const std::vector<std::string>& tableNames) {
    std::vector<std::string> files;
    for (const auto& name : tableNames)
        for (const char* extension : {".DBF", ".MDX"}) files.push_back(name + extension);
    return files;
}

std::string StagedTables::Commit(const std::vector<std::string>& replacedFiles,
                                 const std::vector<std::string>& obsoleteFiles, const CopyOrigin& origin) {
    Moves moves;
    bool committed = false;
    std::string copyLabel;
    try {
        const std::vector<PlanEntry> plan = MakePlan(staging_, replacedFiles, obsoleteFiles);
        // A table held by another program stops the commit before anything moves.
        for (const auto& entry : plan)
            RefuseHeldTable(entry, platform::FilesNamed(working_, entry.fileName), working_);
        platform::MakeDirectoryDurable(staging_);
        platform::EndDeferredDurability(staging_);
        fs::create_directory(staging_ / kPreviousFolder);
        const std::time_t moment = std::time(nullptr);
        WriteCopyOrigin(staging_ / kOriginFile, origin, moment);
        WritePlan(staging_, plan);
        committed = true;
        for (const auto& entry : plan) Apply(entry, working_, staging_, &moves);
        platform::MakeDirectoryDurable(working_);
        // The files replaced and taken away become a copy, whole, in one
        // rename; until then a failure puts them back.
        copyLabel = KeepCopy(working_, staging_ / kPreviousFolder, origin, moment);
    } catch (const std::exception& cause) {
        moves.Undo();
        // Without its plan the directory is not taken up again by a later run.
        std::error_code ignored;
        if (committed) platform::RemoveFile(staging_ / kPlanFile, ignored);
        RaiseCannotReplace(working_, cause);
    }
    // Done: a staging directory that outlives this run is not to be replayed
    // over files that the timetable program writes later (a plan left behind
    // with no previous folder is dropped by the next run unreplayed).
    std::error_code ignored;
    platform::RemoveFile(staging_ / kPlanFile, ignored);
    RemoveOldCopies(working_);
    return copyLabel;
}

void RecoverInterruptedCommits(const fs::path& workingDirectory) {
    std::vector<fs::path> stagings;
    std::error_code error;
    for (const auto& entry : platform::ListDirectory(workingDirectory, error))
        if (IsStagingDirectory(entry)) stagings.push_back(entry.path());
    for (const fs::path& staging : stagings) RecoverStaging(workingDirectory, staging);
}

}  // namespace vindeleo
