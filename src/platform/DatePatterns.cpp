// The date patterns of both platforms, widened to four-digit years, and the
// plain form of a date and time. Plain text work, shared by both sides so
// that each is tested on either.

#include "platform/RegionalTime.h"

namespace vindeleo {

namespace {

// Where the conversion letter of the strftime conversion starting at `percent`
// stands: after glibc's flags and width and an E or O modifier.
std::size_t ConversionLetter(std::string_view pattern, std::size_t percent) {
    std::size_t i = percent + 1;
    while (i < pattern.size() && std::string_view("_-0^#").find(pattern[i]) != std::string_view::npos) ++i;
    while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') ++i;
    if (i < pattern.size() && (pattern[i] == 'E' || pattern[i] == 'O')) ++i;
    return i;
}

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

std::string PlainDateTime(const std::tm& local) {
    return TwoDigits(local.tm_mday) + "/" + TwoDigits(local.tm_mon + 1) + "/" + std::to_string(local.tm_year + 1900) +
           " " + TwoDigits(local.tm_hour) + ":" + TwoDigits(local.tm_min) + ":" + TwoDigits(local.tm_sec);
}

std::string WithFourDigitYear(std::string_view datePattern) {
    std::string out;
    std::size_t i = 0;
    while (i < datePattern.size()) {
        if (datePattern[i] != '%') {
            out += datePattern[i++];
            continue;
        }
        const std::size_t letter = ConversionLetter(datePattern, i);
        if (letter >= datePattern.size()) {
            out.append(datePattern.substr(i));
            break;
        }
        const bool modified = datePattern[letter - 1] == 'E' || datePattern[letter - 1] == 'O';
        std::string conversion(datePattern.substr(i, letter + 1 - i));
        if (!modified && datePattern[letter] == 'y') conversion.back() = 'Y';
        if (!modified && datePattern[letter] == 'D') conversion = "%m/%d/%Y";
        out += conversion;
        i = letter + 1;
    }
    return out;
}

std::wstring WithFourDigitYearPicture(std::wstring_view picture) {
    std::wstring out;
    bool quoted = false;
    std::size_t i = 0;
    while (i < picture.size()) {
        const wchar_t c = picture[i];
        if (c == L'\'') quoted = !quoted;  // '' inside quotes toggles twice: a quote stays text
        if (quoted || c != L'y') {
            out += c;
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i + run < picture.size() && picture[i + run] == L'y') ++run;
        out.append(run <= 2 ? 4 : run, L'y');
        i += run;
    }
    return out;
}

}  // namespace vindeleo
