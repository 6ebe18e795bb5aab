// The whole import of the demo school through the command line: DIASHORAST2
// comes with a production index that Perl's XBase walks, in the order in
// which the step read the slots to number the day-and-hour grid; no other
// table announces or leaves an index.

#include <gtest/gtest.h>

#include <algorithm>

#include "tables/MdxSupport.h"
#include "tables/TablesSupport.h"

namespace vindeleo::test::tables {
namespace {

TEST(MdxIndexImport, TheDemoSchoolLeavesAnIndexWalkedInTheOrderOfTheGrid) {
    TempDir prefix;
    const fs::path tables = prefix / "drive_c" / "MTEMP";
    fs::create_directories(tables);
    const std::string sample = (SourceDir() / "samples" / "demo-school.xml").string();
    const auto result = RunCommand("cd '" + prefix.Path().string() + "' && WINEPREFIX='" + prefix.Path().string() +
                                   "' '" VINDELEO_CLI "' import '" + sample + "' --template J1");
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

    for (const auto& name : FileNames(tables)) {
        SCOPED_TRACE(name);
        const std::string extension = name.substr(name.size() - 4);
        if (extension == ".MDX") {
            EXPECT_EQ(name, "DIASHORAST2.MDX");
        } else if (extension == ".DBF") {
            EXPECT_EQ(ReadFile(tables / name)[28], name == "DIASHORAST2.DBF" ? 1 : 0);
        }
    }

    const auto slots = ReadWithDbfread(tables / "DIASHORAST2.DBF");
    ASSERT_FALSE(slots.records.empty());
    std::vector<std::pair<std::string, std::uint32_t>> expected;
    for (std::size_t i = 0; i < slots.records.size(); ++i)
        expected.emplace_back(slots.records[i].at("ORDEN"), static_cast<std::uint32_t>(i + 1));
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return std::stol(a.first) < std::stol(b.first); });
    const auto walked = WalkWithPerl(tables / "DIASHORAST2.MDX", "ORDEN");
    EXPECT_EQ(walked.tags, "ORDEN");
    ASSERT_EQ(walked.entries, expected);

    // The grid was written one record per slot in the order read: its record
    // i copies the slot that the index holds at place i.
    const auto grid = ReadWithDbfread(tables / "DIASHORAST.DBF");
    ASSERT_EQ(grid.records.size(), walked.entries.size());
    for (std::size_t i = 0; i < grid.records.size(); ++i) {
        const auto& slot = slots.records[walked.entries[i].second - 1];
        for (const char* field : {"DIA", "CODDIHO", "TEXTOHOR", "HORADESDE", "HORAHASTA", "MINUTOS"})
            EXPECT_EQ(grid.records[i].at(field), slot.at(field)) << "grid record " << i << ", " << field;
    }
}

}  // namespace
}  // namespace vindeleo::test::tables
