#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "session/ModuleState.h"
#include "import/ImportCheck.h"
#include "import/ImportRun.h"
#include "support/TestSupport.h"
#include "tables/Table.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ExchangeXml;

// Points the process's temporary directory at a path of the test's own
// (TMPDIR; TMP on Windows), so that what the check leaves there shows.
class OwnTemporaryDirectory {
public:
    explicit OwnTemporaryDirectory(const fs::path& dir) { Set(dir.string()); }
    ~OwnTemporaryDirectory() { Set(old_); }
    OwnTemporaryDirectory(const OwnTemporaryDirectory&) = delete;
    OwnTemporaryDirectory& operator=(const OwnTemporaryDirectory&) = delete;

private:
#ifdef _WIN32
    static constexpr const char* kVariable = "TMP";
    static void Set(const std::string& value) { _putenv_s(kVariable, value.c_str()); }
#else
    static constexpr const char* kVariable = "TMPDIR";
    static void Set(const std::string& value) {
        if (value.empty()) ::unsetenv(kVariable);
        else ::setenv(kVariable, value.c_str(), 1);
    }
#endif
    std::string old_ = std::getenv(kVariable) ? std::getenv(kVariable) : "";
};

// A school that gives every part of the report something to tell. Values are
// Windows-1252; "{r}" and "{omega}" stand for characters that it lacks (ř,
// Ω), written into the document in UTF-8.
std::string SchoolWithEverything() {
    std::string xml = ExchangeXml({
        {"MATERIAS",
         {{"3101", "M1", "Lengua Castellana"},
          {"3101", "M2", "Lengua Catalana"},
          {"3101", "M3", "   "},
          {"3105", "M4", "M\xFAsica"},
          {"abc", "M5", "Dibujo"},
          {"3101"},
          {"3101", "M7"},
          {"3101", "M8", "Ciencias Sociales y Geograf\xED" "a"}}},
        {"ACTIVIDADES", {{"A1", "GUARDIA_LARGA", "Guardia"}, {"A2", "REU", "Reuni\xF3n"}}},
        {"EMPLEADOS",
         {{"E1", "01/09/2020", "Lengua", "Garc\xED" "a", "L\xF3pez", "Juan"},
          {"E2", "01/09/2020", "Lengua", "G\xF3mez", "Lara", "Julia"},
          {"E3", "01/09/2021", "Arte", "Dvo{r}\xE1k"}}},
        {"DEPENDENCIAS", {{"A1", "Aula 1"}, {"A1", "Aula 1 bis"}, {"", "Laboratorio"}, {"B1"}, {"B2", "Sala {omega}"}}},
        {"CURSOS_DEL_CENTRO", {{"3101", "1\xBA ESO"}, {"3102", "2\xBA ESO"}, {"3105", "5\xBA Curso"}}},
        {"UNIDADES",
         {{"U1", "1\xBA ESO A", "3101"},
          {"U2", "1\xBA ESO A", "3101"},
          {"U3", "Grupo de tarde largo", "3102"},
          {"U4", "Suelto"}}},
        {"JORNADAS_ESCOLARES", {{"J1", "Ma\xF1" "ana", "15/09/2026", "23/06/2027"}, {"J2", "Tarde"}}},
        {"TRAMOS_HORARIOS", {{"T1", "1\xAA", "480", "535", "J1"}, {"T2", "2\xAA", "535", "590"}}},
    });
    xml = std::regex_replace(xml, std::regex("\\{r\\}"), "\xC5\x99");
    return std::regex_replace(xml, std::regex("\\{omega\\}"), "\xCE\xA9");
}

// A working directory with the tables of an earlier import beside the
// timetable program's own file, a program directory with a catalogue, and
// the temporary directory of the check.
class ImportCheckTest : public ::testing::Test {
protected:
    ImportCheckTest() {
        fs::create_directories(Working());
        fs::create_directories(Program());
        test::WriteCatalogue(Program(), {{3101, "ESO", "Educaci\xF3n Secundaria - 1"}, {3102, "", "Segundo"}});
        test::WriteFile(dir / "anterior.xml", ExchangeXml({{"EMPLEADOS", {{"E9", "x", "y", "A", "B", "C"}}}}));
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
        ui.fileAnswer = (dir / "anterior.xml").string();
        RunImport(state, ui);
        test::WriteFile(Working() / "SOLUC.DBF", "timetable");
        test::WriteFile(Working() / "jornadas.dbf", "old grid");
        state = ModuleState{};
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
        ui = test::RecordingUi{};
        test::WriteFile(dir / "escuela.xml", SchoolWithEverything());
        ui.fileAnswer = (dir / "escuela.xml").string();
    }

    fs::path Working() const { return dir / "drive_c" / "MTEMP"; }
    fs::path Program() const { return dir / "program"; }
    fs::path Temporary() const {
        fs::create_directories(dir / "tmp");
        return dir / "tmp";
    }

    test::TempDir dir;
    ModuleState state;
    test::RecordingUi ui;
};

// The report of the whole school, part by part; the working directory and
// everything under the test's folder stay as they were, nothing is left in
// the temporary directory, and the counts are those of a real import.
TEST_F(ImportCheckTest, ReportsWhatTheImportWouldDo) {
    const auto before = test::SnapshotWithTimes(dir.Path());
    std::optional<std::vector<std::string>> report;
    {
        OwnTemporaryDirectory temporary(Temporary());
        report = RunCheck(state, ui);
    }
    ASSERT_TRUE(report.has_value()) << (ui.messages.empty() ? "" : ui.messages.front());
    auto after = test::SnapshotWithTimes(dir.Path());
    after.erase("tmp");
    EXPECT_EQ(after, before) << "nothing written, created or removed";
    EXPECT_TRUE(fs::is_empty(Temporary())) << "the scratch folder is removed";
    EXPECT_TRUE(ui.messages.empty()) << "no \"Proceso finalizado\"";
    EXPECT_EQ(ui.templateDialogs, 1);
    EXPECT_FALSE(ui.busy);
    EXPECT_EQ(state.ResultCode, 0);
    EXPECT_TRUE(state.RunButtonsEnabled);

    const std::string working = Working().string();
    const std::vector<std::string> expected = {
        "Comprobaci\xF3n de la importaci\xF3n de " + (dir / "escuela.xml").string() +
            " (no se ha cambiado ninguna tabla)",
        "",
        "Registros que tiene ahora cada tabla de " + working + ", y los que tendr\xE1 despu\xE9s de importar:",
        "  ASIGNOMT            0 -> 7",
        "  PROFT               1 -> 3",
        "  AULAT               0 -> 4",
        "  CURSOST             0 -> 3",
        "  GRUPOST             0 -> 4",
        "  ASIGT               0 -> 6",
        "  DIASHORAST          0 -> 7",
        "  DIASHORAST2         0 -> 7",
        "  PERIODOS            0 -> 1",
        "  JORNADAS     ilegible -> se elimina",
        "    JORNADAS: El archivo " + (Working() / "jornadas.dbf").string() +
            " est\xE1 da\xF1" "ado o incompleto (la cabecera est\xE1 incompleta)",
        "",
        "C\xF3" "digos que cambian o se crean al importar (7):",
        "  Materia 'Lengua Catalana': LC1 (en lugar de LC)",
        "  Actividad 'Guardia': GUARDIA_LA (en lugar de GUARDIA_LARGA)",
        "  Profesor 'G\xF3mez Lara, Julia': GLJ1 (en lugar de GLJ)",
        "  Aula 'Aula 1 bis': A11 (en lugar de A1)",
        "  Aula 'Laboratorio': Labora (sin c\xF3" "digo propio)",
        "  Grupo '1\xBA ESO A': 1\xBA ESO A1 (en lugar de 1\xBA ESO A)",
        "  Grupo 'Grupo de tarde largo': Grupo dego (en lugar de Grupo de tarde largo)",
        "",
        "Materias que no llegar\xE1n a ning\xFAn grupo (5):",
        "  fila 3, '' (curso '3101'): el nombre est\xE1 en blanco",
        "  fila 4, 'M\xFAsica' (curso '3105'): el curso no tiene grupos",
        "  fila 5, 'Dibujo' (curso 'abc'): la clave del curso no es un n\xFAmero",
        "  fila 6, '' (curso '3101'): la fila tiene menos de dos datos",
        "  fila 7, '' (curso '3101'): el nombre est\xE1 en blanco",
        "",
        "Cursos que no est\xE1n en el cat\xE1logo de niveles y reciben el nivel 'Niv' (2):",
        "  3102 '2\xBA ESO' (est\xE1 en el cat\xE1logo, sin nivel)",
        "  3105 '5\xBA Curso'",
        "",
        "Plantilla horaria que se aplica: J1 (Ma\xF1" "ana)",
        "Otras plantillas del documento:",
        "  J2 (Tarde)",
        "",
        "Filas del documento a las que les faltan datos (7):",
        "  MATERIAS, fila 6 (datos: 1): no se importa, porque una fila necesita al menos dos datos",
        "  MATERIAS, fila 7 (datos: 2): falta el dato de la posici\xF3n 2 (la primera es la 0), que se toma vac\xED" "o",
        "  EMPLEADOS, fila 3 (datos: 4): faltan los datos de las posiciones 4, 5 (la primera es la 0), que se toman "
        "vac\xED" "os",
        "  DEPENDENCIAS, fila 4 (datos: 1): no se importa, porque una fila necesita al menos dos datos",
        "  UNIDADES, fila 4 (datos: 2): falta el dato de la posici\xF3n 2 (la primera es la 0), que se toma vac\xED" "o",
        "  TRAMOS_HORARIOS, fila 2 (datos: 4): falta el dato de la posici\xF3n 4 (la primera es la 0), que se toma "
        "vac\xED" "o",
        "  JORNADAS_ESCOLARES, fila 2 (datos: 2): faltan los datos de las posiciones 2, 3 (la primera es la 0), que "
        "se toman vac\xED" "os",
        "",
        "Datos con caracteres que las tablas de Morvalen no pueden guardar y que quedan como '?' (2):",
        "  EMPLEADOS, fila 3, posici\xF3n 3: 'Dvo?\xE1k' (U+0159)",
        "  DEPENDENCIAS, fila 5, posici\xF3n 1: 'Sala ?' (U+03A9)",
    };
    EXPECT_EQ(*report, expected);

    // The import of the same document leaves the counts that the check told.
    ui.messages.clear();
    RunImport(state, ui);
    ASSERT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    const std::pair<const char*, int> imported[] = {{"ASIGNOMT", 7}, {"PROFT", 3},      {"AULAT", 4},
                                                    {"CURSOST", 3},  {"GRUPOST", 4},    {"ASIGT", 6},
                                                    {"DIASHORAST", 7}, {"DIASHORAST2", 7}, {"PERIODOS", 1}};
    for (const auto& [name, records] : imported) {
        Table table(Working(), TableLayout{name});
        table.Open();
        EXPECT_EQ(table.RecordCount(), records) << name;
        table.Close();
    }
}

#ifndef _WIN32
// A table whose name cannot even be looked up in the working folder (here a
// link that leads to itself) is reported as the table it is, not as the
// document, and the check goes on.
TEST_F(ImportCheckTest, ATableThatCannotBeLookedUpIsReportedAsATable) {
    OwnTemporaryDirectory temporary(Temporary());
    fs::remove(Working() / "PROFT.DBF");
    fs::create_symlink("PROFT.DBF", Working() / "PROFT.DBF");
    const auto report = RunCheck(state, ui);
    ASSERT_TRUE(report.has_value());
    const std::string fault = "    PROFT: No se puede leer la tabla " + (Working() / "PROFT.DBF").string() + ": ";
    EXPECT_NE(std::find_if(report->begin(), report->end(), [&](const std::string& line) { return line.starts_with(fault); }),
              report->end());
    EXPECT_NE(std::find(report->begin(), report->end(), "  PROFT        ilegible -> 3"), report->end());
}
#endif

// A template code that the document lacks is taken as the import takes it,
// and the report says so; a document without templates takes none.
TEST_F(ImportCheckTest, ReportsTheTemplateTaken) {
    OwnTemporaryDirectory temporary(Temporary());
    auto TemplateLines = [](const std::vector<std::string>& report) {
        std::vector<std::string> lines;
        for (auto line = report.begin(); line != report.end(); ++line)
            if (line->starts_with("Plantilla horaria"))
                for (; line != report.end() && !line->empty(); ++line) lines.push_back(*line);
        return lines;
    };

    ui.templateAnswer = "ZZ";
    auto report = RunCheck(state, ui);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(TemplateLines(*report),
              (std::vector<std::string>{"Plantilla horaria que se aplica: 'ZZ', que ninguna fila de JORNADAS_ESCOLARES tiene",
                                        "Otras plantillas del documento:", "  J1 (Ma\xF1" "ana)", "  J2 (Tarde)"}));
    EXPECT_NE(std::find(report->begin(), report->end(), "  DIASHORAST          0 -> 0"), report->end());

    test::WriteFile(dir / "escuela.xml", ExchangeXml({{"JORNADAS_ESCOLARES", {}}}));
    report = RunCheck(state, ui);
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(TemplateLines(*report),
              (std::vector<std::string>{"Plantilla horaria que se aplica: ninguna (el documento no trae plantillas)",
                                        "Otras plantillas del documento:", "  ninguna"}));
    EXPECT_TRUE(fs::is_empty(Temporary()));
}

// The check's tables are made in the temporary directory: where that is no
// folder, the check stops with an error before any step runs, and the
// working directory is left as it was.
TEST_F(ImportCheckTest, NeedsTheTemporaryDirectory) {
    test::WriteFile(dir / "no-folder", "a file");
    const auto before = test::SnapshotWithTimes(dir.Path());
    OwnTemporaryDirectory temporary(dir / "no-folder");
    try {
        RunCheck(state, ui);
        ADD_FAILURE() << "the check ran without a temporary folder";
    } catch (const Error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("No se encuentra la carpeta temporal del sistema")) << error.what();
    }
    EXPECT_EQ(test::SnapshotWithTimes(dir.Path()), before);
}

}  // namespace
}  // namespace vindeleo
