#include "platform/WideText.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace vindeleo::platform::wide {

std::wstring Widened(unsigned codePage, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, out.data(), length);
    return out;
}

std::string Narrowed(unsigned codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const DWORD flags = codePage == kUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) WideCharToMultiByte(codePage, flags, text.data(), size, out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace vindeleo::platform::wide
