#pragma once
// The run interface of the Win32 window: the file dialog "Archivo XML", the
// message boxes, the template chooser window and the busy cursor.

#include <windows.h>

#include <functional>

#include "session/RunUi.h"

namespace vindeleo::win32 {

class Win32RunUi : public RunUi {
public:
    // window: the main window, owner of every dialog; help: F1 in the chooser.
    Win32RunUi(HWND window, std::function<void()> help);

    std::optional<std::filesystem::path> ChooseFile() override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    std::string ChooseTemplate(TemplateChooser& chooser) override;
    void SetBusy(bool busy) override;
    void Close() override;

    // The cursor that the main window shows over itself: the busy one during a run.
    bool Busy() const { return busyDepth_ > 0 && !answering_; }

private:
    void ShowCursor();

    HWND window_;
    std::function<void()> help_;
    int busyDepth_ = 0;
    bool answering_ = false;  // the user answers a window shown in the middle of a run
};

}  // namespace vindeleo::win32
