#include <gtest/gtest.h>

#include <algorithm>

#include "support/TestSupport.h"
#include "tables/StagedTables.h"
#include "platform/Files.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class StagedTablesTest : public ::testing::Test {
protected:
    fs::path Working() const { return dir.Path(); }
    // The name under which a table replaced from the staging directory lies:
    // its own spelling where names differ in letter case; elsewhere (Windows)
    // the new file takes the old one's place and keeps its spelling.
    static std::string Replaced(const std::string& old, const std::string& spelling) {
        return platform::NamesDifferInCase() ? spelling : old;
    }
    test::TempDir dir;
};

TEST_F(StagedTablesTest, CommitPutsTheNewFilesInPlaceOfEverySpellingOfTheOld) {
    WriteFile(Working() / "proft.dbf", "old teachers");
    WriteFile(Working() / "PROFT.MDX", "old index");  // the new table has none
    WriteFile(Working() / "ASIGT.DBF", "old assignments");
    WriteFile(Working() / "jornadas.dbf", "obsolete");
    WriteFile(Working() / "SOLUC.DBF", "timetable");
    fs::path staging;
    {
        StagedTables staged(Working());
        staging = staged.Directory();
        WriteFile(staging / "PROFT.DBF", "new teachers");
        WriteFile(staging / "ASIGT.DBF", "new assignments");
        WriteFile(staging / "ASIGT.MDX", "new index");
        staged.Commit({"PROFT", "ASIGT"}, {"JORNADAS.DBF"});
    }
    const std::string proft = Replaced("proft.dbf", "PROFT.DBF");
    std::vector<std::string> names{"ASIGT.DBF", "ASIGT.MDX", proft, "SOLUC.DBF"};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::FileNames(Working()), names);
    EXPECT_EQ(ReadFile(Working() / proft), "new teachers");
    EXPECT_EQ(ReadFile(Working() / "ASIGT.MDX"), "new index");
    EXPECT_EQ(ReadFile(Working() / "SOLUC.DBF"), "timetable");
    EXPECT_FALSE(fs::exists(staging));
}

// The remains of a run killed after its plan was written, with one table
// already moved in: the next run finishes the plan.
TEST_F(StagedTablesTest, InterruptedCommitIsFinishedByTheNextRun) {
    const fs::path staging = Working() / ".vindeleo-42";
    fs::create_directories(staging / "ANTERIOR");
    WriteFile(staging / "EN_CURSO", "");
    WriteFile(staging / "PLAN", "I PROFT.DBF\nR PROFT.MDX\nI ASIGT.DBF\nR JORNADAS.DBF\nI ../SOLUC.DBF\n");
    WriteFile(Working() / "PROFT.DBF", "new teachers");  // already moved in
    WriteFile(staging / "ASIGT.DBF", "new assignments");
    WriteFile(Working() / "asigt.dbf", "old assignments");
    WriteFile(Working() / "JORNADAS.DBF", "obsolete");
    WriteFile(Working() / "SOLUC.DBF", "timetable");

    RecoverInterruptedCommits(Working());
    const std::string asigt = Replaced("asigt.dbf", "ASIGT.DBF");
    std::vector<std::string> names{asigt, "PROFT.DBF", "SOLUC.DBF"};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::FileNames(Working()), names);
    EXPECT_EQ(ReadFile(Working() / asigt), "new assignments");
    EXPECT_EQ(ReadFile(Working() / "PROFT.DBF"), "new teachers");
    EXPECT_EQ(ReadFile(Working() / "SOLUC.DBF"), "timetable");
}

TEST_F(StagedTablesTest, StagingWithoutPlanIsDroppedAndOneOfALiveRunIsLeftAlone) {
    WriteFile(Working() / "PROFT.DBF", "old teachers");
    const fs::path dead = Working() / ".vindeleo-1";
    fs::create_directories(dead);
    WriteFile(dead / "EN_CURSO", "");
    WriteFile(dead / "PROFT.DBF", "half-built");
    const fs::path unlockedEmpty = Working() / ".vindeleo-4";
    fs::create_directories(unlockedEmpty);
    const fs::path unlockedYoung = Working() / ".vindeleo-2";  // may be a run just starting
    fs::create_directories(unlockedYoung);
    WriteFile(unlockedYoung / "PROFT.DBF", "being built");
    const fs::path unlockedOld = Working() / ".vindeleo-3";
    fs::create_directories(unlockedOld);
    test::SetModificationTime(unlockedOld, fs::file_time_type::clock::now() - std::chrono::hours(2));

    StagedTables live(Working());
    WriteFile(live.Directory() / "PLAN", "R PROFT.DBF\n");  // would remove the teachers if taken up
    RecoverInterruptedCommits(Working());

    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(unlockedOld));
    EXPECT_FALSE(fs::exists(unlockedEmpty));
    EXPECT_TRUE(fs::exists(unlockedYoung));
    EXPECT_TRUE(fs::exists(live.Directory()));
    EXPECT_EQ(ReadFile(Working() / "PROFT.DBF"), "old teachers");
}

}  // namespace
}  // namespace vindeleo
