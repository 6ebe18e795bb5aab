// "vindeleo copias": the program itself, started on an X server of the
// test's own with the one word, shows the copies window on its own (no main
// window, no host's result), lists the copies and ends with "Cerrar".

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "app/qt/XvfbSupport.h"
#include "import/ImportRun.h"
#include "session/ModuleState.h"
#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kWait = 20s;

TEST(CopiesXvfbTest, TheWordCopiasInAnyCaseOpensTheCopiesWindowAlone) {
    std::string whyNot;
    auto xvfb = test::Xvfb::Start(whyNot);
    if (!xvfb) GTEST_SKIP() << whyNot;

    test::TempDir dir;
    const fs::path program = dir / "program";
    const fs::path working = dir / "wine" / "drive_c" / "MTEMP";
    fs::create_directories(program);
    fs::create_directories(working);
    fs::create_directories(dir / "runtime");
    fs::permissions(dir / "runtime", fs::perms::owner_all);
    fs::copy_file(VINDELEO_DESKTOP, program / "vindeleo");
    fs::copy_file(test::BinaryDir() / "NIVELEX.DBF", program / "NIVELEX.DBF");
    for (const char* name : {"horario-septiembre.xml", "horario-octubre.xml"}) {
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", dir / name);
        ModuleState state;
        state.WorkingDirectory = working;
        state.ProgramDirectory = program;
        test::RecordingUi ui;
        ui.fileAnswer = dir / name;
        RunImport(state, ui);
        ASSERT_EQ(state.ResultCode, 1);
    }

    test::ChildProcess vindeleo({(program / "vindeleo").string(), "Copias"},
                                {{"DISPLAY", xvfb->DisplayName()},
                                 {"QT_QPA_PLATFORM", "xcb"},
                                 {"WINEPREFIX", (dir / "wine").string()},
                                 {"XDG_RUNTIME_DIR", (dir / "runtime").string()}},
                                dir.Path(), dir / "vindeleo.log");
    const auto window = xvfb->WaitForWindow("Copias de las tablas", kWait);
    ASSERT_TRUE(window) << test::ReadFile(dir / "vindeleo.log");
    EXPECT_FALSE(xvfb->WaitForWindow("Exportar e importar datos entre Morvalen y Siravel", 500ms));
    const test::XGeometry place = xvfb->Geometry(*window);
    EXPECT_EQ(place.width, 632);
    EXPECT_EQ(place.height, 400);

    // With VINDELEO_SCREENSHOTS set to a directory, the window is kept there.
    if (const char* where = std::getenv("VINDELEO_SCREENSHOTS"); where && *where) {
        xvfb->WaitForFocus(*window, kWait);
        std::this_thread::sleep_for(500ms);  // painted
        test::CommandOutput("import -display '" + xvfb->DisplayName() + "' -window " + std::to_string(*window) + " '" +
                            (fs::path(where) / "desktop-copies-window.png").string() + "'");
    }

    xvfb->Click(place.rootX + 421 + 44, place.rootY + 320 + 28 + 12);  // "Cerrar"
    const auto ended = vindeleo.WaitForExit(kWait);
    ASSERT_TRUE(ended) << test::ReadFile(dir / "vindeleo.log");
    EXPECT_EQ(*ended, 0);
    EXPECT_FALSE(fs::exists(program / "Morvalen.ini"));  // not the host's program
}

}  // namespace
}  // namespace vindeleo
