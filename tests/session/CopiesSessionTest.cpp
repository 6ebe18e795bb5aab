#include <gtest/gtest.h>

#include <regex>

#include "import/ImportCheck.h"
#include "import/ImportRun.h"
#include "import/RestoreRun.h"
#include "session/CopiesSession.h"
#include "session/ModuleState.h"
#include "support/TestSupport.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// The copies window without a toolkit: records what it is shown and asked,
// answers the question from its field.
class RecordingWindow : public CopiesWindow {
public:
    bool answer = true;
    std::vector<std::vector<CopyRow>> shownRows;
    std::vector<std::string> questions;
    std::vector<std::vector<std::string>> reports;

    void ShowRows(const std::vector<CopyRow>& rows) override { shownRows.push_back(rows); }
    bool Confirm(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }
    void ShowReport(const std::vector<std::string>& lines) override { reports.push_back(lines); }
};

// The files of a folder but the copies (COPIAS) and a copy's description.
std::map<std::string, std::string> Tables(const fs::path& dir) {
    auto files = test::Snapshot(dir);
    std::erase_if(files, [](const auto& file) { return file.first.starts_with("COPIAS") || file.first == "COPIA.TXT"; });
    return files;
}

// A working directory in which the demo school was imported twice: a.xml
// with the template J2 over an old grid, then b.xml with J1. The window's
// session over it.
class CopiesSessionTest : public ::testing::Test {
protected:
    CopiesSessionTest() {
        fs::create_directories(Working());
        fs::create_directories(Program());
        fs::copy_file(test::BinaryDir() / "NIVELEX.DBF", Program() / "NIVELEX.DBF");
        for (const char* name : {"a.xml", "b.xml"})
            fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", dir / name);
        test::WriteFile(Working() / "JORNADAS.DBF", "an old grid that the import takes away");
        Import("a.xml", "J2");
        afterA = Tables(Working());
        Import("b.xml", "J1");
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
    }

    fs::path Working() const { return dir / "MTEMP"; }
    fs::path Program() const { return dir / "program"; }

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

    test::TempDir dir;
    std::map<std::string, std::string> afterA;
    ModuleState state;
    test::RecordingUi ui;
    RecordingWindow window;
    CopiesSession session{state, ui, window, &RunRestore, &RunCheck};
};

TEST_F(CopiesSessionTest, ListsTheCopiesNewestFirstAsTheCommandLineDoes) {
    // A run that failed and left its undo for the next run stands first.
    fs::create_directory(Working() / ".vindeleo-1");
    test::WriteFile(Working() / ".vindeleo-1" / "EN_CURSO", "");
    test::WriteFile(Working() / ".vindeleo-1" / "DESHACER", "");
    session.Refresh();
    ASSERT_EQ(window.shownRows.size(), 1u);
    const std::vector<CopyRow>& rows = session.Rows();
    EXPECT_EQ(window.shownRows[0].size(), rows.size());
    ASSERT_EQ(rows.size(), 3u);

    EXPECT_FALSE(rows[0].IsCopy());
    EXPECT_FALSE(session.CanRestore(0));
    EXPECT_EQ(CopyRowTexts(rows[0]),
              (std::array<std::string, kCopyColumns>{"", "", "", 
                  "importaci\xF3n fallida: sus tablas anteriores se volver\xE1n a poner al empezar la pr\xF3xima "
                  "importaci\xF3n, exportaci\xF3n o restauraci\xF3n"}));
    EXPECT_EQ(CopyRowTexts(rows[1])[1], "b.xml");
    EXPECT_EQ(CopyRowTexts(rows[1])[2], "9");  // the nine tables that a.xml built
    EXPECT_EQ(CopyRowTexts(rows[2])[1], "a.xml");
    EXPECT_EQ(CopyRowTexts(rows[2])[2], "1");  // the old grid
    for (int i : {1, 2}) {
        EXPECT_TRUE(session.CanRestore(i));
        EXPECT_EQ(CopyRowTexts(rows[i])[3], "");
        EXPECT_TRUE(std::regex_match(rows[i].when, std::regex("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d"))) << rows[i].when;
    }
    EXPECT_GE(rows[1].label, rows[2].label);

    // The command line lists the same rows, each a line.
    ui.messages.clear();
    RunListCopies(state, ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], rows[0].note + "\n" + rows[1].label + "  " + rows[1].when + "  b.xml  9 tablas\n" +
                                  rows[2].label + "  " + rows[2].when + "  a.xml  1 tabla");
    EXPECT_FALSE(session.CanRestore(3));
    EXPECT_FALSE(session.CanRestore(-1));
}

TEST_F(CopiesSessionTest, RestoreAnsweredYesPutsBackTheCopyAndListsTheNewOne) {
    session.Refresh();
    ASSERT_EQ(session.Rows().size(), 2u);
    const CopyRow older = session.Rows()[1];
    const auto copied = Tables(Working() / "COPIAS" / older.label);
    const auto afterB = Tables(Working());

    session.Restore(1);
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0], "\xBFVolver a poner las tablas de la copia del " + older.when +
                                       " (a.xml)? Las tablas de ahora se guardan en una copia nueva.");
    EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_EQ(Tables(Working()), copied);  // byte for byte the copy: the old grid, no table of the imports
    EXPECT_EQ(copied, (std::map<std::string, std::string>{{"JORNADAS.DBF", "an old grid that the import takes away"}}));
    EXPECT_FALSE(ui.busy);

    // The restore's own message, and the list read again with the new copy on top.
    ASSERT_EQ(window.shownRows.size(), 2u);
    const std::vector<CopyRow>& rows = session.Rows();
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Restaurada la copia " + older.label + ". Las tablas que sustituye se guardan en la copia " +
                                  rows[0].label);
    EXPECT_EQ(CopyRowTexts(rows[0])[1], "restauraci\xF3n de " + older.label);
    EXPECT_EQ(Tables(Working() / "COPIAS" / rows[0].label), afterB);

    // "No" touches nothing.
    window.answer = false;
    const auto before = test::SnapshotWithTimes(Working());
    session.Restore(0);
    EXPECT_EQ(window.questions.size(), 2u);
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(window.shownRows.size(), 2u);
}

TEST_F(CopiesSessionTest, ADamagedCopyIsListedUnusableAndIsNotRestored) {
    session.Refresh();
    const std::string label = session.Rows()[0].label;
    const fs::path kept = Working() / "COPIAS" / label / "PROFT.DBF";
    const std::string bytes = test::ReadFile(kept);
    test::WriteFile(kept, bytes.substr(0, bytes.size() - 1));

    session.Refresh();
    ASSERT_EQ(session.Rows().size(), 2u);
    EXPECT_FALSE(session.CanRestore(0));
    EXPECT_EQ(CopyRowTexts(session.Rows()[0])[3],
              "no utilizable: el archivo PROFT.DBF est\xE1 da\xF1" "ado o incompleto");
    const auto before = test::SnapshotWithTimes(Working());
    session.Restore(0);
    EXPECT_TRUE(window.questions.empty());
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);

    // A byte changed, the size kept: listed whole, but the restore finds the
    // fault, says so and touches nothing.
    std::string spoilt = bytes;
    spoilt[spoilt.size() / 2] ^= 1;
    test::WriteFile(kept, spoilt);
    session.Refresh();
    ASSERT_TRUE(session.CanRestore(0));
    const auto unchanged = test::Snapshot(Working());
    session.Restore(0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "ATENCI\xD3N - La copia " + label + " no se puede restaurar: el archivo PROFT.DBF " +
                                  "est\xE1 da\xF1" "ado o incompleto. Las tablas no se han tocado; elija otra copia de la lista");
    EXPECT_EQ(test::Snapshot(Working()), unchanged);
}

TEST_F(CopiesSessionTest, TheCheckShowsItsReportOrTheImportsMessage) {
    const auto before = test::SnapshotWithTimes(Working());
    ui.fileAnswer = dir / "a.xml";
    ui.templateAnswer = "J2";
    session.Check();
    ASSERT_EQ(window.reports.size(), 1u);
    ModuleState cliState;
    cliState.WorkingDirectory = Working();
    cliState.ProgramDirectory = Program();
    EXPECT_EQ(window.reports[0], *RunCheck(cliState, ui));
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);
    EXPECT_TRUE(ui.messages.empty());

    // A document that the import refuses: its message, no report.
    test::WriteFile(dir / "broken.xml", "<DATOS><FILA></DATOS>");
    ui.fileAnswer = dir / "broken.xml";
    session.Check();
    EXPECT_EQ(window.reports.size(), 1u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].starts_with("ATENCI\xD3N - El archivo XML no es v\xE1lido")) << ui.messages[0];
    EXPECT_EQ(test::SnapshotWithTimes(Working()), before);

    // Saved as text: UTF-8, CR LF.
    CopiesSession::SaveReport(dir / "informe.txt", {"Comprobaci\xF3n", "", "fin"});
    EXPECT_EQ(test::ReadFile(dir / "informe.txt"), "Comprobaci\xC3\xB3n\r\n\r\nfin\r\n");
    EXPECT_THROW(CopiesSession::SaveReport(dir / "missing" / "informe.txt", {"x"}), Error);
}

TEST_F(CopiesSessionTest, ACopiesFolderThatIsNoFolderGoesToTheErrorBox) {
    fs::remove_all(Working() / "COPIAS");
    test::WriteFile(Working() / "COPIAS", "a file");
    session.Refresh();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("no es una carpeta"), std::string::npos) << ui.errors[0];
    ASSERT_EQ(window.shownRows.size(), 1u);
    EXPECT_TRUE(window.shownRows[0].empty());
}

TEST(CopiesWindowArgumentsTest, OnlyTheOneWordCopiasOpensTheCopiesWindow) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"copias"}, {"COPIAS"}, {"Copias"}, {"cOpIaS"}})
        EXPECT_TRUE(AsksForCopiesWindow(arguments)) << arguments[0];
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {"copias", "2A0F6"}, {"copia"}, {"copias "}, {"exportar"}, {"copias", "a", "b"}})
        EXPECT_FALSE(AsksForCopiesWindow(arguments)) << arguments.size();
}

}  // namespace
}  // namespace vindeleo
