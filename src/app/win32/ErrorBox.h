#pragma once
// The error box of the Win32 windows, and the catch-all of their window
// procedures: no exception unwinds through DispatchMessageW into the system.

#include <windows.h>

#include <string>

namespace vindeleo::win32 {

// The error box over owner: the text (already the box's text, see
// ErrorBoxText), the program's title, the stop icon.
void ShowErrorBox(HWND owner, const std::string& text1252);

// Shows the exception being handled (called inside a catch block) in the
// error box over owner. Never throws. While one such box is up, a further
// failure (of a message that its own message loop dispatches) is not shown
// again.
void ShowCurrentErrorBox(HWND owner) noexcept;

// A window procedure's handling of a message: an exception that it lets
// through is shown in the error box over owner and goes no further; the
// message then counts as handled.
template <typename Handle>
LRESULT Guarded(HWND owner, Handle&& handle) noexcept {
    try {
        return handle();
    } catch (...) {
        ShowCurrentErrorBox(owner);
        return 0;
    }
}

}  // namespace vindeleo::win32
