#pragma once
// The template chooser window ("Plantillas Horarias"): lets the user pick the
// school-day template that the import applies when the exchange document
// carries several. Its logic (what is listed and shown, and the code returned)
// is TemplateChooser's; this window shows it and passes the user's edits on.

#include <QDialog>
#include <exception>
#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace vindeleo {

class TemplateChooser;

class TPlantillas : public QDialog {
    Q_OBJECT
public:
    // owner: the main window; help opens the help file on F1.
    TPlantillas(TemplateChooser& chooser, QWidget* owner, std::function<void()> help = {});

    // Handlers, as the window calls them.
    void FormActivate();
    void ComboBoxPlantillaChange(const QString& text);
    void BitBtnContinuarClick();

    // The code the user chose; set by Continuar and whenever the window closes.
    const std::string& ChosenTemplate() const;

    // An exception that ended one of the window's handlers closed the window;
    // it goes on from here, out of the window's event loop, to the run that
    // showed the window.
    void RethrowFailure() const;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing (Continuar, the close box, Escape) passes here.
    void done(int result) override;

private:
    void FormClose();
    void ShowChooser();
    template <typename Handler>
    void Guarded(Handler&& handler) noexcept;

    std::exception_ptr failure_;

    TemplateChooser& chooser_;
    QComboBox* ComboBoxPlantilla;
    QLabel* LabelNombre;
    QLabel* LabelPlanFec1;
    QLabel* LabelPlanFec2;
    QListWidget* ListBox1;
    QPushButton* BitBtnContinuar;
};

}  // namespace vindeleo
