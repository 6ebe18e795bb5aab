#include "platform/FileNames.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/Files.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "text/Codepage.h"

namespace vindeleo::platform {

namespace fs = std::filesystem;

namespace {

// The folded Windows-1252 spelling of a file name, or nothing when
// Windows-1252 cannot spell it (it would not come back the same).
std::optional<std::string> FoldedName(const fs::path& name) {
    const std::string text = PathText(name);
    if (PathFromText(text) != name) return std::nullopt;
    return FoldCase1252(text);
}

bool IsRegularFile(const DirectoryEntry& entry, std::error_code& error) {
    std::error_code statusError;
    const fs::file_status status = entry.status(statusError);
    if (statusError && status.type() != fs::file_type::not_found) {
        if (!error) error = statusError;
        return false;
    }
    return status.type() == fs::file_type::regular;
}

// Where names differ in letter case, a file under the exact name is that
// spelling, found without listing the directory. False with error clear when
// the name is free (or letter case does not tell names apart here), false
// with error set when it cannot be looked at.
bool IsFileUnderExactName(const fs::path& exact, std::error_code& error) {
    error.clear();
    if (!NamesDifferInCase()) return false;
    const fs::file_status status = Status(exact, error);
    if (!error) return fs::is_regular_file(status);
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory) error.clear();
    return false;
}

}  // namespace

std::vector<fs::path> FilesNamed(const fs::path& dir, std::string_view fileName, std::error_code& error) {
    const std::string wanted = FoldCase1252(fileName);
    const fs::path exact = PathFromText(fileName);
    std::vector<fs::path> found;
    for (const auto& entry : ListDirectory(dir, error)) {
        const auto name = FoldedName(entry.path().filename());
        if (name && *name == wanted && IsRegularFile(entry, error)) found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end(), [&](const fs::path& a, const fs::path& b) {
        const bool aExact = a.filename() == exact, bExact = b.filename() == exact;
        return aExact != bExact ? aExact : a.filename() < b.filename();
    });
    return found;
}

std::vector<fs::path> FilesNamed(const fs::path& dir, std::string_view fileName) {
    std::error_code error;
    auto found = FilesNamed(dir, fileName, error);
    if (error) throw fs::filesystem_error("directory", dir, error);
    return found;
}

fs::path FindFile(const fs::path& dir, std::string_view fileName, std::error_code& error) {
    error.clear();
    const fs::path exact = dir / PathFromText(fileName);
    if (IsFileUnderExactName(exact, error)) return exact;
    if (error) return {};
    const auto found = FilesNamed(dir, fileName, error);
    return found.empty() ? fs::path() : found.front();
}

fs::path FindFile(const fs::path& dir, std::string_view fileName) {
    std::error_code error;
    auto found = FindFile(dir, fileName, error);
    if (error) throw fs::filesystem_error("directory", dir, error);
    return found;
}

fs::path ExistingSpelling(const fs::path& file) {
    std::error_code error;
    if (IsFileUnderExactName(file, error) || error) return file;
    const auto found = FilesNamed(file.parent_path(), PathText(file.filename()), error);
    return found.empty() ? file : found.front();
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

}  // namespace vindeleo::platform
