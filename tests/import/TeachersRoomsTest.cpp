#include <gtest/gtest.h>

#include "import/ImportSteps.h"
#include "support/TestSupport.h"
#include "text/TextHelpers.h"

namespace vindeleo {
namespace {

using test::ExchangeXml;
using test::ReadWithDbfread;
using test::StepFixture;

std::vector<std::string> Teacher(const std::string& a, const std::string& b, const std::string& c,
                                 const std::string& employee = "E1") {
    return {employee, "01/09/2020", "Lengua", a, b, c};
}

TEST(ImportTeachersTest, NamesAndAbbreviations) {
    StepFixture fixture(ExchangeXml({{"EMPLEADOS",
                                      {Teacher("Garc\xED" "a", "L\xF3pez", "Juan"),
                                       Teacher("garc\xED" "a", "l\xF3pez", "juan"),
                                       Teacher("Gil", "Luna", "Jaime"),
                                       Teacher("Garc\xED" "a", "", "Juan"),
                                       Teacher("Garc\xED" "a", "L\xF3pez", ""),
                                       Teacher(" Ruiz", "Sanz ", "Ana"),
                                       Teacher("", "", ""),
                                       Teacher("", "", ""),
                                       {"E9"},
                                       {"E10", "01/09/2020", "Dpto"},  // positions 3 to 5 missing: empty
                                       Teacher("P", "Q", "R", "EMPLEADO12345")}}}));
    ImportTeachers(fixture.Context());
    const auto contents = ReadWithDbfread(fixture.Tables() / "PROFT.DBF");
    ASSERT_EQ(contents.records.size(), 10u);
    struct Expected { const char* abrev; const char* nombre; };
    const Expected expected[] = {
        {"GLJ", "Garc\xED" "a L\xF3pez, Juan"}, {"glj1", "garc\xED" "a l\xF3pez, juan"}, {"GLJ2", "Gil Luna, Jaime"},
        {"GJ", "Garc\xED" "a , Juan"},          {"GL", "Garc\xED" "a L\xF3pez, "},     {" SA", "Ruiz Sanz, Ana"},
        {"", " , "},                         {"1", " , "},                       {"2", " , "},
        {"PQR", "P Q, R"},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(contents.records[i].at("ABREV"), expected[i].abrev) << i;
        EXPECT_EQ(contents.records[i].at("NOMBRE"), RTrim(expected[i].nombre)) << i;
    }
    EXPECT_EQ(contents.records[0].at("DEPART"), "Lengua");
    EXPECT_EQ(contents.records[0].at("F_TOMAPOS"), "01/09/2020");
    EXPECT_EQ(contents.records[0].at("DNI"), "None");
    EXPECT_EQ(contents.records[9].at("X_EMPLEADO"), "EMPLEADO12");
}

TEST(ImportRoomsTest, CodesMadeUniqueButNeverFitted) {
    StepFixture fixture(ExchangeXml({{"DEPENDENCIAS",
                                      {{"AULA", "Aula 1"},
                                       {"AULA", "Aula 2"},
                                       {"aula", "Aula 3"},
                                       {"A1", "x"},
                                       {"a1", "y"},
                                       {"", "Laboratorio de F\xEDsica"},
                                       {"", ""},
                                       {"", ""},
                                       {"solo"},
                                       {"LABORATORIO1", "L1"},
                                       {"LABORATORIO2", "L2"},
                                       {"ABCDEFGHIJ", "p"},
                                       {"ABCDEFGHIJ", "q"},
                                       {"  B 2  ", "  Biblioteca  "}}}}));
    ImportRooms(fixture.Context());
    const auto contents = ReadWithDbfread(fixture.Tables() / "AULAT.DBF");
    const char* codes[] = {"AULA", "AULA1", "aula2", "A1", "a11", "Labora", "", "1",
                           "LABORATORI", "LABORATORI", "ABCDEFGHIJ", "ABCDEFGHIJ", "B 2"};
    ASSERT_EQ(contents.records.size(), std::size(codes));
    for (std::size_t i = 0; i < std::size(codes); ++i) EXPECT_EQ(contents.records[i].at("ABREV"), codes[i]) << i;
    EXPECT_EQ(contents.records.back().at("NOMBRE"), "Biblioteca");
    EXPECT_EQ(contents.records[0].at("MAXALUM"), "None");
}

}  // namespace
}  // namespace vindeleo
