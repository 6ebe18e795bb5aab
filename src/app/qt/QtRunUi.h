#pragma once
// The run interface of the desktop window: its file dialog, message boxes, the
// template chooser window and the busy cursor. The dialogs are built here and
// shown through the window's DialogRunner.

#include <QWidget>
#include <functional>

#include "session/RunUi.h"

class QFileDialog;

namespace vindeleo {

class DialogRunner;

class QtRunUi : public RunUi {
public:
    // help opens the help file (F1 in the chooser window).
    QtRunUi(QWidget& window, QFileDialog& openDialog, DialogRunner& dialogs, std::function<void()> help);

    std::optional<std::filesystem::path> ChooseFile() override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    std::string ChooseTemplate(TemplateChooser& chooser) override;
    void SetBusy(bool busy) override;
    void Close() override;

private:
    QWidget& window_;
    QFileDialog& openDialog_;
    DialogRunner& dialogs_;
    std::function<void()> help_;
};

// A Windows-1252 text of the library as Qt's text, and back (a character that
// Windows-1252 lacks becomes '?').
QString FromText(const std::string& text1252);
std::string ToText(const QString& text);

}  // namespace vindeleo
