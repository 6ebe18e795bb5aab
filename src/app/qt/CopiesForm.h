#pragma once
// The window of the copies of the tables ("vindeleo copias"): the list of the
// copies that every import keeps, "Restaurar", "Revisar un documento..." and
// "Cerrar", and the report window of a check. What they show and do is
// CopiesSession's (src/session/CopiesSession.h); these windows draw it.

#include <QDialog>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "session/CopiesSession.h"

class QFileDialog;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace vindeleo {

struct ModuleState;
class DialogRunner;
class HelpViewer;
class QtRunUi;

// The check's report: read-only, scrollable, selectable; "Copiar" puts the
// whole of it on the clipboard, "Guardar..." writes it into a text file.
class TInformeForm : public QDialog {
    Q_OBJECT
public:
    TInformeForm(std::vector<std::string> lines, QWidget* owner, DialogRunner& dialogs, RunUi& ui);

    void BCopiarClick();
    void BGuardarClick();

private:
    std::vector<std::string> lines_;
    DialogRunner& dialogs_;
    RunUi& ui_;
    QPlainTextEdit* MemoInforme = nullptr;
    QFileDialog* SaveDialogTXT = nullptr;
};

class TCopiasForm : public QWidget, private CopiesWindow {
    Q_OBJECT
public:
    // The list is read when the window is made.
    TCopiasForm(ModuleState& state, DialogRunner& dialogs, HelpViewer& help);
    ~TCopiasForm() override;

    // The handlers, as the window calls them.
    void BRestaurarClick();
    void BRevisarClick();
    void HelpContext();

    const CopiesSession& Session() const { return *session_; }

signals:
    // The window has closed: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void SelectionChanged();
    int SelectedRow() const;

    void ShowRows(const std::vector<CopyRow>& rows) override;
    bool Confirm(const std::string& question) override;
    void ShowReport(const std::vector<std::string>& lines) override;

    ModuleState& state_;
    DialogRunner& dialogs_;
    HelpViewer& help_;

    QTreeWidget* ListaCopias = nullptr;
    QPushButton* BRestaurar = nullptr;
    QPushButton* BRevisar = nullptr;
    QPushButton* BCerrar = nullptr;
    QFileDialog* OpenDialogXML = nullptr;
    std::unique_ptr<QtRunUi> ui_;
    std::unique_ptr<CopiesSession> session_;
};

}  // namespace vindeleo
