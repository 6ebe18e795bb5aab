// Rooms: one AULAT record per DEPENDENCIAS row; the room's own code when it is
// free, else made unique with a number (never fitted to ten characters).

#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/CodeList.h"
#include "text/TextHelpers.h"

namespace vindeleo {

void ImportRooms(ImportContext& context) {
    Table rooms(context.TablesDirectory, layouts::Aulat(), context.Moment);
    rooms.DeleteFiles();
    CodeList roomCodes(CaseRule::Insensitive);
    rooms.Create();
    rooms.Open();
    const auto abrev = rooms.Field("ABREV");
    const auto nombre = rooms.Field("NOMBRE");
    ImportReport* const report = context.Report;
    std::size_t rowNumber = 0;
    for (const Row& row : context.Document.Rows(xml::kDependencias)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kDependencias, rowNumber, row, {0, 1})) continue;
        const std::string name = row.Trimmed(1);
        const std::string key = row.Trimmed(0);
        std::string code = key.empty() ? Left(name, 6) : key;
        code = roomCodes.GiveOut(code, Fitting::Never);
        if (report) report->CodeGiven(CodeKind::Room, name, key, code);
        rooms.Append();
        rooms.SetText(abrev, code);
        rooms.SetText(nombre, name);
        rooms.Post();
    }
    rooms.Close();
}

}  // namespace vindeleo
