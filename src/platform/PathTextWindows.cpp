// File names on Windows are UTF-16; they convert as Windows' own conversions
// of Windows-1252 and UTF-8 do (WideText.h), so that a name reads as every
// other Windows program reads it.

#include "platform/PathText.h"
#include "platform/WideText.h"

namespace vindeleo {

namespace fs = std::filesystem;
using platform::wide::kUtf8;
using platform::wide::kWindows1252;

std::string PathText(const fs::path& path) { return platform::wide::Narrowed(kWindows1252, path.native()); }

fs::path PathFromText(std::string_view text1252) { return fs::path(platform::wide::Widened(kWindows1252, text1252)); }

std::string PathUtf8(const fs::path& path) { return platform::wide::Narrowed(kUtf8, path.native()); }

fs::path PathFromUtf8(std::string_view utf8) { return fs::path(platform::wide::Widened(kUtf8, utf8)); }

}  // namespace vindeleo
