#include "text/Error.h"

#include <cstdint>
#include <string_view>

#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

std::string ErrorBoxText(const std::string& message1252) {
    if (!message1252.empty() && static_cast<unsigned char>(message1252.back()) > '.')
        return message1252 + ".";
    return message1252;
}

std::optional<int> IntegerOf(const std::string& text1252) {
    std::string_view digits = text1252;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty()) return std::nullopt;
    std::int64_t magnitude = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 2147483648LL) return std::nullopt;
    }
    if (!negative && magnitude > 2147483647LL) return std::nullopt;
    return static_cast<int>(negative ? -magnitude : magnitude);
}

int StrToInt(const std::string& text1252) {
    const auto number = IntegerOf(text1252);
    if (!number) throw Error(Format(msg::kNotAnInteger, text1252));
    return *number;
}

}  // namespace vindeleo
