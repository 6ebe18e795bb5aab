#pragma once
// What the Win32 windows share around their message loops and dialogs: the
// program's main loop, the end of a modal window's loop, and the system's
// file dialog.

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vindeleo::win32 {

// The message loop of the program's window until WM_QUIT: F1 anywhere on
// the window calls help instead of reaching a control, and the dialog keys
// (Tab, Enter, Esc) work as in a dialog. Returns WM_QUIT's code.
int RunWindowLoop(HWND window, const std::function<void()>& help);

// After a modal window's own loop: the owner gets its input back, the window
// goes (window is set to null first, so that its procedure knows), the owner
// comes forward, and a WM_QUIT that ended the loop is passed on.
void EndModalWindow(HWND& window, HWND owner, bool ownerWasEnabled, bool quit, WPARAM quitCode);

// The system's file dialog over owner, for opening (a name that does not
// exist may be typed) or for saving (asking before an existing file is
// replaced); filter is the dialog's list of pairs, ending in two NULs. The
// chosen path, or nothing when it is cancelled.
enum class FileDialogKind { Open, Save };
std::optional<std::filesystem::path> AskFileName(HWND owner, FileDialogKind kind, const std::wstring& filter,
                                                 const std::string& title1252, const std::string& suffix1252);

}  // namespace vindeleo::win32
