#pragma once
// The import run: from the chosen exchange document to rebuilt working tables.

namespace vindeleo {

struct ModuleState;
class RunUi;

// The import run, started by the import button (and by the host's action word
// "exportar"). Expected stops (no document, no catalogue, a file that is not an
// exchange document) are told with a message; any other failure raises
// vindeleo::Error for the front end to show, leaving every working table as it
// was before the run.
// The tables it replaces are kept as a copy in the working directory's COPIAS.
void RunImport(ModuleState& state, RunUi& ui);

}  // namespace vindeleo
