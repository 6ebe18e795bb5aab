#pragma once
// The template chooser window ("Plantillas Horarias") on Win32: lets the user
// pick the school-day template that the import applies when the exchange
// document carries several. Its logic is TemplateChooser's; this window shows
// it and passes the user's edits on. Shown modally over its owner.

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "app/win32/Look.h"

namespace vindeleo {
class TemplateChooser;
}

namespace vindeleo::win32 {

class TPlantillas {
public:
    // help opens the help file on F1.
    TPlantillas(TemplateChooser& chooser, std::function<void()> help);
    ~TPlantillas();
    TPlantillas(const TPlantillas&) = delete;
    TPlantillas& operator=(const TPlantillas&) = delete;

    // Shows the window over owner (disabled meanwhile) until it closes, and
    // returns the chosen code. An exception that ends one of the window's
    // handlers closes the window and goes on from here, out of the window's
    // message loop, to the run that showed it.
    std::string ShowModal(HWND owner);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Create(HWND owner);
    void FormActivate();
    void ComboBoxPlantillaChange(const std::string& text);
    void Finish();
    void ShowChooser();
    void SetAutoSizedText(HWND label, const std::string& text, int designWidth);
    // Inside a catch block: keeps the exception for ShowModal and closes the window.
    void Fail() noexcept;

    TemplateChooser& chooser_;
    std::function<void()> help_;
    HWND window_ = nullptr;
    HWND panel_ = nullptr;
    HWND ComboBoxPlantilla = nullptr;
    HWND LabelNombre = nullptr;
    HWND LabelPlanFec1 = nullptr;
    HWND LabelPlanFec2 = nullptr;
    HWND ListBox1 = nullptr;
    HWND BitBtnContinuar = nullptr;
    // Freed after the window (and its controls that use them) is destroyed.
    OwnedFont promptFont_;
    OwnedFont maroonFont_;
    OwnedFont boldFont_;
    OwnedFont font_;
    OwnedIcon glyph_;
    OwnedBrush yellow_;
    bool closed_ = false;
    std::exception_ptr failure_;
};

}  // namespace vindeleo::win32
