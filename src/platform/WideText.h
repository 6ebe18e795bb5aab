#pragma once
// Conversions between Windows' UTF-16 texts and the system's 8-bit texts:
// Windows' own, but for UTF-8 read, which goes through the system's one UTF-8
// decoder. Used by the Windows side of the platform layer and the Win32 window.

#include <string>
#include <string_view>

namespace vindeleo::platform::wide {

inline constexpr unsigned kWindows1252 = 1252;
inline constexpr unsigned kUtf8 = 65001;

// Text of the code page as UTF-16 (UTF-8 through FirstUtf8Char, each byte
// of an unsound sequence as U+FFFD).
std::wstring Widened(unsigned codePage, std::string_view text);
// UTF-16 as text of the code page; a character that it lacks becomes '?',
// never a look-alike.
std::string Narrowed(unsigned codePage, std::wstring_view text);

}  // namespace vindeleo::platform::wide
