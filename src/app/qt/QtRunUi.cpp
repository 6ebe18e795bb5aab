#include "app/qt/QtRunUi.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "import/Plantihoras.h"
#include "text/Codepage.h"

namespace vindeleo {

namespace {
constexpr const char* kTitle = "Vindeleo";

QString FromText(const std::string& text1252) { return QString::fromStdString(Cp1252ToUtf8(text1252)); }
}  // namespace

std::optional<std::string> QtRunUi::ChooseFile() {
    QFileDialog dialog(window_, QStringLiteral("Archivo XML"), QString(), QStringLiteral("*.xml"));
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return Utf8To1252(dialog.selectedFiles().first().toStdString());
}

void QtRunUi::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kTitle), FromText(text), QMessageBox::NoButton, window_);
    box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole);
    box.exec();
}

void QtRunUi::ShowError(const std::string& text) {
    QMessageBox::critical(window_, QString::fromUtf8(kTitle), FromText(text), QMessageBox::Ok);
}

std::string QtRunUi::ChooseTemplate(TemplateChooser& chooser) {
    // The chooser's own window comes with the desktop issue; until then the
    // first template code is taken, as the chooser selects it first.
    chooser.FormActivate();
    return chooser.Close();
}

void QtRunUi::SetBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void QtRunUi::Close() { window_->close(); }

}  // namespace vindeleo
