#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tables/RecordStore.h"

namespace vindeleo {
namespace {

// Records past every block boundary (the growing blocks end at 16,368
// appended records) read back in place, and a record's bytes never move
// while later records are added: readers hold record addresses.
TEST(RecordStore, AppendedRecordsReadBackAndStayInPlace) {
    RecordStore store;
    store.Reset("HEADER" "r0000000r0000001", 6, 2, 8);
    std::vector<const char*> addresses;
    char record[9];
    const std::size_t appended = 16368 + 2 * 8192 + 5;
    for (std::size_t i = 0; i < appended; ++i) {
        std::snprintf(record, sizeof record, "a%07zu", i);
        store.Append(std::string_view(record, 8));
        addresses.push_back(store.At(2 + i));
    }
    ASSERT_EQ(store.Count(), appended + 2);
    EXPECT_EQ(std::string(store.At(1), 8), "r0000001");
    for (std::size_t i = 0; i < appended; ++i) {
        std::snprintf(record, sizeof record, "a%07zu", i);
        ASSERT_EQ(std::string(store.At(2 + i), 8), record) << i;
        ASSERT_EQ(store.At(2 + i), addresses[i]) << i;
    }
    std::string written;
    for (const auto piece : store.Blocks()) written += piece;
    ASSERT_EQ(written.size(), (appended + 2) * 8);
    EXPECT_EQ(written.substr(0, 16), "r0000000r0000001");
    EXPECT_EQ(written.substr(written.size() - 8), "a0032756");
}

}  // namespace
}  // namespace vindeleo
