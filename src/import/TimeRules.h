#pragma once
// The small time rules of the assignments and time slots steps: the weekly
// load of a subject in hours, its lesson pattern, and the clock text of a
// minute count.

#include <cstdint>
#include <string>

namespace vindeleo {

// Every assignment gets the same load: 240 minutes a week.
inline constexpr int kAssignmentMinutes = 240;

// Whole hours for a load in minutes: the ceiling of minutes / 60, at least 1.
double HoursOfMinutes(int minutes);

// The lesson pattern for a load of `hours` (its ceiling): up to 13 hours one
// "1" per hour; from 14 on, the number of hours minus 13 followed by thirteen
// "1".
std::string LessonPattern(double hours);

// Hours and minutes of a minute count after midnight: floor(m / 60), a colon,
// and the remainder with the sign of m, each given one leading "0" when it is
// shorter than two characters (485 gives 08:05, 1500 gives 25:00).
std::string ClockText(std::int64_t minutes);

}  // namespace vindeleo
