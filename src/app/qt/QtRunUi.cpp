#include "app/qt/QtRunUi.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "app/qt/DialogRunner.h"
#include "app/qt/Plantillas.h"
#include "import/Plantihoras.h"
#include "text/Codepage.h"
#include "text/Messages.h"

namespace vindeleo {

QString FromText(const std::string& text1252) { return QString::fromStdString(Cp1252ToUtf8(text1252)); }

std::string ToText(const QString& text) { return Utf8To1252(text.toStdString()); }

namespace {
// The normal cursor while the user answers a window shown in the middle of a
// run that holds the busy cursor.
class NormalCursor {
public:
    NormalCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ~NormalCursor() { QApplication::restoreOverrideCursor(); }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;
};
}  // namespace

QtRunUi::QtRunUi(QWidget& window, QFileDialog& openDialog, DialogRunner& dialogs, std::function<void()> help)
    : window_(window), openDialog_(openDialog), dialogs_(dialogs), help_(std::move(help)) {}

std::optional<std::filesystem::path> QtRunUi::ChooseFile() {
    const std::optional<QString> chosen = dialogs_.ChooseFile(openDialog_);
    if (!chosen) return std::nullopt;
    return std::filesystem::path(QFile::encodeName(*chosen).toStdString());  // the system's own bytes
}

void QtRunUi::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, FromText(msg::kApplicationTitle), FromText(text), QMessageBox::NoButton,
                    &window_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(box.addButton(FromText(msg::kAccept), QMessageBox::AcceptRole));
    dialogs_.ShowMessageBox(box);
}

void QtRunUi::ShowError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, FromText(msg::kApplicationTitle), FromText(text), QMessageBox::Ok,
                    &window_);
    box.setTextFormat(Qt::PlainText);
    dialogs_.ShowMessageBox(box);
}

std::string QtRunUi::ChooseTemplate(TemplateChooser& chooser) {
    TPlantillas dialog(chooser, &window_, help_);
    NormalCursor normal;
    dialogs_.ShowChooser(dialog);
    dialog.RethrowFailure();
    return chooser.ChosenTemplate();
}

void QtRunUi::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtRunUi::Close() { window_.close(); }

}  // namespace vindeleo
