#include "tables/StagedTables.h"

#include <random>
#include <utility>

#include "tables/Table.h"
#include "tables/TableFile.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPreviousFolder = "ANTERIOR";

// Moves files and remembers each move, so that a failure can undo them all.
class Moves {
public:
    void Move(const fs::path& from, const fs::path& to) {
        fs::rename(from, to);
        done_.emplace_back(from, to);
    }
    // Puts every moved file back, newest first; what cannot be undone is left.
    void Undo() noexcept {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
            std::error_code ignored;
            fs::rename(it->second, it->first, ignored);
        }
        done_.clear();
    }

private:
    std::vector<std::pair<fs::path, fs::path>> done_;
};

[[noreturn]] void RaiseCannotReplace(const fs::path& working, const std::exception& cause) {
    const auto* fsError = dynamic_cast<const fs::filesystem_error*>(&cause);
    const std::string reason = fsError ? fsError->code().message() : cause.what();
    throw Error(Format(msg::kCannotReplaceTables, PathText(working), Utf8To1252(reason)));
}

}  // namespace

StagedTables::StagedTables(fs::path workingDirectory) : working_(std::move(workingDirectory)) {
    std::error_code error;
    if (!fs::is_directory(working_, error)) throw Error(Format(msg::kNoWorkingDirectory, PathText(working_)));
    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        staging_ = working_ / (".vindeleo-" + std::to_string(random()));
        if (fs::create_directory(staging_, error)) {
            // The staged tables reach the disk together, just before they are put in place.
            dbf::DeferDurability(staging_);
            return;
        }
        if (error || attempt > 100) {
            const std::string reason = error ? error.message() : "exists";
            throw Error(Format(msg::kCannotReplaceTables, PathText(working_), Utf8To1252(reason)));
        }
    }
}

StagedTables::~StagedTables() {
    dbf::EndDeferredDurability(staging_);
    std::error_code ignored;
    fs::remove_all(staging_, ignored);
}

void StagedTables::Commit(const std::vector<std::string>& tableNames,
                          const std::vector<std::string>& obsoleteFiles) {
    std::vector<std::string> replaced;
    for (const auto& name : tableNames) {
        replaced.push_back(name + ".DBF");
        replaced.push_back(name + ".MDX");
    }
    replaced.insert(replaced.end(), obsoleteFiles.begin(), obsoleteFiles.end());

    const fs::path previous = staging_ / kPreviousFolder;
    Moves moves;
    try {
        dbf::MakeDirectoryDurable(staging_);
        fs::create_directory(previous);
        // Old files first aside, every spelling of each, so that the new ones
        // never meet them and no old index stays beside a new table.
        for (const auto& fileName : replaced)
            for (const auto& old : Table::FindFiles(working_, fileName)) moves.Move(old, previous / old.filename());
        for (const auto& name : tableNames) {
            for (const char* extension : {".DBF", ".MDX"}) {
                const fs::path built = Table::FindFile(staging_, name + extension);
                if (!built.empty()) moves.Move(built, working_ / (name + extension));
            }
        }
    } catch (const std::exception& cause) {
        moves.Undo();
        RaiseCannotReplace(working_, cause);
    }
    dbf::MakeDirectoryDurable(working_);
}

}  // namespace vindeleo
