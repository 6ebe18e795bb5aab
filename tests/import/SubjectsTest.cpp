#include <gtest/gtest.h>

#include "import/ImportSteps.h"
#include "support/TestSupport.h"
#include "tables/Layouts.h"
#include "tables/Table.h"

namespace vindeleo {
namespace {

using test::ExchangeXml;
using test::Section;
using test::StepFixture;

std::vector<std::string> Row3(const std::string& name) { return {"3101", "M1", name}; }

struct Subject {
    std::string cod, codlargo, nombre;
};

std::vector<Subject> ReadSubjects(const std::filesystem::path& dir) {
    Table table(dir, layouts::Asignomt());
    table.Open();
    std::vector<Subject> subjects;
    for (table.First(); !table.Eof(); table.Next())
        subjects.push_back({table.Text("COD"), table.Text("CODLARGO"), table.Text("NOMBRE")});
    return subjects;
}

std::vector<Subject> ImportNames(const std::vector<std::string>& names) {
    Section materias{"MATERIAS", {}};
    for (const auto& name : names) materias.rows.push_back(Row3(name));
    StepFixture fixture(ExchangeXml({materias}));
    ImportSubjects(fixture.Context());
    return ReadSubjects(fixture.Tables());
}

TEST(ImportSubjectsTest, CodesOfSingleNames) {
    struct Case { const char* name; const char* cod; const char* codlargo; };
    const Case cases[] = {
        {"Lengua Castellana y Literatura", "LCL", "Lengua Cas"},
        {"Educaci\xF3n F\xEDsica", "EF", "Educaci\xF3n "},
        {"Matem\xE1ticas", "Matem\xE1", "Matem\xE1"},
        {"Ciencias de la naturaleza", "Cdln", "Ciencias d"},
        {"taller de teatro", "tdt", "taller de "},
        {"m\xFAsica", "m\xFAsica", "m\xFAsica"},
        {"2\xBA ESO Refuerzo", "2ESOR", "2ESOR"},
        {"CIENCIAS SOCIALES", "CIENCIASSO", "CIENCIASSO"},
        {"F\xCDSICA", "FSICA", "FSICA"},
        {"Laboratorio de Ciencias Experimentales I", "LCEI", "Laboratori"},
        {"Laboratorio de Ciencias Experimentales II", "LCEII", "LCEII"},
        {"Lengua  Extranjera", "LE", "Lengua  Ex"},
    };
    for (const auto& c : cases) {
        const auto subjects = ImportNames({c.name});
        ASSERT_EQ(subjects.size(), 1u) << c.name;
        EXPECT_EQ(subjects[0].cod, c.cod) << c.name;
        // The table keeps trailing blanks off what it gives back.
        std::string codlargo = c.codlargo;
        while (!codlargo.empty() && codlargo.back() == ' ') codlargo.pop_back();
        EXPECT_EQ(subjects[0].codlargo, codlargo) << c.name;
        EXPECT_EQ(subjects[0].nombre, c.name);
    }
}

TEST(ImportSubjectsTest, SequencesOfNames) {
    auto codes = [](const std::vector<std::string>& names) {
        std::vector<std::string> result;
        for (const auto& s : ImportNames(names)) result.push_back(s.cod);
        return result;
    };
    EXPECT_EQ(codes({"Lengua Castellana", "Lengua Catalana", "Literatura Cl\xE1sica"}),
              (std::vector<std::string>{"LC", "LC1", "LC2"}));
    // Same upper-cased name skipped; an accented capital makes another name.
    EXPECT_EQ(codes({"Historia", "HISTORIA", "historia", "Historia del Arte"}),
              (std::vector<std::string>{"Histor", "HA"}));
    EXPECT_EQ(codes({"F\xEDsica", "F\xCDSICA"}), (std::vector<std::string>{"F\xEDsica", "FSICA"}));
    // Fitted codes are tested again, so the third does not repeat the second.
    EXPECT_EQ(codes({"CIENCIAS SOCIALES I", "CIENCIAS SOCIALES II", "CIENCIAS SOCIALES III"}),
              (std::vector<std::string>{"CIENCIASSO", "CIENCIASO1", "CIENCIASO2"}));
}

TEST(ImportSubjectsTest, SkipsShortRowsAndBlankNamesAndCutsLongNames) {
    const std::string longName = "Proyecto " + std::string(90, 'x');
    StepFixture fixture(ExchangeXml({{"MATERIAS",
                                      {{"only one"},
                                       {"3101", "M1"},           // no name: skipped
                                       {"3101", "M2", "   "},    // blank name: skipped
                                       {"3101", "M3", longName},
                                       {"3101", "M4", "  Dibujo  "}}}}));
    ImportSubjects(fixture.Context());
    const auto subjects = ReadSubjects(fixture.Tables());
    ASSERT_EQ(subjects.size(), 2u);
    EXPECT_EQ(subjects[0].nombre, longName.substr(0, 80));
    EXPECT_EQ(subjects[1].nombre, "Dibujo");
    EXPECT_EQ(fixture.Context().SeenNames.Size(), 2u);
}

TEST(ImportActivitiesTest, AppendsTaskRecordsAndReleasesTheLists) {
    StepFixture fixture(ExchangeXml({{"MATERIAS", {Row3("Guardia")}},
                                     {"ACTIVIDADES",
                                      {{"A1", "GUA", "Guardia de recreo"},
                                       {"A2"},
                                       {"A3", "", "Sin c\xF3" "digo"},
                                       {"A4", "CODIGOLARGO1", "Reuni\xF3n"}}}}));
    ImportSubjects(fixture.Context());
    ImportActivities(fixture.Context());
    EXPECT_EQ(fixture.Context().UsedCodes.Size(), 0u);
    EXPECT_EQ(fixture.Context().SeenNames.Size(), 0u);

    const auto contents = test::ReadWithDbfread(fixture.Tables() / "ASIGNOMT.DBF");
    ASSERT_EQ(contents.records.size(), 4u);
    const auto& subject = contents.records[0];
    EXPECT_EQ(subject.at("COD"), "Guardi");
    EXPECT_EQ(subject.at("ESTAREA"), "False");
    EXPECT_EQ(subject.at("CODTAREA"), "");
    const auto& task = contents.records[1];
    EXPECT_EQ(task.at("COD"), "GUA");
    EXPECT_EQ(task.at("CODLARGO"), "Guardia");  // first eight characters, the blank dropped on reading
    EXPECT_EQ(task.at("CODTAREA"), "GUA");
    EXPECT_EQ(task.at("ESTAREA"), "True");
    EXPECT_EQ(contents.records[2].at("COD"), "");
    EXPECT_EQ(contents.records[3].at("COD"), "CODIGOLARG");
    EXPECT_EQ(contents.records[3].at("CODTAREA"), "CODIGOLARGO1");
}

}  // namespace
}  // namespace vindeleo
