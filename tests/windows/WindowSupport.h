#pragma once
// What the Win32 tests under Wine use to find and read other programs'
// windows: their texts and classes, the top-level windows of a process, the
// screen's pixels, screenshots, and waits that keep the test's own windows
// answering.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vindeleo::test {

constexpr DWORD kWaitMs = 30000;  // generous for a loaded machine; each wait ends as soon as it can

std::wstring Text(HWND window);
std::wstring ClassOf(HWND window);
// UTF-16 as ASCII, anything else as '?': for comparing and printing.
std::string Narrow(const std::wstring& text);

// Runs the calling thread's messages until ready() gives a value or the time is up.
template <typename T>
std::optional<T> PumpUntil(const std::function<std::optional<T>()>& ready, DWORD milliseconds = kWaitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (auto value = ready()) return value;
        if (GetTickCount() - start > milliseconds) return std::nullopt;
        Sleep(20);
    }
}

void Pump(DWORD milliseconds);

// The visible top-level windows of a process.
std::vector<HWND> TopLevelWindows(DWORD process);
std::vector<HWND> Descendants(HWND parent);

// The pixels of a rectangle of the screen, as 32-bit colours.
std::vector<DWORD> ScreenPixels(const RECT& place);

// With VINDELEO_SCREENSHOTS set to a directory (a Windows path, e.g.
// Z:\tmp\shots), a window as the screen shows it (its frame included) is kept
// there as NAME.bmp, for looking at. Without a window manager on the X server,
// Wine draws the captions itself when the prefix says so:
//   wine reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N
void TakeScreenshot(HWND window, const char* name);

}  // namespace vindeleo::test
