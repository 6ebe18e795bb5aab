#pragma once
// Helpers of the import step tests: tables read back field by field through
// the project's table layer.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tables/Table.h"

namespace vindeleo::test {

using Record = std::map<std::string, std::string>;

// Every record of a table, the named fields as text, in the current order.
inline std::vector<Record> ReadRecords(const std::filesystem::path& dir, const TableLayout& layout,
                                       const std::vector<std::string>& fields) {
    Table table(dir, layout);
    table.Open();
    std::vector<Record> records;
    for (table.First(); !table.Eof(); table.Next()) {
        Record record;
        for (const auto& field : fields) record[field] = table.Text(field);
        records.push_back(record);
    }
    table.Close();
    return records;
}

// One field of every record.
inline std::vector<std::string> Column(const std::vector<Record>& records, const std::string& field) {
    std::vector<std::string> values;
    for (const auto& record : records) values.push_back(record.at(field));
    return values;
}

}  // namespace vindeleo::test
