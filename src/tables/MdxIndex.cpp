#include "tables/MdxIndex.h"

#include <algorithm>
#include <cstring>

#include "tables/Bytes.h"
#include "tables/TableMessages.h"
#include "text/Error.h"
#include "text/Format.h"

namespace vindeleo::mdx {

namespace tmsg = tables::msg;
using namespace bytes;

namespace {

constexpr int kPageLength = 512;
constexpr int kPagesPerBlock = 2;
constexpr int kBlockLength = kPageLength * kPagesPerBlock;
constexpr int kHeaderPages = 4;  // file header and tag table
constexpr int kTagTableAt = 544;
constexpr int kTagTableEntries = 48;
constexpr int kTagEntryLength = 32;
constexpr int kNodeHeaderLength = 8;
constexpr int kNumericEntryLength = 4 + kNumericKeyLength;
// Room is left after the last entry for the four bytes that end it.
constexpr int kMaxKeysPerNode = (kBlockLength - 12) / kNumericEntryLength;
constexpr int kMaxChildrenPerNode = kMaxKeysPerNode + 1;
constexpr int kMaxDigits = 20;     // ten bytes of packed digits
constexpr int kExponentBias = 52;  // 0x34: the exponent byte of zero
constexpr int kMaxDepth = 32;
constexpr int kMaxBlockPages = 64;

// Tag header bytes.
constexpr int kTagExpressionAt = 24;
constexpr int kTagExpressionLength = 220;
constexpr int kTagFilteredAt = 245;
constexpr int kTagHasKeysAt = 246;
constexpr int kTagFirstLeafAt = 248;
constexpr int kTagLastLeafAt = 252;
constexpr int kTagDateAt = 257;
constexpr int kTagPlainFieldAt = 480;

// Key format bits of a tag.
constexpr unsigned char kKeyFormatBase = 0x10;
constexpr unsigned char kKeyFormatDescending = 0x08;
constexpr unsigned char kKeyFormatUnique = 0x40;

// The sizes of count items split as evenly as possible over the fewest groups
// of at most max items; one empty group when there is nothing.
std::vector<std::size_t> EvenGroups(std::size_t count, std::size_t max) {
    const std::size_t groups = std::max<std::size_t>(1, (count + max - 1) / max);
    std::vector<std::size_t> sizes(groups, count / groups);
    for (std::size_t i = 0; i < count % groups; ++i) ++sizes[i];
    return sizes;
}

// A node of a tree being built: its page and the last key under it.
struct BuiltNode {
    std::uint32_t page;
    std::string lastKey;
};

class FileWriter {
public:
    FileWriter() : bytes_(kHeaderPages * kPageLength, '\0') {}

    // Appends an empty block; returns its first page.
    std::uint32_t NewBlock() {
        const auto page = static_cast<std::uint32_t>(bytes_.size() / kPageLength);
        bytes_.append(kBlockLength, '\0');
        return page;
    }
    char* At(std::uint32_t page) { return bytes_.data() + static_cast<std::size_t>(page) * kPageLength; }
    std::uint32_t Pages() const { return static_cast<std::uint32_t>(bytes_.size() / kPageLength); }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

// The leaves of a tag's tree, the entries in order spread evenly over them.
std::vector<BuiltNode> WriteLeaves(FileWriter& file, const std::vector<TagEntry>& entries) {
    std::vector<BuiltNode> nodes;
    std::size_t next = 0;
    std::uint32_t previous = 0;
    for (const std::size_t size : EvenGroups(entries.size(), kMaxKeysPerNode)) {
        const std::uint32_t page = file.NewBlock();
        char* node = file.At(page);
        PutLittleEndian32(node, static_cast<std::uint32_t>(size));
        PutLittleEndian32(node + 4, previous);
        std::string key;
        for (std::size_t i = 0; i < size; ++i, ++next) {
            char* entry = node + kNodeHeaderLength + i * kNumericEntryLength;
            PutLittleEndian32(entry, entries[next].record);
            key = entries[next].key.Bytes();
            std::memcpy(entry + 4, key.data(), kNumericKeyLength);
        }
        nodes.push_back({page, key});
        previous = page;
    }
    return nodes;
}

// The level of inner nodes above the given nodes, spread evenly likewise.
std::vector<BuiltNode> WriteInnerLevel(FileWriter& file, const std::vector<BuiltNode>& children) {
    std::vector<BuiltNode> nodes;
    std::size_t next = 0;
    std::uint32_t previous = 0;
    for (const std::size_t size : EvenGroups(children.size(), kMaxChildrenPerNode)) {
        const std::uint32_t page = file.NewBlock();
        char* node = file.At(page);
        const std::size_t keys = size - 1;  // the last child goes without a key
        PutLittleEndian32(node, static_cast<std::uint32_t>(keys));
        PutLittleEndian32(node + 4, previous);
        for (std::size_t i = 0; i < keys; ++i) {
            char* entry = node + kNodeHeaderLength + i * kNumericEntryLength;
            PutLittleEndian32(entry, children[next + i].page);
            std::memcpy(entry + 4, children[next + i].lastKey.data(), kNumericKeyLength);
        }
        PutLittleEndian32(node + kNodeHeaderLength + keys * kNumericEntryLength, children[next + keys].page);
        nodes.push_back({page, children[next + keys].lastKey});
        next += size;
        previous = page;
    }
    return nodes;
}

void WriteTagHeader(char* header, const TagSource& tag, std::uint32_t root, std::uint32_t treePages,
                    std::uint32_t firstLeaf, std::uint32_t lastLeaf, const std::tm& updated) {
    PutLittleEndian32(header, root);
    PutLittleEndian32(header + 4, treePages);
    header[8] = static_cast<char>(kKeyFormatBase);  // ascending, duplicates allowed
    header[9] = 'N';
    header[11] = 0x1B;
    PutLittleEndian16(header + 12, kNumericKeyLength);
    PutLittleEndian16(header + 14, kMaxKeysPerNode);
    PutLittleEndian16(header + 16, 0);  // no secondary key type
    PutLittleEndian16(header + 18, kNumericEntryLength);
    header[20] = 1;  // serial number of the tag's content
    header[23] = 0;  // not unique
    std::memcpy(header + kTagExpressionAt, tag.expression.data(),
                std::min<std::size_t>(tag.expression.size(), kTagExpressionLength - 1));
    header[kTagFilteredAt] = 0;
    header[kTagHasKeysAt] = tag.entries.empty() ? 0 : 1;
    PutLittleEndian32(header + kTagFirstLeafAt, firstLeaf);
    PutLittleEndian32(header + kTagLastLeafAt, lastLeaf);
    PutDate(header + kTagDateAt, updated);
    header[kTagPlainFieldAt] = 1;  // the expression is one field
}

// The tag table keeps the tags in a binary tree by name: each entry's left
// and right child and parent, as tag numbers from 1 (0 for none).
void WriteTagTree(char* table, const std::vector<TagSource>& tags) {
    std::vector<int> left(tags.size()), right(tags.size()), parent(tags.size());
    for (std::size_t i = 1; i < tags.size(); ++i) {
        std::size_t at = 0;
        for (;;) {
            int& child = tags[i].name < tags[at].name ? left[at] : right[at];
            if (child == 0) {
                child = static_cast<int>(i) + 1;
                parent[i] = static_cast<int>(at) + 1;
                break;
            }
            at = static_cast<std::size_t>(child - 1);
        }
    }
    for (std::size_t i = 0; i < tags.size(); ++i) {
        char* entry = table + i * kTagEntryLength;
        entry[16] = static_cast<char>(left[i]);
        entry[17] = static_cast<char>(right[i]);
        entry[18] = static_cast<char>(parent[i]);
    }
}

}  // namespace

// --- numeric keys ----------------------------------------------------------

NumericKey NumericKey::FromText(std::string_view text) {
    text = TrimBlanks(text);
    NumericKey key;
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || !AllDigits(whole) || !AllDigits(fraction)) return key;

    std::string digits(whole);
    digits += fraction;
    int exponent = static_cast<int>(whole.size());
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return key;  // zero, whatever its sign
    digits.erase(0, firstNonZero);
    exponent -= static_cast<int>(firstNonZero);
    if (digits.size() > static_cast<std::size_t>(kMaxDigits)) digits.resize(kMaxDigits);
    digits.erase(digits.find_last_not_of('0') + 1);
    key.negative_ = negative;
    key.exponent_ = exponent;
    key.digits_ = std::move(digits);
    return key;
}

std::optional<NumericKey> NumericKey::FromBytes(std::string_view bytes) {
    if (bytes.size() != static_cast<std::size_t>(kNumericKeyLength)) return std::nullopt;
    const auto* b = Unsigned(bytes.data());
    const int count = (b[1] >> 2) & 0x1F;
    if (count > kMaxDigits) return std::nullopt;
    std::string digits;
    for (int i = 0; i < count; ++i) {
        const unsigned char pair = b[2 + i / 2];
        const int digit = i % 2 == 0 ? pair >> 4 : pair & 0x0F;
        if (digit > 9) return std::nullopt;
        digits += static_cast<char>('0' + digit);
    }
    NumericKey key;
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return key;
    key.negative_ = (b[1] & 0x80) != 0;
    key.exponent_ = b[0] - kExponentBias - static_cast<int>(firstNonZero);
    digits.erase(0, firstNonZero);
    digits.erase(digits.find_last_not_of('0') + 1);
    key.digits_ = std::move(digits);
    return key;
}

std::string NumericKey::Bytes() const {
    std::string bytes(kNumericKeyLength, '\0');
    if (digits_.empty()) {
        bytes[0] = static_cast<char>(kExponentBias);
        bytes[1] = 0x01;
        return bytes;
    }
    if (exponent_ + kExponentBias < 0 || exponent_ + kExponentBias > 255)
        throw Error(Format(tmsg::kKeyOutOfRange, Text()));
    // The zeros of the whole part count as digits; those of a fraction do not.
    const int count = std::min(kMaxDigits, std::max(static_cast<int>(digits_.size()), exponent_));
    bytes[0] = static_cast<char>(exponent_ + kExponentBias);
    bytes[1] = static_cast<char>((negative_ ? 0x80 : 0) | (count << 2) | 0x01);
    for (std::size_t i = 0; i < digits_.size(); ++i) {
        const int digit = digits_[i] - '0';
        bytes[2 + i / 2] = static_cast<char>(bytes[2 + i / 2] | (i % 2 == 0 ? digit << 4 : digit));
    }
    return bytes;
}

std::string NumericKey::Text() const {
    if (digits_.empty()) return "0";
    std::string text = negative_ ? "-" : "";
    if (exponent_ <= 0) {
        text += "0." + std::string(static_cast<std::size_t>(-exponent_), '0') + digits_;
    } else if (static_cast<std::size_t>(exponent_) >= digits_.size()) {
        text += digits_ + std::string(exponent_ - digits_.size(), '0');
    } else {
        text += digits_.substr(0, exponent_) + "." + digits_.substr(exponent_);
    }
    return text;
}

int Compare(const NumericKey& a, const NumericKey& b) {
    auto sign = [](const NumericKey& k) { return k.digits_.empty() ? 0 : k.negative_ ? -1 : 1; };
    const int signA = sign(a), signB = sign(b);
    if (signA != signB) return signA < signB ? -1 : 1;
    if (signA == 0) return 0;
    int magnitude = 0;
    if (a.exponent_ != b.exponent_)
        magnitude = a.exponent_ < b.exponent_ ? -1 : 1;
    else
        magnitude = a.digits_.compare(b.digits_) < 0 ? -1 : a.digits_ == b.digits_ ? 0 : 1;
    return signA * magnitude;
}

// --- writing ----------------------------------------------------------------

std::string BuildIndexFile(const std::string& tableName, std::vector<TagSource> tags, const std::tm& created,
                           const std::tm& updated) {
    FileWriter file;
    std::vector<std::uint32_t> headerPages;
    for (auto& tag : tags) {
        std::sort(tag.entries.begin(), tag.entries.end(), [](const TagEntry& a, const TagEntry& b) {
            const int order = Compare(a.key, b.key);
            return order != 0 ? order < 0 : a.record < b.record;
        });
        const std::uint32_t headerPage = file.NewBlock();
        headerPages.push_back(headerPage);
        const std::vector<BuiltNode> leaves = WriteLeaves(file, tag.entries);
        std::size_t nodes = leaves.size();
        std::vector<BuiltNode> level = leaves;
        while (level.size() > 1) {
            level = WriteInnerLevel(file, level);
            nodes += level.size();
        }
        WriteTagHeader(file.At(headerPage), tag, level.front().page, static_cast<std::uint32_t>(nodes * kPagesPerBlock),
                       leaves.front().page, leaves.back().page, updated);
    }

    char* header = file.At(0);
    header[0] = 2;  // dBase IV
    PutDate(header + 1, created);
    std::memcpy(header + 4, tableName.data(), std::min<std::size_t>(tableName.size(), 16));
    PutLittleEndian16(header + 20, kPagesPerBlock);
    PutLittleEndian16(header + 22, kBlockLength);
    header[24] = 1;  // production index
    header[25] = kTagTableEntries;
    header[26] = kTagEntryLength;
    PutLittleEndian16(header + 28, static_cast<int>(tags.size()));
    header[30] = static_cast<char>(tags.size() + 1);  // the next tag's number
    header[31] = 0x1B;
    PutLittleEndian32(header + 32, file.Pages());
    PutLittleEndian32(header + 36, 0);  // no free page
    PutLittleEndian32(header + 40, 0);
    PutDate(header + 44, updated);
    header[529] = 1;  // as dBase leaves it before the tag table

    char* table = header + kTagTableAt;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        char* entry = table + i * kTagEntryLength;
        PutLittleEndian32(entry, headerPages[i]);
        std::memcpy(entry + 4, tags[i].name.data(), std::min(tags[i].name.size(), kMaxTagNameLength));
        entry[15] = static_cast<char>(kKeyFormatBase);
        entry[19] = 0x02;
        entry[20] = 'N';
    }
    WriteTagTree(table, tags);
    return file.Take();
}

// --- reading ----------------------------------------------------------------

IndexFile::IndexFile(std::string bytes, std::string fileText) : bytes_(std::move(bytes)), fileText_(std::move(fileText)) {
    if (bytes_.size() < static_cast<std::size_t>(kTagTableAt)) RaiseDamaged(tmsg::kHeaderCut);
    const char* header = bytes_.data();
    const int pagesPerBlock = LittleEndian16(header + 20);
    if (pagesPerBlock < 1 || pagesPerBlock > kMaxBlockPages || LittleEndian16(header + 22) != pagesPerBlock * kPageLength)
        RaiseDamaged(tmsg::kIndexBadBlockSize);
    blockLength_ = pagesPerBlock * kPageLength;
    created_.tm_year = static_cast<unsigned char>(header[1]);
    created_.tm_mon = std::max(0, static_cast<unsigned char>(header[2]) - 1);
    created_.tm_mday = static_cast<unsigned char>(header[3]);

    const int entryLength = static_cast<unsigned char>(header[26]);
    const int used = LittleEndian16(header + 28);
    if (entryLength < 21 || used > kTagTableEntries) RaiseDamaged(tmsg::kHeaderCut);
    if (bytes_.size() < static_cast<std::size_t>(kTagTableAt + used * entryLength)) RaiseDamaged(tmsg::kHeaderCut);
    for (int i = 0; i < used; ++i) {
        const char* entry = header + kTagTableAt + i * entryLength;
        const std::uint32_t headerPage = LittleEndian32(entry);
        const std::string_view tagHeader = Block(headerPage);
        if (tagHeader.empty()) RaiseDamaged(Format(tmsg::kIndexBadTag, i + 1));
        Tag tag;
        const std::string_view name(entry + 4, 11);
        tag.name = std::string(TrimBlanks(name.substr(0, name.find('\0'))));
        const std::string_view expression(tagHeader.data() + kTagExpressionAt, kTagExpressionLength);
        tag.expression = std::string(TrimBlanks(expression.substr(0, expression.find('\0'))));
        tag.rootPage = LittleEndian32(tagHeader.data());
        const auto format = static_cast<unsigned char>(tagHeader[8]);
        tag.keyType = tagHeader[9];
        tag.descending = (format & kKeyFormatDescending) != 0;
        tag.unique = (format & kKeyFormatUnique) != 0 || tagHeader[23] != 0;
        tag.filtered = tagHeader[kTagFilteredAt] != 0;
        tag.keyLength = LittleEndian16(tagHeader.data() + 12);
        tag.entryLength = LittleEndian16(tagHeader.data() + 18);
        if (tag.keyLength < 1 || tag.entryLength < tag.keyLength + 4 ||
            kNodeHeaderLength + tag.entryLength > blockLength_)
            RaiseDamaged(Format(tmsg::kIndexBadTag, i + 1));
        tags_.push_back(std::move(tag));
    }
}

std::string_view IndexFile::Block(std::uint32_t page) const {
    const std::uint64_t at = static_cast<std::uint64_t>(page) * kPageLength;
    if (page < kHeaderPages || at + blockLength_ > bytes_.size()) return {};
    return std::string_view(bytes_).substr(static_cast<std::size_t>(at), blockLength_);
}

void IndexFile::RaiseDamaged(const std::string& detail) const {
    throw Error(Format(tmsg::kIndexDamaged, fileText_, detail));
}

std::vector<TagEntry> IndexFile::Entries(const Tag& tag) const {
    const std::string badTree = Format(tmsg::kIndexBadTree, tag.name);
    if (tag.keyType != 'N' || tag.keyLength != kNumericKeyLength) RaiseDamaged(badTree);
    std::vector<TagEntry> entries;
    std::vector<bool> visited(bytes_.size() / kPageLength + 1);
    int leafDepth = -1;
    // Depth-first, children in order: each node's page and depth.
    std::vector<std::pair<std::uint32_t, int>> pending = {{tag.rootPage, 0}};
    while (!pending.empty()) {
        const auto [page, depth] = pending.back();
        pending.pop_back();
        const std::string_view node = Block(page);
        if (node.empty() || visited[page] || depth > kMaxDepth) RaiseDamaged(badTree);
        visited[page] = true;
        const std::uint64_t count = LittleEndian32(node.data());
        const std::uint64_t end = kNodeHeaderLength + count * tag.entryLength;
        if (end > static_cast<std::uint64_t>(blockLength_)) RaiseDamaged(badTree);
        const bool inner = end + 4 <= static_cast<std::uint64_t>(blockLength_) && LittleEndian32(node.data() + end) != 0;
        if (inner) {
            // Children pushed last first, so that the first is walked first.
            for (std::uint64_t i = count + 1; i-- > 0;)
                pending.emplace_back(LittleEndian32(node.data() + kNodeHeaderLength + i * tag.entryLength), depth + 1);
            continue;
        }
        if (leafDepth != -1 && leafDepth != depth && count > 0) RaiseDamaged(badTree);
        if (count > 0) leafDepth = depth;
        for (std::uint64_t i = 0; i < count; ++i) {
            const char* entry = node.data() + kNodeHeaderLength + i * tag.entryLength;
            const auto key = NumericKey::FromBytes(std::string_view(entry + 4, kNumericKeyLength));
            if (!key) RaiseDamaged(Format(tmsg::kIndexBadKey, tag.name));
            if (!entries.empty() && Compare(*key, entries.back().key) < 0)
                RaiseDamaged(Format(tmsg::kIndexOutOfOrder, tag.name));
            entries.push_back({*key, LittleEndian32(entry)});
        }
    }
    return entries;
}

}  // namespace vindeleo::mdx
