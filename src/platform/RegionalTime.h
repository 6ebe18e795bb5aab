#pragma once
// The local date and time of a moment, and as the user's regional settings
// write them.

#include <ctime>
#include <string>
#include <string_view>

namespace vindeleo {

// The calendar date and time of a moment in the machine's time zone.
std::tm LocalTime(std::time_t moment);

// The short date, one blank, the long time, of the given moment, in
// Windows-1252 ('?' for a character it lacks), the year always in four digits.
// POSIX: the formats of the C library's current LC_TIME locale (its %x and
// %X), which each front end takes from the environment at start, converted
// from that locale's own codeset; without a regional setting (the C or POSIX
// locale) the exchange documents' own form, dd/mm/yyyy hh:mm:ss. Windows: the
// user's short date and long time formats.
std::string RegionalDateTime(std::time_t moment);

// The same for now.
std::string RegionalDateTimeNow();

// A strftime date pattern with every two-digit year (%y, and the %y of %D)
// made a four-digit one (%Y). An era year (%Ey) and a year in the locale's
// own digits (%Oy) stay as they are.
std::string WithFourDigitYear(std::string_view datePattern);

// A Windows date picture (as LOCALE_SSHORTDATE gives it) with a year of one
// or two digits ("y", "yy") made a four-digit one ("yyyy"); quoted text stays
// as it is.
std::wstring WithFourDigitYearPicture(std::wstring_view picture);

}  // namespace vindeleo
