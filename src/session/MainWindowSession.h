#pragma once
// The decisions of the main window, the same in every toolkit: how it starts
// from the program's arguments (the host's window handle, inside that window
// or not, the error box for a handle that is none), the run that the host's
// action word asks for once the window is shown, the run buttons after a
// conversion, the host's result on closing, and the message for a missing
// help file. The window keeps what its toolkit needs: its controls, putting
// itself inside the host's window, its help viewer.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "session/RunSupport.h"
#include "session/RunUi.h"

namespace vindeleo {

struct ModuleState;

// What the session asks of the main window's toolkit.
class MainWindowControls {
public:
    // The design's handlers of the two conversion buttons: BExportarClick
    // runs the import, BImportarClick the export.
    virtual void BExportarClick() = 0;
    virtual void BImportarClick() = 0;
    // Puts the window inside the host's window of that handle. False, with
    // the window left as it was, when no such window exists or the toolkit
    // cannot reach it.
    virtual bool EmbedInHostWindow(std::uint32_t handle) = 0;
    // Shows both conversion buttons enabled or disabled.
    virtual void EnableRunButtons(bool enabled) = 0;

protected:
    ~MainWindowControls() = default;
};

class MainWindowSession {
public:
    // arguments: the command-line arguments after the program's name
    // (Windows-1252). window: the main window, which outlives this.
    MainWindowSession(ModuleState& state, std::vector<std::string> arguments, MainWindowControls& window);

    // As the window is created: result 0. With exactly two arguments (the
    // action word and the host's window handle) the handle is read; one that
    // is no hexadecimal number is shown in the error box and the window stays
    // ordinary. Otherwise the window goes inside the host's window, when one
    // of that handle exists, and host mode starts.
    void FormCreate(RunUi& ui);
    // True when the window sits inside the host's window.
    bool Embedded() const { return embedded_; }

    // Once the window is shown: with exactly two arguments, the run that the
    // action word names, through the button's handler. Whatever fails is
    // shown in the error box and goes no further.
    void FormShow(RunUi& ui) noexcept;

    // A conversion from one of the buttons: an error that ends it is shown in
    // the error box; then both buttons show whether another run may start.
    void RunConversion(void (*run)(ModuleState&, RunUi&), RunUi& ui);

    // As the window closes: in host mode the result is left for the host.
    void FormClose(RunUi& ui) noexcept;

private:
    ModuleState& state_;
    std::vector<std::string> arguments_;
    MainWindowControls& window_;
    bool embedded_ = false;
};

// The message for a help file that is missing: "No se encuentra el archivo
// de ayuda <path>".
void TellMissingHelpFile(RunUi& ui, const std::filesystem::path& helpFile);

// Opens the guide (its contents or a help context) through the window's help:
// open() returns the help file's path when that file is missing, and nothing
// when the guide opened. A missing file is told (TellMissingHelpFile);
// whatever fails is shown in the error box and goes no further.
template <typename Open>
void OpenGuide(RunUi& ui, Open&& open) noexcept {
    ShowingErrors(ui, [&] {
        const std::optional<std::filesystem::path> missing = open();
        if (missing) TellMissingHelpFile(ui, *missing);
    });
}

}  // namespace vindeleo
