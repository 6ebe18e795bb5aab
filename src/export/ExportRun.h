#pragma once
// The export run: from the timetable in the working tables to a result
// document for the administration system, saved beside the chosen document.

#include <filesystem>

namespace vindeleo {

struct ModuleState;
class RunUi;

// The export run, started by the export button (and by the host's action word
// "importar"). Expected stops (no document, no periods table, a file that is
// not an exchange document) are told with a message; any other failure raises
// vindeleo::Error for the front end to show, and no result file is written.
void RunExport(ModuleState& state, RunUi& ui);

// Where the result of a chosen document goes: its directory, then
// "ResultadoTuvane" followed by its file name. The run replaces an existing
// file of that name in any letter case, under that file's own spelling.
std::filesystem::path ResultFileName(const std::filesystem::path& chosen);

}  // namespace vindeleo
