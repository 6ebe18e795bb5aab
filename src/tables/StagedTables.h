#pragma once
// A set of tables built aside and put in place together. The import builds its
// tables in a staging directory inside the working directory; only when every
// table is complete are the old files replaced, so a run that stops leaves the
// timetable program's tables as they were.

#include <filesystem>
#include <string>
#include <vector>

namespace vindeleo {

class StagedTables {
public:
    // Makes a fresh staging directory inside workingDirectory, which must exist.
    explicit StagedTables(std::filesystem::path workingDirectory);
    // Removes the staging directory and whatever is left in it.
    ~StagedTables();
    StagedTables(const StagedTables&) = delete;
    StagedTables& operator=(const StagedTables&) = delete;

    const std::filesystem::path& Directory() const { return staging_; }

    // Replaces, for each table name, the working directory's .DBF and .MDX
    // (every letter case) by the files built in the staging directory (a
    // table built without index leaves no .MDX of its name), and
    // removes each of the obsolete files (e.g. "JORNADAS.DBF"). Either all of it
    // happens or, on failure, the working directory is put back as it was and
    // an error is raised.
    void Commit(const std::vector<std::string>& tableNames, const std::vector<std::string>& obsoleteFiles);

private:
    std::filesystem::path working_;
    std::filesystem::path staging_;
};

}  // namespace vindeleo
