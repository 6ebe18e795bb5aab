#pragma once
// Conversions between Windows' UTF-16 texts and the system's 8-bit texts,
// Windows-1252 or UTF-8. Windows-1252 goes through the system's one
// converter of the code page (Cp1252ToUtf16, Utf16To1252), UTF-8 read through
// the system's one UTF-8 decoder; only UTF-16 to UTF-8 is Windows' own. Used
// by the Windows side of the platform layer and the Win32 window.

#include <string>
#include <string_view>

namespace vindeleo::platform::wide {

enum class Encoding { Windows1252, Utf8 };
inline constexpr Encoding kWindows1252 = Encoding::Windows1252;
inline constexpr Encoding kUtf8 = Encoding::Utf8;

// Text of the encoding as UTF-16 (UTF-8 through FirstUtf8Char, each byte of
// an unsound sequence as U+FFFD).
std::wstring Widened(Encoding encoding, std::string_view text);
// UTF-16 as text of the encoding; a character that Windows-1252 lacks
// becomes '?', never a look-alike.
std::string Narrowed(Encoding encoding, std::wstring_view text);

}  // namespace vindeleo::platform::wide
