// "vindeleo.exe copias" under Wine: the copies window, found among the
// program's top-level windows and answered through the Win32 API as the host
// tests answer the main window. Two imports of the demo school (a.xml with
// the template J2 over an old grid, then b.xml with J1) are made in this
// process, through the same library, before the program starts.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "import/ImportRun.h"
#include "session/CopiesSession.h"
#include "session/ModuleState.h"
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
using test::Text;

const std::wstring kCopiesCaption = L"Copias de las tablas";

// The files of a folder but the copies (COPIAS) and a copy's description.
std::map<std::string, std::string> Tables(const fs::path& dir) {
    auto files = test::Snapshot(dir);
    std::erase_if(files, [](const auto& file) { return file.first.starts_with("COPIAS") || file.first == "COPIA.TXT"; });
    return files;
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(static_cast<std::size_t>(text.size()) * 4, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
}

// A Windows-1252 text of the library as the window's UTF-16.
std::wstring W(const std::string& text1252) {
    std::wstring text(text1252.size(), L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(1252, 0, text1252.data(), static_cast<int>(text1252.size()),
                                                             text.data(), static_cast<int>(text.size()))));
    return text;
}

// The whole text of a control, however long.
std::wstring FullText(HWND control) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

class CopiesWindowTest : public test::HostHarness {
protected:
    void SetUp() override {
        HostHarness::SetUp();
        for (const char* name : {"a.xml", "b.xml"})
            fs::copy_file(test::gSourceDir / "samples" / "demo-school.xml", dir / name);
        test::WriteFile(kMtemp / "JORNADAS.DBF", "an old grid that the import takes away");
        ASSERT_NO_FATAL_FAILURE(Import("a.xml", "J2"));
        ASSERT_NO_FATAL_FAILURE(Import("b.xml", "J1"));
    }

    void Import(const std::string& document, const std::string& templateCode) {
        ModuleState state;
        state.WorkingDirectory = kMtemp;
        state.ProgramDirectory = Program();
        test::RecordingUi ui;
        ui.fileAnswer = dir / document;
        ui.templateAnswer = templateCode;
        RunImport(state, ui);
        ASSERT_EQ(state.ResultCode, 1) << document;
    }

    // The copies as the window's session lists them.
    std::vector<CopyRow> Copies() const { return ListCopyRows(kMtemp); }

    HWND Open() {
        Start(L"copias");
        HWND window = WaitForWindow(kCopiesCaption);
        if (window) Pump(300);
        return window;
    }

    static HWND Control(HWND window, const wchar_t* className, const std::wstring& text = {}) {
        for (HWND control : Descendants(window))
            if (ClassOf(control) == className && (text.empty() || Text(control) == text)) return control;
        ADD_FAILURE() << "no " << Narrow(className) << " " << Narrow(text);
        return nullptr;
    }
    static HWND List(HWND window) { return Control(window, L"ListBox"); }
    static HWND Button(HWND window, const std::wstring& caption) { return Control(window, L"Button", caption); }

    static std::vector<std::wstring> Rows(HWND list) {
        std::vector<std::wstring> rows;
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::wstring text(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(
                SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
            rows.push_back(text);
        }
        return rows;
    }

    // Moves the list's selection down a row, as the arrow key does.
    static void SelectNext(HWND list) {
        const LRESULT before = SendMessageW(list, LB_GETCURSEL, 0, 0);
        PostMessageW(list, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(list, WM_KEYUP, VK_DOWN, 0);
        const auto moved = PumpUntil<bool>([&]() -> std::optional<bool> {
            if (SendMessageW(list, LB_GETCURSEL, 0, 0) == before + 1) return true;
            return std::nullopt;
        });
        EXPECT_TRUE(moved) << "the selection stays";
        Pump(200);
    }

    // The next question box "Vindeleo": its text and icon, answered with IDYES or IDNO.
    test::Box AnswerQuestion(int answer) {
        test::Box box;
        box.window = WaitForWindow(L"Vindeleo", L"#32770");
        if (!box.window) {
            ADD_FAILURE() << "no question box";
            return box;
        }
        for (HWND control : Descendants(box.window)) {
            if (ClassOf(control) != L"Static") continue;
            if ((GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                box.icon = test::IconShown(control);
            else if (!Text(control).empty())
                box.text = Text(control);
        }
        EXPECT_NE(GetDlgItem(box.window, IDYES), nullptr);
        EXPECT_NE(GetDlgItem(box.window, IDNO), nullptr);
        PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        EXPECT_TRUE(WaitUntilGone(box.window)) << "the question box stays";
        return box;
    }

    void Close(HWND window) {
        PostMessageW(Button(window, L"&Cerrar"), BM_CLICK, 0, 0);
        ExpectEnds();
        EXPECT_FALSE(fs::exists(HostFile())) << "not the host's program: no result left";
    }

    // vindeleo-cli.exe beside the program, its standard output.
    std::string Cli(const std::wstring& arguments) {
        const fs::path output = dir / "cli-output.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE file = CreateFileW(output.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        std::wstring commandLine = L"\"" + (test::gProgram.parent_path() / "vindeleo-cli.exe").wstring() + L"\" " + arguments;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file;
        startup.hStdError = file;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION cli{};
        EXPECT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                   dir.Path().wstring().c_str(), &startup, &cli));
        WaitForSingleObject(cli.hProcess, 120000);
        DWORD code = 99;
        GetExitCodeProcess(cli.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(cli.hProcess);
        CloseHandle(cli.hThread);
        CloseHandle(file);
        return test::ReadFile(output);
    }
};

TEST_F(CopiesWindowTest, TheOneWordCopiasShowsTheCopiesNewestFirst) {
    HWND window = Open();
    ASSERT_NE(window, nullptr) << "no copies window";
    test::TakeScreenshot(window, "win32-copies-window");
    const SIZE size = test::ClientSize(window);
    EXPECT_EQ(size.cx, 632);
    EXPECT_EQ(size.cy, 400);
    EXPECT_EQ(test::TopLevelWindows(process.dwProcessId).size(), 1u) << "no main window beside it";
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    for (const wchar_t* title : {L"Fecha y hora", L"Documento", L"Tablas", L"Estado",
                                 L"Copias de las tablas que guarda cada importaci\u00f3n"})
        EXPECT_NE(Control(window, L"Static", title), nullptr);

    HWND list = List(window);
    ASSERT_NE(list, nullptr);
    const std::vector<CopyRow> copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    const std::vector<std::wstring> rows = Rows(list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Utf8(rows[0]), Utf8(W(copies[0].when + "\tb.xml\t9\t")));
    EXPECT_EQ(Utf8(rows[1]), Utf8(W(copies[1].when + "\ta.xml\t1\t")));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(IsWindowEnabled(Button(window, L"&Restaurar")));
    Close(window);
}

TEST_F(CopiesWindowTest, RestaurarOnTheOlderCopyAnsweredNoThenYes) {
    HWND window = Open();
    ASSERT_NE(window, nullptr) << "no copies window";
    const CopyRow older = Copies()[1];
    const auto copied = Tables(kMtemp / "COPIAS" / older.label);
    HWND list = List(window);
    SelectNext(list);

    const auto before = test::SnapshotWithTimes(kMtemp);
    PostMessageW(Button(window, L"&Restaurar"), BM_CLICK, 0, 0);
    test::Box question = AnswerQuestion(IDNO);
    EXPECT_EQ(Utf8(question.text), Utf8(W("\xBFVolver a poner las tablas de la copia del " + older.when +
                                          " (a.xml)? Las tablas de ahora se guardan en una copia nueva.")));
    EXPECT_EQ(question.icon, "question");
    Pump(500);
    EXPECT_EQ(test::SnapshotWithTimes(kMtemp), before);
    EXPECT_EQ(Rows(list).size(), 2u);

    PostMessageW(Button(window, L"&Restaurar"), BM_CLICK, 0, 0);
    question = AnswerQuestion(IDYES);
    const test::Box told = AnswerBox();
    const std::vector<CopyRow> copies = Copies();
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(Utf8(told.text), "Restaurada la copia " + older.label +
                                   ". Las tablas que sustituye se guardan en la copia " + copies[0].label);
    EXPECT_FALSE(told.hasIcon);
    EXPECT_EQ(Tables(kMtemp), copied);  // byte for byte the copy: the old grid, no table of the imports
    EXPECT_EQ(copied, (std::map<std::string, std::string>{{"JORNADAS.DBF", "an old grid that the import takes away"}}));
    const auto refreshed = PumpUntil<bool>([&]() -> std::optional<bool> {
        if (Rows(list).size() == 3u) return true;
        return std::nullopt;
    });
    ASSERT_TRUE(refreshed) << "the list is not read again";
    EXPECT_EQ(Utf8(Rows(list)[0]), Utf8(W(copies[0].when + "\trestauraci\xF3n de " + older.label + "\t9\t")));
    Close(window);
}

TEST_F(CopiesWindowTest, ADamagedCopyIsListedUnusableAndCannotBeRestored) {
    const std::string label = Copies()[0].label;
    const fs::path kept = kMtemp / "COPIAS" / label / "PROFT.DBF";
    const std::string bytes = test::ReadFile(kept);
    test::WriteFile(kept, bytes.substr(0, bytes.size() - 1));

    HWND window = Open();
    ASSERT_NE(window, nullptr) << "no copies window";
    HWND list = List(window);
    const std::vector<std::wstring> rows = Rows(list);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(Utf8(rows[0]), Utf8(W(Copies()[0].when + "\tb.xml\t\tno utilizable: el archivo PROFT.DBF est\xE1 da\xF1"
                                                          "ado o incompleto")));
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(Button(window, L"&Restaurar")));
    SelectNext(list);
    EXPECT_TRUE(IsWindowEnabled(Button(window, L"&Restaurar")));
    Close(window);
}

TEST_F(CopiesWindowTest, RevisarUnDocumentoShowsTheReportOfTheCommandLinesCheck) {
    HWND window = Open();
    ASSERT_NE(window, nullptr) << "no copies window";
    const auto before = test::SnapshotWithTimes(kMtemp);

    PostMessageW(Button(window, L"Re&visar un documento..."), BM_CLICK, 0, 0);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"a.xml"));
    ASSERT_NO_FATAL_FAILURE(AnswerChooser());  // closed by its title bar: its first template
    HWND report = WaitForWindow(L"Comprobaci\u00f3n de la importaci\u00f3n");
    ASSERT_NE(report, nullptr) << "no report window";
    Pump(300);
    test::TakeScreenshot(report, "win32-copies-report");
    HWND memo = Control(report, L"Edit");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(GetWindowLongPtrW(memo, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongPtrW(memo, GWL_STYLE) & WS_VSCROLL);
    const std::wstring shown = FullText(memo);

    // "Copiar": the whole report on the clipboard.
    PostMessageW(Button(report, L"C&opiar"), BM_CLICK, 0, 0);
    Pump(500);
    std::wstring copied;
    if (OpenClipboard(nullptr)) {
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            copied = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    EXPECT_EQ(Utf8(copied), Utf8(shown));
    PostMessageW(Button(report, L"&Cerrar"), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntilGone(report));
    EXPECT_EQ(test::SnapshotWithTimes(kMtemp), before);

    // The command line's check of the same document: the same report.
    const std::string cli = WithoutCarriageReturns(Cli(L"check a.xml"));
    EXPECT_EQ(WithoutCarriageReturns(Utf8(shown)) + "\n", cli);
    EXPECT_NE(cli.find("PROFT"), std::string::npos);

    // A document that the import refuses: its message, no report.
    test::WriteFile(dir / "roto.xml", "<DATOS><FILA></DATOS>");
    PostMessageW(Button(window, L"Re&visar un documento..."), BM_CLICK, 0, 0);
    ASSERT_NO_FATAL_FAILURE(AnswerFileDialog(L"roto.xml"));
    const test::Box refused = AnswerBox();
    EXPECT_EQ(refused.text.rfind(W("ATENCI\xD3N - El archivo XML no es v\xE1lido"), 0), 0u) << Utf8(refused.text);
    EXPECT_EQ(test::SnapshotWithTimes(kMtemp), before);
    Close(window);
}

// F1 asks HTML Help for the copies window's own help context, which the
// guide maps to its page: Wine's HTML Help keeps its window only for a mapped
// context.
TEST_F(CopiesWindowTest, F1ShowsTheCopiesPageOfTheGuide) {
    fs::copy_file(test::gProgram.parent_path() / "SIRAVEL.chm", Program() / "SIRAVEL.chm");
    HWND window = Open();
    ASSERT_NE(window, nullptr) << "no copies window";
    PostMessageW(List(window), WM_KEYDOWN, VK_F1, 0);
    HWND viewer = WaitForWindow(L"Ayuda de Vindeleo", L"HH Parent");
    ASSERT_NE(viewer, nullptr) << "F1 shows no HTML Help window";
    Pump(500);
    EXPECT_TRUE(IsWindow(viewer) && IsWindowVisible(viewer)) << "help context 4 is not mapped";
    Close(window);
    EXPECT_TRUE(WaitUntilGone(viewer));
}

}  // namespace
}  // namespace vindeleo
