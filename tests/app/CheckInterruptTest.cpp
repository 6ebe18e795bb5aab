// The check's scratch folder goes however the check ends: interrupted by a
// signal, it is removed before the program ends by that signal; after a kill,
// the next check removes it. Folders of checks still running, links and the
// folders they point to are left alone.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> ScratchFolders(const fs::path& temporary) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(temporary))
        if (entry.path().filename().string().rfind("vindeleo-check-", 0) == 0) found.push_back(entry.path());
    return found;
}

class CheckInterruptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        large_ = new test::TempDir;
        const auto made = test::RunCommand("/usr/bin/python3 " +
                                           test::Quoted(test::SourceDir() / "tools" / "make-large-school.py") + " " +
                                           test::Quoted(Large()));
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    static void TearDownTestSuite() { delete large_; }
    static fs::path Large() { return large_->Path() / "grande.xml"; }

    void SetUp() override {
        fs::create_directories(prefix / "drive_c" / "MTEMP");
        fs::create_directories(temporary.Path());
    }

    // Starts `check DOCUMENT` with its own temporary directory.
    pid_t StartCheck(const fs::path& document) {
        const pid_t child = fork();
        if (child == 0) {
            setenv("WINEPREFIX", prefix.Path().c_str(), 1);
            setenv("TMPDIR", temporary.Path().c_str(), 1);
            const int devnull = ::open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execl(VINDELEO_CLI, VINDELEO_CLI, "check", document.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return child;
    }
    // Waits until the check holds its scratch folder (its lock file is there).
    bool ScratchAppears() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < until) {
            for (const fs::path& folder : ScratchFolders(temporary.Path()))
                if (fs::exists(folder / "EN_CURSO")) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }
    static int Wait(pid_t child) {
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }
    test::CommandResult SmallCheck() {
        return test::RunCommand("TMPDIR=" + test::Quoted(temporary.Path()) + " WINEPREFIX=" +
                                test::Quoted(prefix.Path()) + " " + test::Quoted(VINDELEO_CLI) + " check " +
                                test::Quoted(test::SourceDir() / "samples" / "demo-school.xml"));
    }

    static inline test::TempDir* large_ = nullptr;
    test::TempDir prefix;
    test::TempDir temporary;
};

TEST_F(CheckInterruptTest, ASignalRemovesTheScratchFolderAndEndsTheCheckByIt) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const pid_t check = StartCheck(Large());
        ASSERT_TRUE(ScratchAppears());
        kill(check, signal);
        const int status = Wait(check);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
        EXPECT_TRUE(ScratchFolders(temporary.Path()).empty());
    }
}

TEST_F(CheckInterruptTest, TheNextCheckRemovesTheFolderOfAKilledOneAndNothingElse) {
    const pid_t check = StartCheck(Large());
    ASSERT_TRUE(ScratchAppears());
    kill(check, SIGKILL);
    Wait(check);
    ASSERT_EQ(ScratchFolders(temporary.Path()).size(), 1u);
    const fs::path killed = ScratchFolders(temporary.Path()).front();

    // A check still running (its lock held), one just starting (no lock file
    // yet, a new folder), and a link to a folder that is not the check's.
    const fs::path running = temporary.Path() / "vindeleo-check-1";
    fs::create_directories(running);
    test::WriteFile(running / "EN_CURSO", "");
    test::WriteFile(running / "PROFT.DBF", "a running check's table");
    const int held = ::open((running / "EN_CURSO").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_SH | LOCK_NB), 0);
    const fs::path starting = temporary.Path() / "vindeleo-check-2";
    fs::create_directories(starting);
    test::WriteFile(starting / "PROFT.DBF", "a table of a check that is starting");
    test::TempDir elsewhere;
    test::WriteFile(elsewhere.Path() / "EN_CURSO", "");
    test::WriteFile(elsewhere.Path() / "keep.txt", "not the check's");
    fs::create_directory_symlink(elsewhere.Path(), temporary.Path() / "vindeleo-check-3");

    const auto next = SmallCheck();
    EXPECT_EQ(next.exitCode, 0) << next.err;
    ::close(held);
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_EQ(test::ReadFile(running / "PROFT.DBF"), "a running check's table");
    EXPECT_EQ(test::ReadFile(starting / "PROFT.DBF"), "a table of a check that is starting");
    EXPECT_TRUE(fs::is_symlink(temporary.Path() / "vindeleo-check-3"));
    EXPECT_EQ(test::ReadFile(elsewhere.Path() / "keep.txt"), "not the check's");
    EXPECT_TRUE(fs::exists(elsewhere.Path() / "EN_CURSO"));
    EXPECT_EQ(ScratchFolders(temporary.Path()).size(), 3u);
}

}  // namespace
}  // namespace vindeleo
