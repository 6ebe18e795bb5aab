// Courses and groups: CURSOS_DEL_CENTRO into CURSOST, with the level catalogue
// NIVELEX.DBF beside the program, and UNIDADES into GRUPOST, each group taking
// its level, course and study from its course record and a code of its own.

#include <string>
#include <unordered_map>

#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/CodeList.h"
#include "text/Error.h"
#include "text/TextHelpers.h"

namespace vindeleo {

namespace {

// Used for a course that the catalogue lacks, or whose level there is empty.
constexpr const char* kDefaultLevel = "Niv";

struct CatalogueEntry {
    std::string level;
    std::string study;
};

// The catalogue's records by X_OFERTAMATRIG; the first record of a key wins,
// as a search from the first record would find it. Read once, so that each
// course costs one lookup. A course's key is an integer, so a record whose
// key is not exactly one (blank, not a number, with a fraction, beyond 32
// bits) matches no course and is passed over.
std::unordered_map<int, CatalogueEntry> ReadCatalogue(Table& catalogue) {
    const auto key = catalogue.Field("X_OFERTAMATRIG");
    const auto level = catalogue.Field("NIVEL_ABREV");
    const auto study = catalogue.Field("ESTUDIO");
    std::unordered_map<int, CatalogueEntry> entries;
    for (catalogue.First(); !catalogue.Eof(); catalogue.Next()) {
        const auto keyValue = catalogue.ExactInteger(key);
        if (!keyValue || entries.contains(*keyValue)) continue;
        entries.emplace(*keyValue, CatalogueEntry{catalogue.Text(level), catalogue.Text(study)});
    }
    return entries;
}

// The CURSOST fields that the step writes and reads back, found once.
struct CourseColumns {
    explicit CourseColumns(const Table& courses)
        : clave(courses.Field("CLAVE")), nivel(courses.Field("NIVEL")), curso(courses.Field("CURSO")),
          estud(courses.Field("ESTUD")) {}
    Table::FieldRef clave, nivel, curso, estud;
};

void WriteCourses(const ExchangeDocument& document, Table& courses,
                  const std::unordered_map<int, CatalogueEntry>& catalogue, ImportReport* report) {
    const CourseColumns field(courses);
    std::size_t rowNumber = 0;
    for (const Row& row : document.Rows(xml::kCursosDelCentro)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kCursosDelCentro, rowNumber, row, {0, 1})) continue;
        const std::string key = row.Trimmed(0);
        const int keyValue = StrToInt(key);
        const std::string name = row.Trimmed(1);

        std::string level = kDefaultLevel;
        std::string study = name;
        if (const auto found = catalogue.find(keyValue); found != catalogue.end()) {
            level = found->second.level;
            study = found->second.study;
            if (report && level.empty()) report->CourseWithoutLevel(key, name, true);
        } else if (report) {
            report->CourseWithoutLevel(key, name, false);
        }

        courses.Append();
        courses.SetText(field.clave, key);
        courses.SetText(field.nivel, level.empty() ? kDefaultLevel : level);
        courses.SetText(field.curso, Left(name, 1));
        courses.SetText(field.estud, study);
        courses.Post();
    }
}

struct CourseFields {
    std::string level;
    std::string course;
    std::string study;
};

// The course records by CLAVE as the table gives them back (cut to the
// field's width), the first record of a key winning as a scan from the first
// record would find it.
std::unordered_map<std::string, CourseFields> ReadCourses(Table& courses) {
    const CourseColumns field(courses);
    std::unordered_map<std::string, CourseFields> byKey;
    for (courses.First(); !courses.Eof(); courses.Next())
        byKey.try_emplace(courses.Text(field.clave), CourseFields{courses.Text(field.nivel), courses.Text(field.curso),
                                                                  courses.Text(field.estud)});
    return byKey;
}

// With no study of its own, a group is described by " NIVEL CURSO GRUPO".
std::string GroupDescription(const CourseFields& course, const std::string& groupLetter) {
    if (!course.study.empty()) return course.study;
    return " " + course.level + " " + course.course + " " + groupLetter;
}

// The GRUPOST fields, found once.
struct GroupColumns {
    explicit GroupColumns(const Table& groups)
        : abrev(groups.Field("ABREV")), turno(groups.Field("TURNO")), nivel(groups.Field("NIVEL")),
          curso(groups.Field("CURSO")), grupo(groups.Field("GRUPO")), clave(groups.Field("CLAVE")),
          claveCurso(groups.Field("CLAVECURSO")), descrip(groups.Field("DESCRIP")) {}
    Table::FieldRef abrev, turno, nivel, curso, grupo, clave, claveCurso, descrip;
};

void WriteGroups(const ExchangeDocument& document, Table& groups,
                 const std::unordered_map<std::string, CourseFields>& courses, ImportReport* report) {
    const GroupColumns field(groups);
    // Codes given to groups in this step, as stored; letter case ignored.
    CodeList groupCodes(CaseRule::Insensitive);
    std::size_t rowNumber = 0;
    for (const Row& row : document.Rows(xml::kUnidades)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kUnidades, rowNumber, row, {0, 1, 2})) continue;
        const std::string key = row.Trimmed(0);
        const std::string name = row.Trimmed(1);
        const std::string courseKey = row.Trimmed(2);  // empty when the row has two values

        CourseFields course;
        if (const auto found = courses.find(courseKey); found != courses.end()) course = found->second;
        const std::string groupLetter = Right(name, 1);
        // A fitted code is tested again, so every group keeps a code of its own.
        const std::string code = groupCodes.GiveOut(name, Fitting::Always);
        if (report) report->CodeGiven(CodeKind::Group, name, name, code);

        groups.Append();
        groups.SetText(field.abrev, code);
        groups.SetText(field.turno, "");
        groups.SetText(field.nivel, course.level);
        groups.SetText(field.curso, course.course);
        groups.SetText(field.grupo, groupLetter);
        groups.SetText(field.clave, key);
        groups.SetText(field.claveCurso, courseKey);
        groups.SetText(field.descrip, GroupDescription(course, groupLetter));
        groups.Post();
    }
}

}  // namespace

void ImportCoursesAndGroups(ImportContext& context) {
    Table courses(context.TablesDirectory, layouts::Cursost(), context.Moment);
    Table groups(context.TablesDirectory, layouts::Grupost(), context.Moment);
    groups.DeleteFiles();
    courses.DeleteFiles();
    courses.Create();
    groups.Create();

    courses.Open();
    {
        Table catalogue(context.ProgramDirectory, layouts::Nivelex());
        catalogue.Open(false);
        const auto entries = ReadCatalogue(catalogue);
        WriteCourses(context.Document, courses, entries, context.Report);
        catalogue.Close();
    }

    groups.Open();
    WriteGroups(context.Document, groups, ReadCourses(courses), context.Report);
    groups.Close();
    courses.Close();
}

}  // namespace vindeleo
