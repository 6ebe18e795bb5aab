#pragma once
// The main window: two conversion buttons (the import under "Transformar datos
// desde Siravel hacia Morvalen ", the export under "Transformar datos desde
// Morvalen hacia Siravel"), the help button and "Salir". Started by the host
// with an action word and a window handle, it sits inside the host's window,
// runs the action word's conversion at once and leaves the result code for the
// host when it closes.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "session/MainWindowSession.h"

class QFileDialog;
class QPushButton;

namespace vindeleo {

struct ModuleState;
class DialogRunner;
class HelpViewer;
class QtRunUi;
class RunUi;

// The decisions are MainWindowSession's; this window is Qt's part of them.
class TMForm final : public QWidget, private MainWindowControls {
    Q_OBJECT
public:
    // arguments: the command-line arguments after the program name
    // (Windows-1252). The window is created here (FormCreate runs) but not shown.
    TMForm(ModuleState& state, std::vector<std::string> arguments, DialogRunner& dialogs, HelpViewer& help);
    ~TMForm() override;

    // The handlers, as the window calls them.
    void FormShow();
    void Button1Click();
    void BExportarClick() override;
    void BImportarClick() override;
    // F1 anywhere on the window.
    void HelpContext();

    ModuleState& State() { return state_; }
    // True when the window sits inside the host's window.
    bool Embedded() const { return session_.Embedded(); }

signals:
    // The window has closed (and written the host's result): the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void BuildControls();
    void PlaceWindow();
    void OpenHelp(bool contents);
    bool EmbedInHostWindow(std::uint32_t handle) override;
    void EnableRunButtons(bool enabled) override;

    ModuleState& state_;
    MainWindowSession session_;
    DialogRunner& dialogs_;
    HelpViewer& help_;
    bool shown_ = false;

    QPushButton* BExportar = nullptr;
    QPushButton* BImportar = nullptr;
    QPushButton* BClose = nullptr;
    QPushButton* Button1 = nullptr;
    QFileDialog* OpenDialogXML = nullptr;
    std::unique_ptr<QtRunUi> ui_;
};

}  // namespace vindeleo
