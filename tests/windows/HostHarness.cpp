#include "windows/HostHarness.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "windows/WindowSupport.h"

namespace vindeleo::test {

namespace fs = std::filesystem;

fs::path gProgram;
fs::path gSourceDir;
bool gInPlace = false;

namespace {

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

}  // namespace

SIZE ClientSize(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    return {area.right - area.left, area.bottom - area.top};
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

void HostHarness::SetUp() {
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

void HostHarness::TearDown() {
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

std::wstring HostHarness::Hex(HWND window) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

void HostHarness::Start(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + (Program() / "vindeleo.exe").wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               dir.Path().wstring().c_str(), &startup, &process));
}

HWND HostHarness::WaitForWindow(const std::wstring& caption, const wchar_t* className) {
    return PumpUntil<HWND>([&]() -> std::optional<HWND> {
               for (HWND window : TopLevelWindows(process.dwProcessId))
                   if (Text(window) == caption && (!className || ClassOf(window) == className)) return window;
               return std::nullopt;
           }).value_or(nullptr);
}

bool HostHarness::WaitUntilGone(HWND window) {
    return PumpUntil<bool>([&]() -> std::optional<bool> {
               if (!IsWindow(window) || !IsWindowVisible(window)) return true;
               return std::nullopt;
           }).has_value();
}

HWND HostHarness::WaitForEmbeddedWindow() {
    return PumpUntil<HWND>([&]() -> std::optional<HWND> {
               HWND window = FindWindowExW(host, nullptr, nullptr, kCaption.c_str());
               if (window && IsWindowVisible(window)) return window;
               return std::nullopt;
           }).value_or(nullptr);
}

void HostHarness::AnswerFileDialog(const std::wstring& fileName) {
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

Box HostHarness::AnswerBox() {
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

void HostHarness::ExpectMessage(const std::wstring& text) {
    const Box box = AnswerBox();
    EXPECT_EQ(Narrow(box.text), Narrow(text));
    EXPECT_FALSE(box.hasIcon) << Narrow(box.text);
}

void HostHarness::AnswerChooser() {
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

void HostHarness::PickSecondTemplate() {
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

std::optional<DWORD> HostHarness::WaitForExit() {
    return PumpUntil<DWORD>([&]() -> std::optional<DWORD> {
        if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) return std::nullopt;
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        return status;
    });
}

void HostHarness::ExpectEnds() {
    const auto status = WaitForExit();
    ASSERT_TRUE(status) << "the program does not end";
    EXPECT_EQ(*status, 0u);
}

void HostHarness::ImportDemoSchool() {
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

}  // namespace vindeleo::test
