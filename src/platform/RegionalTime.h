#pragma once
// The local date and time of a moment, and as the user's regional settings
// write them.

#include <ctime>
#include <string>
#include <string_view>

namespace vindeleo {

// The moment of a run: the clock read once, where the run starts, and handed
// down to all that the run dates (the headers and indexes of the tables it
// writes, the label and description of the copy of the tables it replaces,
// the date of the document it writes), so that one run carries one date and
// time, even across midnight.
struct RunMoment {
    std::time_t time = 0;
    static RunMoment Now() { return {std::time(nullptr)}; }
};

// The calendar date and time of a moment in the machine's time zone.
std::tm LocalTime(std::time_t moment);

// The exchange documents' own form of a date and time, dd/mm/yyyy hh:mm:ss:
// written when no region is set, and in the descriptions of the copies of the
// tables.
std::string PlainDateTime(const std::tm& local);

// The short date, one blank, the long time, of the given moment, in
// Windows-1252 ('?' for a character it lacks), the year always in four digits.
// POSIX: the formats of the C library's current LC_TIME locale (its %x and
// %X), which each front end takes from the environment at start, converted
// from that locale's own codeset; without a regional setting (the C or POSIX
// locale) the exchange documents' own form, dd/mm/yyyy hh:mm:ss. Windows: the
// user's short date and long time formats.
std::string RegionalDateTime(std::time_t moment);

// A strftime date pattern with every two-digit year (%y, and the %y of %D)
// made a four-digit one (%Y). An era year (%Ey) and a year in the locale's
// own digits (%Oy) stay as they are.
std::string WithFourDigitYear(std::string_view datePattern);

// A Windows date picture (as LOCALE_SSHORTDATE gives it) with a year of one
// or two digits ("y", "yy") made a four-digit one ("yyyy"); quoted text stays
// as it is.
std::wstring WithFourDigitYearPicture(std::wstring_view picture);

}  // namespace vindeleo
