#include "text/Codepage.h"

#include <array>
#include <unordered_map>

namespace vindeleo {
namespace {

// Unicode code points of the bytes 0x80 to 0x9F. The five bytes that
// Windows-1252 leaves undefined map to the control character of the same value,
// as the Windows conversion does, so every byte survives the round trip.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

const std::unordered_map<char32_t, unsigned char>& HighCodePoints() {
    static const std::unordered_map<char32_t, unsigned char> table = [] {
        std::unordered_map<char32_t, unsigned char> t;
        for (unsigned b = 0x80; b <= 0x9F; ++b) t.emplace(kHighControls[b - 0x80], static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

char ByteFor(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    const auto& high = HighCodePoints();
    auto it = high.find(cp);
    return it == high.end() ? '?' : static_cast<char>(it->second);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Utf8To1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    // Most texts are plain ASCII, which stays as it is.
    while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
    out.append(utf8.data(), i);
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || lead > 0xF4 || i + extra >= utf8.size()) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        out += ByteFor(cp);
        i += extra + 1;
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view text1252) {
    std::string out;
    out.reserve(text1252.size() + text1252.size() / 4);
    for (char c : text1252) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
    return out;
}

unsigned char FoldCase1252(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x8A: return 0x9A;  // Š
        case 0x8C: return 0x9C;  // Œ
        case 0x8E: return 0x9E;  // Ž
        case 0x9F: return 0xFF;  // Ÿ
        default: return c;
    }
}

std::string FoldCase1252(std::string_view text1252) {
    std::string out(text1252);
    for (char& c : out) c = static_cast<char>(FoldCase1252(static_cast<unsigned char>(c)));
    return out;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

}  // namespace vindeleo
