#include "text/TextHelpers.h"

#include "text/CodeList.h"

namespace vindeleo {

std::string RTrim(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    return std::string(text.substr(0, end));
}

std::string LTrim(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return std::string(text.substr(start));
}

// LTrim(RTrim(text)), cut out in one step.
std::string AllTrim(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    std::size_t start = 0;
    while (start < end && text[start] == ' ') ++start;
    return std::string(text.substr(start, end - start));
}

std::string Left(std::string_view text, long long count) {
    if (count <= 0) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(count)));
}

std::string Right(std::string_view text, long long count) {
    if (count <= 0) return {};
    if (static_cast<std::size_t>(count) >= text.size()) return std::string(text);
    return std::string(text.substr(text.size() - static_cast<std::size_t>(count)));
}

std::string CapitalsOf(std::string_view text) {
    std::string capitals;
    for (char c : text)
        if (c >= 'A' && c <= 'Z') capitals += c;
    return capitals;
}

std::string InitialsAfterBlanks(std::string_view text) {
    std::string initials;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == ' ') initials += text[i + 1];
    return initials;
}

std::string FitTen(std::string_view code) {
    if (code.size() <= 10) return std::string(code);
    return std::string(code.substr(0, 8)) + std::string(code.substr(code.size() - 2));
}

}  // namespace vindeleo
