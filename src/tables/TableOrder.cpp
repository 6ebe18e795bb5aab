#include "tables/TableOrder.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "tables/RecordStore.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/PathText.h"
#include "tables/FileReason.h"
#include "tables/TableMessages.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"

namespace vindeleo {

namespace fs = std::filesystem;
namespace tmsg = tables::msg;

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

bool IsNumberText(const dbf::Field& field) { return field.type == 'N' || field.type == 'F'; }

// The key that an index holds for a number field of a record.
mdx::NumericKey KeyOf(const dbf::Field& field, const char* record) {
    return mdx::NumericKey::FromText(std::string_view(record + field.offset, field.length));
}

// A binary number's sort key; a blank one (dBase 7's null) sorts first, as
// the lowest key.
double BinaryNumberKey(const dbf::Field& key, dbf::Family family, const char* record) {
    constexpr double blank = -std::numeric_limits<double>::infinity();
    if (key.type == 'O') return dbf::ReadDouble(key, record).value_or(blank);
    const auto value = dbf::ReadLong(key, family, record);
    return value ? *value : blank;
}

// Every record number, sorted stably by the key that keyOf gives.
template <typename KeyOf>
std::vector<std::uint32_t> SortedBy(const RecordStore& records, KeyOf keyOf) {
    using Key = decltype(keyOf(records.At(0)));
    std::vector<std::pair<Key, std::uint32_t>> keyed;
    keyed.reserve(records.Count());
    for (std::size_t number = 0; number < records.Count(); ++number)
        keyed.emplace_back(keyOf(records.At(number)), static_cast<std::uint32_t>(number));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::uint32_t> order;
    order.reserve(keyed.size());
    for (const auto& entry : keyed) order.push_back(entry.second);
    return order;
}

// The records in the order an index on the key would give, sorted in memory.
std::vector<std::uint32_t> SortedInMemory(const dbf::Field& key, dbf::Family family, const RecordStore& records) {
    if (records.Count() == 0) return {};
    // As the index orders them: exact decimal values, blank as zero.
    if (IsNumberText(key)) return SortedBy(records, [&](const char* record) { return KeyOf(key, record); });
    if (key.type == 'I' || key.type == '+' || key.type == 'O')
        return SortedBy(records, [&](const char* record) { return BinaryNumberKey(key, family, record); });
    return SortedBy(records, [&](const char* record) { return dbf::ReadText(key, family, record); });
}

// The index file of that name in dir (any letter case), or an empty path when
// there is none. A look at the directory that fails proves nothing: its
// reason goes to failure.
fs::path FindIndexFile(const fs::path& dir, const std::string& fileName, std::string& failure) {
    std::error_code error;
    const fs::path found = platform::FindFile(dir, fileName, error);
    if (error) {
        failure = dbf::ReasonText(error);
        return {};
    }
    return found;
}

// The whole content of an index file, read under a shared lock; the reason
// of a failure in error.
bool ReadIndexFile(const fs::path& path, std::string& bytes, std::string& error) {
    platform::LockedFile file;
    std::error_code code;
    switch (file.Open(path, false, code)) {
        case platform::LockedFile::Status::Ok:
            if (file.ReadAll(bytes, code)) return true;
            break;
        case platform::LockedFile::Status::Missing: error = tmsg::kNoSuchFile; return false;
        case platform::LockedFile::Status::InUse: error = tmsg::kIndexInUse; return false;
        case platform::LockedFile::Status::Failed: break;
    }
    error = dbf::ReasonText(code);
    return false;
}

}  // namespace

void TableOrder::Load(const fs::path& dir, const std::string& tableName, const dbf::Header& header,
                      std::size_t recordsAtOpen) {
    Clear();
    recordsAtOpen_ = recordsAtOpen;
    if (!header.productionIndex) return;
    const std::string fileName = tableName + mdx::kFileExtension;
    std::string reason;
    indexPath_ = FindIndexFile(dir, fileName, reason);
    if (indexPath_.empty() && reason.empty()) return;  // announced but missing: nothing to use or keep
    const std::string text = PathText(indexPath_.empty() ? dir / PathFromText(fileName) : indexPath_);
    try {
        std::string bytes;
        if (!reason.empty() || !ReadIndexFile(indexPath_, bytes, reason))
            throw Error(Format(tmsg::kCannotReadIndex, text, reason));
        index_.emplace(std::move(bytes), text);
    } catch (const Error& error) {
        fault_ = error.what();
        notKept_ = fault_;
        return;
    }
    if (header.family == dbf::Family::DBase7) {
        notKept_ = Format(tmsg::kDBase7IndexNotKept, text);
        return;
    }
    for (const auto& tag : index_->Tags()) {
        const auto field = PlainNumberField(tag, header);
        if (!field) {
            notKept_ = Format(tmsg::kTagNotKept, tag.name, text);
            keptTags_.clear();
            return;
        }
        keptTags_.push_back({tag.name, header.fields[*field].name, *field});
    }
}

void TableOrder::Clear() {
    indexPath_.clear();
    index_.reset();
    fault_.clear();
    notKept_.clear();
    keptTags_.clear();
    recordsAtOpen_ = 0;
    tagOrder_.reset();
}

// The field of a tag that is an ascending index of every record on one N or F
// field: the only kind read and rebuilt here.
std::optional<std::size_t> TableOrder::PlainNumberField(const mdx::Tag& tag, const dbf::Header& header) const {
    if (tag.keyType != 'N' || tag.descending || tag.unique || tag.filtered) return std::nullopt;
    for (std::size_t i = 0; i < header.fields.size(); ++i)
        if (SameIgnoringCase(header.fields[i].name, tag.expression))
            return IsNumberText(header.fields[i]) ? std::optional<std::size_t>(i) : std::nullopt;
    return std::nullopt;
}

// The tag of the index on the field, or none; a damaged index raises here.
const mdx::Tag* TableOrder::TagOn(std::size_t field, const dbf::Header& header) const {
    if (!fault_.empty()) throw Error(fault_);
    if (!index_) return nullptr;
    for (const auto& tag : index_->Tags())
        if (PlainNumberField(tag, header) == field) return &tag;
    return nullptr;
}

// The tag's entries, checked against the records that the file held at
// opening: each record once, with the key of its field.
std::vector<mdx::TagEntry> TableOrder::CheckedEntries(const mdx::Tag& tag, const dbf::Field& key,
                                                      const RecordStore& records) const {
    std::vector<mdx::TagEntry> entries = index_->Entries(tag);
    if (entries.size() != recordsAtOpen_) index_->RaiseDamaged(Format(tmsg::kIndexRecordsMismatch, tag.name));
    std::vector<bool> seen(recordsAtOpen_);
    for (auto& entry : entries) {
        if (entry.record < 1 || entry.record > recordsAtOpen_ || seen[entry.record - 1])
            index_->RaiseDamaged(Format(tmsg::kIndexRecordsMismatch, tag.name));
        seen[entry.record - 1] = true;
        if (!(entry.key == KeyOf(key, records.At(entry.record - 1))))
            index_->RaiseDamaged(Format(tmsg::kIndexKeyMismatch, entry.record, tag.name));
        --entry.record;
    }
    return entries;
}

// Every record number in the order of the tag: those of the file as its tree
// gives them, those added since opening placed after the equal keys (each
// added one's key, then number, decides among them). The tree is read and
// checked once for each field ordered by.
std::vector<std::uint32_t> TableOrder::IndexedOrder(const mdx::Tag& tag, std::size_t field, const dbf::Field& key,
                                                    const RecordStore& records) {
    if (!tagOrder_ || tagOrderField_ != field) {
        tagOrder_ = CheckedEntries(tag, key, records);
        tagOrderField_ = field;
    }
    std::vector<mdx::TagEntry> added;
    for (std::size_t number = recordsAtOpen_; number < records.Count(); ++number)
        added.push_back({KeyOf(key, records.At(number)), static_cast<std::uint32_t>(number)});
    std::stable_sort(added.begin(), added.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
    std::vector<std::uint32_t> order;
    order.reserve(records.Count());
    std::size_t a = 0;
    for (const auto& entry : *tagOrder_) {
        while (a < added.size() && added[a].key < entry.key) order.push_back(added[a++].record);
        order.push_back(entry.record);
    }
    for (; a < added.size(); ++a) order.push_back(added[a].record);
    return order;
}

std::vector<std::uint32_t> TableOrder::Order(const dbf::Field& key, const dbf::Header& header,
                                             const RecordStore& records) {
    const auto field = static_cast<std::size_t>(&key - header.fields.data());
    if (const mdx::Tag* tag = TagOn(field, header)) return IndexedOrder(*tag, field, key, records);
    return SortedInMemory(key, header.family, records);
}

std::string TableOrder::Rebuild(const std::string& tableName, const dbf::Header& header, const RecordStore& records,
                                const std::tm& today) const {
    std::vector<mdx::TagSource> tags;
    for (const auto& kept : keptTags_) {
        mdx::TagSource tag{kept.name, kept.expression, {}};
        tag.entries.reserve(records.Count());
        const dbf::Field& field = header.fields[kept.field];
        for (std::size_t number = 0; number < records.Count(); ++number)
            tag.entries.push_back({KeyOf(field, records.At(number)), static_cast<std::uint32_t>(number + 1)});
        tags.push_back(std::move(tag));
    }
    return mdx::BuildIndexFile(tableName, std::move(tags), index_->Created(), today);
}

std::string TableOrder::EmptyIndex(const std::string& tableName, const TableLayout& layout,
                                   const std::vector<dbf::Field>& fields, const std::tm& today) {
    std::vector<mdx::TagSource> tags;
    for (const auto& index : layout.indexes)
        for (const auto& field : fields)
            if (SameIgnoringCase(field.name, index.field)) tags.push_back({index.name, field.name, {}});
    return mdx::BuildIndexFile(tableName, std::move(tags), today, today);
}

}  // namespace vindeleo
