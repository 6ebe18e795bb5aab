// Time slots and periods: the chosen school-day template's slots, repeated for
// the seven days, into DIASHORAST2 (numbered by their row), renumbered by start
// time into DIASHORAST, and the template's dates into PERIODOS.

#include <cstdint>
#include <string>
#include <vector>

#include "app/ModuleState.h"
#include "app/RunUi.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportSteps.h"
#include "import/Plantihoras.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/ClockText.h"
#include "text/Error.h"

namespace vindeleo {

namespace {

constexpr int kDaysPerWeek = 7;

// One template: its code when the document has at most one (empty without
// any); else the user's choice in the template chooser.
std::string ChooseTemplate(ImportContext& context) {
    const std::vector<Row> templates = context.Document.Rows(xml::kJornadasEscolares);
    if (templates.size() <= 1) return templates.empty() ? std::string() : templates.front().Trimmed(0);
    context.State.TemplateCode.clear();
    TemplateChooser chooser(context.State.XmlFileName);
    return context.Ui.ChooseTemplate(chooser);
}

// Every slot of the template, once per day, numbered by its row among the
// slot rows: rows of other templates leave gaps in the numbers.
void WriteSlotsByRow(const ExchangeDocument& document, const std::string& templateCode, Table& slots) {
    int rowNumber = 1;
    for (const Row& row : document.Rows(xml::kTramosHorarios)) {
        if (row.ValueCount() < 2) continue;
        const std::string code = row.Trimmed(0);
        const std::string label = row.Trimmed(1);
        const std::string startText = row.Trimmed(2);
        const std::string endText = row.Trimmed(3);
        if (row.Trimmed(4) == templateCode) {
            // Converted only here: a slot of another template is never read as a number.
            const std::int64_t start = StrToInt(startText);
            const std::int64_t end = StrToInt(endText);
            const std::string hour = std::to_string(rowNumber);
            for (int day = 1; day <= kDaysPerWeek; ++day) {
                const std::string dayText = std::to_string(day);
                slots.Append();
                slots.SetText("DIHO", dayText + hour);
                slots.SetText("DIA", dayText);
                slots.SetText("HORA", hour);
                slots.SetText("TEXTOHOR", label);
                slots.SetText("CODDIHO", code);
                slots.SetText("HORADESDE", ClockText(start));
                slots.SetText("HORAHASTA", ClockText(end));
                slots.SetText("MINUTOS", std::to_string(end - start));
                slots.SetInteger("ORDEN", static_cast<std::int32_t>(start));
                slots.Post();
            }
        }
        ++rowNumber;
    }
}

// The slots in the order of DIASHORAST2's index ORDEN (start time; slots that
// start together in the order written, day 1 to 7 of a row, rows in document
// order), hours numbered 1, 2, 3 ...: slots that start at the same minute
// share an hour.
void WriteGridByStartTime(Table& slots, Table& grid) {
    slots.OrderBy("ORDEN");
    slots.First();
    if (slots.Eof()) return;
    std::int32_t lastStart = slots.Integer("ORDEN");
    int hourNumber = 1;
    for (; !slots.Eof(); slots.Next()) {
        const std::int32_t start = slots.Integer("ORDEN");
        if (start > lastStart) {
            ++hourNumber;
            lastStart = start;
        }
        const std::string hour = std::to_string(hourNumber);
        const std::string day = slots.Text("DIA");
        grid.Append();
        grid.SetText("DIHO", day + hour);
        grid.SetText("DIA", day);
        grid.SetText("HORA", hour);
        grid.SetText("TEXTOHOR", slots.Text("TEXTOHOR"));
        grid.SetText("CODDIHO", slots.Text("CODDIHO"));
        grid.SetText("HORADESDE", slots.Text("HORADESDE"));
        grid.SetText("HORAHASTA", slots.Text("HORAHASTA"));
        grid.SetText("MINUTOS", slots.Text("MINUTOS"));
        grid.Post();
    }
}

// The template's periods, every row read (no test of its values).
void WritePeriods(const ExchangeDocument& document, const std::string& templateCode, Table& periods) {
    for (const Row& row : document.Rows(xml::kJornadasEscolares)) {
        const std::string code = row.Trimmed(0);
        if (code != templateCode) continue;
        periods.Append();
        periods.SetText("CJORNADA", code);
        periods.SetText("JORNADA", row.Trimmed(1));
        periods.SetText("FECINI", row.Trimmed(2));
        periods.SetText("FECFIN", row.Trimmed(3));
        periods.Post();
    }
}

}  // namespace

void ImportTimeSlots(ImportContext& context) {
    const auto& dir = context.TablesDirectory;
    Table::DeleteFiles(dir, tables::kDiashorast);
    Table::DeleteFiles(dir, tables::kDiashorast2);

    Table grid(dir, tables::kDiashorast);
    grid.Create(layouts::Diashorast());
    Table slots(dir, tables::kDiashorast2);
    slots.Create(layouts::Diashorast2());
    // Not deleted first: creating it replaces an existing one.
    Table periods(dir, tables::kPeriodos);
    periods.Create(layouts::Periodos());

    context.State.TemplateCode = ChooseTemplate(context);
    const std::string& templateCode = context.State.TemplateCode;

    slots.Open();
    WriteSlotsByRow(context.Document, templateCode, slots);
    grid.Open();
    WriteGridByStartTime(slots, grid);
    slots.Close();  // writes DIASHORAST2.MDX with it, in the order just read
    grid.Close();

    periods.Open();
    WritePeriods(context.Document, templateCode, periods);
    periods.Close();
}

}  // namespace vindeleo
