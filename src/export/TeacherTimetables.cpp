#include "export/TeacherTimetables.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document/XmlNames.h"
#include "tables/Table.h"
#include "text/ClockText.h"
#include "text/Error.h"
#include "text/TextHelpers.h"

namespace vindeleo {

namespace {

// What a lesson group needs of one SOLUC record.
struct Lesson {
    std::string day;  // DIA as text
    std::int32_t hour = 0;
    std::string subject;  // ASIG
    std::string group;    // CODGRUPO
    std::string task;     // TAREA
    std::string room;     // AULA
};

struct AssignmentKeys {
    std::string subjectKey;  // CLAVE
    std::string courseKey;   // CLAVECURSO
};

struct Slot {
    std::string day;  // DIA
    std::string code;  // CODDIHO
    std::string from;  // HORADESDE
    std::string to;    // HORAHASTA
};

// A map from a key to the values of the first record, in table order, that has it.
template <typename Value>
using FirstMatch = std::unordered_map<std::string, Value>;

// One key for two texts that no other pair of texts gives.
std::string PairKey(const std::string& first, const std::string& second) {
    return std::to_string(first.size()) + ':' + first + second;
}

// Fields are looked up at the first record: a table without records is never
// asked for a field, as the timetable program may leave such tables bare.
FirstMatch<AssignmentKeys> AssignmentsBySubjectAndGroup(Table& asigt) {
    FirstMatch<AssignmentKeys> map;
    asigt.First();
    if (asigt.Eof()) return map;
    const auto casig = asigt.Field("CASIG"), cgrup = asigt.Field("CGRUP");
    const auto clave = asigt.Field("CLAVE"), claveCurso = asigt.Field("CLAVECURSO");
    for (; !asigt.Eof(); asigt.Next())
        map.try_emplace(PairKey(asigt.Text(casig), asigt.Text(cgrup)),
                        AssignmentKeys{asigt.Text(clave), asigt.Text(claveCurso)});
    return map;
}

FirstMatch<std::string> ActivitiesBySubject(Table& asignomt) {
    FirstMatch<std::string> map;
    asignomt.First();
    if (asignomt.Eof()) return map;
    const auto cod = asignomt.Field("COD"), codTarea = asignomt.Field("CODTAREA");
    for (; !asignomt.Eof(); asignomt.Next()) map.try_emplace(asignomt.Text(cod), asignomt.Text(codTarea));
    return map;
}

FirstMatch<Slot> SlotsByDayAndHour(Table& diashorast) {
    FirstMatch<Slot> map;
    diashorast.First();
    if (diashorast.Eof()) return map;
    const auto diho = diashorast.Field("DIHO"), dia = diashorast.Field("DIA"), coddiho = diashorast.Field("CODDIHO");
    const auto horadesde = diashorast.Field("HORADESDE"), horahasta = diashorast.Field("HORAHASTA");
    for (; !diashorast.Eof(); diashorast.Next())
        map.try_emplace(diashorast.Text(diho), Slot{diashorast.Text(dia), diashorast.Text(coddiho),
                                                     diashorast.Text(horadesde), diashorast.Text(horahasta)});
    return map;
}

FirstMatch<std::string> GroupKeysByCode(Table& grupost) {
    FirstMatch<std::string> map;
    grupost.First();
    if (grupost.Eof()) return map;
    const auto abrev = grupost.Field("ABREV"), clave = grupost.Field("CLAVE");
    for (; !grupost.Eof(); grupost.Next()) map.try_emplace(grupost.Text(abrev), grupost.Text(clave));
    return map;
}

std::unordered_set<std::string> TeacherAbbreviations(Table& proft) {
    std::unordered_set<std::string> abbreviations;
    proft.First();
    if (proft.Eof()) return abbreviations;
    const auto abrev = proft.Field("ABREV");
    for (; !proft.Eof(); proft.Next()) abbreviations.insert(proft.Text(abrev));
    return abbreviations;
}

// The SOLUC fields of a teacher's lesson, found once at the first such
// record: the table holds every lesson of the school.
struct LessonColumns {
    explicit LessonColumns(const Table& soluc)
        : dia(soluc.Field("DIA")), hora(soluc.Field("HORA")), asig(soluc.Field("ASIG")),
          codGrupo(soluc.Field("CODGRUPO")), tarea(soluc.Field("TAREA")), aula(soluc.Field("AULA")) {}
    Table::FieldRef dia, hora, asig, codGrupo, tarea, aula;
};

// The lessons of every teacher in one pass over SOLUC: the records whose PROF
// equals the abbreviation exactly, in table order, leaving out those whose DIA
// is 0. Records of no teacher are not read further.
std::unordered_map<std::string, std::vector<Lesson>> LessonsByTeacher(Table& soluc, Table& proft) {
    const auto abbreviations = TeacherAbbreviations(proft);
    std::unordered_map<std::string, std::vector<Lesson>> lessons;
    soluc.First();
    if (soluc.Eof()) return lessons;
    const auto prof = soluc.Field("PROF");
    std::optional<LessonColumns> field;  // a table of no teacher's lessons reads PROF only
    for (; !soluc.Eof(); soluc.Next()) {
        std::string teacher = soluc.Text(prof);
        if (!abbreviations.contains(teacher)) continue;
        if (!field) field.emplace(soluc);
        if (soluc.Integer(field->dia) == 0) continue;
        lessons[std::move(teacher)].push_back(Lesson{soluc.Text(field->dia), soluc.Integer(field->hora),
                                                     soluc.Text(field->asig), soluc.Text(field->codGrupo),
                                                     soluc.Text(field->tarea), soluc.Text(field->aula)});
    }
    return lessons;
}

class TimetableWriter {
public:
    TimetableWriter(ExchangeDocument& document, const TimetableTables& tables, const PeriodDates& period)
        : document_(document),
          period_(period),
          assignments_(AssignmentsBySubjectAndGroup(tables.asigt)),
          activities_(ActivitiesBySubject(tables.asignomt)),
          slots_(SlotsByDayAndHour(tables.diashorast)),
          groups_(GroupKeysByCode(tables.grupost)),
          lessons_(LessonsByTeacher(tables.soluc, tables.proft)) {}

    void WriteTeachers(Node section, Table& proft) {
        proft.First();
        if (proft.Eof()) return;
        const auto employeeField = proft.Field("X_EMPLEADO"), takingOfficeField = proft.Field("F_TOMAPOS");
        const auto abrev = proft.Field("ABREV");
        long long teacherOrdinal = 1;
        for (; !proft.Eof(); proft.Next()) {
            const std::string employee = proft.Text(employeeField);
            const std::string takingOffice = proft.Text(takingOfficeField);
            const Node teacher = document_.CreateElement(xml::kGrupoDatos);
            ExchangeDocument::SetAttribute(teacher, xml::kSeq,
                                           xml::kTeacherGroupPrefix + std::to_string(teacherOrdinal++));
            const std::vector<Lesson>& lessons = LessonsOf(proft.Text(abrev));
            ExchangeDocument::SetAttribute(teacher, xml::kRegistros, std::to_string(lessons.size()));
            document_.AppendChild(section, teacher);
            AppendValue(teacher, xml::kXEmpleado, employee);
            AppendValue(teacher, xml::kFTomapos, takingOffice);
            long long lessonOrdinal = 1;
            for (const Lesson& lesson : lessons) WriteLesson(teacher, lesson, lessonOrdinal++);
        }
    }

private:
    const std::vector<Lesson>& LessonsOf(const std::string& abbreviation) const {
        static const std::vector<Lesson> none;
        const auto found = lessons_.find(abbreviation);
        return found == lessons_.end() ? none : found->second;
    }

    void WriteLesson(Node teacher, const Lesson& lesson, long long ordinal) {
        const Node group = document_.CreateElement(xml::kGrupoDatos);
        ExchangeDocument::SetAttribute(group, xml::kSeq, xml::kLessonGroupPrefix + std::to_string(ordinal));
        document_.AppendChild(teacher, group);

        static const AssignmentKeys noAssignment;
        const AssignmentKeys& keys = Find(assignments_, PairKey(lesson.subject, lesson.group), noAssignment);
        std::string activity = lesson.task;
        if (AllTrim(lesson.task).empty()) activity = Find(activities_, lesson.subject, lesson.task);
        static const Slot noSlot;
        const Slot& slot = Find(slots_, lesson.day + std::to_string(lesson.hour), noSlot);
        static const std::string empty;

        AppendValue(group, xml::kNDiasemana, slot.day);
        AppendValue(group, xml::kXTramo, slot.code);
        AppendValue(group, xml::kXDependencia, AllTrim(lesson.room).empty() ? empty : lesson.room);
        AppendValue(group, xml::kXUnidad, Find(groups_, lesson.group, empty));
        AppendValue(group, xml::kXOfertamatrig, keys.courseKey);
        AppendValue(group, xml::kXMateriaomg, keys.subjectKey);
        AppendValue(group, xml::kFInicio, period_.start);
        AppendValue(group, xml::kFFin, period_.end);
        AppendValue(group, xml::kNHorini, std::to_string(MinutesAfterMidnight(slot.from)));
        AppendValue(group, xml::kNHorfin, std::to_string(MinutesAfterMidnight(slot.to)));
        AppendValue(group, xml::kXActividad, AllTrim(activity).empty() ? std::string("1") : activity);
    }

    template <typename Value>
    static const Value& Find(const FirstMatch<Value>& map, const std::string& key, const Value& otherwise) {
        const auto found = map.find(key);
        return found == map.end() ? otherwise : found->second;
    }

    // A dato with its name and its text (no content when the text is empty).
    void AppendValue(Node parent, const char* name, const std::string& value) {
        const Node dato = document_.CreateElement(xml::kDato);
        ExchangeDocument::SetAttribute(dato, xml::kNombreDato, name);
        if (!value.empty()) ExchangeDocument::SetText(dato, value);
        document_.AppendChild(parent, dato);
    }

    ExchangeDocument& document_;
    const PeriodDates& period_;
    const FirstMatch<AssignmentKeys> assignments_;
    const FirstMatch<std::string> activities_;
    const FirstMatch<Slot> slots_;
    const FirstMatch<std::string> groups_;
    const std::unordered_map<std::string, std::vector<Lesson>> lessons_;
};

}  // namespace

void WriteTeacherTimetables(ExchangeDocument& document, Node section, const TimetableTables& tables,
                            const PeriodDates& period) {
    TimetableWriter writer(document, tables, period);
    writer.WriteTeachers(section, tables.proft);
}

}  // namespace vindeleo
