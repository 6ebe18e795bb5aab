// The copies window ("vindeleo copias") on Qt's offscreen platform: its list,
// "Restaurar" answered yes and no, a damaged copy, and "Revisar un
// documento..." against vindeleo-cli's check.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include "app/qt/CopiesForm.h"
#include "app/qt/DesktopSupport.h"
#include "app/qt/HelpViewer.h"
#include "import/ImportRun.h"
#include "session/CopiesSession.h"
#include "session/ModuleState.h"
#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ScriptedDialogs;
using test::Settle;

// The files of a folder but the copies (COPIAS) and a copy's description.
std::map<std::string, std::string> Tables(const fs::path& dir) {
    auto files = test::Snapshot(dir);
    std::erase_if(files, [](const auto& file) { return file.first.starts_with("COPIAS") || file.first == "COPIA.TXT"; });
    return files;
}

// The demo school imported twice into the working directory of a Wine-style
// prefix, as a.xml (template J2, over an old grid) and then b.xml (J1); the
// window over it, its dialogs answered by a script.
class CopiesWindowTest : public ::testing::Test {
protected:
    CopiesWindowTest() {
        fs::create_directories(Working());
        fs::create_directories(Program());
        fs::copy_file(test::BinaryDir() / "NIVELEX.DBF", Program() / "NIVELEX.DBF");
        for (const char* name : {"a.xml", "b.xml"})
            fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", dir / name);
        test::WriteFile(Working() / "JORNADAS.DBF", "an old grid that the import takes away");
        Import("a.xml", "J2");
        Import("b.xml", "J1");
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
    }

    fs::path Working() const { return dir / "drive_c" / "MTEMP"; }
    fs::path Program() const { return dir / "program"; }
    QString Document(const char* name) const { return QString::fromStdString((dir / name).string()); }

    void Import(const std::string& document, const std::string& templateCode) {
        ModuleState importState;
        importState.WorkingDirectory = Working();
        importState.ProgramDirectory = Program();
        test::RecordingUi importUi;
        importUi.fileAnswer = dir / document;
        importUi.templateAnswer = templateCode;
        RunImport(importState, importUi);
        ASSERT_EQ(importState.ResultCode, 1) << document;
    }

    std::unique_ptr<TCopiasForm> Open() {
        auto form = std::make_unique<TCopiasForm>(state, dialogs, help);
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
    static QTreeWidget* List(QWidget& form) { return Child<QTreeWidget>(form, "ListaCopias"); }
    // The texts of the list's rows, the columns separated by '|'.
    static QStringList Rows(QWidget& form) {
        QStringList rows;
        QTreeWidget* list = List(form);
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList columns;
            for (int c = 0; c < list->columnCount(); ++c) columns << list->topLevelItem(i)->text(c);
            rows << columns.join('|');
        }
        return rows;
    }
    static void Select(QWidget& form, int row) { List(form)->setCurrentItem(List(form)->topLevelItem(row)); }

    // Clicks the question box's button of that caption when it comes up.
    void Answer(const QString& caption) {
        dialogs.onBox = [caption](QMessageBox& box) {
            for (QAbstractButton* button : box.buttons())
                if (button->text() == caption && box.icon() == QMessageBox::Question) button->click();
        };
    }

    test::TempDir dir;
    ModuleState state;
    ScriptedDialogs dialogs;
    std::vector<QUrl> opened;
    HelpViewer help{Program(), [this](const QUrl& file) {
                        opened.push_back(file);
                        return true;
                    }};
};

TEST_F(CopiesWindowTest, TheWindowListsTheCopiesNewestFirst) {
    auto form = Open();
    EXPECT_EQ(form->windowTitle(), "Copias de las tablas");
    EXPECT_EQ(form->size(), QSize(632, 400));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(Child<QLabel>(*form, "LabelCopias")->text(),
              "Copias de las tablas que guarda cada importaci\u00f3n");
    EXPECT_EQ(Child<QWidget>(*form, "Draw3D2")->geometry(), QRect(0, 0, 632, 321));
    EXPECT_EQ(Child<QWidget>(*form, "Draw3D1")->geometry(), QRect(0, 320, 632, 80));
    EXPECT_EQ(Child<QPushButton>(*form, "BRestaurar")->text(), "&Restaurar");
    EXPECT_EQ(Child<QPushButton>(*form, "BRevisar")->text(), "Re&visar un documento...");
    EXPECT_EQ(Child<QPushButton>(*form, "BCerrar")->text(), "&Cerrar");
    const auto* openDialog = Child<QFileDialog>(*form, "OpenDialogXML");
    EXPECT_EQ(openDialog->windowTitle(), "Archivo XML");
    EXPECT_EQ(openDialog->nameFilters(), QStringList{"*.xml"});
    EXPECT_EQ(openDialog->defaultSuffix(), "xml");

    QTreeWidget* list = List(*form);
    EXPECT_EQ(list->headerItem()->text(0), "Fecha y hora");
    EXPECT_EQ(list->headerItem()->text(1), "Documento");
    EXPECT_EQ(list->headerItem()->text(2), "Tablas");
    EXPECT_EQ(list->headerItem()->text(3), "Estado");
    const QStringList rows = Rows(*form);
    ASSERT_EQ(rows.size(), 2);
    const QRegularExpression row("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\\|(.*)$");
    EXPECT_TRUE(row.match(rows[0]).hasMatch()) << rows[0].toStdString();
    EXPECT_TRUE(rows[0].endsWith("|b.xml|9|")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith("|a.xml|1|")) << rows[1].toStdString();
    // The newest stands selected, and can be put back.
    EXPECT_EQ(list->indexOfTopLevelItem(list->selectedItems().value(0)), 0);
    EXPECT_TRUE(Child<QPushButton>(*form, "BRestaurar")->isEnabled());

    // F1: the help file (the desktop's handler cannot be given a topic);
    // without it, a message names it.
    help.SetHelpFile("SIRAVEL.chm");
    form->activateWindow();
    QTest::keyClick(form.get(), Qt::Key_F1);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(dialogs.Texts(), QStringList{QString::fromStdString("No se encuentra el archivo de ayuda " +
                                                                  (Program() / "SIRAVEL.chm").string())});
    test::WriteFile(Program() / "SIRAVEL.chm", "ITSF");
    QTest::keyClick(form.get(), Qt::Key_F1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString((Program() / "SIRAVEL.chm").string())));

    QSignalSpy closed(form.get(), &TCopiasForm::Closed);
    Child<QPushButton>(*form, "BCerrar")->click();
    EXPECT_EQ(closed.count(), 1);
}

TEST_F(CopiesWindowTest, RestaurarAnsweredYesPutsBackTheOlderCopyAndNoTouchesNothing) {
    auto form = Open();
    const std::string older = form->Session().Rows()[1].label;
    const auto copied = Tables(Working() / "COPIAS" / older);
    const QString when = Rows(*form)[1].section('|', 0, 0);

    // No: nothing touched, nothing else shown.
    Select(*form, 1);
    Answer("&No");
    const auto before = test::SnapshotWithTimes(Working());
    Child<QPushButton>(*form, "BRestaurar")->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "\u00bfVolver a poner las tablas de la copia del " + when +
                                         " (a.xml)? Las tablas de ahora se guardan en una copia nueva.");
    EXPECT_EQ(dialogs.boxes[0].buttons, (QStringList{"&S\u00ed", "&No"}));
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);
    EXPECT_EQ(Rows(*form).size(), 2);

    // Yes: the tables are the copy's byte for byte, the restore tells its
    // message with the normal cursor, and the list shows the new copy.
    Answer("&S\u00ed");
    Child<QPushButton>(*form, "BRestaurar")->click();
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(Tables(Working()), copied);
    EXPECT_EQ(copied, (std::map<std::string, std::string>{{"JORNADAS.DBF", "an old grid that the import takes away"}}));
    const QStringList rows = Rows(*form);
    ASSERT_EQ(rows.size(), 3);
    const std::string newest = form->Session().Rows()[0].label;
    EXPECT_EQ(dialogs.boxes[2].text.toStdString(), "Restaurada la copia " + older +
                                                       ". Las tablas que sustituye se guardan en la copia " + newest);
    EXPECT_FALSE(dialogs.boxes[2].cursor.has_value());
    EXPECT_TRUE(rows[0].endsWith(QString::fromStdString("|restauraci\u00f3n de " + older + "|9|"))) << rows[0].toStdString();
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(CopiesWindowTest, ADamagedCopyIsListedUnusableAndCannotBeRestored) {
    const std::string label = [&] {
        auto form = Open();
        return form->Session().Rows()[0].label;
    }();
    const fs::path kept = Working() / "COPIAS" / label / "PROFT.DBF";
    const std::string bytes = test::ReadFile(kept);
    test::WriteFile(kept, bytes.substr(0, bytes.size() - 1));

    auto form = Open();
    const QStringList rows = Rows(*form);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].endsWith("||no utilizable: el archivo PROFT.DBF est\u00e1 da\u00f1ado o incompleto"))
        << rows[0].toStdString();
    Select(*form, 0);
    EXPECT_FALSE(Child<QPushButton>(*form, "BRestaurar")->isEnabled());
    const auto before = test::SnapshotWithTimes(Working());
    form->BRestaurarClick();  // as if the button could be pressed
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);
    Select(*form, 1);
    EXPECT_TRUE(Child<QPushButton>(*form, "BRestaurar")->isEnabled());
}

TEST_F(CopiesWindowTest, RevisarShowsTheChecksReportAsTheCommandLineDoes) {
    auto form = Open();
    const auto before = test::SnapshotWithTimes(Working());
    dialogs.fileAnswers = {Document("a.xml"), Document("informe.txt")};
    QString shown;
    bool readOnly = false;
    dialogs.windowScript = [&](QDialog& report) {
        EXPECT_EQ(report.windowTitle(), "Comprobaci\u00f3n de la importaci\u00f3n");
        auto* memo = report.findChild<QPlainTextEdit*>(QStringLiteral("MemoInforme"));
        ASSERT_TRUE(memo);
        shown = memo->toPlainText();
        readOnly = memo->isReadOnly();
        report.findChild<QPushButton*>(QStringLiteral("BCopiar"))->click();
        report.findChild<QPushButton*>(QStringLiteral("BGuardar"))->click();
    };
    Child<QPushButton>(*form, "BRevisar")->click();
    EXPECT_EQ(dialogs.windows, 1);
    EXPECT_EQ(dialogs.choosers, 1);  // the template chooser, as in the import
    ASSERT_EQ(dialogs.fileDialogs.size(), 2u);
    EXPECT_EQ(dialogs.fileDialogs[0].title, "Archivo XML");
    EXPECT_EQ(dialogs.fileDialogs[1].title, "Guardar el informe");
    EXPECT_EQ(dialogs.fileDialogs[1].acceptMode, QFileDialog::AcceptSave);
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.Texts().join('\n').toStdString();

    // The report is the command line's, line for line (the chooser's first
    // template there too).
    const auto cli = test::RunCli(dir.Path(), "check " + test::Quoted(dir / "a.xml"));
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    EXPECT_EQ(shown.toStdString() + "\n", cli.out);
    EXPECT_NE(cli.out.find("PROFT"), std::string::npos);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), shown);
    std::string saved = cli.out;
    for (std::size_t at = 0; (at = saved.find('\n', at)) != std::string::npos; at += 2) saved.replace(at, 1, "\r\n");
    EXPECT_EQ(test::ReadFile(dir / "informe.txt"), saved);

    // A document that the import refuses: its message, no report.
    test::WriteFile(dir / "roto.xml", "<DATOS><FILA></DATOS>");
    dialogs.fileAnswers = {Document("roto.xml")};
    Child<QPushButton>(*form, "BRevisar")->click();
    EXPECT_EQ(dialogs.windows, 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith("ATENCI\u00d3N - El archivo XML no es v\u00e1lido"))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);
}

}  // namespace
}  // namespace vindeleo
