#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "import/ImportStepTestSupport.h"
#include "import/ImportSteps.h"
#include "support/TestSupport.h"
#include "tables/Layouts.h"
#include "tables/TablesSupport.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

using test::Column;
using test::ExchangeXml;
using test::ReadRecords;
using test::ReadWithDbfread;
using test::Section;
using test::StepFixture;

const std::vector<std::string> kGroupFields = {"ABREV", "TURNO", "NIVEL",      "CURSO",
                                               "GRUPO", "CLAVE", "CLAVECURSO", "DESCRIP"};

const std::vector<test::CatalogueEntry> kCatalogue = {
    {7, "ESO", "Secundaria"}, {7, "XX", "Repetido"},  // a later record of key 7
    {8, "", "Bachillerato"},  {9, "ESO", ""},        {10, "ABCDEFG", "Largo"},
};

// A school with the document's sections and the catalogue above, before the step.
std::unique_ptr<StepFixture> School(const std::vector<Section>& sections) {
    auto school = std::make_unique<StepFixture>(ExchangeXml(sections));
    test::WriteCatalogue(school->Program(), kCatalogue);
    return school;
}

// The same, after the step.
std::unique_ptr<StepFixture> Imported(const std::vector<Section>& sections) {
    auto school = School(sections);
    ImportCoursesAndGroups(school->Context());
    return school;
}

TEST(CoursesAndGroups, CoursesTakeLevelAndStudyFromTheCatalogue) {
    // \xBA is the ordinal sign of "1º ESO".
    const auto school = Imported({{"CURSOS_DEL_CENTRO",
                                   {
                                       {" 007 ", "1\xBA ESO"},  // 7: first catalogue record wins
                                       {"5"},                   // one value: skipped
                                       {"8", "2\xBA Bach"},     // empty level in the catalogue
                                       {"9", "1\xBA ESO"},      // empty study in the catalogue
                                       {"42", " Ciclo "},       // not in the catalogue
                                       {"10", ""},              // level cut to five; empty name
                                       {"00000000001", "Uno"},  // integer 1, key stored cut
                                   }}});

    const auto courses = ReadWithDbfread(school->Tables() / "CURSOST.DBF");
    ASSERT_EQ(courses.records.size(), 6u);
    EXPECT_EQ(Column(courses.records, "CLAVE"), (std::vector<std::string>{"007", "8", "9", "42", "10", "0000000000"}));
    EXPECT_EQ(Column(courses.records, "NIVEL"), (std::vector<std::string>{"ESO", "Niv", "ESO", "Niv", "ABCDE", "Niv"}));
    EXPECT_EQ(Column(courses.records, "CURSO"), (std::vector<std::string>{"1", "2", "1", "C", "", "U"}));
    EXPECT_EQ(Column(courses.records, "ESTUD"),
              (std::vector<std::string>{"Secundaria", "Bachillerato", "", "Ciclo", "Largo", "Uno"}));
    EXPECT_EQ(Column(courses.records, "ABREV"), std::vector<std::string>(6, ""));
    EXPECT_EQ(Column(courses.records, "TURNO"), std::vector<std::string>(6, ""));
}

// A catalogue record whose key is not exactly a whole number of 32 bits is
// no course's record: passed over, never rounded to a neighbour, never an
// error. A key equal to a whole number (3101.00) is that number.
TEST(CoursesAndGroups, CatalogueKeysThatAreNoWholeNumberMatchNoCourse) {
    StepFixture school(ExchangeXml({{"CURSOS_DEL_CENTRO",
                                     {{"3101", "1\xBA ESO"}, {"3102", "2\xBA ESO"}, {"0", "Cero"}, {"7", "Siete"}}}}));
    test::WriteFile(school.Program() / "NIVELEX.DBF",
                    test::tables::ForeignCatalogue({
                        {"99999999999", "BIG", "Fuera de 32 bits"},
                        {"3101.5", "FRAC", "Con decimales"},  // not course 3102
                        {"", "BLANK", "Sin clave"},           // not course 0
                        {"abc", "TXT", "Sin n\xFAmero"},
                        {"3101.0000", "ESO", "Secundaria 1"},
                        {"3101", "OTRO", "Repetido"},  // a later record of 3101
                        {"00007", "PRI", "Primaria"},
                    }));
    ImportCoursesAndGroups(school.Context());

    const auto courses = ReadWithDbfread(school.Tables() / "CURSOST.DBF");
    EXPECT_EQ(Column(courses.records, "NIVEL"), (std::vector<std::string>{"ESO", "Niv", "Niv", "PRI"}));
    EXPECT_EQ(Column(courses.records, "ESTUD"),
              (std::vector<std::string>{"Secundaria 1", "2\xBA ESO", "Cero", "Primaria"}));
}

TEST(CoursesAndGroups, GroupsTakeTheirCourseRecord) {
    const auto school =
        Imported({{"CURSOS_DEL_CENTRO", {{"007", "1\xBA ESO"}, {"9", "1\xBA ESO"}, {"00000000001", "Uno"}}},
                  {"UNIDADES",
                   {
                       {"U1", "1\xBA ESO B", "9"},      // course without study: composed description
                       {"U2", " 1\xBA ESO A ", "007"},  // course with study
                       {"U3", "Z", "999"},              // no such course
                       {"U4", "Solo"},                  // two values: no course key
                       {"U5"},                          // one value: skipped
                       {"U6", "L", "00000000001"},      // the full key of a course stored cut
                       {"U7", "M", "7"},                // the course's number in another spelling
                   }}});

    const auto groups = ReadWithDbfread(school->Tables() / "GRUPOST.DBF");
    ASSERT_EQ(groups.records.size(), 6u);
    const std::vector<std::vector<std::string>> expected = {
        // ABREV, TURNO, NIVEL, CURSO, GRUPO, CLAVE, CLAVECURSO, DESCRIP
        {"1\xBA ESO B", "", "ESO", "1", "B", "U1", "9", " ESO 1 B"},
        {"1\xBA ESO A", "", "ESO", "1", "A", "U2", "007", "Secundaria"},
        {"Z", "", "", "", "Z", "U3", "999", "   Z"},
        {"Solo", "", "", "", "o", "U4", "", "   o"},
        {"L", "", "", "", "L", "U6", "0000000000", "   L"},
        {"M", "", "", "", "M", "U7", "7", "   M"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (std::size_t f = 0; f < kGroupFields.size(); ++f)
            EXPECT_EQ(groups.records[i].at(kGroupFields[f]), expected[i][f]) << "group " << i << " " << kGroupFields[f];
}

TEST(CoursesAndGroups, GroupCodesAreUniqueIgnoringCaseAndFitted) {
    struct Case {
        const char* name;
        const char* code;
        const char* letter;
    };
    const Case cases[] = {
        {"a", "a", "a"},
        {"A", "A1", "A"},
        {"X", "X", "X"},
        {"X", "X1", "X"},
        {"X", "X2", "X"},
        {"ABCDEFGHIJKL", "ABCDEFGHKL", "L"},  // twelve characters: first eight and last two
        {"ABCDEFGHIJKL", "ABCDEFGHL1", "L"},  // the same long name again keeps a code of its own
        {"ABCDEFGHIJ", "ABCDEFGHIJ", "J"},
        {"ABCDEFGHIJ", "ABCDEFGHJ1", "J"},
        {"ABCDEFGHIJ", "ABCDEFGHJ2", "J"},    // its fitted ABCDEFGHIJ1 is taken by the one before
        {"ABCDEFGHxxKL", "ABCDEFGHL2", "L"},  // ABCDEFGHKL and ABCDEFGHL1 are taken
        {"", "", ""},
        {"", "1", ""},
        {"  In ner  ", "In ner", "r"},
        {"\xE1rea", "\xE1rea", "a"},   // área
        {"\xC1REA", "\xC1REA1", "A"},  // ÁREA: accented letters fold too
    };
    std::vector<std::vector<std::string>> rows;
    for (const auto& c : cases) rows.push_back({"K", c.name, ""});
    const auto school = Imported({{"UNIDADES", rows}});

    const auto groups = ReadRecords(school->Tables(), layouts::Grupost(), kGroupFields);
    ASSERT_EQ(groups.size(), std::size(cases));
    std::set<std::string> folded;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        EXPECT_EQ(groups[i].at("ABREV"), cases[i].code) << "row " << i;
        EXPECT_EQ(groups[i].at("GRUPO"), cases[i].letter) << "row " << i;
        folded.insert(FoldCase1252(groups[i].at("ABREV")));
    }
    EXPECT_EQ(folded.size(), groups.size()) << "every group has a code of its own";
}

TEST(CoursesAndGroups, ACourseKeyThatIsNoWholeNumberStopsTheStep) {
    const std::pair<const char*, const char*> cases[] = {
        {" x ", "'x' no es un valor entero v\xE1lido"},
        {"", "'' no es un valor entero v\xE1lido"},
        {"1.5", "'1.5' no es un valor entero v\xE1lido"},
        {"2147483648", "'2147483648' no es un valor entero v\xE1lido"},
    };
    for (const auto& [key, message] : cases) {
        const auto bad = School({{"CURSOS_DEL_CENTRO", {{"7", "Primero"}, {key, "Malo"}, {"8", "Segundo"}}},
                                 {"UNIDADES", {{"U1", "A", "7"}}}});
        try {
            ImportCoursesAndGroups(bad->Context());
            ADD_FAILURE() << "no error for key '" << key << "'";
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        // What was posted before stays; the groups are never written.
        EXPECT_EQ(Column(ReadRecords(bad->Tables(), layouts::Cursost(), {"CLAVE"}), "CLAVE"), std::vector<std::string>{"7"});
        EXPECT_TRUE(ReadRecords(bad->Tables(), layouts::Grupost(), {"CLAVE"}).empty());
    }
}

TEST(CoursesAndGroups, WithoutRowsBothTablesAreNewAndEmpty) {
    // Earlier tables in the directory are replaced.
    const auto school = School({});
    Table old(school->Tables(), layouts::Grupost());
    old.Create();
    old.Open();
    old.Append();
    old.SetText("ABREV", "OLD");
    old.Post();
    old.Close();
    ImportCoursesAndGroups(school->Context());

    EXPECT_TRUE(ReadWithDbfread(school->Tables() / "CURSOST.DBF").records.empty());
    const auto groups = ReadWithDbfread(school->Tables() / "GRUPOST.DBF");
    EXPECT_TRUE(groups.records.empty());
    std::vector<std::string> names;
    for (const auto& field : groups.fields) names.push_back(field.name);
    EXPECT_EQ(names, kGroupFields);
}

}  // namespace
}  // namespace vindeleo
