#include <gtest/gtest.h>

#include <optional>

#include "import/ImportStepTestSupport.h"
#include "import/ImportSteps.h"
#include "support/TestSupport.h"
#include "tables/Layouts.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

using test::Column;
using test::ExchangeXml;
using test::ReadRecords;
using test::ReadWithDbfread;
using test::StepFixture;

const std::vector<std::string> kGridFields = {"DIHO",     "CODDIHO",   "DIA",       "TEXTODIA", "HORA",
                                              "TEXTOHOR", "HORADESDE", "HORAHASTA", "MINUTOS"};

std::vector<std::string> Grid(const StepFixture& school, const TableLayout& table, const char* field) {
    return Column(ReadRecords(school.Tables(), table, {field}), field);
}

// The seven values of a slot, day 1 to 7, each text followed by a suffix.
std::vector<std::string> Week(const std::string& suffix) {
    std::vector<std::string> values;
    for (int day = 1; day <= 7; ++day) values.push_back(std::to_string(day) + suffix);
    return values;
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Three slot rows, templates A and B, A chosen in the chooser (its first code).
TEST(TimeSlots, WorkedExample) {
    StepFixture school(ExchangeXml({
        {"JORNADAS_ESCOLARES", {{"A", "Jornada A", "01/09/2024", "30/06/2025"}, {"B", "Jornada B", "x", "y"}}},
        {"TRAMOS_HORARIOS",
         {{"S1", "1\xAA", "480", "535", "A"}, {"S2", "B1", "535", "590", "B"}, {"S3", "2\xAA", "535", "590", "A"}}},
    }));
    school.State().TemplateCode = "old";
    ImportTimeSlots(school.Context());

    EXPECT_EQ(school.Ui().templateDialogs, 1);
    EXPECT_EQ(school.State().TemplateCode, "A");

    const auto slots = ReadWithDbfread(school.Tables() / "DIASHORAST2.DBF");
    ASSERT_EQ(slots.records.size(), 14u);
    EXPECT_EQ(Column(slots.records, "DIHO"), Concat({Week("1"), Week("3")}));
    EXPECT_EQ(Column(slots.records, "DIA"), Concat({Week(""), Week("")}));
    EXPECT_EQ(Column(slots.records, "HORA"),
              Concat({std::vector<std::string>(7, "1"), std::vector<std::string>(7, "3")}));
    EXPECT_EQ(Column(slots.records, "ORDEN"),
              Concat({std::vector<std::string>(7, "480"), std::vector<std::string>(7, "535")}));
    EXPECT_EQ(slots.records[0].at("CODDIHO"), "S1");
    EXPECT_EQ(slots.records[0].at("TEXTOHOR"), "1\xAA");
    EXPECT_EQ(slots.records[13].at("HORADESDE"), "08:55");
    EXPECT_EQ(slots.records[13].at("TEXTODIA"), "");

    const auto grid = ReadWithDbfread(school.Tables() / "DIASHORAST.DBF");
    ASSERT_EQ(grid.records.size(), 14u);
    std::vector<std::string> names;
    for (const auto& field : grid.fields) names.push_back(field.name);
    EXPECT_EQ(names, kGridFields);
    for (std::size_t i = 0; i < 14; ++i) {
        const bool first = i < 7;
        const auto& record = grid.records[i];
        const std::string day = std::to_string(i % 7 + 1);
        EXPECT_EQ(record.at("DIHO"), day + (first ? "1" : "2")) << i;
        EXPECT_EQ(record.at("DIA"), day);
        EXPECT_EQ(record.at("HORA"), first ? "1" : "2");
        EXPECT_EQ(record.at("CODDIHO"), first ? "S1" : "S3");
        EXPECT_EQ(record.at("TEXTOHOR"), first ? "1\xAA" : "2\xAA");
        EXPECT_EQ(record.at("HORADESDE"), first ? "08:00" : "08:55");
        EXPECT_EQ(record.at("HORAHASTA"), first ? "08:55" : "09:50");
        EXPECT_EQ(record.at("MINUTOS"), "55");
        EXPECT_EQ(record.at("TEXTODIA"), "");
    }

    const auto periods = ReadWithDbfread(school.Tables() / "PERIODOS.DBF");
    ASSERT_EQ(periods.records.size(), 1u);
    EXPECT_EQ(periods.records[0].at("CJORNADA"), "A");
    EXPECT_EQ(periods.records[0].at("JORNADA"), "Jornada A");
    EXPECT_EQ(periods.records[0].at("FECINI"), "01/09/2024");
    EXPECT_EQ(periods.records[0].at("FECFIN"), "30/06/2025");
}

// One template: no chooser. Slots out of time order, two with the same start,
// an end before its start, hours from 10 on, a start past midnight.
TEST(TimeSlots, HoursFollowTheStartTimes) {
    std::vector<std::vector<std::string>> rows = {
        {"P1", "x", "600", "650", "T"},   {"solo"},    // one value: no row number
        {"P2", "y", " 480 ", "530", "T"}, {"Q", "q"},  // another template (empty code): takes number 3
        {"P3", "z", "480", "470", "T"},                // same start as P2, ends before it starts
    };
    const char* later[] = {"700", "750", "800", "850", "900", "950", "1000", "1500"};
    for (int i = 0; i < 8; ++i) rows.push_back({"P" + std::to_string(i + 4), "h", later[i], "1560", "T"});
    StepFixture school(
        ExchangeXml({{"JORNADAS_ESCOLARES", {{" T ", "Unica", "d1", "d2"}}}, {"TRAMOS_HORARIOS", rows}}));
    ImportTimeSlots(school.Context());

    EXPECT_EQ(school.Ui().templateDialogs, 0);
    EXPECT_EQ(school.State().TemplateCode, "T");

    // DIASHORAST2 keeps the row numbers, in the order the rows came.
    std::vector<std::string> rowHours;
    for (const char* hour : {"1", "2", "4", "5", "6", "7", "8", "9", "10", "11", "12"})
        rowHours.insert(rowHours.end(), 7, hour);
    EXPECT_EQ(Grid(school, layouts::Diashorast2(), "HORA"), rowHours);

    // DIASHORAST: 480 (P2, then P3) is hour 1, 600 hour 2, 700 ... 1500 hours 3 to 10.
    const auto grid = ReadRecords(school.Tables(), layouts::Diashorast(), kGridFields);
    ASSERT_EQ(grid.size(), 77u);
    std::vector<std::string> codes;
    for (const char* code : {"P2", "P3", "P1", "P4", "P5", "P6", "P7", "P8", "P9", "P10", "P11"})
        codes.insert(codes.end(), 7, code);
    EXPECT_EQ(Column(grid, "CODDIHO"), codes);
    EXPECT_EQ(Column(grid, "DIHO"), Concat({Week("1"), Week("1"), Week("2"), Week("3"), Week("4"), Week("5"), Week("6"),
                                            Week("7"), Week("8"), Week("9"), Week("10")}));
    EXPECT_EQ(grid[70].at("DIHO"), "110");
    EXPECT_EQ(grid[70].at("HORA"), "10");
    EXPECT_EQ(grid[70].at("HORADESDE"), "25:00");
    EXPECT_EQ(grid[70].at("HORAHASTA"), "26:00");
    EXPECT_EQ(grid[7].at("MINUTOS"), "-10");
    EXPECT_EQ(grid[7].at("HORAHASTA"), "07:50");
    EXPECT_EQ(grid[0].at("MINUTOS"), "50");
}

// The chooser's answer, trimmed, is the template code, letter case included.
TEST(TimeSlots, TheChoiceDecidesWhichSlotsAreTaken) {
    struct Case {
        std::optional<std::string> answer;
        std::string code;
        std::vector<std::string> slotCodes;  // DIASHORAST, one per slot
        std::vector<std::string> periods;
    };
    const Case cases[] = {
        {std::nullopt, "A", {"S1"}, {"Oto\xF1o"}},  // the first code
        {"  B\t", "B", {"S2", "S3"}, {"Tarde"}},
        {"a", "a", {}, {}},  // another letter case matches nothing
        {"Z", "Z", {}, {}},
    };
    for (const auto& c : cases) {
        StepFixture school(ExchangeXml({
            {"JORNADAS_ESCOLARES", {{"A", "Oto\xF1o", "1", "2"}, {"B", "Tarde", "3", "4"}}},
            {"TRAMOS_HORARIOS",
             {{"S1", "1", "480", "535", "A"}, {"S2", "2", "900", "955", "B"}, {"S3", "3", "955", "1010", "B"}}},
        }));
        school.Ui().templateAnswer = c.answer;
        ImportTimeSlots(school.Context());
        EXPECT_EQ(school.Ui().templateDialogs, 1);
        EXPECT_EQ(school.State().TemplateCode, c.code);
        std::vector<std::string> expected;
        for (const auto& code : c.slotCodes) expected.insert(expected.end(), 7, code);
        EXPECT_EQ(Grid(school, layouts::Diashorast(), "CODDIHO"), expected) << c.code;
        EXPECT_EQ(Grid(school, layouts::Diashorast2(), "CODDIHO"), expected) << c.code;
        EXPECT_EQ(Grid(school, layouts::Periodos(), "JORNADA"), c.periods) << c.code;
    }
}

TEST(TimeSlots, WithoutTemplatesOnlySlotsWithoutCodeAreTaken) {
    StepFixture school(
        ExchangeXml({{"TRAMOS_HORARIOS",
                      {{"E1", "e", "480", "500", ""}, {"A1", "a", "500", "520", "A"}, {"E2", "f", "520", "540"}}}}));
    school.State().TemplateCode = "old";
    ImportTimeSlots(school.Context());
    EXPECT_EQ(school.Ui().templateDialogs, 0);
    EXPECT_EQ(school.State().TemplateCode, "");
    std::vector<std::string> expected(7, "E1");
    expected.insert(expected.end(), 7, "E2");
    EXPECT_EQ(Grid(school, layouts::Diashorast(), "CODDIHO"), expected);
    EXPECT_TRUE(Grid(school, layouts::Periodos(), "CJORNADA").empty());
}

// Only the chosen template's times are read as numbers.
TEST(TimeSlots, ATimeThatIsNoWholeNumberStopsTheStep) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"S2", "s", " x ", "600", "A"}, "'x' no es un valor entero v\xE1lido"},
        {{"S2", "s", "540", "9a", "A"}, "'9a' no es un valor entero v\xE1lido"},
        {{"S2", "s", "", "600", "A"}, "'' no es un valor entero v\xE1lido"},
    };
    for (const auto& [badRow, message] : cases) {
        StepFixture school(
            ExchangeXml({{"JORNADAS_ESCOLARES", {{"A", "Jornada", "1", "2"}}},
                         {"TRAMOS_HORARIOS", {{"O", "o", "zz", "yy", "B"}, {"S1", "s", "480", "535", "A"}, badRow}}}));
        try {
            ImportTimeSlots(school.Context());
            ADD_FAILURE() << "no error for " << message;
        } catch (const Error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        EXPECT_EQ(Grid(school, layouts::Diashorast2(), "CODDIHO"), std::vector<std::string>(7, "S1"));
        EXPECT_TRUE(Grid(school, layouts::Diashorast(), "CODDIHO").empty());
        EXPECT_TRUE(Grid(school, layouts::Periodos(), "CJORNADA").empty());
    }
}

TEST(TimeSlots, PeriodsOfTheChosenCodeInDocumentOrder) {
    StepFixture school(ExchangeXml({{"JORNADAS_ESCOLARES",
                                     {
                                         {" A ", " Primera ", "01/09/2024", "31/12/2024"},  // listed first: chosen
                                         {"B", "Otra", "x", "y"},
                                         {"A", "Segunda", "01/01/2025", "30/06/2025"},
                                         {"A", "Tercera"},  // fewer values: the missing ones are empty
                                         {"A"},
                                         {},
                                     }}}));
    ImportTimeSlots(school.Context());
    EXPECT_EQ(school.State().TemplateCode, "A");
    const auto periods = ReadWithDbfread(school.Tables() / "PERIODOS.DBF");
    const std::vector<std::vector<std::string>> expected = {
        {"A", "Primera", "01/09/2024", "31/12/2024"},
        {"A", "Segunda", "01/01/2025", "30/06/2025"},
        {"A", "Tercera", "", ""},
        {"A", "", "", ""},
    };
    ASSERT_EQ(periods.records.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(periods.records[i].at("CJORNADA"), expected[i][0]);
        EXPECT_EQ(periods.records[i].at("JORNADA"), expected[i][1]);
        EXPECT_EQ(periods.records[i].at("FECINI"), expected[i][2]);
        EXPECT_EQ(periods.records[i].at("FECFIN"), expected[i][3]);
    }
}

}  // namespace
}  // namespace vindeleo
