#include "text/Codepage.h"

#include <array>
#include <unordered_map>

namespace vindeleo {
namespace {

// Unicode code points of the bytes 0x80 to 0x9F (see CodePointOf1252 for the
// five undefined ones). Every other byte is the character of the same value.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const std::unordered_map<char32_t, unsigned char>& HighCodePoints() {
    static const std::unordered_map<char32_t, unsigned char> table = [] {
        std::unordered_map<char32_t, unsigned char> t;
        for (unsigned b = 0x80; b <= 0x9F; ++b) t.emplace(kHighControls[b - 0x80], static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The well-formed UTF-8 sequences by their first byte: how many bytes follow,
// and the range of the second, which rules out overlong forms (C0, C1, E0 80
// to 9F, F0 80 to 8F), the surrogates U+D800 to U+DFFF (ED A0 to BF) and code
// points beyond U+10FFFF (F4 90 and above, F5 to FF); every later byte is
// 80 to BF.
struct LeadByte {
    unsigned char first, last;  // the lead bytes of this form
    std::size_t extra;
    unsigned char secondLow, secondHigh;
};
constexpr std::array<LeadByte, 8> kLeadBytes = {{
    {0xC2, 0xDF, 1, 0x80, 0xBF},
    {0xE0, 0xE0, 2, 0xA0, 0xBF},
    {0xE1, 0xEC, 2, 0x80, 0xBF},
    {0xED, 0xED, 2, 0x80, 0x9F},
    {0xEE, 0xEF, 2, 0x80, 0xBF},
    {0xF0, 0xF0, 3, 0x90, 0xBF},
    {0xF1, 0xF3, 3, 0x80, 0xBF},
    {0xF4, 0xF4, 3, 0x80, 0x8F},
}};

const LeadByte* FormOf(unsigned char lead) {
    for (const LeadByte& form : kLeadBytes)
        if (lead >= form.first && lead <= form.last) return &form;
    return nullptr;
}

}  // namespace

char32_t CodePointOf1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
    return byte;
}

std::optional<unsigned char> ByteOf1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) return static_cast<unsigned char>(codePoint);
    const auto& high = HighCodePoints();
    const auto it = high.find(codePoint);
    if (it == high.end()) return std::nullopt;
    return it->second;
}

Utf8Char FirstUtf8Char(std::string_view utf8) {
    using Kind = Utf8Char::Kind;
    const auto lead = static_cast<unsigned char>(utf8[0]);
    if (lead < 0x80) return {Kind::Valid, lead, 1};
    const LeadByte* form = FormOf(lead);
    if (form == nullptr) return {};
    char32_t codePoint = lead & (0x3F >> form->extra);
    for (std::size_t k = 1; k <= form->extra; ++k) {
        if (k >= utf8.size()) return {Kind::Truncated, 0, 1};
        const auto next = static_cast<unsigned char>(utf8[k]);
        const bool inRange = k == 1 ? next >= form->secondLow && next <= form->secondHigh : IsContinuation(next);
        if (!inRange) return {};
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return {Kind::Valid, codePoint, form->extra + 1};
}

std::size_t EncodeUtf8(char32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

std::string Utf8To1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    // Most texts are plain ASCII, which stays as it is.
    while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
    out.append(utf8.data(), i);
    while (i < utf8.size()) {
        const Utf8Char next = FirstUtf8Char(utf8.substr(i));
        if (next.kind != Utf8Char::Kind::Valid) {
            out += '?';
            ++i;
            continue;
        }
        out += static_cast<char>(ByteOf1252(next.codePoint).value_or('?'));
        i += next.length;
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view text1252) {
    std::string out;
    out.reserve(text1252.size() + text1252.size() / 4);
    char bytes[4];
    for (char c : text1252) out.append(bytes, EncodeUtf8(CodePointOf1252(static_cast<unsigned char>(c)), bytes));
    return out;
}

std::u16string Cp1252ToUtf16(std::string_view text1252) {
    std::u16string out;
    out.reserve(text1252.size());
    for (char c : text1252) out += static_cast<char16_t>(CodePointOf1252(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf16To1252(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (char16_t unit : utf16) out += static_cast<char>(ByteOf1252(unit).value_or('?'));
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
