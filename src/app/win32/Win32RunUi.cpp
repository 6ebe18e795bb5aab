#include "app/win32/Win32RunUi.h"

#include <commdlg.h>

#include <filesystem>
#include <vector>

#include "app/win32/ErrorBox.h"
#include "app/win32/Look.h"
#include "app/win32/WindowLoop.h"
#include "app/win32/Plantillas.h"
#include "import/Plantihoras.h"
#include "platform/PathText.h"
#include "text/Messages.h"

namespace vindeleo::win32 {

namespace {
// Long paths: the dialog's answer may be up to 32767 characters.

// The normal cursor while the user answers a window shown in the middle of a run.
class Answering {
public:
    explicit Answering(bool& flag) : flag_(flag), was_(flag) { flag_ = true; SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
    ~Answering() { flag_ = was_; }
    Answering(const Answering&) = delete;
    Answering& operator=(const Answering&) = delete;

private:
    bool& flag_;
    bool was_;
};

// The filter as the dialog takes it: pairs of description and pattern, each
// ended by a zero, the list by another.
std::wstring DialogFilter() {
    const std::wstring pattern = Wide(msg::kFileDialogFilter);
    return pattern + L'\0' + pattern + L'\0' + L'\0';
}
}  // namespace

Win32RunUi::Win32RunUi(HWND window, std::function<void()> help) : window_(window), help_(std::move(help)) {}

std::optional<std::filesystem::path> Win32RunUi::ChooseFile() {
    Answering answering(answering_);
    return AskFileName(window_, FileDialogKind::Open, DialogFilter(), msg::kFileDialogTitle, msg::kFileDialogSuffix);
}

void Win32RunUi::ShowMessage(const std::string& text) {
    Answering answering(answering_);
    MessageBoxW(window_, Wide(text).c_str(), Wide(msg::kApplicationTitle).c_str(), MB_OK);
}

void Win32RunUi::ShowError(const std::string& text) {
    Answering answering(answering_);
    ShowErrorBox(window_, text);
}

std::string Win32RunUi::ChooseTemplate(TemplateChooser& chooser) {
    Answering answering(answering_);
    TPlantillas dialog(chooser, help_);
    return dialog.ShowModal(window_);
}

void Win32RunUi::SetBusy(bool busy) {
    busyDepth_ += busy ? 1 : -1;
    ShowCursor();
}

void Win32RunUi::ShowCursor() { SetCursor(LoadCursorW(nullptr, Busy() ? IDC_WAIT : IDC_ARROW)); }

// Closed from the message loop, once the run that asks for it has returned.
void Win32RunUi::Close() { PostMessageW(window_, WM_CLOSE, 0, 0); }

}  // namespace vindeleo::win32
