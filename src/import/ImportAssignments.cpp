// Subject assignments: every subject of MATERIAS is given to every group of its
// course (GRUPOST), with its code from ASIGNOMT and a fixed weekly load, into
// ASIGT.

#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "import/LoadRules.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/TextHelpers.h"

namespace vindeleo {

double HoursOfMinutes(int minutes) {
    const double hours = std::ceil(minutes / 60.0);
    return hours < 1 ? 1 : hours;
}

std::string LessonPattern(double hours) {
    const long long n = static_cast<long long>(std::ceil(hours));
    if (n <= 13) return std::string(n > 0 ? static_cast<std::size_t>(n) : 0, '1');
    return std::to_string(n - 13) + std::string(13, '1');
}

namespace {

// NOMBRE holds 80 characters; a subject name is compared as the table keeps it,
// upper-cased in a to z only.
constexpr int kNameWidth = 80;

std::string NameKey(const std::string& name) { return AllTrim(UpperAscii(name)); }

// The code of the first ASIGNOMT record of each name key.
std::unordered_map<std::string, std::string> ReadSubjectCodes(Table& subjects) {
    const auto nombre = subjects.Field("NOMBRE");
    const auto cod = subjects.Field("COD");
    std::unordered_map<std::string, std::string> codes;
    for (subjects.First(); !subjects.Eof(); subjects.Next())
        codes.try_emplace(NameKey(subjects.Text(nombre)), subjects.Text(cod));
    return codes;
}

struct Group {
    std::string code;
    std::string level;
    std::string course;
    std::string letter;
};

// The groups of each course key, in record order.
std::unordered_map<std::string, std::vector<Group>> ReadGroupsByCourse(Table& groups) {
    const auto claveCurso = groups.Field("CLAVECURSO");
    const auto abrev = groups.Field("ABREV");
    const auto nivel = groups.Field("NIVEL");
    const auto curso = groups.Field("CURSO");
    const auto grupo = groups.Field("GRUPO");
    std::unordered_map<std::string, std::vector<Group>> byCourse;
    for (groups.First(); !groups.Eof(); groups.Next())
        byCourse[groups.Text(claveCurso)].push_back(
            Group{groups.Text(abrev), groups.Text(nivel), groups.Text(curso), groups.Text(grupo)});
    return byCourse;
}

struct Load {
    double hours;
    std::string pattern;
};

// The minutes are the same for every assignment, so the load is worked out
// once: whole hours, at least one, and the lesson pattern of those hours.
Load FixedLoad() {
    const double hours = HoursOfMinutes(kAssignmentMinutes);
    return Load{hours, LessonPattern(hours)};
}

// The ASIGT fields, found once: a large school writes tens of thousands of
// assignments.
struct AssignmentFields {
    explicit AssignmentFields(const Table& table)
        : casig(table.Field("CASIG")), cgrup(table.Field("CGRUP")), caula(table.Field("CAULA")),
          turno(table.Field("TURNO")), nivel(table.Field("NIVEL")), curso(table.Field("CURSO")),
          grupo(table.Field("GRUPO")), horas(table.Field("HORAS")), sesiones(table.Field("SESIONES")),
          clave(table.Field("CLAVE")), claveCurso(table.Field("CLAVECURSO")), ctarea(table.Field("CTAREA")) {}
    Table::FieldRef casig, cgrup, caula, turno, nivel, curso, grupo, horas, sesiones, clave, claveCurso, ctarea;
};

// The values that an assignment takes from its group.
void SetGroupFields(Table& assignments, const AssignmentFields& field, const Group& group) {
    assignments.SetText(field.cgrup, group.code);
    assignments.SetText(field.nivel, group.level);
    assignments.SetText(field.curso, group.course);
    assignments.SetText(field.grupo, group.letter);
}

// One record per group of the subject's course. The records of one subject
// differ only in the group's fields, so every record after the first starts
// as a copy of the one before.
void WriteAssignments(Table& assignments, const AssignmentFields& field, const std::string& subjectCode,
                      const std::vector<Group>& groups, const Load& load, const std::string& subjectKey,
                      const std::string& courseKey) {
    bool first = true;
    for (const Group& group : groups) {
        if (!first) {
            assignments.AppendCopy();
            SetGroupFields(assignments, field, group);
            assignments.Post();
            continue;
        }
        first = false;
        assignments.Append();
        assignments.SetText(field.casig, subjectCode);
        assignments.SetText(field.cgrup, group.code);
        assignments.SetText(field.caula, "");
        assignments.SetText(field.turno, "");
        assignments.SetText(field.nivel, group.level);
        assignments.SetText(field.curso, group.course);
        assignments.SetText(field.grupo, group.letter);
        assignments.SetFloat(field.horas, load.hours);
        assignments.SetText(field.sesiones, load.pattern);
        assignments.SetText(field.clave, subjectKey);
        assignments.SetText(field.claveCurso, courseKey);
        assignments.SetText(field.ctarea, "1");
        assignments.Post();
    }
}

}  // namespace

void ImportAssignments(ImportContext& context) {
    const auto& dir = context.TablesDirectory;
    Table assignments(dir, layouts::Asigt(), context.Moment);
    assignments.DeleteFiles();
    assignments.Create();
    assignments.Open();

    Table groups(dir, layouts::Grupost(), context.Moment);
    groups.Open(true);
    Table subjects(dir, layouts::Asignomt(), context.Moment);
    subjects.Open(true);
    const auto groupsByCourse = ReadGroupsByCourse(groups);
    const auto subjectCodes = ReadSubjectCodes(subjects);
    const Load load = FixedLoad();
    const AssignmentFields fields(assignments);

    ImportReport* const report = context.Report;
    std::size_t rowNumber = 0;
    for (const Row& row : context.Document.Rows(xml::kMaterias)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kMaterias, rowNumber, row, {0, 1, 2})) {
            if (report) report->SubjectWithoutAssignment(rowNumber, row.Trimmed(2), row.Trimmed(0), NoAssignment::TooFewValues);
            continue;
        }
        const std::string courseKey = row.Trimmed(0);
        const std::string subjectKey = row.Trimmed(1);
        const std::string name = row.Trimmed(2);  // empty when the row has two values
        // A subject without a name is no subject (the subjects step skips it too).
        if (name.empty()) {
            if (report) report->SubjectWithoutAssignment(rowNumber, name, courseKey, NoAssignment::BlankName);
            continue;
        }

        const auto code = subjectCodes.find(NameKey(Left(name, kNameWidth)));
        if (code == subjectCodes.end() || code->second.empty()) {
            if (report) report->SubjectWithoutAssignment(rowNumber, name, courseKey, NoAssignment::NoSubjectCode);
            continue;
        }
        const auto courseGroups = groupsByCourse.find(courseKey);
        if (courseGroups == groupsByCourse.end()) {
            if (report)
                report->SubjectWithoutAssignment(rowNumber, name, courseKey,
                                                 IntegerOf(courseKey) ? NoAssignment::CourseWithoutGroups
                                                                      : NoAssignment::CourseKeyNotANumber);
            continue;
        }
        WriteAssignments(assignments, fields, code->second, courseGroups->second, load, subjectKey, courseKey);
    }

    assignments.Close();
    groups.Close();
    subjects.Close();
}

}  // namespace vindeleo
