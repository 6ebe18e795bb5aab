#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <map>

#include "support/TestSupport.h"
#include "tables/StagedTables.h"
#include "tables/TableCopies.h"
#include "platform/Files.h"
#include "text/Error.h"

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
    std::string label;
    {
        StagedTables staged(Working());
        staging = staged.Directory();
        WriteFile(staging / "PROFT.DBF", "new teachers");
        WriteFile(staging / "ASIGT.DBF", "new assignments");
        WriteFile(staging / "ASIGT.MDX", "new index");
        label = staged.Commit(StagedTables::TableFiles({"PROFT", "ASIGT"}), {"JORNADAS.DBF"},
                              CopyOrigin{"/escuela/curso 26.xml", "J2", {}});
    }
    const std::string proft = Replaced("proft.dbf", "PROFT.DBF");
    std::vector<std::string> names{"ASIGT.DBF", "ASIGT.MDX", "COPIAS", proft, "SOLUC.DBF"};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::FileNames(Working()), names);
    EXPECT_EQ(ReadFile(Working() / proft), "new teachers");
    EXPECT_EQ(ReadFile(Working() / "ASIGT.MDX"), "new index");
    EXPECT_EQ(ReadFile(Working() / "SOLUC.DBF"), "timetable");
    EXPECT_FALSE(fs::exists(staging));

    // Everything replaced or taken away is kept, described, in one copy.
    const std::vector<KeptCopy> copies = ListCopies(Working());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].label, label);
    EXPECT_TRUE(copies[0].IsWhole()) << copies[0].fault;
    EXPECT_EQ(copies[0].origin.document, "/escuela/curso 26.xml");
    EXPECT_EQ(copies[0].origin.templateCode, "J2");
    const fs::path kept = CopiesFolder(Working()) / label;
    EXPECT_EQ(test::FileNames(kept),
              (std::vector<std::string>{"ASIGT.DBF", "COPIA.TXT", "PROFT.MDX", "jornadas.dbf", "proft.dbf"}));
    EXPECT_EQ(ReadFile(kept / "proft.dbf"), "old teachers");
    EXPECT_EQ(ReadFile(kept / "ASIGT.DBF"), "old assignments");
    EXPECT_EQ(ReadFile(kept / "jornadas.dbf"), "obsolete");
    EXPECT_EQ(copies[0].TableCount(), 3);
}

// The remains of a run killed after its plan was written, with one table
// already moved in: the next run finishes the plan.
TEST_F(StagedTablesTest, InterruptedCommitIsFinishedByTheNextRun) {
    // The killed run's moment, in this machine's time zone.
    std::tm noon{};
    noon.tm_year = 2026 - 1900, noon.tm_mon = 11, noon.tm_mday = 10, noon.tm_hour = 12, noon.tm_min = 17, noon.tm_sec = 45;
    noon.tm_isdst = -1;
    const std::time_t moment = std::mktime(&noon);
    const std::string label = "20261210-121745", when = "10/12/2026 12:17:45";
    const fs::path staging = Working() / ".vindeleo-42";
    fs::create_directories(staging / "ANTERIOR");
    WriteFile(staging / "ANTERIOR" / "PROFT.DBF", "old teachers");  // put aside before the kill
    WriteCopyOrigin(staging / "ORIGEN", CopyOrigin{"C:\\datos\\a.xml", "J1", {}}, moment);
    WriteFile(staging / "EN_CURSO", "");
    WriteFile(staging / "PLAN", "I PROFT.DBF\nR PROFT.MDX\nI ASIGT.DBF\nR JORNADAS.DBF\nI ../SOLUC.DBF\n");
    WriteFile(Working() / "PROFT.DBF", "new teachers");  // already moved in
    WriteFile(staging / "ASIGT.DBF", "new assignments");
    WriteFile(Working() / "asigt.dbf", "old assignments");
    WriteFile(Working() / "JORNADAS.DBF", "obsolete");
    WriteFile(Working() / "SOLUC.DBF", "timetable");

    RecoverInterruptedCommits(Working());
    const std::string asigt = Replaced("asigt.dbf", "ASIGT.DBF");
    std::vector<std::string> names{asigt, "COPIAS", "PROFT.DBF", "SOLUC.DBF"};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(test::FileNames(Working()), names);
    EXPECT_EQ(ReadFile(Working() / asigt), "new assignments");
    EXPECT_EQ(ReadFile(Working() / "PROFT.DBF"), "new teachers");
    EXPECT_EQ(ReadFile(Working() / "SOLUC.DBF"), "timetable");
    // The killed run's copy is made whole from what it had put aside and what
    // the finishing moves put aside.
    const std::vector<KeptCopy> copies = ListCopies(Working());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].when, when);
    EXPECT_EQ(copies[0].origin.document, "C:\\datos\\a.xml");
    const fs::path kept = CopiesFolder(Working()) / label;
    EXPECT_EQ(test::FileNames(kept), (std::vector<std::string>{"COPIA.TXT", "JORNADAS.DBF", "PROFT.DBF", "asigt.dbf"}));
    EXPECT_EQ(ReadFile(kept / "PROFT.DBF"), "old teachers");
    EXPECT_EQ(ReadFile(kept / "asigt.dbf"), "old assignments");
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


// Puts `files` in place through one commit (the tables PROFT and ASIGT) and
// returns the label of its copy.
std::string CommitOnce(const fs::path& working, const std::map<std::string, std::string>& files) {
    StagedTables staged(working);
    for (const auto& [name, bytes] : files) WriteFile(staged.Directory() / name, bytes);
    return staged.Commit(StagedTables::TableFiles({"PROFT", "ASIGT"}), {}, CopyOrigin{"a.xml", "J1", {}});
}

// A commit whose copy cannot be made (COPIAS is a file here) puts every table
// back and keeps nothing: a copy is whole or absent.
TEST_F(StagedTablesTest, ACommitWhoseCopyCannotBeMadePutsEveryTableBack) {
    WriteFile(Working() / "PROFT.DBF", "old teachers");
    WriteFile(Working() / "ASIGT.MDX", "old index");
    WriteFile(Working() / "COPIAS", "not a folder");
    EXPECT_THROW(CommitOnce(Working(), {{"PROFT.DBF", "new teachers"}, {"ASIGT.DBF", "new"}}), Error);
    EXPECT_EQ(test::FileNames(Working()), (std::vector<std::string>{"ASIGT.MDX", "COPIAS", "PROFT.DBF"}));
    EXPECT_EQ(ReadFile(Working() / "PROFT.DBF"), "old teachers");
    EXPECT_EQ(ReadFile(Working() / "ASIGT.MDX"), "old index");
}

// A plan that outlives a commit whose copy was made (its previous folder is
// gone with the copy) is dropped, not replayed over later files.
TEST_F(StagedTablesTest, APlanLeftAfterTheCopyWasMadeIsNotReplayed) {
    const fs::path staging = Working() / ".vindeleo-7";
    fs::create_directories(staging);
    WriteFile(staging / "EN_CURSO", "");
    WriteFile(staging / "PLAN", "R PROFT.DBF\n");
    WriteFile(Working() / "PROFT.DBF", "written by the timetable program since");
    RecoverInterruptedCommits(Working());
    EXPECT_EQ(test::FileNames(Working()), std::vector<std::string>{"PROFT.DBF"});
    EXPECT_EQ(ReadFile(Working() / "PROFT.DBF"), "written by the timetable program since");
}

// Twelve commits within a second or two: labels stay distinct and ordered
// ("-10" after "-9"), and only the ten newest copies are kept.
TEST_F(StagedTablesTest, TheTenNewestCopiesAreKept) {
    std::vector<std::string> labels;
    for (int i = 0; i < 12; ++i) labels.push_back(CommitOnce(Working(), {{"PROFT.DBF", std::to_string(i)}}));
    std::vector<std::string> listed;
    for (const KeptCopy& copy : ListCopies(Working())) listed.push_back(copy.label);
    const std::vector<std::string> newestFirst(labels.rbegin(), labels.rbegin() + 10);
    EXPECT_EQ(listed, newestFirst);
    // The copy of the last commit holds what the one before put in place.
    EXPECT_EQ(ReadFile(CopiesFolder(Working()) / labels.back() / "PROFT.DBF"), "10");
    EXPECT_EQ(test::FileNames(CopiesFolder(Working())).size(), 10u);
}

// What makes a copy unusable, as the listing and the full reading tell it.
TEST_F(StagedTablesTest, DamagedCopiesAreToldApart) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> damage;
        bool listedWhole;  // the listing checks presence and sizes only
        bool readWhole = false;
    };
    // The description with its lines changed by edit.
    auto description = [](const fs::path& c, const std::function<std::string(std::string)>& edit) {
        WriteFile(c / "COPIA.TXT", edit(ReadFile(c / "COPIA.TXT")));
    };
    auto firstLines = [](std::string text, int count) {
        std::size_t end = 0;
        for (int i = 0; i < count; ++i) end = text.find('\n', end) + 1;
        return text.substr(0, end);
    };
    // As a description was written before copies were numbered.
    auto unnumbered = [](std::string text) {
        return std::regex_replace(text, std::regex("(orden|archivos)=[^\n]*\n"), "");
    };
    const std::vector<Case> cases = {
        {"nothing", [](const fs::path&) {}, true, true},
        {"its files renamed in lower case",
         [](const fs::path& c) {
             fs::rename(c / "PROFT.DBF", c / "proft.dbf");
             fs::rename(c / "ASIGT.MDX", c / "asigt.mdx");
         },
         true, true},
        {"an unnumbered description naming every file",
         [&](const fs::path& c) { description(c, unnumbered); }, true, true},
        {"an unnumbered description that lacks a file of its folder",
         [&](const fs::path& c) { description(c, [&](std::string t) { return firstLines(unnumbered(t), 3); }); },
         false},
        {"a description cut at a line end",
         [&](const fs::path& c) { description(c, [&](std::string t) { return firstLines(t, 3); }); }, false},
        {"a file named twice",
         [&](const fs::path& c) {
             description(c, [](std::string t) {
                 const auto line = t.find("archivo=");
                 const std::string twice = t.substr(line, t.find('\n', line) + 1 - line);
                 return std::regex_replace(t.insert(line, twice), std::regex("archivos=2"), "archivos=3");
             });
         },
         false},
        {"a count that is not the last line",
         [&](const fs::path& c) { description(c, [](std::string t) { return t + "documento=x\r\n"; }); }, false},
        {"a description over its size limit",
         [&](const fs::path& c) {
             description(c, [](std::string t) { return std::string(kMaxDescriptionBytes, '\n') + t; });
         },
         false},
        {"a byte changed", [](const fs::path& c) { WriteFile(c / "PROFT.DBF", "Old teachers"); }, true},
        {"a file cut short", [](const fs::path& c) { WriteFile(c / "PROFT.DBF", "old"); }, false},
        {"a file missing", [](const fs::path& c) { fs::remove(c / "ASIGT.MDX"); }, false},
        {"no description", [](const fs::path& c) { fs::remove(c / "COPIA.TXT"); }, false},
        {"a description line spoilt",
         [](const fs::path& c) { WriteFile(c / "COPIA.TXT", ReadFile(c / "COPIA.TXT") + "archivo=../SOLUC.DBF;0;1;00000000\r\n"); },
         false},
    };
    for (const Case& damage : cases) {
        SCOPED_TRACE(damage.what);
        test::TempDir working;
        WriteFile(working.Path() / "PROFT.DBF", "old teachers");
        WriteFile(working.Path() / "ASIGT.MDX", "old index");
        const std::string label = CommitOnce(working.Path(), {{"PROFT.DBF", "new"}});
        damage.damage(CopiesFolder(working.Path()) / label);
        const std::vector<KeptCopy> listed = ListCopies(working.Path());
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].IsWhole(), damage.listedWhole) << listed[0].fault;
        std::vector<std::string> contents;
        const KeptCopy read = ReadWholeCopy(working.Path(), label, contents);
        const bool whole = damage.readWhole;
        EXPECT_EQ(read.IsWhole(), whole) << read.fault;
        if (whole) EXPECT_EQ(contents, (std::vector<std::string>{"old index", "old teachers"}));
        else EXPECT_TRUE(contents.empty());
    }
}

TEST(CopyLabels, OnlyDateAndTimeWithAnOptionalNumberNameACopy) {
    for (const char* label : {"20261210-121745", "20261210-121745-2", "20261210-121745-10"})
        EXPECT_TRUE(IsCopyLabel(label)) << label;
    for (const char* text : {"", "..", "20261210121745", "2026121-121745", "20261210-121745-", "20261210-121745-0",
                             "20261210-121745/..", "../20261210-121745", "20261210-12174x"})
        EXPECT_FALSE(IsCopyLabel(text)) << text;
}

}  // namespace
}  // namespace vindeleo
