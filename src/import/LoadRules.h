#pragma once
// The load rules of the assignments step: the weekly load of a subject in
// hours, and its lesson pattern.

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

}  // namespace vindeleo
