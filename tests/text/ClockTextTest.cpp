#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "text/ClockText.h"
#include "text/Error.h"

namespace vindeleo {
namespace {

// Slot times written by the import and read back by the export. Where both
// columns are given the pair is a round trip: the minutes give the text and
// the text gives the minutes back. A missing column is a one-way case.
TEST(ClockTextTest, MinutesAndClockText) {
    struct Case {
        std::optional<std::int64_t> minutes;  // written as `text`
        const char* text;
        std::optional<std::int64_t> readBack;  // what `text` reads as
    };
    const Case cases[] = {
        // Round trips: every time of a school day, and past midnight.
        {485, "08:05", 485},
        {0, "00:00", 0},
        {59, "00:59", 59},
        {60, "01:00", 60},
        {785, "13:05", 785},
        {1500, "25:00", 1500},
        {5999, "99:59", 5999},
        // Written only: three-digit hours and negative counts do not read back.
        {6000, "100:00", {}},
        {-5, "-1:-5", {}},
        {-60, "-1:00", {}},
        {-61, "-2:-1", {}},
        {-700, "-12:-40", {}},
        // Read only: texts of other hands.
        {{}, "8:30", 510},
        {{}, " 8:30", 510},
        {{}, "08: 5", 485},
        {{}, "0830", 30},
        {{}, "", 0},
    };
    for (const auto& c : cases) {
        if (c.minutes) {
            EXPECT_EQ(ClockText(*c.minutes), c.text) << *c.minutes;
        }
        if (c.readBack) {
            EXPECT_EQ(MinutesAfterMidnight(c.text), *c.readBack) << "'" << c.text << "'";
        }
    }
}

TEST(ClockTextTest, PiecesThatAreNoNumberNameThemselves) {
    // The piece is quoted as the text has it, after the "0" put in front of a
    // short text.
    const std::pair<const char*, const char*> cases[] = {
        {"8:3", ":3"}, {"8 :30", "8 "}, {"  :30", "  "}, {"ab:00", "ab"}, {"08:3x", "3x"},
    };
    for (const auto& [text, piece] : cases) {
        try {
            MinutesAfterMidnight(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + piece + "' no es un valor entero v\xE1lido")
                << text;
        }
    }
}

}  // namespace
}  // namespace vindeleo
