#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <optional>
#include <stdexcept>

#include "session/MainWindowSession.h"
#include "session/ModuleState.h"
#include "support/TestSupport.h"
#include "text/Error.h"
#include "text/Messages.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// A main window without a toolkit: it records what the session asks of it and
// answers whether a host window of the handle exists.
class RecordedWindow : public MainWindowControls {
public:
    bool hostWindowExists = true;
    std::vector<std::uint32_t> embeddings;
    std::vector<std::string> clicks;
    std::vector<bool> buttons;
    std::function<void()> onClick;

    void BExportarClick() override { Click("BExportar"); }
    void BImportarClick() override { Click("BImportar"); }
    bool EmbedInHostWindow(std::uint32_t handle) override {
        embeddings.push_back(handle);
        return hostWindowExists;
    }
    void EnableRunButtons(bool enabled) override { buttons.push_back(enabled); }

private:
    void Click(const char* button) {
        clicks.push_back(button);
        if (onClick) onClick();
    }
};

class MainWindowSessionTest : public ::testing::Test {
protected:
    MainWindowSessionTest() {
        state.ProgramDirectory = dir.Path();
        state.ResultCode = 7;  // left by nothing: the window's creation sets 0
    }
    MainWindowSession Session(std::vector<std::string> arguments) { return {state, std::move(arguments), window}; }
    fs::path HostFile() const { return dir / "Morvalen.ini"; }

    test::TempDir dir;
    ModuleState state;
    RecordedWindow window;
    test::RecordingUi ui;
};

TEST_F(MainWindowSessionTest, StartsFromTheArguments) {
    using Arguments = std::vector<std::string>;
    struct Case {
        const char* name;
        Arguments arguments;
        bool hostWindowExists;
        std::vector<std::uint32_t> embeddings;  // the handles the window was asked to go into
        bool embedded;
        bool hostMode;
    };
    const Case cases[] = {
        {"alone", {}, true, {}, false, false},
        {"one argument", {"exportar"}, true, {}, false, false},
        {"three arguments", {"exportar", "1a2b", "x"}, true, {}, false, false},
        {"host window", {"exportar", "1a2b"}, true, {0x1a2b}, true, true},
        {"a handle of no window: the ordinary window, still host mode", {"importar", "FFFFFFFF"}, false,
         {0xFFFFFFFF}, false, true},
        {"an action word of no run", {"abrir", "400003"}, true, {0x400003}, true, true},
    };
    for (const Case& c : cases) {
        state = ModuleState{};
        state.ResultCode = 7;
        window = RecordedWindow{};
        window.hostWindowExists = c.hostWindowExists;
        ui = test::RecordingUi{};
        MainWindowSession session = Session(c.arguments);
        session.FormCreate(ui);
        EXPECT_EQ(state.ResultCode, 0) << c.name;
        EXPECT_EQ(window.embeddings, c.embeddings) << c.name;
        EXPECT_EQ(session.Embedded(), c.embedded) << c.name;
        EXPECT_EQ(state.HostMode, c.hostMode) << c.name;
        EXPECT_TRUE(ui.errors.empty()) << c.name;
        EXPECT_TRUE(ui.messages.empty()) << c.name;
    }
}

TEST_F(MainWindowSessionTest, AHandleThatIsNoNumberIsShownAndTheWindowStaysOrdinary) {
    MainWindowSession session = Session({"importar", "zz"});
    session.FormCreate(ui);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"'$zz' no es un valor entero v\xE1lido."});
    EXPECT_TRUE(window.embeddings.empty());
    EXPECT_FALSE(session.Embedded());
    EXPECT_FALSE(state.HostMode);
    EXPECT_EQ(state.ResultCode, 0);

    // The action word still runs once the window is shown; closing leaves no
    // result, as no host is waiting for one.
    session.FormShow(ui);
    EXPECT_EQ(window.clicks, std::vector<std::string>{"BImportar"});
    session.FormClose(ui);
    EXPECT_FALSE(fs::exists(HostFile()));
}

TEST_F(MainWindowSessionTest, TheActionWordRunsItsButtonsHandlerOnceShown) {
    using Clicks = std::vector<std::string>;
    struct Case {
        std::vector<std::string> arguments;
        Clicks clicks;
    };
    // The design's handlers: "exportar" is BExportar's run (the import), "importar" BImportar's (the export).
    const Case cases[] = {
        {{"EXPORTAR", "1a2b"}, {"BExportar"}},
        {{"Importar", "1a2b"}, {"BImportar"}},
        {{"abrir", "1a2b"}, {}},
        {{"exportar"}, {}},
        {{"exportar", "1a2b", "x"}, {}},
    };
    for (const Case& c : cases) {
        window = RecordedWindow{};
        MainWindowSession session = Session(c.arguments);
        session.FormShow(ui);
        EXPECT_EQ(window.clicks, c.clicks) << c.arguments[0] << ' ' << c.arguments.size();
    }

    // A handler that fails: shown in the error box, and no further.
    window = RecordedWindow{};
    window.onClick = [] { throw Error("Unable to open file"); };
    MainWindowSession session = Session({"importar", "1a2b"});
    session.FormShow(ui);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Unable to open file."});
}

TEST_F(MainWindowSessionTest, TheButtonsShowWhetherAnotherRunMayStart) {
    MainWindowSession session = Session({});
    session.FormCreate(ui);

    // A run that ends in an error leaves both buttons enabled.
    session.RunConversion([](ModuleState&, RunUi&) { throw std::runtime_error("disco lleno"); }, ui);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"disco lleno."});
    EXPECT_EQ(window.buttons, std::vector<bool>{true});

    // A finished run disables them.
    session.RunConversion([](ModuleState& state, RunUi& ui) { FinishRun(state, ui); }, ui);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Proceso finalizado"});
    EXPECT_EQ(window.buttons, (std::vector<bool>{true, false}));
    EXPECT_EQ(state.ResultCode, 1);
    EXPECT_FALSE(ui.closed);  // outside host mode the window stays
}

TEST_F(MainWindowSessionTest, ClosingInHostModeLeavesTheResult) {
    MainWindowSession session = Session({"exportar", "1a2b"});
    session.FormCreate(ui);
    session.RunConversion([](ModuleState& state, RunUi& ui) { FinishRun(state, ui); }, ui);
    EXPECT_TRUE(ui.closed);
    session.FormClose(ui);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=1\r\n");

    // A result that cannot be written is shown, and closing goes on.
    fs::remove(HostFile());
    fs::create_directory(HostFile());
    session.FormClose(ui);
    EXPECT_EQ(ui.errors, std::vector<std::string>{"Unable to write to " + HostFile().string() + "."});
}

TEST_F(MainWindowSessionTest, AMissingHelpFileIsTold) {
    const fs::path helpFile = dir / "SIRAVEL.chm";
    OpenGuide(ui, [&]() -> std::optional<fs::path> { return helpFile; });
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No se encuentra el archivo de ayuda " + helpFile.string()});

    ui.messages.clear();
    OpenGuide(ui, []() -> std::optional<fs::path> { return std::nullopt; });  // the guide opened
    EXPECT_TRUE(ui.messages.empty());

    OpenGuide(ui, []() -> std::optional<fs::path> { throw std::bad_alloc(); });
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.errors, std::vector<std::string>{ErrorBoxText(msg::kOutOfMemory)});
}

}  // namespace
}  // namespace vindeleo
