#pragma once
// A dBase table on disk, as the conversion steps use it: create from a layout,
// open (exclusive or shared), append and post records, walk them in the
// current order, read fields, and order by the ORDEN index.
//
// A table created with indexes has a production index (name + ".MDX", see
// MdxIndex.h) that its header announces; closing a changed table rebuilds it
// from every record, so a table closed here always has a complete index.
//
// Texts are Windows-1252 bytes. Every failure raises vindeleo::Error with a
// Spanish message for the user.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/TableLayout.h"

namespace vindeleo {

enum class DbfLevel {
    DBase4,  // version byte 0x03, 11-character field names: the working tables
    DBase7,  // version byte 0x04, 32-character field names: the level catalogue
};

class Table {
public:
    // name: the table name without extension ("ASIGNOMT"); the file is
    // name + ".DBF" in dir, matched without regard to letter case.
    Table(std::filesystem::path dir, std::string name);
    ~Table();  // closes the table when still open (an error there is not raised)
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Deletes dir/name.DBF, then dir/name.MDX, each when it exists (any letter
    // case); a file that cannot be deleted is passed over.
    static void DeleteFiles(const std::filesystem::path& dir, const std::string& name);
    // The existing file of that name in dir (any letter case), or an empty path.
    static std::filesystem::path FindFile(const std::filesystem::path& dir,
                                          const std::string& fileName);

    std::filesystem::path FilePath() const;  // the .DBF path (existing spelling when found)

    // Creates the empty table on disk from the layout, replacing an existing
    // file; the table stays closed. With indexes in the layout (dBase IV
    // only, each on a numeric field) an empty production index is written
    // too; any other index of that name is removed.
    void Create(const TableLayout& layout, DbfLevel level = DbfLevel::DBase4);

    // A table whose header announces a production index is read whether or
    // not the index file is there; a damaged index file raises its error
    // only when the index is used (ordering by it, adding records).
    void Open(bool exclusive = false);
    void Close();  // writes out what was posted, and the rebuilt index with it
    bool IsOpen() const;

    // A field of the open table found once, for steps that write many records.
    struct FieldRef {
        std::size_t index;
    };
    FieldRef Field(std::string_view name) const;

    // Adding to a table whose index cannot be rebuilt here (damaged, or a tag
    // that is not an ascending index on a numeric field) raises an error.
    void Append();  // starts a new, blank record at the end
    // Starts a new record at the end holding the values of the table's last
    // record (blank when it has none), for records that differ in a few fields.
    void AppendCopy();
    void SetText(std::string_view field, std::string_view text);  // cut to the field's width
    void SetInteger(std::string_view field, std::int32_t value);
    void SetFloat(std::string_view field, double value);
    void SetLogical(std::string_view field, bool value);
    void SetText(FieldRef field, std::string_view text);
    void SetFloat(FieldRef field, double value);
    void Post();  // writes the record that Append started

    void First();
    void Next();
    bool Eof() const;

    // Trailing blanks dropped; a numeric field gives its number without padding.
    std::string Text(std::string_view field) const;
    std::string Text(FieldRef field) const;
    std::int32_t Integer(std::string_view field) const;  // a blank field reads 0
    double Float(std::string_view field) const;          // a blank field reads 0
    bool Logical(std::string_view field) const;
    // The field's value when it is exactly a whole number of 32 bits (a
    // number field holding 3101 or 3101.00, a binary integer, a double with
    // no fraction, a text of such a number); nothing when it is blank, not a
    // number, has a fraction, or lies beyond 32 bits. The rule by which a
    // record's key equals an integer key.
    std::optional<std::int32_t> ExactInteger(FieldRef field) const;

    // Makes the index on the given field the current order: ascending by
    // value (a blank N or F number counts as zero, as its index key does; a
    // blank binary number of dBase 7 comes first), equal keys in the order in which
    // the records were written. When the production index has a tag on the
    // field, the records of the file are read in the order of its tree and
    // those added since opening are placed among them; else the records are
    // sorted in memory, the same way.
    void OrderBy(std::string_view indexField);

    int RecordCount() const;  // records of the table, deleted ones left out

    struct Impl;

private:
    std::filesystem::path dir_;
    std::string name_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vindeleo
