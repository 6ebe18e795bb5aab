// Subjects: one ASIGNOMT record per subject name of MATERIAS, with a short code
// COD made from the name's capitals or initials and a long code CODLARGO.

#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "import/ImportReport.h"
#include "import/ImportSteps.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/Codepage.h"
#include "text/TextHelpers.h"

namespace vindeleo {
namespace {

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// The code before it is made unique: the name's capitals (led by its first
// character when that is no capital), or else its initials or first six
// characters.
std::string ShortCodeOf(const std::string& name) {
    const char first = name.front();
    std::string code = IsCapital(first) ? std::string() : std::string(1, first);
    code += CapitalsOf(name);
    if (code.size() == 1) {
        if (name.find(' ') != std::string::npos)
            code = std::string(1, first) + InitialsAfterBlanks(name);
        else
            code = Left(name, 6);
    }
    return code;
}

// A short code of five characters or more serves as the long code too;
// shorter ones give way to the name's first ten characters.
std::string LongCodeOf(const std::string& code, const std::string& name) {
    return code.size() > 4 ? code : Left(name, 10);
}

}  // namespace

void ImportSubjects(ImportContext& context) {
    Table subjects(context.TablesDirectory, layouts::Asignomt(), context.Moment);
    subjects.DeleteFiles();
    subjects.Create();
    subjects.Open();
    const auto cod = subjects.Field("COD");
    const auto codLargo = subjects.Field("CODLARGO");
    const auto nombre = subjects.Field("NOMBRE");
    const auto esTarea = subjects.Field("ESTAREA");

    CodeList& usedCodes = context.UsedCodes;
    CodeList& seenNames = context.SeenNames;
    ImportReport* const report = context.Report;
    std::size_t rowNumber = 0;
    for (const Row& row : context.Document.Rows(xml::kMaterias)) {
        ++rowNumber;
        if (!TakesRow(report, xml::kMaterias, rowNumber, row, {2})) continue;
        const std::string name = row.Trimmed(2);
        // A subject without a name has no code to make and nothing to assign.
        if (name.empty()) continue;

        const std::string shortCode = ShortCodeOf(name);
        const std::string longCode = LongCodeOf(shortCode, name);
        std::string code = Left(shortCode, 10);

        const std::string nameKey = UpperAscii(name);
        if (seenNames.Contains(nameKey)) continue;
        seenNames.Add(nameKey);

        code = usedCodes.GiveOut(code, Fitting::Always);
        if (report) report->CodeGiven(CodeKind::Subject, name, shortCode, code);

        subjects.Append();
        subjects.SetText(cod, code);
        subjects.SetText(codLargo, longCode);
        subjects.SetText(nombre, name);
        subjects.SetLogical(esTarea, false);
        subjects.Post();
    }
    subjects.Close();
}

}  // namespace vindeleo
