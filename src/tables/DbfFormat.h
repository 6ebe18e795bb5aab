#pragma once
// The bytes of a dBase table file: the header with its field descriptors, and
// the encoding of each field type inside a record.
//
// File: header (headerLength bytes) | records (recordLength bytes each, the
// first byte ' ' or '*' for deleted) | 0x1A end-of-file mark.
//
// Header families read:
//   classic  (dBase III, IV, 5, FoxPro 2: versions 0x03, 0x83, 0x8B, 0xF5 ...):
//            32-byte header, 32-byte field descriptors from offset 32;
//   dBase 7  (version bits 0-2 = 4: 0x04, 0x8C): 68-byte header with the
//            language driver name, 48-byte descriptors from offset 68, field
//            properties after the terminator;
//   Visual FoxPro (0x30, 0x31, 0x32): classic descriptors, then the 263-byte
//            database backlink.
// In every family the records start at the header length that the header
// states, so whatever lies between the terminator and the records is skipped.
//
// Field types and their bytes:
//   C  text padded with blanks (FoxPro: widths over 255 keep the high byte in
//      the decimal count);
//   N, F  number written as text, right-justified;
//   L  'T', 't', 'Y', 'y' true; 'F', 'f', 'N', 'n' false; blank or '?' empty;
//   D  "YYYYMMDD" (read as stored; written only when it names a calendar day);
//   I  4 bytes: dBase 7 big-endian with the sign bit inverted (so that the
//      bytes sort like the numbers); FoxPro little-endian two's complement;
//   +  dBase 7 autoincrement, stored like dBase 7's I;
//   O  dBase 7 double, 8 bytes big-endian in byte-sortable form: a positive
//      number has its sign bit set, a negative one has all its bits inverted;
//   @  dBase 7 timestamp, 8 bytes big-endian: a double counting milliseconds
//      from the start of 1 January of year 1 (proleptic Gregorian calendar),
//      that day being day 1; read as the text "YYYYMMDDhhmmss" (all-zero
//      bytes: empty). Both the sortable form (sign bit set) and the plain
//      positive double are read, as the two give the same positive number;
//   M  memo block number: read as empty text (the memo file is not read).
// Any other type can be present in a table that is read; reading it raises an
// error.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/Table.h"

namespace vindeleo::dbf {

inline constexpr char kEndOfFile = 0x1A;
inline constexpr char kFieldTerminator = 0x0D;
inline constexpr char kLiveRecord = ' ';
inline constexpr char kDeletedRecord = '*';
inline constexpr unsigned char kLanguageDriver1252 = 0x57;  // Windows ANSI, code page 1252

enum class Family { Classic, DBase7, VisualFoxPro };

struct Field {
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
    int offset = 0;  // from the start of the record; byte 0 is the deletion flag
    bool indexed = false;  // a tag of the production index is on it (descriptor's flag)
};

struct Header {
    unsigned char version = 0;
    Family family = Family::Classic;
    std::uint32_t recordCount = 0;
    int headerLength = 0;
    int recordLength = 0;
    bool productionIndex = false;  // byte 28: a ".MDX" of the table's name goes with it
    std::vector<Field> fields;
};

// Reads and checks the header at the start of a table file. bytes is the whole
// file; a header that does not agree with itself or with the size of the file
// raises an error that names fileText (the file's path, Windows-1252).
Header ParseHeader(std::string_view bytes, const std::string& fileText);

// The record count that a table's header states (bytes 4-7, little-endian, in
// every family), deleted records included, read from the file's first bytes
// alone; nothing when there are fewer than eight.
std::optional<std::uint32_t> StatedRecordCount(std::string_view headerStart);

// The header bytes of a new, empty table of the given level; with
// productionIndex the header announces the table's production index, and
// each field marked indexed carries the flag of an indexed field.
std::string BuildHeader(const std::vector<Field>& fields, DbfLevel level, const std::tm& lastUpdate,
                        bool productionIndex = false);

// Writes the record count and the date of last update into header bytes.
void StampHeader(std::string& header, std::uint32_t recordCount, const std::tm& lastUpdate);

// The physical field for a logical one: C(width), N(11,0), N(20,4), L(1).
// Offsets are left 0; the caller lays the fields out.
Field PhysicalField(const FieldDef& def);
// Gives each field its offset in the record; returns the record length.
int LayOut(std::vector<Field>& fields);

// --- values ---------------------------------------------------------------

// The field's content as text: trailing blanks dropped; numbers without their
// padding and without trailing zeros of the fraction ("3.0000" reads "3",
// "2.5000" reads "2.5"; a number text that is not a number is given trimmed);
// L as "T", "F" or ""; D as stored; I, + and O as their decimal numbers; @ as
// "YYYYMMDDhhmmss"; M as "". Other types raise an error.
std::string ReadText(const Field& field, Family family, const char* record);
// I and +: the number; empty when blank (dBase 7 writes a blank as zero bytes).
std::optional<std::int32_t> ReadLong(const Field& field, Family family, const char* record);
// O: the number; empty when blank (zero bytes).
std::optional<double> ReadDouble(const Field& field, const char* record);
// L: true for 'T' or 'Y' in either case.
bool ReadLogical(const Field& field, const char* record);

// Writers; each fills the field's bytes completely, or raises an error (the
// value does not fit, or the field's type cannot hold it) and leaves them.
void WriteText(const Field& field, Family family, char* record, std::string_view text);
void WriteInteger(const Field& field, Family family, char* record, std::int64_t value);
void WriteFloat(const Field& field, Family family, char* record, double value);
void WriteLogical(const Field& field, char* record, bool value);

// A number written as text: optional blanks, optional sign, digits with an
// optional '.' fraction (".5" and "5." too), optional blanks. Nothing else.
std::optional<double> ParseNumber(std::string_view text);

// The canonical text of a number text (see ReadText); empty optional when the
// text is not a number.
std::optional<std::string> CanonicalNumber(std::string_view text);

// A number text (as ParseNumber reads it) whose value is a whole number that
// 32 bits hold ("3101", " 007", "3101.00", "-0"): that number, read from its
// digits, not through a double. Empty for anything else: a blank, a text that
// is not a number, a fraction other than zeros, a value beyond 32 bits.
std::optional<std::int32_t> WholeNumber(std::string_view text);

}  // namespace vindeleo::dbf
