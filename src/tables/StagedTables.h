#pragma once
// A set of tables built aside and put in place together. The import builds its
// tables in a staging directory inside the working directory; only when every
// table is complete are the old files replaced, so a run that stops leaves the
// timetable program's tables as they were.
//
// Putting the tables in place is journalled. Before the first file moves, the
// staging directory receives the list of moves to make ("PLAN"); from then on
// the set of new tables is committed. Each table file is replaced by one
// rename over the old one, so at every moment every table is either the
// complete old one or the complete new one. A run that fails in the middle
// undoes its moves; a process killed in the middle leaves its staging
// directory behind, and the next run finishes the moves of its plan and makes
// its copy (RecoverInterruptedCommits) or, when no plan was written, simply
// removes it.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/RegionalTime.h"
#include "tables/TableCopies.h"

namespace vindeleo {

namespace platform {
class LockedFile;
}

class StagedTables {
public:
    // Makes a fresh staging directory inside workingDirectory, which must
    // exist, and holds it locked while this object lives, so that no other
    // process takes it for the remains of an interrupted run. The run's
    // moment dates the copy of the tables that Commit replaces.
    explicit StagedTables(std::filesystem::path workingDirectory, RunMoment moment = RunMoment::Now());
    // Removes the staging directory and whatever is left in it.
    ~StagedTables();
    StagedTables(const StagedTables&) = delete;
    StagedTables& operator=(const StagedTables&) = delete;

    const std::filesystem::path& Directory() const { return staging_; }

    // The .DBF and .MDX file names of each table.
    static std::vector<std::string> TableFiles(const std::vector<std::string>& tableNames);

    // Replaces each of replacedFiles (e.g. "PROFT.DBF") in the working
    // directory, in any letter case, by the file of that name built in the
    // staging directory (an old file that has no new counterpart is taken
    // away), and takes away each of the obsolete files (e.g. "JORNADAS.DBF";
    // one that another program holds is left). The files replaced and taken
    // away become a copy in COPIAS (see TableCopies.h) described with origin,
    // whose label is returned; the copies beyond the newest ten are removed.
    // Either all of it happens or, on failure, the working directory is put
    // back as it was, no copy is made, and an error is raised. When a file
    // cannot be put back, the message names its tables and the next run puts
    // them back (RecoverInterruptedCommits). When the tables are in place and
    // only the last flush failed, the message says so. A table file
    // that another program holds is a failure, told as creating that table
    // tells it.
    std::string Commit(const std::vector<std::string>& replacedFiles, const std::vector<std::string>& obsoleteFiles,
                       const CopyOrigin& origin);

private:
    std::filesystem::path working_;
    RunMoment moment_;
    std::filesystem::path staging_;
    std::unique_ptr<platform::LockedFile> lock_;
    // A commit that could not put back every old file leaves the staging
    // directory (plan, undo list, old files) for the next run.
    bool keepForNextRun_ = false;
};

// Deals with the staging directories that killed runs left in the working
// directory: one whose plan was written gets its remaining moves made (the
// new tables were complete and committed) and its copy kept, one with an undo
// list (a commit that failed and could not put every old file back) gets the
// old files put back, one without a plan is removed (the old tables were never
// touched). Directories of runs
// still alive are left alone. An error is raised only when a committed plan
// cannot be finished. A copy whose run's moment was not kept is dated with
// the moment of this run.
void RecoverInterruptedCommits(const std::filesystem::path& workingDirectory, RunMoment moment = RunMoment::Now());

// What the next run's RecoverInterruptedCommits will do with the staging
// directories of runs that are gone: finish a commit's moves, or put back the
// old files of a commit that failed. Nothing is changed.
enum class UnfinishedCommit { ToFinish, ToPutBack };
std::vector<UnfinishedCommit> UnfinishedCommits(const std::filesystem::path& workingDirectory);

}  // namespace vindeleo
