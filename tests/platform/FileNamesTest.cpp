// The one case-insensitive lookup of files, used by tables, documents, help
// and the host's result file alike.

#include <gtest/gtest.h>

#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/PlatformSupport.h"
#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::In;

TEST(FileNamesTest, FindsAFileInAnyLetterCaseUnderItsOwnSpelling) {
    test::TempDir dir;
    test::WriteFile(In(dir.Path(), "soluc.dbf"), "t");
    test::WriteFile(In(dir.Path(), "morvalen.INI"), "i");
    // Windows-1252 letters fold too: Ñ/ñ, É/é, Š/š, Ÿ/ÿ.
    test::WriteFile(In(dir.Path(), "ResultadoTuvane\xF1o\xE9\x9A\xFF.xml"), "r");
    fs::create_directory(In(dir.Path(), "ASIGT.DBF"));  // a directory is no file
    const std::pair<const char*, const char*> cases[] = {
        {"SOLUC.DBF", "soluc.dbf"},
        {"soluc.dbf", "soluc.dbf"},
        {"Morvalen.ini", "morvalen.INI"},
        {"RESULTADOTUVANE\xD1O\xC9\x8A\x9F.XML", "ResultadoTuvane\xF1o\xE9\x9A\xFF.xml"},
        {"ASIGT.DBF", nullptr},
        {"SOLUC", nullptr},
        {"SOLUC.DBF ", nullptr},
    };
    for (const auto& [name, found] : cases) {
        const fs::path expected = found ? In(dir.Path(), found) : fs::path();
        EXPECT_EQ(platform::FindFile(dir.Path(), name), expected) << name;
        EXPECT_EQ(platform::FilesNamed(dir.Path(), name).size(), found ? 1u : 0u) << name;
    }
}

// On a file system that tells names apart by letter case, one table may lie
// there in several spellings: every one is found, the exact spelling first,
// the others in the order of their names.
TEST(FileNamesTest, EverySpellingInAStableOrder) {
    if (!platform::NamesDifferInCase()) GTEST_SKIP() << "one spelling per name on this file system";
    test::TempDir dir;
    for (const char* name : {"proft.dbf", "Proft.DBF", "PROFT.DBF", "PROFT.dbf"}) test::WriteFile(In(dir.Path(), name), name);
    const std::vector<fs::path> expected = {In(dir.Path(), "PROFT.DBF"), In(dir.Path(), "PROFT.dbf"),
                                            In(dir.Path(), "Proft.DBF"), In(dir.Path(), "proft.dbf")};
    EXPECT_EQ(platform::FilesNamed(dir.Path(), "PROFT.DBF"), expected);
    EXPECT_EQ(platform::FindFile(dir.Path(), "PROFT.DBF"), In(dir.Path(), "PROFT.DBF"));
    EXPECT_EQ(platform::FindFile(dir.Path(), "proft.DBF"), In(dir.Path(), "PROFT.DBF"));
}

// A name that Windows-1252 cannot spell would read as '?': it matches no
// name, not even one written with '?'.
TEST(FileNamesTest, ANameThatWindows1252CannotSpellMatchesNothing) {
    test::TempDir dir;
    test::WriteFile(dir.Path() / PathFromUtf8("\xE6\x97\xA5.xml"), "x");  // U+65E5
    EXPECT_EQ(platform::FindFile(dir.Path(), "?.xml"), fs::path());
    EXPECT_TRUE(platform::FilesNamed(dir.Path(), "?.xml").empty());
}

TEST(FileNamesTest, ADirectoryThatCannotBeListedIsAFailureNotAMissingFile) {
    test::TempDir dir;
    const fs::path missing = In(dir.Path(), "missing");
    std::error_code error;
    EXPECT_EQ(platform::FindFile(missing, "SOLUC.DBF", error), fs::path());
    EXPECT_EQ(platform::FaultOf(error), platform::FileFault::NotFound) << error.message();
    EXPECT_THROW(platform::FilesNamed(missing, "SOLUC.DBF"), fs::filesystem_error);
    EXPECT_THROW(platform::FindFile(missing, "SOLUC.DBF"), fs::filesystem_error);
}

}  // namespace
}  // namespace vindeleo
