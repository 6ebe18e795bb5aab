#pragma once
// The window of the copies of the tables on Win32 ("vindeleo.exe copias"):
// the list of the copies that every import keeps, "Restaurar", "Revisar un
// documento..." and "Cerrar", and the report window of a check. What they
// show and do is CopiesSession's (src/session/CopiesSession.h); these windows
// draw it.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/HtmlHelp.h"
#include "app/win32/Look.h"
#include "session/CopiesSession.h"

namespace vindeleo {
struct ModuleState;
class RunUi;
}  // namespace vindeleo

namespace vindeleo::win32 {

class Win32RunUi;

// The check's report, modal over its owner: a read-only, scrollable text;
// "Copiar" puts all of it on the clipboard, "Guardar..." writes it into a
// text file.
class TInformeForm {
public:
    TInformeForm(std::vector<std::string> lines, RunUi& ui);
    ~TInformeForm();
    TInformeForm(const TInformeForm&) = delete;
    TInformeForm& operator=(const TInformeForm&) = delete;

    // Shows the window and returns once it has closed.
    void ShowModal(HWND owner);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BCopiarClick();
    void BGuardarClick();

    std::vector<std::string> lines_;
    RunUi& ui_;
    HWND window_ = nullptr;
    HWND memo_ = nullptr;
    bool closed_ = false;
    OwnedFont font_;
    OwnedFont memoFont_;
    OwnedIcon closeGlyph_;
};

class TCopiasForm : private CopiesWindow {
public:
    // The window is created and its list read here, but not shown.
    TCopiasForm(ModuleState& state, HtmlHelp& help);
    ~TCopiasForm() override;
    TCopiasForm(const TCopiasForm&) = delete;
    TCopiasForm& operator=(const TCopiasForm&) = delete;

    // Shows the window and runs the message loop until it has closed.
    int Run();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    void SelectionChanged();
    void HelpContext();

    void ShowRows(const std::vector<CopyRow>& rows) override;
    bool Confirm(const std::string& question) override;
    void ShowReport(const std::vector<std::string>& lines) override;

    ModuleState& state_;
    HtmlHelp& help_;
    HWND window_ = nullptr;
    HWND ListaCopias = nullptr;
    HWND BRestaurar = nullptr;
    HWND BRevisar = nullptr;
    HWND BCerrar = nullptr;
    // Freed after the window (and its controls that use them) is destroyed.
    OwnedFont font_;
    OwnedFont headingFont_;
    OwnedIcon checkGlyph_;
    OwnedIcon closeGlyph_;
    std::unique_ptr<Win32RunUi> ui_;
    std::unique_ptr<CopiesSession> session_;
};

}  // namespace vindeleo::win32
