// Walking a table: first, next and the end; the filter on a teacher's
// abbreviation; the order of the ORDEN index; locate; reading with no record.

#include <gtest/gtest.h>

#include "tables/Layouts.h"
#include "tables/Table.h"
#include "tables/TablesSupport.h"
#include "text/Error.h"

namespace vindeleo::test::tables {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const TableLayout& Lessons() {
    static const TableLayout layout{"SOLUC",
                                    {{"PROF", FieldType::Character, 10},
                                     {"DIA", FieldType::Integer, 0},
                                     {"HORA", FieldType::Integer, 0},
                                     {"ASIG", FieldType::Character, 10}},
                                    {}};
    return layout;
}

void AddLesson(Table& table, const std::string& teacher, int day, int hour) {
    table.Append();
    table.SetText("PROF", teacher);
    table.SetInteger("DIA", day);
    table.SetInteger("HORA", hour);
    table.Post();
}

class LessonsTable : public ::testing::Test {
protected:
    void SetUp() override {
        Table writer(dir_.Path(), "SOLUC");
        writer.Create(Lessons());
        writer.Open(true);
        AddLesson(writer, "AB", 1, 1);
        AddLesson(writer, "ab", 1, 2);
        AddLesson(writer, "O'NEIL", 2, 1);
        AddLesson(writer, "ABC", 2, 2);
        AddLesson(writer, "AB", 3, 4);
        AddLesson(writer, "O'NEIL", 5, 6);
        writer.Close();
        table_.Open(true);
    }

    TempDir dir_;
    Table table_{dir_.Path(), "SOLUC"};
};

TEST_F(LessonsTable, FilterSelectsExactlyOneTeachersRecords) {
    table_.SetFilter(FilterExpression("PROF", "AB"));
    table_.FilterOn();
    EXPECT_FALSE(table_.Eof()) << "switching on goes to the first record that passes";
    EXPECT_EQ(table_.Text("DIA"), "1");
    EXPECT_EQ(Walk(table_, {"PROF", "DIA", "HORA"}), (Rows{{"AB", "1", "1"}, {"AB", "3", "4"}}))
        << "ab and ABC do not pass";

    table_.FilterOff();
    table_.SetFilter(FilterExpression("PROF", "ab"));
    table_.FilterOn();
    EXPECT_EQ(Walk(table_, {"PROF", "HORA"}), (Rows{{"ab", "2"}}));

    EXPECT_EQ(FilterExpression("PROF", "O'NEIL"), "PROF= 'O''NEIL'");
    table_.SetFilter(FilterExpression("PROF", "O'NEIL"));  // while on: applied at once
    EXPECT_EQ(table_.Text("PROF"), "O'NEIL");
    EXPECT_EQ(Walk(table_, {"DIA", "HORA"}), (Rows{{"2", "1"}, {"5", "6"}}));

    table_.SetFilter(FilterExpression("PROF", "NADIE"));
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.Text("PROF"), "") << "no record: fields read blank";
    EXPECT_EQ(table_.Integer("DIA"), 0);

    table_.FilterOff();
    EXPECT_EQ(Walk(table_, {"PROF"}).size(), 6u);
    EXPECT_EQ(table_.RecordCount(), 6);
}

TEST_F(LessonsTable, FilterExpressionsOfOtherFormsAreRefused) {
    for (const std::string expression :
         {"PROF = AB", "PROF= 'AB' AND DIA= '1'", "PROF= 'AB", "PROF<>'AB'", "PROF= 'O'NEIL'", "= 'AB'", "PROF"}) {
        SCOPED_TRACE(expression);
        EXPECT_EQ(ErrorOf([&] { table_.SetFilter(expression); }), "Expresi\xF3n de filtro no admitida: " + expression);
    }
    table_.SetFilter("  PROF  =  'O''NEIL'  ");  // blanks around the parts are fine
    table_.FilterOn();
    EXPECT_EQ(Walk(table_, {"HORA"}), (Rows{{"1"}, {"6"}}));

    EXPECT_EQ(ErrorOf([&] { table_.SetFilter("NOPE= 'AB'"); }), "No se encuentra el campo 'NOPE'");
    EXPECT_EQ(Walk(table_, {"HORA"}), (Rows{{"1"}, {"6"}})) << "the filter in force stays";
    table_.FilterOff();
    table_.SetFilter("NOPE= 'AB'");  // checked when switched on
    EXPECT_EQ(ErrorOf([&] { table_.FilterOn(); }), "No se encuentra el campo 'NOPE'");
}

TEST_F(LessonsTable, FirstNextAndTheEnd) {
    table_.First();
    EXPECT_EQ(table_.Text("HORA"), "1");
    for (int i = 0; i < 5; ++i) table_.Next();
    EXPECT_FALSE(table_.Eof());
    EXPECT_EQ(table_.Text("HORA"), "6");
    table_.Next();
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.Text("PROF"), "O'NEIL") << "the last record stays current";
    table_.Next();
    EXPECT_TRUE(table_.Eof());
    table_.First();
    EXPECT_FALSE(table_.Eof());
    EXPECT_EQ(table_.Text("PROF"), "AB");
}

TEST_F(LessonsTable, LocateFindsTheFirstMatchOrLeavesThePosition) {
    table_.First();
    table_.Next();  // on "ab"
    EXPECT_TRUE(table_.Locate("DIA", 2));
    EXPECT_EQ(table_.Text("PROF"), "O'NEIL");
    EXPECT_EQ(table_.Text("HORA"), "1") << "the first record of day 2";
    EXPECT_FALSE(table_.Locate("DIA", 4));
    EXPECT_EQ(table_.Text("PROF"), "O'NEIL") << "failure leaves the position";
    EXPECT_FALSE(table_.Locate("DIA", 20)) << "no partial match";
    EXPECT_FALSE(table_.Eof());
    table_.Next();
    EXPECT_EQ(table_.Text("PROF"), "ABC");
    EXPECT_EQ(ErrorOf([&] { table_.Locate("NOPE", 1); }), "No se encuentra el campo 'NOPE'");
}

TEST(TableNavigation, EmptyTableIsAtItsEnd) {
    TempDir dir;
    Table table(dir.Path(), "PROFT");
    table.Create(layouts::Proft());
    table.Open(true);
    EXPECT_TRUE(table.Eof());
    table.First();
    EXPECT_TRUE(table.Eof());
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Text("ABREV"), "");
    EXPECT_EQ(table.Integer("DNI"), 0);
    EXPECT_FALSE(table.Locate("DNI", 0));
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST(TableNavigation, OrderByOrdenIsAscendingAndKeepsTheWrittenOrderOfEqualKeys) {
    TempDir dir;
    Table table(dir.Path(), "DIASHORAST2");
    table.Create(layouts::Diashorast2());
    table.Open(true);
    const std::vector<std::pair<std::string, int>> slots = {{"a", 30}, {"b", 10}, {"c", 20}, {"d", 10},
                                                            {"e", 30}, {"f", -5}, {"g", 100}, {"h", 10}};
    for (const auto& [tag, order] : slots) {
        table.Append();
        table.SetText("DIHO", tag);
        table.SetInteger("ORDEN", order);
        table.Post();
    }
    table.Close();

    table.Open(true);
    EXPECT_EQ(Walk(table, {"DIHO"}), (Rows{{"a"}, {"b"}, {"c"}, {"d"}, {"e"}, {"f"}, {"g"}, {"h"}}))
        << "written order before ordering";
    table.OrderBy("ORDEN");
    EXPECT_EQ(Walk(table, {"DIHO", "ORDEN"}), (Rows{{"f", "-5"},
                                                    {"b", "10"},
                                                    {"d", "10"},
                                                    {"h", "10"},
                                                    {"c", "20"},
                                                    {"a", "30"},
                                                    {"e", "30"},
                                                    {"g", "100"}}));
    EXPECT_TRUE(table.Locate("ORDEN", 30));
    EXPECT_EQ(table.Text("DIHO"), "a") << "locate follows the current order";
    EXPECT_EQ(ErrorOf([&] { table.OrderBy("NOPE"); }), "No se encuentra el campo 'NOPE'");
}

TEST(TableNavigation, LocateInTheLevelCatalogue) {
    TempDir dir;
    WriteCatalogue(dir.Path(), {{1101, "INF", "Infantil 3"}, {2201, "ESO", "Secundaria 1"}, {-7, "X", "Negativo"}});
    Table catalogue(dir.Path(), "NIVELEX.dbf");
    catalogue.Open(false);
    ASSERT_TRUE(catalogue.Locate("X_OFERTAMATRIG", 2201));
    EXPECT_EQ(catalogue.Text("NIVEL_ABREV"), "ESO");
    EXPECT_EQ(catalogue.Text("ESTUDIO"), "Secundaria 1");
    EXPECT_EQ(catalogue.Integer("X_OFERTAMATRIG"), 2201);
    EXPECT_FALSE(catalogue.Locate("X_OFERTAMATRIG", 9999));
    EXPECT_EQ(catalogue.Text("NIVEL_ABREV"), "ESO");
    EXPECT_TRUE(catalogue.Locate("X_OFERTAMATRIG", -7));
    EXPECT_EQ(catalogue.Text("ESTUDIO"), "Negativo");
}

TEST(TableNavigation, SetDirectoryPointsAClosedTableElsewhere) {
    TempDir first, second;
    WriteCatalogue(second.Path(), {{1, "A", "Uno"}});
    Table catalogue(first.Path(), "NIVELEX.dbf");
    catalogue.SetDirectory(second.Path());
    EXPECT_EQ(catalogue.Directory(), second.Path());
    catalogue.Open();
    EXPECT_EQ(catalogue.Text("ESTUDIO"), "Uno");
    EXPECT_EQ(ErrorOf([&] { catalogue.SetDirectory(first.Path()); }),
              "La tabla NIVELEX.dbf est\xE1 abierta; ci\xE9rrela antes");
    catalogue.Close();
    catalogue.SetDirectory(first.Path());
    EXPECT_NE(ErrorOf([&] { catalogue.Open(); }), "");
}

}  // namespace
}  // namespace vindeleo::test::tables
