// The one way files are replaced, the locks, and the failures told by kind.

#include <gtest/gtest.h>

#include <cerrno>

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

}  // namespace
}  // namespace vindeleo
