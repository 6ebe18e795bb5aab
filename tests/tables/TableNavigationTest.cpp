// Walking a table: first, next and the end; the order of the ORDEN index;
// reading with no record.

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
        Table writer(dir_.Path(), Lessons());
        writer.Create();
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
    Table table_{dir_.Path(), Lessons()};
};

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

TEST(TableNavigation, EmptyTableIsAtItsEnd) {
    TempDir dir;
    Table table(dir.Path(), layouts::Proft());
    table.Create();
    table.Open(true);
    EXPECT_TRUE(table.Eof());
    table.First();
    EXPECT_TRUE(table.Eof());
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Text("ABREV"), "");
    EXPECT_EQ(table.Integer("DNI"), 0);
    EXPECT_EQ(table.RecordCount(), 0);
}

TEST(TableNavigation, OrderByOrdenIsAscendingAndKeepsTheWrittenOrderOfEqualKeys) {
    TempDir dir;
    Table table(dir.Path(), layouts::Diashorast2());
    table.Create();
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
    EXPECT_EQ(ErrorOf([&] { table.OrderBy("NOPE"); }), "No se encuentra el campo 'NOPE'");
}

}  // namespace
}  // namespace vindeleo::test::tables
