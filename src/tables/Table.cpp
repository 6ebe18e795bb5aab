#include "tables/Table.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <limits>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tables/DbfFormat.h"
#include "tables/MdxIndex.h"
#include "tables/RecordStore.h"
#include "tables/FileReason.h"
#include "tables/TableMessages.h"
#include "tables/TableOrder.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "platform/RegionalTime.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;
namespace tmsg = tables::msg;

namespace {

constexpr const char* kTableExtension = ".DBF";
constexpr int kMaxRecordLengthDBase4 = 4000;
constexpr int kMaxRecordLengthDBase7 = 32767;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && UpperAscii(a) == UpperAscii(b);
}

// Every file of dir named fileName in any letter case; the exact spelling
// first. A directory that cannot be looked at gives what was found: the
// opening or the writing that follows tells the failure.
std::vector<fs::path> MatchingFiles(const fs::path& dir, const std::string& fileName) {
    std::error_code ignored;
    return platform::FilesNamed(dir, fileName, ignored);
}

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

// Each opening of any table has a number of its own, which its field handles
// carry.
std::uint64_t NextOpening() {
    static std::atomic<std::uint64_t> openings{0};
    return ++openings;
}

}  // namespace

struct Table::Impl {
    // The current order, which outlives a closing, as the table object keeps it.
    std::string orderField;

    // The open table: the whole file in memory, written back on closing.
    bool open = false;
    std::uint64_t opening = 0;
    platform::LockedFile file;
    fs::path path;
    std::string fileText;
    dbf::Header header;
    std::string headerBytes;
    RecordStore records;  // every record in file order, deleted ones too
    int liveCount = 0;
    bool changed = false;
    TableOrder order;  // the production index, and ordering by a field
    // The fields' upper-case names by position, and the positions sorted by
    // those names (the first of equal names first): two blocks, where a hash
    // map made a node for each field at every opening.
    std::vector<std::string> upperNames;
    std::vector<std::size_t> fieldsByName;
    std::string blankRecord;

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

    std::optional<std::size_t> FindField(std::string_view upperName) const {
        const auto it = std::lower_bound(fieldsByName.begin(), fieldsByName.end(), upperName,
                                         [&](std::size_t field, std::string_view wanted) { return upperNames[field] < wanted; });
        if (it == fieldsByName.end() || upperNames[*it] != upperName) return std::nullopt;
        return *it;
    }

    std::size_t FieldIndex(std::string_view name) const {
        auto found = FindField(name);
        if (!found) found = FindField(UpperAscii(name));
        if (!found) throw Error(Format(msg::kFieldNotFound, std::string(name)));
        return *found;
    }

    // The fields and the blank record of the header just read.
    void TakeFields() {
        upperNames.clear();
        fieldsByName.clear();
        upperNames.reserve(header.fields.size());
        fieldsByName.reserve(header.fields.size());
        for (std::size_t i = 0; i < header.fields.size(); ++i) {
            upperNames.push_back(UpperAscii(header.fields[i].name));
            fieldsByName.push_back(i);
        }
        std::sort(fieldsByName.begin(), fieldsByName.end(), [&](std::size_t a, std::size_t b) {
            const int order = upperNames[a].compare(upperNames[b]);
            return order != 0 ? order < 0 : a < b;
        });
        blankRecord.assign(RecordLength(), ' ');
        for (const auto& field : header.fields)
            if (IsBinary(field)) std::fill_n(blankRecord.begin() + field.offset, field.length, '\0');
    }

    void Post() {
        records.Append(pending);
        const auto number = static_cast<std::uint32_t>(records.Count() - 1);
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

    bool IsLive(std::size_t number) const { return Record(number)[0] != dbf::kDeletedRecord; }

    // The live records in the current order.
    std::vector<std::uint32_t> LiveInOrder() {
        std::vector<std::uint32_t> shown;
        shown.reserve(static_cast<std::size_t>(liveCount));
        if (orderField.empty()) {
            for (std::size_t number = 0; number < records.Count(); ++number)
                if (IsLive(number)) shown.push_back(static_cast<std::uint32_t>(number));
            return shown;
        }
        const dbf::Field& key = header.fields[FieldIndex(orderField)];
        for (const auto number : order.Order(key, header, records))
            if (IsLive(number)) shown.push_back(number);
        return shown;
    }

    void RebuildView() {
        view = LiveInOrder();  // may raise: the view is kept
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
        opening = 0;
        header = {};
        headerBytes.clear();
        records.Clear();
        liveCount = 0;
        changed = false;
        order.Clear();
        upperNames.clear();
        fieldsByName.clear();
        blankRecord.clear();
        view = {};
        viewStale = false;
        position = 0;
        current = -1;
        eof = true;
        appending = false;
        pending.clear();
    }
};

Table::Table(fs::path dir, TableLayout layout, std::optional<RunMoment> moment)
    : dir_(std::move(dir)), layout_(std::move(layout)), moment_(moment), impl_(std::make_unique<Impl>()) {}

std::tm Table::WritingDate() const { return LocalTime(moment_.value_or(RunMoment::Now()).time); }

Table::~Table() {
    try {
        Close();
    } catch (...) {
        impl_->Release();
    }
}

void Table::DeleteFiles() const {
    for (const char* extension : {kTableExtension, mdx::kFileExtension}) {
        for (const auto& file : MatchingFiles(dir_, layout_.name + extension)) {
            if (platform::IsHeldElsewhere(file)) continue;  // in use: passed over, as a failed deletion is
            std::error_code ignored;
            platform::RemoveFile(file, ignored);
        }
    }
}

fs::path Table::FilePath() const {
    return platform::ExistingSpelling(dir_ / PathFromText(layout_.name + kTableExtension));
}

namespace {

bool IsValidFieldName(const std::string& name, std::size_t maxLength) {
    if (name.empty() || name.size() > maxLength || !IsNameStart(name[0])) return false;
    return std::all_of(name.begin(), name.end(), IsNameChar);
}

void CheckLayout(const TableLayout& layout, DbfLevel level) {
    auto fail = [&](const std::string& detail) { return Error(Format(tmsg::kBadLayout, layout.name, detail)); };
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

}  // namespace

void Table::Create(DbfLevel level) {
    const std::string& name = layout_.name;
    if (IsOpen()) throw Error(Format(tmsg::kStillOpen, name));
    CheckLayout(layout_, level);
    std::vector<dbf::Field> fields;
    for (const auto& def : layout_.fields) {
        fields.push_back(dbf::PhysicalField(def));
        fields.back().indexed = std::any_of(layout_.indexes.begin(), layout_.indexes.end(),
                                            [&](const IndexDef& index) { return SameIgnoringCase(index.field, def.name); });
    }
    const bool indexed = !layout_.indexes.empty();
    const int recordLength = dbf::LayOut(fields);
    if (recordLength > (level == DbfLevel::DBase7 ? kMaxRecordLengthDBase7 : kMaxRecordLengthDBase4))
        throw Error(Format(tmsg::kBadLayout, name, tmsg::kRecordTooLong));

    const fs::path target = dir_ / PathFromText(name + kTableExtension);
    const std::string fileText = PathText(target);
    std::error_code error;
    if (!platform::IsDirectory(dir_, error)) throw Error(Format(tmsg::kCannotCreate, fileText, tmsg::kNoSuchDirectory));

    // The table and its index in any spelling are replaced; none may be in use.
    auto oldFiles = MatchingFiles(dir_, name + kTableExtension);
    for (const auto& index : MatchingFiles(dir_, name + mdx::kFileExtension)) oldFiles.push_back(index);
    for (const auto& old : oldFiles)
        if (platform::IsHeldElsewhere(old)) throw Error(Format(tmsg::kCannotCreate, fileText, tmsg::kInUse));

    const std::tm today = WritingDate();
    const std::string header = dbf::BuildHeader(fields, level, today, indexed);
    const char endOfFile = dbf::kEndOfFile;
    std::vector<platform::Replacement> files = {{target, {header, std::string_view(&endOfFile, 1)}}};
    const fs::path indexTarget = dir_ / PathFromText(name + mdx::kFileExtension);
    std::string index;
    if (indexed) {
        index = TableOrder::EmptyIndex(name, layout_, fields, today);
        files.push_back({indexTarget, {index}});
    }
    platform::ReplaceFiles(files, error);
    if (error) throw Error(Format(tmsg::kCannotCreate, fileText, dbf::ReasonText(error)));

    // No old index describes the new table, and no other spelling of it may remain.
    for (const auto& old : oldFiles) {
        std::error_code sameError;
        if (platform::Equivalent(old, target, sameError)) continue;
        if (indexed && platform::Equivalent(old, indexTarget, sameError)) continue;
        platform::RemoveFile(old, error);
        if (error && platform::Exists(old, sameError))
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
        case platform::LockedFile::Status::Ok: break;
        case platform::LockedFile::Status::Missing:
            throw Error(Format(tmsg::kCannotOpen, impl.fileText, tmsg::kNoSuchFile));
        case platform::LockedFile::Status::InUse: throw Error(Format(tmsg::kCannotOpen, impl.fileText, tmsg::kInUse));
        case platform::LockedFile::Status::Failed:
            throw Error(Format(tmsg::kCannotOpen, impl.fileText, dbf::ReasonText(error)));
    }
    try {
        std::string bytes;
        if (!impl.file.ReadAll(bytes, error))
            throw Error(Format(tmsg::kCannotOpen, impl.fileText, dbf::ReasonText(error)));
        impl.header = dbf::ParseHeader(bytes, impl.fileText);
        impl.headerBytes = bytes.substr(0, impl.header.headerLength);
        const std::size_t recordCount = impl.header.recordCount;
        impl.records.Reset(std::move(bytes), impl.header.headerLength, recordCount, impl.RecordLength());
        impl.liveCount = 0;
        for (std::size_t number = 0; number < recordCount; ++number)
            if (impl.IsLive(number)) ++impl.liveCount;
        impl.TakeFields();
        impl.order.Load(dir_, layout_.name, impl.header, recordCount);
        impl.open = true;
        impl.opening = NextOpening();
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
        const std::tm today = WritingDate();
        dbf::StampHeader(impl.headerBytes, static_cast<std::uint32_t>(impl.records.Count()), today);
        std::string index;
        if (impl.order.KeepsIndex()) {
            try {
                index = impl.order.Rebuild(PathText(impl.path.stem()), impl.header, impl.records, today);
            } catch (...) {
                impl.Release();
                throw;
            }
        }
        const char endOfFile = dbf::kEndOfFile;
        impl.file.PrepareForReplacing();
        std::vector<std::string_view> chunks = {impl.headerBytes};
        for (const auto block : impl.records.Blocks()) chunks.push_back(block);
        chunks.push_back(std::string_view(&endOfFile, 1));
        std::vector<platform::Replacement> files = {{impl.path, chunks}};
        if (impl.order.KeepsIndex()) files.push_back({impl.order.IndexPath(), {index}});
        platform::ReplaceFiles(files, error);
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

void CheckIndexCanBeKept(const Table::Impl& impl, const std::string& name) {
    if (!impl.order.WhyNotKept().empty()) throw Error(Format(tmsg::kIndexNotKept, name, impl.order.WhyNotKept()));
}

}  // namespace

Table::FieldRef Table::Field(std::string_view name) const {
    const Impl& impl = Opened(impl_, layout_.name);
    return FieldRef(impl.FieldIndex(name), impl.opening);
}

// The field that a handle names in this opening of the table.
const dbf::Field& Table::FieldOf(FieldRef field) const {
    const Impl& impl = Opened(impl_, layout_.name);
    if (field.opening_ != impl.opening || field.index_ >= impl.header.fields.size())
        throw Error(Format(tmsg::kFieldOfAnotherOpening, std::to_string(field.index_ + 1), layout_.name));
    return impl.header.fields[field.index_];
}

// The record being added, where a field is written.
char* Table::RecordBeingAdded() {
    Impl& impl = Opened(impl_, layout_.name);
    if (!impl.appending) throw Error(Format(tmsg::kNoRecordBeingAdded, layout_.name));
    return impl.pending.data();
}

void Table::Append() {
    Impl& impl = Opened(impl_, layout_.name);
    CheckIndexCanBeKept(impl, layout_.name);
    impl.PostPending();
    impl.pending = impl.blankRecord;
    impl.appending = true;
}

void Table::AppendCopy() {
    Impl& impl = Opened(impl_, layout_.name);
    CheckIndexCanBeKept(impl, layout_.name);
    impl.PostPending();
    if (impl.records.Count() == 0) {
        impl.pending = impl.blankRecord;
    } else {
        impl.pending.assign(impl.Record(impl.records.Count() - 1), impl.RecordLength());
        impl.pending[0] = ' ';  // a copy of a deleted record is a live one
    }
    impl.appending = true;
}

void Table::SetText(FieldRef field, std::string_view text) {
    const dbf::Field& target = FieldOf(field);
    dbf::WriteText(target, impl_->Family(), RecordBeingAdded(), text);
}

void Table::SetInteger(FieldRef field, std::int32_t value) {
    const dbf::Field& target = FieldOf(field);
    dbf::WriteInteger(target, impl_->Family(), RecordBeingAdded(), value);
}

void Table::SetFloat(FieldRef field, double value) {
    const dbf::Field& target = FieldOf(field);
    dbf::WriteFloat(target, impl_->Family(), RecordBeingAdded(), value);
}

void Table::SetLogical(FieldRef field, bool value) {
    const dbf::Field& target = FieldOf(field);
    dbf::WriteLogical(target, RecordBeingAdded(), value);
}

void Table::Post() {
    RecordBeingAdded();
    impl_->Post();
}

void Table::First() { Opened(impl_, layout_.name).First(); }

void Table::Next() {
    Impl& impl = Opened(impl_, layout_.name);
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

std::string Table::Text(FieldRef field) const {
    const dbf::Field& source = FieldOf(field);
    const char* record = impl_->CurrentRecord();
    return record ? dbf::ReadText(source, impl_->Family(), record) : std::string();
}

std::int32_t Table::Integer(FieldRef field) const {
    const dbf::Field& source = FieldOf(field);
    const char* record = impl_->CurrentRecord();
    if (!record) return 0;
    switch (source.type) {
        case 'I':
        case '+': return dbf::ReadLong(source, impl_->Family(), record).value_or(0);
        case 'O': {
            const auto value = dbf::ReadDouble(source, record);
            return value ? RoundToInt32(*value, dbf::ReadText(source, impl_->Family(), record)) : 0;
        }
        case 'C':
        case 'N':
        case 'F':
        case 'M': {
            const std::string text = dbf::ReadText(source, impl_->Family(), record);
            if (text.empty()) return 0;
            if (source.type != 'C' && text.find('.') != std::string::npos)
                if (const auto value = dbf::ParseNumber(text)) return RoundToInt32(*value, text);
            return StrToInt(text);
        }
        default: RaiseCannotRead(source);
    }
}

double Table::Float(FieldRef field) const {
    const dbf::Field& source = FieldOf(field);
    const char* record = impl_->CurrentRecord();
    if (!record) return 0;
    switch (source.type) {
        case 'I':
        case '+': return dbf::ReadLong(source, impl_->Family(), record).value_or(0);
        case 'O': return dbf::ReadDouble(source, record).value_or(0);
        case 'C':
        case 'N':
        case 'F':
        case 'M': {
            const std::string text = dbf::ReadText(source, impl_->Family(), record);
            if (text.empty()) return 0;
            const auto value = dbf::ParseNumber(text);
            if (!value) throw Error(Format(tmsg::kNotANumber, text));
            return *value;
        }
        default: RaiseCannotRead(source);
    }
}

bool Table::Logical(FieldRef field) const {
    const dbf::Field& source = FieldOf(field);
    const char* record = impl_->CurrentRecord();
    if (source.type != 'L') RaiseCannotRead(source);
    return record && dbf::ReadLogical(source, record);
}

std::optional<std::int32_t> Table::ExactInteger(FieldRef field) const {
    const dbf::Field& source = FieldOf(field);
    const char* record = impl_->CurrentRecord();
    if (!record) return std::nullopt;
    switch (source.type) {
        case 'I':
        case '+': return dbf::ReadLong(source, impl_->Family(), record);
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
        case 'M': return dbf::WholeNumber(dbf::ReadText(source, impl_->Family(), record));
        default: RaiseCannotRead(source);
    }
}

void Table::OrderBy(std::string_view indexField) {
    Impl& impl = Opened(impl_, layout_.name);
    const std::string field = impl.header.fields[impl.FieldIndex(indexField)].name;
    impl.PostPending();
    const std::string previous = impl.orderField;
    impl.orderField = field;
    try {
        impl.RebuildView();
    } catch (...) {
        impl.orderField = previous;  // a failed ordering leaves the order as it was
        throw;
    }
}

int Table::RecordCount() const { return Opened(impl_, layout_.name).liveCount; }

}  // namespace vindeleo
