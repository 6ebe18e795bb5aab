#pragma once
// Writes one value of an INI file in place, as the Windows profile service
// does: the key's line is replaced, or added to its section, or the section is
// appended; every other byte of the file stays as it was. Sections and keys are
// matched without regard to letter case. The file's own line ends are kept; a
// new file gets CRLF.

#include <filesystem>
#include <string>
#include <string_view>

namespace vindeleo {

// The file's new contents after setting key=value under [section]. Texts are
// Windows-1252 bytes.
std::string WithProfileValue(std::string_view contents, std::string_view section, std::string_view key,
                             std::string_view value);

// Reads the file (a missing one counts as empty), sets the value and writes the
// file back in place. A file that cannot be read or written raises
// "Unable to write to <full path>".
void WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace vindeleo
