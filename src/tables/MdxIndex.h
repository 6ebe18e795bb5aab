#pragma once
// The production index of a dBase IV table: the ".MDX" file of the table's
// name that the table's header announces (header byte 28), with one tag per
// index, each a B-tree of keys and record numbers.
//
// File, in pages of 512 bytes and blocks of two pages (1,024 bytes):
//   pages 0-3   file header (544 bytes: version 2, dates, table name, block
//               size, production flag, tag counts, page count) and the tag
//               table from byte 544: 32 bytes a tag (header page, name, key
//               format, the tags' binary tree by name, key type);
//   per tag     a header block (root page, size, key format and type, key
//               length, keys per node, entry length, unique flag, the key
//               expression from byte 24, first and last leaf pages) and the
//               nodes of its tree, one block each.
// Node: entry count (4 bytes), the page of the node before it on the same
// level (4), then entries of a 4-byte number and the key. In a leaf the
// number is the record's (from 1) and the four bytes after the last entry
// are zero; in an inner node it is a child's page, the key is the last key
// under that child, and a last child follows the entries with no key of its
// own (so the four bytes after the last entry name a page).
//
// A numeric key takes twelve bytes: 52 plus the decimal exponent (digits
// before the point; zero or less for a number under 1), then the sign in
// bit 7 with the count of digits in bits 2-6 and bits 0-1 set to 01, then
// ten bytes of packed decimal digits, first digit in the high half. A
// negative number keeps the digits of its magnitude. Zero is 0x34 0x01 and
// zeros. Keys are ordered by value, not by their bytes.
//
// All numbers in the file are little-endian.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vindeleo::mdx {

// The production index of table T is the file T + ".MDX" beside T + ".DBF".
inline constexpr const char* kFileExtension = ".MDX";
inline constexpr int kNumericKeyLength = 12;
inline constexpr int kMaxTags = 47;
inline constexpr std::size_t kMaxTagNameLength = 10;

// A number as a numeric index key holds it: exact decimal digits, at most
// twenty of them.
class NumericKey {
public:
    // The value of a number field's text. A blank text, or one that is no
    // number, is zero, as dBase takes it; digits past the twentieth are cut.
    static NumericKey FromText(std::string_view text);
    // The number that twelve key bytes hold; empty when they hold none.
    static std::optional<NumericKey> FromBytes(std::string_view bytes);

    // The twelve bytes; raises an error when the number lies beyond what the
    // exponent byte can say.
    std::string Bytes() const;
    // The number written in decimal ("-12.5", "0").
    std::string Text() const;

    friend int Compare(const NumericKey& a, const NumericKey& b);
    friend bool operator==(const NumericKey& a, const NumericKey& b) = default;
    friend bool operator<(const NumericKey& a, const NumericKey& b) { return Compare(a, b) < 0; }

private:
    bool negative_ = false;
    int exponent_ = 0;    // digits before the decimal point
    std::string digits_;  // no leading or trailing zero; empty for zero
};

struct TagEntry {
    NumericKey key;
    std::uint32_t record = 0;  // from 1
};

// What a tag is built from: its name, its key expression (a numeric field's
// name) and the key of every record, in any order.
struct TagSource {
    std::string name;
    std::string expression;
    std::vector<TagEntry> entries;
};

// The bytes of a production index for the table holding the given tags, each
// ascending with duplicates allowed: keys by value, equal keys by record
// number.
std::string BuildIndexFile(const std::string& tableName, std::vector<TagSource> tags, const std::tm& created,
                           const std::tm& updated);

// A tag as the tag table and the tag's header describe it.
struct Tag {
    std::string name;
    std::string expression;  // blanks around it dropped
    char keyType = 0;        // 'N' numeric, 'C' character, 'D' date
    bool descending = false;
    bool unique = false;
    bool filtered = false;  // a FOR condition leaves records out
    int keyLength = 0;
    int entryLength = 0;
    std::uint32_t rootPage = 0;
};

// An index file read from its bytes. Reading the header and the tags checks
// them; walking a tag checks its tree. What does not hold together raises
// the table layer's "damaged index" error naming fileText.
class IndexFile {
public:
    IndexFile(std::string bytes, std::string fileText);

    const std::vector<Tag>& Tags() const { return tags_; }
    // The creation date of the file (year since 1900, month from 0, day).
    const std::tm& Created() const { return created_; }

    // The entries of a numeric tag in the order of its tree.
    std::vector<TagEntry> Entries(const Tag& tag) const;

    // Raises the damaged-index error with the given detail.
    [[noreturn]] void RaiseDamaged(const std::string& detail) const;

private:
    std::string_view Block(std::uint32_t page) const;

    std::string bytes_;
    std::string fileText_;
    int blockLength_ = 0;
    std::tm created_{};
    std::vector<Tag> tags_;
};

}  // namespace vindeleo::mdx
