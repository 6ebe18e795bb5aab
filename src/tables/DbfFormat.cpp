#include "tables/DbfFormat.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "tables/Bytes.h"
#include "tables/TableMessages.h"
#include "text/Error.h"
#include "text/Format.h"

namespace vindeleo::dbf {

using namespace bytes;

namespace {

constexpr int kClassicHeaderSize = 32;
constexpr int kClassicDescriptorSize = 32;
constexpr int kDBase7HeaderSize = 68;
constexpr int kDBase7DescriptorSize = 48;
constexpr int kClassicNameSize = 11;  // ten characters and a NUL
constexpr int kDBase7NameSize = 32;   // 31 characters and a NUL
constexpr const char* kLanguageDriverName1252 = "DBWINWE0";  // dBase's Western European ANSI driver
constexpr std::int64_t kMillisecondsPerDay = 86400000;
constexpr std::int64_t kDaysFromYearOneTo1970 = 719162;

std::string TypeText(const Field& field) { return std::string(1, field.type); }

[[noreturn]] void RaiseDamaged(const std::string& fileText, const std::string& detail) {
    throw Error(Format(tables::msg::kDamaged, fileText, detail));
}

[[noreturn]] void RaiseCannotRead(const Field& field) {
    throw Error(Format(tables::msg::kCannotRead, field.name, TypeText(field)));
}

[[noreturn]] void RaiseCannotWrite(const Field& field) {
    throw Error(Format(tables::msg::kCannotWriteField, field.name, TypeText(field)));
}

[[noreturn]] void RaiseTooWide(const Field& field, const std::string& valueText) {
    throw Error(Format(tables::msg::kValueTooWide, valueText, field.name));
}

Family FamilyOf(unsigned char version, const std::string& fileText) {
    if (version == 0x30 || version == 0x31 || version == 0x32) return Family::VisualFoxPro;
    switch (version & 0x07) {
        case 3:
        case 5: return Family::Classic;
        case 4: return Family::DBase7;
        default: break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", version);
    throw Error(Format(tables::msg::kUnknownFormat, fileText, hex));
}

// Width that the type must have, or 0 when any positive width will do.
int FixedWidthOf(char type) {
    switch (type) {
        case 'L': return 1;
        case 'D': return 8;
        case 'I':
        case '+': return 4;
        case 'O':
        case '@': return 8;
        default: return 0;
    }
}

bool WidthFits(const Field& field) {
    if (field.length <= 0) return false;
    if (field.type == 'M') return field.length == 10 || field.length == 4;
    const int fixed = FixedWidthOf(field.type);
    return fixed == 0 || field.length == fixed;
}

std::string NameAt(const char* p, int size) {
    std::string_view name(p, size);
    name = name.substr(0, name.find('\0'));
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return std::string(name);
}

Field DescriptorAt(const char* p, Family family) {
    Field field;
    const auto* b = Unsigned(p);
    if (family == Family::DBase7) {
        field.name = NameAt(p, kDBase7NameSize);
        field.type = p[32];
        field.length = b[33];
        field.decimals = b[34];
        field.indexed = b[37] != 0;
    } else {
        field.name = NameAt(p, kClassicNameSize);
        field.type = p[11];
        field.length = b[16];
        field.decimals = b[17];
        field.indexed = b[31] != 0;
    }
    // FoxPro and Clipper keep the high byte of a long character width in the
    // decimal count, which a character field has no use for.
    if (field.type == 'C' && field.decimals != 0) {
        field.length += field.decimals * 256;
        field.decimals = 0;
    }
    return field;
}

void CheckField(const Field& field, const std::string& fileText) {
    if (field.name.empty()) RaiseDamaged(fileText, tables::msg::kNamelessField);
    if (!WidthFits(field)) RaiseDamaged(fileText, Format(tables::msg::kBadFieldWidth, field.name));
}

// Right-justifies a number text in the field, or raises when it is too long.
void PutNumberText(const Field& field, char* record, const std::string& text) {
    if (static_cast<int>(text.size()) > field.length) RaiseTooWide(field, text);
    char* p = record + field.offset;
    const int pad = field.length - static_cast<int>(text.size());
    std::memset(p, ' ', pad);
    std::memcpy(p + pad, text.data(), text.size());
}

void PutCharacters(const Field& field, char* record, std::string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), field.length);
    char* p = record + field.offset;
    std::memcpy(p, text.data(), n);
    std::memset(p + n, ' ', field.length - n);
}

std::string ShortestText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FixedText(double value, int decimals) {
    // Whole numbers, the common case (hours, counts), without the general
    // floating-point formatting.
    if (value == std::trunc(value) && std::fabs(value) < 1e15 && decimals >= 0 && decimals < 32) {
        std::string text = std::to_string(static_cast<long long>(value));
        if (text == "-0") text = "0";
        if (decimals > 0) text.append(1, '.').append(static_cast<std::size_t>(decimals), '0');
        return text;
    }
    char buffer[700];  // the longest double with the most decimals that a field can ask for
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    // A negative number that rounds to zero is written without its sign.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

bool IsBigEndianLong(const Field& field, Family family) {
    return field.type == '+' || family == Family::DBase7;
}

// dBase 7 writes -2147483648 as four zero bytes, which read as a blank field:
// its smallest long is -2147483647.
std::int64_t LowestLong(const Field& field, Family family) {
    const std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    return IsBigEndianLong(field, family) ? lowest + 1 : lowest;
}

void PutLong(const Field& field, Family family, char* record, std::int32_t value) {
    char* p = record + field.offset;
    const auto bits = static_cast<std::uint32_t>(value);
    if (IsBigEndianLong(field, family))
        PutBigEndian32(p, bits ^ 0x80000000u);
    else
        PutLittleEndian32(p, bits);
}

void PutDouble(const Field& field, char* record, double value) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    bits = (bits >> 63) == 0 ? bits | (std::uint64_t{1} << 63) : ~bits;
    PutBigEndian64(record + field.offset, bits);
}

// Days since 1970-01-01 to a proleptic Gregorian date.
void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

std::string TimestampText(const Field& field, const char* record) {
    const char* p = record + field.offset;
    if (AllZero(p, 8)) return {};
    std::uint64_t bits = BigEndian64(p);
    if (bits >> 63) bits ^= std::uint64_t{1} << 63;
    const double milliseconds = std::bit_cast<double>(bits);
    // Years 1 to 9999 only; anything else is no timestamp that dBase writes.
    if (!(milliseconds >= kMillisecondsPerDay && milliseconds < 3652060.0 * kMillisecondsPerDay))
        RaiseCannotRead(field);
    const auto total = static_cast<std::int64_t>(milliseconds);
    const std::int64_t dayNumber = total / kMillisecondsPerDay;  // 1 January of year 1 is day 1
    const std::int64_t secondOfDay = (total % kMillisecondsPerDay) / 1000;
    std::int64_t year;
    int month, day;
    CivilFromDays(dayNumber - 1 - kDaysFromYearOneTo1970, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", static_cast<int>(year), month, day,
                  static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                  static_cast<int>(secondOfDay % 60));
    return text;
}

// Sign, whole digits and fraction digits of a number text.
struct NumberParts {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
};

std::optional<NumberParts> SplitNumber(std::string_view text) {
    text = TrimBlanks(text);
    NumberParts parts;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        parts.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    parts.whole = text.substr(0, point);
    if (point != std::string_view::npos) parts.fraction = text.substr(point + 1);
    if (!AllDigits(parts.whole) || !AllDigits(parts.fraction)) return std::nullopt;
    if (parts.whole.empty() && parts.fraction.empty()) return std::nullopt;
    return parts;
}

// "YYYYMMDD" naming a day of the Gregorian calendar, years 1 to 9999.
bool IsCalendarDate(std::string_view text) {
    if (text.size() != 8 || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    const int year = number(0, 4), month = number(4, 2), day = number(6, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

std::optional<std::uint32_t> StatedRecordCount(std::string_view headerStart) {
    if (headerStart.size() < 8) return std::nullopt;
    return LittleEndian32(headerStart.data() + 4);
}

Header ParseHeader(std::string_view bytes, const std::string& fileText) {
    if (bytes.size() < static_cast<std::size_t>(kClassicHeaderSize)) RaiseDamaged(fileText, tables::msg::kHeaderCut);
    const char* data = bytes.data();
    const auto* b = Unsigned(data);
    Header header;
    header.version = b[0];
    header.family = FamilyOf(header.version, fileText);
    header.recordCount = *StatedRecordCount(bytes);
    header.headerLength = LittleEndian16(data + 8);
    header.recordLength = LittleEndian16(data + 10);
    // Visual FoxPro keeps other flags in byte 28 (its structural ".CDX").
    header.productionIndex = header.family != Family::VisualFoxPro && (b[28] & 0x01) != 0;

    const bool dBase7 = header.family == Family::DBase7;
    const int firstDescriptor = dBase7 ? kDBase7HeaderSize : kClassicHeaderSize;
    const int descriptorSize = dBase7 ? kDBase7DescriptorSize : kClassicDescriptorSize;
    if (static_cast<std::size_t>(header.headerLength) > bytes.size() || header.headerLength <= firstDescriptor)
        RaiseDamaged(fileText, tables::msg::kHeaderCut);

    // Room for as many descriptors as the header can hold, made once.
    header.fields.reserve(static_cast<std::size_t>(header.headerLength - firstDescriptor) / descriptorSize);
    for (int at = firstDescriptor;; at += descriptorSize) {
        if (at >= header.headerLength) RaiseDamaged(fileText, tables::msg::kNoFieldTerminator);
        if (data[at] == kFieldTerminator) break;
        if (at + descriptorSize >= header.headerLength) RaiseDamaged(fileText, tables::msg::kNoFieldTerminator);
        Field field = DescriptorAt(data + at, header.family);
        CheckField(field, fileText);
        header.fields.push_back(std::move(field));
    }
    if (header.fields.empty()) RaiseDamaged(fileText, tables::msg::kNoFields);

    const int fieldsLength = LayOut(header.fields);
    if (fieldsLength != header.recordLength)
        RaiseDamaged(fileText, Format(tables::msg::kRecordLengthMismatch, header.recordLength, fieldsLength));

    const std::uint64_t available = (bytes.size() - header.headerLength) / header.recordLength;
    if (header.recordCount > available)
        RaiseDamaged(fileText, Format(tables::msg::kMissingRecords, std::to_string(header.recordCount),
                                      std::to_string(available)));
    return header;
}

std::string BuildHeader(const std::vector<Field>& fields, DbfLevel level, const std::tm& lastUpdate,
                        bool productionIndex) {
    const bool dBase7 = level == DbfLevel::DBase7;
    const int firstDescriptor = dBase7 ? kDBase7HeaderSize : kClassicHeaderSize;
    const int descriptorSize = dBase7 ? kDBase7DescriptorSize : kClassicDescriptorSize;
    const int headerLength = firstDescriptor + descriptorSize * static_cast<int>(fields.size()) + 1;
    int recordLength = 1;
    for (const auto& field : fields) recordLength += field.length;

    std::string header(headerLength, '\0');
    header[0] = dBase7 ? 0x04 : 0x03;
    StampHeader(header, 0, lastUpdate);
    PutLittleEndian16(&header[8], headerLength);
    PutLittleEndian16(&header[10], recordLength);
    header[28] = productionIndex ? 1 : 0;
    header[29] = static_cast<char>(kLanguageDriver1252);
    if (dBase7) std::memcpy(&header[32], kLanguageDriverName1252, std::strlen(kLanguageDriverName1252));

    int at = firstDescriptor;
    for (const auto& field : fields) {
        char* d = &header[at];
        const int nameSize = dBase7 ? kDBase7NameSize : kClassicNameSize;
        std::memcpy(d, field.name.data(), std::min<std::size_t>(field.name.size(), nameSize - 1));
        const int typeAt = dBase7 ? 32 : 11;
        d[typeAt] = field.type;
        d[typeAt + 1 + (dBase7 ? 0 : 4)] = static_cast<char>(field.length);
        d[typeAt + 2 + (dBase7 ? 0 : 4)] = static_cast<char>(field.decimals);
        if (field.indexed) d[dBase7 ? 37 : 31] = 1;
        at += descriptorSize;
    }
    header[at] = kFieldTerminator;
    return header;
}

void StampHeader(std::string& header, std::uint32_t recordCount, const std::tm& lastUpdate) {
    PutDate(&header[1], lastUpdate);
    PutLittleEndian32(&header[4], recordCount);
}

Field PhysicalField(const FieldDef& def) {
    Field field;
    field.name = def.name;
    switch (def.type) {
        case FieldType::Character:
            field.type = 'C';
            field.length = def.width;
            break;
        case FieldType::Integer:  // every 32-bit number fits in eleven characters
            field.type = 'N';
            field.length = 11;
            break;
        case FieldType::Float:  // whole hours and quarters stay exact
            field.type = 'N';
            field.length = 20;
            field.decimals = 4;
            break;
        case FieldType::Logical:
            field.type = 'L';
            field.length = 1;
            break;
    }
    return field;
}

int LayOut(std::vector<Field>& fields) {
    int offset = 1;
    for (auto& field : fields) {
        field.offset = offset;
        offset += field.length;
    }
    return offset;
}

std::string ReadText(const Field& field, Family family, const char* record) {
    const std::string_view raw(record + field.offset, field.length);
    switch (field.type) {
        case 'C':
        case 'D': {
            std::string_view text = raw;
            while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
            return std::string(text);
        }
        case 'N':
        case 'F': {
            if (auto canonical = CanonicalNumber(raw)) return *canonical;
            return std::string(TrimBlanks(raw));
        }
        case 'L': {
            const char c = raw[0];
            if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return "T";
            if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return "F";
            return {};
        }
        case 'I':
        case '+': {
            const auto value = ReadLong(field, family, record);
            return value ? std::to_string(*value) : std::string();
        }
        case 'O': {
            const auto value = ReadDouble(field, record);
            return value ? ShortestText(*value) : std::string();
        }
        case '@': return TimestampText(field, record);
        case 'M': return {};
        default: RaiseCannotRead(field);
    }
}

std::optional<std::int32_t> ReadLong(const Field& field, Family family, const char* record) {
    if (field.type != 'I' && field.type != '+') RaiseCannotRead(field);
    const char* p = record + field.offset;
    if (IsBigEndianLong(field, family)) {
        if (AllZero(p, 4)) return std::nullopt;
        return static_cast<std::int32_t>(BigEndian32(p) ^ 0x80000000u);
    }
    return static_cast<std::int32_t>(LittleEndian32(p));
}

std::optional<double> ReadDouble(const Field& field, const char* record) {
    if (field.type != 'O') RaiseCannotRead(field);
    const char* p = record + field.offset;
    if (AllZero(p, 8)) return std::nullopt;
    std::uint64_t bits = BigEndian64(p);
    bits = (bits >> 63) ? bits ^ (std::uint64_t{1} << 63) : ~bits;
    return std::bit_cast<double>(bits);
}

bool ReadLogical(const Field& field, const char* record) {
    if (field.type != 'L') RaiseCannotRead(field);
    const char c = record[field.offset];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

void WriteText(const Field& field, Family family, char* record, std::string_view text) {
    if (field.type == 'C') {  // by far the most written
        PutCharacters(field, record, text);
        return;
    }
    const std::string_view trimmed = TrimBlanks(text);
    switch (field.type) {
        case 'N':
        case 'F': {
            if (trimmed.empty()) {
                std::memset(record + field.offset, ' ', field.length);
                return;
            }
            const auto parts = SplitNumber(trimmed);
            if (!parts) throw Error(Format(tables::msg::kNotANumber, std::string(text)));
            if (parts->fraction.empty() && trimmed.find('.') == std::string_view::npos) {
                std::int64_t whole = 0;
                const std::string digits(parts->whole);
                const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
                if (result.ec == std::errc()) {
                    WriteInteger(field, family, record, parts->negative ? -whole : whole);
                    return;
                }
            }
            WriteFloat(field, family, record, *ParseNumber(trimmed));
            return;
        }
        case 'L': {
            if (trimmed.empty() || trimmed == "?") {
                record[field.offset] = ' ';
                return;
            }
            const char c = trimmed[0];
            if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return WriteLogical(field, record, true);
            if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return WriteLogical(field, record, false);
            throw Error(Format(tables::msg::kNotALogical, std::string(text)));
        }
        case 'D': {
            if (trimmed.empty()) {
                std::memset(record + field.offset, ' ', field.length);
                return;
            }
            if (!IsCalendarDate(trimmed)) throw Error(Format(tables::msg::kNotADate, std::string(text)));
            std::memcpy(record + field.offset, trimmed.data(), 8);
            return;
        }
        case 'I':
        case '+':
            if (trimmed.empty()) {
                std::memset(record + field.offset, 0, field.length);
                return;
            }
            return WriteInteger(field, family, record, StrToInt(std::string(trimmed)));
        case 'O': {
            if (trimmed.empty()) {
                std::memset(record + field.offset, 0, field.length);
                return;
            }
            const auto value = ParseNumber(trimmed);
            if (!value) throw Error(Format(tables::msg::kNotANumber, std::string(text)));
            return WriteFloat(field, family, record, *value);
        }
        default: RaiseCannotWrite(field);
    }
}

void WriteInteger(const Field& field, Family family, char* record, std::int64_t value) {
    switch (field.type) {
        case 'N':
        case 'F': {
            std::string text = std::to_string(value);
            if (field.decimals > 0) text += "." + std::string(field.decimals, '0');
            return PutNumberText(field, record, text);
        }
        case 'C': return PutCharacters(field, record, std::to_string(value));
        case 'I':
        case '+':
            if (value < LowestLong(field, family) || value > std::numeric_limits<std::int32_t>::max())
                RaiseTooWide(field, std::to_string(value));
            return PutLong(field, family, record, static_cast<std::int32_t>(value));
        case 'O': return PutDouble(field, record, static_cast<double>(value));
        default: RaiseCannotWrite(field);
    }
}

void WriteFloat(const Field& field, Family family, char* record, double value) {
    if (!std::isfinite(value)) RaiseTooWide(field, ShortestText(value));
    switch (field.type) {
        case 'N':
        case 'F': return PutNumberText(field, record, FixedText(value, field.decimals));
        case 'C': return PutCharacters(field, record, ShortestText(value));
        case 'I':
        case '+': {
            const double whole = std::nearbyint(value);
            if (whole < static_cast<double>(LowestLong(field, family)) ||
                whole > std::numeric_limits<std::int32_t>::max())
                RaiseTooWide(field, ShortestText(value));
            return PutLong(field, family, record, static_cast<std::int32_t>(whole));
        }
        case 'O': return PutDouble(field, record, value);
        default: RaiseCannotWrite(field);
    }
}

void WriteLogical(const Field& field, char* record, bool value) {
    if (field.type != 'L') RaiseCannotWrite(field);
    record[field.offset] = value ? 'T' : 'F';
}

std::optional<double> ParseNumber(std::string_view text) {
    const auto parts = SplitNumber(text);
    if (!parts) return std::nullopt;
    std::string plain(parts->negative ? "-" : "");
    plain += parts->whole.empty() ? std::string_view("0") : parts->whole;
    if (!parts->fraction.empty()) {
        plain += '.';
        plain += parts->fraction;
    }
    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) return std::nullopt;
    return value;
}

std::optional<std::string> CanonicalNumber(std::string_view text) {
    const auto parts = SplitNumber(text);
    if (!parts) return std::nullopt;
    std::string_view whole = parts->whole;
    while (whole.size() > 1 && whole[0] == '0') whole.remove_prefix(1);
    std::string_view fraction = parts->fraction;
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    std::string digits(whole.empty() ? std::string_view("0") : whole);
    if (!fraction.empty()) digits += "." + std::string(fraction);
    const bool minus = parts->negative && digits != "0";
    return minus ? "-" + digits : digits;
}

std::optional<std::int32_t> WholeNumber(std::string_view text) {
    const auto parts = SplitNumber(text);
    if (!parts || parts->fraction.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
    std::string_view digits = parts->whole;
    while (!digits.empty() && digits[0] == '0') digits.remove_prefix(1);
    if (digits.size() > 10) return std::nullopt;  // beyond 32 bits whatever the digits
    std::int64_t magnitude = 0;
    for (const char digit : digits) magnitude = magnitude * 10 + (digit - '0');
    const std::int64_t value = parts->negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace vindeleo::dbf
