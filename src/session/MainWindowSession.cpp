#include "session/MainWindowSession.h"

#include <utility>

#include "platform/PathText.h"
#include "session/HostProtocol.h"
#include "session/ModuleState.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

MainWindowSession::MainWindowSession(ModuleState& state, std::vector<std::string> arguments,
                                     MainWindowControls& window)
    : state_(state), arguments_(std::move(arguments)), window_(window) {}

void MainWindowSession::FormCreate(RunUi& ui) {
    state_.ResultCode = 0;
    if (arguments_.size() != 2) return;
    std::uint32_t handle = 0;
    try {
        handle = ReadHostHandle(arguments_[1]);
    } catch (const Error& error) {
        ui.ShowError(ErrorBoxText(error.what()));
        return;
    }
    // A handle of no window: the ordinary window, otherwise as the host asked.
    embedded_ = window_.EmbedInHostWindow(handle);
    state_.HostMode = true;
}

void MainWindowSession::FormShow(RunUi& ui) noexcept {
    if (arguments_.size() != 2) return;
    ShowingErrors(ui, [this] {
        const HostAction action = ActionOf(arguments_[0]);
        if (action == HostAction::Importar) window_.BImportarClick();
        if (action == HostAction::Exportar) window_.BExportarClick();
    });
}

void MainWindowSession::RunConversion(void (*run)(ModuleState&, RunUi&), RunUi& ui) {
    RunShowingErrors(run, state_, ui);
    window_.EnableRunButtons(state_.RunButtonsEnabled);
}

void MainWindowSession::FormClose(RunUi& ui) noexcept { LeaveHostResult(state_, ui); }

void TellMissingHelpFile(RunUi& ui, const std::filesystem::path& helpFile) {
    ui.ShowMessage(Format(msg::kNoHelpFile, PathText(helpFile)));
}

}  // namespace vindeleo
