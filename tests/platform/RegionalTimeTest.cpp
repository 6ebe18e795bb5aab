// The date patterns of both platforms widened to four-digit years: the
// strftime pattern of the LC_TIME locale (POSIX) and the short date picture of
// the user's regional settings (Windows).

#include <gtest/gtest.h>

#include "platform/RegionalTime.h"

namespace vindeleo {
namespace {

TEST(RegionalTimeTest, TwoDigitYearsOfADatePatternBecomeFourDigitOnes) {
    const std::pair<const char*, const char*> cases[] = {
        {"%d/%m/%y", "%d/%m/%Y"},         {"%D", "%m/%d/%Y"},
        {"%-d/%-m/%y", "%-d/%-m/%Y"},     {"%d. %m. %y", "%d. %m. %Y"},
        {"%Y-%m-%d", "%Y-%m-%d"},         {"%d/%m/%Ey", "%d/%m/%Ey"},
        {"%Oy/%Om/%Od", "%Oy/%Om/%Od"},   {"100%%y %y", "100%%y %Y"},
        {"%a %e.%b %Y", "%a %e.%b %Y"},   {"%y%", "%Y%"},
    };
    for (const auto& [pattern, fourDigit] : cases) EXPECT_EQ(WithFourDigitYear(pattern), fourDigit) << pattern;
}

TEST(RegionalTimeTest, ShortYearsOfAWindowsDatePictureBecomeFourDigitOnes) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"dd/MM/yy", L"dd/MM/yyyy"},
        {L"d/M/y", L"d/M/yyyy"},
        {L"yyyy-MM-dd", L"yyyy-MM-dd"},
        {L"yy.MM.dd.", L"yyyy.MM.dd."},
        {L"dd 'de' MMMM 'yy' yy", L"dd 'de' MMMM 'yy' yyyy"},  // quoted text stays text
        {L"dd''yy", L"dd''yyyy"},                              // '' is a quote sign, not quoted text
        {L"d. M. yyyyy", L"d. M. yyyyy"},
        {L"", L""},
    };
    for (const auto& [picture, fourDigit] : cases)
        EXPECT_EQ(WithFourDigitYearPicture(picture), fourDigit);
}

}  // namespace
}  // namespace vindeleo
