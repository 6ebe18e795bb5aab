// Activities: the duties of ACTIVIDADES appended to ASIGNOMT as task records,
// with the codes the document gives them.

#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/TextHelpers.h"

namespace vindeleo {

void ImportActivities(ImportContext& context) {
    Table subjects(context.TablesDirectory, layouts::Asignomt(), context.Moment);
    subjects.Open();
    const auto cod = subjects.Field("COD");
    const auto codLargo = subjects.Field("CODLARGO");
    const auto nombre = subjects.Field("NOMBRE");
    const auto codTarea = subjects.Field("CODTAREA");
    const auto esTarea = subjects.Field("ESTAREA");
    ImportReport* const report = context.Report;
    std::size_t rowNumber = 0;
    for (const Row& row : context.Document.Rows(xml::kActividades)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kActividades, rowNumber, row, {1, 2})) continue;
        const std::string name = row.Trimmed(2);
        const std::string code = row.Trimmed(1);
        // The document's code, which COD may cut.
        if (report) report->CodeGiven(CodeKind::Activity, name, code, code);
        subjects.Append();
        subjects.SetText(cod, code);
        subjects.SetText(codLargo, Left(name, 8));
        subjects.SetText(nombre, name);
        subjects.SetText(codTarea, code);
        subjects.SetLogical(esTarea, true);
        subjects.Post();
    }
    subjects.Close();
    // The subject codes are not needed after the subjects table is complete.
    context.UsedCodes.Clear();
    context.SeenNames.Clear();
}

}  // namespace vindeleo
