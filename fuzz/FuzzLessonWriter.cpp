// The export's lesson writer on arbitrary table contents. The input is a list
// of records, one a line ('\n'); the first byte of a line picks one of the six
// tables that the writer reads, and the rest, split at tabs, gives the values
// of its fields in order. The first byte of the whole input picks, table by
// table, the layout the timetable program writes or one where every field is
// text (as a table written by another program may be), so that texts that are
// no numbers reach the readers of numeric fields. The tables are written with
// the project's table layer, the teacher timetables written into a fresh
// result document, which is saved and must load again.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "document/ExchangeDocument.h"
#include "export/TeacherTimetables.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/Error.h"

using namespace vindeleo;
namespace fs = std::filesystem;

namespace {

// In the order of TimetableTables.
std::vector<const TableLayout*> Layouts() {
    return {&layouts::Proft(), &layouts::Soluc(), &layouts::Asigt(), &layouts::Asignomt(), &layouts::Diashorast(),
            &layouts::Grupost()};
}

// The same fields, every one of them text.
TableLayout AllText(const TableLayout& layout) {
    TableLayout text = layout;
    for (auto& field : text.fields) {
        if (field.type != FieldType::Character) field = {field.name, FieldType::Character, 20};
    }
    return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

void WriteTable(const fs::path& dir, const TableLayout& layout, const std::vector<std::vector<std::string_view>>& rows) {
    Table table(dir, layout);
    table.Create();
    table.Open(/*exclusive=*/true);
    for (const auto& values : rows) {
        table.Append();
        for (std::size_t i = 0; i < values.size() && i < layout.fields.size(); ++i) {
            try {
                table.SetText(layout.fields[i].name, values[i]);
            } catch (const Error&) {
                // Not a number or a logical: the field stays blank.
            }
        }
        table.Post();
    }
    table.Close();
}

Node AppendElement(ExchangeDocument& document, Node parent, const char* name) {
    const Node element = document.CreateElement(name);
    document.AppendChild(parent, element);
    return element;
}

void WriteAndSave(const fs::path& dir, const std::vector<const TableLayout*>& layouts) {
    std::vector<std::unique_ptr<Table>> open;
    for (const auto* layout : layouts) {
        open.push_back(std::make_unique<Table>(dir, *layout));
        open.back()->Open(/*exclusive=*/true);
    }
    const TimetableTables tables{*open[0], *open[1], *open[2], *open[3], *open[4], *open[5]};

    ExchangeDocument document;
    const Node root = AppendElement(document, document.DocumentNode(), "SERVICIO");
    const Node block = AppendElement(document, root, "BLOQUE_DATOS");
    const Node section = AppendElement(document, block, "grupo_datos");
    ExchangeDocument::SetAttribute(section, "seq", "HORARIOS_REGULARES");
    const PeriodDates period{"01/09/2026", "30/06/2027"};
    try {
        WriteTeacherTimetables(document, section, tables, period);
    } catch (const Error&) {
        // A clock time that is no number: the export stops with its message.
        return;
    }
    for (auto& table : open) table->Close();

    const fs::path result = dir / "ResultadoTuvanealumnos.xml";
    document.Save(result);
    ExchangeDocument again;
    const LoadResult loaded = again.Load(result);
    if (loaded.status != LoadStatus::Loaded) fuzz::Broken("the result document does not load:", loaded.detail);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Scratch scratch;
    const fs::path dir = scratch / "MTEMP";
    fuzz::Scratch::Empty(dir);
    if (size == 0) return 0;

    const auto chosenLayouts = Layouts();
    const unsigned char layoutBits = data[0];
    std::vector<TableLayout> used;
    for (std::size_t i = 0; i < chosenLayouts.size(); ++i)
        used.push_back((layoutBits >> i) & 1 ? AllText(*chosenLayouts[i]) : *chosenLayouts[i]);

    std::vector<std::vector<std::vector<std::string_view>>> rows(used.size());
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (const auto line : Split(input, '\n')) {
        if (line.empty()) continue;
        const auto table = static_cast<unsigned char>(line[0]) % used.size();
        rows[table].push_back(Split(line.substr(1), '\t'));
    }

    std::vector<const TableLayout*> layouts;
    try {
        for (std::size_t i = 0; i < used.size(); ++i) {
            WriteTable(dir, used[i], rows[i]);
            layouts.push_back(&used[i]);
        }
        WriteAndSave(dir, layouts);
    } catch (const Error& error) {
        fuzz::Broken("the library refused tables it wrote itself:", error.what());
    }
    fuzz::CheckNothingOpen();
    return 0;
}
