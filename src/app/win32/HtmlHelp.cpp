#include "app/win32/HtmlHelp.h"

#include "session/Paths.h"
#include "platform/FileNames.h"
#include "platform/PathText.h"

namespace vindeleo::win32 {

namespace fs = std::filesystem;

namespace {
// The commands of HtmlHelpW (htmlhelp.h).
constexpr UINT kDisplayToc = 0x0001;
constexpr UINT kHelpContext = 0x000F;
constexpr UINT kCloseAll = 0x0012;

using HtmlHelpFunction = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

// HtmlHelpW of hhctrl.ocx, or nothing where the control is not installed.
HtmlHelpFunction HtmlHelpW() {
    static const HtmlHelpFunction function = []() -> HtmlHelpFunction {
        HMODULE control = LoadLibraryW(L"hhctrl.ocx");
        if (!control) return nullptr;
        return reinterpret_cast<HtmlHelpFunction>(reinterpret_cast<void*>(GetProcAddress(control, "HtmlHelpW")));
    }();
    return function;
}
}  // namespace

HtmlHelp::HtmlHelp(fs::path programDirectory) : programDirectory_(std::move(programDirectory)) {}

fs::path HtmlHelp::HelpFilePath() const {
    return platform::ExistingSpelling(programDirectory_ / PathFromText(kHelpFile));
}

HtmlHelp::Result HtmlHelp::ShowContents(HWND caller) { return Call(caller, kDisplayToc, 0); }

HtmlHelp::Result HtmlHelp::ShowContext(HWND caller, int context) {
    return Call(caller, kHelpContext, static_cast<DWORD_PTR>(context));
}

HtmlHelp::Result HtmlHelp::Call(HWND caller, UINT command, DWORD_PTR data) {
    const fs::path file = HelpFilePath();
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return Result::MissingFile;
    const HtmlHelpFunction function = HtmlHelpW();
    if (!function) return Result::NoHandler;
    function(caller, file.wstring().c_str(), command, data);
    opened_ = true;
    return Result::Opened;
}

void HtmlHelp::CloseAll() {
    if (opened_) HtmlHelpW()(nullptr, nullptr, kCloseAll, 0);
    opened_ = false;
}

}  // namespace vindeleo::win32
