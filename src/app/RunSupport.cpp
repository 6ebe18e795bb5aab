#include "app/RunSupport.h"

#include <exception>

#include "app/HostProtocol.h"
#include "app/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "platform/PathText.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace fs = std::filesystem;

void ChooseDocument(ModuleState& state, RunUi& ui) {
    // The choice is Windows-1252 text: made a path of this platform before it is completed.
    if (const auto chosen = ui.ChooseFile())
        state.XmlFileName = PathText(fs::absolute(PathFromText(*chosen)));
}

fs::path DocumentPath(const ModuleState& state) {
    return PathFromText(state.XmlFileName);
}

bool CheckDocumentExists(ModuleState& state, RunUi& ui) {
    std::error_code error;
    if (!state.XmlFileName.empty() && fs::is_regular_file(DocumentPath(state), error)) return true;
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

void RunShowingErrors(void (*run)(ModuleState&, RunUi&), ModuleState& state, RunUi& ui) {
    try {
        run(state, ui);
    } catch (const Error& error) {
        ui.ShowError(ErrorBoxText(error.what()));
    } catch (const std::exception& error) {
        ui.ShowError(ErrorBoxText(Utf8To1252(error.what())));
    }
}

void LeaveHostResult(const ModuleState& state, RunUi& ui) {
    if (!state.HostMode) return;
    try {
        WriteHostResult(state);
    } catch (const Error& error) {
        ui.ShowError(ErrorBoxText(error.what()));
    }
}

}  // namespace vindeleo
