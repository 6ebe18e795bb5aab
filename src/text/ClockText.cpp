#include "text/ClockText.h"

#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"
#include "text/TextHelpers.h"

namespace vindeleo {

namespace {

std::string TwoDigits(std::string text) { return text.size() < 2 ? "0" + text : text; }

// Floor division: the hours of a negative count go down, not towards zero.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The whole number that a two-character piece writes: " 8" is 8, a leading
// blank not changing the number; the error names the piece as it stands.
std::int64_t PieceNumber(const std::string& piece) {
    try {
        return StrToInt(LTrim(piece));
    } catch (const Error&) {
        throw Error(Format(msg::kNotAnInteger, piece));
    }
}

}  // namespace

std::string ClockText(std::int64_t minutes) {
    return TwoDigits(std::to_string(FloorDiv(minutes, 60))) + ":" + TwoDigits(std::to_string(minutes % 60));
}

std::int64_t MinutesAfterMidnight(const std::string& clockText) {
    const std::string text = clockText.size() < 5 ? "0" + clockText : clockText;
    return PieceNumber(Left(text, 2)) * 60 + PieceNumber(Right(text, 2));
}

}  // namespace vindeleo
