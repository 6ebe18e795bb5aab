#include <gtest/gtest.h>

#include <memory>

#include "import/ImportSteps.h"
#include "import/LoadRules.h"
#include "support/TestSupport.h"
#include "tables/Layouts.h"
#include "tables/Table.h"

namespace vindeleo {
namespace {

using test::ExchangeXml;
using test::ReadWithDbfread;
using test::Section;
using test::StepFixture;

struct Subject {
    std::string code;
    std::string name;
};
struct Group {
    std::string code, level, course, letter, courseKey;
};

void WriteSubjects(const std::filesystem::path& dir, const std::vector<Subject>& subjects) {
    Table table(dir, layouts::Asignomt());
    table.Create();
    table.Open();
    for (const auto& subject : subjects) {
        table.Append();
        table.SetText("COD", subject.code);
        table.SetText("NOMBRE", subject.name);
        table.Post();
    }
    table.Close();
}

void WriteGroups(const std::filesystem::path& dir, const std::vector<Group>& groups) {
    Table table(dir, layouts::Grupost());
    table.Create();
    table.Open();
    for (const auto& group : groups) {
        table.Append();
        table.SetText("ABREV", group.code);
        table.SetText("NIVEL", group.level);
        table.SetText("CURSO", group.course);
        table.SetText("GRUPO", group.letter);
        table.SetText("CLAVECURSO", group.courseKey);
        table.Post();
    }
    table.Close();
}

const std::string kLongName = std::string(78, 'n') + "XY" + std::string(10, 'z');  // 90 characters

// The step over a document, with the subjects and groups below written before.
std::unique_ptr<StepFixture> Imported(const std::vector<Section>& sections) {
    auto school = std::make_unique<StepFixture>(ExchangeXml(sections));
    WriteSubjects(school->Tables(), {
                                        {"MAT", "Matem\xE1ticas"},  // Matemáticas
                                        {"LEN", "Lengua"},
                                        {"MAT2", "MATEM\xC1TICAS"},  // MATEMÁTICAS
                                        {"LEN9", " lengua"},         // same name key: the first wins
                                        {"LONG", kLongName.substr(0, 80)},
                                        {"", "Sin n\xFAmero"},
                                        {"ACT", ""},  // an activity without name
                                    });
    WriteGroups(school->Tables(), {
                                      {"G1A", "ESO", "1", "A", "10"},
                                      {"G2A", "ESO", "2", "A", "20"},
                                      {"G1B", "ESO", "1", "B", "10"},
                                      {"G1C", "ESO", "1", "C", "10"},
                                      {"GL", "BAC", "1", "L", "1234567890"},
                                  });
    ImportAssignments(school->Context());
    return school;
}

TEST(Assignments, EverySubjectGoesToEveryGroupOfItsCourse) {
    const auto school = Imported({{"MATERIAS",
                                   {
                                       {"10", "M1", "matem\xE1ticas"},  // a-z case ignored
                                       {"10"},                          // one value: skipped
                                       {" 20 ", " L1 ", " Lengua "},
                                       {"10", "X1", "Inexistente"},      // no such subject
                                       {"10", "E1", ""},                 // no name
                                       {"10", "E2"},                     // two values: no name
                                       {"30", "M3", "Matem\xE1ticas"},   // a course without groups
                                       {"12345678901", "M4", "Lengua"},  // longer than CLAVECURSO holds
                                       {"1234567890", "M5", "Lengua"},
                                       {"20", "M6", "matem\xC1ticas"},  // matemÁticas: the accent's case counts
                                       {"20", "M7", kLongName},         // matches its first 80 characters
                                       {"20", "S1", "Sin n\xFAmero"},   // its record has no code
                                       {"10", "M1", "Matem\xE1ticas"},  // the same row again: every group again
                                   }}});

    const auto table = ReadWithDbfread(school->Tables() / "ASIGT.DBF");
    const std::vector<std::vector<std::string>> expected = {
        // CASIG, CGRUP, NIVEL, CURSO, GRUPO, CLAVE, CLAVECURSO
        {"MAT", "G1A", "ESO", "1", "A", "M1", "10"},        {"MAT", "G1B", "ESO", "1", "B", "M1", "10"},
        {"MAT", "G1C", "ESO", "1", "C", "M1", "10"},        {"LEN", "G2A", "ESO", "2", "A", "L1", "20"},
        {"LEN", "GL", "BAC", "1", "L", "M5", "1234567890"}, {"MAT2", "G2A", "ESO", "2", "A", "M6", "20"},
        {"LONG", "G2A", "ESO", "2", "A", "M7", "20"},       {"MAT", "G1A", "ESO", "1", "A", "M1", "10"},
        {"MAT", "G1B", "ESO", "1", "B", "M1", "10"},        {"MAT", "G1C", "ESO", "1", "C", "M1", "10"},
    };
    const std::vector<std::string> fields = {"CASIG", "CGRUP", "NIVEL", "CURSO", "GRUPO", "CLAVE", "CLAVECURSO"};
    ASSERT_EQ(table.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& record = table.records[i];
        for (std::size_t f = 0; f < fields.size(); ++f)
            EXPECT_EQ(record.at(fields[f]), expected[i][f]) << "record " << i << " " << fields[f];
        EXPECT_DOUBLE_EQ(std::stod(record.at("HORAS")), 4.0) << "record " << i;
        EXPECT_EQ(record.at("SESIONES"), "1111");
        EXPECT_EQ(record.at("CTAREA"), "1");
        for (const char* blank : {"CPROF", "CAULA", "TURNO", "NCONEX"}) EXPECT_EQ(record.at(blank), "") << blank;
    }
}

TEST(Assignments, WithoutSubjectsTheTableIsNewAndEmpty) {
    StepFixture school(ExchangeXml({{"MATERIAS", {{"10", "M1"}}}}));
    WriteSubjects(school.Tables(), {{"ACT", ""}});
    WriteGroups(school.Tables(), {{"G1A", "ESO", "1", "A", "10"}});
    Table old(school.Tables(), layouts::Asigt());  // left by an earlier import
    old.Create();
    old.Open();
    old.Append();
    old.SetText("CASIG", "OLD");
    old.Post();
    old.Close();

    ImportAssignments(school.Context());
    const auto table = ReadWithDbfread(school.Tables() / "ASIGT.DBF");
    EXPECT_TRUE(table.records.empty());
    EXPECT_EQ(table.fields.size(), 14u);
}

TEST(LoadRules, HoursOfMinutes) {
    const std::pair<int, double> cases[] = {{240, 4}, {241, 5}, {60, 1}, {61, 2}, {1, 1}, {0, 1}, {-90, 1}};
    for (const auto& [minutes, hours] : cases) EXPECT_EQ(HoursOfMinutes(minutes), hours) << minutes;
}

TEST(LoadRules, LessonPattern) {
    const std::string thirteen(13, '1');
    const std::pair<double, std::string> cases[] = {
        {1, "1"},
        {4, "1111"},
        {3.2, "1111"},
        {13, thirteen},
        {14, "1" + thirteen},
        {20, "7" + thirteen},
        {113, "100" + thirteen},
    };
    for (const auto& [hours, pattern] : cases) EXPECT_EQ(LessonPattern(hours), pattern) << hours;
}

}  // namespace
}  // namespace vindeleo
