#include "app/qt/DialogRunner.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vindeleo {

std::optional<QString> DialogRunner::ChooseFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

void DialogRunner::ShowMessageBox(QMessageBox& box) { box.exec(); }

void DialogRunner::ShowChooser(QDialog& dialog) { dialog.exec(); }

void DialogRunner::ShowWindow(QDialog& dialog) { dialog.exec(); }

}  // namespace vindeleo
