#include <gtest/gtest.h>

#include <set>

#include "export/ExportSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// The demo school through the command line: import, the timetable program's
// solution table put in place, export. Every key that goes back to the
// administration system is one that its document gave.
class RoundTripTest : public ::testing::Test {
protected:
    RoundTripTest() { fs::create_directories(Tables()); }
    fs::path Tables() const { return prefix / "drive_c" / "MTEMP"; }
    fs::path Document() const { return prefix / "alumnos.xml"; }
    test::CommandResult Cli(const std::string& arguments) { return test::RunCli(prefix.Path(), arguments); }

    // Values at one position of every row of a section, trimmed as the import reads them.
    std::set<std::string> Keys(const ExchangeDocument& document, const char* section, std::size_t position) {
        std::set<std::string> keys;
        for (const Row& row : document.Rows(section)) keys.insert(row.Trimmed(position));
        return keys;
    }

    test::TempDir prefix;
};

TEST_F(RoundTripTest, DemoSchoolComesBackWithTheKeysItGave) {
    fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", Document());
    auto result = Cli("import alumnos.xml --template J1");
    ASSERT_EQ(result.exitCode, 0) << result.err;

    result = Cli("export alumnos.xml");  // no solution table yet
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("SOLUC"), std::string::npos) << result.err;

    fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");
    const std::string input = test::ReadFile(Document());
    result = Cli("export alumnos.xml");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Proceso finalizado\n");
    EXPECT_EQ(test::ReadFile(Document()), input);

    const fs::path saved = prefix / "ResultadoTuvanealumnos.xml";
    const auto lint = test::RunCommand("xmllint --noout " + test::Quoted(saved));
    EXPECT_EQ(lint.exitCode, 0) << lint.err;

    ExchangeDocument given;
    ASSERT_EQ(given.Load(Document()).status, LoadStatus::Loaded);
    ExchangeDocument returned;
    ASSERT_EQ(returned.Load(saved).status, LoadStatus::Loaded);
    const auto teachers = test::exporting::ReadTeacherGroups(returned);

    // As many teacher groups as teachers, as many lessons as the independent
    // reader finds placed lessons of each teacher in the solution table.
    const auto proft = test::ReadWithDbfread(Tables() / "PROFT.DBF").records;
    const auto soluc = test::ReadWithDbfread(Tables() / "SOLUC.DBF").records;
    ASSERT_EQ(teachers.size(), proft.size());
    std::size_t lessons = 0;
    for (std::size_t t = 0; t < proft.size(); ++t) {
        std::size_t placed = 0;
        for (const auto& record : soluc)
            if (record.at("PROF") == proft[t].at("ABREV") && record.at("DIA") != "0") ++placed;
        EXPECT_EQ(teachers[t].lessons.size(), placed) << proft[t].at("ABREV");
        lessons += placed;
    }
    EXPECT_GT(lessons, 40u);

    const auto employees = Keys(given, "EMPLEADOS", 0);
    const auto takingOffice = Keys(given, "EMPLEADOS", 1);
    const auto courses = Keys(given, "CURSOS_DEL_CENTRO", 0);
    const auto subjects = Keys(given, "MATERIAS", 1);
    const auto groups = Keys(given, "UNIDADES", 0);
    const auto slots = Keys(given, "TRAMOS_HORARIOS", 0);
    auto activities = Keys(given, "ACTIVIDADES", 1);
    activities.insert("1");
    const auto expectKnown = [](const std::set<std::string>& known, const std::string& value, const char* what) {
        EXPECT_TRUE(known.contains(value)) << what << " '" << value << "' is not one the document gave";
    };
    std::set<std::string> seen;
    for (const auto& teacher : teachers) {
        expectKnown(employees, teacher.values.at(0), "employee");
        expectKnown(takingOffice, teacher.values.at(1), "F_TOMAPOS");
        for (const auto& lesson : teacher.lessons) {
            for (const auto& [name, known] : {std::pair{"X_UNIDAD", &groups}, std::pair{"X_OFERTAMATRIG", &courses},
                                               std::pair{"X_MATERIAOMG", &subjects}, std::pair{"X_TRAMO", &slots}}) {
                const std::string value = lesson.Value(name);
                if (!value.empty()) expectKnown(*known, value, name);  // empty: the lesson has no such record
                if (!value.empty()) seen.insert(name);
            }
            expectKnown(activities, lesson.Value("X_ACTIVIDAD"), "activity");
        }
    }
    EXPECT_EQ(seen.size(), 4u);  // every kind of key came back at least once
}

}  // namespace
}  // namespace vindeleo
