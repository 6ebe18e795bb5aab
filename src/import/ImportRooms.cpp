// Rooms: one AULAT record per DEPENDENCIAS row; the room's own code when it is
// free, else made unique with a number (never fitted to ten characters).

#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/CodeList.h"
#include "text/TextHelpers.h"

namespace vindeleo {

void ImportRooms(ImportContext& context) {
    Table rooms(context.TablesDirectory, layouts::Aulat());
    rooms.DeleteFiles();
    CodeList roomCodes(CaseRule::Insensitive);
    rooms.Create();
    rooms.Open();
    const auto abrev = rooms.Field("ABREV");
    const auto nombre = rooms.Field("NOMBRE");
    for (const Row& row : context.Document.Rows(xml::kDependencias)) {
        if (row.ValueCount() < 2) continue;
        const std::string name = row.Trimmed(1);
        std::string code = row.Trimmed(0);
        if (code.empty()) code = Left(name, 6);
        code = roomCodes.GiveOut(code, Fitting::Never);
        rooms.Append();
        rooms.SetText(abrev, code);
        rooms.SetText(nombre, name);
        rooms.Post();
    }
    rooms.Close();
}

}  // namespace vindeleo
