#pragma once
// The host of the Win32 window tests: a top-level window of the test's own
// that starts "vindeleo.exe ACTION <its HWND in hex>" as the timetable
// program does, and answers Vindeleo's windows through the Win32 API (found
// with EnumWindows, answered with messages): the file dialog, the template
// chooser, the message boxes. Each test gets a folder of its own, the
// program copied into it (or used in place, as a setup program installed
// it), and an emptied C:\MTEMP.
//
// The host window's messages are pumped while it waits: Vindeleo's window is
// its child, and a child of another thread needs its parent to answer.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/TestSupport.h"

namespace vindeleo::test {

// Set by the host tests' main: the program under test (copied into each
// test's folder unless used in place) and the source tree.
extern std::filesystem::path gProgram;
extern std::filesystem::path gSourceDir;
extern bool gInPlace;

inline const std::wstring kCaption = L"Exportar e importar datos entre Morvalen y Siravel";
inline constexpr int kClientWidth = 632;
inline constexpr int kClientHeight = 266;

SIZE ClientSize(HWND window);

// Which of the message box icons the screen shows at the icon control
// ("stop", "warning", "information", "question", or "none recognised").
std::string IconShown(HWND iconControl);

// A message box of Vindeleo, as read from its controls.
struct Box {
    HWND window = nullptr;
    std::wstring text;
    bool hasIcon = false;
    std::string icon;  // which one: "stop", "warning", ...
};

class HostHarness : public ::testing::Test {
protected:
    void SetUp() override;

    void TearDown() override;

    std::filesystem::path Program() const { return gInPlace ? gProgram.parent_path() : dir / "program"; }

    std::filesystem::path HostFile() const { return Program() / "Morvalen.ini"; }

    static std::wstring Hex(HWND window);

    // Starts the program as the host does, from the document's directory.
    void Start(const std::wstring& arguments);

    // A top-level window of the program with that caption (and class, when given).
    HWND WaitForWindow(const std::wstring& caption, const wchar_t* className = nullptr);

    bool WaitUntilGone(HWND window);

    // Vindeleo's main window among the host window's children.
    HWND WaitForEmbeddedWindow();

    // The file dialog "Archivo XML" answered with a file name, or cancelled
    // (an empty name).
    void AnswerFileDialog(const std::wstring& fileName);

    // The next message box "Vindeleo": its text and icon, answered with its button.
    Box AnswerBox();

    void ExpectMessage(const std::wstring& text);

    // The template chooser, checked and closed by its title bar's close box.
    void AnswerChooser();

    // The template chooser answered with the second code, picked from the
    // combo box's list, and "Continuar": the window shows that template's
    // name, dates and slots.
    void PickSecondTemplate();

    // The program's exit status once it has ended.
    std::optional<DWORD> WaitForExit();

    void ExpectEnds();

    // Imports the demo school as the host's "exportar" does, with its second
    // school-day template.
    void ImportDemoSchool();

    const std::filesystem::path kMtemp = std::filesystem::path(L"C:\\MTEMP");
    TempDir dir;
    HWND host = nullptr;
    PROCESS_INFORMATION process{};
};

}  // namespace vindeleo::test
