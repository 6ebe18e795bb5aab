#include "tables/StagedTables.h"

#include <chrono>
#include <ctime>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <unordered_set>
#include <utility>

#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"
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
// The moves still to undo of a commit that failed: while it is there, the
// next run puts the old files back instead of carrying out the plan.
constexpr const char* kUndoFile = "DESHACER";
// The plan and the undo list name each of a few dozen files once.
constexpr std::size_t kMaxListBytes = 1u << 20;
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
    const fs::file_status status = platform::Status(path, error);
    if (status.type() == fs::file_type::not_found) return false;
    if (error) throw fs::filesystem_error("status", path, error);
    return status.type() == fs::file_type::regular;
}

// Where a file of the commit lies: in the working directory, in the staging
// directory, or in the staging directory's previous folder. The letters are
// those of the undo list (kUndoFile).
enum class Place : char { Working = 'W', Staging = 'S', Previous = 'A' };

struct Spot {
    Place place;
    std::string name;  // a plain file name, Windows-1252
};

fs::path PathOf(const Spot& spot, const fs::path& working, const fs::path& staging) {
    const fs::path name = PathFromText(spot.name);
    switch (spot.place) {
        case Place::Working: return working / name;
        case Place::Staging: return staging / name;
        case Place::Previous: return staging / kPreviousFolder / name;
    }
    return {};
}

// One move to undo: the file at `from` goes back to `to` in one rename.
struct UndoStep {
    Spot from, to;
    const std::string& WorkingName() const { return from.place == Place::Working ? from.name : to.name; }
};

// What the moves of a commit are told to: the first run records them, as the
// steps that would undo them; a later run that replays a plan (the recovery
// of a killed run) has nothing to undo and records nothing.
class MoveRecorder {
public:
    virtual ~MoveRecorder() = default;
    // A new file put in place from the staging directory under fileName;
    // backupName is the old file's name in the previous folder (empty when
    // there was none).
    virtual void Installed(const std::string& fileName, const std::string& backupName) = 0;
    // An old file moved into the previous folder.
    virtual void MovedAside(const std::string& fileName) = 0;
};

class NoRecord final : public MoveRecorder {
public:
    void Installed(const std::string&, const std::string&) override {}
    void MovedAside(const std::string&) override {}
};

// The moves that Commit made, as the steps that undo them.
class Moves final : public MoveRecorder {
public:
    // The undo renames the old file over the new one, or the new one back
    // into the staging directory when there was no old one.
    void Installed(const std::string& fileName, const std::string& backupName) override {
        if (backupName.empty())
            steps_.push_back(UndoStep{Spot{Place::Working, fileName}, Spot{Place::Staging, fileName}});
        else
            steps_.push_back(UndoStep{Spot{Place::Previous, backupName}, Spot{Place::Working, fileName}});
    }
    void MovedAside(const std::string& fileName) override {
        steps_.push_back(UndoStep{Spot{Place::Previous, fileName}, Spot{Place::Working, fileName}});
    }
    // Newest first, the order in which they are undone.
    std::vector<UndoStep> UndoSteps() const { return {steps_.rbegin(), steps_.rend()}; }

private:
    std::vector<UndoStep> steps_;
};

// What undoing the moves could not put back.
struct NotPutBack {
    std::vector<std::string> fileNames;  // in the working directory
    std::error_code firstError;
    bool Empty() const { return fileNames.empty(); }
};

// Whether anything (a file, a link, anything else) is at path; a name that
// cannot be looked at raises.
bool SomethingAt(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = platform::SymlinkStatus(path, error);
    if (status.type() == fs::file_type::not_found) return false;
    if (error) throw fs::filesystem_error("status", path, error);
    return true;
}

// Carries out the undo steps in order. A step whose file is no longer where
// the move took it was undone already (by this run, or by one that stopped).
// keepNew first gives each new file that an old one is about to replace a
// second name in the staging directory, so that the plan can still put every
// new table in place if the undo stops half-way and no undo list was written.
NotPutBack PutBack(const std::vector<UndoStep>& steps, const fs::path& working, const fs::path& staging,
                   bool keepNew) {
    NotPutBack left;
    for (const UndoStep& step : steps) {
        const fs::path from = PathOf(step.from, working, staging);
        const fs::path to = PathOf(step.to, working, staging);
        std::error_code error;
        try {
            if (!SomethingAt(from)) continue;
        } catch (const fs::filesystem_error& failure) {
            error = failure.code();
        }
        if (!error && keepNew && step.from.place == Place::Previous) {
            const fs::path staged = staging / PathFromText(step.to.name);
            std::error_code unkept;
            if (!SomethingAt(staged)) platform::MakeHardLink(to, staged, unkept);
            if (unkept) platform::CopyFile(to, staged, fs::copy_options::none, unkept);  // no hard links here
        }
        if (!error) platform::RenameOver(from, to, error);
        if (!error) continue;
        if (!left.firstError) left.firstError = error;
        left.fileNames.push_back(step.WorkingName());
    }
    return left;
}

std::string UndoText(const std::vector<UndoStep>& steps) {
    std::string text;
    for (const UndoStep& step : steps)
        text += static_cast<char>(step.from.place) + step.from.name + '\t' + static_cast<char>(step.to.place) +
                step.to.name + '\n';
    return text;
}

bool ReadSpot(std::string_view text, Spot& spot) {
    if (text.size() < 2) return false;
    spot.name = std::string(text.substr(1));
    if (!platform::IsPlainFileName(spot.name)) return false;
    for (const Place place : {Place::Working, Place::Staging, Place::Previous})
        if (text[0] == static_cast<char>(place)) {
            spot.place = place;
            return true;
        }
    return false;
}

// The undo list of a commit that failed. One that cannot be read whole is an
// error: undoing part of it would leave tables of both sets.
std::vector<UndoStep> ReadUndo(const fs::path& file) {
    std::string text;
    std::error_code error;
    if (!platform::ReadContent(file, text, error, kMaxListBytes + 1)) throw fs::filesystem_error("undo", file, error);
    if (text.size() > kMaxListBytes)
        throw fs::filesystem_error("undo", file, std::make_error_code(std::errc::file_too_large));
    std::istringstream in(text);
    std::vector<UndoStep> steps;
    std::string line;
    while (std::getline(in, line)) {
        const auto tab = line.find('\t');
        UndoStep step{};
        if (tab == std::string::npos || !ReadSpot(std::string_view(line).substr(0, tab), step.from) ||
            !ReadSpot(std::string_view(line).substr(tab + 1), step.to))
            throw fs::filesystem_error("undo", file, std::make_error_code(std::errc::illegal_byte_sequence));
        steps.push_back(std::move(step));
    }
    return steps;
}

// "PROFT, ALUMT": the tables of the files, each once, in their order.
std::string TableNames(const std::vector<std::string>& fileNames) {
    std::vector<std::string> tables;
    for (const std::string& fileName : fileNames) {
        const std::string table = fileName.substr(0, fileName.rfind('.'));
        if (std::find(tables.begin(), tables.end(), table) == tables.end()) tables.push_back(table);
    }
    std::string text;
    for (const std::string& table : tables) text += (text.empty() ? "" : ", ") + table;
    return text;
}

bool IsSameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return platform::Equivalent(a, b, error);
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
    if (error) platform::CopyFile(old, backup, fs::copy_options::overwrite_existing);  // no hard links here
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

// A name of the plan's files (in any letter case) that is a link or a special
// file stops the commit before anything moves: it is neither followed nor
// replaced, so nothing outside the working directory changes and the copy
// never holds a link in place of a table.
void RefuseOddFiles(const std::vector<PlanEntry>& plan, const fs::path& working) {
    std::unordered_set<std::string> names;
    for (const auto& entry : plan) names.insert(FoldCase1252(entry.fileName));
    std::error_code error;
    const auto entries = platform::ListDirectory(working, error);
    if (error) throw fs::filesystem_error("list", working, error);
    for (const auto& entry : entries) {
        if (!names.contains(FoldCase1252(PathText(entry.path().filename())))) continue;
        const platform::NameKind kind = platform::KindOfName(entry.path(), error);
        if (error) throw fs::filesystem_error("status", entry.path(), error);
        if (kind == platform::NameKind::Link || kind == platform::NameKind::Special)
            throw Error(Format(tables::msg::kCannotCreate, PathText(entry.path()), tables::msg::kNotPlainFile));
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

// The folders of one commit and what its moves are told to.
struct CommitPlace {
    const fs::path& working;
    const fs::path& staging;
    MoveRecorder& recorder;
    fs::path Previous() const { return staging / kPreviousFolder; }
};

// Whether old (one of the files of the plan entry's name, in any spelling)
// is the file just put in place as installed: the same name, or, where
// letter case makes no difference (Windows), another spelling of it.
bool IsInstalledFile(const fs::path& old, const fs::path& installed) {
    return old.filename() == installed.filename() || IsSameFile(old, installed);
}

// Puts the staged file in place, the old file kept under a second name in the
// previous folder. A staged file that is gone was put in place by an earlier
// run of the plan.
void PutStagedInPlace(const PlanEntry& entry, const std::vector<fs::path>& olds, const CommitPlace& at) {
    const fs::path staged = at.staging / PathFromText(entry.fileName);
    const fs::path target = at.working / PathFromText(entry.fileName);
    if (!IsFile(staged)) return;
    if (IsSameFile(staged, target)) {
        // In place already: a second name that an undo gave the new file.
        platform::RemoveFile(staged);
        return;
    }
    fs::path backup;
    if (IsFile(target)) backup = KeepBackup(OnDiskSpelling(target, olds), at.Previous());
    platform::RenameOver(staged, target);
    at.recorder.Installed(entry.fileName, backup.empty() ? std::string() : PathText(backup.filename()));
}

// Moves an old file into the previous folder.
void MoveAside(const fs::path& old, const CommitPlace& at) {
    platform::RenameOver(old, at.Previous() / old.filename());
    at.recorder.MovedAside(PathText(old.filename()));
}

// The files of an entry's name in every spelling, listed before the staged
// file comes in, and checked again right before the moves: a program may
// have taken the table since the commit began.
std::vector<fs::path> OldFilesOf(const PlanEntry& entry, const CommitPlace& at) {
    std::vector<fs::path> olds = platform::FilesNamed(at.working, entry.fileName);
    RefuseHeldTable(entry, olds, at.working);
    return olds;
}

// A table's new file in place; old files of other spellings go aside.
void ApplyInstall(const PlanEntry& entry, const CommitPlace& at) {
    const std::vector<fs::path> olds = OldFilesOf(entry, at);
    PutStagedInPlace(entry, olds, at);
    const fs::path installed = at.working / PathFromText(entry.fileName);
    for (const fs::path& old : olds)
        if (!IsInstalledFile(old, installed)) MoveAside(old, at);
}

// A table's file that the new table lacks goes aside, in every spelling.
void ApplyRemove(const PlanEntry& entry, const CommitPlace& at) {
    for (const fs::path& old : OldFilesOf(entry, at)) MoveAside(old, at);
}

// An obsolete file goes aside, in every spelling, unless another program holds it.
void ApplyDiscard(const PlanEntry& entry, const CommitPlace& at) {
    for (const fs::path& old : OldFilesOf(entry, at))
        if (!platform::IsHeldElsewhere(old)) MoveAside(old, at);
}

// Carries out one line of the plan. Lines already carried out (by a run that
// was killed) are carried out again without harm.
void Apply(const PlanEntry& entry, const CommitPlace& at) {
    switch (entry.kind) {
        case PlanEntry::Kind::Install: ApplyInstall(entry, at); return;
        case PlanEntry::Kind::Remove: ApplyRemove(entry, at); return;
        case PlanEntry::Kind::Discard: ApplyDiscard(entry, at); return;
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
    std::string text;
    std::error_code unread;  // an unread plan has no lines
    platform::ReadContent(file, text, unread, kMaxListBytes);
    std::istringstream in(text);
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

// What went wrong, for the user: the system's reason for a failed file
// operation, or the message itself.
std::string CauseText(const std::exception& cause) {
    if (dynamic_cast<const Error*>(&cause)) return cause.what();
    const auto* fsError = dynamic_cast<const fs::filesystem_error*>(&cause);
    return fsError ? dbf::ReasonText(fsError->code()) : Utf8To1252(cause.what());
}

// A failure of the system becomes the message that the old tables are kept;
// a message for the user already (a table held by another program) stands.
[[noreturn]] void RaiseCannotReplace(const fs::path& working, const std::exception& cause) {
    if (const auto* told = dynamic_cast<const Error*>(&cause)) throw *told;
    throw Error(Format(msg::kCannotReplaceTables, PathText(working), CauseText(cause)));
}

// After a failed commit: puts back what the moves replaced, or, when a file
// cannot be put back, leaves the staging directory for the next run and
// raises the message that says so.
void PutBackAfterFailure(const fs::path& working, const fs::path& staging, const Moves& moves,
                         const std::exception& cause, bool& keepForNextRun) {
    // The undo list reaches the disk before the first file goes back, so that
    // a run stopped in the middle of the undo is undone by the next one.
    std::error_code unlisted;
    platform::ReplaceContent(staging / kUndoFile, {UndoText(moves.UndoSteps())}, unlisted);
    const NotPutBack left = PutBack(moves.UndoSteps(), working, staging, /*keepNew=*/bool(unlisted));
    if (left.Empty()) {
        // Without its plan the directory is not taken up again by a later run.
        std::error_code ignored;
        platform::RemoveFile(staging / kPlanFile, ignored);
        return;
    }
    // The plan, the undo list and the old files stay for the next run: with
    // the list it puts the old tables back, without it the plan puts every
    // new one in place (each new file kept a second name for that).
    keepForNextRun = true;
    const std::string reason = CauseText(cause);
    const std::string tables = TableNames(left.fileNames);
    if (unlisted) throw Error(Format(msg::kTablesNotPutBackNewFollow, PathText(working), reason, tables));
    throw Error(Format(msg::kTablesNotPutBack, PathText(working), reason, tables));
}

// Made in place (no temporary name), so that a run killed right after making
// its directory leaves either an empty directory or one with its lock file.
void CreateEmptyFile(const fs::path& path, std::error_code& error) {
    platform::CreateFileInPlace(path, error);
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
        platform::RemoveAll(entry, failed);
        if (failed) removedAll = false;
    }
    if (lock) lock->Close();  // Windows deletes no file that this process holds open
    if (!removedAll) return;  // the lock file stays, the next run takes the rest
    platform::RemoveFile(staging / kLockFile, error);
    platform::Remove(staging, error);
}

bool IsEmptyDirectory(const fs::path& dir) {
    std::error_code error;
    return platform::IsEmpty(dir, error) && !error;
}

// A real folder named as a staging directory; a link of that name is never
// taken for one (its run's recovery would empty the folder it points to).
bool IsStagingDirectory(const platform::DirectoryEntry& entry) {
    std::error_code error;
    return PathText(entry.path().filename()).starts_with(kStagingPrefix) &&
           platform::KindOfName(entry.path(), error) == platform::NameKind::Directory;
}

// Puts back what a failed commit could not: the old files go back from the
// previous folder, the new ones back into the staging directory. Until every
// one is back the undo list stays, and this is tried again by the next run.
void FinishUndo(const fs::path& working, const fs::path& staging) {
    const NotPutBack left = PutBack(ReadUndo(staging / kUndoFile), working, staging, /*keepNew=*/false);
    if (!left.Empty())
        throw Error(Format(msg::kTablesStillNotPutBack, PathText(working), TableNames(left.fileNames),
                           dbf::ReasonText(left.firstError)));
    platform::MakeDirectoryDurable(working);
    platform::RemoveFile(staging / kPlanFile);
    platform::RemoveFile(staging / kUndoFile);
}

// Finishes or drops one staging directory of a run that is no longer alive.
void RecoverStaging(const fs::path& working, const fs::path& staging, RunMoment run) {
    auto lock = std::make_unique<platform::LockedFile>();
    std::error_code error;
    switch (lock->Open(staging / kLockFile, /*exclusive=*/true, error)) {
        case platform::LockedFile::Status::Ok: break;  // its run is gone
        case platform::LockedFile::Status::Missing:
            // An empty one holds nothing to lose; one with files may be a run
            // that is just starting, unless it is old.
            if (IsEmptyDirectory(staging) || platform::WrittenLongerAgo(staging, kUnlockedGrace)) break;
            return;
        case platform::LockedFile::Status::InUse:
        case platform::LockedFile::Status::Failed: return;
    }
    try {
        if (IsFile(staging / kUndoFile)) {
            FinishUndo(working, staging);
        } else if (IsFile(staging / kPlanFile) && platform::IsDirectory(staging / kPreviousFolder)) {
            // Without the previous folder the run had made its copy: every move was done.
            NoRecord replay;
            const CommitPlace at{working, staging, replay};
            for (const auto& entry : ReadPlan(staging / kPlanFile)) Apply(entry, at);
            platform::MakeDirectoryDurable(working);
            CopyOrigin origin;
            std::time_t moment = 0;
            if (!ReadCopyOrigin(staging / kOriginFile, origin, moment)) moment = run.time;
            std::error_code unflushed;
            KeepCopy(working, staging / kPreviousFolder, origin, moment, unflushed);
            RemoveOldCopies(working);
            if (unflushed) throw fs::filesystem_error("flush", CopiesFolder(working), unflushed);
        }
        platform::RemoveFile(staging / kPlanFile);
    } catch (const std::exception& cause) {
        RaiseCannotReplace(working, cause);
    }
    RemoveStaging(staging, std::move(lock));
}

}  // namespace

StagedTables::StagedTables(fs::path workingDirectory, RunMoment moment)
    : working_(std::move(workingDirectory)), moment_(moment) {
    std::error_code error;
    if (!platform::IsDirectory(working_, error)) throw Error(Format(msg::kNoWorkingDirectory, PathText(working_)));
    staging_ = platform::MakeFreshFolder(working_, kStagingPrefix, error);
    if (staging_.empty())
        throw Error(Format(msg::kCannotReplaceTables, PathText(working_),
                           error ? dbf::ReasonText(error) : std::string("exists")));
    // The lock tells other runs that this directory is alive.
    lock_ = std::make_unique<platform::LockedFile>();
    error.clear();
    CreateEmptyFile(staging_ / kLockFile, error);
    const auto status = error ? platform::LockedFile::Status::Failed : lock_->Open(staging_ / kLockFile, true, error);
    if (status != platform::LockedFile::Status::Ok) {
        std::error_code ignored;
        platform::RemoveAll(staging_, ignored);
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
    if (keepForNextRun_) lock_->Close();
    else RemoveStaging(staging_, std::move(lock_));
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
    std::error_code unflushed;
    try {
        const std::vector<PlanEntry> plan = MakePlan(staging_, replacedFiles, obsoleteFiles);
        // A table held by another program, a link or a special file in a
        // table's place, or a COPIAS that is no folder, stops the commit
        // before anything moves.
        RefuseOddFiles(plan, working_);
        for (const auto& entry : plan)
            RefuseHeldTable(entry, platform::FilesNamed(working_, entry.fileName), working_);
        CheckCopiesFolder(working_);
        platform::MakeDirectoryDurable(staging_);
        platform::EndDeferredDurability(staging_);
        platform::CreateDirectory(staging_ / kPreviousFolder);
        WriteCopyOrigin(staging_ / kOriginFile, origin, moment_.time);
        WritePlan(staging_, plan);
        committed = true;
        const CommitPlace at{working_, staging_, moves};
        for (const auto& entry : plan) Apply(entry, at);
        platform::MakeDirectoryDurable(working_);
        // The files replaced and taken away become a copy, whole, in one
        // rename; until then a failure puts them back.
        copyLabel = KeepCopy(working_, staging_ / kPreviousFolder, origin, moment_.time, unflushed);
    } catch (const std::exception& cause) {
        if (committed) PutBackAfterFailure(working_, staging_, moves, cause, keepForNextRun_);
        RaiseCannotReplace(working_, cause);
    }
    // Done: a staging directory that outlives this run is not to be replayed
    // over files that the timetable program writes later (a plan left behind
    // with no previous folder is dropped by the next run unreplayed).
    std::error_code ignored;
    platform::RemoveFile(staging_ / kPlanFile, ignored);
    RemoveOldCopies(working_);
    // The tables are in place and their copy is kept: a flush that failed
    // now is told, as the disk may not hold them.
    if (unflushed)
        throw Error(Format(msg::kTablesInPlaceUnflushed, PathText(working_), dbf::ReasonText(unflushed), copyLabel));
    return copyLabel;
}


void RecoverInterruptedCommits(const fs::path& workingDirectory, RunMoment moment) {
    std::vector<fs::path> stagings;
    std::error_code error;
    for (const auto& entry : platform::ListDirectory(workingDirectory, error))
        if (IsStagingDirectory(entry)) stagings.push_back(entry.path());
    for (const fs::path& staging : stagings) RecoverStaging(workingDirectory, staging, moment);
}

std::vector<UnfinishedCommit> UnfinishedCommits(const fs::path& workingDirectory) {
    std::vector<UnfinishedCommit> found;
    std::error_code error;
    for (const auto& entry : platform::ListDirectory(workingDirectory, error)) {
        if (!IsStagingDirectory(entry)) continue;
        platform::LockedFile lock;  // a run that is alive is not unfinished
        if (lock.Open(entry.path() / kLockFile, /*exclusive=*/true, error) != platform::LockedFile::Status::Ok) continue;
        try {
            if (IsFile(entry.path() / kUndoFile)) found.push_back(UnfinishedCommit::ToPutBack);
            else if (IsFile(entry.path() / kPlanFile) && platform::IsDirectory(entry.path() / kPreviousFolder))
                found.push_back(UnfinishedCommit::ToFinish);
        } catch (const fs::filesystem_error&) {
        }
    }
    return found;
}

}  // namespace vindeleo
