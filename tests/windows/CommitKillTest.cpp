// The import's commit under Windows' own semantics, the program started with
// CreateProcessW, its tables in C:\MTEMP.
//
// CommitKill: the import ended with TerminateProcess, which gives it no
// chance to clean up, while it puts the tables of a large school in place.
// The moments: as soon as the commit's plan (PLAN in the staging directory
// .vindeleo-N) is written, and at increasing delays after it across the commit
// that a clean run takes. After each kill every table is the complete old or
// the complete new one and none is missing; the next run finishes the work,
// with the tables of a clean run and no staging left.
//
// HeldTable: a table that another program opens without sharing, as a virus
// scanner, a backup or an indexing service opens a file just written. Held
// for a moment while the commit checks and moves it, it does not stop the
// import; kept, it does, with the in-use message and every table as it was.
//
//   vindeleo_commit_tests VINDELEO-CLI.EXE SMALL-SCHOOL.xml LARGE-SCHOOL.xml

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using Clock = std::chrono::steady_clock;

fs::path gCli, gSmallSchool, gLargeSchool;
const fs::path kTables = "C:\\MTEMP";

// The table files (.DBF, .MDX and the like) of a directory, by name.
Files TableFiles(const fs::path& dir = kTables) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name[0] != '.') files[name] = test::ReadFile(entry.path());
    }
    return files;
}

std::vector<std::string> StagingDirectories() {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(kTables))
        if (entry.path().filename().string().rfind(".vindeleo-", 0) == 0) found.push_back(entry.path().string());
    return found;
}

bool PlanWritten() {
    std::error_code ignored;
    for (const std::string& staging : StagingDirectories())
        if (fs::exists(fs::path(staging) / "PLAN", ignored)) return true;
    return false;
}

// Every copy that the runs kept is whole (its description is there) and holds
// the old tables or (kept by the run that takes up a killed one) the new ones.
void ExpectWholeCopies(Files oldFiles, Files newFiles, const char* when) {
    oldFiles.erase("SOLUC.DBF");
    newFiles.erase("SOLUC.DBF");
    std::error_code ignored;
    if (!fs::exists(kTables / "COPIAS", ignored)) return;
    for (const auto& entry : fs::directory_iterator(kTables / "COPIAS")) {
        Files files = TableFiles(entry.path());
        EXPECT_EQ(files.erase("COPIA.TXT"), 1u) << entry.path() << " " << when;
        EXPECT_TRUE(files == oldFiles || files == newFiles) << entry.path() << " " << when;
    }
}

void PutBack(const Files& files) {
    for (const auto& entry : fs::directory_iterator(kTables)) fs::remove_all(entry.path());
    for (const auto& [name, bytes] : files) test::WriteFile(kTables / name, bytes);
}

// One run of vindeleo-cli.exe import, its output and error output written to
// the files given, or thrown away.
class Import {
public:
    Import(const fs::path& document, const std::string& templateCode, const fs::path& outFile = {},
           const fs::path& errFile = {}) {
        std::wstring commandLine = L"\"" + gCli.wstring() + L"\" import \"" + document.wstring() + L"\" --template " +
                                   std::wstring(templateCode.begin(), templateCode.end());
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        nul_ = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                           nullptr);
        const auto output = [&](const fs::path& file) {
            if (file.empty()) return nul_;
            const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr);
            files_.push_back(handle);
            return handle;
        };
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul_;
        startup.hStdOutput = output(outFile);
        startup.hStdError = output(errFile);
        const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                            &startup, &process_);
        EXPECT_TRUE(started) << "CreateProcessW failed: " << GetLastError();
    }
    ~Import() {
        if (process_.hProcess) {
            TerminateProcess(process_.hProcess, kKilled);
            WaitForSingleObject(process_.hProcess, INFINITE);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        CloseHandle(nul_);
        for (HANDLE file : files_) CloseHandle(file);
    }
    Import(const Import&) = delete;
    Import& operator=(const Import&) = delete;

    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // Waits for the commit's plan; false when the run ended first.
    bool WaitForPlan() const {
        while (Running())
            if (PlanWritten()) return true;
        return false;
    }
    // Ends the run at once; true when it was still running.
    bool Kill() {
        return TerminateProcess(process_.hProcess, kKilled) != 0 && ExitCode() == kKilled;
    }
    DWORD Wait() const {
        WaitForSingleObject(process_.hProcess, INFINITE);
        return ExitCode();
    }

private:
    static constexpr UINT kKilled = 99;
    DWORD ExitCode() const {
        WaitForSingleObject(process_.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }
    HANDLE nul_ = INVALID_HANDLE_VALUE;
    std::vector<HANDLE> files_;
    PROCESS_INFORMATION process_{};
};

void SpinFor(Clock::duration delay) {
    const auto until = Clock::now() + delay;
    while (Clock::now() < until) {
    }
}

TEST(CommitKill, KilledCommitsLeaveEveryTableOldOrNewAndTheNextRunFinishesTheWork) {
    fs::create_directories(kTables);
    PutBack({});
    ASSERT_EQ(Import(gSmallSchool, "J2").Wait(), 0u);
    test::WriteFile(kTables / "JORNADAS.DBF", "an old grid that the import removes");
    test::WriteFile(kTables / "SOLUC.DBF", "the timetable, never touched");
    const Files oldFiles = TableFiles();

    // A clean run: the new tables, and how long its commit takes.
    Clock::duration commit{};
    {
        Import clean(gLargeSchool, "J1");
        ASSERT_TRUE(clean.WaitForPlan()) << "the run ended before its plan was seen";
        const auto planned = Clock::now();
        ASSERT_EQ(clean.Wait(), 0u);
        commit = Clock::now() - planned;
    }
    const Files newFiles = TableFiles();
    ASSERT_FALSE(newFiles.contains("JORNADAS.DBF"));
    ASSERT_NE(newFiles, oldFiles);
    std::set<std::string> names;
    for (const auto& [name, bytes] : oldFiles) names.insert(name);
    for (const auto& [name, bytes] : newFiles) names.insert(name);

    int killed = 0, allOld = 0, allNew = 0, mixed = 0;
    constexpr int kSteps = 8;
    for (int step = 0; step < kSteps; ++step) {
        const auto delay = commit * step / kSteps;
        SCOPED_TRACE("killed " + std::to_string(std::chrono::duration<double, std::milli>(delay).count()) +
                     " ms after the plan");
        PutBack(oldFiles);
        {
            Import run(gLargeSchool, "J1");
            if (run.WaitForPlan()) {
                SpinFor(delay);
                killed += run.Kill();
            }
            run.Wait();
        }

        const Files now = TableFiles();
        int fromOld = 0, fromNew = 0;
        for (const std::string& name : names) {
            const bool isOld = oldFiles.contains(name) ? now.contains(name) && now.at(name) == oldFiles.at(name)
                                                        : !now.contains(name);
            const bool isNew = newFiles.contains(name) ? now.contains(name) && now.at(name) == newFiles.at(name)
                                                        : !now.contains(name);
            EXPECT_TRUE(isOld || isNew) << name << " is neither the old nor the new file";
            fromOld += isOld && !isNew;
            fromNew += isNew && !isOld;
        }
        for (const auto& [name, bytes] : now) EXPECT_TRUE(names.contains(name)) << "stray file " << name;
        if (fromNew == 0) ++allOld;
        else if (fromOld == 0) ++allNew;
        else ++mixed;
        ExpectWholeCopies(oldFiles, newFiles, "after the kill");

        // The next run takes up what was left and succeeds.
        ASSERT_EQ(Import(gLargeSchool, "J1").Wait(), 0u);
        EXPECT_EQ(StagingDirectories(), std::vector<std::string>{});
        EXPECT_TRUE(TableFiles() == newFiles) << "the next run did not give the tables of a clean run";
        ExpectWholeCopies(oldFiles, newFiles, "after the next run");
    }
    // The kill right at the plan finds the commit under way.
    EXPECT_GE(killed, 1) << "no run was still committing when it was killed";
    std::cout << "[ COMMITS  ] commit of a clean run "
              << std::chrono::duration<double, std::milli>(commit).count() << " ms; " << killed << " of " << kSteps
              << " runs killed during it: " << allOld << " left every table old, " << allNew << " every table new, "
              << mixed << " a mix of complete old and new tables\n";
    PutBack({});
}

// Another program's opening of a file without sharing: nobody else can open,
// rename, replace or delete it until it is let go.
class Holder {
public:
    explicit Holder(const fs::path& file)
        : handle_(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << "cannot hold " << file << ": " << GetLastError();
    }
    ~Holder() { LetGo(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    void LetGo() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// Whether every one of the names stands in a staging directory.
bool Staged(const Files& names) {
    std::error_code ignored;
    for (const std::string& staging : StagingDirectories()) {
        bool all = true;
        for (const auto& [name, bytes] : names) all = all && fs::exists(fs::path(staging) / name, ignored);
        if (all) return true;
    }
    return false;
}

// The tables of the demo school imported with template J2 (the old ones), and
// with J1 (the new ones), C:\MTEMP left with the old ones.
struct OldAndNew {
    Files oldFiles, newFiles;
};
OldAndNew OldAndNewTables() {
    fs::create_directories(kTables);
    PutBack({});
    EXPECT_EQ(Import(gSmallSchool, "J2").Wait(), 0u);
    const Files oldFiles = TableFiles();
    EXPECT_EQ(Import(gSmallSchool, "J1").Wait(), 0u);
    const Files newFiles = TableFiles();
    EXPECT_NE(newFiles, oldFiles);
    PutBack(oldFiles);
    return {oldFiles, newFiles};
}

// PROFT.DBF is held from before the run starts (the import touches the
// working directory's tables only in its commit) and let go 300 ms after
// every table of the run stands in its staging directory: the commit, which
// follows at once, meets the table held, and waits the hold out.
TEST(HeldTable, ATableHeldForAMomentDoesNotStopTheImport) {
    const auto [oldFiles, newFiles] = OldAndNewTables();
    test::TempDir output;
    Clock::duration heldAfterStaging{};
    DWORD status = 0;
    {
        Holder holder(kTables / "PROFT.DBF");
        Import run(gSmallSchool, "J1", output / "out.txt", output / "err.txt");
        while (run.Running() && !Staged(newFiles)) Sleep(1);
        ASSERT_TRUE(run.Running()) << "the run ended before its tables were staged";
        const auto staged = Clock::now();
        Sleep(300);
        EXPECT_FALSE(PlanWritten()) << "the commit went past the held table";
        holder.LetGo();
        heldAfterStaging = Clock::now() - staged;
        status = run.Wait();
    }
    EXPECT_EQ(status, 0u) << test::ReadFile(output / "err.txt");
    EXPECT_EQ(test::ReadFile(output / "out.txt"), "Proceso finalizado\n");
    EXPECT_TRUE(TableFiles() == newFiles) << "not the tables of a clean run";
    EXPECT_EQ(StagingDirectories(), std::vector<std::string>{});
    std::cout << "[ HELD     ] PROFT.DBF let go "
              << std::chrono::duration<double, std::milli>(heldAfterStaging).count()
              << " ms after the run's tables were staged\n";
    PutBack({});
}

// Kept held, the table stops the import before anything moves, as creating
// the table would stop: the in-use message, status 2, every table byte for
// byte as it was and no staging left.
TEST(HeldTable, ATableKeptHeldStopsTheImportWithEveryTableAsItWas) {
    const auto [oldFiles, newFiles] = OldAndNewTables();
    test::TempDir output;
    DWORD status = 0;
    {
        Holder holder(kTables / "PROFT.DBF");
        status = Import(gSmallSchool, "J1", output / "out.txt", output / "err.txt").Wait();
    }
    EXPECT_EQ(status, 2u);
    EXPECT_EQ(test::ReadFile(output / "err.txt"),
              "No se puede crear la tabla C:\\MTEMP\\PROFT.DBF: otro programa la tiene abierta.\n");
    EXPECT_EQ(test::ReadFile(output / "out.txt"), "");
    EXPECT_TRUE(TableFiles() == oldFiles) << "a table changed";
    EXPECT_EQ(StagingDirectories(), std::vector<std::string>{});
    PutBack({});
}

}  // namespace
}  // namespace vindeleo

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        std::cerr << "usage: vindeleo_commit_tests VINDELEO-CLI.EXE SMALL-SCHOOL.xml LARGE-SCHOOL.xml\n";
        return 64;
    }
    vindeleo::gCli = std::filesystem::absolute(argv[1]);
    vindeleo::gSmallSchool = std::filesystem::absolute(argv[2]);
    vindeleo::gLargeSchool = std::filesystem::absolute(argv[3]);
    return RUN_ALL_TESTS();
}
