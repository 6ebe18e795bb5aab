#pragma once
// What a run asks of the window that started it. The desktop window, the
// command line and the tests each implement it; the runs talk to the user
// through nothing else. Texts are Windows-1252.

#include <filesystem>
#include <optional>
#include <string>

namespace vindeleo {

class TemplateChooser;

class RunUi {
public:
    virtual ~RunUi() = default;
    // The file-open dialog ("Archivo XML", filter *.xml, default extension xml):
    // the chosen file's path as the system names it (whatever its script), or
    // nothing when the user cancels.
    virtual std::optional<std::filesystem::path> ChooseFile() = 0;
    // A modal message box with one button "Aceptar".
    virtual void ShowMessage(const std::string& text) = 0;
    // The standard error box; text is already the box's text (see ErrorBoxText).
    virtual void ShowError(const std::string& text) = 0;
    // Shows the template chooser modally and returns its ChosenTemplate.
    virtual std::string ChooseTemplate(TemplateChooser& chooser) = 0;
    // The busy (hourglass) cursor on or off.
    virtual void SetBusy(bool busy) = 0;
    // Closes the main window (which then writes the host's result).
    virtual void Close() = 0;
};

}  // namespace vindeleo
