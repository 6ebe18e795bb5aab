#pragma once
// Slot times as the timetable program keeps them: clock text "hh:mm". The
// import writes a slot's minutes after midnight as clock text; the export reads
// that text back as minutes, so both directions stand here together.

#include <cstdint>
#include <string>

namespace vindeleo {

// Hours and minutes of a minute count after midnight: floor(m / 60), a colon,
// and the remainder with the sign of m, each given one leading "0" when it is
// shorter than two characters (485 gives 08:05, 1500 gives 25:00).
std::string ClockText(std::int64_t minutes);

// A clock text as minutes after midnight: a text shorter than five characters
// gets one "0" in front, then the first two characters are the hours and the
// last two the minutes ("8:30" gives 510, "0830" gives 30, "" gives 0). Each
// piece is the whole number it writes, leading blanks aside (" 8:30" gives
// 510); any other piece raises "'%s' no es un valor entero válido".
std::int64_t MinutesAfterMidnight(const std::string& clockText);

}  // namespace vindeleo
