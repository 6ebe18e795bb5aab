#include <gtest/gtest.h>

#include "session/ModuleState.h"
#include "import/ImportRun.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"
#include "tables/Table.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ExchangeXml;
using test::Section;

const char* const kRebuilt[] = {"ASIGNOMT", "PROFT",       "AULAT",    "CURSOST", "GRUPOST",
                                "ASIGT",    "DIASHORAST", "DIASHORAST2", "PERIODOS"};

// A working directory holding the tables of an earlier import, a program
// directory with a catalogue, and a window state over both.
class ImportRunTest : public ::testing::Test {
protected:
    ImportRunTest() {
        fs::create_directories(Working());
        fs::create_directories(Program());
        test::WriteCatalogue(Program(), {{3101, "ESO", "Educaci\xF3n Secundaria - 1"}});
        for (const char* name : kRebuilt) test::WriteFile(Working() / (std::string(name) + ".DBF"), "old");
        test::WriteFile(Working() / "asigt.mdx", "old index");
        test::WriteFile(Working() / "JORNADAS.DBF", "old");
        test::WriteFile(Working() / "SOLUC.DBF", "timetable");
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
    }

    fs::path Working() const { return dir / "drive_c" / "MTEMP"; }
    fs::path Program() const { return dir / "program"; }

    std::string WriteDocument(const std::string& xml) {
        const fs::path file = dir / "escuela.xml";
        test::WriteFile(file, xml);
        return file.string();
    }

    static std::string GoodDocument() {
        return ExchangeXml({{"MATERIAS", {{"3101", "M1", "Matem\xE1ticas"}}},
                            {"ACTIVIDADES", {{"A", "GUA", "Guardia"}}},
                            {"EMPLEADOS", {{"E1", "01/09/2020", "Ciencias", "Garc\xED" "a", "L\xF3pez", "Juan"}}},
                            {"DEPENDENCIAS", {{"A1", "Aula 1"}}},
                            {"CURSOS_DEL_CENTRO", {{"3101", "1\xBA ESO"}}},
                            {"UNIDADES", {{"U1", "1\xBA ESO A", "3101"}}},
                            {"JORNADAS_ESCOLARES", {{"J1", "Ma\xF1" "ana", "15/09/2026", "23/06/2027"}}},
                            {"TRAMOS_HORARIOS", {{"T1", "1\xAA", "480", "535", "J1"}}}});
    }

    // Runs the import as a front end does: an error goes to the error box.
    void Run() {
        try {
            RunImport(state, ui);
        } catch (const Error& error) {
            ui.ShowError(ErrorBoxText(error.what()));
        }
    }

    void ExpectStoppedWithTablesUntouched(const std::map<std::string, std::string>& before) {
        EXPECT_EQ(test::Snapshot(Working()), before);  // no table changed, no staging left
        EXPECT_EQ(state.ResultCode, 0);
        EXPECT_TRUE(state.RunButtonsEnabled);
        EXPECT_FALSE(ui.closed);
        EXPECT_FALSE(ui.busy);
    }

    test::TempDir dir;
    ModuleState state;
    test::RecordingUi ui;
};

TEST_F(ImportRunTest, FinishedRunReplacesEveryTable) {
    ui.fileAnswer = WriteDocument(GoodDocument());
    Run();
    EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_FALSE(state.RunButtonsEnabled);
    EXPECT_FALSE(ui.closed);  // outside host mode the window stays open
    std::vector<std::string> expected = {"ASIGNOMT.DBF", "ASIGT.DBF",    "AULAT.DBF",   "COPIAS", "CURSOST.DBF",
                                         "DIASHORAST.DBF", "DIASHORAST2.DBF", "DIASHORAST2.MDX", "GRUPOST.DBF",
                                         "PERIODOS.DBF", "PROFT.DBF",    "SOLUC.DBF"};
    EXPECT_EQ(test::FileNames(Working()), expected);  // old index and JORNADAS gone (into the copy), SOLUC kept
    EXPECT_EQ(test::ReadFile(Working() / "SOLUC.DBF"), "timetable");
    for (const char* name : kRebuilt) {
        const auto contents = test::ReadWithDbfread(Working() / (std::string(name) + ".DBF"));
        EXPECT_FALSE(contents.fields.empty()) << name;
    }
    EXPECT_EQ(test::ReadWithDbfread(Working() / "ASIGT.DBF").records.size(), 1u);
    EXPECT_EQ(test::ReadWithDbfread(Working() / "DIASHORAST.DBF").records.size(), 7u);
}

TEST_F(ImportRunTest, HostModeClosesTheWindowAfterAFinishedRun) {
    state.HostMode = true;
    ui.fileAnswer = WriteDocument(GoodDocument());
    Run();
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_TRUE(ui.closed);
}

TEST_F(ImportRunTest, MissingDocument) {
    const auto before = test::Snapshot(Working());
    Run();  // dialog cancelled, no file ever chosen
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No existe archivo"});
    ExpectStoppedWithTablesUntouched(before);

    state.HostMode = true;
    ui.fileAnswer = (dir / "no-such.xml").string();
    Run();
    EXPECT_EQ(state.ResultCode, -1);
    EXPECT_TRUE(ui.closed);
}

TEST_F(ImportRunTest, CancelledDialogReusesTheEarlierDocument) {
    state.DocumentFile = WriteDocument(GoodDocument());
    state.XmlFileName = PathText(state.DocumentFile);
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
}

TEST_F(ImportRunTest, MissingCatalogue) {
    fs::remove(Program() / "NIVELEX.DBF");
    ui.fileAnswer = WriteDocument(GoodDocument());
    const auto before = test::Snapshot(Working());
    state.HostMode = true;
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"ATENCI\xD3N - NIVELEX.DBF No encontrado - Reinstale VINDELEO"});
    ExpectStoppedWithTablesUntouched(before);
}

TEST_F(ImportRunTest, DocumentsThatAreNoExchangeDocuments) {
    struct Case { std::string xml; std::string message; };
    const Case cases[] = {
        {"<SERVICIO>\n<BLOQUE_DATOS>\n</SERVICIO>\n",
         "ATENCI\xD3N - El archivo XML no es v\xE1lido (l\xEDnea 3, columna 12)"},
        {"<?xml version=\"1.0\"?><OTRO><BLOQUE_DATOS/></OTRO>",
         "ATENCI\xD3N - El archivo no es un documento de intercambio de Siravel. Elija el documento que Siravel "
         "exporta para el programa de horarios"},
    };
    for (const auto& c : cases) {
        ui.messages.clear();
        ui.fileAnswer = WriteDocument(c.xml);
        const auto before = test::Snapshot(Working());
        Run();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], c.message);
        ExpectStoppedWithTablesUntouched(before);
    }
}

TEST_F(ImportRunTest, ErrorsLeaveEveryTableAsItWas) {
    const std::string badCourse = ExchangeXml({{"MATERIAS", {{"3101", "M1", "Matem\xE1ticas"}}},
                                               {"CURSOS_DEL_CENTRO", {{"x", "1\xBA ESO"}}}});
    const std::string badSlot = ExchangeXml({{"JORNADAS_ESCOLARES", {{"J1", "Ma\xF1" "ana", "a", "b"}}},
                                             {"TRAMOS_HORARIOS", {{"T1", "1\xAA", "8:00", "535", "J1"}}}});
    // A thousand groups take every code of GRUPO_A (GRUPO_A, GRUPO_A1 ... GRUPO_A999).
    std::vector<std::vector<std::string>> sameGroups;
    for (int i = 0; i <= 1000; ++i) sameGroups.push_back({"U" + std::to_string(i), "GRUPO_A", "1"});
    const std::string tooManyGroups = ExchangeXml({{"UNIDADES", sameGroups}});
    const std::pair<std::string, std::string> cases[] = {
        {badCourse, "'x' no es un valor entero v\xE1lido."},
        {tooManyGroups, std::string("No quedan c\xF3" "digos libres de diez caracteres para 'GRUPO_A'. Cambie en "
                        "Siravel algunos de los nombres que empiezan igual y vuelva a importar.")},
        {badSlot, "'8:00' no es un valor entero v\xE1lido."},
    };
    for (const auto& [xml, error] : cases) {
        ui.errors.clear();
        ui.messages.clear();
        ui.fileAnswer = WriteDocument(xml);
        const auto before = test::Snapshot(Working());
        Run();
        EXPECT_EQ(ui.errors, std::vector<std::string>{error});
        EXPECT_TRUE(ui.messages.empty());
        ExpectStoppedWithTablesUntouched(before);
    }
}

TEST_F(ImportRunTest, MissingWorkingDirectoryIsAnError) {
    fs::remove_all(Working());
    ui.fileAnswer = WriteDocument(GoodDocument());
    Run();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("No existe la carpeta de trabajo"), std::string::npos);
    EXPECT_FALSE(fs::exists(Working()));  // the system never creates it
}

TEST_F(ImportRunTest, TheSecondRunOfASessionMakesTheSameCodes) {
    // A second run of one session makes the same codes as the first: the
    // first run's subject codes must not make them longer.
    ui.fileAnswer = WriteDocument(GoodDocument());
    Run();
    ui = test::RecordingUi{};
    ui.fileAnswer = WriteDocument(GoodDocument());
    Run();
    const auto subjects = test::ReadWithDbfread(Working() / "ASIGNOMT.DBF");
    ASSERT_EQ(subjects.records.size(), 2u);
    EXPECT_EQ(subjects.records[0].at("COD"), "Matem\xE1");
}

}  // namespace
}  // namespace vindeleo
