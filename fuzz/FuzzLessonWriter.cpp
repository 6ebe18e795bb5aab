// The export's lesson writer on arbitrary table contents. The input is a list
// of records, one a line ('\n'); the first byte of a line picks one of the six
// tables that the writer reads, and the rest, split at tabs, gives the values
// of its fields in order. The first byte of the whole input picks, table by
// table, the layout the timetable program writes or one where every field is
// text (as a table written by another program may be), so that texts that are
// no numbers reach the readers of numeric fields. The tables are laid out as
// the project's table layer writes them, the teacher timetables written into a
// fresh result document, which is saved and must read back as well-formed XML.

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include "FuzzSupport.h"
#include "document/ExchangeDocument.h"
#include "export/TeacherTimetables.h"
#include "platform/Files.h"
#include "tables/DbfFormat.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/Error.h"

using namespace vindeleo;
namespace fs = std::filesystem;

namespace {

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
    parts.reserve(std::count(text.begin(), text.end(), separator) + 1);
    for (;;) {
        const auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

// One of the tables that the writer reads, in one of its two layouts, as the
// table layer writes it: the header of the empty table (Table::Create), its
// fields, and the blank record that Table::Append starts from. They depend on
// the layout alone, never on the input, so each is made once through the
// table layer; an input's table is then laid out from them with the same
// writers of field values that Table::SetText uses, at a fraction of the cost
// of opening and closing the table for each input (the lookups of the folder,
// the header read back, the file written through a temporary one). None of
// the six has an index, so its one file is the whole table. The writer
// itself reads the tables through Table::Open, as the export does.
struct TableKind {
    TableLayout layout;
    std::string fileName;
    std::string header;
    dbf::Header parsed;  // the header read: its fields, family and lengths
    std::string blankRecord;
};

std::string TableBytes(const fs::path& file) {
    const auto bytes = fuzz::ReadBytes(file);
    if (!bytes) fuzz::Broken("a table made once cannot be read:", file.string());
    return *bytes;
}

TableKind MakeKind(const TableLayout& layout, const std::string& folder) {
    static fuzz::Scratch scratch;
    const fs::path dir = scratch / folder;
    fuzz::Scratch::Empty(dir);
    Table table(dir, layout);
    table.Create();
    std::error_code error;
    const auto created = platform::ListDirectory(dir, error);
    if (error || created.size() != 1) fuzz::Broken("a created table is not one file:", dir.string());
    const fs::path file = created.front().path();

    TableKind kind{layout, file.filename().string(), TableBytes(file), {}, {}};
    kind.parsed = dbf::ParseHeader(kind.header, file.string());
    kind.header.resize(kind.parsed.headerLength);

    table.Open(/*exclusive=*/true);
    table.Append();
    table.Post();
    table.Close();
    kind.blankRecord = TableBytes(file).substr(kind.parsed.headerLength, kind.parsed.recordLength);
    return kind;
}

// In the order of TimetableTables, each as the timetable program writes it,
// then all text.
const std::vector<TableKind>& TableKinds() {
    static const std::vector<TableKind> kinds = [] {
        std::vector<TableKind> made;
        for (const TableLayout* layout : {&layouts::Proft(), &layouts::Soluc(), &layouts::Asigt(), &layouts::Asignomt(),
                                          &layouts::Diashorast(), &layouts::Grupost()}) {
            for (const TableLayout& used : {*layout, AllText(*layout)})
                made.push_back(MakeKind(used, "kind-" + std::to_string(made.size())));
        }
        return made;
    }();
    return kinds;
}

constexpr std::size_t kTables = 6;

// The date of last update that every input's tables carry: the writer never
// reads it, and a fixed one keeps an input's tables the same from run to run.
std::tm LastUpdate() {
    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 11;
    date.tm_mday = 11;
    return date;
}

// The table with the rows, each record the blank one with the values written
// into its fields in order; a value that the field refuses (not a number, too
// long for a number field) leaves it blank, as Table::SetText does.
void WriteTable(const fs::path& dir, const TableKind& kind, const std::vector<std::vector<std::string_view>>& rows) {
    const auto& fields = kind.parsed.fields;
    std::string bytes = kind.header;
    dbf::StampHeader(bytes, static_cast<std::uint32_t>(rows.size()), LastUpdate());
    bytes.reserve(bytes.size() + rows.size() * kind.blankRecord.size() + 1);
    for (const auto& values : rows) {
        const std::size_t at = bytes.size();
        bytes += kind.blankRecord;
        for (std::size_t i = 0; i < values.size() && i < fields.size(); ++i) {
            try {
                dbf::WriteText(fields[i], kind.parsed.family, &bytes[at], values[i]);
            } catch (const Error&) {
                // Not a number or a logical: the field stays blank.
            }
        }
    }
    bytes += static_cast<char>(dbf::kEndOfFile);
    fuzz::WriteBytes(dir / kind.fileName, bytes.data(), bytes.size());
}

// Nothing when bytes are a well-formed XML document as a reader of the
// result takes it, else libxml2's complaint. Parsed without building a tree:
// whether the result reads is the question, and building and freeing its tree
// took a fifth of each input's time.
std::optional<std::string> NotWellFormed(const std::string& bytes) {
    xmlSAXHandler noTree{};
    noTree.initialized = XML_SAX2_MAGIC;
    xmlResetLastError();
    if (xmlSAXUserParseMemory(&noTree, nullptr, bytes.data(), static_cast<int>(bytes.size())) == 0) return std::nullopt;
    const xmlError* error = xmlGetLastError();
    return error != nullptr && error->message != nullptr ? std::string(error->message) : std::string("?");
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
    const auto saved = fuzz::ReadBytes(result);
    if (!saved) fuzz::Broken("the result document was not written");
    if (const auto complaint = NotWellFormed(*saved)) fuzz::Broken("the result document does not read back:", *complaint);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Scratch scratch;
    const fuzz::InputFolder folder(scratch / "MTEMP");
    const fs::path& dir = folder.Path();
    if (size == 0) return 0;

    const auto& kinds = TableKinds();
    const unsigned char layoutBits = data[0];
    std::vector<const TableKind*> used;
    for (std::size_t i = 0; i < kTables; ++i) used.push_back(&kinds[2 * i + ((layoutBits >> i) & 1)]);

    std::vector<std::vector<std::vector<std::string_view>>> rows(kTables);
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (const auto line : Split(input, '\n')) {
        if (line.empty()) continue;
        const auto table = static_cast<unsigned char>(line[0]) % kTables;
        rows[table].push_back(Split(line.substr(1), '\t'));
    }

    std::vector<const TableLayout*> layouts;
    try {
        for (std::size_t i = 0; i < kTables; ++i) {
            WriteTable(dir, *used[i], rows[i]);
            layouts.push_back(&used[i]->layout);
        }
        WriteAndSave(dir, layouts);
    } catch (const Error& error) {
        fuzz::Broken("the library refused tables it wrote itself:", error.what());
    }
    fuzz::CheckNothingOpen();
    return 0;
}
