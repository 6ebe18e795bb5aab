// The setup program under Wine, as a school's staff and its IT person use it:
// silent installs into the timetable program's folder, the installed programs
// at work (vindeleo.exe under the project's own Win32 test host, and
// vindeleo-cli.exe), an upgrade from an older build, a silent uninstall that
// leaves everything else as it was, and the interactive installer's pages.
// run-setup-tests.sh runs it in a Wine prefix of its own, made afresh.
//
//   vindeleo_setup_tests SETUP.EXE OLDER-SETUP.EXE OLDER-FILES PACKAGE HOST-TESTS.EXE SOURCE-DIR
//                        VERSION OLDER-VERSION [gtest options]
//
// OLDER-SETUP.EXE is the same setup program built with the lower version
// OLDER-VERSION from the files in OLDER-FILES; PACKAGE is the build's package
// folder, whose files SETUP.EXE carries.

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
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
using test::PumpUntil;
using test::Text;
using test::TopLevelWindows;

fs::path gSetup, gOlderSetup, gOlderFiles, gPackage, gHostTests, gSourceDir;
std::wstring gVersion, gOlderVersion;

const fs::path kFolder = L"C:\\Morvalen";  // the timetable program's folder, and the setup's default
const fs::path kTables = L"C:\\MTEMP";
const wchar_t* const kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vindeleo";
const char* const kFiles[] = {"vindeleo.exe", "vindeleo-cli.exe", "NIVELEX.DBF", "SIRAVEL.chm"};
const char* const kUninstaller = "vindeleo-desinstalar.exe";
constexpr DWORD kProgramWaitMs = 180000;

std::wstring Quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

// Starts a program (a command line) and gives its process.
PROCESS_INFORMATION Start(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        ADD_FAILURE() << "cannot start " << test::Narrow(commandLine);
    return process;
}

// The exit code of a started program once it has ended (ended by force after the wait).
std::optional<DWORD> WaitForExit(PROCESS_INFORMATION& process, DWORD milliseconds = kProgramWaitMs) {
    if (!process.hProcess) return std::nullopt;
    std::optional<DWORD> code;
    if (WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0) {
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        code = status;
    } else {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
    return code;
}

std::optional<DWORD> RunProgram(const std::wstring& commandLine) {
    PROCESS_INFORMATION process = Start(commandLine);
    return WaitForExit(process);
}

std::optional<std::wstring> RegistryText(const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(value);
}

std::optional<DWORD> RegistryNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

// How many entries of the installed programs are named "Vindeleo".
int VindeleoEntries() {
    HKEY programs = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", 0, KEY_READ,
                      &programs) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(programs, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        wchar_t display[256] = {};
        DWORD size = sizeof display;
        if (RegGetValueW(programs, name, L"DisplayName", RRF_RT_REG_SZ, nullptr, display, &size) == ERROR_SUCCESS &&
            std::wstring(display) == L"Vindeleo")
            ++count;
    }
    RegCloseKey(programs);
    return count;
}

fs::path StartMenuFolder() {
    PWSTR programs = nullptr;
    SHGetKnownFolderPath(FOLDERID_CommonPrograms, 0, nullptr, &programs);
    fs::path folder = fs::path(programs) / L"Vindeleo";
    CoTaskMemFree(programs);
    return folder;
}

// The program file and the arguments of a shortcut.
std::pair<std::wstring, std::wstring> ShortcutTarget(const fs::path& link) {
    IShellLinkW* shellLink = nullptr;
    std::pair<std::wstring, std::wstring> target;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(link.wstring().c_str(), STGM_READ))) {
            wchar_t text[MAX_PATH] = {};
            shellLink->GetPath(text, MAX_PATH, nullptr, 0);
            target.first = text;
            text[0] = 0;
            shellLink->GetArguments(text, MAX_PATH);
            target.second = text;
        }
        file->Release();
    }
    shellLink->Release();
    return target;
}

bool WaitUntilGone(const fs::path& path) {
    return PumpUntil<bool>([&]() -> std::optional<bool> {
               if (!fs::exists(path)) return true;
               return std::nullopt;
           })
        .has_value();
}

// The interactive installer's main window, its pages read from its controls.
class InteractiveSetup {
public:
    InteractiveSetup() : process_(Start(Quoted(gSetup))) {
        window_ = PumpUntil<HWND>([&]() -> std::optional<HWND> {
                      for (HWND window : TopLevelWindows(process_.dwProcessId))
                          if (Text(window) == L"Instalación de Vindeleo " + gVersion) return window;
                      return std::nullopt;
                  }).value_or(nullptr);
    }
    ~InteractiveSetup() { WaitForExit(process_, 1000); }

    HWND Window() const { return window_; }

    // Which of these texts the window does not show (each as part of one of
    // its controls' texts), once it shows them all or the time is up.
    std::vector<std::wstring> Missing(const std::vector<std::wstring>& parts, DWORD milliseconds = test::kWaitMs) const {
        std::vector<std::wstring> missing;
        PumpUntil<bool>([&]() -> std::optional<bool> {
            std::vector<std::wstring> texts;
            for (HWND control : Descendants(window_))
                if (IsWindowVisible(control)) texts.push_back(Text(control));
            missing.clear();
            for (const std::wstring& part : parts) {
                bool shown = false;
                for (const std::wstring& text : texts) shown = shown || text.find(part) != std::wstring::npos;
                if (!shown) missing.push_back(part);
            }
            if (missing.empty()) return true;
            return std::nullopt;
        }, milliseconds);
        return missing;
    }

    std::wstring Field(int id) const { return Text(GetDlgItem(FindWindowExW(window_, nullptr, L"#32770", nullptr), id)); }

    void Press(int button) const {
        PostMessageW(window_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_, button)));
    }

    std::optional<DWORD> Exit() { return WaitForExit(process_, test::kWaitMs); }

    // The texts of the installer's next message box, answered with `answer`.
    std::wstring AnswerBox(int answer) const {
        HWND box = PumpUntil<HWND>([&]() -> std::optional<HWND> {
                       for (HWND window : TopLevelWindows(process_.dwProcessId))
                           if (window != window_ && ClassOf(window) == L"#32770") return window;
                       return std::nullopt;
                   }).value_or(nullptr);
        if (!box) {
            ADD_FAILURE() << "no message box";
            return {};
        }
        std::wstring texts;
        for (HWND control : Descendants(box)) texts += Text(control) + L"\n";
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        EXPECT_TRUE(PumpUntil<bool>([&]() -> std::optional<bool> {
            if (!IsWindow(box) || !IsWindowVisible(box)) return true;
            return std::nullopt;
        })) << "the message box stays";
        return texts;
    }

    // Cancelled, and the question whether to leave answered yes: the exit code.
    std::optional<DWORD> Cancel() {
        Press(IDCANCEL);
        const std::wstring asked = AnswerBox(IDYES);
        EXPECT_NE(asked.find(L"¿Está seguro de que desea salir de la instalación de Vindeleo"), std::wstring::npos)
            << test::Narrow(asked);
        return Exit();
    }

private:
    PROCESS_INFORMATION process_;
    HWND window_ = nullptr;
};

constexpr int kFolderField = 1019;  // NSIS's folder page: the folder's edit field

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveEverything(); }
    void TearDown() override { RemoveEverything(); }

    // No installation, no folders of the tests', an empty C:\MTEMP.
    static void RemoveEverything() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kUninstallKey);
        std::error_code ignored;
        for (const fs::path& folder : {kFolder, fs::path(L"C:\\Vindeleo"), StartMenuFolder(), kTables})
            fs::remove_all(folder, ignored);
        fs::create_directories(kTables);
    }

    // The folder as the timetable program's installation leaves it: its own
    // files, among them an uninstaller of its own.
    static void PutTimetableProgram() {
        fs::create_directories(kFolder / "DATOS");
        test::WriteFile(kFolder / "MORVALEN.EXE", "MZ the timetable program");
        test::WriteFile(kFolder / "uninstall.exe", "MZ the timetable program's uninstaller");
        test::WriteFile(kFolder / "DATOS" / "CENTRO.DAT", "the timetable program's data");
    }

    static std::optional<DWORD> InstallSilently(const fs::path& setup, const std::optional<fs::path>& folder) {
        std::wstring commandLine = Quoted(setup) + L" /S";
        if (folder) commandLine += L" /D=" + folder->wstring();
        return RunProgram(commandLine);
    }

    static void ExpectFilesOf(const fs::path& source, const fs::path& folder = kFolder) {
        for (const char* name : kFiles) {
            ASSERT_TRUE(fs::exists(folder / name)) << name;
            EXPECT_TRUE(test::ReadFile(folder / name) == test::ReadFile(source / name)) << name << " differs";
        }
        EXPECT_TRUE(fs::exists(folder / kUninstaller));
    }

    static void ExpectEntry(const std::wstring& version, const fs::path& folder = kFolder) {
        EXPECT_EQ(VindeleoEntries(), 1);
        EXPECT_EQ(RegistryText(L"DisplayName"), L"Vindeleo");
        EXPECT_EQ(RegistryText(L"DisplayVersion"), version);
        EXPECT_EQ(RegistryText(L"Publisher"), L"Vindeleo");
        EXPECT_EQ(RegistryText(L"InstallLocation"), folder.wstring());
        const std::wstring uninstaller = Quoted(folder / kUninstaller);
        EXPECT_EQ(RegistryText(L"UninstallString"), uninstaller);
        EXPECT_EQ(RegistryText(L"QuietUninstallString"), uninstaller + L" /S");
        // In KiB: the four files and the uninstaller.
        std::uintmax_t bytes = fs::file_size(folder / kUninstaller);
        for (const char* name : kFiles) bytes += fs::file_size(folder / name);
        EXPECT_EQ(RegistryNumber(L"EstimatedSize"), static_cast<DWORD>(bytes / 1024));
    }

    static void ExpectStartMenuEntries(const fs::path& folder = kFolder) {
        EXPECT_EQ(ShortcutTarget(StartMenuFolder() / L"Vindeleo.lnk"),
                  std::make_pair((folder / "vindeleo.exe").wstring(), std::wstring()));
        EXPECT_EQ(ShortcutTarget(StartMenuFolder() / L"Copias de las tablas de Morvalen.lnk"),
                  std::make_pair((folder / "vindeleo.exe").wstring(), std::wstring(L"copias")));
        EXPECT_EQ(ShortcutTarget(StartMenuFolder() / L"Ayuda de Vindeleo.lnk"),
                  std::make_pair((folder / "SIRAVEL.chm").wstring(), std::wstring()));
    }

    static std::optional<DWORD> UninstallSilently(const fs::path& folder = kFolder) {
        const auto code = RunProgram(Quoted(folder / kUninstaller) + L" /S");
        // Its own file goes once it has ended, removed by the copy it left behind.
        EXPECT_TRUE(WaitUntilGone(folder / kUninstaller)) << "the uninstaller stays";
        return code;
    }
};

TEST_F(SetupTest, ASilentInstallRunsInTheTimetableProgramsFolderAndItsUninstallLeavesTheRest) {
    PutTimetableProgram();
    const auto timetableProgram = test::SnapshotWithTimes(kFolder);

    ASSERT_EQ(InstallSilently(gSetup, kFolder), 0u);
    ExpectFilesOf(gPackage);
    ExpectEntry(gVersion);
    ExpectStartMenuEntries();
    auto others = test::SnapshotWithTimes(kFolder);
    for (const char* name : kFiles) others.erase(name);
    others.erase(kUninstaller);
    EXPECT_EQ(others, timetableProgram);

    // The installed vindeleo.exe under the project's own host, as the
    // timetable program starts it: the demo school imported, Morvalen.ini
    // with result 1 in the installed folder.
    SetEnvironmentVariableW(L"VINDELEO_HOST_IN_PLACE", L"1");
    const auto hostRun = RunProgram(Quoted(gHostTests) + L" " + Quoted(kFolder / "vindeleo.exe") + L" " +
                             Quoted(gSourceDir) + L" --gtest_filter=HostWindowTest.ExportarEmbedsRunsTheImportAndLeavesOne");
    SetEnvironmentVariableW(L"VINDELEO_HOST_IN_PLACE", nullptr);
    EXPECT_EQ(hostRun, 0u) << "the host's run of the installed program failed";
    EXPECT_EQ(test::ReadFile(kFolder / "Morvalen.ini"), "[Transformadores]\r\nTransformado=1\r\n");

    // The installed vindeleo-cli.exe imports twice: tables in C:\MTEMP and
    // the first import's tables kept in COPIAS.
    const std::wstring import = Quoted(kFolder / "vindeleo-cli.exe") + L" import " +
                                Quoted(gSourceDir / "samples" / "demo-school.xml");
    ASSERT_EQ(RunProgram(import), 0u);
    ASSERT_EQ(RunProgram(import), 0u);
    ASSERT_TRUE(fs::exists(kTables / "PROFT.DBF"));
    ASSERT_FALSE(fs::is_empty(kTables / "COPIAS"));

    const auto folderBefore = test::SnapshotWithTimes(kFolder);
    const auto tablesBefore = test::SnapshotWithTimes(kTables);
    ASSERT_EQ(UninstallSilently(), 0u);
    auto folderAfter = folderBefore;
    for (const char* name : kFiles) EXPECT_EQ(folderAfter.erase(name), 1u) << name;
    EXPECT_EQ(folderAfter.erase(kUninstaller), 1u);
    EXPECT_EQ(test::SnapshotWithTimes(kFolder), folderAfter) << "the folder's other files changed";
    EXPECT_TRUE(folderAfter.count("Morvalen.ini"));
    EXPECT_EQ(test::SnapshotWithTimes(kTables), tablesBefore) << "C:\\MTEMP changed";
    EXPECT_EQ(VindeleoEntries(), 0);
    EXPECT_FALSE(fs::exists(StartMenuFolder())) << "Start menu entries stay";
}

TEST_F(SetupTest, AnUpgradeReplacesAnOlderBuildInItsFolderUnlessThatOneIsRunning) {
    PutTimetableProgram();
    ASSERT_EQ(InstallSilently(gOlderSetup, kFolder), 0u);
    ExpectFilesOf(gOlderFiles);
    ExpectEntry(gOlderVersion);

    // Refused while vindeleo.exe of that folder runs: nothing replaced. The
    // folder page says why and stays; a silent install fails.
    PROCESS_INFORMATION running = Start(Quoted(kFolder / "vindeleo.exe"));
    ASSERT_TRUE(PumpUntil<bool>([&]() -> std::optional<bool> {
        if (!TopLevelWindows(running.dwProcessId).empty()) return true;
        return std::nullopt;
    })) << "the older vindeleo.exe shows no window";
    {
        InteractiveSetup setup;
        ASSERT_NE(setup.Window(), nullptr);
        setup.Press(IDOK);
        ASSERT_EQ(setup.Missing({L"Ya está instalado Vindeleo " + gOlderVersion + L" en C:\\Morvalen"}),
                  std::vector<std::wstring>());
        setup.Press(IDOK);  // Instalar
        const std::wstring refusal = setup.AnswerBox(IDOK);
        EXPECT_NE(refusal.find(L"Vindeleo está abierto desde la carpeta C:\\Morvalen."), std::wstring::npos)
            << test::Narrow(refusal);
        EXPECT_EQ(setup.Missing({L"Carpeta de Morvalen"}), std::vector<std::wstring>()) << "not on the folder page";
        EXPECT_EQ(setup.Cancel(), 1u);
    }
    EXPECT_EQ(InstallSilently(gSetup, std::nullopt), 2u);
    ExpectFilesOf(gOlderFiles);
    ExpectEntry(gOlderVersion);
    TerminateProcess(running.hProcess, 0);
    WaitForExit(running);

    // Without /D=, into the folder of the entry: the new files, one entry
    // with the new version.
    ASSERT_EQ(InstallSilently(gSetup, std::nullopt), 0u);
    ExpectFilesOf(gPackage);
    ExpectEntry(gVersion);
    ExpectStartMenuEntries();
    EXPECT_TRUE(fs::exists(kFolder / "MORVALEN.EXE"));
}

TEST_F(SetupTest, AnUninstallStoppedByAFileHeldOpenKeepsTheEntryAndALaterOneRemovesTheFolderItLeavesEmpty) {
    const fs::path folder = L"C:\\Vindeleo";
    ASSERT_EQ(InstallSilently(gSetup, folder), 0u);
    ExpectFilesOf(gPackage, folder);
    ExpectEntry(gVersion, folder);
    ExpectStartMenuEntries(folder);

    // The guide held open without sharing, as a help window might hold it.
    const HANDLE held = CreateFileW((folder / "SIRAVEL.chm").wstring().c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunProgram(Quoted(folder / kUninstaller) + L" /S"), 2u);
    CloseHandle(held);
    EXPECT_TRUE(fs::exists(folder / "SIRAVEL.chm"));
    EXPECT_TRUE(fs::exists(folder / kUninstaller)) << "the uninstaller went, with work left";
    EXPECT_EQ(RegistryText(L"InstallLocation"), folder.wstring());
    ExpectStartMenuEntries(folder);

    ASSERT_EQ(UninstallSilently(folder), 0u);
    EXPECT_TRUE(WaitUntilGone(folder));
    EXPECT_EQ(VindeleoEntries(), 0);
}

TEST_F(SetupTest, TheInteractiveInstallersPagesAreInSpanishAndProposeTheFolder) {
    {
        InteractiveSetup setup;
        ASSERT_NE(setup.Window(), nullptr) << "no installer window";
        const std::vector<std::wstring> none;
        EXPECT_EQ(setup.Missing({L"Instalación de Vindeleo " + gVersion,
                                 L"Este asistente instala Vindeleo " + gVersion + L" en la carpeta de Morvalen",
                                 L"&Siguiente >", L"Cancelar"}),
                  none);

        setup.Press(IDOK);
        EXPECT_EQ(setup.Missing({L"Carpeta de Morvalen", L"Elija la carpeta donde está instalado Morvalen.",
                                 L"Vindeleo se instala en la carpeta del programa de horarios Morvalen: Morvalen abre "
                                 L"vindeleo.exe desde esa carpeta y lee allí el resultado",
                                 L"Se propone C:\\Morvalen. Si Morvalen está en otra carpeta",
                                 L"&Examinar...", L"< &Atrás", L"&Instalar"}),
                  none);
        EXPECT_EQ(setup.Field(kFolderField), L"C:\\Morvalen");
        test::Pump(500);
        test::TakeScreenshot(setup.Window(), "win32-setup");
        EXPECT_EQ(setup.Cancel(), 1u);
    }
    EXPECT_FALSE(fs::exists(kFolder));
    EXPECT_EQ(VindeleoEntries(), 0);

    // Over an earlier Vindeleo, its folder, read from its entry, proposed and
    // taken: the pages to their end, and the entry names that folder as the
    // uninstaller spells its own (it removes the entry only then).
    HKEY entry = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_WRITE, nullptr, &entry, nullptr),
              ERROR_SUCCESS);
    const fs::path earlier = L"C:\\Vindeleo";
    fs::create_directories(earlier);
    RegSetValueExW(entry, L"InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(earlier.c_str()),
                   static_cast<DWORD>((earlier.wstring().size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(entry, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0.9"), 4 * sizeof(wchar_t));
    RegCloseKey(entry);
    {
        InteractiveSetup setup;
        ASSERT_NE(setup.Window(), nullptr);
        setup.Press(IDOK);
        EXPECT_EQ(setup.Missing({L"Ya está instalado Vindeleo 0.9 en C:\\Vindeleo: se propone esa carpeta"}),
                  std::vector<std::wstring>());
        // NSIS shows a folder read from the registry with a closing backslash.
        std::wstring proposed = setup.Field(kFolderField);
        if (proposed.ends_with(L'\\')) proposed.pop_back();
        EXPECT_EQ(proposed, earlier.wstring());
        setup.Press(IDOK);  // Instalar; the finish page follows by itself
        ASSERT_EQ(setup.Missing({L"Vindeleo " + gVersion + L" está instalado", L"Abrir la ayuda de Vindeleo",
                                 L"&Terminar"},
                                kProgramWaitMs),
                  std::vector<std::wstring>());
        setup.Press(IDOK);
        EXPECT_EQ(setup.Exit(), 0u);
    }
    ExpectFilesOf(gPackage, earlier);
    ExpectEntry(gVersion, earlier);
    ASSERT_EQ(UninstallSilently(earlier), 0u);
    EXPECT_EQ(VindeleoEntries(), 0);
}

}  // namespace
}  // namespace vindeleo

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 9) {
        std::fputs("usage: vindeleo_setup_tests SETUP.EXE OLDER-SETUP.EXE OLDER-FILES PACKAGE HOST-TESTS.EXE "
                   "SOURCE-DIR VERSION OLDER-VERSION [gtest options]\n",
                   stderr);
        return 64;
    }
    namespace fs = std::filesystem;
    vindeleo::gSetup = fs::absolute(argv[1]);
    vindeleo::gOlderSetup = fs::absolute(argv[2]);
    vindeleo::gOlderFiles = fs::absolute(argv[3]);
    vindeleo::gPackage = fs::absolute(argv[4]);
    vindeleo::gHostTests = fs::absolute(argv[5]);
    vindeleo::gSourceDir = fs::absolute(argv[6]);
    vindeleo::gVersion = fs::path(argv[7]).wstring();
    vindeleo::gOlderVersion = fs::path(argv[8]).wstring();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return RUN_ALL_TESTS();
}
