#pragma once
// The main window on Win32: two conversion buttons (the import under
// "Transformar datos desde Siravel hacia Morvalen ", the export under
// "Transformar datos desde Morvalen hacia Siravel"), the help button and
// "Salir". Started by the host with an action word and a window handle, it
// sits inside the host's window as a child without caption, runs the action
// word's conversion at once and leaves the result code for the host when it
// closes.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/HtmlHelp.h"
#include "app/win32/Look.h"
#include "session/MainWindowSession.h"

namespace vindeleo {
struct ModuleState;
class RunUi;
}  // namespace vindeleo

namespace vindeleo::win32 {

class Win32RunUi;

// The decisions are MainWindowSession's; this window is Win32's part of them.
class TMForm final : private MainWindowControls {
public:
    // arguments: the command-line arguments after the program's name
    // (Windows-1252). The window is created here (FormCreate runs) but not shown.
    TMForm(ModuleState& state, std::vector<std::string> arguments, HtmlHelp& help);
    ~TMForm();
    TMForm(const TMForm&) = delete;
    TMForm& operator=(const TMForm&) = delete;

    // Shows the window and runs the message loop until it has closed.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    void PlaceWindow(HWND host);
    void FormCreate();
    void FormShow();
    void FormClose();
    void BExportarClick() override;
    void BImportarClick() override;
    void Button1Click();
    void HelpContext();
    bool EmbedInHostWindow(std::uint32_t handle) override;
    void EnableRunButtons(bool enabled) override;
    void OpenHelp(bool contents);

    MainWindowSession session_;
    HtmlHelp& help_;
    HWND window_ = nullptr;
    HWND BExportar = nullptr;
    HWND BImportar = nullptr;
    HWND BClose = nullptr;
    HWND Button1 = nullptr;
    // Freed after the window (and its controls that use them) is destroyed.
    OwnedFont font_;
    OwnedFont headingFont_;
    OwnedFont versionFont_;
    OwnedIcon checkGlyph_;
    OwnedIcon closeGlyph_;
    std::unique_ptr<Win32RunUi> ui_;
};

}  // namespace vindeleo::win32
