#include "import/ImportReport.h"

#include <algorithm>
#include <cstdio>

#include "document/ExchangeDocument.h"
#include "tables/Layouts.h"
#include "text/Format.h"
#include "text/Messages.h"
#include "text/TextHelpers.h"

namespace vindeleo {

namespace {

// How each kind of code is named, and the field that stores it.
struct KindInfo {
    const char* label;
    const TableLayout& (*layout)();
    const char* field;
};

const KindInfo& InfoOf(CodeKind kind) {
    static const KindInfo kinds[] = {
        {msg::kCheckSubject, layouts::Asignomt, "COD"},  {msg::kCheckActivity, layouts::Asignomt, "COD"},
        {msg::kCheckTeacher, layouts::Proft, "ABREV"},   {msg::kCheckRoom, layouts::Aulat, "ABREV"},
        {msg::kCheckGroup, layouts::Grupost, "ABREV"},
    };
    return kinds[static_cast<int>(kind)];
}

// The characters that the code field keeps of a code.
std::string KeptByField(const KindInfo& info, const std::string& code) {
    for (const FieldDef& field : info.layout().fields)
        if (field.name == info.field) return Left(code, field.width);
    return code;
}

const char* ReasonText(NoAssignment reason) {
    switch (reason) {
        case NoAssignment::TooFewValues: return msg::kCheckTooFewValues;
        case NoAssignment::BlankName: return msg::kCheckBlankName;
        case NoAssignment::NoSubjectCode: return msg::kCheckNoSubjectCode;
        case NoAssignment::CourseKeyNotANumber: return msg::kCheckCourseKeyNotANumber;
        case NoAssignment::CourseWithoutGroups: return msg::kCheckCourseWithoutGroups;
    }
    return "";
}

// The lines of a part stand under its heading; a table's notes under its line.
const std::string kItem = "  ";
const std::string kNote = "    ";

std::string PadRight(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}
std::string PadLeft(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string CountText(const TableState& state) {
    if (state.records) return std::to_string(*state.records);
    return state.fault.empty() ? msg::kCheckNoTable : msg::kCheckUnreadable;
}

// "U+0159, U+20AD": the characters as their Unicode numbers, since the
// report's own text is Windows-1252 too.
std::string CodePoints(const std::vector<char32_t>& characters) {
    std::string text;
    for (const char32_t character : characters) {
        char number[16];
        std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(character));
        if (!text.empty()) text += ", ";
        text += number;
    }
    return text;
}

std::string Positions(const std::vector<std::size_t>& positions) {
    std::string text;
    for (const std::size_t position : positions) {
        if (!text.empty()) text += ", ";
        text += std::to_string(position);
    }
    return text;
}

}  // namespace

bool TakesRow(ImportReport* report, std::string_view section, std::size_t rowNumber, const Row& row,
              std::initializer_list<std::size_t> positions) {
    const bool taken = row.ValueCount() >= 2;
    if (report && taken) report->RowRead(section, rowNumber, row, positions);
    if (report && !taken) report->RowSkipped(section, rowNumber, row);
    return taken;
}

std::size_t ImportReport::SectionIndex(std::string_view section) {
    const auto [it, added] = sectionIndex_.try_emplace(std::string(section), sections_.size());
    if (added) sections_.emplace_back(section);
    return it->second;
}

void ImportReport::RowSkipped(std::string_view section, std::size_t rowNumber, const Row& row) {
    ShortRow& shortRow = shortRows_[{SectionIndex(section), rowNumber}];
    shortRow.values = row.ValueCount();
    shortRow.skipped = true;
}

void ImportReport::RowRead(std::string_view section, std::size_t rowNumber, const Row& row,
                           std::initializer_list<std::size_t> positions) {
    for (const std::size_t position : positions) {
        if (position >= row.ValueCount()) {
            ShortRow& shortRow = shortRows_[{SectionIndex(section), rowNumber}];
            shortRow.values = row.ValueCount();
            auto& missing = shortRow.missing;
            const auto place = std::lower_bound(missing.begin(), missing.end(), position);
            if (place == missing.end() || *place != position) missing.insert(place, position);
            continue;
        }
        std::vector<char32_t> lost = row.CharactersLost(position);
        if (lost.empty()) continue;
        lostValues_.try_emplace({{SectionIndex(section), rowNumber}, position},
                                LostValue{row.Value(position), std::move(lost)});
    }
}

void ImportReport::CodeGiven(CodeKind kind, const std::string& name, const std::string& origin,
                             const std::string& code) {
    std::string kept = KeptByField(InfoOf(kind), code);
    if (kept != origin) codes_.push_back(Code{kind, name, origin, std::move(kept)});
}

void ImportReport::SubjectWithoutAssignment(std::size_t rowNumber, const std::string& name,
                                            const std::string& courseKey, NoAssignment reason) {
    subjects_.push_back(Subject{rowNumber, name, courseKey, reason});
}

void ImportReport::CourseWithoutLevel(const std::string& key, const std::string& name, bool listed) {
    courses_.push_back(Course{key, name, listed});
}

void ImportReport::TemplateTaken(const std::string& code, std::vector<TemplateRow> templates) {
    template_.emplace(code, std::move(templates));
}

void ImportReport::TableCounts(const std::string& table, const TableState& now, const TableState& after,
                               bool removed) {
    tables_.push_back(CountedTable{table, now, after, removed});
}

std::vector<std::string> ImportReport::Lines(const std::string& document, const std::string& workingDirectory) const {
    std::vector<std::string> lines;
    lines.push_back(Format(msg::kCheckHeading, document));
    // Each part after a blank line.
    lines.emplace_back();
    AddTableLines(lines, workingDirectory);
    lines.emplace_back();
    AddCodeLines(lines);
    lines.emplace_back();
    AddNoAssignmentLines(lines);
    lines.emplace_back();
    AddLevelLines(lines);
    if (template_) {
        lines.emplace_back();
        AddTemplateLines(lines);
    }
    lines.emplace_back();
    AddShortRowLines(lines);
    lines.emplace_back();
    AddLostValueLines(lines);
    return lines;
}

void ImportReport::AddTableLines(std::vector<std::string>& lines, const std::string& workingDirectory) const {
    lines.push_back(Format(msg::kCheckTables, workingDirectory));
    std::size_t nameWidth = 0;
    for (const CountedTable& table : tables_) nameWidth = std::max(nameWidth, table.name.size());
    for (const CountedTable& table : tables_) {
        const std::string after = table.removed ? msg::kCheckRemoved : CountText(table.after);
        lines.push_back(kItem + Format(msg::kCheckTableLine, PadRight(table.name, nameWidth),
                                       PadLeft(CountText(table.now), 9), after));
        if (!table.now.fault.empty())
            lines.push_back(kNote + Format(msg::kCheckTableFault, table.name, table.now.fault));
        if (table.now.held) lines.push_back(kNote + Format(msg::kCheckTableHeld, table.name));
    }
}

void ImportReport::AddCodeLines(std::vector<std::string>& lines) const {
    lines.push_back(Format(msg::kCheckCodes, codes_.size()));
    for (const Code& code : codes_) {
        const char* label = InfoOf(code.kind).label;
        lines.push_back(kItem + (code.origin.empty()
                                     ? Format(msg::kCheckCodeLineNoOrigin, label, code.name, code.kept)
                                     : Format(msg::kCheckCodeLine, label, code.name, code.kept, code.origin)));
    }
    if (codes_.empty()) lines.push_back(kItem + msg::kCheckNone);
}

void ImportReport::AddNoAssignmentLines(std::vector<std::string>& lines) const {
    lines.push_back(Format(msg::kCheckNoAssignment, subjects_.size()));
    for (const Subject& subject : subjects_)
        lines.push_back(kItem + Format(msg::kCheckNoAssignmentLine, subject.rowNumber, subject.name,
                                       subject.courseKey, ReasonText(subject.reason)));
    if (subjects_.empty()) lines.push_back(kItem + msg::kCheckNoneFeminine);
}

void ImportReport::AddLevelLines(std::vector<std::string>& lines) const {
    lines.push_back(Format(msg::kCheckLevels, courses_.size()));
    for (const Course& course : courses_)
        lines.push_back(kItem + Format(course.listed ? msg::kCheckLevelLineEmpty : msg::kCheckLevelLine, course.key,
                                       course.name));
    if (courses_.empty()) lines.push_back(kItem + msg::kCheckNone);
}

void ImportReport::AddTemplateLines(std::vector<std::string>& lines) const {
    const std::string& code = template_->first;
    const std::vector<TemplateRow>& templates = template_->second;
    const auto taken = std::find_if(templates.begin(), templates.end(),
                                    [&code](const TemplateRow& row) { return row.code == code; });
    if (templates.empty())
        lines.push_back(msg::kCheckNoTemplates);
    else if (taken == templates.end())
        lines.push_back(Format(msg::kCheckTemplateNotInDocument, code));
    else
        lines.push_back(Format(msg::kCheckTemplate, taken->code, taken->name));
    lines.push_back(msg::kCheckOtherTemplates);
    bool others = false;
    for (const TemplateRow& row : templates) {
        if (row.code == code) continue;
        lines.push_back(kItem + Format(msg::kCheckTemplateLine, row.code, row.name));
        others = true;
    }
    if (!others) lines.push_back(kItem + msg::kCheckNoneFeminine);
}

void ImportReport::AddShortRowLines(std::vector<std::string>& lines) const {
    lines.push_back(Format(msg::kCheckShortRows, shortRows_.size()));
    for (const auto& [key, row] : shortRows_) {
        const std::string& section = sections_[key.first];
        lines.push_back(kItem + (row.skipped ? Format(msg::kCheckRowSkipped, section, key.second, row.values)
                                             : Format(row.missing.size() == 1 ? msg::kCheckRowMissingOne
                                                                              : msg::kCheckRowMissing,
                                                      section, key.second, row.values, Positions(row.missing))));
    }
    if (shortRows_.empty()) lines.push_back(kItem + msg::kCheckNoneFeminine);
}

void ImportReport::AddLostValueLines(std::vector<std::string>& lines) const {
    lines.push_back(Format(msg::kCheckLostCharacters, lostValues_.size()));
    for (const auto& [key, value] : lostValues_)
        lines.push_back(kItem + Format(msg::kCheckLostLine, sections_[key.first.first], key.first.second, key.second,
                                       value.value, CodePoints(value.lost)));
    if (lostValues_.empty()) lines.push_back(kItem + msg::kCheckNone);
}

}  // namespace vindeleo
