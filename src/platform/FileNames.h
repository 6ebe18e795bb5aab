#pragma once
// The one lookup of a file by name without regard to letter case, as Windows
// finds files: an existing "soluc.dbf" is the table SOLUC, an existing
// "morvalen.ini" the host's result file. Names are compared as Windows-1252
// texts with their letters folded (FoldCase1252); a file whose name
// Windows-1252 cannot spell matches no name.

#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace vindeleo::platform {

// Every regular file of dir named fileName (Windows-1252 text) in any letter
// case: the exact spelling first, the others in the order of their names. A
// directory that cannot be listed, or an entry of the name that cannot be
// looked at, sets error (the files found are still returned).
std::vector<std::filesystem::path> FilesNamed(const std::filesystem::path& dir, std::string_view fileName,
                                              std::error_code& error);
// The same, raising std::filesystem::filesystem_error on such a failure.
std::vector<std::filesystem::path> FilesNamed(const std::filesystem::path& dir, std::string_view fileName);

// The first of FilesNamed, or an empty path when there is none.
std::filesystem::path FindFile(const std::filesystem::path& dir, std::string_view fileName, std::error_code& error);
std::filesystem::path FindFile(const std::filesystem::path& dir, std::string_view fileName);

// The file to open or write for file: an existing file of its folder named as
// it is in any letter case (FindFile), under that file's own spelling, which
// on Windows is the same file; file itself when there is none, or when the
// folder cannot be read (the opening or the writing that follows tells that).
std::filesystem::path ExistingSpelling(const std::filesystem::path& file);

// Whether a name read from one of the system's own files (a plan, a copy's
// description) names a file directly inside its folder and nothing else: not
// empty, not "." or "..", no separator and no drive.
bool IsPlainFileName(std::string_view name);

}  // namespace vindeleo::platform
