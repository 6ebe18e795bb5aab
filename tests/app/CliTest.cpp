#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/TestSupport.h"
#include "tables/TablesSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ReadWithDbfread;

// Runs the command-line front end with a fresh Wine prefix whose MTEMP exists;
// the catalogue is the one the build placed beside the binaries.
class CliTest : public ::testing::Test {
protected:
    CliTest() { fs::create_directories(Tables()); }
    fs::path Tables() const { return prefix / "drive_c" / "MTEMP"; }

    test::CommandResult Cli(const std::string& arguments) { return test::RunCli(prefix.Path(), arguments); }
    static std::string Sample() { return test::Quoted(test::SourceDir() / "samples" / "demo-school.xml"); }

    std::vector<std::string> Column(const std::string& table, const std::string& field) {
        std::vector<std::string> values;
        for (const auto& record : ReadWithDbfread(Tables() / (table + ".DBF")).records) values.push_back(record.at(field));
        return values;
    }

    test::TempDir prefix;
};

TEST_F(CliTest, UnknownCommandLinesGiveTheUsage) {
    for (const char* arguments : {"", "import", "importar x.xml", "import a.xml --template", "import a.xml extra",
                                  "import --template J1", "import a.xml --template J1 --template J2", "import --help", "export",
                                  "export a.xml --template J1", "export a.xml b.xml", "exportar a.xml"}) {
        const auto result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 64) << arguments;
        EXPECT_NE(result.err.find("Uso: vindeleo-cli import"), std::string::npos) << arguments;
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CliTest, StopsAndErrorsAreReportedWithTheirStatus) {
    auto result = Cli("import '" + (prefix / "nada.xml").string() + "'");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "No existe archivo\n");

    test::WriteFile(prefix / "roto.xml", "<SERVICIO><BLOQUE_DATOS></SERVICIO>");
    result = Cli("import roto.xml");  // relative to the current directory
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("El archivo XML no es v\xC3\xA1lido"), std::string::npos);
    test::WriteFile(prefix / "ebcdic.xml", "<?xml version=\"1.0\" encoding=\"EBCDIC-XYZ\"?>\n"
                                           "<SERVICIO><BLOQUE_DATOS></BLOQUE_DATOS></SERVICIO>\n");
    result = Cli("import '" + (prefix / "ebcdic.xml").string() + "'");
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out, "ATENCI\xC3\x93N - El archivo XML est\xC3\xA1 codificado en 'EBCDIC-XYZ', una "
                          "codificaci\xC3\xB3n que Vindeleo no puede leer\n");
    test::WriteFile(prefix / "malo.xml",
                    "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"CURSOS_DEL_CENTRO\"><grupo_datos>"
                    "<dato> 1a </dato><dato>1\xC2\xBA ESO</dato></grupo_datos></grupo_datos></BLOQUE_DATOS></SERVICIO>");
    result = Cli("import '" + (prefix / "malo.xml").string() + "'");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "'1a' no es un valor entero v\xC3\xA1lido.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(test::FileNames(Tables()).empty());
}

TEST_F(CliTest, ImportsTheDemoSchool) {
    const auto result = Cli("import " + Sample());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");

    EXPECT_EQ(Column("ASIGNOMT", "COD"),
              (std::vector<std::string>{"LCL", "Matem\xE1", "GH", "EF", "PLEI", "TD", "BG", "FQ", "MOEA", "MOEA1",
                                        "Lat\xEDn", "m\xFAsica", "LCLI", "MI", "Filoso", "CIENCIASSO", "CIENCIASO1",
                                        "DTI", "Epe", "tdl", "GUA", "TUT", "REU", "BIB"}));
    EXPECT_EQ(Column("PROFT", "ABREV"),
              (std::vector<std::string>{"GLJ", "GLJ1", "MN\xC1", "PR\xD3", "S\xCDM", "FDL", "MCP", "MCP1", "glj2",
                                        "RAB", "'VG"}));
    EXPECT_EQ(Column("PROFT", "NOMBRE")[4], "S\xE1nchez \xCD\xF1iguez, Mar\xED" "a Jos\xE9");
    EXPECT_EQ(Column("AULAT", "ABREV"),
              (std::vector<std::string>{"A11", "A12", "a121", "Labora", "Labora1", "GIM", "INF1", "BIB"}));
    EXPECT_EQ(Column("CURSOST", "NIVEL"), (std::vector<std::string>{"ESO", "ESO", "ESO", "BACH", "Niv"}));
    EXPECT_EQ(Column("CURSOST", "ESTUD")[4], "Aula de Enlace");
    EXPECT_EQ(Column("GRUPOST", "ABREV"),
              (std::vector<std::string>{"1\xBA ESO A", "1\xBA ESO B", "1\xBA ESO C", "2\xBA ESO A", "2\xBA ESO B",
                                        "4\xBA ESO A", "1\xBA BACH A", "Enlace"}));
    EXPECT_EQ(Column("GRUPOST", "GRUPO")[7], "e");
    EXPECT_EQ(Column("ASIGT", "CASIG").size(), 50u);
    EXPECT_EQ(Column("ASIGT", "CGRUP")[0], "1\xBA ESO A");
    EXPECT_EQ(Column("ASIGT", "SESIONES")[0], "1111");

    // The morning template: seven slots, given out of time order, on seven days.
    const auto diho = Column("DIASHORAST", "DIHO");
    ASSERT_EQ(diho.size(), 49u);
    EXPECT_EQ(std::vector<std::string>(diho.begin(), diho.begin() + 3), (std::vector<std::string>{"11", "21", "31"}));
    const auto hours = Column("DIASHORAST", "HORADESDE");
    EXPECT_EQ(hours[7], "08:55");  // second hour is the slot given third in the document
    EXPECT_EQ(Column("DIASHORAST", "CODDIHO")[7], "T2");
    // DIASHORAST2 keeps the row numbers: the second hour was the third row.
    EXPECT_EQ(Column("DIASHORAST2", "DIHO")[7], "12");
    EXPECT_EQ(Column("DIASHORAST2", "DIHO")[14], "13");
    EXPECT_EQ(Column("PERIODOS", "CJORNADA"), std::vector<std::string>{"J1"});
}

// Catalogue records that no course can use (a key beyond 32 bits, a key with
// decimals) are passed over: the import goes through, and each course takes
// the record whose key equals its own.
TEST_F(CliTest, CatalogueRecordsOfNoCourseDoNotStopTheImport) {
    const fs::path program = prefix / "programa";
    fs::create_directories(program);
    fs::copy_file(VINDELEO_CLI, program / "vindeleo-cli");
    test::WriteFile(program / "NIVELEX.DBF", test::tables::ForeignCatalogue({
                                                 {"99999999999", "BIG", "Fuera de 32 bits"},
                                                 {"3101.5", "FRAC", "Con decimales"},
                                                 {"3101", "ESO", "Secundaria 1"},
                                                 {"3102.00", "ESO2", "Secundaria 2"},
                                             }));
    const auto result = test::RunCommand("cd " + test::Quoted(prefix.Path()) + " && WINEPREFIX=" +
                                         test::Quoted(prefix.Path()) + " " + test::Quoted(program / "vindeleo-cli") +
                                         " import " + Sample());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");
    EXPECT_EQ(Column("CURSOST", "CLAVE"), (std::vector<std::string>{"3101", "3102", "3104", "4101", "9901"}));
    EXPECT_EQ(Column("CURSOST", "NIVEL"), (std::vector<std::string>{"ESO", "ESO2", "Niv", "Niv", "Niv"}));
    const auto studies = Column("CURSOST", "ESTUD");
    EXPECT_EQ(std::vector<std::string>(studies.begin(), studies.begin() + 2),
              (std::vector<std::string>{"Secundaria 1", "Secundaria 2"}));
}

// A file held open the way another program holds a table: under a shared
// lock of the kind that opening a table takes.
class HeldByAnotherProgram {
public:
    explicit HeldByAnotherProgram(const fs::path& file) : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
        EXPECT_GE(fd_, 0) << file;
        EXPECT_EQ(::flock(fd_, LOCK_SH | LOCK_NB), 0) << file;
    }
    ~HeldByAnotherProgram() {
        if (fd_ >= 0) ::close(fd_);
    }
    HeldByAnotherProgram(const HeldByAnotherProgram&) = delete;
    HeldByAnotherProgram& operator=(const HeldByAnotherProgram&) = delete;

private:
    int fd_;
};

// The commit does not replace a table that another program holds, nor its
// index: the run stops with the message that creating the table gives, every
// table stays byte for byte as it was and no staging is left for a later run
// to finish. An obsolete file that is held is passed over, as a deletion is.
TEST_F(CliTest, ATableHeldByAnotherProgramIsNotReplaced) {
    const std::string importJ1 = "import --template J1 " + Sample();
    ASSERT_EQ(Cli("import --template J2 " + Sample()).exitCode, 0);
    const auto before = test::Snapshot(Tables());
    ASSERT_EQ(Column("DIASHORAST", "DIHO").size(), 21u);

    for (const std::string held : {"GRUPOST.DBF", "DIASHORAST2.MDX"}) {
        SCOPED_TRACE(held);
        HeldByAnotherProgram holder(Tables() / held);
        const auto result = Cli(importJ1);
        EXPECT_EQ(result.exitCode, 2);
        const fs::path table = Tables() / (fs::path(held).stem().string() + ".DBF");
        EXPECT_EQ(result.err, "No se puede crear la tabla " + table.string() + ": otro programa la tiene abierta.\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(test::Snapshot(Tables()), before);
    }

    test::WriteFile(Tables() / "JORNADAS.DBF", "an old grid");
    {
        HeldByAnotherProgram holder(Tables() / "JORNADAS.DBF");
        const auto result = Cli(importJ1);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "Proceso finalizado\n");
    }
    EXPECT_EQ(test::ReadFile(Tables() / "JORNADAS.DBF"), "an old grid");
    EXPECT_EQ(Column("DIASHORAST", "DIHO").size(), 49u) << "every table replaced";
}

TEST_F(CliTest, TheTemplateOptionAnswersTheChooser) {
    const auto result = Cli("import --template '  J2 ' " + Sample());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Column("DIASHORAST", "DIHO").size(), 21u);
    EXPECT_EQ(Column("PERIODOS", "JORNADA"), std::vector<std::string>{"Jornada de tarde (adultos)"});
}

}  // namespace
}  // namespace vindeleo
