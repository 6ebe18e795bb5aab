#pragma once
// A dBase table on disk, as the conversion steps use it: create from its
// layout, open (exclusive or shared), append and post records, walk them in
// the current order, read fields, and order by the ORDEN index.
//
// A table created with indexes has a production index (name + ".MDX", see
// TableOrder.h and MdxIndex.h) that its header announces; closing a changed
// table rebuilds it from every record, so a table closed here always has a
// complete index.
//
// Texts are Windows-1252 bytes. Every failure raises vindeleo::Error with a
// Spanish message for the user.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/RegionalTime.h"
#include "tables/TableLayout.h"

namespace vindeleo {

namespace dbf {
struct Field;
}

enum class DbfLevel {
    DBase4,  // version byte 0x03, 11-character field names: the working tables
    DBase7,  // version byte 0x04, 32-character field names: the level catalogue
};

class Table {
public:
    // The table that the layout describes, in dir: its file is the layout's
    // name + ".DBF", matched without regard to letter case, and Create writes
    // the layout's fields and indexes, so a table is always created with the
    // fields of its own name. A table that is only read may have a layout
    // that gives its name alone; its fields are those its file holds. A
    // table that a run writes carries the run's moment, the date of its
    // header and index; without one, a writing is dated when it happens.
    Table(std::filesystem::path dir, TableLayout layout, std::optional<RunMoment> moment = std::nullopt);
    ~Table();  // closes the table when still open (an error there is not raised)
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Deletes the table's .DBF, then its .MDX, each when it exists (any
    // letter case); a file that cannot be deleted, or that another program
    // holds, is passed over.
    void DeleteFiles() const;
    std::filesystem::path FilePath() const;  // the .DBF path (existing spelling when found)

    // Creates the empty table on disk from its layout, replacing an existing
    // file; the table stays closed. With indexes in the layout (dBase IV
    // only, each on a numeric field) an empty production index is written
    // too; any other index of that name is removed.
    void Create(DbfLevel level = DbfLevel::DBase4);

    // A table whose header announces a production index is read whether or
    // not the index file is there; a damaged index file raises its error
    // only when the index is used (ordering by it, adding records).
    void Open(bool exclusive = false);
    void Close();  // writes out what was posted, and the rebuilt index with it
    bool IsOpen() const;

    // A field of the open table, found by its name once: steps that read or
    // write many records take a handle for each field before the first
    // record. A handle serves the opening that gave it; used on another
    // table, or after the table was closed, it raises an error.
    class FieldRef {
    private:
        friend class Table;
        FieldRef(std::size_t index, std::uint64_t opening) : index_(index), opening_(opening) {}
        std::size_t index_;
        std::uint64_t opening_;
    };
    FieldRef Field(std::string_view name) const;

    // Adding to a table whose index cannot be rebuilt here (damaged, or a tag
    // that is not an ascending index on a numeric field) raises an error.
    void Append();  // starts a new, blank record at the end
    // Starts a new record at the end holding the values of the table's last
    // record (blank when it has none), for records that differ in a few fields.
    void AppendCopy();
    void SetText(FieldRef field, std::string_view text);  // cut to the field's width
    void SetInteger(FieldRef field, std::int32_t value);
    void SetFloat(FieldRef field, double value);
    void SetLogical(FieldRef field, bool value);
    void Post();  // writes the record that Append started

    void First();
    void Next();
    bool Eof() const;

    // Trailing blanks dropped; a numeric field gives its number without padding.
    std::string Text(FieldRef field) const;
    std::int32_t Integer(FieldRef field) const;  // a blank field reads 0
    double Float(FieldRef field) const;          // a blank field reads 0
    bool Logical(FieldRef field) const;
    // The field's value when it is exactly a whole number of 32 bits (a
    // number field holding 3101 or 3101.00, a binary integer, a double with
    // no fraction, a text of such a number); nothing when it is blank, not a
    // number, has a fraction, or lies beyond 32 bits. The rule by which a
    // record's key equals an integer key.
    std::optional<std::int32_t> ExactInteger(FieldRef field) const;

    // The same by the field's name, for a single use: each looks the name up.
    void SetText(std::string_view field, std::string_view text) { SetText(Field(field), text); }
    void SetInteger(std::string_view field, std::int32_t value) { SetInteger(Field(field), value); }
    void SetFloat(std::string_view field, double value) { SetFloat(Field(field), value); }
    void SetLogical(std::string_view field, bool value) { SetLogical(Field(field), value); }
    std::string Text(std::string_view field) const { return Text(Field(field)); }
    std::int32_t Integer(std::string_view field) const { return Integer(Field(field)); }
    double Float(std::string_view field) const { return Float(Field(field)); }
    bool Logical(std::string_view field) const { return Logical(Field(field)); }

    // Makes the index on the given field the current order (see TableOrder.h):
    // ascending by value, equal keys in the order in which the records were
    // written.
    void OrderBy(std::string_view indexField);

    int RecordCount() const;  // records of the table, deleted ones left out

    struct Impl;

private:
    const dbf::Field& FieldOf(FieldRef field) const;
    char* RecordBeingAdded();

    // The date of a writing: of the run's moment, else of now.
    std::tm WritingDate() const;

    std::filesystem::path dir_;
    TableLayout layout_;
    std::optional<RunMoment> moment_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vindeleo
