#pragma once
// The order of an open table by one of its fields, and the production index
// (".MDX", see MdxIndex.h) that keeps such orders on disk.
//
// A table whose header announces a production index has the index file read
// when the table is opened. A file that cannot be read, or does not hold
// together, is remembered, not raised: the table is read without it until
// the index is used, that is, until the table is ordered by an indexed field
// or records are added (its index could not be kept up to date then).
// Ordering by a field that a tag indexes reads the tag's tree, checked
// against the records (each record once, with its own key); records added
// since opening take their place by key. Without such a tag the records are
// sorted in memory to the same order. Closing a changed table rebuilds the
// index from every record.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tables/DbfFormat.h"
#include "tables/MdxIndex.h"
#include "tables/TableLayout.h"

namespace vindeleo {

class RecordStore;

class TableOrder {
public:
    // Reads the production index of the table tableName in dir (any letter
    // case) when the header announces one; recordsAtOpen records are the
    // ones that the index file describes.
    void Load(const std::filesystem::path& dir, const std::string& tableName, const dbf::Header& header,
              std::size_t recordsAtOpen);
    // Forgets the index, as the table is closed.
    void Clear();

    // Why records cannot be added to the table (the reason for the user);
    // empty when they can, that is, when the index can be rebuilt here.
    const std::string& WhyNotKept() const { return notKept_; }

    // Every record number (from 0, deleted records included) ordered by the
    // key field: ascending by value (a blank N or F number counts as zero, as
    // its index key does; a blank binary number of dBase 7 comes first),
    // equal keys in the order in which the records were written. A damaged
    // index raises here.
    std::vector<std::uint32_t> Order(const dbf::Field& key, const dbf::Header& header, const RecordStore& records);

    // Whether closing the table writes its index again, and where.
    bool KeepsIndex() const { return !keptTags_.empty(); }
    const std::filesystem::path& IndexPath() const { return indexPath_; }
    // The index file for every record, with the tags it had.
    std::string Rebuild(const std::string& tableName, const dbf::Header& header, const RecordStore& records,
                        const std::tm& today) const;

    // The empty production index of a new table: one tag for each index of
    // the layout, on its field.
    static std::string EmptyIndex(const std::string& tableName, const TableLayout& layout,
                                  const std::vector<dbf::Field>& fields, const std::tm& today);

private:
    struct KeptTag {
        std::string name;
        std::string expression;
        std::size_t field;
    };

    std::optional<std::size_t> PlainNumberField(const mdx::Tag& tag, const dbf::Header& header) const;
    const mdx::Tag* TagOn(std::size_t field, const dbf::Header& header) const;
    std::vector<mdx::TagEntry> CheckedEntries(const mdx::Tag& tag, const dbf::Field& key,
                                              const RecordStore& records) const;
    std::vector<std::uint32_t> IndexedOrder(const mdx::Tag& tag, std::size_t field, const dbf::Field& key,
                                            const RecordStore& records);

    std::filesystem::path indexPath_;
    std::optional<mdx::IndexFile> index_;
    std::string fault_;    // why the index file cannot be read; empty when it can
    std::string notKept_;  // why records cannot be added; empty when they can
    std::vector<KeptTag> keptTags_;  // rebuilt on closing
    std::size_t recordsAtOpen_ = 0;  // the records that the index file describes
    // The checked entries of the last tag read (records from 0), and its field.
    std::optional<std::vector<mdx::TagEntry>> tagOrder_;
    std::size_t tagOrderField_ = 0;
};

}  // namespace vindeleo
