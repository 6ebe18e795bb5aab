#pragma once
// Fills the placeholders of a message: each %s or %d takes the next argument in
// turn (texts and numbers alike), so a message stands once as data.

#include <string>
#include <string_view>
#include <type_traits>

namespace vindeleo {

namespace detail {
inline std::string ToText(const std::string& s) { return s; }
inline std::string ToText(std::string_view s) { return std::string(s); }
inline std::string ToText(const char* s) { return s; }
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
std::string ToText(T n) { return std::to_string(n); }
}  // namespace detail

template <typename... Args>
std::string Format(std::string_view pattern, const Args&... args) {
    const std::string texts[] = {detail::ToText(args)..., std::string()};
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'd') &&
            next < sizeof...(Args)) {
            out += texts[next++];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace vindeleo
