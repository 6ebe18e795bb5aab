#pragma once
// Helpers of the table tests: bytes of hand-made dBase files, running the
// independent readers, and collecting what a table shows.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "tables/Table.h"
#include "text/Error.h"
#include "platform/RegionalTime.h"

namespace vindeleo::test::tables {

namespace fs = std::filesystem;

inline std::string Le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
inline std::string Le32(std::uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
inline std::string Be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 8) & 0xFF),
            static_cast<char>(v & 0xFF)};
}
inline std::string Be64(std::uint64_t v) { return Be32(static_cast<std::uint32_t>(v >> 32)) + Be32(static_cast<std::uint32_t>(v)); }
inline std::string Zeros(std::size_t n) { return std::string(n, '\0'); }
inline std::string Padded(const std::string& text, std::size_t width, char pad = ' ') {
    return text + std::string(width - text.size(), pad);
}
inline std::string RightJustified(const std::string& text, std::size_t width) {
    return std::string(width - text.size(), ' ') + text;
}

struct RawField {
    std::string name;
    char type;
    int length;
    int decimals = 0;
};

// A 32-byte descriptor of dBase III to 5 and FoxPro.
inline std::string ClassicDescriptor(const RawField& f) {
    return Padded(f.name, 11, '\0') + std::string(1, f.type) + Zeros(4) + std::string(1, static_cast<char>(f.length)) +
           std::string(1, static_cast<char>(f.decimals)) + Zeros(14);
}

// A 48-byte descriptor of dBase 7: name (32), type, length, decimals, reserved
// (2), MDX flag, reserved (2), next autoincrement value (4), reserved (4).
inline std::string DBase7Descriptor(const RawField& f) {
    return Padded(f.name, 32, '\0') + std::string(1, f.type) + std::string(1, static_cast<char>(f.length)) +
           std::string(1, static_cast<char>(f.decimals)) + Zeros(13);
}

inline int RecordLengthOf(const std::vector<RawField>& fields) {
    int length = 1;
    for (const auto& f : fields) length += f.length;
    return length;
}

// The first 32 bytes of a table header.
inline std::string HeaderStart(unsigned char version, std::uint32_t records, int headerLength, int recordLength,
                               unsigned char languageDriver = 0x57) {
    return std::string(1, static_cast<char>(version)) + "\x7C\x03\x0F" + Le32(records) + Le16(headerLength) +
           Le16(recordLength) + Zeros(16) + std::string(1, '\0') + std::string(1, static_cast<char>(languageDriver)) +
           Zeros(2);
}

// dBase 7's long (I and +): big-endian with the sign bit inverted.
inline std::string DBase7Long(std::int32_t v) { return Be32(static_cast<std::uint32_t>(v) ^ 0x80000000u); }
// dBase 7's double (O): big-endian; sign bit set for a positive number, every
// bit inverted for a negative one.
inline std::string DBase7Double(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits = (bits >> 63) ? ~bits : bits | (std::uint64_t{1} << 63);
    return Be64(bits);
}

// A level catalogue NIVELEX.DBF as another program may write it: dBase 7, its
// key X_OFERTAMATRIG a number field N(20,4) holding each record's key text as
// it stands (with decimals, beyond 32 bits, blank, or no number at all).
struct CatalogueRecord {
    std::string key;
    std::string level;
    std::string study;
};
inline std::string ForeignCatalogue(const std::vector<CatalogueRecord>& records) {
    const std::vector<RawField> fields = {{"X_OFERTAMATRIG", 'N', 20, 4}, {"NIVEL_ABREV", 'C', 10}, {"ESTUDIO", 'C', 80}};
    std::string file = HeaderStart(0x04, static_cast<std::uint32_t>(records.size()), 68 + 48 * 3 + 1,
                                   RecordLengthOf(fields)) +
                       Padded("DBWINWE0", 32, '\0') + Zeros(4);
    for (const auto& field : fields) file += DBase7Descriptor(field);
    file += '\x0D';
    for (const auto& record : records)
        file += " " + RightJustified(record.key, 20) + Padded(record.level, 10) + Padded(record.study, 80);
    return file + "\x1A";
}

// Runs a script file written from source with the given interpreter.
inline CommandResult RunScript(const std::string& interpreter, const std::string& source, const std::string& args) {
    TempDir scratch;
    const fs::path script = scratch / "script";
    WriteFile(script, source);
    return RunCommand(interpreter + " '" + script.string() + "' " + args);
}

// The texts of the given fields for every record from the first on.
inline std::vector<std::vector<std::string>> Walk(Table& table, const std::vector<std::string>& fields) {
    std::vector<std::vector<std::string>> rows;
    for (table.First(); !table.Eof(); table.Next()) {
        std::vector<std::string> row;
        for (const auto& field : fields) row.push_back(table.Text(field));
        rows.push_back(row);
    }
    return rows;
}

// The message of the vindeleo::Error that action raises ("" when none).
template <typename Action>
std::string ErrorOf(Action&& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return {};
}

inline std::tm TodayLocal() { return LocalTime(std::time(nullptr)); }

// Waits until the file exists (a helper process's signal), at most ten seconds.
inline bool WaitForFile(const fs::path& file) {
    for (int i = 0; i < 1000; ++i) {
        if (fs::exists(file)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace vindeleo::test::tables
