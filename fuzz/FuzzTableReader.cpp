// The dBase reader on arbitrary bytes: the file is opened as a table and used
// in every way the runs use a table: walked, every field read as text, integer,
// exact integer, number and logical, ordered; then a record is added, the
// table written back and read again. A file that opened once and was written
// by the library must open again with one more record, and its production
// index, rebuilt on closing, must serve every ordering.
//
// The input is the table's bytes, optionally followed by kIndexMark and the
// bytes of its production index (.MDX), which is also read on its own: every
// tag walked, every key checked to give back its number as text and as bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "tables/DbfFormat.h"
#include "tables/MdxIndex.h"
#include "tables/Table.h"
#include "text/Error.h"

using namespace vindeleo;
namespace fs = std::filesystem;

namespace {

constexpr const char* kTableName = "FUZZ";
constexpr std::string_view kIndexMark = "\n--MDX--\n";

// The names of the fields as the header lists them; nothing when the header is
// refused (the table will not open then either).
std::vector<std::string> FieldNames(std::string_view bytes) {
    std::vector<std::string> names;
    try {
        for (const auto& field : dbf::ParseHeader(bytes, kTableName).fields) names.push_back(field.name);
    } catch (const Error&) {
    }
    return names;
}

template <typename Action>
void Expecting(Action&& action) {
    try {
        action();
    } catch (const Error&) {
    }
}

bool IsIndexError(const Error& error) {
    const std::string text = error.what();
    return text.find("\xEDndice") != std::string::npos;
}

// A key must give back the number it holds, through its text and its bytes.
void CheckKey(const mdx::NumericKey& key) {
    if (!(mdx::NumericKey::FromText(key.Text()) == key)) fuzz::Broken("an index key does not read back from its text:", key.Text());
    Expecting([&] {
        const auto again = mdx::NumericKey::FromBytes(key.Bytes());
        if (!again || !(*again == key)) fuzz::Broken("an index key does not read back from its bytes:", key.Text());
    });
}

// The index file on its own, as the table layer reads it.
void ReadIndex(std::string_view bytes) {
    Expecting([&] {
        const mdx::IndexFile index{std::string(bytes), "FUZZ.MDX"};
        for (const auto& tag : index.Tags()) {
            if (tag.keyType != 'N') continue;
            Expecting([&] {
                for (const auto& entry : index.Entries(tag)) CheckKey(entry.key);
            });
        }
    });
}

// Reads the fields of a table's current record in each of the five ways. A
// way that the table refuses for a field (its type is not read that way, or
// its value is no number) is not tried again on the later records nor on the
// table opened again: each refusal is an exception, the costliest thing a run
// does under the sanitizer (a system call and an unwinding each), and the
// fuzzer moves any value it wants read into the first record as readily as
// into the later ones.
class RecordReader {
public:
    // The fields are found by name once, as the runs' steps do before their
    // first record.
    RecordReader(const Table& table, const std::vector<std::string>& names)
        : table_(&table), refused_(names.size()) {
        for (const auto& name : names) fields_.push_back(table.Field(name));
    }
    // The same fields of the table opened again: what was refused before is
    // refused alike (the header is the same), so it is not tried again.
    RecordReader(const RecordReader& before, const Table& table, const std::vector<std::string>& names)
        : RecordReader(table, names) {
        refused_ = before.refused_;
    }

    void ReadField(std::size_t field) {
        const Table::FieldRef ref = fields_[field];
        Try(field, 0, [&] { return table_->Text(ref).size(); });
        Try(field, 1, [&] { return static_cast<std::size_t>(table_->Integer(ref)); });
        Try(field, 2, [&] { return static_cast<std::size_t>(table_->ExactInteger(ref).value_or(0)); });
        Try(field, 3, [&] { return static_cast<std::size_t>(table_->Float(ref) > 0); });
        Try(field, 4, [&] { return static_cast<std::size_t>(table_->Logical(ref)); });
    }
    void ReadRecord() {
        for (std::size_t field = 0; field < fields_.size(); ++field) ReadField(field);
    }
    std::size_t Checksum() const { return checksum_; }

private:
    template <typename Read>
    void Try(std::size_t field, std::size_t way, Read&& read) {
        bool& refused = refused_[field][way];
        if (refused) return;
        try {
            checksum_ += read();
        } catch (const Error&) {
            refused = true;
        }
    }

    const Table* table_;
    std::vector<Table::FieldRef> fields_;
    std::vector<std::array<bool, 5>> refused_;
    std::size_t checksum_ = 0;
};

// Walks the table in its current order, reading each record as
// read says. A walk longer than the records of the table is a broken promise.
template <typename Read>
int Walk(Table& table, Read&& read) {
    const int limit = table.RecordCount();
    int seen = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        if (++seen > limit) fuzz::Broken("a walk shows more records than the table has");
        read();
    }
    return seen;
}

// A 32-bit number and a text taken from the end of the input, for writing.
std::int32_t NumberFrom(std::string_view bytes) {
    std::int32_t value = 0;
    if (bytes.size() >= 4) std::memcpy(&value, bytes.data() + bytes.size() - 4, 4);
    return value;
}

std::string TextFrom(std::string_view bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), 12);
    return std::string(bytes.substr(bytes.size() - n));
}

void UseTable(const fs::path& dir, std::string_view bytes, const std::vector<std::string>& names) {
    Table table(dir, TableLayout{kTableName});
    table.Open(/*exclusive=*/true);
    RecordReader reader(table, names);
    const int records = table.RecordCount();
    if (Walk(table, [&] { reader.ReadRecord(); }) != records) fuzz::Broken("a walk misses records");

    const std::int32_t number = NumberFrom(bytes);
    const std::string text = TextFrom(bytes);
    // The walk above read every record in every way; ordered by a field, the
    // table reaches the same records through its index, so that field is the
    // one read (reading all of them made a table of many fields cost as many
    // full walks as it has fields).
    for (std::size_t field = 0; field < names.size(); ++field) {
        const std::string& name = names[field];
        const auto readKey = [&] { reader.ReadField(field); };
        Expecting([&] {
            table.OrderBy(name);
            Walk(table, readKey);
        });
    }

    // A new record, each field written from the first record's text, then in
    // turn as a number, an integer and a logical; what a field refuses stays.
    table.First();
    std::vector<std::string> firstValues;
    for (const auto& name : names) {
        std::string value;
        Expecting([&] { value = table.Text(name); });
        firstValues.push_back(value);
    }
    table.Append();
    for (std::size_t i = 0; i < names.size(); ++i) {
        Expecting([&] { table.SetText(names[i], firstValues[i]); });
        switch (i % 4) {
            case 0: Expecting([&] { table.SetText(names[i], text); }); break;
            case 1: Expecting([&] { table.SetInteger(names[i], number); }); break;
            case 2: Expecting([&] { table.SetFloat(names[i], number / 7.0); }); break;
            default: Expecting([&] { table.SetLogical(names[i], number & 1); }); break;
        }
    }
    table.Post();
    if (table.RecordCount() != records + 1) fuzz::Broken("a posted record is not counted");
    table.Close();

    Table again(dir, TableLayout{kTableName});
    try {
        again.Open();
    } catch (const Error& error) {
        fuzz::Broken("a table written by the library does not open again:", error.what());
    }
    if (again.RecordCount() != records + 1) fuzz::Broken("the record written is not read back");
    RecordReader againReader(reader, again, names);
    Walk(again, [&] { againReader.ReadRecord(); });
    for (const auto& name : names) {
        try {
            again.OrderBy(name);
        } catch (const Error& error) {
            if (IsIndexError(error)) fuzz::Broken("an index rebuilt on closing does not serve:", error.what());
        }
    }
    again.Close();
    // Keeps the reads from being optimised away.
    if (reader.Checksum() + againReader.Checksum() == 1) std::fputc(' ', stderr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Scratch scratch;
    const fuzz::InputFolder folder(scratch / "tables");
    const fs::path& dir = folder.Path();
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto mark = bytes.find(kIndexMark); mark != std::string_view::npos) {
        const std::string_view index = bytes.substr(mark + kIndexMark.size());
        bytes = bytes.substr(0, mark);
        fuzz::WriteBytes(dir / "FUZZ.MDX", index.data(), index.size());
        ReadIndex(index);
    }
    fuzz::WriteBytes(dir / "FUZZ.DBF", bytes.data(), bytes.size());
    const std::vector<std::string> names = FieldNames(bytes);
    try {
        UseTable(dir, bytes, names);
    } catch (const Error&) {
        // A damaged file, a value that does not fit: told to the user.
    }
    fuzz::CheckNothingOpen();
    return 0;
}
