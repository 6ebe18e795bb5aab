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

fs::path gProgram;
fs::path gSourceDir;
bool gInPlace = false;

const std::wstring kCaption = L"Exportar e importar datos entre Morvalen y Siravel";
constexpr int kClientWidth = 632;
constexpr int kClientHeight = 266;

SIZE ClientSize(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    return {area.right - area.left, area.bottom - area.top};
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// A system icon drawn over a background colour, as 32-bit colours.
std::vector<DWORD> DrawnIcon(const wchar_t* icon, int width, int height, DWORD background) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    std::fill(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height, background);
    DrawIconEx(memory, 0, 0, LoadIconW(nullptr, icon), 0, 0, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

long Distance(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    long sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        for (int shift : {0, 8, 16}) sum += std::labs(static_cast<long>((a[i] >> shift) & 0xFF) - static_cast<long>((b[i] >> shift) & 0xFF));
    return sum;
}

// Which of the message box icons the screen shows at the icon control: the
// one that, drawn here over the same background, looks closest, and clearly
// closer than any other (a box still being painted shows none of them yet:
// the screen is read again until it does).
std::string IconShown(HWND iconControl) {
    const int width = GetSystemMetrics(SM_CXICON);
    const int height = GetSystemMetrics(SM_CYICON);
    const struct {
        const wchar_t* icon;
        const char* name;
    } icons[] = {{IDI_HAND, "stop"}, {IDI_EXCLAMATION, "warning"}, {IDI_ASTERISK, "information"},
                 {IDI_QUESTION, "question"}};
    return PumpUntil<std::string>([&]() -> std::optional<std::string> {
               RECT place{};
               GetWindowRect(iconControl, &place);
               place.right = place.left + width;
               place.bottom = place.top + height;
               const std::vector<DWORD> shown = ScreenPixels(place);
               std::vector<std::pair<long, std::string>> distances;
               for (const auto& candidate : icons)
                   distances.emplace_back(Distance(shown, DrawnIcon(candidate.icon, width, height, shown.front())),
                                          candidate.name);
               std::sort(distances.begin(), distances.end());
               if (distances[0].first * 10 < distances[1].first) return distances[0].second;
               return std::nullopt;
           }, 5000)
        .value_or("none recognised");
}

// A message box of Vindeleo, as read from its controls.
struct Box {
    HWND window = nullptr;
    std::wstring text;
    bool hasIcon = false;
    std::string icon;  // which one: "stop", "warning", ...
};

class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gInPlace) {
            fs::create_directories(Program());
            fs::copy_file(gProgram, Program() / "vindeleo.exe");
            fs::copy_file(gProgram.parent_path() / "NIVELEX.DBF", Program() / "NIVELEX.DBF");
        }
        fs::copy_file(gSourceDir / "samples" / "demo-school.xml", dir / "escuela.xml");
        // The timetable program's working directory, emptied: the runs of
        // this test's own.
        fs::remove_all(kMtemp);
        fs::create_directories(kMtemp);

        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = HostProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        windowClass.lpszClassName = L"MorvalenTestHost";
        RegisterClassW(&windowClass);
        host = CreateWindowExW(0, L"MorvalenTestHost", L"Morvalen (host de prueba)",
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host, nullptr);
        Pump(100);
    }

    void TearDown() override {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        if (host) DestroyWindow(host);
        fs::remove_all(kMtemp);
        fs::create_directories(kMtemp);
    }

    fs::path Program() const { return gInPlace ? gProgram.parent_path() : dir / "program"; }
    fs::path HostFile() const { return Program() / "Morvalen.ini"; }

    static std::wstring Hex(HWND window) {
        wchar_t text[32];
        std::swprintf(text, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
        return text;
    }

    // Starts the program as the host does, from the document's directory.
    void Start(const std::wstring& arguments) {
        std::wstring commandLine = L"\"" + (Program() / "vindeleo.exe").wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   dir.Path().wstring().c_str(), &startup, &process));
    }

    // A top-level window of the program with that caption (and class, when given).
    HWND WaitForWindow(const std::wstring& caption, const wchar_t* className = nullptr) {
        return PumpUntil<HWND>([&]() -> std::optional<HWND> {
                   for (HWND window : TopLevelWindows(process.dwProcessId))
                       if (Text(window) == caption && (!className || ClassOf(window) == className)) return window;
                   return std::nullopt;
               }).value_or(nullptr);
    }

    bool WaitUntilGone(HWND window) {
        return PumpUntil<bool>([&]() -> std::optional<bool> {
                   if (!IsWindow(window) || !IsWindowVisible(window)) return true;
                   return std::nullopt;
               }).has_value();
    }

    // Vindeleo's main window among the host window's children.
    HWND WaitForEmbeddedWindow() {
        return PumpUntil<HWND>([&]() -> std::optional<HWND> {
                   HWND window = FindWindowExW(host, nullptr, nullptr, kCaption.c_str());
                   if (window && IsWindowVisible(window)) return window;
                   return std::nullopt;
               }).value_or(nullptr);
    }

    // The file dialog "Archivo XML" answered with a file name, or cancelled
    // (an empty name).
    void AnswerFileDialog(const std::wstring& fileName) {
        HWND dialog = WaitForWindow(L"Archivo XML");
        ASSERT_NE(dialog, nullptr) << "no file dialog";
        if (fileName.empty()) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else {
            // The file name field: the combo box cmb13 of the Explorer-style
            // dialog, or the edit field edt1.
            HWND field = GetDlgItem(dialog, 0x47c);
            if (!field) field = GetDlgItem(dialog, 0x480);
            ASSERT_NE(field, nullptr) << "no file name field";
            SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()), SMTO_ABORTIFHUNG,
                                5000, nullptr);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        }
        ASSERT_TRUE(WaitUntilGone(dialog)) << "the file dialog stays";
    }

    // The next message box "Vindeleo": its text and icon, answered with its button.
    Box AnswerBox() {
        Box box;
        box.window = WaitForWindow(L"Vindeleo", L"#32770");
        if (!box.window) {
            ADD_FAILURE() << "no message box";
            return box;
        }
        for (HWND control : Descendants(box.window)) {
            if (ClassOf(control) != L"Static") continue;
            const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
            if ((style & SS_TYPEMASK) == SS_ICON) {
                box.hasIcon = IsWindowVisible(control) && SendMessageW(control, STM_GETICON, 0, 0) != 0;
                if (box.hasIcon) box.icon = IconShown(control);
            } else if (!Text(control).empty()) {
                box.text = Text(control);
            }
        }
        PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(WaitUntilGone(box.window)) << "the message box stays";
        return box;
    }

    void ExpectMessage(const std::wstring& text) {
        const Box box = AnswerBox();
        EXPECT_EQ(Narrow(box.text), Narrow(text));
        EXPECT_FALSE(box.hasIcon) << Narrow(box.text);
    }

    // The template chooser, checked and closed by its title bar's close box.
    void AnswerChooser() {
        HWND chooser = WaitForWindow(L"Plantillas Horarias");
        ASSERT_NE(chooser, nullptr) << "no template chooser";
        Pump(300);
        TakeScreenshot(chooser, "win32-template-chooser");
        const SIZE size = ClientSize(chooser);
        EXPECT_EQ(size.cx, 369);
        EXPECT_EQ(size.cy, 193);
        const LONG_PTR style = GetWindowLongPtrW(chooser, GWL_STYLE);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
        HWND combo = nullptr;
        for (HWND control : Descendants(chooser))
            if (ClassOf(control) == L"ComboBox") combo = control;
        ASSERT_NE(combo, nullptr);
        EXPECT_GE(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2) << "the demo school carries several templates";
        PostMessageW(chooser, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(WaitUntilGone(chooser)) << "the chooser stays";
    }

    // The template chooser answered with the second code, picked from the
    // combo box's list, and "Continuar": the window shows that template's
    // name, dates and slots.
    void PickSecondTemplate() {
        HWND chooser = WaitForWindow(L"Plantillas Horarias");
        ASSERT_NE(chooser, nullptr) << "no template chooser";
        HWND combo = nullptr;
        HWND list = nullptr;
        HWND continuar = nullptr;
        for (HWND control : Descendants(chooser)) {
            if (ClassOf(control) == L"ComboBox") combo = control;
            if (ClassOf(control) == L"ListBox") list = control;
            if (Text(control) == L"Continuar") continuar = control;
        }
        ASSERT_TRUE(combo && list && continuar);
        const auto labels = [&] {
            std::vector<std::string> texts;
            for (HWND control : Descendants(chooser))
                if (ClassOf(control) == L"Static") texts.push_back(Narrow(Text(control)));
            return texts;
        };
        const auto shows = [&](const std::string& text) {
            const auto texts = labels();
            return std::find(texts.begin(), texts.end(), text) != texts.end();
        };
        EXPECT_TRUE(shows("23/06/2027"));  // the first template's end, at first
        const LRESULT firstSlots = SendMessageW(list, LB_GETCOUNT, 0, 0);
        EXPECT_GT(firstSlots, 0);

        SendMessageW(combo, CB_SETCURSEL, 1, 0);
        SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        EXPECT_TRUE(shows("Jornada de tarde (adultos)"));
        EXPECT_TRUE(shows("31/05/2027"));
        EXPECT_FALSE(shows("23/06/2027"));
        PostMessageW(continuar, BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitUntilGone(chooser)) << "the chooser stays";
    }

    // The program's exit status once it has ended.
    std::optional<DWORD> WaitForExit() {
        return PumpUntil<DWORD>([&]() -> std::optional<DWORD> {
            if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) return std::nullopt;
            DWORD status = 0;
            GetExitCodeProcess(process.hProcess, &status);
            return status;
        });
    }

    void ExpectEnds() {
        const auto status = WaitForExit();
        ASSERT_TRUE(status) << "the program does not end";
        EXPECT_EQ(*status, 0u);
    }

    // Imports the demo school as the host's "exportar" does, with its second
    // school-day template.
    void ImportDemoSchool() {
        Start(L"exportar " + Hex(host));
        ASSERT_NE(WaitForEmbeddedWindow(), nullptr);
        ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"escuela.xml"));
        ASSERT_NO_FATAL_FAILURE(PickSecondTemplate());
        ExpectMessage(L"Proceso finalizado");
        ExpectEnds();
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        process = {};
    }

    const fs::path kMtemp = fs::path(L"C:\\MTEMP");
    test::TempDir dir;
    HWND host = nullptr;
    PROCESS_INFORMATION process{};
};

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
    vindeleo::gProgram = std::filesystem::absolute(argv[1]);
    vindeleo::gSourceDir = argv[2];
    const char* inPlace = std::getenv("VINDELEO_HOST_IN_PLACE");
    vindeleo::gInPlace = inPlace && *inPlace;
    return RUN_ALL_TESTS();
}
