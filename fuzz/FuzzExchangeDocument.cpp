// The exchange document readers on arbitrary documents: the bytes are the
// chosen document, and both runs are made on it as the command line makes
// them, against a scratch working directory: the import (loading, the seven
// steps, the template chooser, the staged tables put in place), then, with the
// demo school's SOLUC beside the imported tables, the export (the new envelope,
// the teacher timetables, the save).
//
// Promises checked besides the sanitizers': the chosen document is never
// changed; an import that stops or fails leaves the working directory as it
// was (empty); one that finishes leaves tables that open; an export that
// finishes leaves a result document that loads again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "export/ExportRun.h"
#include "import/ImportRun.h"
#include "tables/Layouts.h"
#include "tables/Table.h"
#include "text/Error.h"

using namespace vindeleo;
namespace fs = std::filesystem;

namespace {

struct Places {
    fs::path program;   // NIVELEX.DBF, copied once from the build
    fs::path working;   // the working tables, emptied for every input
    fs::path document;  // the chosen document's directory
    std::string solucBytes;
};

const Places& Prepare(const fuzz::Scratch& scratch) {
    static const Places places = [&] {
        Places p{scratch / "program", scratch / "MTEMP", scratch / "documents", {}};
        platform::CreateDirectories(p.program);
        const std::string catalogue = fuzz::ReadDiskFile(VINDELEO_CATALOGUE);
        fuzz::WriteBytes(p.program / "NIVELEX.DBF", catalogue.data(), catalogue.size());
        p.solucBytes = fuzz::ReadDiskFile(fs::path(VINDELEO_SOURCE_DIR) / "samples" / "SOLUC.DBF");
        return p;
    }();
    return places;
}

ModuleState StateFor(const Places& places) {
    ModuleState state;
    state.WorkingDirectory = places.working;
    state.ProgramDirectory = places.program;
    return state;
}

bool IsEmptyDirectory(const fs::path& dir) {
    std::error_code error;
    return platform::IsDirectory(dir, error) && platform::IsEmpty(dir, error) && !error;
}

void CheckImportedTables(const fs::path& working) {
    for (const TableLayout* layout : {&layouts::Asignomt(), &layouts::Proft(), &layouts::Aulat(), &layouts::Cursost(),
                                      &layouts::Grupost(), &layouts::Asigt(), &layouts::Diashorast(),
                                      &layouts::Diashorast2(), &layouts::Periodos()}) {
        Table table(working, *layout);
        try {
            table.Open();
            for (table.First(); !table.Eof(); table.Next()) {
            }
            table.Close();
        } catch (const Error& error) {
            fuzz::Broken("a table of a finished import does not open:", error.what());
        }
    }
}

void Import(const Places& places, const fs::path& chosen) {
    ModuleState state = StateFor(places);
    fuzz::SilentUi ui(chosen);
    try {
        RunImport(state, ui);
    } catch (const Error&) {
        // Told to the user in the error box.
    }
    if (state.ResultCode == 1)
        CheckImportedTables(places.working);
    else if (!IsEmptyDirectory(places.working))
        fuzz::Broken("an import that did not finish left files in the working directory");
}

void Export(const Places& places, const fs::path& chosen) {
    fuzz::WriteBytes(places.working / "SOLUC.DBF", places.solucBytes.data(), places.solucBytes.size());
    ModuleState state = StateFor(places);
    fuzz::SilentUi ui(chosen);
    try {
        RunExport(state, ui);
    } catch (const Error&) {
    }
    const fs::path result = ResultFileName(chosen);
    if (state.ResultCode == 1) {
        ExchangeDocument written;
        const LoadResult loaded = written.Load(result);
        if (loaded.status != LoadStatus::Loaded) fuzz::Broken("the result document does not load:", loaded.detail);
    } else if (std::error_code error; platform::Exists(result, error) || error) {
        fuzz::Broken("an export that did not finish left a result document");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Scratch scratch;
    const Places& places = Prepare(scratch);
    const fuzz::InputFolder working(places.working), document(places.document);
    const fs::path chosen = places.document / "alumnos.xml";
    fuzz::WriteBytes(chosen, reinterpret_cast<const char*>(data), size);

    Import(places, chosen);
    Export(places, chosen);

    if (fuzz::ReadBytes(chosen) != std::string(reinterpret_cast<const char*>(data), size))
        fuzz::Broken("the chosen document was changed");
    fuzz::CheckNothingOpen();
    return 0;
}
