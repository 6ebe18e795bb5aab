// The import killed at random moments of a run on a large synthetic school.
// After each kill, every table of the working directory is either the
// complete old one or the complete new one; the next run removes or finishes
// what the killed one left, and succeeds.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// The table files (.DBF, .MDX) of a directory, by name.
Files TableFiles(const fs::path& dir) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name.size() > 4 && name[0] != '.') files[name] = test::ReadFile(entry.path());
    }
    return files;
}

std::vector<std::string> StagingDirectories(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(".vindeleo-", 0) == 0) found.push_back(entry.path().string());
    return found;
}

// The files of each copy kept in COPIAS, by label, their description aside.
std::map<std::string, Files> Copies(const fs::path& dir) {
    std::map<std::string, Files> copies;
    if (!fs::exists(dir / "COPIAS")) return copies;
    for (const auto& entry : fs::directory_iterator(dir / "COPIAS")) {
        Files files = TableFiles(entry.path());
        files.erase("COPIA.TXT");
        copies[entry.path().filename().string()] = files;
    }
    return copies;
}

Files WithoutSoluc(Files files) {
    files.erase("SOLUC.DBF");
    return files;
}

class CrashTest : public ::testing::Test {
protected:
    CrashTest() {
        fs::create_directories(Tables());
        large = prefix / "grande.xml";
        const auto made = test::RunCommand("/usr/bin/python3 " +
                                           test::Quoted(test::SourceDir() / "tools" / "make-large-school.py") + " " +
                                           test::Quoted(large) + " --scale 0.5");
        EXPECT_EQ(made.exitCode, 0) << made.err;
    }
    fs::path Tables() const { return prefix / "drive_c" / "MTEMP"; }

    // Starts the import of the large school; returns its process id.
    pid_t StartImport() {
        const pid_t child = fork();
        if (child == 0) {
            setenv("WINEPREFIX", prefix.Path().c_str(), 1);
            const int devnull = ::open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execl(VINDELEO_CLI, VINDELEO_CLI, "import", large.c_str(), "--template", "J1", static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    }
    int Wait(pid_t child) {
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }
    // Every copy is whole, as `restore` lists it, and holds the old tables
    // or (kept by the run that takes up a killed one) the new ones.
    void ExpectWholeCopies(const Files& oldFiles, const Files& newFiles, const std::string& when) {
        for (const auto& [label, files] : Copies(Tables()))
            EXPECT_TRUE(files == WithoutSoluc(oldFiles) || files == WithoutSoluc(newFiles)) << label << " " << when;
        const auto listing = test::RunCli(prefix.Path(), "restore");
        EXPECT_EQ(listing.exitCode, 0);
        EXPECT_EQ(listing.out.find("NO UTILIZABLE"), std::string::npos) << listing.out << when;
    }
    void PutBack(const Files& files) {
        for (const auto& entry : fs::directory_iterator(Tables())) fs::remove_all(entry.path());
        for (const auto& [name, bytes] : files) test::WriteFile(Tables() / name, bytes);
    }

    test::TempDir prefix;
    fs::path large;
};

TEST_F(CrashTest, KilledImportsLeaveEveryTableOldOrNewAndTheNextRunSucceeds) {
    const auto old = test::RunCli(prefix.Path(), "import " +
                                                     test::Quoted(test::SourceDir() / "samples" / "demo-school.xml") +
                                                     " --template J2");
    ASSERT_EQ(old.exitCode, 0) << old.err;
    test::WriteFile(Tables() / "JORNADAS.DBF", "an old grid that the import removes");
    test::WriteFile(Tables() / "SOLUC.DBF", "the timetable, never touched");
    const Files oldFiles = TableFiles(Tables());

    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(Wait(StartImport()), 0);
    const auto cleanRun = std::chrono::steady_clock::now() - started;
    const Files newFiles = TableFiles(Tables());
    ASSERT_FALSE(newFiles.contains("JORNADAS.DBF"));

    std::mt19937 random(20261210);
    const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(cleanRun * 11 / 10).count();
    std::uniform_int_distribution<long long> killAfter(0, longest);
    int allOld = 0, allNew = 0, mixed = 0, leftStaging = 0;
    constexpr int kKills = 40;
    for (int round = 0; round < kKills; ++round) {
        PutBack(oldFiles);
        const pid_t child = StartImport();
        std::this_thread::sleep_for(std::chrono::microseconds(killAfter(random)));
        kill(child, SIGKILL);
        Wait(child);

        const Files now = TableFiles(Tables());
        int fromOld = 0, fromNew = 0;
        std::set<std::string> names;
        for (const auto& [name, bytes] : oldFiles) names.insert(name);
        for (const auto& [name, bytes] : newFiles) names.insert(name);
        for (const std::string& name : names) {
            const bool isOld = oldFiles.contains(name) ? now.contains(name) && now.at(name) == oldFiles.at(name)
                                                        : !now.contains(name);
            const bool isNew = newFiles.contains(name) ? now.contains(name) && now.at(name) == newFiles.at(name)
                                                        : !now.contains(name);
            EXPECT_TRUE(isOld || isNew) << name << " is neither the old nor the new file (round " << round << ")";
            fromOld += isOld && !isNew;
            fromNew += isNew && !isOld;
        }
        for (const auto& [name, bytes] : now) EXPECT_TRUE(names.contains(name)) << "stray file " << name;
        if (fromNew == 0) ++allOld;
        else if (fromOld == 0) ++allNew;
        else ++mixed;
        if (!StagingDirectories(Tables()).empty()) ++leftStaging;
        ExpectWholeCopies(oldFiles, newFiles, "after kill " + std::to_string(round));

        // The next run takes up what was left and succeeds.
        ASSERT_EQ(Wait(StartImport()), 0) << "round " << round;
        EXPECT_EQ(StagingDirectories(Tables()), std::vector<std::string>{});
        EXPECT_TRUE(TableFiles(Tables()) == newFiles) << "round " << round;
        ExpectWholeCopies(oldFiles, newFiles, "after the run that follows kill " + std::to_string(round));
    }
    std::cout << "[ CRASHES  ] " << kKills << " imports killed: " << allOld << " left every table old, " << allNew
              << " every table new, " << mixed << " a mix of complete old and new tables; " << leftStaging
              << " left a staging directory, which the next run took up\n";
}

}  // namespace
}  // namespace vindeleo
