#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <sstream>
#include <thread>

#include "document/DocumentSupport.h"
#include "support/TestSupport.h"
#include "tables/MdxSupport.h"
#include "tables/TablesSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ReadWithDbfread;

// The command-line program that these cases run. By default the Linux
// build's vindeleo-cli, in a fresh Wine-style prefix of each case. When
// VINDELEO_WINDOWS_BUILD names a Windows build, its vindeleo-cli.exe under Wine
// (scripts/wine-run.sh) in that build's own Wine prefix, whose C:\MTEMP each
// case empties first; what it writes is then also compared with what the
// Linux program writes for the same case.
struct Program {
    fs::path executable;
    std::string launcher;                // shell words before the program
    std::optional<fs::path> winePrefix;  // the Windows program's prefix
    fs::path holder;                     // the Windows helper that holds a file

    bool IsWindows() const { return winePrefix.has_value(); }
};

const Program& ProgramUnderTest() {
    static const Program program = [] {
        const char* windowsBuild = std::getenv("VINDELEO_WINDOWS_BUILD");
        if (!windowsBuild || !*windowsBuild) return Program{VINDELEO_CLI, "", std::nullopt, ""};
        const fs::path build = windowsBuild;
        return Program{build / "vindeleo-cli.exe",
                       test::Quoted(test::SourceDir() / "scripts" / "wine-run.sh") + " --prefix " +
                           test::Quoted(build / "wine") + " ",
                       build / "wine", build / "tests" / "windows" / "HoldFile.exe"};
    }();
    return program;
}

// A Windows console program ends its lines with CR LF.
std::string WithLinuxLineEnds(std::string text) { return std::regex_replace(text, std::regex("\r\n"), "\n"); }

// Runs a command-line program with these (shell-quoted) arguments in `work`,
// the working tables being those of `prefix`.
test::CommandResult RunIn(const fs::path& work, const fs::path& prefix, const std::string& launcher,
                          const fs::path& executable, const std::string& arguments) {
    auto result = test::RunCommand("cd " + test::Quoted(work) + " && WINEPREFIX=" + test::Quoted(prefix) + " " +
                                   launcher + test::Quoted(executable) + " " + arguments);
    result.out = WithLinuxLineEnds(result.out);
    result.err = WithLinuxLineEnds(result.err);
    return result;
}

// A table's file with the date of its last update (header bytes 1 to 3) left
// out: the only bytes that two runs on different days write differently.
std::map<std::string, std::string> WithoutUpdateDates(std::map<std::string, std::string> files) {
    for (auto& [name, bytes] : files)
        if (name.ends_with(".DBF") && bytes.size() > 3) bytes.replace(1, 3, "\0\0\0");
    return files;
}

// The date of the last update of the first table among the files.
std::string UpdateDateOf(const std::map<std::string, std::string>& files) {
    for (const auto& [name, bytes] : files)
        if (name.ends_with(".DBF") && bytes.size() > 3) return bytes.substr(1, 3);
    return {};
}

// The working directory's files but the copies that imports keep (COPIAS),
// which are named and described by the moment of their run.
std::map<std::string, std::string> WorkingTables(const fs::path& dir) {
    auto files = test::Snapshot(dir);
    std::erase_if(files, [](const auto& file) { return file.first.rfind("COPIAS", 0) == 0; });
    return files;
}

// The labels of the copies as `restore` lists them, newest first.
std::vector<std::string> ListedLabels(const std::string& listing) {
    std::vector<std::string> labels;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) labels.push_back(line.substr(0, line.find(' ')));
    return labels;
}

// The result document with its date and time (fecha) left out.
std::string WithoutFecha(const std::string& document) {
    return std::regex_replace(document, std::regex("fecha=\"[^\"]*\""), "fecha=\"\"");
}

// Runs the command-line program, in `work`, with a fresh Wine prefix whose
// MTEMP exists (the Linux program) or with the Windows program's prefix, its
// C:\MTEMP emptied; the catalogue is the one the build placed beside the
// program.
class CliTest : public ::testing::Test {
protected:
    CliTest() {
        if (program.IsWindows()) fs::remove_all(Tables());
        fs::create_directories(Tables());
    }
    ~CliTest() override {
        if (program.IsWindows()) fs::remove_all(Tables());
    }
    fs::path Prefix() const { return program.IsWindows() ? *program.winePrefix : work.Path(); }
    fs::path Tables() const { return Prefix() / "drive_c" / "MTEMP"; }
    // A table's path as the program names it in its messages.
    std::string Shown(const std::string& file) const {
        return program.IsWindows() ? "C:\\MTEMP\\" + file : (Tables() / file).string();
    }

    test::CommandResult Cli(const std::string& arguments) { return CliOf(program.executable, arguments); }
    test::CommandResult CliOf(const fs::path& executable, const std::string& arguments) {
        return RunIn(work.Path(), Prefix(), program.launcher, executable, arguments);
    }
    static std::string Sample() { return test::Quoted(test::SourceDir() / "samples" / "demo-school.xml"); }

    std::vector<std::string> Column(const std::string& table, const std::string& field) {
        std::vector<std::string> values;
        for (const auto& record : ReadWithDbfread(Tables() / (table + ".DBF")).records) values.push_back(record.at(field));
        return values;
    }

    // Under the Windows program: the Linux program's tables for the same
    // commands, each run in a fresh prefix, compared with the working tables.
    void ExpectTheLinuxProgramsTables(const std::vector<std::string>& commands) {
        if (!program.IsWindows()) return;
        test::TempDir linux;
        fs::create_directories(linux / "drive_c" / "MTEMP");
        for (const std::string& arguments : commands) {
            const auto result = RunIn(linux.Path(), linux.Path(), "", VINDELEO_CLI, arguments);
            ASSERT_EQ(result.exitCode, 0) << arguments << ": " << result.err;
        }
        const auto windowsTables = WorkingTables(Tables());
        const auto linuxTables = WorkingTables(linux / "drive_c" / "MTEMP");
        // Runs on either side of midnight date their tables and indexes
        // differently, and the indexes hold dates in several places.
        if (UpdateDateOf(windowsTables) != UpdateDateOf(linuxTables)) return;
        EXPECT_EQ(WithoutUpdateDates(windowsTables), WithoutUpdateDates(linuxTables));
    }

    const Program& program = ProgramUnderTest();
    test::TempDir work;
};

TEST_F(CliTest, UnknownCommandLinesGiveTheUsage) {
    for (const char* arguments : {"", "import", "importar x.xml", "import a.xml --template", "import a.xml extra",
                                  "import --template J1", "import a.xml --template J1 --template J2", "import --help", "export",
                                  "export a.xml --template J1", "export a.xml b.xml", "exportar a.xml",
                                  "restore a b", "restore --all", "restaurar", "check", "check a.xml b.xml",
                                  "check a.xml --template", "check --help"}) {
        const auto result = Cli(arguments);
        EXPECT_EQ(result.exitCode, 64) << arguments;
        EXPECT_NE(result.err.find("Uso: vindeleo-cli import"), std::string::npos) << arguments;
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(CliTest, StopsAndErrorsAreReportedWithTheirStatus) {
    auto result = Cli("import '" + (work / "nada.xml").string() + "'");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "No existe archivo\n");

    test::WriteFile(work / "roto.xml", "<SERVICIO><BLOQUE_DATOS></SERVICIO>");
    result = Cli("import roto.xml");  // relative to the current directory
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.out.find("El archivo XML no es v\xC3\xA1lido"), std::string::npos);
    test::WriteFile(work / "ebcdic.xml", "<?xml version=\"1.0\" encoding=\"EBCDIC-XYZ\"?>\n"
                                           "<SERVICIO><BLOQUE_DATOS></BLOQUE_DATOS></SERVICIO>\n");
    result = Cli("import '" + (work / "ebcdic.xml").string() + "'");
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_EQ(result.out, "ATENCI\xC3\x93N - El archivo XML est\xC3\xA1 codificado en 'EBCDIC-XYZ', una "
                          "codificaci\xC3\xB3n que Vindeleo no puede leer\n");
    test::WriteFile(work / "malo.xml",
                    "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"CURSOS_DEL_CENTRO\"><grupo_datos>"
                    "<dato> 1a </dato><dato>1\xC2\xBA ESO</dato></grupo_datos></grupo_datos></BLOQUE_DATOS></SERVICIO>");
    result = Cli("import '" + (work / "malo.xml").string() + "'");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "'1a' no es un valor entero v\xC3\xA1lido.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(test::FileNames(Tables()).empty());
}

// A document named with bytes that are not sound UTF-8 names no other file:
// an overlong '/' (C0 AF) and an encoded surrogate read as a '?' for each
// byte, as any invalid byte does, never as the character they would spell.
TEST_F(CliTest, UnsoundUtf8InTheDocumentsNameNamesNoOtherFile) {
    fs::create_directories(work / "a");
    fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", work / "a" / "b.xml");
    fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", work / "c?.xml");
    for (const char* name : {"a\xC0\xAF" "b.xml", "c\xED\xA0\x80.xml"}) {
        SCOPED_TRACE(name);
        for (const char* command : {"import ", "check "}) {
            const auto result = Cli(command + test::Quoted(name));
            EXPECT_EQ(result.exitCode, 1) << result.err;
            EXPECT_EQ(result.out, "No existe archivo\n");
        }
    }
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
    // Its index as Perl's XBase::Index walks it: every slot, in ORDEN order.
    const auto walked = test::tables::WalkWithPerl(Tables() / "DIASHORAST2.MDX", "ORDEN");
    EXPECT_EQ(walked.tags, "ORDEN");
    EXPECT_EQ(walked.entries.size(), 49u);

    ExpectTheLinuxProgramsTables({"import " + Sample()});
}

// Catalogue records that no course can use (a key beyond 32 bits, a key with
// decimals) are passed over: the import goes through, and each course takes
// the record whose key equals its own.
TEST_F(CliTest, CatalogueRecordsOfNoCourseDoNotStopTheImport) {
    const fs::path programDir = work / "programa";
    fs::create_directories(programDir);
    fs::copy_file(program.executable, programDir / program.executable.filename());
    test::WriteFile(programDir / "NIVELEX.DBF", test::tables::ForeignCatalogue({
                                                    {"99999999999", "BIG", "Fuera de 32 bits"},
                                                    {"3101.5", "FRAC", "Con decimales"},
                                                    {"3101", "ESO", "Secundaria 1"},
                                                    {"3102.00", "ESO2", "Secundaria 2"},
                                                }));
    const auto result = CliOf(programDir / program.executable.filename(), "import " + Sample());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");
    EXPECT_EQ(Column("CURSOST", "CLAVE"), (std::vector<std::string>{"3101", "3102", "3104", "4101", "9901"}));
    EXPECT_EQ(Column("CURSOST", "NIVEL"), (std::vector<std::string>{"ESO", "ESO2", "Niv", "Niv", "Niv"}));
    const auto studies = Column("CURSOST", "ESTUD");
    EXPECT_EQ(std::vector<std::string>(studies.begin(), studies.begin() + 2),
              (std::vector<std::string>{"Secundaria 1", "Secundaria 2"}));
}

// A file held open the way another program holds a table. For the Linux
// program: under a lock of the kind that opening a table takes (shared) or
// that an exclusive use takes. For the Windows program: opened without sharing
// by the helper HoldFile.exe in the same Wine prefix, as a Windows program
// holds a table it uses exclusively.
class HeldByAnotherProgram {
public:
    HeldByAnotherProgram(const Program& program, const fs::path& work, const std::string& file, const fs::path& unixPath,
                         bool exclusive) {
        if (!program.IsWindows()) {
            fd_ = ::open(unixPath.c_str(), O_RDONLY | O_CLOEXEC);
            EXPECT_GE(fd_, 0) << unixPath;
            EXPECT_EQ(::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB), 0) << unixPath;
            return;
        }
        // The helper keeps the file until its standard input ends.
        const fs::path said = work / "holding.txt";
        fs::remove(said);  // what an earlier holder said is not taken for this one's word
        helper_ = ::popen((program.launcher + test::Quoted(program.holder) + " 'C:\\MTEMP\\" + file + "' >" +
                           test::Quoted(said) + " 2>&1")
                              .c_str(),
                          "w");
        EXPECT_NE(helper_, nullptr);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (test::ReadFile(said).find("holding") == std::string::npos && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(test::ReadFile(said), "holding\r\n") << file;
    }
    ~HeldByAnotherProgram() {
        if (fd_ >= 0) ::close(fd_);
        if (helper_) {
            EXPECT_EQ(::pclose(helper_), 0);
        }
    }
    HeldByAnotherProgram(const HeldByAnotherProgram&) = delete;
    HeldByAnotherProgram& operator=(const HeldByAnotherProgram&) = delete;

private:
    int fd_ = -1;
    FILE* helper_ = nullptr;
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

    for (const std::string held : {"PROFT.DBF", "GRUPOST.DBF", "DIASHORAST2.MDX"}) {
        SCOPED_TRACE(held);
        HeldByAnotherProgram holder(program, work.Path(), held, Tables() / held, /*exclusive=*/false);
        const auto result = Cli(importJ1);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "No se puede crear la tabla " + Shown(fs::path(held).stem().string() + ".DBF") +
                                  ": otro programa la tiene abierta.\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(test::Snapshot(Tables()), before);
    }

    test::WriteFile(Tables() / "JORNADAS.DBF", "an old grid");
    {
        HeldByAnotherProgram holder(program, work.Path(), "JORNADAS.DBF", Tables() / "JORNADAS.DBF", false);
        const auto result = Cli(importJ1);
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.out, "Proceso finalizado\n");
    }
    EXPECT_EQ(test::ReadFile(Tables() / "JORNADAS.DBF"), "an old grid");
    EXPECT_EQ(Column("DIASHORAST", "DIHO").size(), 49u) << "every table replaced";
}

// The round trip of the demo school: the import, the timetable program's
// SOLUC put in place, the export. The result document lies beside the
// document, reads as well-formed XML, and holds every teacher's timetable.
TEST_F(CliTest, ExportsTheDemoSchool) {
    fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", work / "alumnos.xml");
    const std::vector<std::string> commands{"import --template J1 alumnos.xml", "export alumnos.xml"};
    ASSERT_EQ(Cli(commands[0]).exitCode, 0);
    fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");
    const auto tables = test::Snapshot(Tables());

    const auto result = Cli(commands[1]);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");
    EXPECT_EQ(result.err, "");
    const fs::path written = work / "ResultadoTuvanealumnos.xml";
    EXPECT_EQ(test::XmllintComplaint(written), "");
    const std::string document = test::ReadFile(written);
    EXPECT_NE(document.find("seq=\"HORARIOS_REGULARES\""), std::string::npos);
    EXPECT_EQ(test::Snapshot(Tables()), tables) << "the export changes no table";
    EXPECT_EQ(test::ReadFile(work / "alumnos.xml"), test::ReadFile(test::SourceDir() / "samples" / "demo-school.xml"));

    if (program.IsWindows()) {
        // The Linux program's result for the same round trip, fecha aside.
        test::TempDir linux;
        fs::create_directories(linux / "drive_c" / "MTEMP");
        fs::copy_file(work / "alumnos.xml", linux / "alumnos.xml");
        ASSERT_EQ(RunIn(linux.Path(), linux.Path(), "", VINDELEO_CLI, commands[0]).exitCode, 0);
        fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", linux / "drive_c" / "MTEMP" / "SOLUC.DBF");
        ASSERT_EQ(RunIn(linux.Path(), linux.Path(), "", VINDELEO_CLI, commands[1]).exitCode, 0);
        EXPECT_EQ(WithoutFecha(document), WithoutFecha(test::ReadFile(linux / "ResultadoTuvanealumnos.xml")));
    }
}

// A document under a folder whose name Windows-1252 cannot spell (Greek,
// Chinese; on Linux also a name that is not UTF-8 at all) is found, imported
// and exported beside itself: its path is kept as the system gives it.
TEST_F(CliTest, DocumentsUnderFoldersOfAnyScriptGoThroughBothRuns) {
    std::vector<std::string> folders{"\xCE\xA9mega", "\xE5\xAD\xA6\xE6\xA0\xA1"};  // Ωmega, 学校
    if (!program.IsWindows()) folders.push_back("escuela-\xFF\xFE");
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const fs::path dir = work / folder;
        fs::create_directories(dir);
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", dir / "alumnos.xml",
                      fs::copy_options::overwrite_existing);
        const auto imported = Cli("import --template J1 " + test::Quoted(dir / "alumnos.xml"));
        ASSERT_EQ(imported.exitCode, 0) << imported.out << imported.err;
        fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF",
                      fs::copy_options::overwrite_existing);
        const auto exported = Cli("export " + test::Quoted(dir / "alumnos.xml"));
        ASSERT_EQ(exported.exitCode, 0) << exported.out << exported.err;
        EXPECT_EQ(test::XmllintComplaint(dir / "ResultadoTuvanealumnos.xml"), "");
    }
}

// A SOLUC that another program uses exclusively cannot be read: the export
// stops with the message that opening the table gives and writes nothing.
TEST_F(CliTest, AHeldSolucStopsTheExport) {
    fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", work / "alumnos.xml");
    ASSERT_EQ(Cli("import --template J1 alumnos.xml").exitCode, 0);
    fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");
    const auto tables = test::Snapshot(Tables());

    HeldByAnotherProgram holder(program, work.Path(), "SOLUC.DBF", Tables() / "SOLUC.DBF", /*exclusive=*/true);
    const auto result = Cli("export alumnos.xml");
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "No se puede abrir la tabla " + Shown("SOLUC.DBF") + ": otro programa la tiene abierta.\n");
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(fs::exists(work / "ResultadoTuvanealumnos.xml"));
    EXPECT_EQ(test::Snapshot(Tables()), tables);
}

TEST_F(CliTest, TheTemplateOptionAnswersTheChooser) {
    const auto result = Cli("import --template '  J2 ' " + Sample());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(Column("DIASHORAST", "DIHO").size(), 21u);
    EXPECT_EQ(Column("PERIODOS", "JORNADA"), std::vector<std::string>{"Jornada de tarde (adultos)"});
    ExpectTheLinuxProgramsTables({"import --template '  J2 ' " + Sample()});

    // A code that no template has: the grid and the periods stay empty.
    const auto unknown = Cli("import --template ZZ " + Sample());
    ASSERT_EQ(unknown.exitCode, 0) << unknown.err;
    EXPECT_EQ(unknown.out, "Proceso finalizado\n");
    EXPECT_EQ(Column("DIASHORAST", "DIHO").size(), 0u);
    EXPECT_EQ(Column("PERIODOS", "JORNADA").size(), 0u);
}

// Import A, then B, then restore the copy that B made: the working directory
// is as after A; restoring the copy that the restore made gives B back. The
// timetable program's own files are never touched.
TEST_F(CliTest, RestorePutsBackTheTablesThatAnImportReplaced) {
    for (const char* name : {"a.xml", "b.xml"})
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", work / name);
    auto listing = Cli("restore");
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_EQ(listing.out, "No hay copias de las tablas en " + Shown("COPIAS") + "\n");

    test::WriteFile(Tables() / "JORNADAS.DBF", "an old grid that the import takes away");
    test::WriteFile(Tables() / "SOLUC.DBF", "the timetable");
    ASSERT_EQ(Cli("import --template J2 a.xml").exitCode, 0);
    auto afterA = WorkingTables(Tables());
    ASSERT_EQ(Cli("import --template J1 b.xml").exitCode, 0);
    test::WriteFile(Tables() / "SOLUC.DBF", "the timetable, computed again");
    auto afterB = WorkingTables(Tables());
    afterA["SOLUC.DBF"] = afterB["SOLUC.DBF"];

    listing = Cli("restore");
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    const std::regex line("(\\d{8}-\\d{6}(-\\d+)?)  \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d  (.*)  (\\d+) tablas?");
    std::vector<std::string> lines;
    for (std::istringstream in(listing.out); std::getline(in, lines.emplace_back());) {}
    lines.pop_back();
    ASSERT_EQ(lines.size(), 2u) << listing.out;
    std::smatch b, a;
    ASSERT_TRUE(std::regex_match(lines[0], b, line)) << lines[0];
    ASSERT_TRUE(std::regex_match(lines[1], a, line)) << lines[1];
    EXPECT_EQ(b[3], "b.xml");
    EXPECT_EQ(b[4], "9");  // the nine tables that A built
    EXPECT_EQ(a[3], "a.xml");
    EXPECT_EQ(a[4], "1");  // JORNADAS
    EXPECT_TRUE(lines[0].ends_with(" 9 tablas")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with(" 1 tabla")) << lines[1];  // one table, in the singular
    const std::string copyOfB = b[1];

    auto restored = Cli("restore " + copyOfB);
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(WorkingTables(Tables()), afterA);
    const std::vector<std::string> labels = ListedLabels(Cli("restore").out);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(restored.out, "Restaurada la copia " + copyOfB + ". Las tablas que sustituye se guardan en la copia " +
                                labels[0] + "\n");
    EXPECT_NE(Cli("restore").out.find(labels[0] + "  "), std::string::npos);
    EXPECT_NE(Cli("restore").out.find("  restauraci\xC3\xB3n de " + copyOfB + "  9 tablas"), std::string::npos);

    restored = Cli("restore " + labels[0]);
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    EXPECT_EQ(WorkingTables(Tables()), afterB);

    // Back to before A: JORNADAS returns, no table of the import is left.
    ASSERT_EQ(Cli("restore " + std::string(a[1])).exitCode, 0);
    EXPECT_EQ(WorkingTables(Tables()),
              (std::map<std::string, std::string>{{"JORNADAS.DBF", "an old grid that the import takes away"},
                                                  {"SOLUC.DBF", "the timetable, computed again"}}));
}

// An unknown label, a damaged copy and a table held by another program stop
// the restore with a message, and nothing is touched.
TEST_F(CliTest, ARestoreThatCannotBeDoneTouchesNothing) {
    ASSERT_EQ(Cli("import --template J2 " + Sample()).exitCode, 0);
    ASSERT_EQ(Cli("import --template J1 " + Sample()).exitCode, 0);
    const std::string label = ListedLabels(Cli("restore").out).front();
    auto before = test::Snapshot(Tables());

    for (const std::string unknown : {"20000101-000000", "..", "../MTEMP"}) {
        const auto result = Cli("restore " + test::Quoted(unknown));
        EXPECT_EQ(result.exitCode, 1) << unknown;
        EXPECT_EQ(result.out, "ATENCI\xC3\x93N - No existe la copia '" + unknown + "' en " + Shown("COPIAS") +
                                  ". Las tablas no se han tocado; elija una copia de la lista de copias\n");
        EXPECT_EQ(test::Snapshot(Tables()), before);
    }

    const fs::path kept = Tables() / "COPIAS" / label / "PROFT.DBF";
    const std::string bytes = test::ReadFile(kept);
    std::string spoilt = bytes;
    spoilt[spoilt.size() / 2] ^= 1;
    test::WriteFile(kept, spoilt);
    before = test::Snapshot(Tables());
    auto result = Cli("restore " + label);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "ATENCI\xC3\x93N - La copia " + label + " no se puede restaurar: el archivo PROFT.DBF " +
                              "est\xC3\xA1 da\xC3\xB1" "ado o incompleto. Las tablas no se han tocado; elija otra copia de "
                              "la lista\n");
    EXPECT_EQ(test::Snapshot(Tables()), before);
    test::WriteFile(kept, bytes.substr(0, bytes.size() - 1));
    EXPECT_NE(Cli("restore").out.find(label + "  COPIA NO UTILIZABLE: el archivo PROFT.DBF"), std::string::npos);
    test::WriteFile(kept, bytes);

    before = test::Snapshot(Tables());
    {
        HeldByAnotherProgram holder(program, work.Path(), "AULAT.DBF", Tables() / "AULAT.DBF", /*exclusive=*/false);
        result = Cli("restore " + label);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.err, "No se puede crear la tabla " + Shown("AULAT.DBF") + ": otro programa la tiene abierta.\n");
    }
    EXPECT_EQ(test::Snapshot(Tables()), before);
}

// The first import into an empty working directory keeps an empty copy,
// which puts the directory back to empty; of many imports, the copies of the
// ten newest are kept.
TEST_F(CliTest, TheFirstImportKeepsAnEmptyCopyAndTheTenNewestAreKept) {
    ASSERT_EQ(Cli("import " + Sample()).exitCode, 0);
    const auto listing = Cli("restore").out;
    EXPECT_NE(listing.find("  demo-school.xml  0 tablas\n"), std::string::npos) << listing;
    const std::string first = ListedLabels(listing).front();
    ASSERT_EQ(Cli("restore " + first).exitCode, 0);
    EXPECT_EQ(test::FileNames(Tables()), std::vector<std::string>{"COPIAS"});

    std::vector<std::string> labels{first};
    for (int run = 0; run < 10; ++run) {
        ASSERT_EQ(Cli("import " + Sample()).exitCode, 0);
    }
    const std::vector<std::string> kept = ListedLabels(Cli("restore").out);
    EXPECT_EQ(kept.size(), 10u);
    EXPECT_EQ(test::FileNames(Tables() / "COPIAS").size(), 10u);
    EXPECT_EQ(std::find(kept.begin(), kept.end(), first), kept.end()) << "the oldest copy is removed";
    EXPECT_TRUE(std::is_sorted(kept.rbegin(), kept.rend(), [](const std::string& x, const std::string& y) {
        return x.size() != y.size() && x.substr(0, 15) == y.substr(0, 15) ? x.size() < y.size() : x < y;
    }));
}

// A clock that goes back an hour (the end of summer time, here a change of
// TZ) gives the newest copy an earlier label: it is still listed first, and
// the clean-up removes the oldest copy, not it.
TEST_F(CliTest, TheNewestCopyStaysNewestWhenTheClockGoesBack) {
    if (program.IsWindows()) GTEST_SKIP() << "the time zone is set through TZ for the Linux program";
    auto importAt = [&](const std::string& zone) {
        return RunIn(work.Path(), Prefix(), "TZ=" + zone + " ", program.executable, "import " + Sample());
    };
    for (int run = 0; run < 10; ++run) ASSERT_EQ(importAt("UTC-1").exitCode, 0);
    const std::vector<std::string> before = ListedLabels(Cli("restore").out);
    ASSERT_EQ(before.size(), 10u);
    ASSERT_EQ(importAt("UTC").exitCode, 0);
    const std::vector<std::string> after = ListedLabels(Cli("restore").out);
    ASSERT_EQ(after.size(), 10u);
    EXPECT_LT(after.front(), before.front()) << "the label of the newest copy is an hour earlier";
    EXPECT_TRUE(std::find(before.begin(), before.end(), after.front()) == before.end());
    // The other nine are the nine newest of before, in their order.
    EXPECT_EQ(std::vector<std::string>(after.begin() + 1, after.end()),
              std::vector<std::string>(before.begin(), before.begin() + 9));
    EXPECT_TRUE(fs::is_directory(Tables() / "COPIAS" / after.front()));
}

// The check's runs. The Linux program makes its scratch folder in a
// temporary directory of the case's own (TMPDIR); the Windows program in the
// user's temporary folder of its Wine prefix, which other tests share (Wine
// itself is left its own TMPDIR, where it finds its server).
fs::path OwnTemporary(const fs::path& work) { return work / "tmp"; }

test::CommandResult CheckCommand(const Program& program, const fs::path& work, const fs::path& prefix,
                                 const std::string& arguments) {
    fs::create_directories(OwnTemporary(work));
    const std::string launcher =
        program.IsWindows() ? program.launcher : "TMPDIR=" + test::Quoted(OwnTemporary(work)) + " ";
    return RunIn(work, prefix, launcher, program.executable, arguments);
}

// What the check's runs left in the temporary folders: anything at all in the
// Linux program's own; a check's folder in the Windows program's.
std::vector<std::string> LeftInTemporary(const Program& program, const fs::path& work, const fs::path& prefix) {
    std::vector<std::string> left;
    if (!program.IsWindows()) return test::FileNames(OwnTemporary(work));
    for (const auto& user : fs::directory_iterator(prefix / "drive_c" / "users"))
        for (const fs::path& temporary : {user.path() / "Temp", user.path() / "AppData" / "Local" / "Temp"})
            if (fs::is_directory(temporary))
                for (const std::string& name : test::FileNames(temporary))
                    if (name.starts_with("vindeleo-check-")) left.push_back(name);
    return left;
}

// The check's table counts as it prints them: table -> (now, after).
std::map<std::string, std::pair<std::string, std::string>> CheckedCounts(const std::string& out) {
    std::map<std::string, std::pair<std::string, std::string>> counts;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line) && !line.starts_with("Registros que tiene ahora cada tabla")) {}
    const std::regex count("  ([A-Z0-9]+) +(.+) -> (.+)");
    for (std::smatch match; std::getline(lines, line) && !line.empty();)
        if (std::regex_match(line, match, count)) counts[match[1]] = {match[2], match[3]};
    return counts;
}

// A school with something for each part of the report; "{r}" is ř, which
// Windows-1252 lacks.
std::string SchoolToCheck() {
    const std::string xml = test::ExchangeXml({
        {"MATERIAS",
         {{"3101", "M1", "Lengua Castellana"}, {"3101", "M2", "Lengua Catalana"}, {"3109", "M3", "M\xFAsica"}, {"3101"}}},
        {"EMPLEADOS", {{"E1", "01/09/2020", "Idiomas", "Dvo{r}\xE1k", "Novak", "Jan"}}},
        {"DEPENDENCIAS", {{"A1", "Aula 1"}, {"A1", "Aula 1 bis"}}},
        {"CURSOS_DEL_CENTRO", {{"3101", "1\xBA ESO"}, {"3109", "Curso de tarde"}}},
        {"UNIDADES", {{"U1", "1\xBA ESO A", "3101"}}},
        {"JORNADAS_ESCOLARES", {{"J1", "Ma\xF1" "ana", "15/09/2026", "23/06/2027"}, {"J2", "Tarde", "x", "y"}}},
        {"TRAMOS_HORARIOS", {{"T1", "1\xAA", "480", "535", "J1"}}},
    });
    return std::regex_replace(xml, std::regex("\\{r\\}"), "\xC5\x99");
}

// The check runs the whole import aside: nothing under the working directory
// changes (bytes, times, names), nothing is left in the temporary folder, and
// it counts the records of the tables as they are and as a real import of the
// same document leaves them.
TEST_F(CliTest, CheckChangesNothingAndCountsAsTheImport) {
    test::WriteFile(work / "propia.xml", SchoolToCheck());
    ASSERT_EQ(Cli("import --template J2 " + Sample()).exitCode, 0);
    fs::copy_file(Tables() / "PERIODOS.DBF", Tables() / "JORNADAS.DBF");
    fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");

    for (const std::string& document : {Sample(), std::string("propia.xml")}) {
        SCOPED_TRACE(document);
        const auto before = test::SnapshotWithTimes(Tables());
        const auto result = CheckCommand(program, work.Path(), Prefix(), "check " + document + " --template J1");
        ASSERT_EQ(result.exitCode, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(test::SnapshotWithTimes(Tables()), before);
        EXPECT_EQ(LeftInTemporary(program, work.Path(), Prefix()), std::vector<std::string>{});

        const auto counts = CheckedCounts(result.out);
        ASSERT_EQ(counts.size(), 10u) << result.out;
        for (const auto& [table, count] : counts) {
            const fs::path file = Tables() / (table + ".DBF");
            EXPECT_EQ(count.first, fs::exists(file) ? std::to_string(ReadWithDbfread(file).records.size()) : "no existe")
                << table;
        }
        ASSERT_EQ(Cli("import --template J1 " + document).exitCode, 0);
        for (const auto& [table, count] : counts) {
            const fs::path file = Tables() / (table + ".DBF");
            if (table == "JORNADAS") {
                EXPECT_EQ(count.second, "se elimina");
                EXPECT_FALSE(fs::exists(file));
            } else {
                EXPECT_EQ(count.second, std::to_string(ReadWithDbfread(file).records.size())) << table;
            }
        }
    }
    EXPECT_EQ(test::ReadFile(Tables() / "SOLUC.DBF"), test::ReadFile(test::SourceDir() / "samples" / "SOLUC.DBF"));

    // What it tells of the school, in UTF-8 like every message.
    const auto result = CheckCommand(program, work.Path(), Prefix(), "check --template J2 propia.xml");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const std::string line : {
             "  Materia 'Lengua Catalana': LC1 (en lugar de LC)\n",
             "  Aula 'Aula 1 bis': A11 (en lugar de A1)\n",
             "  fila 3, 'M\xC3\xBAsica' (curso '3109'): el curso no tiene grupos\n",
             "  fila 4, '' (curso '3101'): la fila tiene menos de dos datos\n",
             "Cursos que no est\xC3\xA1n en el cat\xC3\xA1logo de niveles y reciben el nivel 'Niv' (1):\n"
             "  3109 'Curso de tarde'\n",
             "Plantilla horaria que se aplica: J2 (Tarde)\nOtras plantillas del documento:\n  J1 (Ma\xC3\xB1" "ana)\n",
             "  MATERIAS, fila 4 (datos: 1): no se importa, porque una fila necesita al menos dos datos\n",
             "  EMPLEADOS, fila 1, posici\xC3\xB3n 3: 'Dvo?\xC3\xA1k' (U+0159)\n",
         })
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "\nin:\n" << result.out;
}

// A document that the import refuses stops the check with the import's own
// message and exit status, and the check touches nothing either; so does a
// missing working directory.
TEST_F(CliTest, CheckStopsWhereTheImportStops) {
    ASSERT_EQ(Cli("import " + Sample()).exitCode, 0);
    test::WriteFile(work / "roto.xml", "<SERVICIO><BLOQUE_DATOS></SERVICIO>");
    test::WriteFile(work / "ajeno.xml", "<?xml version=\"1.0\"?>\n<OTRO/>\n");
    test::WriteFile(work / "curso.xml", test::ExchangeXml({{"CURSOS_DEL_CENTRO", {{" 1a ", "1\xBA ESO"}}}}));
    test::WriteFile(work / "tramo.xml", test::ExchangeXml({{"TRAMOS_HORARIOS", {{"T1", "1\xAA", "8:00", "9:00", ""}}}}));
    const std::pair<const char*, int> refused[] = {
        {"nada.xml", 1}, {"roto.xml", 1}, {"ajeno.xml", 1}, {"curso.xml", 2}, {"tramo.xml", 2}};
    for (const auto& [document, status] : refused) {
        SCOPED_TRACE(document);
        const auto before = test::SnapshotWithTimes(Tables());
        const auto checked = CheckCommand(program, work.Path(), Prefix(), std::string("check ") + document);
        EXPECT_EQ(checked.exitCode, status);
        EXPECT_EQ(test::SnapshotWithTimes(Tables()), before);
        EXPECT_EQ(LeftInTemporary(program, work.Path(), Prefix()), std::vector<std::string>{});
        const auto imported = Cli(std::string("import ") + document);
        EXPECT_EQ(imported.exitCode, status);
        EXPECT_EQ(checked.out, imported.out);
        EXPECT_EQ(checked.err, imported.err);
    }

    fs::remove_all(Tables());
    const auto checked = CheckCommand(program, work.Path(), Prefix(), "check " + Sample());
    EXPECT_EQ(checked.exitCode, 2);
    const std::string shownTables = program.IsWindows() ? "C:\\MTEMP" : Tables().string();
    EXPECT_EQ(checked.err, "No existe la carpeta de trabajo " + shownTables +
                               ": abra Morvalen una vez para que la cree y vuelva a intentarlo.\n");
    EXPECT_FALSE(fs::exists(Tables()));
    const auto imported = Cli("import " + Sample());
    EXPECT_EQ(checked.err, imported.err);
    EXPECT_EQ(checked.exitCode, imported.exitCode);
}

// A table that another program holds would stop the import: the check says
// so beside the table, and goes on.
TEST_F(CliTest, CheckTellsOfATableThatAnotherProgramHolds) {
    ASSERT_EQ(Cli("import " + Sample()).exitCode, 0);
    const auto before = test::SnapshotWithTimes(Tables());
    test::CommandResult result;
    {
        HeldByAnotherProgram holder(program, work.Path(), "PROFT.DBF", Tables() / "PROFT.DBF", /*exclusive=*/true);
        result = CheckCommand(program, work.Path(), Prefix(), "check " + Sample());
    }
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("  PROFT        ilegible -> 11\n"
                              "    PROFT: No se puede abrir la tabla " + Shown("PROFT.DBF") +
                              ": otro programa la tiene abierta\n"
                              "    PROFT: otro programa la tiene abierta, y la importaci\xC3\xB3n se parar\xC3\xAD" "a "
                              "sin cambiar nada. Cierre Morvalen antes de importar\n"),
              std::string::npos)
        << result.out;
    EXPECT_EQ(test::SnapshotWithTimes(Tables()), before);
}

}  // namespace
}  // namespace vindeleo
