#pragma once
// What the import and the export runs share: choosing the exchange document,
// checking that it exists, loading it as an exchange document, and the busy
// cursor held for the length of the work.

#include <filesystem>
#include <memory>
#include <string>

#include "session/RunUi.h"

namespace vindeleo {

struct ModuleState;
class ExchangeDocument;

// Shows the file dialog; a confirmed choice becomes XmlFileName, a cancelled
// one keeps the file chosen earlier in this window.
void ChooseDocument(ModuleState& state, RunUi& ui);

// The chosen document as a path of this platform.
std::filesystem::path DocumentPath(const ModuleState& state);

// True when a file of the chosen name exists. Otherwise tells "No existe
// archivo" and, in host mode, leaves -1 for the host and closes the window.
bool CheckDocumentExists(ModuleState& state, RunUi& ui);

// The chosen document loaded, or the message that stops the run when the file
// is not well-formed, uses entities beyond the loading bound or from outside
// the file, declares an encoding that cannot be converted, or is not an
// exchange document. A file that cannot be read is an
// error.
struct LoadedDocument {
    std::unique_ptr<ExchangeDocument> document;  // none when the run stops
    std::string stopMessage;
};
LoadedDocument ReadExchangeDocument(const ModuleState& state);

// The same, telling the stop message at once (nothing returned then).
std::unique_ptr<ExchangeDocument> LoadExchangeDocument(const ModuleState& state, RunUi& ui);

// The end of a finished run: result 1, "Proceso finalizado", both conversion
// buttons disabled, and in host mode the window closed.
void FinishRun(ModuleState& state, RunUi& ui);

// The error box's text for the exception being handled (called inside a catch
// block): an Error's own message; the system's message for a lack of memory
// and for an exception of no known kind; otherwise the exception's text.
std::string CurrentErrorText();

// Shows the exception being handled in the error box. Never throws: it is
// where an exception inside a window's handler stops.
void ShowCurrentError(RunUi& ui) noexcept;

// Runs a window's handler: whatever it throws is shown in the error box and
// goes no further, so that no exception unwinds through the window system's
// event loop.
template <typename Handler>
void ShowingErrors(RunUi& ui, Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        ShowCurrentError(ui);
    }
}

// Runs a conversion for a window: an error that ends it is shown in the
// error box, and the window stays usable.
void RunShowingErrors(void (*run)(ModuleState&, RunUi&), ModuleState& state, RunUi& ui);

// On closing a window in host mode, leaves the result for the host; a result
// file that cannot be written is shown in the error box.
void LeaveHostResult(const ModuleState& state, RunUi& ui) noexcept;

// Shows the busy cursor for its lifetime, also when an error ends the run.
class BusyCursor {
public:
    explicit BusyCursor(RunUi& ui) : ui_(ui) { ui_.SetBusy(true); }
    ~BusyCursor() { ui_.SetBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    RunUi& ui_;
};

}  // namespace vindeleo
