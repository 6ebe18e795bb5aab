// Courses and groups: CURSOS_DEL_CENTRO into CURSOST, with the level catalogue
// NIVELEX.DBF beside the program, and UNIDADES into GRUPOST, each group taking
// its level, course and study from its course record and a code of its own.

#include <string>
#include <unordered_map>

#include "app/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
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

void WriteCourses(const ExchangeDocument& document, Table& courses,
                  const std::unordered_map<int, CatalogueEntry>& catalogue) {
    for (const Row& row : document.Rows(xml::kCursosDelCentro)) {
        if (row.ValueCount() < 2) continue;
        const std::string key = row.Trimmed(0);
        const int keyValue = StrToInt(key);
        const std::string name = row.Trimmed(1);

        std::string level = kDefaultLevel;
        std::string study = name;
        if (const auto found = catalogue.find(keyValue); found != catalogue.end()) {
            level = found->second.level;
            study = found->second.study;
        }

        courses.Append();
        courses.SetText("CLAVE", key);
        courses.SetText("NIVEL", level.empty() ? kDefaultLevel : level);
        courses.SetText("CURSO", Left(name, 1));
        courses.SetText("ESTUD", study);
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
    std::unordered_map<std::string, CourseFields> byKey;
    for (courses.First(); !courses.Eof(); courses.Next())
        byKey.try_emplace(courses.Text("CLAVE"),
                          CourseFields{courses.Text("NIVEL"), courses.Text("CURSO"), courses.Text("ESTUD")});
    return byKey;
}

// With no study of its own, a group is described by " NIVEL CURSO GRUPO".
std::string GroupDescription(const CourseFields& course, const std::string& groupLetter) {
    if (!course.study.empty()) return course.study;
    return " " + course.level + " " + course.course + " " + groupLetter;
}

void WriteGroups(const ExchangeDocument& document, Table& groups,
                 const std::unordered_map<std::string, CourseFields>& courses) {
    // Codes given to groups in this step, as stored; letter case ignored.
    CodeList groupCodes(CaseRule::Insensitive);
    for (const Row& row : document.Rows(xml::kUnidades)) {
        if (row.ValueCount() < 2) continue;
        const std::string key = row.Trimmed(0);
        const std::string name = row.Trimmed(1);
        const std::string courseKey = row.Trimmed(2);  // empty when the row has two values

        CourseFields course;
        if (const auto found = courses.find(courseKey); found != courses.end()) course = found->second;
        const std::string groupLetter = Right(name, 1);
        // A fitted code is tested again, so every group keeps a code of its own.
        const std::string code = groupCodes.GiveOut(name, Fitting::Always);

        groups.Append();
        groups.SetText("ABREV", code);
        groups.SetText("TURNO", "");
        groups.SetText("NIVEL", course.level);
        groups.SetText("CURSO", course.course);
        groups.SetText("GRUPO", groupLetter);
        groups.SetText("CLAVE", key);
        groups.SetText("CLAVECURSO", courseKey);
        groups.SetText("DESCRIP", GroupDescription(course, groupLetter));
        groups.Post();
    }
}

}  // namespace

void ImportCoursesAndGroups(ImportContext& context) {
    const auto& dir = context.TablesDirectory;
    Table::DeleteFiles(dir, tables::kGrupost);
    Table::DeleteFiles(dir, tables::kCursost);

    Table courses(dir, tables::kCursost);
    courses.Create(layouts::Cursost());
    Table groups(dir, tables::kGrupost);
    groups.Create(layouts::Grupost());

    courses.Open();
    {
        Table catalogue(context.ProgramDirectory, tables::kNivelex);
        catalogue.Open(false);
        const auto entries = ReadCatalogue(catalogue);
        WriteCourses(context.Document, courses, entries);
        catalogue.Close();
    }

    groups.Open();
    WriteGroups(context.Document, groups, ReadCourses(courses));
    groups.Close();
    courses.Close();
}

}  // namespace vindeleo
