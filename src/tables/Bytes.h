#pragma once
// The byte-level helpers of the table formats (the .DBF tables and their .MDX
// indexes): integers stored little- or big-endian, blank padding, digit
// texts. Private to the tables layer.

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string_view>

namespace vindeleo::bytes {

inline const unsigned char* Unsigned(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

inline int LittleEndian16(const char* p) {
    const unsigned char* b = Unsigned(p);
    return b[0] | (b[1] << 8);
}

inline std::uint32_t LittleEndian32(const char* p) {
    const unsigned char* b = Unsigned(p);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline std::uint32_t BigEndian32(const char* p) {
    const unsigned char* b = Unsigned(p);
    return (static_cast<std::uint32_t>(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
}

inline std::uint64_t BigEndian64(const char* p) {
    return (static_cast<std::uint64_t>(BigEndian32(p)) << 32) | BigEndian32(p + 4);
}

inline void PutLittleEndian16(char* p, int v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void PutLittleEndian32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void PutBigEndian32(char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

inline void PutBigEndian64(char* p, std::uint64_t v) {
    PutBigEndian32(p, static_cast<std::uint32_t>(v >> 32));
    PutBigEndian32(p + 4, static_cast<std::uint32_t>(v));
}

// A date as dBase keeps it in a table's header and an index's: years since
// 1900 (0 to 255), month, day, one byte each.
inline void PutDate(char* p, const std::tm& date) {
    p[0] = static_cast<char>(std::clamp(date.tm_year, 0, 255));
    p[1] = static_cast<char>(date.tm_mon + 1);
    p[2] = static_cast<char>(date.tm_mday);
}

inline bool AllZero(const char* p, int length) {
    for (int i = 0; i < length; ++i)
        if (p[i] != 0) return false;
    return true;
}

// A field's text without the blanks and NULs that pad it on either side.
inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\0')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return text;
}

// Whether text is made of the digits 0 to 9 only (an empty text is).
inline bool AllDigits(std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace vindeleo::bytes
