#include "tables/Table.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <optional>
#include <array>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "tables/DbfFormat.h"
#include "tables/MdxIndex.h"
#include "tables/TableFile.h"
#include "tables/TableMessages.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;
namespace tmsg = tables::msg;

namespace {

constexpr const char* kTableExtension = ".DBF";
constexpr const char* kIndexExtension = ".MDX";
constexpr int kMaxRecordLengthDBase4 = 4000;
constexpr int kMaxRecordLengthDBase7 = 32767;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

// The table name without a ".DBF" that a caller may have given with it.
std::string BaseName(const std::string& name) {
    const std::size_t n = std::char_traits<char>::length(kTableExtension);
    if (name.size() > n && SameIgnoringCase(std::string_view(name).substr(name.size() - n), kTableExtension))
        return name.substr(0, name.size() - n);
    return name;
}

// Every file of dir named fileName in any letter case; the exact spelling first.
std::vector<fs::path> MatchingFiles(const fs::path& dir, const std::string& fileName) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (!it->is_regular_file(statusError)) continue;
        if (SameIgnoringCase(it->path().filename().string(), fileName)) found.push_back(it->path());
    }
    std::sort(found.begin(), found.end(), [&](const fs::path& a, const fs::path& b) {
        const bool aExact = a.filename() == fileName, bExact = b.filename() == fileName;
        return aExact != bExact ? aExact : a.filename() < b.filename();
    });
    return found;
}

std::tm Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

bool IsNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }

// Field types kept in binary form, blank as zero bytes.
bool IsBinary(const dbf::Field& field) {
    switch (field.type) {
        case 'I':
        case '+':
        case 'O':
        case '@':
        case 'B':
        case 'Y':
        case 'T':
        case '0': return true;
        case 'M':
        case 'G':
        case 'P': return field.length == 4;
        default: return false;
    }
}

std::int32_t RoundToInt32(double value, const std::string& text) {
    const double whole = std::nearbyint(value);
    if (!(whole >= std::numeric_limits<std::int32_t>::min() && whole <= std::numeric_limits<std::int32_t>::max()))
        throw Error(Format(msg::kNotAnInteger, text));
    return static_cast<std::int32_t>(whole);
}

[[noreturn]] void RaiseCannotRead(const dbf::Field& field) {
    throw Error(Format(tmsg::kCannotRead, field.name, std::string(1, field.type)));
}

bool IsNumberText(const dbf::Field& field) { return field.type == 'N' || field.type == 'F'; }

// The key that an index holds for a number field of a record.
mdx::NumericKey KeyOf(const dbf::Field& field, const char* record) {
    return mdx::NumericKey::FromText(std::string_view(record + field.offset, field.length));
}

// The index file of that name in dir (any letter case), or an empty path when
// there is none. A look at the directory that fails proves nothing: its
// reason goes to failure.
fs::path FindIndexFile(const fs::path& dir, const std::string& fileName, std::string& failure) {
    std::error_code error;
    const fs::path exact = dir / fileName;
    const auto status = fs::status(exact, error);
    if (!error && fs::is_regular_file(status)) return exact;
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory) {
        failure = dbf::ReasonText(error);
        return {};
    }
    error.clear();
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (SameIgnoringCase(it->path().filename().string(), fileName) && it->is_regular_file(statusError))
            return it->path();
    }
    if (error) failure = dbf::ReasonText(error);
    return {};
}

// The whole content of an index file, read under a shared lock; the reason
// of a failure in error.
bool ReadIndexFile(const fs::path& path, std::string& bytes, std::string& error) {
    dbf::LockedFile file;
    std::error_code code;
    switch (file.Open(path, false, code)) {
        case dbf::LockedFile::Status::Ok:
            if (file.ReadAll(bytes, code)) return true;
            break;
        case dbf::LockedFile::Status::Missing: error = tmsg::kNoSuchFile; return false;
        case dbf::LockedFile::Status::InUse: error = tmsg::kIndexInUse; return false;
        case dbf::LockedFile::Status::Failed: break;
    }
    error = dbf::ReasonText(code);
    return false;
}

}  // namespace

// The records of an open table: those read from the file in one block, and
// those appended since in blocks of fixed size, so that a table of hundreds of
// thousands of records grows without copying what it already holds.
class RecordStore {
public:
    // The records read from a file: count records of length bytes from offset on.
    void Reset(std::string fileBytes, std::size_t offset, std::size_t count, std::size_t length) {
        base_ = std::move(fileBytes);
        offset_ = offset;
        baseCount_ = count;
        length_ = length;
        blocks_.clear();
    }
    void Clear() {
        base_ = std::string();
        offset_ = baseCount_ = length_ = 0;
        blocks_.clear();
    }
    const char* At(std::size_t number) const {
        if (number < baseCount_) return base_.data() + offset_ + number * length_;
        number -= baseCount_;
        return blocks_[number / kBlockRecords].data() + (number % kBlockRecords) * length_;
    }
    void Append(std::string_view record) {
        if (blocks_.empty() || blocks_.back().size() >= kBlockRecords * length_) {
            blocks_.emplace_back();
            blocks_.back().reserve(kBlockRecords * length_);
        }
        blocks_.back().append(record);
    }
    // The records in file order, as pieces to write.
    std::vector<std::string_view> Blocks() const {
        std::vector<std::string_view> pieces;
        pieces.emplace_back(base_.data() + std::min(offset_, base_.size()), baseCount_ * length_);
        for (const auto& block : blocks_) pieces.emplace_back(block);
        return pieces;
    }

private:
    static constexpr std::size_t kBlockRecords = 8192;
    std::string base_;
    std::size_t offset_ = 0;
    std::size_t baseCount_ = 0;
    std::size_t length_ = 0;
    std::vector<std::string> blocks_;
};

struct Table::Impl {
    // The current order, which outlives a closing, as the table object keeps it.
    std::string orderField;

    // The production index of the open table, when its header announces one
    // and the file is there.
    struct KeptTag {
        std::string name;
        std::string expression;
        std::size_t field;
    };
    fs::path indexPath;
    std::optional<mdx::IndexFile> index;
    std::string indexFault;          // why the index file cannot be read; empty when it can
    std::string indexNotKept;        // why records cannot be added; empty when they can
    std::vector<KeptTag> keptTags;   // rebuilt on closing
    std::size_t recordsAtOpen = 0;   // the records that the index file describes
    // The tag entries of the current order, records from 0, once read.
    std::optional<std::vector<mdx::TagEntry>> indexOrder;

    // The open table: the whole file in memory, written back on closing.
    bool open = false;
    dbf::LockedFile file;
    fs::path path;
    std::string fileText;
    dbf::Header header;
    std::string headerBytes;
    RecordStore records;  // every record in file order, deleted ones too
    std::size_t recordCount = 0;
    int liveCount = 0;
    bool changed = false;
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> fieldsByName;
    struct RecentName {
        const char* data = nullptr;
        std::string name;
        std::size_t index = 0;
    };
    mutable std::array<RecentName, 64> recentNames;
    mutable std::string blankRecord;  // made once per layout

    // Navigation: the record numbers shown, in the current order.
    std::vector<std::uint32_t> view;
    bool viewStale = false;
    std::size_t position = 0;
    std::int64_t current = -1;  // record number, -1 for none
    bool eof = true;

    // The record that Append started.
    bool appending = false;
    std::string pending;

    dbf::Family Family() const { return header.family; }
    int RecordLength() const { return header.recordLength; }

    const char* Record(std::size_t number) const { return records.At(number); }

    const char* CurrentRecord() const {
        if (appending) return pending.data();
        return current < 0 ? nullptr : Record(static_cast<std::size_t>(current));
    }

    const dbf::Field& FieldNamed(std::string_view name) const {
        // The steps name fields with the same few texts over and over: a small
        // cache by the text's address, checked against its content, spares the
        // hashing.
        const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(name.data()));
        auto& slot = recentNames[(address * 0x9E3779B97F4A7C15ULL) >> 58];
        if (slot.data == name.data() && slot.name == name) return header.fields[slot.index];
        auto it = fieldsByName.find(name);
        if (it == fieldsByName.end()) it = fieldsByName.find(UpperAscii(name));
        if (it == fieldsByName.end()) throw Error(Format(msg::kFieldNotFound, std::string(name)));
        slot = {name.data(), std::string(name), it->second};
        return header.fields[it->second];
    }

    const dbf::Field& FieldAt(Table::FieldRef field) const {
        if (field.index >= header.fields.size()) throw Error(Format(msg::kFieldNotFound, std::to_string(field.index)));
        return header.fields[field.index];
    }

    void IndexFieldNames() {
        recentNames = {};
        blankRecord.clear();
        fieldsByName.clear();
        for (std::size_t i = 0; i < header.fields.size(); ++i) fieldsByName.emplace(UpperAscii(header.fields[i].name), i);
    }

    const std::string& BlankRecord() const {
        if (blankRecord.size() != static_cast<std::size_t>(RecordLength())) {
            blankRecord.assign(RecordLength(), ' ');
            for (const auto& field : header.fields)
                if (IsBinary(field)) std::fill_n(blankRecord.begin() + field.offset, field.length, '\0');
        }
        return blankRecord;
    }

    void Post() {
        records.Append(pending);
        const auto number = static_cast<std::uint32_t>(recordCount++);
        ++liveCount;
        changed = true;
        appending = false;
        if (orderField.empty() && !viewStale) {
            view.push_back(number);
            position = view.size() - 1;
        } else {
            viewStale = true;
        }
        current = number;
        eof = false;
    }

    // As the engine does before moving: a record being added is posted first.
    void PostPending() {
        if (appending) Post();
    }

    void EnsureView() {
        if (viewStale) RebuildView();
    }

    void SortView(const dbf::Field& key) {
        const bool binaryNumber = key.type == 'I' || key.type == '+' || key.type == 'O';
        if (IsNumberText(key)) {
            // As the index orders them: exact decimal values, blank as zero.
            std::vector<mdx::TagEntry> keyed;
            keyed.reserve(view.size());
            for (auto number : view) keyed.push_back({KeyOf(key, Record(number)), number});
            std::stable_sort(keyed.begin(), keyed.end(),
                             [](const auto& a, const auto& b) { return a.key < b.key; });
            for (std::size_t i = 0; i < keyed.size(); ++i) view[i] = keyed[i].record;
        } else if (binaryNumber) {
            std::vector<std::pair<double, std::uint32_t>> keyed;
            keyed.reserve(view.size());
            for (auto number : view) keyed.emplace_back(NumberKey(key, Record(number)), number);
            std::stable_sort(keyed.begin(), keyed.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (std::size_t i = 0; i < keyed.size(); ++i) view[i] = keyed[i].second;
        } else {
            std::vector<std::pair<std::string, std::uint32_t>> keyed;
            keyed.reserve(view.size());
            for (auto number : view) keyed.emplace_back(dbf::ReadText(key, Family(), Record(number)), number);
            std::stable_sort(keyed.begin(), keyed.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (std::size_t i = 0; i < keyed.size(); ++i) view[i] = keyed[i].second;
        }
    }

    // A blank binary number (dBase 7's null) sorts first, as the lowest key.
    double NumberKey(const dbf::Field& key, const char* record) const {
        constexpr double blank = -std::numeric_limits<double>::infinity();
        if (key.type == 'O') return dbf::ReadDouble(key, record).value_or(blank);
        const auto value = dbf::ReadLong(key, Family(), record);
        return value ? *value : blank;
    }

    // --- the production index ---------------------------------------------

    // Reads the index file that the header announces, and tells which of its
    // tags can be rebuilt here. A file that cannot be read, or does not hold
    // together, is remembered, not raised: the table is read without it until
    // the index is used.
    void LoadIndex(const fs::path& dir, const std::string& baseName) {
        if (!header.productionIndex) return;
        const std::string fileName = baseName + kIndexExtension;
        std::string reason;
        indexPath = FindIndexFile(dir, fileName, reason);
        if (indexPath.empty() && reason.empty()) return;  // announced but missing: nothing to use or keep
        const std::string text = PathText(indexPath.empty() ? dir / fileName : indexPath);
        try {
            std::string bytes;
            if (!reason.empty() || !ReadIndexFile(indexPath, bytes, reason))
                throw Error(Format(tmsg::kCannotReadIndex, text, reason));
            index.emplace(std::move(bytes), text);
        } catch (const Error& error) {
            indexFault = error.what();
            indexNotKept = indexFault;
            return;
        }
        if (Family() == dbf::Family::DBase7) {
            indexNotKept = Format(tmsg::kDBase7IndexNotKept, text);
            return;
        }
        for (const auto& tag : index->Tags()) {
            const auto field = PlainNumberField(tag);
            if (!field) {
                indexNotKept = Format(tmsg::kTagNotKept, tag.name, text);
                keptTags.clear();
                return;
            }
            keptTags.push_back({tag.name, header.fields[*field].name, *field});
        }
    }

    // The field of a tag that is an ascending index of every record on one
    // N or F field: the only kind read and rebuilt here.
    std::optional<std::size_t> PlainNumberField(const mdx::Tag& tag) const {
        if (tag.keyType != 'N' || tag.descending || tag.unique || tag.filtered) return std::nullopt;
        const auto it = fieldsByName.find(UpperAscii(tag.expression));
        if (it == fieldsByName.end() || !IsNumberText(header.fields[it->second])) return std::nullopt;
        return it->second;
    }

    // The tag of the index on the field, or none; a damaged index raises here.
    const mdx::Tag* OrderTag(const dbf::Field& key) const {
        if (!indexFault.empty()) throw Error(indexFault);
        if (!index) return nullptr;
        const auto keyIndex = static_cast<std::size_t>(&key - header.fields.data());
        for (const auto& tag : index->Tags())
            if (PlainNumberField(tag) == keyIndex) return &tag;
        return nullptr;
    }

    // The tag's entries, checked against the records that the file held at
    // opening: each record once, with the key of its field.
    std::vector<mdx::TagEntry> ReadTagOrder(const mdx::Tag& tag, const dbf::Field& key) const {
        std::vector<mdx::TagEntry> entries = index->Entries(tag);
        if (entries.size() != recordsAtOpen) index->RaiseDamaged(Format(tmsg::kIndexRecordsMismatch, tag.name));
        std::vector<bool> seen(recordsAtOpen);
        for (auto& entry : entries) {
            if (entry.record < 1 || entry.record > recordsAtOpen || seen[entry.record - 1])
                index->RaiseDamaged(Format(tmsg::kIndexRecordsMismatch, tag.name));
            seen[entry.record - 1] = true;
            if (!(entry.key == KeyOf(key, Record(entry.record - 1))))
                index->RaiseDamaged(Format(tmsg::kIndexKeyMismatch, entry.record, tag.name));
            --entry.record;
        }
        return entries;
    }

    // Every record number in the order of the tag: those of the file as its
    // tree gives them, those added since opening placed after the equal keys
    // (each added one's key, then number, decides among them).
    std::vector<std::uint32_t> IndexedOrder(const mdx::Tag& tag, const dbf::Field& key) {
        if (!indexOrder) indexOrder = ReadTagOrder(tag, key);
        std::vector<mdx::TagEntry> added;
        for (std::size_t number = recordsAtOpen; number < recordCount; ++number)
            added.push_back({KeyOf(key, Record(number)), static_cast<std::uint32_t>(number)});
        std::stable_sort(added.begin(), added.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
        std::vector<std::uint32_t> order;
        order.reserve(recordCount);
        std::size_t a = 0;
        for (const auto& entry : *indexOrder) {
            while (a < added.size() && added[a].key < entry.key) order.push_back(added[a++].record);
            order.push_back(entry.record);
        }
        for (; a < added.size(); ++a) order.push_back(added[a].record);
        return order;
    }

    // The index file for every record, with the tags it had.
    std::string BuildIndex(const std::string& tableName, const std::tm& today) const {
        std::vector<mdx::TagSource> tags;
        for (const auto& kept : keptTags) {
            mdx::TagSource tag{kept.name, kept.expression, {}};
            tag.entries.reserve(recordCount);
            const dbf::Field& field = header.fields[kept.field];
            for (std::size_t number = 0; number < recordCount; ++number)
                tag.entries.push_back({KeyOf(field, Record(number)), static_cast<std::uint32_t>(number + 1)});
            tags.push_back(std::move(tag));
        }
        return mdx::BuildIndexFile(tableName, std::move(tags), index->Created(), today);
    }

    // --- the view -----------------------------------------------------------

    void RebuildView() {
        const dbf::Field* orderKey = orderField.empty() ? nullptr : &FieldNamed(orderField);
        const mdx::Tag* tag = orderKey ? OrderTag(*orderKey) : nullptr;
        auto shown = [&](std::size_t number) {
            const char* record = Record(number);
            return record[0] != dbf::kDeletedRecord;
        };
        if (tag) {
            const std::vector<std::uint32_t> order = IndexedOrder(*tag, *orderKey);  // may raise: view kept
            view.clear();
            for (const auto number : order)
                if (shown(number)) view.push_back(number);
        } else {
            view.clear();
            for (std::size_t number = 0; number < recordCount; ++number)
                if (shown(number)) view.push_back(static_cast<std::uint32_t>(number));
            if (orderKey) SortView(*orderKey);
        }
        viewStale = false;
        // The current record stays current when it is still shown.
        const auto at = std::find(view.begin(), view.end(), current);
        if (current >= 0 && at != view.end()) {
            position = static_cast<std::size_t>(at - view.begin());
        } else {
            position = 0;
            current = view.empty() ? std::int64_t{-1} : std::int64_t{view[0]};
            eof = view.empty();
        }
    }

    void First() {
        PostPending();
        EnsureView();
        position = 0;
        current = view.empty() ? std::int64_t{-1} : std::int64_t{view[0]};
        eof = view.empty();
    }

    void Release() noexcept {
        file.Close();
        open = false;
        header = {};
        headerBytes.clear();
        records.Clear();
        recordCount = 0;
        liveCount = 0;
        changed = false;
        fieldsByName.clear();
        view = {};
        viewStale = false;
        position = 0;
        current = -1;
        eof = true;
        appending = false;
        pending.clear();
        indexPath.clear();
        index.reset();
        indexFault.clear();
        indexNotKept.clear();
        keptTags.clear();
        recordsAtOpen = 0;
        indexOrder.reset();
    }
};

Table::Table(fs::path dir, std::string name)
    : dir_(std::move(dir)), name_(std::move(name)), impl_(std::make_unique<Impl>()) {}

Table::~Table() {
    try {
        Close();
    } catch (...) {
        impl_->Release();
    }
}

void Table::DeleteFiles(const fs::path& dir, const std::string& name) {
    const std::string base = BaseName(name);
    for (const char* extension : {kTableExtension, kIndexExtension}) {
        for (const auto& file : MatchingFiles(dir, base + extension)) {
            if (dbf::IsHeldElsewhere(file)) continue;  // in use: passed over, as a failed deletion is
            std::error_code ignored;
            fs::remove(file, ignored);
        }
    }
}

fs::path Table::FindFile(const fs::path& dir, const std::string& fileName) {
    std::error_code error;
    const fs::path exact = dir / fileName;
    if (fs::is_regular_file(exact, error)) return exact;
    const auto found = MatchingFiles(dir, fileName);
    return found.empty() ? fs::path() : found.front();
}

fs::path Table::FilePath() const {
    const std::string fileName = BaseName(name_) + kTableExtension;
    const fs::path found = FindFile(dir_, fileName);
    return found.empty() ? dir_ / fileName : found;
}

namespace {

bool IsValidFieldName(const std::string& name, std::size_t maxLength) {
    if (name.empty() || name.size() > maxLength || !IsNameStart(name[0])) return false;
    return std::all_of(name.begin(), name.end(), IsNameChar);
}

void CheckLayout(const TableLayout& layout, DbfLevel level, const std::string& tableName) {
    auto fail = [&](const std::string& detail) { return Error(Format(tmsg::kBadLayout, tableName, detail)); };
    if (layout.fields.empty()) throw fail(tmsg::kNoFields);
    const std::size_t maxName = level == DbfLevel::DBase7 ? 31 : 10;
    std::unordered_set<std::string> seen;
    for (const auto& field : layout.fields) {
        if (!IsValidFieldName(field.name, maxName)) throw fail(Format(tmsg::kBadFieldName, field.name));
        if (!seen.insert(UpperAscii(field.name)).second) throw fail(Format(tmsg::kDuplicateField, field.name));
        if (field.type == FieldType::Character && (field.width < 1 || field.width > 254))
            throw fail(Format(tmsg::kBadCharacterWidth, field.name));
    }
    if (!layout.indexes.empty() && level != DbfLevel::DBase4) throw fail(tmsg::kIndexesNeedDBase4);
    if (layout.indexes.size() > static_cast<std::size_t>(mdx::kMaxTags)) throw fail(tmsg::kTooManyIndexes);
    std::unordered_set<std::string> indexNames;
    for (const auto& index : layout.indexes) {
        if (!IsValidFieldName(index.name, mdx::kMaxTagNameLength)) throw fail(Format(tmsg::kBadIndexName, index.name));
        if (!indexNames.insert(UpperAscii(index.name)).second) throw fail(Format(tmsg::kDuplicateIndex, index.name));
        const auto field = std::find_if(layout.fields.begin(), layout.fields.end(), [&](const FieldDef& f) {
            return SameIgnoringCase(f.name, index.field);
        });
        if (field == layout.fields.end()) throw fail(Format(tmsg::kUnknownIndexField, index.name, index.field));
        if (field->type != FieldType::Integer && field->type != FieldType::Float)
            throw fail(Format(tmsg::kIndexFieldNotNumeric, index.name, index.field));
    }
}

// The empty tags of a new table's production index: each on its field's name.
std::vector<mdx::TagSource> EmptyTags(const TableLayout& layout, const std::vector<dbf::Field>& fields) {
    std::vector<mdx::TagSource> tags;
    for (const auto& index : layout.indexes)
        for (const auto& field : fields)
            if (SameIgnoringCase(field.name, index.field)) tags.push_back({index.name, field.name, {}});
    return tags;
}

}  // namespace

void Table::Create(const TableLayout& layout, DbfLevel level) {
    if (IsOpen()) throw Error(Format(tmsg::kStillOpen, name_));
    CheckLayout(layout, level, name_);
    std::vector<dbf::Field> fields;
    for (const auto& def : layout.fields) {
        fields.push_back(dbf::PhysicalField(def));
        fields.back().indexed = std::any_of(layout.indexes.begin(), layout.indexes.end(),
                                            [&](const IndexDef& index) { return SameIgnoringCase(index.field, def.name); });
    }
    const bool indexed = !layout.indexes.empty();
    const int recordLength = dbf::LayOut(fields);
    if (recordLength > (level == DbfLevel::DBase7 ? kMaxRecordLengthDBase7 : kMaxRecordLengthDBase4))
        throw Error(Format(tmsg::kBadLayout, name_, tmsg::kRecordTooLong));

    const std::string base = BaseName(name_);
    const fs::path target = dir_ / (base + kTableExtension);
    const std::string fileText = PathText(target);
    std::error_code error;
    if (!fs::is_directory(dir_, error)) throw Error(Format(tmsg::kCannotCreate, fileText, tmsg::kNoSuchDirectory));

    // The table and its index in any spelling are replaced; none may be in use.
    auto oldFiles = MatchingFiles(dir_, base + kTableExtension);
    for (const auto& index : MatchingFiles(dir_, base + kIndexExtension)) oldFiles.push_back(index);
    for (const auto& old : oldFiles)
        if (dbf::IsHeldElsewhere(old)) throw Error(Format(tmsg::kCannotCreate, fileText, tmsg::kInUse));

    const std::tm today = Today();
    const std::string header = dbf::BuildHeader(fields, level, today, indexed);
    const char endOfFile = dbf::kEndOfFile;
    std::vector<dbf::Replacement> files = {{target, {header, std::string_view(&endOfFile, 1)}}};
    const fs::path indexTarget = dir_ / (base + kIndexExtension);
    std::string index;
    if (indexed) {
        index = mdx::BuildIndexFile(base, EmptyTags(layout, fields), today, today);
        files.push_back({indexTarget, {index}});
    }
    dbf::WriteReplacingAll(files, error);
    if (error) throw Error(Format(tmsg::kCannotCreate, fileText, dbf::ReasonText(error)));

    // No old index describes the new table, and no other spelling of it may remain.
    for (const auto& old : oldFiles) {
        std::error_code sameError;
        if (fs::equivalent(old, target, sameError)) continue;
        if (indexed && fs::equivalent(old, indexTarget, sameError)) continue;
        fs::remove(old, error);
        if (error && fs::exists(old, sameError))
            throw Error(Format(tmsg::kCannotCreate, fileText, dbf::ReasonText(error)));
    }
}

void Table::Open(bool exclusive) {
    Impl& impl = *impl_;
    if (impl.open) return;
    impl.path = FilePath();
    impl.fileText = PathText(impl.path);
    std::error_code error;
    switch (impl.file.Open(impl.path, exclusive, error)) {
        case dbf::LockedFile::Status::Ok: break;
        case dbf::LockedFile::Status::Missing:
            throw Error(Format(tmsg::kCannotOpen, impl.fileText, tmsg::kNoSuchFile));
        case dbf::LockedFile::Status::InUse: throw Error(Format(tmsg::kCannotOpen, impl.fileText, tmsg::kInUse));
        case dbf::LockedFile::Status::Failed:
            throw Error(Format(tmsg::kCannotOpen, impl.fileText, dbf::ReasonText(error)));
    }
    try {
        std::string bytes;
        if (!impl.file.ReadAll(bytes, error))
            throw Error(Format(tmsg::kCannotOpen, impl.fileText, dbf::ReasonText(error)));
        impl.header = dbf::ParseHeader(bytes, impl.fileText);
        impl.headerBytes = bytes.substr(0, impl.header.headerLength);
        impl.recordCount = impl.header.recordCount;
        impl.records.Reset(std::move(bytes), impl.header.headerLength, impl.recordCount, impl.RecordLength());
        impl.recordsAtOpen = impl.recordCount;
        impl.liveCount = 0;
        for (std::size_t number = 0; number < impl.recordCount; ++number)
            if (impl.Record(number)[0] != dbf::kDeletedRecord) ++impl.liveCount;
        impl.IndexFieldNames();
        impl.LoadIndex(dir_, BaseName(name_));
        impl.open = true;
        impl.current = -1;
        impl.RebuildView();
        impl.First();
    } catch (...) {
        impl.Release();
        throw;
    }
}

void Table::Close() {
    Impl& impl = *impl_;
    if (!impl.open) return;
    impl.appending = false;  // a record not posted is dropped
    std::error_code error;
    if (impl.changed) {
        const std::tm today = Today();
        dbf::StampHeader(impl.headerBytes, static_cast<std::uint32_t>(impl.recordCount), today);
        std::string index;
        if (!impl.keptTags.empty()) {
            try {
                index = impl.BuildIndex(impl.path.stem().string(), today);
            } catch (...) {
                impl.Release();
                throw;
            }
        }
        const char endOfFile = dbf::kEndOfFile;
#ifdef _WIN32
        impl.file.Close();  // Windows renames nothing over an open file
#endif
        std::vector<std::string_view> chunks = {impl.headerBytes};
        for (const auto block : impl.records.Blocks()) chunks.push_back(block);
        chunks.push_back(std::string_view(&endOfFile, 1));
        std::vector<dbf::Replacement> files = {{impl.path, chunks}};
        if (!impl.keptTags.empty()) files.push_back({impl.indexPath, {index}});
        dbf::WriteReplacingAll(files, error);
    }
    const std::string fileText = impl.fileText;
    impl.Release();
    if (error) throw Error(Format(tmsg::kCannotWrite, fileText, dbf::ReasonText(error)));
}

bool Table::IsOpen() const { return impl_->open; }

namespace {

Table::Impl& Opened(const std::unique_ptr<Table::Impl>& impl, const std::string& name) {
    if (!impl->open) throw Error(Format(tmsg::kNotOpen, name));
    return *impl;
}

}  // namespace

namespace {

void CheckIndexCanBeKept(const Table::Impl& impl, const std::string& name) {
    if (!impl.indexNotKept.empty()) throw Error(Format(tmsg::kIndexNotKept, name, impl.indexNotKept));
}

}  // namespace

void Table::Append() {
    Impl& impl = Opened(impl_, name_);
    CheckIndexCanBeKept(impl, name_);
    impl.PostPending();
    impl.pending = impl.BlankRecord();
    impl.appending = true;
}

void Table::AppendCopy() {
    Impl& impl = Opened(impl_, name_);
    CheckIndexCanBeKept(impl, name_);
    impl.PostPending();
    if (impl.recordCount == 0) {
        impl.pending = impl.BlankRecord();
    } else {
        impl.pending.assign(impl.Record(impl.recordCount - 1), impl.RecordLength());
        impl.pending[0] = ' ';  // a copy of a deleted record is a live one
    }
    impl.appending = true;
}

namespace {

// The field to write and the record being added, or an error.
std::pair<const dbf::Field*, char*> Target(Table::Impl& impl, std::string_view field, const std::string& name) {
    const dbf::Field& target = impl.FieldNamed(field);
    if (!impl.appending) throw Error(Format(tmsg::kNoRecordBeingAdded, name));
    return {&target, impl.pending.data()};
}

}  // namespace

Table::FieldRef Table::Field(std::string_view name) const {
    const Impl& impl = Opened(impl_, name_);
    return FieldRef{static_cast<std::size_t>(&impl.FieldNamed(name) - impl.header.fields.data())};
}

namespace {

std::pair<const dbf::Field*, char*> Target(Table::Impl& impl, Table::FieldRef field, const std::string& name) {
    const dbf::Field& target = impl.FieldAt(field);
    if (!impl.appending) throw Error(Format(tmsg::kNoRecordBeingAdded, name));
    return {&target, impl.pending.data()};
}

}  // namespace

void Table::SetText(FieldRef field, std::string_view text) {
    Impl& impl = Opened(impl_, name_);
    const auto [target, record] = Target(impl, field, name_);
    dbf::WriteText(*target, impl.Family(), record, text);
}

void Table::SetFloat(FieldRef field, double value) {
    Impl& impl = Opened(impl_, name_);
    const auto [target, record] = Target(impl, field, name_);
    dbf::WriteFloat(*target, impl.Family(), record, value);
}

void Table::SetText(std::string_view field, std::string_view text) { SetText(Field(field), text); }

void Table::SetInteger(std::string_view field, std::int32_t value) {
    Impl& impl = Opened(impl_, name_);
    const auto [target, record] = Target(impl, field, name_);
    dbf::WriteInteger(*target, impl.Family(), record, value);
}

void Table::SetFloat(std::string_view field, double value) { SetFloat(Field(field), value); }

void Table::SetLogical(std::string_view field, bool value) {
    Impl& impl = Opened(impl_, name_);
    const auto [target, record] = Target(impl, field, name_);
    dbf::WriteLogical(*target, record, value);
}

void Table::Post() {
    Impl& impl = Opened(impl_, name_);
    if (!impl.appending) throw Error(Format(tmsg::kNoRecordBeingAdded, name_));
    impl.Post();
}

void Table::First() { Opened(impl_, name_).First(); }

void Table::Next() {
    Impl& impl = Opened(impl_, name_);
    impl.PostPending();
    impl.EnsureView();
    if (impl.view.empty()) {
        impl.current = -1;
        impl.eof = true;
    } else if (impl.position + 1 < impl.view.size()) {
        impl.current = impl.view[++impl.position];
        impl.eof = false;
    } else {
        impl.eof = true;  // the last record stays current
    }
}

bool Table::Eof() const { return !impl_->open || impl_->eof; }

std::string Table::Text(std::string_view field) const { return Text(Field(field)); }

std::string Table::Text(FieldRef field) const {
    const Impl& impl = Opened(impl_, name_);
    const dbf::Field& source = impl.FieldAt(field);
    const char* record = impl.CurrentRecord();
    return record ? dbf::ReadText(source, impl.Family(), record) : std::string();
}

std::int32_t Table::Integer(std::string_view field) const {
    const Impl& impl = Opened(impl_, name_);
    const dbf::Field& source = impl.FieldNamed(field);
    const char* record = impl.CurrentRecord();
    if (!record) return 0;
    switch (source.type) {
        case 'I':
        case '+': return dbf::ReadLong(source, impl.Family(), record).value_or(0);
        case 'O': {
            const auto value = dbf::ReadDouble(source, record);
            return value ? RoundToInt32(*value, dbf::ReadText(source, impl.Family(), record)) : 0;
        }
        case 'C':
        case 'N':
        case 'F':
        case 'M': {
            const std::string text = dbf::ReadText(source, impl.Family(), record);
            if (text.empty()) return 0;
            if (source.type != 'C' && text.find('.') != std::string::npos)
                if (const auto value = dbf::ParseNumber(text)) return RoundToInt32(*value, text);
            return StrToInt(text);
        }
        default: RaiseCannotRead(source);
    }
}

double Table::Float(std::string_view field) const {
    const Impl& impl = Opened(impl_, name_);
    const dbf::Field& source = impl.FieldNamed(field);
    const char* record = impl.CurrentRecord();
    if (!record) return 0;
    switch (source.type) {
        case 'I':
        case '+': return dbf::ReadLong(source, impl.Family(), record).value_or(0);
        case 'O': return dbf::ReadDouble(source, record).value_or(0);
        case 'C':
        case 'N':
        case 'F':
        case 'M': {
            const std::string text = dbf::ReadText(source, impl.Family(), record);
            if (text.empty()) return 0;
            const auto value = dbf::ParseNumber(text);
            if (!value) throw Error(Format(tmsg::kNotANumber, text));
            return *value;
        }
        default: RaiseCannotRead(source);
    }
}

bool Table::Logical(std::string_view field) const {
    const Impl& impl = Opened(impl_, name_);
    const dbf::Field& source = impl.FieldNamed(field);
    const char* record = impl.CurrentRecord();
    if (source.type != 'L') RaiseCannotRead(source);
    return record && dbf::ReadLogical(source, record);
}

std::optional<std::int32_t> Table::ExactInteger(FieldRef field) const {
    const Impl& impl = Opened(impl_, name_);
    const dbf::Field& source = impl.FieldAt(field);
    const char* record = impl.CurrentRecord();
    if (!record) return std::nullopt;
    switch (source.type) {
        case 'I':
        case '+': return dbf::ReadLong(source, impl.Family(), record);
        case 'O': {
            const auto value = dbf::ReadDouble(source, record);
            if (!value || std::trunc(*value) != *value || *value < std::numeric_limits<std::int32_t>::min() ||
                *value > std::numeric_limits<std::int32_t>::max())
                return std::nullopt;
            return static_cast<std::int32_t>(*value);
        }
        case 'C':
        case 'N':
        case 'F':
        case 'M': return dbf::WholeNumber(dbf::ReadText(source, impl.Family(), record));
        default: RaiseCannotRead(source);
    }
}

void Table::OrderBy(std::string_view indexField) {
    Impl& impl = Opened(impl_, name_);
    const std::string field = impl.FieldNamed(indexField).name;
    impl.PostPending();
    const std::string previous = impl.orderField;
    if (field != previous) impl.indexOrder.reset();
    impl.orderField = field;
    try {
        impl.RebuildView();
    } catch (...) {
        impl.orderField = previous;  // a failed ordering leaves the order as it was
        impl.indexOrder.reset();
        throw;
    }
}

int Table::RecordCount() const { return Opened(impl_, name_).liveCount; }

}  // namespace vindeleo
