// The host protocol end to end: the program itself, started on an X server of
// the test's own with the handle of a window that the test creates as the
// host would, answered through the keyboard and the mouse.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <QString>
#include <QUrl>

#include "app/qt/XvfbSupport.h"
#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::XWindowId;

const std::string kCaption = "Exportar e importar datos entre Morvalen y Siravel";
constexpr auto kWait = 20s;  // generous for a loaded machine; the waits end as soon as the window is there

std::string Hex(XWindowId window) {
    char text[32];
    std::snprintf(text, sizeof text, "%lx", window);
    return text;
}

class HostXvfbTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        xvfb = test::Xvfb::Start(whyNot);
        if (!xvfb) GTEST_SKIP() << whyNot;

        // The program runs from a directory of its own, so that its
        // Morvalen.ini is this test's.
        fs::create_directories(Program());
        std::error_code linked;
        fs::create_hard_link(VINDELEO_DESKTOP, Program() / "vindeleo", linked);
        if (linked) fs::copy_file(VINDELEO_DESKTOP, Program() / "vindeleo");
        fs::copy_file(test::BinaryDir() / "NIVELEX.DBF", Program() / "NIVELEX.DBF");
        fs::create_directories(dir / "wine" / "drive_c" / "MTEMP");
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all);
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", dir / "escuela.xml");
        host = xvfb->CreateWindow(0, 0, xvfb->ScreenWidth(), xvfb->ScreenHeight());
    }

    fs::path Program() const { return dir / "program"; }
    fs::path HostFile() const { return Program() / "Morvalen.ini"; }

    // Starts the program as the host does, from the document's directory.
    std::unique_ptr<test::ChildProcess> Start(const std::string& action, const std::string& handle) {
        return std::make_unique<test::ChildProcess>(
            std::vector<std::string>{(Program() / "vindeleo").string(), action, handle},
            std::map<std::string, std::string>{{"DISPLAY", xvfb->DisplayName()},
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {"WINEPREFIX", (dir / "wine").string()},
                                               {"XDG_RUNTIME_DIR", (dir / "runtime").string()}},
            dir.Path(), dir / "vindeleo.log");
    }

    // The program's window, found among the children of the given window.
    XWindowId MainWindowUnder(XWindowId parent) {
        const auto window = xvfb->WaitForWindow(kCaption, kWait, parent);
        if (!window) ADD_FAILURE() << "no main window; program output:\n" << Log();
        return window.value_or(0);
    }

    // Waits for a window of that name and answers it with a key.
    void Answer(const std::string& windowName, const std::string& key, const char* screenshot = nullptr) {
        const auto window = xvfb->WaitForWindow(windowName, kWait);
        ASSERT_TRUE(window) << "no window \"" << windowName << "\"; program output:\n" << Log();
        ASSERT_TRUE(xvfb->WaitForFocus(*window, kWait)) << windowName << " never gets the keyboard";
        TakeScreenshot(screenshot);
        xvfb->PressKey(key);
        ASSERT_TRUE(xvfb->WaitUntilGone(windowName, kWait)) << windowName << " stays";
    }

    // Clicks "Salir" of the main window.
    void ClickSalir(XWindowId mainWindow) {
        const test::XGeometry place = xvfb->Geometry(mainWindow);
        xvfb->Click(place.rootX + 256 + 44, place.rootY + 168 + 32 + 12);
    }

    void ExpectEnds(test::ChildProcess& program, int status = 0) {
        const auto ended = program.WaitForExit(kWait);
        ASSERT_TRUE(ended) << "the program does not end; output:\n" << Log();
        EXPECT_EQ(*ended, status) << Log();
    }

    // With VINDELEO_SCREENSHOTS set to a directory, the screen is kept there
    // for looking at.
    void TakeScreenshot(const char* name) {
        const char* where = std::getenv("VINDELEO_SCREENSHOTS");
        if (name && where && *where) xvfb->Screenshot(fs::path(where) / (std::string(name) + ".png"));
    }

    std::string Log() const { return test::ReadFile(dir / "vindeleo.log"); }

    test::TempDir dir;
    std::unique_ptr<test::Xvfb> xvfb;
    XWindowId host = 0;
};

// The help button and F1 of the real program, beside the help file and the
// guide's pages that the build made. The desktop is played by two scripts on
// the PATH: xdg-mime, which names the handler of a file type (here, for
// ".chm" files, the one given or none), and xdg-open, the launcher that Qt
// hands a file to, which writes down what it was given.
class HelpXvfbTest : public HostXvfbTest {
protected:
    void SetUp() override {
        HostXvfbTest::SetUp();
        if (IsSkipped()) return;
        fs::copy_file(test::BinaryDir() / "SIRAVEL.chm", Program() / "SIRAVEL.chm");
        fs::copy(test::BinaryDir() / "ayuda", Program() / "ayuda", fs::copy_options::recursive);
        fs::create_directories(dir / "bin");
    }

    void Desktop(const std::string& chmHandler) {
        Script("xdg-mime", "echo \"$*\" >>'" + (dir / "xdg-mime.log").string() + "'\n" +
                               (chmHandler.empty() ? "" : "echo " + chmHandler + "\n"));
        Script("xdg-open", "echo \"$*\" >>'" + (dir / "xdg-open.log").string() + "'\n");
    }
    void Script(const std::string& name, const std::string& body) {
        test::WriteFile(dir / "bin" / name, "#!/bin/sh\n" + body);
        fs::permissions(dir / "bin" / name, fs::perms::owner_all);
    }

    // The ordinary window (a handle of no window), found on the screen.
    std::unique_ptr<test::ChildProcess> StartAlone() {
        return std::make_unique<test::ChildProcess>(
            std::vector<std::string>{(Program() / "vindeleo").string(), "abrir", Hex(xvfb->UnusedWindowId())},
            std::map<std::string, std::string>{{"DISPLAY", xvfb->DisplayName()},
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {"PATH", (dir / "bin").string() + ":" + std::getenv("PATH")},
                                               {"WINEPREFIX", (dir / "wine").string()},
                                               {"XDG_RUNTIME_DIR", (dir / "runtime").string()}},
            dir.Path(), dir / "vindeleo.log");
    }

    void ClickHelp(XWindowId mainWindow) {
        const test::XGeometry place = xvfb->Geometry(mainWindow);
        xvfb->Click(place.rootX + 264 + 37, place.rootY + 168 + 64 + 12);
    }

    // The lines that xdg-open wrote, once there are that many.
    std::vector<std::string> Launched(std::size_t lines) {
        std::vector<std::string> found;
        const auto until = std::chrono::steady_clock::now() + kWait;
        do {
            found.clear();
            std::error_code missing;
            if (fs::exists(dir / "xdg-open.log", missing)) {
                std::string text = test::ReadFile(dir / "xdg-open.log");
                for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
                    found.push_back(text.substr(start, end - start));
            }
            if (found.size() >= lines) break;
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < until);
        return found;
    }

    std::string UrlOf(const fs::path& file) const {
        return QUrl::fromLocalFile(QString::fromStdString(file.string())).toEncoded().toStdString();
    }
};

TEST_F(HelpXvfbTest, WithoutAHandlerForTheHelpFileTheButtonAndF1OpenTheGuidesIndexInTheBrowser) {
    Desktop("");
    auto program = StartAlone();
    const auto mainWindow = xvfb->WaitForWindow(kCaption, kWait);
    ASSERT_TRUE(mainWindow) << Log();
    ClickHelp(*mainWindow);
    ASSERT_EQ(Launched(1), std::vector<std::string>{UrlOf(Program() / "ayuda" / "index.html")}) << Log();
    ASSERT_TRUE(xvfb->WaitForFocus(*mainWindow, kWait));
    xvfb->PressKey("F1");
    EXPECT_EQ(Launched(2), std::vector<std::string>(2, UrlOf(Program() / "ayuda" / "index.html"))) << Log();
    // The desktop was asked for the handler of the help file's type.
    const std::string asked = test::ReadFile(dir / "xdg-mime.log");
    EXPECT_EQ(asked.substr(0, asked.find('\n')), "query default application/vnd.ms-htmlhelp");
    ClickSalir(*mainWindow);
    ExpectEnds(*program);
}

TEST_F(HelpXvfbTest, WithAHandlerForTheHelpFileTheButtonOpensIt) {
    Desktop("xchm.desktop");
    auto program = StartAlone();
    const auto mainWindow = xvfb->WaitForWindow(kCaption, kWait);
    ASSERT_TRUE(mainWindow) << Log();
    ClickHelp(*mainWindow);
    EXPECT_EQ(Launched(1), std::vector<std::string>{UrlOf(Program() / "SIRAVEL.chm")}) << Log();
    ClickSalir(*mainWindow);
    ExpectEnds(*program);
}

TEST_F(HostXvfbTest, ExportarEmbedsRunsTheImportAndLeavesOne) {
    auto program = Start("exportar", Hex(host));
    const XWindowId mainWindow = MainWindowUnder(host);
    ASSERT_NE(mainWindow, 0u);

    // A child of the host's window, without border, at the design's centring
    // in the host's client coordinates; the X server's own tool agrees.
    const auto children = xvfb->Children(host);
    EXPECT_NE(std::find(children.begin(), children.end(), mainWindow), children.end());
    const test::XGeometry place = xvfb->Geometry(mainWindow);
    EXPECT_EQ(place.width, 632);
    EXPECT_EQ(place.height, 266);
    EXPECT_EQ(place.x, (xvfb->ScreenWidth() - 632) / 2);
    EXPECT_EQ(place.y, (xvfb->ScreenHeight() - 266) / 2);
    const std::string tree = test::CommandOutput("xwininfo -display " + xvfb->DisplayName() + " -children -id " +
                                                 std::to_string(host));
    EXPECT_NE(tree.find("\"" + kCaption + "\""), std::string::npos) << tree;

    const auto fileDialog = xvfb->WaitForWindow("Archivo XML", kWait);
    ASSERT_TRUE(fileDialog) << Log();
    ASSERT_TRUE(xvfb->WaitForFocus(*fileDialog, kWait));
    TakeScreenshot("file-dialog");
    xvfb->Type("escuela.xml");
    ASSERT_NO_FATAL_FAILURE(Answer("Archivo XML", "Return"));
    ASSERT_NO_FATAL_FAILURE(Answer("Plantillas Horarias", "Return", "chooser"));
    ASSERT_NO_FATAL_FAILURE(Answer("Vindeleo", "Return", "finished"));
    ExpectEnds(*program);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=1\r\n");
    EXPECT_TRUE(fs::exists(dir / "wine" / "drive_c" / "MTEMP" / "PERIODOS.DBF"));
}

TEST_F(HostXvfbTest, ACancelledFileDialogLeavesMinusOne) {
    test::WriteFile(HostFile(), "; Morvalen\n[Morvalen]\nVersion=3\n\n[Transformadores]\nTransformado=1\n");
    auto program = Start("EXPORTAR", Hex(host));
    ASSERT_NO_FATAL_FAILURE(Answer("Archivo XML", "Escape"));
    ASSERT_NO_FATAL_FAILURE(Answer("Vindeleo", "Return"));  // "No existe archivo"
    ExpectEnds(*program);
    EXPECT_EQ(test::ReadFile(HostFile()), "; Morvalen\n[Morvalen]\nVersion=3\n\n[Transformadores]\nTransformado=-1\n");
}

TEST_F(HostXvfbTest, AnotherActionWordEmbedsWithoutARunAndLeavesZero) {
    auto program = Start("abrir", Hex(host));
    const XWindowId mainWindow = MainWindowUnder(host);
    ASSERT_NE(mainWindow, 0u);
    TakeScreenshot("embedded");
    EXPECT_TRUE(program->Running());
    ClickSalir(mainWindow);
    ExpectEnds(*program);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(HostXvfbTest, AHandleOfNoWindowGivesTheOrdinaryWindow) {
    auto program = Start("abrir", Hex(xvfb->UnusedWindowId()));
    const auto mainWindow = xvfb->WaitForWindow(kCaption, kWait);
    ASSERT_TRUE(mainWindow) << Log();
    TakeScreenshot("ordinary");
    const auto rootChildren = test::CommandOutput("xwininfo -display " + xvfb->DisplayName() + " -root -children");
    EXPECT_NE(rootChildren.find("\"" + kCaption + "\""), std::string::npos) << rootChildren;
    ClickSalir(*mainWindow);
    ExpectEnds(*program);
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");  // host mode otherwise
}

}  // namespace
}  // namespace vindeleo
