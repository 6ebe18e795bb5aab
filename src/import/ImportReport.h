#pragma once
// What an import would do beyond filling its tables, gathered while its steps
// run for the check of an import (ImportCheck.h): the codes that the code
// rules made differ from the name or key they came from, the MATERIAS rows
// that get no assignment and why, the courses that the level catalogue lacks,
// the template taken, the rows that lack positions a step reads, and the
// values in which a character becomes '?'. The steps tell it through their
// context's Report, which a real import leaves null, so that the import pays
// nothing for it. Texts are Windows-1252.

#include <cstddef>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vindeleo {

class Row;

// What the code belongs to: each kind is stored in its table's code field.
enum class CodeKind { Subject, Activity, Teacher, Room, Group };

// Why a MATERIAS row gets no assignment, in the order the step tests it.
enum class NoAssignment {
    TooFewValues,         // the row is skipped: fewer than two values
    BlankName,            // the subject has no name
    NoSubjectCode,        // no subject record, or one without a code, of that name
    CourseKeyNotANumber,  // no group has the course key, which is no whole number
    CourseWithoutGroups,  // no group has the course key
};

// A JORNADAS_ESCOLARES row as the report names it.
struct TemplateRow {
    std::string code;
    std::string name;
};

// A table of the working directory, or of the check's own import.
struct TableState {
    std::optional<int> records;  // none: there is no such table (or it cannot be read)
    std::string fault;           // why it cannot be read, when it cannot
    bool held = false;           // another program holds it open
};

class ImportReport {
public:
    // A row of a section (numbered from 1 among the section's rows) that a
    // step passes over for having fewer than two values.
    void RowSkipped(std::string_view section, std::size_t rowNumber, const Row& row);
    // A row of which a step reads these positions: those the row lacks are
    // read as empty text, and a value read may lose characters to '?'. Rows
    // told by several steps are reported once.
    void RowRead(std::string_view section, std::size_t rowNumber, const Row& row,
                 std::initializer_list<std::size_t> positions);

    // The code that a step gives to `name`: `origin` is what it was made
    // from (the subject's short code, the activity's, room's key, the
    // teacher's initials, the group's name); `code` is what the step sets,
    // which the table's code field may cut. Reported when what the field
    // keeps differs from the origin.
    void CodeGiven(CodeKind kind, const std::string& name, const std::string& origin, const std::string& code);
    void SubjectWithoutAssignment(std::size_t rowNumber, const std::string& name, const std::string& courseKey,
                                  NoAssignment reason);
    // A course that gets the default level: `listed` when the catalogue has
    // its key but no level for it.
    void CourseWithoutLevel(const std::string& key, const std::string& name, bool listed);
    // The school-day template taken, and every JORNADAS_ESCOLARES row.
    void TemplateTaken(const std::string& code, std::vector<TemplateRow> templates);

    // A table that the import rebuilds (`removed`: takes away), as the working
    // directory holds it now and as the import would leave it.
    void TableCounts(const std::string& table, const TableState& now, const TableState& after, bool removed = false);

    // The whole report, one text a line: the document, the working directory
    // (as the user reads it) and each section of what was gathered.
    std::vector<std::string> Lines(const std::string& document, const std::string& workingDirectory) const;

private:
    struct Code {
        CodeKind kind;
        std::string name;
        std::string origin;
        std::string kept;
    };
    struct Subject {
        std::size_t rowNumber;
        std::string name;
        std::string courseKey;
        NoAssignment reason;
    };
    struct Course {
        std::string key;
        std::string name;
        bool listed;
    };
    struct CountedTable {
        std::string name;
        TableState now;
        TableState after;
        bool removed;
    };
    // A row that lacks positions, by section (in the order first told) and
    // row number.
    struct ShortRow {
        std::size_t values = 0;
        bool skipped = false;
        std::vector<std::size_t> missing;  // ascending
    };
    struct LostValue {
        std::string value;
        std::vector<char32_t> lost;
    };
    using RowKey = std::pair<std::size_t, std::size_t>;  // section, row
    using ValueKey = std::pair<RowKey, std::size_t>;     // and position
    std::size_t SectionIndex(std::string_view section);
    // The parts of Lines, each with its heading.
    void AddTableLines(std::vector<std::string>& lines, const std::string& workingDirectory) const;
    void AddCodeLines(std::vector<std::string>& lines) const;
    void AddNoAssignmentLines(std::vector<std::string>& lines) const;
    void AddLevelLines(std::vector<std::string>& lines) const;
    void AddTemplateLines(std::vector<std::string>& lines) const;
    void AddShortRowLines(std::vector<std::string>& lines) const;
    void AddLostValueLines(std::vector<std::string>& lines) const;

    std::vector<std::string> sections_;
    std::unordered_map<std::string, std::size_t> sectionIndex_;
    std::map<RowKey, ShortRow> shortRows_;
    std::map<ValueKey, LostValue> lostValues_;
    std::vector<Code> codes_;
    std::vector<Subject> subjects_;
    std::vector<Course> courses_;
    std::optional<std::pair<std::string, std::vector<TemplateRow>>> template_;
    std::vector<CountedTable> tables_;
};

// Whether a step takes a row of a section: one of fewer than two values is
// passed over. A check's report is told either way, of the row passed over or
// of the positions that the step reads.
bool TakesRow(ImportReport* report, std::string_view section, std::size_t rowNumber, const Row& row,
              std::initializer_list<std::size_t> positions);

}  // namespace vindeleo
