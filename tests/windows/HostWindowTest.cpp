// vindeleo.exe under Wine as the timetable program uses it: this test is the
// host. It opens a top-level window of its own, starts
// "vindeleo.exe ACTION <its HWND in hex>", and answers Vindeleo's windows
// through the Win32 API (found with EnumWindows, answered with messages), then
// reads Morvalen.ini beside the program and the tables in C:\MTEMP.
//
//   vindeleo_host_tests VINDELEO.EXE SOURCE_DIR [gtest options]
//
// Each test copies the program into a folder of its own. With
// VINDELEO_HOST_IN_PLACE set, the program is used where it is instead, as a
// setup program installed it, with the catalogue beside it (the setup
// program's test runs the import's case so on the installed program).
//
// The host window's messages are pumped while it waits: Vindeleo's window is
// its child, and a child of another thread needs its parent to answer.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "windows/HostHarness.h"
#include "windows/WindowSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ClassOf;
using test::Descendants;
using test::Narrow;
using test::Pump;
using test::PumpUntil;
using test::ScreenPixels;
using test::TakeScreenshot;
using test::Text;
using test::TopLevelWindows;

using test::Box;
using test::ClientSize;
using test::gInPlace;
using test::gProgram;
using test::gSourceDir;
using test::kCaption;
using test::kClientHeight;
using test::kClientWidth;
using HostWindowTest = test::HostHarness;

TEST_F(HostWindowTest, ExportarEmbedsRunsTheImportAndLeavesOne) {
    Start(L"exportar " + Hex(host));
    HWND window = WaitForEmbeddedWindow();
    ASSERT_NE(window, nullptr);

    // A child of the host's window, without caption or border, at the
    // design's centring in the host's client coordinates.
    EXPECT_EQ(GetAncestor(window, GA_PARENT), host);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_DLGFRAME));
    RECT place{};
    GetWindowRect(window, &place);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.right - place.left, kClientWidth);
    EXPECT_EQ(place.bottom - place.top, kClientHeight);
    EXPECT_EQ(place.left, (GetSystemMetrics(SM_CXSCREEN) - kClientWidth) / 2);
    EXPECT_EQ(place.top, (GetSystemMetrics(SM_CYSCREEN) - kClientHeight) / 2);

    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"escuela.xml"));
    ASSERT_NO_FATAL_FAILURE(AnswerChooser());
    ExpectMessage(L"Proceso finalizado");
    ExpectEnds();
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=1\r\n");
    for (const char* table : {"PERIODOS.DBF", "PROFT.DBF", "DIASHORAST.DBF"})
        EXPECT_TRUE(fs::exists(kMtemp / table)) << table;
}

TEST_F(HostWindowTest, ACancelledFileDialogLeavesMinusOneAndKeepsTheRestOfTheFile) {
    test::WriteFile(HostFile(), "; Morvalen\n[Morvalen]\nVersion=3\n\n[transformadores]\ntransformado=1\n");
    Start(L"EXPORTAR " + Hex(host));
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L""));
    ExpectMessage(L"No existe archivo");
    ExpectEnds();
    // The key's line replaced as Windows' profile service does: its spelling kept.
    EXPECT_EQ(test::ReadFile(HostFile()), "; Morvalen\n[Morvalen]\nVersion=3\n\n[transformadores]\ntransformado=-1\n");
}

TEST_F(HostWindowTest, AnotherActionWordEmbedsWithoutARunAndTheHostClosesIt) {
    Start(L"abrir " + Hex(host));
    HWND window = WaitForEmbeddedWindow();
    ASSERT_NE(window, nullptr);
    Pump(500);
    EXPECT_EQ(TopLevelWindows(process.dwProcessId).size(), 0u) << "a window beside the embedded one";
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds();
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(HostWindowTest, AResultFileThatCannotBeWrittenIsReportedAndTheWindowClosesAllTheSame) {
    fs::create_directory(HostFile());  // a folder where the file should be
    Start(L"abrir " + Hex(host));
    HWND window = WaitForEmbeddedWindow();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    const Box box = AnswerBox();
    EXPECT_EQ(Narrow(box.text), "Unable to write to " + Narrow(HostFile().wstring()) + ".");
    EXPECT_EQ(box.icon, "stop");
    ExpectEnds();
}

TEST_F(HostWindowTest, ImportarRunsTheExport) {
    ASSERT_NO_FATAL_FAILURE(ImportDemoSchool());
    EXPECT_NE(test::ReadFile(kMtemp / "PERIODOS.DBF").find("Jornada de tarde"), std::string::npos)
        << "the template picked in the chooser";
    fs::copy_file(gSourceDir / "samples" / "SOLUC.DBF", kMtemp / "SOLUC.DBF");
    Start(L"importar " + Hex(host));
    ASSERT_NE(WaitForEmbeddedWindow(), nullptr);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"escuela.xml"));
    ExpectMessage(L"Proceso finalizado");
    ExpectEnds();
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=1\r\n");
    EXPECT_TRUE(fs::exists(dir / "ResultadoTuvaneescuela.xml"));
}

TEST_F(HostWindowTest, AHandleThatIsNotHexadecimalGivesTheErrorBoxThenTheOrdinaryWindowAndItsRun) {
    Start(L"exportar 2A0G6");
    const Box box = AnswerBox();
    EXPECT_EQ(Narrow(box.text), "'$2A0G6' no es un valor entero v?lido.");
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(box.icon, "stop");
    HWND window = WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr) << "no ordinary window";
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION);
    // The action word's run starts all the same; not in host mode, the window stays.
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L""));
    ExpectMessage(L"No existe archivo");
    Pump(300);
    EXPECT_TRUE(IsWindow(window));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds();
    EXPECT_FALSE(fs::exists(HostFile()));
}

TEST_F(HostWindowTest, AHandleOfNoWindowGivesTheOrdinaryWindowInHostMode) {
    Start(L"abrir 7FFFFFF0");
    HWND window = WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds();
    EXPECT_EQ(test::ReadFile(HostFile()), "[Transformadores]\r\nTransformado=0\r\n");
}


// The buttons of the main window by caption, in the order of the window's
// children (the lower panel, then the left and the right upper panel).
std::vector<HWND> ButtonsCaptioned(HWND window, const std::wstring& caption) {
    std::vector<HWND> found;
    for (HWND control : Descendants(window))
        if (ClassOf(control) == L"Button" && Text(control) == caption) found.push_back(control);
    return found;
}

TEST_F(HostWindowTest, TheWindowAsDesigned) {
    Start(L"");
    HWND window = WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    Pump(300);
    TakeScreenshot(window, "win32-main-window");

    // A fixed dialog frame without minimise or maximise box, centred.
    const SIZE size = ClientSize(window);
    EXPECT_EQ(size.cx, kClientWidth);
    EXPECT_EQ(size.cy, kClientHeight);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD));
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2);

    // The controls and their captions.
    std::vector<std::string> buttons;
    std::vector<std::string> labels;
    for (HWND control : Descendants(window)) {
        if (ClassOf(control) == L"Button") buttons.push_back(Narrow(Text(control)));
        if (ClassOf(control) == L"Static") labels.push_back(Narrow(Text(control)));
    }
    EXPECT_EQ(buttons, (std::vector<std::string>{"&Salir", "F1 Ayuda", "Aceptar", "Aceptar"}));
    EXPECT_EQ(labels, (std::vector<std::string>{"Vindeleo para VL09 V-1.0", "Transformar datos desde Siravel hacia Morvalen ",
                                                "Transformar datos desde Morvalen hacia Siravel"}));

    // The tab order: Salir, the help button, the left and the right Aceptar.
    const std::vector<HWND> accept = ButtonsCaptioned(window, L"Aceptar");
    ASSERT_EQ(accept.size(), 2u);
    HWND salir = ButtonsCaptioned(window, L"&Salir").at(0);
    HWND help = ButtonsCaptioned(window, L"F1 Ayuda").at(0);
    EXPECT_EQ(GetNextDlgTabItem(window, salir, FALSE), help);
    EXPECT_EQ(GetNextDlgTabItem(window, help, FALSE), accept[0]);
    EXPECT_EQ(GetNextDlgTabItem(window, accept[0], FALSE), accept[1]);
    EXPECT_EQ(GetNextDlgTabItem(window, accept[1], FALSE), salir);

    // The panels' gradients start with their colours at the top.
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    // The screen's colour at a point of the client area, once it shows the
    // expected one (or, after the wait, whatever it shows).
    const auto pixel = [&](int x, int y, DWORD expected) {
        const RECT one{client.left + x, client.top + y, client.left + x + 1, client.top + y + 1};
        const auto read = [&] { return ScreenPixels(one).at(0) & 0xFFFFFF; };
        return PumpUntil<DWORD>([&]() -> std::optional<DWORD> {
                   if (read() == expected) return expected;
                   return std::nullopt;
               }, 5000)
            .value_or(read());
    };
    EXPECT_EQ(pixel(5, 0, 0xF9D37D), 0xF9D37Du);    // the left panel: 249, 211, 125
    EXPECT_EQ(pixel(600, 0, 0xF9D37D), 0xF9D37Du);  // the right panel
    EXPECT_EQ(pixel(5, 168, 0xC2CDFE), 0xC2CDFEu);  // the lower panel over the upper ones: 194, 205, 254

    // Help: no SIRAVEL.chm beside the program, from the button and from F1.
    const std::string noHelp = "No se encuentra el archivo de ayuda " + Narrow((Program() / "SIRAVEL.chm").wstring());
    PostMessageW(help, BM_CLICK, 0, 0);
    ExpectMessage(std::wstring(noHelp.begin(), noHelp.end()));
    PostMessageW(salir, WM_KEYDOWN, VK_F1, 0);
    ExpectMessage(std::wstring(noHelp.begin(), noHelp.end()));

    PostMessageW(salir, BM_CLICK, 0, 0);
    ExpectEnds();
    EXPECT_FALSE(fs::exists(HostFile()));  // written in host mode only
}

// The screen's resolution as the user sets it (Wine reads it when a program
// starts), put back when the test ends.
class ScreenDpiSetting {
public:
    explicit ScreenDpiSetting(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~ScreenDpiSetting() {
        if (had_)
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else
            RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }
    ScreenDpiSetting(const ScreenDpiSetting&) = delete;
    ScreenDpiSetting& operator=(const ScreenDpiSetting&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
};

TEST_F(HostWindowTest, TheDesignIsScaledWithTheScreensResolution) {
    HWND window = nullptr;
    {
        ScreenDpiSetting dpi(144);
        Start(L"");
        window = WaitForWindow(kCaption);
    }
    ASSERT_NE(window, nullptr);
    const SIZE size = ClientSize(window);
    EXPECT_EQ(size.cx, kClientWidth * 3 / 2);
    EXPECT_EQ(size.cy, kClientHeight * 3 / 2);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds();
}

TEST_F(HostWindowTest, TheProgramCarriesItsVersionAndManifest) {
    const std::wstring program = (Program() / "vindeleo.exe").wstring();
    DWORD ignored = 0;
    std::vector<char> version(GetFileVersionInfoSizeW(program.c_str(), &ignored));
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    wchar_t* name = nullptr;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\0C0A04E4\\ProductName",
                               reinterpret_cast<void**>(&name), &length));
    EXPECT_EQ(std::wstring(name), L"Vindeleo");

    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                           SizeofResource(module, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("<dpiAware"), std::string::npos);
    FreeLibrary(module);
}

TEST_F(HostWindowTest, AnErrorInsideARunReachesTheErrorBoxAndTheWindowStaysUsable) {
    fs::remove_all(kMtemp);  // the run cannot find the timetable program's working directory
    Start(L"");
    HWND window = WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    const std::vector<HWND> accept = ButtonsCaptioned(window, L"Aceptar");
    ASSERT_EQ(accept.size(), 2u);

    PostMessageW(accept[0], BM_CLICK, 0, 0);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"escuela.xml"));
    const Box box = AnswerBox();
    EXPECT_EQ(Narrow(box.text),
              "No existe la carpeta de trabajo C:\\MTEMP: abra Morvalen una vez para que la cree y vuelva a intentarlo.");
    EXPECT_EQ(box.icon, "stop");
    EXPECT_TRUE(IsWindowEnabled(accept[0]));
    EXPECT_TRUE(IsWindowEnabled(accept[1]));

    // The same window runs the import once the directory is there; a finished
    // run disables both conversion buttons, and the window stays.
    fs::create_directories(kMtemp);
    PostMessageW(accept[0], BM_CLICK, 0, 0);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"escuela.xml"));
    ASSERT_NO_FATAL_FAILURE(AnswerChooser());
    ExpectMessage(L"Proceso finalizado");
    const auto bothDisabled = PumpUntil<bool>([&]() -> std::optional<bool> {
        if (!IsWindowEnabled(accept[0]) && !IsWindowEnabled(accept[1])) return true;
        return std::nullopt;
    });
    EXPECT_TRUE(bothDisabled) << "the conversion buttons stay enabled";
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(fs::exists(kMtemp / "PERIODOS.DBF"));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds();
}

// Help goes through HTML Help (Wine's hhctrl.ocx): the help button shows the
// guide SIRAVEL.chm beside the program in HTML Help's window, captioned as
// the guide's window definition says; F1 asks for help context 3, and HTML
// Help keeps a window only for a context that the file maps to a topic. The
// help windows close with the program.
TEST_F(HostWindowTest, TheHelpButtonAndF1ShowTheGuideInHtmlHelp) {
    const std::wstring kGuideCaption = L"Ayuda de Vindeleo";
    const wchar_t* kHtmlHelpWindow = L"HH Parent";
    fs::copy_file(gProgram.parent_path() / "SIRAVEL.chm", Program() / "SIRAVEL.chm");
    Start(L"");
    HWND window = WaitForWindow(kCaption);
    ASSERT_NE(window, nullptr);
    const std::vector<HWND> help = ButtonsCaptioned(window, L"F1 Ayuda");
    ASSERT_EQ(help.size(), 1u);

    PostMessageW(help[0], BM_CLICK, 0, 0);
    HWND viewer = WaitForWindow(kGuideCaption, kHtmlHelpWindow);
    ASSERT_NE(viewer, nullptr) << "the help button shows no HTML Help window";
    PostMessageW(viewer, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntilGone(viewer));

    PostMessageW(window, WM_KEYDOWN, VK_F1, 0);
    viewer = WaitForWindow(kGuideCaption, kHtmlHelpWindow);
    ASSERT_NE(viewer, nullptr) << "F1 shows no HTML Help window";
    // It stays: the context was found (an unmapped one closes it at once).
    Pump(500);
    EXPECT_TRUE(IsWindow(viewer) && IsWindowVisible(viewer));
    // Closing the program with the guide open closes the guide too.
    PostMessageW(window, WM_CLOSE, 0, 0);
    ExpectEnds();
    EXPECT_TRUE(WaitUntilGone(viewer));
}

}  // namespace
}  // namespace vindeleo

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fputs("usage: vindeleo_host_tests VINDELEO.EXE SOURCE_DIR [gtest options]\n", stderr);
        return 64;
    }
    vindeleo::test::gProgram = std::filesystem::absolute(argv[1]);
    vindeleo::test::gSourceDir = argv[2];
    const char* inPlace = std::getenv("VINDELEO_HOST_IN_PLACE");
    vindeleo::test::gInPlace = inPlace && *inPlace;
    return RUN_ALL_TESTS();
}
