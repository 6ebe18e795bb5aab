// Teachers: one PROFT record per EMPLEADOS row, with a display name and an
// abbreviation of the initials of the three name parts.

#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
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
    const auto& dir = context.TablesDirectory;
    Table::DeleteFiles(dir, tables::kProft);
    CodeList teacherCodes(CaseRule::Insensitive);
    Table teachers(dir, tables::kProft);
    teachers.Create(layouts::Proft());
    teachers.Open();
    for (const Row& row : context.Document.Rows(xml::kEmpleados)) {
        if (row.ValueCount() < 2) continue;
        const std::string abbreviation = teacherCodes.GiveOut(InitialsOf(row), Fitting::AfterSuffix);
        teachers.Append();
        teachers.SetText("ABREV", abbreviation);
        teachers.SetText("NOMBRE", DisplayNameOf(row));
        teachers.SetText("DEPART", row.Trimmed(2));
        teachers.SetText("X_EMPLEADO", row.Trimmed(0));
        teachers.SetText("F_TOMAPOS", row.Trimmed(1));
        teachers.Post();
    }
    teachers.Close();
}

}  // namespace vindeleo
