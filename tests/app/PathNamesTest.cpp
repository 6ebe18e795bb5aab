// Blanks, accented letters and both kinds of quotes in every path the system
// takes: the chosen document (given relative and absolute), the Wine prefix
// that holds the working tables, and the program's own directory with the
// level catalogue; through vindeleo-cli import and export.

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::Quoted;

class PathNames : public ::testing::Test {
protected:
    PathNames() {
        const fs::path root = scratch / "A\xC3\xB1o 2026 'cole' \"N\xC2\xBA 1\"";
        prefix = root / "prefijo de Wine \xC3\xBC 'x' \"y\"";
        program = root / "Programa 'Vindeleo' \"\xC3\xB1\xC3\xA1\" ";
        documents = root / "Documentos de Siravel '\xC3\xA1' \"\xC3\xA9\"";
        fs::create_directories(Tables());
        fs::create_directories(program);
        fs::create_directories(documents);
        fs::copy_file(VINDELEO_CLI, program / "vindeleo-cli");
        fs::copy_file(test::BinaryDir() / "NIVELEX.DBF", program / "NIVELEX.DBF");
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", Document());
    }

    fs::path Tables() const { return prefix / "drive_c" / "MTEMP"; }
    static std::string DocumentName() { return "alumnos de 1\xC2\xBA 'A' \"B\" \xC3\xB1.xml"; }
    fs::path Document() const { return documents / DocumentName(); }

    // The program from its odd directory, started in the documents' directory.
    test::CommandResult Cli(const std::string& arguments) const {
        return test::RunCommand("cd " + Quoted(documents) + " && WINEPREFIX=" + Quoted(prefix) + " " +
                                Quoted(program / "vindeleo-cli") + " " + arguments);
    }

    // A table as the independent reader sees it, read from a copy at a plain
    // path (the shared reader's command line does not quote a path's quotes).
    test::DbfContents Read(const fs::path& table) const {
        const fs::path copy = scratch / "copia.dbf";
        fs::copy_file(table, copy, fs::copy_options::overwrite_existing);
        return test::ReadWithDbfread(copy);
    }

    test::TempDir scratch;
    fs::path prefix;
    fs::path program;
    fs::path documents;
};

TEST_F(PathNames, ImportAndExportThroughOddPaths) {
    const std::string original = test::ReadFile(Document());
    // Relative to the current directory; no --template, so that the template
    // chooser loads the document again by its name.
    auto result = Cli("import " + Quoted(DocumentName()));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");
    EXPECT_EQ(Read(Tables() / "PROFT.DBF").records.size(), 11u);
    EXPECT_EQ(Read(Tables() / "PERIODOS.DBF").records.at(0).at("CJORNADA"), "J1");

    fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");
    result = Cli("export " + Quoted(Document()));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");
    const fs::path saved = documents / ("ResultadoTuvane" + DocumentName());
    ASSERT_TRUE(fs::exists(saved));
    const auto lint = test::RunCommand("xmllint --noout " + Quoted(saved));
    EXPECT_EQ(lint.exitCode, 0) << lint.err;
    EXPECT_EQ(test::ReadFile(Document()), original);
    EXPECT_EQ(test::FileNames(documents), (std::vector<std::string>{"ResultadoTuvane" + DocumentName(), DocumentName()}));
}

TEST_F(PathNames, MessagesNameOddPathsAsTheyAre) {
    auto result = Cli("import " + Quoted(documents / "no est\xC3\xA1 'aqu\xC3\xAD'.xml"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "No existe archivo\n");

    test::WriteFile(Tables() / "SOLUC.DBF", "no es una tabla");
    result = Cli("export " + Quoted(DocumentName()));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "El archivo " + (Tables() / "SOLUC.DBF").string() +
                              " est\xC3\xA1 da\xC3\xB1" "ado o incompleto (la cabecera est\xC3\xA1 incompleta)\n");
    EXPECT_FALSE(fs::exists(documents / ("ResultadoTuvane" + DocumentName())));
}

}  // namespace
}  // namespace vindeleo
