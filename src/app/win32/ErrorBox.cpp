#include "app/win32/ErrorBox.h"

#include "session/RunSupport.h"
#include "app/win32/Look.h"
#include "text/Messages.h"

namespace vindeleo::win32 {

void ShowErrorBox(HWND owner, const std::string& text1252) {
    MessageBoxW(owner, Wide(text1252).c_str(), Wide(msg::kApplicationTitle).c_str(), MB_OK | MB_ICONSTOP);
}

void ShowCurrentErrorBox(HWND owner) noexcept {
    static bool showing = false;
    if (showing) return;
    showing = true;
    try {
        ShowErrorBox(owner, CurrentErrorText());
    } catch (...) {
        // Not even the box could be shown (no memory left for it): the
        // exception still goes no further.
    }
    showing = false;
}

}  // namespace vindeleo::win32
