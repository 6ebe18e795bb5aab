#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "tables/Layouts.h"
#include "tables/Table.h"

namespace vindeleo {
namespace {

// Records appended to a table that already holds some, across many storage
// blocks, keep their order and values, on reading back and on disk.
TEST(ManyRecords, AppendedAfterExistingOnesAcrossBlocks) {
    test::TempDir dir;
    {
        Table table(dir.Path(), layouts::Periodos());
        table.Create();
        table.Open();
        for (int i = 0; i < 3; ++i) {
            table.Append();
            table.SetText("CJORNADA", "OLD" + std::to_string(i));
            table.Post();
        }
        table.Close();
    }
    constexpr int kAppended = 20000;
    Table table(dir.Path(), layouts::Periodos());
    table.Open();
    for (int i = 0; i < kAppended; ++i) {
        if (i % 2) {
            table.AppendCopy();  // starts from the record before
        } else {
            table.Append();
            table.SetText("JORNADA", "J" + std::to_string(i));
        }
        table.SetText("CJORNADA", std::to_string(i));
        table.Post();
    }
    EXPECT_EQ(table.RecordCount(), kAppended + 3);
    table.Close();

    table.Open();
    int number = 0;
    for (table.First(); !table.Eof(); table.Next(), ++number) {
        if (number < 3) {
            EXPECT_EQ(table.Text("CJORNADA"), "OLD" + std::to_string(number));
            continue;
        }
        const int i = number - 3;
        ASSERT_EQ(table.Text("CJORNADA"), std::to_string(i));
        ASSERT_EQ(table.Text("JORNADA"), "J" + std::to_string(i - i % 2));
    }
    EXPECT_EQ(number, kAppended + 3);
    table.Close();
    const auto contents = test::ReadWithDbfread(dir / "PERIODOS.DBF");
    ASSERT_EQ(contents.records.size(), static_cast<std::size_t>(kAppended + 3));
    EXPECT_EQ(contents.records.back().at("CJORNADA"), std::to_string(kAppended - 1));
    EXPECT_EQ(contents.records.back().at("JORNADA"), "J" + std::to_string(kAppended - 2));
}

}  // namespace
}  // namespace vindeleo
