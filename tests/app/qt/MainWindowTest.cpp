#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <new>
#include <stdexcept>

#include "session/ModuleState.h"
#include "import/ImportRun.h"
#include "app/qt/DesktopSupport.h"
#include "app/qt/MainForm.h"
#include "app/qt/Plantillas.h"
#include "app/qt/HelpViewer.h"
#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::Settle;

const QString kCaption = QStringLiteral("Exportar e importar datos entre Morvalen y Siravel");
const QString kNoFile = QStringLiteral("No existe archivo");
const QString kFinished = QStringLiteral("Proceso finalizado");

// A working directory, a program directory with the level catalogue, and the
// window's state over both; dialogs answered by a script, help files opened
// into a list.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        fs::create_directories(Working());
        fs::create_directories(Program());
        fs::copy_file(test::BinaryDir() / "NIVELEX.DBF", Program() / "NIVELEX.DBF");
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
    }

    fs::path Working() const { return dir / "drive_c" / "MTEMP"; }
    fs::path Program() const { return dir / "program"; }
    fs::path HostFile() const { return Program() / "Morvalen.ini"; }
    static QString Sample() { return QString::fromStdString((test::SourceDir() / "samples" / "demo-school.xml").string()); }

    // Creates the window with these arguments and shows it, as the program does.
    std::unique_ptr<TMForm> Open(const std::vector<std::string>& arguments = {}) {
        auto form = std::make_unique<TMForm>(state, arguments, dialogs, help);
        closed = std::make_unique<QSignalSpy>(form.get(), &TMForm::Closed);
        form->show();
        Settle();
        return form;
    }
    template <typename T>
    static T* Child(QWidget& form, const char* name) {
        T* child = form.findChild<T*>(QString::fromLatin1(name));
        if (!child) ADD_FAILURE() << "no component " << name;
        return child;
    }
    static QPushButton* Button(QWidget& form, const char* name) { return Child<QPushButton>(form, name); }

    // The demo school's document beside the tables that its import wrote
    // (template J1), with the timetable program's solution table.
    QString ImportedDemoSchool() {
        const fs::path document = dir / "alumnos.xml";
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", document);
        ModuleState importState;
        importState.WorkingDirectory = Working();
        importState.ProgramDirectory = Program();
        test::RecordingUi importUi;
        importUi.fileAnswer = document.string();
        importUi.templateAnswer = "J1";
        RunImport(importState, importUi);
        EXPECT_EQ(importUi.messages, std::vector<std::string>{"Proceso finalizado"});
        fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Working() / "SOLUC.DBF");
        return QString::fromStdString(document.string());
    }
    fs::path ExportResult() const { return dir / "ResultadoTuvanealumnos.xml"; }

    std::vector<std::string> Column(const std::string& table, const std::string& field) {
        std::vector<std::string> values;
        for (const auto& record : test::ReadWithDbfread(Working() / (table + ".DBF")).records)
            values.push_back(record.at(field));
        return values;
    }

    test::TempDir dir;
    ModuleState state;
    ScriptedDialogs dialogs;
    std::vector<QUrl> opened;
    bool helpHandler = true;  // the desktop has a handler for ".chm" files
    bool browser = true;      // and one for web pages
    std::function<void()> onOpen;  // called as the desktop is asked to open a file
    HelpViewer help{Program(), [this](const QUrl& file) {
                        if (onOpen) onOpen();
                        opened.push_back(file);
                        return file.path().endsWith(".chm") ? helpHandler : browser;
                    }};
    std::unique_ptr<QSignalSpy> closed;
};

TEST_F(MainWindowTest, TheWindowAsDesigned) {
    auto form = Open();
    EXPECT_EQ(form->objectName(), "MForm");
    EXPECT_EQ(form->windowTitle(), kCaption);
    EXPECT_EQ(form->size(), QSize(632, 266));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());  // no resizing
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);

    struct Placed {
        const char* name;
        const char* parent;
        QRect geometry;
    };
    for (const Placed& p : {Placed{"Draw3D2", "MForm", {1, 0, 315, 169}}, Placed{"Draw3D3", "MForm", {316, 0, 317, 169}},
                            Placed{"Draw3D1", "MForm", {0, 168, 633, 97}}, Placed{"Label3", "Draw3D2", {24, 24, 265, 57}},
                            Placed{"BExportar", "Draw3D2", {96, 120, 89, 25}}, Placed{"Label4", "Draw3D3", {8, 24, 305, 57}},
                            Placed{"BImportar", "Draw3D3", {96, 120, 89, 25}}, Placed{"BClose", "Draw3D1", {256, 32, 89, 25}},
                            Placed{"Button1", "Draw3D1", {264, 64, 75, 25}}}) {
        QWidget* widget = Child<QWidget>(*form, p.name);
        ASSERT_TRUE(widget);
        EXPECT_EQ(widget->parentWidget()->objectName(), p.parent) << p.name;
        EXPECT_EQ(widget->geometry(), p.geometry) << p.name;
    }
    const auto* label3 = Child<QLabel>(*form, "Label3");
    EXPECT_EQ(label3->text(), "Transformar datos desde Siravel hacia Morvalen ");  // with its trailing blank
    EXPECT_TRUE(label3->wordWrap());
    EXPECT_TRUE(label3->font().bold());
    EXPECT_EQ(label3->font().pixelSize(), 16);  // 12 points at 96 dots per inch
    EXPECT_EQ(Child<QLabel>(*form, "Label4")->text(), "Transformar datos desde Morvalen hacia Siravel");
    const auto* label1 = Child<QLabel>(*form, "Label1");
    EXPECT_EQ(label1->text(), "Vindeleo para VL09 V-1.0");
    EXPECT_EQ(label1->pos(), QPoint(8, 72));
    EXPECT_EQ(label1->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_TRUE(label1->font().bold());
    EXPECT_EQ(label1->textFormat(), Qt::PlainText);

    for (const char* name : {"BExportar", "BImportar"}) {
        EXPECT_EQ(Button(*form, name)->text(), "Aceptar");
        EXPECT_FALSE(Button(*form, name)->icon().isNull()) << name;  // the check mark
        EXPECT_TRUE(Button(*form, name)->isEnabled());
    }
    EXPECT_EQ(Button(*form, "BClose")->text(), "&Salir");
    EXPECT_EQ(Button(*form, "Button1")->text(), "F1 Ayuda");

    // Tab order: Salir, help, then the left and the right conversion button.
    QStringList order;
    QWidget* widget = Button(*form, "BClose");
    for (int i = 0; i < 4; ++i) {
        order << widget->objectName();
        do widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    EXPECT_EQ(order, (QStringList{"BClose", "Button1", "BExportar", "BImportar"}));
    EXPECT_EQ(widget->objectName(), "BClose");

    const auto* openDialog = Child<QFileDialog>(*form, "OpenDialogXML");
    EXPECT_EQ(openDialog->windowTitle(), "Archivo XML");
    EXPECT_EQ(openDialog->nameFilters(), QStringList{"*.xml"});
    EXPECT_EQ(openDialog->defaultSuffix(), "xml");
    EXPECT_EQ(openDialog->fileMode(), QFileDialog::AnyFile);  // a file that does not exist may be chosen
    EXPECT_EQ(openDialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_TRUE(dialogs.fileDialogs.empty());  // no run started without arguments
}

TEST_F(MainWindowTest, AFinishedImportDisablesBothButtons) {
    dialogs.fileAnswers = {Sample()};
    std::optional<Qt::CursorShape> cursorInChooser;
    dialogs.chooserScript = [&](TPlantillas& chooser) {
        if (const QCursor* cursor = QApplication::overrideCursor()) cursorInChooser = cursor->shape();
        auto* combo = chooser.findChild<QComboBox*>("ComboBoxPlantilla");
        EXPECT_EQ(combo->currentText(), "J1");
        combo->setCurrentIndex(1);
        EXPECT_EQ(chooser.findChild<QListWidget*>("ListBox1")->count(), 3);
    };
    auto form = Open();
    Button(*form, "BExportar")->click();

    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Archivo XML");
    EXPECT_EQ(dialogs.choosers, 1);
    EXPECT_EQ(cursorInChooser, Qt::ArrowCursor);  // the user answers with the normal cursor
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const test::ShownBox& box = dialogs.boxes[0];
    EXPECT_EQ(box.text, kFinished);
    EXPECT_EQ(box.title, "Vindeleo");
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.buttons, QStringList{"Aceptar"});
    EXPECT_EQ(box.cursor, std::nullopt);  // the busy cursor is gone before the message
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    EXPECT_FALSE(Button(*form, "BExportar")->isEnabled());
    EXPECT_FALSE(Button(*form, "BImportar")->isEnabled());
    EXPECT_TRUE(form->isVisible());  // outside host mode the window stays
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_EQ(state.TemplateCode, "J2");
    EXPECT_EQ(Column("PERIODOS", "JORNADA"), std::vector<std::string>{"Jornada de tarde (adultos)"});
    EXPECT_EQ(Column("DIASHORAST", "DIHO").size(), 21u);
    EXPECT_FALSE(fs::exists(HostFile()));
}

TEST_F(MainWindowTest, AFinishedExportDisablesBothButtons) {
    dialogs.fileAnswers = {ImportedDemoSchool()};
    auto form = Open();
    Button(*form, "BImportar")->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, kFinished);
    EXPECT_EQ(dialogs.boxes[0].buttons, QStringList{"Aceptar"});
    EXPECT_EQ(dialogs.boxes[0].cursor, std::nullopt);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(Button(*form, "BExportar")->isEnabled());
    EXPECT_FALSE(Button(*form, "BImportar")->isEnabled());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(state.ResultCode, 1);
    const auto lint = test::RunCommand("xmllint --noout " + test::Quoted(ExportResult()));
    EXPECT_EQ(lint.exitCode, 0) << lint.err;
    EXPECT_NE(test::ReadFile(ExportResult()).find("HORARIOS_REGULARES"), std::string::npos);
    EXPECT_FALSE(fs::exists(HostFile()));
}

TEST_F(MainWindowTest, HostModeImportarExportsAndClosesWithOne) {
    dialogs.fileAnswers = {ImportedDemoSchool()};
    auto form = Open({"IMPORTAR", "1a2b"});
    EXPECT_EQ(dialogs.Texts(), QStringList{kFinished});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed->count(), 1);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=1\r\n");
    EXPECT_TRUE(fs::exists(ExportResult()));
}

TEST_F(MainWindowTest, ACancelledDialogOutsideHostModeLeavesTheWindowUsable) {
    dialogs.fileAnswers = {std::nullopt, std::nullopt};
    auto form = Open();
    Button(*form, "BExportar")->click();
    Button(*form, "BImportar")->click();
    EXPECT_EQ(dialogs.Texts(), (QStringList{kNoFile, kNoFile}));
    EXPECT_TRUE(Button(*form, "BExportar")->isEnabled());
    EXPECT_TRUE(Button(*form, "BImportar")->isEnabled());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(state.ResultCode, 0);
    Button(*form, "BClose")->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed->count(), 1);
    EXPECT_FALSE(fs::exists(HostFile()));  // not host mode: nothing written
}

TEST_F(MainWindowTest, HostModeCancelledDialogLeavesMinusOneAndCloses) {
    test::WriteFile(HostFile(), "[Morvalen]\r\nRuta=C:\\MTEMP\r\n[Transformadores]\r\nTransformado=1\r\n");
    dialogs.fileAnswers = {std::nullopt};
    auto form = Open({"EXPORTAR", "1a2b"});  // the action word's letter case does not matter
    EXPECT_TRUE(state.HostMode);
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);  // the import started by itself
    EXPECT_EQ(dialogs.Texts(), QStringList{kNoFile});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed->count(), 1);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Morvalen]\r\nRuta=C:\\MTEMP\r\n[Transformadores]\r\nTransformado=-1\r\n");
}

TEST_F(MainWindowTest, HostModeMissingCatalogueKeepsTheWindowOpenAndClosingWritesZero) {
    fs::remove(Program() / "NIVELEX.DBF");
    dialogs.fileAnswers = {Sample()};
    auto form = Open({"exportar", "00400003"});
    EXPECT_EQ(dialogs.Texts(), QStringList{QString::fromUtf8("ATENCI\xC3\x93N - NIVELEX.DBF No encontrado - Reinstale VINDELEO")});
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(Button(*form, "BExportar")->isEnabled());
    EXPECT_TRUE(test::FileNames(Working()).empty());
    EXPECT_FALSE(fs::exists(HostFile()));
    Button(*form, "BClose")->click();
    EXPECT_EQ(closed->count(), 1);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(MainWindowTest, HostModeFinishedImportClosesWithOne) {
    dialogs.fileAnswers = {Sample()};
    auto form = Open({"exportar", "1a2b"});
    EXPECT_EQ(dialogs.choosers, 1);
    EXPECT_EQ(dialogs.Texts(), QStringList{kFinished});
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed->count(), 1);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=1\r\n");
    EXPECT_EQ(Column("PERIODOS", "CJORNADA"), std::vector<std::string>{"J1"});  // Continuar on the first code
}

TEST_F(MainWindowTest, AnErrorEndsTheRunInTheErrorBox) {
    test::WriteFile(dir / "malo.xml",
                    "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"CURSOS_DEL_CENTRO\"><grupo_datos>"
                    "<dato> 1a </dato><dato>1\xC2\xBA ESO</dato></grupo_datos></grupo_datos></BLOQUE_DATOS></SERVICIO>");
    dialogs.fileAnswers = {QString::fromStdString((dir / "malo.xml").string())};
    auto form = Open({"exportar", "1a2b"});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const test::ShownBox& box = dialogs.boxes[0];
    EXPECT_EQ(box.text, QString::fromUtf8("'1a' no es un valor entero v\xC3\xA1lido."));  // the full stop added
    EXPECT_EQ(box.title, "Vindeleo");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QStringList{"OK"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The window stays open, usable, and the result is still 0.
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(Button(*form, "BExportar")->isEnabled());
    EXPECT_TRUE(Button(*form, "BImportar")->isEnabled());
    form->close();
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(MainWindowTest, ASecondArgumentThatIsNotHexadecimal) {
    dialogs.fileAnswers = {std::nullopt};
    auto form = Open({"importar", "zz"});
    // The error box at creation, then the ordinary window, whose run still starts.
    ASSERT_GE(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QString::fromUtf8("'$zz' no es un valor entero v\xC3\xA1lido."));
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(state.HostMode);
    EXPECT_FALSE(form->Embedded());
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.Texts().mid(1), QStringList{kNoFile});
    EXPECT_TRUE(form->isVisible());  // no document outside host mode: the window stays
    EXPECT_EQ(state.ResultCode, 0);
    form->close();
    EXPECT_FALSE(fs::exists(HostFile()));
}

TEST_F(MainWindowTest, OnlyExactlyTwoArgumentsCount) {
    using Arguments = std::vector<std::string>;
    for (const Arguments& arguments : {Arguments{"exportar"}, Arguments{"exportar", "1a2b", "x"}}) {
        auto form = Open(arguments);
        EXPECT_TRUE(dialogs.fileDialogs.empty()) << arguments.size();
        EXPECT_FALSE(state.HostMode);
        form->close();
        EXPECT_FALSE(fs::exists(HostFile()));
    }
    auto form = Open({"abrir", "1a2b"});  // host mode, no run
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_TRUE(state.HostMode);
    EXPECT_TRUE(dialogs.boxes.empty());
    Button(*form, "BClose")->click();
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(MainWindowTest, AHostResultThatCannotBeWrittenIsReportedAndTheWindowStillCloses) {
    fs::create_directory(HostFile());  // stands where the file should be
    auto form = Open({"abrir", "1a2b"});
    Button(*form, "BClose")->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QString::fromStdString("Unable to write to " + HostFile().string() + "."));
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed->count(), 1);
}

TEST_F(MainWindowTest, HelpOpensTheHelpFileBesideTheProgram) {
    auto form = Open();
    // No help file: a message naming it.
    Button(*form, "Button1")->click();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(dialogs.Texts(), QStringList{QString::fromStdString("No se encuentra el archivo de ayuda " +
                                                                  (Program() / "SIRAVEL.chm").string())});
    EXPECT_EQ(dialogs.boxes[0].buttons, QStringList{"Aceptar"});

    test::WriteFile(Program() / "SIRAVEL.chm", "ITSF");
    Button(*form, "Button1")->click();
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_F1);
    ASSERT_EQ(opened.size(), 2u);
    for (const QUrl& url : opened) EXPECT_EQ(url, QUrl::fromLocalFile(QString::fromStdString((Program() / "SIRAVEL.chm").string())));

    // No handler for the file and no guide beside the program: nothing happens.
    helpHandler = false;
    Button(*form, "Button1")->click();
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(MainWindowTest, WithoutAHandlerForTheHelpFileTheGuidesIndexOpensInTheBrowser) {
    const QUrl chm = QUrl::fromLocalFile(QString::fromStdString((Program() / "SIRAVEL.chm").string()));
    const QUrl index = QUrl::fromLocalFile(QString::fromStdString((Program() / "ayuda" / "index.html").string()));
    test::WriteFile(Program() / "SIRAVEL.chm", "ITSF");
    fs::create_directories(Program() / "ayuda");
    test::WriteFile(Program() / "ayuda" / "index.html", "<html></html>");
    helpHandler = false;
    auto form = Open();

    // The help button and F1 alike: the help file is offered first, then the
    // guide's index.
    Button(*form, "Button1")->click();
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_F1);
    EXPECT_EQ(opened, (std::vector<QUrl>{chm, index, chm, index}));
    EXPECT_TRUE(dialogs.boxes.empty());

    // With a handler for the help file the guide is not opened.
    opened.clear();
    helpHandler = true;
    Button(*form, "Button1")->click();
    EXPECT_EQ(opened, std::vector<QUrl>{chm});

    // No browser either: nothing happens, no message.
    opened.clear();
    helpHandler = false;
    browser = false;
    Button(*form, "Button1")->click();
    EXPECT_EQ(opened, (std::vector<QUrl>{chm, index}));
    EXPECT_TRUE(dialogs.boxes.empty());

    // The help file missing: the message naming it, even with the guide there.
    fs::remove(Program() / "SIRAVEL.chm");
    opened.clear();
    Button(*form, "Button1")->click();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(dialogs.Texts(), QStringList{QString::fromStdString("No se encuentra el archivo de ayuda " +
                                                                  (Program() / "SIRAVEL.chm").string())});
}

// What the window's handlers let through when something unexpected is thrown
// (not the system's own Error): the text of the error box.
struct Unexpected {
    const char* what;
    std::function<void()> raise;
    QString shown;
};
const Unexpected kUnexpected[] = {
    {"out of memory", [] { throw std::bad_alloc(); },
     QStringLiteral("No hay memoria suficiente para terminar el trabajo.")},
    {"a library's exception", [] { throw std::runtime_error("fallo de prueba"); }, QStringLiteral("fallo de prueba.")},
    {"no exception class", [] { throw 42; },
     QStringLiteral("Se ha producido un error inesperado y el trabajo se ha detenido.")},
};

// An exception in the middle of a run ends the run in the error box, tables
// untouched; the window stays, usable, and the next run finishes.
TEST_F(MainWindowTest, AnUnexpectedExceptionInARunIsShownAndTheWindowStaysUsable) {
    auto form = Open();
    for (const Unexpected& unexpected : kUnexpected) {
        SCOPED_TRACE(unexpected.what);
        dialogs.boxes.clear();
        dialogs.fileAnswers = {Sample()};
        dialogs.chooserScript = [&](TPlantillas&) { unexpected.raise(); };
        Button(*form, "BExportar")->click();
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, unexpected.shown);
        EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Critical);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(Button(*form, "BExportar")->isEnabled());
        EXPECT_EQ(state.ResultCode, 0);
        EXPECT_TRUE(test::FileNames(Working()).empty()) << "the run left files behind";
    }
    dialogs.boxes.clear();
    dialogs.fileAnswers = {Sample()};
    dialogs.chooserScript = nullptr;
    Button(*form, "BExportar")->click();
    EXPECT_EQ(dialogs.Texts(), QStringList{kFinished});
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_EQ(Column("PERIODOS", "CJORNADA"), std::vector<std::string>{"J1"});
}

// The help button, and F1 on the chooser's window in the middle of a run
// (through Qt's own event dispatch): what the help lets through is shown in
// the error box and goes no further; the run goes on to its end.
TEST_F(MainWindowTest, AnUnexpectedExceptionOfTheHelpIsShownAndGoesNoFurther) {
    test::WriteFile(Program() / "SIRAVEL.chm", "ITSF");
    auto form = Open();
    for (const Unexpected& unexpected : kUnexpected) {
        SCOPED_TRACE(unexpected.what);
        dialogs.boxes.clear();
        onOpen = unexpected.raise;
        Button(*form, "Button1")->click();
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, unexpected.shown);
        EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Critical);
        EXPECT_TRUE(form->isVisible());
    }

    dialogs.boxes.clear();
    onOpen = [] { throw 42; };
    dialogs.fileAnswers = {Sample()};
    dialogs.chooserScript = [&](TPlantillas& chooser) {
        chooser.activateWindow();
        QApplication::setActiveWindow(&chooser);
        QTest::keyClick(&chooser, Qt::Key_F1);
        EXPECT_EQ(dialogs.Texts(),
                  QStringList{QStringLiteral("Se ha producido un error inesperado y el trabajo se ha detenido.")});
    };
    Button(*form, "BExportar")->click();
    EXPECT_EQ(dialogs.Texts(), (QStringList{QStringLiteral("Se ha producido un error inesperado y el trabajo se ha "
                                                           "detenido."),
                                            kFinished}));
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace vindeleo
