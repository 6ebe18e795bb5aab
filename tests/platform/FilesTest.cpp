// The one way files are replaced, the locks, and the failures told by kind.

#include <gtest/gtest.h>

#include <cerrno>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <chrono>
#include <functional>
#include <thread>
#endif

#include "platform/Files.h"
#include "platform/PlatformSupport.h"
#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using platform::LockedFile;
using test::In;
using test::NamesIn;

TEST(ReplaceFilesTest, ReplacesTheContentAndLeavesNothingBeside) {
    test::TempDir dir;
    const fs::path target = In(dir.Path(), "PROFT.DBF");
    std::error_code error;
    platform::ReplaceContent(target, {"new ", "", "table"}, error);  // a new file
    ASSERT_FALSE(error) << error.message();
    test::WriteFile(In(dir.Path(), "OTHER"), "untouched");
    platform::ReplaceContent(target, {"second"}, error);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(test::ReadFile(target), "second");
    EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{"OTHER", "PROFT.DBF"}));
}

TEST(ReplaceFilesTest, AReplacedFileKeepsItsPermissions) {
    if (!platform::HasPermissionBits()) GTEST_SKIP() << "files here carry no permission bits";
    test::TempDir dir;
    const fs::path target = In(dir.Path(), "result.xml");
    test::WriteFile(target, "old");
    const auto kept = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, kept);
    std::error_code error;
    platform::ReplaceContent(target, {"new"}, error);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(fs::status(target).permissions(), kept);
    EXPECT_EQ(test::ReadFile(target), "new");
}

// A read-only file is refused, as Windows refuses to replace one, even by a
// user (root) whom the system would let write it.
TEST(ReplaceFilesTest, AReadOnlyFileIsNotReplaced) {
    test::TempDir dir;
    const fs::path target = In(dir.Path(), "result.xml");
    test::WriteFile(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
    std::error_code error;
    platform::ReplaceContent(target, {"new"}, error);
    EXPECT_EQ(platform::FaultOf(error), platform::FileFault::AccessDenied);
    EXPECT_EQ(test::ReadFile(target), "old");
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"result.xml"});
}

// A table and its index: every new file ready before the first rename.
TEST(ReplaceFilesTest, SeveralFilesAreReplacedTogether) {
    test::TempDir dir;
    const fs::path table = In(dir.Path(), "DIASHORAST2.DBF"), index = In(dir.Path(), "DIASHORAST2.MDX");
    test::WriteFile(table, "old table");
    test::WriteFile(index, "old index");
    std::error_code error;
    platform::ReplaceFiles({{table, {"new table"}}, {index, {"new ", "index"}}}, error);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(test::ReadFile(table), "new table");
    EXPECT_EQ(test::ReadFile(index), "new index");
    EXPECT_EQ(NamesIn(dir.Path()), (std::vector<std::string>{"DIASHORAST2.DBF", "DIASHORAST2.MDX"}));
}

// The second file cannot be written (its directory is missing): the first
// one's target stays as it was and no temporary file stays behind.
TEST(ReplaceFilesTest, AFailureBeforeTheRenamesTouchesNoTarget) {
    test::TempDir dir;
    const fs::path table = In(dir.Path(), "ASIGT.DBF");
    test::WriteFile(table, "old table");
    std::error_code error;
    platform::ReplaceFiles({{table, {"new table"}}, {In(dir.Path(), "missing") / "ASIGT.MDX", {"index"}}}, error);
    EXPECT_EQ(platform::FaultOf(error), platform::FileFault::NotFound) << error.message();
    EXPECT_EQ(test::ReadFile(table), "old table");
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"ASIGT.DBF"});
}

// A rename that fails (the target is a directory with files) leaves its
// temporary file nowhere.
TEST(ReplaceFilesTest, AFailedRenameLeavesNoTemporaryFile) {
    test::TempDir dir;
    const fs::path target = In(dir.Path(), "SOLUC.DBF");
    fs::create_directory(target);
    test::WriteFile(target / "inside", "x");
    std::error_code error;
    platform::ReplaceContent(target, {"table"}, error);
    EXPECT_TRUE(error);
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"SOLUC.DBF"});
}

TEST(LockedFileTest, AnExclusiveOpeningKeepsEveryOtherOut) {
    test::TempDir dir;
    const fs::path file = In(dir.Path(), "PROFT.DBF");
    test::WriteFile(file, "records");
    std::error_code error;
    LockedFile missing;
    EXPECT_EQ(missing.Open(In(dir.Path(), "NONE.DBF"), false, error), LockedFile::Status::Missing);
    EXPECT_FALSE(platform::IsHeldElsewhere(file));

    LockedFile holder;
    ASSERT_EQ(holder.Open(file, true, error), LockedFile::Status::Ok);
    EXPECT_TRUE(platform::IsHeldElsewhere(file));
    LockedFile other;
    EXPECT_EQ(other.Open(file, false, error), LockedFile::Status::InUse);
    EXPECT_EQ(other.Open(file, true, error), LockedFile::Status::InUse);
    std::string bytes;
    ASSERT_TRUE(holder.ReadAll(bytes, error));
    EXPECT_EQ(bytes, "records");
    holder.Close();
    EXPECT_FALSE(platform::IsHeldElsewhere(file));
}

TEST(LockedFileTest, SharedOpeningsKeepExclusiveOnesOut) {
    test::TempDir dir;
    const fs::path file = In(dir.Path(), "PERIODOS.DBF");
    test::WriteFile(file, "records");
    std::error_code error;
    LockedFile first, second, exclusive;
    ASSERT_EQ(first.Open(file, false, error), LockedFile::Status::Ok);
    EXPECT_EQ(second.Open(file, false, error), LockedFile::Status::Ok);
    EXPECT_EQ(exclusive.Open(file, true, error), LockedFile::Status::InUse);
    EXPECT_TRUE(platform::IsHeldElsewhere(file));
}

// A table closed after changes is replaced while its own opening still
// exists: the opening must not stand in the way (Windows refuses to rename
// over a file that is open without delete sharing).
TEST(LockedFileTest, AFileOpenHereCanBeReplacedFromHere) {
    test::TempDir dir;
    const fs::path file = In(dir.Path(), "AULAT.DBF");
    test::WriteFile(file, "old");
    std::error_code error;
    LockedFile own;
    ASSERT_EQ(own.Open(file, true, error), LockedFile::Status::Ok);
    own.PrepareForReplacing();
    platform::ReplaceContent(file, {"new"}, error);
    EXPECT_FALSE(error) << error.message();
    own.Close();
    EXPECT_EQ(test::ReadFile(file), "new");
}

TEST(FileOperationsTest, RenameOverRemoveAndHardLink) {
    test::TempDir dir;
    const fs::path a = In(dir.Path(), "A"), b = In(dir.Path(), "B"), link = In(dir.Path(), "L");
    test::WriteFile(a, "a");
    test::WriteFile(b, "b");
    std::error_code error;
    platform::RenameOver(a, b, error);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"B"});
    EXPECT_EQ(test::ReadFile(b), "a");
    platform::MakeHardLink(b, link, error);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(test::ReadFile(link), "a");
    platform::RemoveFile(b, error);
    EXPECT_FALSE(error);
    platform::RemoveFile(b, error);  // not there: no failure
    EXPECT_FALSE(error);
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"L"});
    EXPECT_THROW(platform::RenameOver(b, a), fs::filesystem_error);
}

TEST(FileOperationsTest, FailuresAreToldByKind) {
    const std::pair<int, platform::FileFault> cases[] = {
        {0, platform::FileFault::None},           {ENOENT, platform::FileFault::NotFound},
        {EACCES, platform::FileFault::AccessDenied}, {EPERM, platform::FileFault::AccessDenied},
        {ENOSPC, platform::FileFault::DiskFull},  {EROFS, platform::FileFault::ReadOnly},
        {EIO, platform::FileFault::DiskError},    {EAGAIN, platform::FileFault::InUse},
        {EBUSY, platform::FileFault::InUse},      {EINVAL, platform::FileFault::Other},
    };
    for (const auto& [code, fault] : cases)
        EXPECT_EQ(platform::FaultOf(std::error_code(code, std::generic_category())), fault) << code;
    // A failure met on this system is told by its kind too.
    std::error_code error;
    LockedFile missing;
    missing.Open(fs::temp_directory_path() / PathFromText("no-such-dir-vindeleo") / PathFromText("X"), false, error);
    EXPECT_EQ(platform::FaultOf(error), platform::FileFault::NotFound) << error.message();
}

#ifdef _WIN32
// Another program's opening without sharing, as a virus scanner or a backup
// service makes of a file just written; let go from another thread after a
// delay, or when the holder ends.
class Holder {
public:
    explicit Holder(const fs::path& file)
        : handle_(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {
        EXPECT_NE(handle_, INVALID_HANDLE_VALUE) << "cannot hold " << file.string() << ": " << GetLastError();
    }
    ~Holder() {
        if (letGo_.joinable()) letGo_.join();
        LetGo();
    }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;

    void LetGoAfter(std::chrono::milliseconds delay) {
        letGo_ = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            LetGo();
        });
    }
    void LetGo() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
    std::thread letGo_;
};

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Timed(const std::function<void()>& operation) {
    const auto start = Clock::now();
    operation();
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// Each operation on a table that another program holds for 300 ms waits the
// hold out and succeeds.
TEST(BrieflyHeldFileTest, EveryOperationWaitsOutAShortHold) {
    struct Case {
        const char* what;
        std::function<bool(const fs::path& held, const fs::path& dir)> operation;  // true: it succeeded
        std::function<bool(const fs::path& held, const fs::path& dir)> done;
    };
    const Case cases[] = {
        {"opening",
         [](const fs::path& held, const fs::path&) {
             std::error_code error;
             LockedFile file;
             return file.Open(held, true, error) == LockedFile::Status::Ok;
         },
         [](const fs::path&, const fs::path&) { return true; }},
        {"held check", [](const fs::path& held, const fs::path&) { return !platform::IsHeldElsewhere(held); },
         [](const fs::path&, const fs::path&) { return true; }},
        {"rename over it",
         [](const fs::path& held, const fs::path& dir) {
             std::error_code error;
             platform::RenameOver(In(dir, "NEW"), held, error);
             return !error;
         },
         [](const fs::path& held, const fs::path&) { return test::ReadFile(held) == "new"; }},
        {"rename it away",
         [](const fs::path& held, const fs::path& dir) {
             std::error_code error;
             platform::RenameOver(held, In(dir, "ASIDE"), error);
             return !error;
         },
         [](const fs::path& held, const fs::path& dir) { return !fs::exists(held) && fs::exists(In(dir, "ASIDE")); }},
        {"deletion",
         [](const fs::path& held, const fs::path&) {
             std::error_code error;
             platform::RemoveFile(held, error);
             return !error;
         },
         [](const fs::path& held, const fs::path&) { return !fs::exists(held); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const fs::path held = In(dir.Path(), "PROFT.DBF");
        test::WriteFile(held, "old");
        test::WriteFile(In(dir.Path(), "NEW"), "new");
        Holder holder(held);
        holder.LetGoAfter(milliseconds(300));
        bool succeeded = false;
        const milliseconds took = Timed([&] { succeeded = c.operation(held, dir.Path()); });
        EXPECT_TRUE(succeeded);
        EXPECT_GE(took.count(), 250) << "the operation did not meet the hold";
        EXPECT_TRUE(c.done(held, dir.Path()));
    }
}

// A file kept held counts as held after about two seconds, once: the checks
// and operations that meet it again are refused at once, until it is let go.
TEST(BrieflyHeldFileTest, AFileKeptHeldIsWaitedForOnce) {
    test::TempDir dir;
    const fs::path held = In(dir.Path(), "GRUPOST.DBF");
    test::WriteFile(held, "old");
    test::WriteFile(In(dir.Path(), "NEW"), "new");
    {
        Holder holder(held);
        bool isHeld = false;
        const milliseconds first = Timed([&] { isHeld = platform::IsHeldElsewhere(held); });
        EXPECT_TRUE(isHeld);
        EXPECT_GE(first.count(), 1900);
        EXPECT_LT(first.count(), 5000);

        std::error_code error;
        LockedFile file;
        LockedFile::Status status{};
        const milliseconds again = Timed([&] {
            EXPECT_TRUE(platform::IsHeldElsewhere(held));
            status = file.Open(held, false, error);
            platform::RenameOver(In(dir.Path(), "NEW"), held, error);
        });
        EXPECT_EQ(status, LockedFile::Status::InUse);
        EXPECT_EQ(platform::FaultOf(error), platform::FileFault::InUse) << error.message();
        EXPECT_LT(again.count(), 1000) << "the held file was waited for again";
    }
    // Let go: free at once, not replaced, and a later short hold is waited out again.
    EXPECT_FALSE(platform::IsHeldElsewhere(held));
    EXPECT_EQ(test::ReadFile(held), "old");
    Holder holder(held);
    holder.LetGoAfter(milliseconds(300));
    std::error_code error;
    platform::RenameOver(In(dir.Path(), "NEW"), held, error);
    EXPECT_FALSE(error) << error.message();
    EXPECT_EQ(test::ReadFile(held), "new");
}

// Nothing held, or a failure of another kind (a missing file): no waiting.
TEST(BrieflyHeldFileTest, NoWaitWhereNothingIsHeld) {
    test::TempDir dir;
    const fs::path file = In(dir.Path(), "AULAT.DBF");
    const fs::path missing = In(dir.Path(), "NONE.DBF");
    test::WriteFile(file, "old");
    const milliseconds took = Timed([&] {
        EXPECT_FALSE(platform::IsHeldElsewhere(file));
        EXPECT_FALSE(platform::IsHeldElsewhere(missing));
        std::error_code error;
        LockedFile opened;
        EXPECT_EQ(opened.Open(missing, true, error), LockedFile::Status::Missing);
        platform::RenameOver(missing, file, error);
        EXPECT_EQ(platform::FaultOf(error), platform::FileFault::NotFound);
        platform::RemoveFile(missing, error);
        EXPECT_FALSE(error);
        platform::ReplaceContent(file, {"new"}, error);
        EXPECT_FALSE(error) << error.message();
    });
    EXPECT_LT(took.count(), 1000);
}
#endif

}  // namespace
}  // namespace vindeleo
