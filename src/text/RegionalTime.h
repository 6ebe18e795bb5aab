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
// Windows-1252 ('?' for a character it lacks). The formats are those of the C
// library's current LC_TIME locale (its %x and %X), which each front end takes
// from the environment at start, with the year always in four digits; the text
// is converted from that locale's own codeset. Without a regional setting (the
// C or POSIX locale) the form is the exchange documents' own,
// dd/mm/yyyy hh:mm:ss.
std::string RegionalDateTime(std::time_t moment);

// The same for now.
std::string RegionalDateTimeNow();

// A strftime date pattern with every two-digit year (%y, and the %y of %D)
// made a four-digit one (%Y). An era year (%Ey) and a year in the locale's
// own digits (%Oy) stay as they are.
std::string WithFourDigitYear(std::string_view datePattern);

}  // namespace vindeleo
