#include "platform/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "text/Codepage.h"

namespace vindeleo::platform::wide {

namespace {

// UTF-8 as UTF-16, decoded by the system's one UTF-8 decoder: each byte that
// is not part of a sound sequence becomes U+FFFD.
std::wstring WidenedUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Utf8Char next = FirstUtf8Char(text);
        const bool valid = next.kind == Utf8Char::Kind::Valid;
        const char32_t c = valid ? next.codePoint : U'\uFFFD';
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
        text.remove_prefix(valid ? next.length : 1);
    }
    return out;
}

}  // namespace

std::wstring Widened(Encoding encoding, std::string_view text) {
    if (encoding == kUtf8) return WidenedUtf8(text);
    const std::u16string utf16 = Cp1252ToUtf16(text);
    return std::wstring(utf16.begin(), utf16.end());
}

std::string Narrowed(Encoding encoding, std::wstring_view text) {
    if (encoding == kWindows1252) return Utf16To1252(std::u16string(text.begin(), text.end()));
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace vindeleo::platform::wide
