#include "app/win32/WindowLoop.h"

#include <commdlg.h>

#include <vector>

#include "app/win32/Look.h"

namespace vindeleo::win32 {

namespace {
// Room for the longest path that the W functions take.
constexpr std::size_t kFileNameCapacity = 32768;
}  // namespace

int RunWindowLoop(HWND window, const std::function<void()>& help) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && message.wParam == VK_F1 &&
            (message.hwnd == window || IsChild(window, message.hwnd))) {
            help();
            continue;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

void EndModalWindow(HWND& window, HWND owner, bool ownerWasEnabled, bool quit, WPARAM quitCode) {
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (window) {
        HWND closing = window;
        window = nullptr;
        DestroyWindow(closing);
    }
    if (owner) SetForegroundWindow(owner);
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

std::optional<std::filesystem::path> AskFileName(HWND owner, FileDialogKind kind, const std::wstring& filter,
                                                 const std::string& title1252, const std::string& suffix1252) {
    std::vector<wchar_t> fileName(kFileNameCapacity, L'\0');
    const std::wstring title = Wide(title1252);
    const std::wstring suffix = Wide(suffix1252);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = fileName.data();
    dialog.nMaxFile = static_cast<DWORD>(fileName.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = suffix.c_str();
    // No OFN_FILEMUSTEXIST on opening: a file that does not exist may be
    // typed (the run then says so).
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (kind == FileDialogKind::Save) dialog.Flags |= OFN_OVERWRITEPROMPT;
    const BOOL chosen = kind == FileDialogKind::Save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen) return std::nullopt;
    return std::filesystem::path(fileName.data());
}

}  // namespace vindeleo::win32
