// Teachers: one PROFT record per EMPLEADOS row, with a display name and an
// abbreviation of the initials of the three name parts.

#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/CodeList.h"
#include "text/TextHelpers.h"

namespace vindeleo {
namespace {

// The first characters of the name parts as the document writes them, so a
// part that starts with a blank gives a blank.
std::string InitialsOf(const Row& row) {
    std::string initials;
    for (std::size_t position : {3, 4, 5}) initials += Left(row.Value(position), 1);
    return initials;
}

std::string DisplayNameOf(const Row& row) {
    return row.Trimmed(3) + " " + row.Trimmed(4) + ", " + row.Trimmed(5);
}

}  // namespace

void ImportTeachers(ImportContext& context) {
    Table teachers(context.TablesDirectory, layouts::Proft(), context.Moment);
    teachers.DeleteFiles();
    CodeList teacherCodes(CaseRule::Insensitive);
    teachers.Create();
    teachers.Open();
    const auto abrev = teachers.Field("ABREV");
    const auto nombre = teachers.Field("NOMBRE");
    const auto depart = teachers.Field("DEPART");
    const auto employee = teachers.Field("X_EMPLEADO");
    const auto takingOffice = teachers.Field("F_TOMAPOS");
    ImportReport* const report = context.Report;
    std::size_t rowNumber = 0;
    for (const Row& row : context.Document.Rows(xml::kEmpleados)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kEmpleados, rowNumber, row, {0, 1, 2, 3, 4, 5})) continue;
        const std::string initials = InitialsOf(row);
        const std::string abbreviation = teacherCodes.GiveOut(initials, Fitting::AfterSuffix);
        if (report) report->CodeGiven(CodeKind::Teacher, DisplayNameOf(row), initials, abbreviation);
        teachers.Append();
        teachers.SetText(abrev, abbreviation);
        teachers.SetText(nombre, DisplayNameOf(row));
        teachers.SetText(depart, row.Trimmed(2));
        teachers.SetText(employee, row.Trimmed(0));
        teachers.SetText(takingOffice, row.Trimmed(1));
        teachers.Post();
    }
    teachers.Close();
}

}  // namespace vindeleo
