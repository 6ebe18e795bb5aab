#include "export/ExportRun.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "session/RunUi.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "export/TeacherTimetables.h"
#include "platform/FileNames.h"
#include "platform/PathText.h"
#include "platform/RegionalTime.h"
#include "tables/Layouts.h"
#include "tables/StagedTables.h"
#include "tables/Table.h"
#include "text/Messages.h"
#include "text/TextHelpers.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

// The tables of the timetable, opened for exclusive use in this order at the
// start of the run and closed in the same order at its end. CURSOST and AULAT
// are held, not read.
class TimetableTableSet {
public:
    explicit TimetableTableSet(const fs::path& dir)
        : tables_{Table(dir, layouts::Soluc()),      Table(dir, layouts::Grupost()), Table(dir, layouts::Cursost()),
                  Table(dir, layouts::Proft()),      Table(dir, layouts::Aulat()),   Table(dir, layouts::Asignomt()),
                  Table(dir, layouts::Diashorast()), Table(dir, layouts::Asigt())} {
        for (Table& table : tables_) table.Open(/*exclusive=*/true);
    }
    // An error that ends the run closes what is still open (the destructors).
    void CloseAll() {
        for (Table& table : tables_) table.Close();
    }
    TimetableTables ForTimetables() {
        return {At(kProft), At(kSoluc), At(kAsigt), At(kAsignomt), At(kDiashorast), At(kGrupost)};
    }
    Table& Proft() { return At(kProft); }

private:
    // Positions in the opening order.
    enum Position { kSoluc, kGrupost, kCursost, kProft, kAulat, kAsignomt, kDiashorast, kAsigt, kCount };
    Table& At(Position position) { return tables_[position]; }

    std::array<Table, kCount> tables_;
};

// The first five characters of the text of the data block's first child: the
// academic year. Empty when the block has no child.
std::string AcademicYear(const ExchangeDocument& document) {
    const Node block = document.SelectSingleNode(document.DocumentNode(), xml::kDataBlockPath);
    const Node first = ExchangeDocument::FirstChild(block);
    return first ? Left(ExchangeDocument::Text(first), 5) : std::string();
}

// FECINI and FECFIN of the first periods record; empty texts when it has none.
// Nothing when the periods table is missing.
std::optional<PeriodDates> ReadPeriodDates(const fs::path& workingDirectory) {
    // A periods table that cannot be looked at is not taken for a missing one:
    // its opening tells the failure.
    std::error_code unreadable;
    if (platform::FindFile(workingDirectory, std::string(tables::kPeriodos) + ".DBF", unreadable).empty() &&
        !unreadable)
        return std::nullopt;
    Table periods(workingDirectory, layouts::Periodos());
    periods.Open(/*exclusive=*/false);
    periods.First();
    PeriodDates dates;
    if (!periods.Eof()) dates = {periods.Text("FECINI"), periods.Text("FECFIN")};
    periods.Close();
    return dates;
}

Node AppendSection(ExchangeDocument& document, Node block, const char* seq) {
    const Node section = document.CreateElement(xml::kGrupoDatos);
    document.AppendChild(block, section);
    ExchangeDocument::SetAttribute(section, xml::kSeq, seq);
    return section;
}

// Takes the input's root element and everything in it out of the document and
// appends the new envelope with its header section, dated with the run's
// moment. Returns the data block.
Node ReplaceEnvelope(ExchangeDocument& document, const std::string& academicYear, RunMoment moment) {
    if (const Node oldRoot = document.DocumentElement()) ExchangeDocument::RemoveChild(document.DocumentNode(), oldRoot);
    const Node root = document.CreateElement(xml::kServicio);
    ExchangeDocument::SetAttribute(root, xml::kModulo, xml::kModuloValue);
    ExchangeDocument::SetAttribute(root, xml::kTipo, xml::kTipoValue);
    ExchangeDocument::SetAttribute(root, xml::kAutor, xml::kAutorValue);
    ExchangeDocument::SetAttribute(root, xml::kFecha, RegionalDateTime(moment.time));
    document.AppendChild(document.DocumentNode(), root);

    const Node block = document.CreateElement(xml::kBloqueDatos);
    document.AppendChild(root, block);
    const Node header = document.CreateElement(xml::kGrupoDatos);
    ExchangeDocument::SetAttribute(header, xml::kSeq, xml::kAnnoAcademico);
    const Node year = document.CreateElement(xml::kDato);
    ExchangeDocument::SetAttribute(year, xml::kNombreDato, xml::kCAnno);
    if (!academicYear.empty()) ExchangeDocument::SetText(year, academicYear);
    document.AppendChild(header, year);
    document.AppendChild(block, header);
    return block;
}

// The result file's path: an existing file of that name in another letter
// case is the same file on Windows, so it is replaced under its own spelling.
fs::path ResultFileToWrite(const fs::path& chosen) {
    return platform::ExistingSpelling(ResultFileName(chosen));
}

// Everything between the busy cursor's start and end. Returns the message that
// stops the run early, or nothing when the result document was saved.
std::optional<std::string> ConvertTimetable(ModuleState& state) {
    const RunMoment moment = RunMoment::Now();
    // An import killed while putting its tables in place is finished first,
    // so the timetable is read from one complete set of tables.
    RecoverInterruptedCommits(state.WorkingDirectory, moment);
    TimetableTableSet tables(state.WorkingDirectory);
    LoadedDocument loaded = ReadExchangeDocument(state);
    if (!loaded.document) return loaded.stopMessage;
    state.Document = std::move(loaded.document);
    ExchangeDocument& document = *state.Document;

    const std::string academicYear = AcademicYear(document);
    const std::optional<PeriodDates> period = ReadPeriodDates(state.WorkingDirectory);
    if (!period) return std::string(msg::kNoPeriods);

    const Node block = ReplaceEnvelope(document, academicYear, moment);
    const Node timetables = AppendSection(document, block, xml::kHorariosRegulares);
    ExchangeDocument::SetAttribute(timetables, xml::kRegistros, std::to_string(tables.Proft().RecordCount()));
    WriteTeacherTimetables(document, timetables, tables.ForTimetables(), *period);
    tables.CloseAll();
    document.Save(ResultFileToWrite(DocumentPath(state)));
    return std::nullopt;
}

}  // namespace

fs::path ResultFileName(const fs::path& chosen) {
    fs::path name = PathFromText(xml::kResultPrefix);
    name += chosen.filename();
    return chosen.parent_path() / name;
}

void RunExport(ModuleState& state, RunUi& ui) {
    ChooseDocument(state, ui);
    if (!CheckDocumentExists(state, ui)) return;
    std::optional<std::string> stopMessage;
    {
        BusyCursor busy(ui);
        stopMessage = ConvertTimetable(state);
    }
    if (stopMessage) {
        ui.ShowMessage(*stopMessage);
        return;
    }
    FinishRun(state, ui);
}

}  // namespace vindeleo
