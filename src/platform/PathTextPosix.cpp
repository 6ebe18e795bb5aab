// File names on Linux are bytes, which the system writes as UTF-8.

#include "platform/PathText.h"

#include "text/Codepage.h"

namespace vindeleo {

namespace fs = std::filesystem;

std::string PathText(const fs::path& path) { return Utf8To1252(path.native()); }

fs::path PathFromText(std::string_view text1252) { return fs::path(Cp1252ToUtf8(text1252)); }

std::string PathUtf8(const fs::path& path) { return path.native(); }

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(std::string(utf8)); }

}  // namespace vindeleo
