#include "text/Error.h"

#include <cstdint>

#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

std::string ErrorBoxText(const std::string& message1252) {
    if (!message1252.empty() && static_cast<unsigned char>(message1252.back()) > '.')
        return message1252 + ".";
    return message1252;
}

int StrToInt(const std::string& text1252) {
    auto fail = [&] { return Error(Format(msg::kNotAnInteger, text1252)); };
    std::string_view digits = text1252;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) throw fail();
    std::int64_t magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') throw fail();
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) throw fail();
    }
    if (!negative && magnitude > 2147483647LL) throw fail();
    return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace vindeleo
