#include "app/qt/DesktopSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QPushButton>

#include "app/qt/Plantillas.h"

namespace vindeleo::test {

std::optional<QString> ScriptedDialogs::ChooseFile(QFileDialog& dialog) {
    fileDialogs.push_back({dialog.windowTitle(), dialog.nameFilters(), dialog.defaultSuffix(), dialog.fileMode(),
                           dialog.acceptMode()});
    if (fileAnswers.empty()) {
        ADD_FAILURE() << "a file dialog that the script does not answer";
        return std::nullopt;
    }
    const bool cancelled = !fileAnswers.front();
    const QString path = cancelled ? QString() : *fileAnswers.front();
    fileAnswers.pop_front();
    if (cancelled) return std::nullopt;
    return path;
}

void ScriptedDialogs::ShowMessageBox(QMessageBox& box) {
    ShownBox shown{box.windowTitle(), box.text(), box.icon(), {}, std::nullopt};
    for (QAbstractButton* button : box.buttons()) shown.buttons << button->text();
    if (const QCursor* cursor = QApplication::overrideCursor()) shown.cursor = cursor->shape();
    boxes.push_back(shown);
    if (onBox) onBox(box);
}

void ScriptedDialogs::ShowChooser(QDialog& dialog) {
    ++choosers;
    dialog.show();
    if (chooserScript) chooserScript(static_cast<TPlantillas&>(dialog));
    if (dialog.isVisible()) dialog.findChild<QPushButton*>(QStringLiteral("BitBtnContinuar"))->click();
}

void ScriptedDialogs::ShowWindow(QDialog& dialog) {
    ++windows;
    dialog.show();
    if (windowScript) windowScript(dialog);
    dialog.close();
}

QStringList ScriptedDialogs::Texts() const {
    QStringList texts;
    for (const ShownBox& box : boxes) texts << box.text;
    return texts;
}

void Settle() {
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

}  // namespace vindeleo::test
