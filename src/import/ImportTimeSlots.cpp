// Time slots and periods: the chosen school-day template's slots, repeated for
// the seven days, into DIASHORAST2 (numbered by their row), renumbered by start
// time into DIASHORAST, and the template's dates into PERIODOS.

#include <cstdint>
#include <string>
#include <vector>

#include "session/ModuleState.h"
#include "session/RunUi.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
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
    TemplateChooser chooser(context.State.DocumentFile);
    return context.Ui.ChooseTemplate(chooser);
}

// Tells the report the template taken among every template of the document.
void ReportTemplate(const ExchangeDocument& document, const std::string& templateCode, ImportReport& report) {
    std::vector<TemplateRow> templates;
    for (const Row& row : document.Rows(xml::kJornadasEscolares)) templates.push_back({row.Trimmed(0), row.Trimmed(1)});
    report.TemplateTaken(templateCode, std::move(templates));
}

// The fields that DIASHORAST and DIASHORAST2 share and the step writes, found
// once in one of them.
struct SlotColumns {
    explicit SlotColumns(const Table& table)
        : diho(table.Field("DIHO")), coddiho(table.Field("CODDIHO")), dia(table.Field("DIA")),
          hora(table.Field("HORA")), textohor(table.Field("TEXTOHOR")), horadesde(table.Field("HORADESDE")),
          horahasta(table.Field("HORAHASTA")), minutos(table.Field("MINUTOS")) {}
    Table::FieldRef diho, coddiho, dia, hora, textohor, horadesde, horahasta, minutos;
};

// Every slot of the template, once per day, numbered by its row among the
// slot rows: rows of other templates leave gaps in the numbers.
void WriteSlotsByRow(const ExchangeDocument& document, const std::string& templateCode, Table& slots,
                     ImportReport* report) {
    const SlotColumns field(slots);
    const auto orden = slots.Field("ORDEN");
    int rowNumber = 1;
    std::size_t documentRow = 0;  // among every row of the section, for the report
    for (const Row& row : document.Rows(xml::kTramosHorarios)) {
        ++documentRow;
        if (!TakesRow(report, xml::kTramosHorarios, documentRow, row, {0, 1, 2, 3, 4})) continue;
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
                slots.SetText(field.diho, dayText + hour);
                slots.SetText(field.dia, dayText);
                slots.SetText(field.hora, hour);
                slots.SetText(field.textohor, label);
                slots.SetText(field.coddiho, code);
                slots.SetText(field.horadesde, ClockText(start));
                slots.SetText(field.horahasta, ClockText(end));
                slots.SetText(field.minutos, std::to_string(end - start));
                slots.SetInteger(orden, static_cast<std::int32_t>(start));
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
    const SlotColumns slot(slots);
    const auto orden = slots.Field("ORDEN");
    const SlotColumns cell(grid);
    slots.OrderBy("ORDEN");
    slots.First();
    if (slots.Eof()) return;
    std::int32_t lastStart = slots.Integer(orden);
    int hourNumber = 1;
    for (; !slots.Eof(); slots.Next()) {
        const std::int32_t start = slots.Integer(orden);
        if (start > lastStart) {
            ++hourNumber;
            lastStart = start;
        }
        const std::string hour = std::to_string(hourNumber);
        const std::string day = slots.Text(slot.dia);
        grid.Append();
        grid.SetText(cell.diho, day + hour);
        grid.SetText(cell.dia, day);
        grid.SetText(cell.hora, hour);
        grid.SetText(cell.textohor, slots.Text(slot.textohor));
        grid.SetText(cell.coddiho, slots.Text(slot.coddiho));
        grid.SetText(cell.horadesde, slots.Text(slot.horadesde));
        grid.SetText(cell.horahasta, slots.Text(slot.horahasta));
        grid.SetText(cell.minutos, slots.Text(slot.minutos));
        grid.Post();
    }
}

// The template's periods, every row read (no test of its values).
void WritePeriods(const ExchangeDocument& document, const std::string& templateCode, Table& periods,
                  ImportReport* report) {
    const auto cjornada = periods.Field("CJORNADA");
    const auto jornada = periods.Field("JORNADA");
    const auto fecini = periods.Field("FECINI");
    const auto fecfin = periods.Field("FECFIN");
    std::size_t rowNumber = 0;
    for (const Row& row : document.Rows(xml::kJornadasEscolares)) {
        ++rowNumber;
        if (report) report->RowRead(xml::kJornadasEscolares, rowNumber, row, {0, 1, 2, 3});
        const std::string code = row.Trimmed(0);
        if (code != templateCode) continue;
        periods.Append();
        periods.SetText(cjornada, code);
        periods.SetText(jornada, row.Trimmed(1));
        periods.SetText(fecini, row.Trimmed(2));
        periods.SetText(fecfin, row.Trimmed(3));
        periods.Post();
    }
}

}  // namespace

void ImportTimeSlots(ImportContext& context) {
    const auto& dir = context.TablesDirectory;
    Table grid(dir, layouts::Diashorast(), context.Moment);
    Table slots(dir, layouts::Diashorast2(), context.Moment);
    grid.DeleteFiles();
    slots.DeleteFiles();

    grid.Create();
    slots.Create();
    // Not deleted first: creating it replaces an existing one.
    Table periods(dir, layouts::Periodos(), context.Moment);
    periods.Create();

    context.State.TemplateCode = ChooseTemplate(context);
    const std::string& templateCode = context.State.TemplateCode;
    if (context.Report) ReportTemplate(context.Document, templateCode, *context.Report);

    slots.Open();
    WriteSlotsByRow(context.Document, templateCode, slots, context.Report);
    grid.Open();
    WriteGridByStartTime(slots, grid);
    slots.Close();  // writes DIASHORAST2.MDX with it, in the order just read
    grid.Close();

    periods.Open();
    WritePeriods(context.Document, templateCode, periods, context.Report);
    periods.Close();
}

}  // namespace vindeleo
