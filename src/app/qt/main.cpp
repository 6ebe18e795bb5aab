// vindeleo: the desktop window. Two conversion buttons; the import button
// rebuilds the working tables from an exchange document.

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "app/ModuleState.h"
#include "app/qt/QtRunUi.h"
#include "import/ImportRun.h"
#include "text/Codepage.h"
#include "text/Error.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vindeleo"));

    vindeleo::ModuleState state = vindeleo::ModuleState::Create();
    QWidget window;
    window.setWindowTitle(QStringLiteral("Exportar e importar datos entre Morvalen y Siravel"));
    auto* layout = new QGridLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("Transformar datos desde Siravel hacia Morvalen ")), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Transformar datos desde Morvalen hacia Siravel")), 0, 1);
    auto* importButton = new QPushButton(QStringLiteral("Aceptar"));
    auto* exportButton = new QPushButton(QStringLiteral("Aceptar"));
    exportButton->setEnabled(false);  // the export run is not part of this build yet
    auto* closeButton = new QPushButton(QStringLiteral("&Salir"));
    layout->addWidget(importButton, 1, 0);
    layout->addWidget(exportButton, 1, 1);
    layout->addWidget(closeButton, 2, 0, 1, 2);

    vindeleo::QtRunUi ui(&window);
    QObject::connect(importButton, &QPushButton::clicked, [&] {
        try {
            vindeleo::BExportarClick(state, ui);
        } catch (const vindeleo::Error& error) {
            ui.ShowError(vindeleo::ErrorBoxText(error.what()));
        }
        importButton->setEnabled(state.RunButtonsEnabled);
    });
    QObject::connect(closeButton, &QPushButton::clicked, &window, &QWidget::close);
    window.show();
    return application.exec();
}
