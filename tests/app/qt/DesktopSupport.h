#pragma once
// Helpers of the desktop window tests: a dialog runner that answers the real
// dialogs from a script and records what they showed, a help opener that
// records what it was asked to open, and event processing.

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/qt/DialogRunner.h"

namespace vindeleo {
class TPlantillas;
}

namespace vindeleo::test {

// What a message or error box showed.
struct ShownBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    std::optional<Qt::CursorShape> cursor;  // the application's cursor while it was up
};

// How the file dialog was set up when it was shown.
struct ShownFileDialog {
    QString title;
    QStringList nameFilters;
    QString defaultSuffix;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
};

class ScriptedDialogs : public DialogRunner {
public:
    // Each file dialog takes the next answer (nothing: cancelled). A dialog
    // with no answer left is cancelled and fails the test.
    std::deque<std::optional<QString>> fileAnswers;
    // Acts on the shown chooser window as a user would; when the script leaves
    // the window open, Continuar is pressed.
    std::function<void(TPlantillas&)> chooserScript;
    // Called while a box is up (after it is recorded).
    std::function<void(QMessageBox&)> onBox;
    // Acts on a shown window of the copies window (the check's report) as a
    // user would; the window is closed after it.
    std::function<void(QDialog&)> windowScript;

    std::vector<ShownFileDialog> fileDialogs;
    std::vector<ShownBox> boxes;
    int choosers = 0;
    int windows = 0;

    std::optional<QString> ChooseFile(QFileDialog& dialog) override;
    void ShowMessageBox(QMessageBox& box) override;
    void ShowChooser(QDialog& dialog) override;
    void ShowWindow(QDialog& dialog) override;

    // The texts of the boxes shown so far.
    QStringList Texts() const;
};

// Handles the events posted so far, and those they post in turn.
void Settle();

}  // namespace vindeleo::test

// Qt's texts in the tests' failure messages, as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
