#pragma once
// The current date and time as the user's regional settings write them.

#include <ctime>
#include <string>

namespace vindeleo {

// The short date, one blank, the long time, of the given moment, in
// Windows-1252. The formats are those of the C library's current LC_TIME
// locale (%x and %X), which each front end takes from the environment at start.
std::string RegionalDateTime(std::time_t moment);

// The same for now.
std::string RegionalDateTimeNow();

}  // namespace vindeleo
