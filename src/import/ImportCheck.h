#pragma once
// The check of an import: the whole import of the chosen document run into a
// scratch directory of its own, never put in place, and what it would do told
// in a report (ImportReport.h).

#include <optional>
#include <string>
#include <vector>

namespace vindeleo {

struct ModuleState;
class RunUi;

// Asks for the document and checks it exactly as the import does, then runs
// the import's steps into a fresh folder of the user's temporary directory,
// which is removed again on every way out. The working directory is only
// read: its tables' record counts, through shared openings; nothing is
// created or changed there, no interrupted run is finished, and the host's
// result is not touched.
//
// Returns the report's lines (Windows-1252). A document that the import would
// refuse stops the check the same way: its message told through ui (nothing
// returned) or its error raised as vindeleo::Error.
std::optional<std::vector<std::string>> RunCheck(ModuleState& state, RunUi& ui);

}  // namespace vindeleo
