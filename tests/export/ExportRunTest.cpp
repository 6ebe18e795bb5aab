#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>

#include "document/DocumentSupport.h"
#include "export/ExportSupport.h"
#include "export/TeacherTimetables.h"

namespace vindeleo {
namespace {

using test::exporting::ExportFixture;
using test::exporting::ReadTeacherGroups;
using test::exporting::Records;
using test::exporting::SolucLayout;
using test::exporting::Teachers;
using test::exporting::WriteTable;

class ExportRunTest : public ExportFixture {};

// Three teachers: the first with two lessons, the second with none, the third
// with one. The whole saved text, apart from the moment in fecha.
TEST_F(ExportRunTest, WritesTheWorkedExampleOfThreeTeachers) {
    WriteTable(Working(), layouts::Proft(),
               Teachers({{{"ANA", "E1", "01/09/2015"}}, {{"BEA", "E2", ""}}, {{"CID", "E3", "01/09/2020"}}}));
    WriteTable(Working(), SolucLayout(),
               {{"ANA", "1", "1", "MAT", "1A", "", "A1"},
                {"CID", "2", "1", "MAT", "1A", "", ""},
                {"ANA", "2", "1", "MAT", "1A", "", "A1"}});
    WriteTable(Working(), layouts::Asigt(), {{"MAT", "", "1A", "", "", "", "", "", "4", "", "", "M1", "3101", "1"}});
    WriteTable(Working(), layouts::Grupost(), {{"1A", "", "ESO", "1", "A", "U1", "3101", ""}});
    WriteTable(Working(), layouts::Diashorast(),
               {{"11", "T1", "1", "", "1", "1\xAA", "08:00", "08:55", "55"},
                {"21", "T1", "2", "", "1", "1\xAA", "08:00", "08:55", "55"}});
    Run();
    ASSERT_EQ(ui.errors, std::vector<std::string>{});

    std::string saved = test::ReadFile(Result());
    saved = std::regex_replace(saved, std::regex("fecha=\"[^\"]*\""), "fecha=\"*\"");
    const std::string lesson1 =
        "        <grupo_datos seq=\"ACTIVIDAD_1\">\n"
        "          <dato nombre_dato=\"N_DIASEMANA\">1</dato>\n"
        "          <dato nombre_dato=\"X_TRAMO\">T1</dato>\n"
        "          <dato nombre_dato=\"X_DEPENDENCIA\">A1</dato>\n"
        "          <dato nombre_dato=\"X_UNIDAD\">U1</dato>\n"
        "          <dato nombre_dato=\"X_OFERTAMATRIG\">3101</dato>\n"
        "          <dato nombre_dato=\"X_MATERIAOMG\">M1</dato>\n"
        "          <dato nombre_dato=\"F_INICIO\">15/09/2026</dato>\n"
        "          <dato nombre_dato=\"F_FIN\">23/06/2027</dato>\n"
        "          <dato nombre_dato=\"N_HORINI\">480</dato>\n"
        "          <dato nombre_dato=\"N_HORFIN\">535</dato>\n"
        "          <dato nombre_dato=\"X_ACTIVIDAD\">1</dato>\n"
        "        </grupo_datos>\n";
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<SERVICIO modulo=\"HORARIOS\" tipo=\"I\" autor=\"HORARIOS\" fecha=\"*\">\n"
        "  <BLOQUE_DATOS>\n"
        "    <grupo_datos seq=\"ANNO_ACADEMICO\">\n"
        "      <dato nombre_dato=\"C_ANNO\">2026/</dato>\n"
        "    </grupo_datos>\n"
        "    <grupo_datos seq=\"HORARIOS_REGULARES\" registros=\"3\">\n"
        "      <grupo_datos seq=\"HORARIO_REGULAR_PROFESOR_1\" registros=\"2\">\n"
        "        <dato nombre_dato=\"X_EMPLEADO\">E1</dato>\n"
        "        <dato nombre_dato=\"F_TOMAPOS\">01/09/2015</dato>\n" +
        lesson1 +
        std::regex_replace(std::regex_replace(lesson1, std::regex("ACTIVIDAD_1"), "ACTIVIDAD_2"),
                           std::regex("N_DIASEMANA\">1"), "N_DIASEMANA\">2") +
        "      </grupo_datos>\n"
        "      <grupo_datos seq=\"HORARIO_REGULAR_PROFESOR_2\" registros=\"0\">\n"
        "        <dato nombre_dato=\"X_EMPLEADO\">E2</dato>\n"
        "        <dato nombre_dato=\"F_TOMAPOS\"/>\n"
        "      </grupo_datos>\n"
        "      <grupo_datos seq=\"HORARIO_REGULAR_PROFESOR_3\" registros=\"1\">\n"
        "        <dato nombre_dato=\"X_EMPLEADO\">E3</dato>\n"
        "        <dato nombre_dato=\"F_TOMAPOS\">01/09/2020</dato>\n" +
        std::regex_replace(std::regex_replace(lesson1, std::regex("N_DIASEMANA\">1"), "N_DIASEMANA\">2"),
                           std::regex("X_DEPENDENCIA\">A1</dato>"), "X_DEPENDENCIA\"/>") +
        "      </grupo_datos>\n"
        "    </grupo_datos>\n"
        "  </BLOQUE_DATOS>\n"
        "</SERVICIO>\n";
    EXPECT_EQ(saved, expected);

    EXPECT_EQ(test::XmllintComplaint(Result()), "");
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_FALSE(state.RunButtonsEnabled);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_FALSE(ui.busy);
    EXPECT_FALSE(ui.closed);
}

// One school that holds the cases of the lookups at once; each lesson is
// checked by the values that its case decides.
class ExportLookupTest : public ExportFixture {
protected:
    ExportLookupTest() {
        WriteTable(Working(), layouts::Proft(),
                   Teachers({{{"O'NEIL", "E1", "F1"}}, {{"DUP", "E2", "F2"}}, {{"DUP", "E3", "F3"}},
                             {{"O", "E4", "F4"}}}));
        WriteTable(Working(), SolucLayout(),
                   {
                       {"O'NEIL", "1", "1", "MAT", "1A", "", "A1"},         // ordinary lesson
                       {"O'NEIL", "0", "3", "MAT", "1A", "", "A1"},         // unplaced: skipped
                       {"O'NEIL", "1", "9", "MAT", "1B", "", "   "},        // no slot, no group, no assignment
                       {"O", "1", "1", "MAT", "1A", "", "A1"},              // another teacher's lesson
                       {"O'NEIL", "2", "10", "GUA", "", "", "A1"},          // task with its activity code
                       {"O'NEIL", "1", "1", "TUT", "", "", "A1"},           // task with a blank activity code
                       {"O'NEIL", "1", "1", "XYZ", "", "", "A1"},           // subject unknown to ASIGNOMT
                       {"O'NEIL", "1", "1", "MAT", "1A", " REU", "A1"},     // written task, leading blank kept
                       {"DUP", "2", "1", "MAT", "1A", "", " B2"},           // shared by both DUP teachers
                       {"o'neil", "1", "1", "MAT", "1A", "", "A1"},         // letter case differs: not O'NEIL's
                   });
        WriteTable(Working(), layouts::Asigt(),
                   {{"MAT", "", "1A", "", "", "", "", "", "4", "", "", "M1", "3101", "1"},
                    {"MAT", "", "1A", "", "", "", "", "", "4", "", "", "M2", "3102", "1"}});
        WriteTable(Working(), layouts::Asignomt(),
                   {{"GUA", "", "Guardia", "", "GUA", "T"}, {"TUT", "", "Tutoría", "", "", "T"},
                    {"GUA", "", "Guardia 2", "", "OTRA", "T"}});
        WriteTable(Working(), layouts::Grupost(),
                   {{"1A", "", "ESO", "1", "A", "U1", "3101", ""}, {"1A", "", "ESO", "1", "A", "U9", "3101", ""}});
        WriteTable(Working(), layouts::Diashorast(),
                   {{"11", "T1", "1", "", "1", "", "08:00", "08:55", "55"},
                    {"11", "TX", "9", "", "1", "", "09:00", "09:55", "55"},
                    {"210", "T10", "2", "", "10", "", "13:05", "25:00", "55"}});
    }
};

TEST_F(ExportLookupTest, TranslatesEveryLessonByTheFirstMatchingRecords) {
    const auto teachers = Export();
    ASSERT_EQ(teachers.size(), 4u);
    const auto& oneil = teachers[0];
    EXPECT_EQ(oneil.seq, "HORARIO_REGULAR_PROFESOR_1");
    EXPECT_EQ(oneil.registros, "6");
    EXPECT_EQ(oneil.values, (std::vector<std::string>{"E1", "F1"}));
    ASSERT_EQ(oneil.lessons.size(), 6u);
    for (std::size_t i = 0; i < oneil.lessons.size(); ++i) {
        EXPECT_EQ(oneil.lessons[i].seq, "ACTIVIDAD_" + std::to_string(i + 1));
        EXPECT_EQ(oneil.lessons[i].names,
                  (std::vector<std::string>{"N_DIASEMANA", "X_TRAMO", "X_DEPENDENCIA", "X_UNIDAD", "X_OFERTAMATRIG",
                                            "X_MATERIAOMG", "F_INICIO", "F_FIN", "N_HORINI", "N_HORFIN",
                                            "X_ACTIVIDAD"}));
    }
    // Ordinary lesson: the first slot, group and assignment of their keys.
    EXPECT_EQ(oneil.lessons[0].values, (std::vector<std::string>{"1", "T1", "A1", "U1", "3101", "M1", "15/09/2026",
                                                                 "23/06/2027", "480", "535", "1"}));
    // Nothing found: empty values, times 0, activity "1"; a room of blanks is empty.
    EXPECT_EQ(oneil.lessons[1].values,
              (std::vector<std::string>{"", "", "", "", "", "", "15/09/2026", "23/06/2027", "0", "0", "1"}));
    // Hour 10 of day 2 is the key 210.
    EXPECT_EQ(oneil.lessons[2].Value("X_TRAMO"), "T10");
    EXPECT_EQ(oneil.lessons[2].Value("N_HORINI"), "785");
    EXPECT_EQ(oneil.lessons[2].Value("N_HORFIN"), "1500");
    // Activity code: the first ASIGNOMT record of the subject; blank or none gives "1".
    EXPECT_EQ(oneil.lessons[2].Value("X_ACTIVIDAD"), "GUA");
    EXPECT_EQ(oneil.lessons[3].Value("X_ACTIVIDAD"), "1");
    EXPECT_EQ(oneil.lessons[4].Value("X_ACTIVIDAD"), "1");
    EXPECT_EQ(oneil.lessons[5].Value("X_ACTIVIDAD"), " REU");

    // Both teachers of one abbreviation list the same lessons; the room keeps its leading blank.
    for (const std::size_t t : {1u, 2u}) {
        EXPECT_EQ(teachers[t].seq, "HORARIO_REGULAR_PROFESOR_" + std::to_string(t + 1));
        EXPECT_EQ(teachers[t].registros, "1");
        ASSERT_EQ(teachers[t].lessons.size(), 1u);
        EXPECT_EQ(teachers[t].lessons[0].seq, "ACTIVIDAD_1");
        EXPECT_EQ(teachers[t].lessons[0].Value("X_DEPENDENCIA"), " B2");
        EXPECT_EQ(teachers[t].lessons[0].Value("N_DIASEMANA"), "");
    }
    EXPECT_EQ(teachers[1].values, (std::vector<std::string>{"E2", "F2"}));
    EXPECT_EQ(teachers[2].values, (std::vector<std::string>{"E3", "F3"}));
    // "O" is not a prefix match of "O'NEIL".
    EXPECT_EQ(teachers[3].registros, "1");
}

TEST_F(ExportRunTest, PeriodDatesComeFromTheFirstPeriodsRecord) {
    WriteTable(Working(), layouts::Proft(), Teachers({{{"ANA", "E1", ""}}}));
    WriteTable(Working(), SolucLayout(), {{"ANA", "1", "1", "MAT", "1A", "", ""}});
    struct Case {
        Records periods;
        std::string start, end;
    };
    for (const Case& c : {Case{{}, "", ""},
                          Case{{{"J1", "", "01/09/2026", "30/06/2027"}, {"J2", "", "02/02/2027", "03/03/2027"}},
                               "01/09/2026", "30/06/2027"}}) {
        WriteTable(Working(), layouts::Periodos(), c.periods);
        std::filesystem::remove(Result());
        state = ModuleState{};
        state.WorkingDirectory = Working();
        ui = test::RecordingUi{};
        ui.fileAnswer = (dir / "alumnos.xml").string();
        const auto teachers = Export();
        ASSERT_EQ(teachers.size(), 1u);
        ASSERT_EQ(teachers[0].lessons.size(), 1u);
        EXPECT_EQ(teachers[0].lessons[0].Value("F_INICIO"), c.start);
        EXPECT_EQ(teachers[0].lessons[0].Value("F_FIN"), c.end);
    }
}

TEST_F(ExportRunTest, EmptyTeachersTableGivesAnEmptyTimetablesSection) {
    const auto teachers = Export();
    EXPECT_TRUE(teachers.empty());
    ExchangeDocument result;
    ASSERT_EQ(result.Load(Result()).status, LoadStatus::Loaded);
    const Node section = result.SelectSingleNode(
        result.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=\"HORARIOS_REGULARES\"]");
    ASSERT_TRUE(section);
    EXPECT_EQ(test::exporting::Attribute(result, section, "registros"), "0");
    // Nothing of the input's data block is left.
    EXPECT_TRUE(result.Rows("MATERIAS").empty());
    EXPECT_EQ(result.SelectNodes(result.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/grupo_datos").size(), 2u);
}

TEST_F(ExportRunTest, MissingDocumentStopsTheRunAndTellsTheHost) {
    for (const bool host : {false, true}) {
        for (const std::optional<std::string>& answer :
             {std::optional<std::string>(), std::optional<std::string>((dir / "no-existe.xml").string())}) {
            state = ModuleState{};
            state.WorkingDirectory = Working();
            state.HostMode = host;
            ui = test::RecordingUi{};
            ui.fileAnswer = answer;
            Run();
            EXPECT_EQ(ui.messages, std::vector<std::string>{"No existe archivo"});
            EXPECT_EQ(state.ResultCode, host ? -1 : 0);
            EXPECT_EQ(ui.closed, host);
            EXPECT_TRUE(state.RunButtonsEnabled);
            EXPECT_FALSE(std::filesystem::exists(dir / "ResultadoTuvaneno-existe.xml"));
        }
    }
}

TEST_F(ExportRunTest, CancelledDialogReusesTheDocumentChosenBefore) {
    std::filesystem::remove(Working() / "PERIODOS.DBF");
    Run();  // stops at the periods table, the document stays chosen
    WriteTable(Working(), layouts::Periodos(), {});
    ui.fileAnswer.reset();
    ui.messages.clear();
    Run();
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_TRUE(std::filesystem::exists(Result()));
}

TEST_F(ExportRunTest, MissingPeriodsTableStopsWithNothingWrittenAndTablesFree) {
    std::filesystem::remove(Working() / "PERIODOS.DBF");
    state.HostMode = true;
    Run();
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"ATENCI\xD3N - PERIODOS.DBF No encontrado - Importe de nuevo XML de SIRAVEL."});
    EXPECT_FALSE(ui.closed);  // the window stays open, also for the host
    ExpectNothingDone();
}

TEST_F(ExportRunTest, DocumentsThatAreNoExchangeDocumentStopWithAMessage) {
    struct Case {
        std::string xml;
        std::string message;
    };
    std::string laughs = "<!DOCTYPE SERVICIO [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 30; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + std::string() + "&l" + std::to_string(i - 1) + ";&l" +
                  std::to_string(i - 1) + ";&l" + std::to_string(i - 1) + ";\">";
    for (const Case& c : {Case{"<SERVICIO><BLOQUE_DATOS></SERVICIO>", "ATENCI\xD3N - El archivo XML no es v\xE1lido"},
                          Case{"<?xml version=\"1.0\"?><OTRO><BLOQUE_DATOS/></OTRO>",
                               "ATENCI\xD3N - El archivo no es un documento de intercambio de Siravel"},
                          Case{laughs + "]><SERVICIO><BLOQUE_DATOS>&l30;</BLOQUE_DATOS></SERVICIO>",
                               "ATENCI\xD3N - Las entidades del archivo XML se expanden a un texto demasiado grande"},
                          Case{"<!DOCTYPE SERVICIO [<!ENTITY a SYSTEM \"/etc/hostname\">]>"
                               "<SERVICIO><BLOQUE_DATOS>&a;</BLOQUE_DATOS></SERVICIO>",
                               "ATENCI\xD3N - El archivo XML remite a otro archivo o a un texto que no define"},
                          Case{"<?xml version=\"1.0\" encoding=\"EBCDIC-XYZ\"?><SERVICIO><BLOQUE_DATOS/></SERVICIO>",
                               "ATENCI\xD3N - El archivo XML est\xE1 codificado en 'EBCDIC-XYZ'"}}) {
        const std::string before = c.xml;
        ui = test::RecordingUi{};
        ui.fileAnswer = WriteDocument("alumnos.xml", c.xml);
        Run();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].substr(0, c.message.size()), c.message);
        EXPECT_EQ(ui.errors, std::vector<std::string>{});
        EXPECT_EQ(test::ReadFile(dir / "alumnos.xml"), before);
        ExpectNothingDone();
    }
}

TEST_F(ExportRunTest, AcademicYearIsTheFirstFiveCharactersOfTheBlocksFirstChild) {
    struct Case {
        std::string block;
        std::string year;
    };
    for (const Case& c : {Case{"<grupo_datos><dato>2026/27</dato></grupo_datos><grupo_datos/>", "2026/"},
                          Case{"<grupo_datos><dato>2026</dato></grupo_datos>", "2026"},
                          Case{"<!-- a\xF1o -->", " a\xF1o "},
                          Case{"", ""}}) {
        ui = test::RecordingUi{};
        state.RunButtonsEnabled = true;
        ui.fileAnswer = WriteDocument("alumnos.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                                                     "<SERVICIO><BLOQUE_DATOS>" + c.block + "</BLOQUE_DATOS></SERVICIO>");
        Export();
        ExchangeDocument result;
        ASSERT_EQ(result.Load(Result()).status, LoadStatus::Loaded);
        const auto years = result.SelectNodes(result.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/grupo_datos/dato");
        ASSERT_FALSE(years.empty());
        EXPECT_EQ(ExchangeDocument::Text(years[0]), c.year);
    }
}

// An internal entity gives the academic year its text; the document type
// with its declaration stays before the new root, and the result reads back.
TEST_F(ExportRunTest, AnInternalEntityIsReadAsItsText) {
    ui.fileAnswer = WriteDocument("alumnos.xml",
                                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<!DOCTYPE SERVICIO [<!ENTITY curso \"2026/27\">]>\n"
                                  "<SERVICIO><BLOQUE_DATOS><grupo_datos><dato>&curso;</dato></grupo_datos>"
                                  "</BLOQUE_DATOS></SERVICIO>\n");
    Export();
    EXPECT_EQ(test::XmllintComplaint(Result()), "");
    ExchangeDocument result;
    ASSERT_EQ(result.Load(Result()).status, LoadStatus::Loaded);
    const auto years = result.SelectNodes(result.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/grupo_datos/dato");
    ASSERT_FALSE(years.empty());
    EXPECT_EQ(ExchangeDocument::Text(years[0]), "2026/");
}

// Nodes outside the input's root stay, the new root follows them; the input
// file itself is never changed; the result of a result file is named again.
TEST_F(ExportRunTest, ResultLiesBesideTheDocumentAndTheInputIsUntouched) {
    const std::string input = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- exportado -->\n"
                              "<SERVICIO><BLOQUE_DATOS><a>x</a></BLOQUE_DATOS></SERVICIO>\n";
    ui.fileAnswer = WriteDocument("alumnos.xml", input);
    Export();
    EXPECT_EQ(test::ReadFile(dir / "alumnos.xml"), input);
    const std::string saved = test::ReadFile(Result());
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- exportado -->\n<SERVICIO modulo=", 0), 0u)
        << saved;

    state = ModuleState{};
    state.WorkingDirectory = Working();
    ui = test::RecordingUi{};
    ui.fileAnswer = Result().string();
    Export();
    EXPECT_TRUE(std::filesystem::exists(dir / "ResultadoTuvaneResultadoTuvanealumnos.xml"));
    EXPECT_EQ(ResultFileName("/datos/alumnos.xml"), std::filesystem::path("/datos/ResultadoTuvanealumnos.xml"));
}

// On Windows a result of the same name in other letters is the same file: it
// is replaced, keeping its spelling, and no second result appears beside it.
TEST_F(ExportRunTest, AResultInOtherLetterCaseIsReplacedUnderItsSpelling) {
    const std::filesystem::path earlier = dir / "resultadotuvanealumnos.xml";
    test::WriteFile(earlier, "<?xml version=\"1.0\"?>\n<SERVICIO>resultado anterior</SERVICIO>\n");
    Run();
    ASSERT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(test::FileNames(dir.Path()),
              (std::vector<std::string>{"MTEMP", "alumnos.xml", "resultadotuvanealumnos.xml"}));
    EXPECT_EQ(test::XmllintComplaint(earlier), "");
    ExchangeDocument result;
    ASSERT_EQ(result.Load(earlier).status, LoadStatus::Loaded);
    EXPECT_EQ(result.SelectNodes(result.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/grupo_datos").size(), 2u);
}

TEST_F(ExportRunTest, FailuresEndTheRunWithTheirMessageAndNothingWritten) {
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> arrange;  // given the working directory
        std::string error;
    };
    const auto withLesson = [](const std::filesystem::path& working, const char* from, const char* to) {
        WriteTable(working, layouts::Proft(), Teachers({{{"ANA", "E1", ""}}}));
        WriteTable(working, SolucLayout(), {{"ANA", "1", "1", "MAT", "1A", "", ""}});
        WriteTable(working, layouts::Diashorast(), {{"11", "T1", "1", "", "1", "", from, to, "55"}});
    };
    const std::vector<Case> cases = {
        {"clock text whose minutes are no number",
         [&](const std::filesystem::path& working) { withLesson(working, "8:3", "09:00"); }, "':3' no es un valor entero v\xE1lido"},
        {"clock text whose hours are no number",
         [&](const std::filesystem::path& working) { withLesson(working, "08:00", "xx:00"); }, "'xx' no es un valor entero v\xE1lido"},
        {"solution table without a field that the run reads",
         [](const std::filesystem::path& working) {
             WriteTable(working, layouts::Proft(), Teachers({{{"ANA", "E1", ""}}}));
             TableLayout layout = SolucLayout();
             layout.fields.pop_back();  // no AULA
             WriteTable(working, layout, {{"ANA", "1", "1", "MAT", "1A", ""}});
         },
         "No se encuentra el campo 'AULA'"},
        {"damaged solution table",
         [](const std::filesystem::path& working) {
             std::string bytes = test::ReadFile(working / "SOLUC.DBF");
             test::WriteFile(working / "SOLUC.DBF", bytes.substr(0, 40));
         },
         "est\xE1 da\xF1" "ado o incompleto"},
        {"missing groups table",
         [](const std::filesystem::path& working) { std::filesystem::remove(working / "GRUPOST.DBF"); }, "no existe el archivo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        state = ModuleState{};
        state.WorkingDirectory = Working();
        ui = test::RecordingUi{};
        ui.fileAnswer = (dir / "alumnos.xml").string();
        c.arrange(Working());
        Run();
        ASSERT_EQ(ui.errors.size(), 1u);
        EXPECT_NE(ui.errors[0].find(c.error), std::string::npos) << ui.errors[0];
        EXPECT_EQ(ui.messages, std::vector<std::string>{});
        ExpectNothingDone();
        WriteTable(Working(), SolucLayout(), {});
        WriteTable(Working(), layouts::Grupost(), {});
        WriteTable(Working(), layouts::Diashorast(), {});
    }
}

TEST_F(ExportRunTest, TablesHeldByAnotherProgramStopTheRun) {
    Table held(Working(), layouts::Asigt());
    held.Open(true);
    Run();
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("otro programa la tiene abierta"), std::string::npos) << ui.errors[0];
    held.Close();
    ExpectNothingDone();
}

}  // namespace
}  // namespace vindeleo
