#pragma once
// Shows the modal dialogs of the desktop windows and waits for the user's
// answer. The windows build and configure each dialog themselves; only the
// waiting goes through here, so that tests can answer the real dialogs without
// a user.

#include <QString>
#include <optional>

class QDialog;
class QFileDialog;
class QMessageBox;

namespace vindeleo {

class DialogRunner {
public:
    virtual ~DialogRunner() = default;
    // The file dialog: the chosen file's full path, or nothing when cancelled.
    virtual std::optional<QString> ChooseFile(QFileDialog& dialog);
    // A message or error box, until the user dismisses it.
    virtual void ShowMessageBox(QMessageBox& box);
    // The template chooser window, until it closes.
    virtual void ShowChooser(QDialog& dialog);
    // A window of the copies window (the check's report), until it closes.
    virtual void ShowWindow(QDialog& dialog);
};

}  // namespace vindeleo
