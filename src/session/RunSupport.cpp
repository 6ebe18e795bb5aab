#include "session/RunSupport.h"

#include <exception>
#include <new>

#include "session/HostProtocol.h"
#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "platform/FileSystem.h"
#include "platform/PathText.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

void ChooseDocument(ModuleState& state, RunUi& ui) {
    if (const auto chosen = ui.ChooseFile()) {
        std::error_code error;
        state.DocumentFile = fs::absolute(*chosen, error);
        if (error) state.DocumentFile = *chosen;
        state.XmlFileName = PathText(state.DocumentFile);
    }
}

fs::path DocumentPath(const ModuleState& state) { return state.DocumentFile; }

bool CheckDocumentExists(ModuleState& state, RunUi& ui) {
    std::error_code error;
    if (!state.DocumentFile.empty() && platform::IsRegularFile(DocumentPath(state), error)) return true;
    ui.ShowMessage(msg::kNoFile);
    if (state.HostMode) {
        state.ResultCode = -1;
        ui.Close();
    }
    return false;
}

LoadedDocument ReadExchangeDocument(const ModuleState& state) {
    auto document = std::make_unique<ExchangeDocument>();
    const LoadResult result = document->Load(DocumentPath(state));
    switch (result.status) {
        case LoadStatus::CannotRead:
            throw Error(Format(msg::kCannotReadDocument, state.XmlFileName));
        case LoadStatus::NotWellFormed:
            return {nullptr, Format(msg::kXmlNotValid, result.line, result.column)};
        case LoadStatus::EntitiesTooLarge:
            return {nullptr, Format(msg::kXmlEntitiesTooLarge, result.line, result.column)};
        case LoadStatus::UnreadEntity:
            return {nullptr, Format(msg::kXmlUnreadEntity, result.line, result.column)};
        case LoadStatus::TooManyAttributes:
            return {nullptr, Format(msg::kXmlTooManyAttributes, result.line, result.column)};
        case LoadStatus::UnsupportedEncoding:
            return {nullptr, Format(msg::kXmlUnsupportedEncoding, Utf8To1252(result.encoding))};
        case LoadStatus::Loaded:
            break;
    }
    if (!document->SelectSingleNode(document->DocumentNode(), xml::kDataBlockPath))
        return {nullptr, msg::kNotExchangeDocument};
    return {std::move(document), {}};
}

std::unique_ptr<ExchangeDocument> LoadExchangeDocument(const ModuleState& state, RunUi& ui) {
    LoadedDocument loaded = ReadExchangeDocument(state);
    if (!loaded.document) ui.ShowMessage(loaded.stopMessage);
    return std::move(loaded.document);
}

void FinishRun(ModuleState& state, RunUi& ui) {
    state.ResultCode = 1;
    ui.ShowMessage(msg::kFinished);
    state.RunButtonsEnabled = false;
    if (state.HostMode) ui.Close();
}

std::string CurrentErrorText() {
    try {
        throw;
    } catch (const Error& error) {
        return ErrorBoxText(error.what());
    } catch (const std::bad_alloc&) {
        return ErrorBoxText(msg::kOutOfMemory);
    } catch (const std::exception& error) {
        return ErrorBoxText(Utf8To1252(error.what()));
    } catch (...) {
        return ErrorBoxText(msg::kUnexpectedError);
    }
}

void ShowCurrentError(RunUi& ui) noexcept {
    try {
        ui.ShowError(CurrentErrorText());
    } catch (...) {
        // Not even the box could be shown (no memory left for it): the
        // exception still goes no further.
    }
}

void RunShowingErrors(void (*run)(ModuleState&, RunUi&), ModuleState& state, RunUi& ui) {
    ShowingErrors(ui, [&] { run(state, ui); });
}

void LeaveHostResult(const ModuleState& state, RunUi& ui) noexcept {
    if (!state.HostMode) return;
    ShowingErrors(ui, [&] { WriteHostResult(state); });
}

}  // namespace vindeleo
