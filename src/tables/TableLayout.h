#pragma once
// The logical layout of a table: fields in creation order, and its indexes.

#include <string>
#include <vector>

namespace vindeleo {

enum class FieldType { Character, Integer, Float, Logical };

struct FieldDef {
    std::string name;
    FieldType type;
    int width = 0;  // characters, for character fields; the others take the writer's width
};

struct IndexDef {
    std::string name;
    std::string field;
};

// A table that is only read may be described by its name alone
// (TableLayout{"NAME"}): its fields are then those its file holds.
struct TableLayout {
    std::string name;  // table name without extension, as the system spells it
    std::vector<FieldDef> fields{};
    std::vector<IndexDef> indexes{};
};

}  // namespace vindeleo
