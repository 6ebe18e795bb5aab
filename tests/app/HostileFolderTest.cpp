// The working folder as a hostile user or a broken disk may leave it: links
// where the runs expect folders or tables, special files where they read, and
// copies whose descriptions lie. Each state runs through vindeleo-cli: every
// run ends, nothing outside the working folder changes, the tables stay whole
// and the message names the problem.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <functional>

#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// A school imported once into a fresh prefix, its timetable in place, and a
// folder elsewhere that nothing may touch.
struct School {
    School() {
        fs::create_directories(Tables());
        document = prefix.Path() / "alumnos.xml";
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", document);
        EXPECT_EQ(Run("import " + test::Quoted(document)).exitCode, 0);
        fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");
        test::WriteFile(outside.Path() / "keep.txt", "not the school's");
        fs::create_directories(outside.Path() / "20261201-101010");
        test::WriteFile(outside.Path() / "20261201-101010" / "PROFT.DBF", "someone else's folder");
        test::WriteFile(outside.Path() / "PROFT.DBF", "a table elsewhere");
    }
    fs::path Tables() const { return prefix.Path() / "drive_c" / "MTEMP"; }
    // Every run must end: a minute is far beyond any of them.
    test::CommandResult Run(const std::string& arguments) const {
        return test::RunCommand("WINEPREFIX=" + test::Quoted(prefix.Path()) + " timeout 60 " +
                                test::Quoted(VINDELEO_CLI) + " " + arguments);
    }
    void CopiasAsLinkElsewhere() const {
        fs::rename(Tables() / "COPIAS", prefix.Path() / "COPIAS.antes");
        fs::create_directory_symlink(outside.Path(), Tables() / "COPIAS");
    }
    fs::path OnlyCopy() const { return fs::directory_iterator(Tables() / "COPIAS")->path(); }

    test::TempDir prefix;
    test::TempDir outside;
    fs::path document;
};

TEST(HostileFolderTest, LinksAndSpecialFilesAreNeitherFollowedNorOpened) {
    struct Case {
        const char* what;
        std::function<void(School&)> make;
        std::string command;  // "import", "export" or "restore"
        int exitCode;
        const char* told;  // part of the message (UTF-8), or "" when the run finishes
    };
    const std::vector<Case> cases = {
        {"a staging folder that is a link to another folder, old enough to be a killed run's",
         [](School& s) {
             fs::create_directory_symlink(s.outside.Path(), s.Tables() / ".vindeleo-1");
             test::SetModificationTime(s.outside.Path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
         },
         "import", 0, ""},
        {"the same, for the export",
         [](School& s) { fs::create_directory_symlink(s.outside.Path(), s.Tables() / ".vindeleo-1"); }, "export", 0,
         ""},
        {"COPIAS as a link to another folder", [](School& s) { s.CopiasAsLinkElsewhere(); }, "import", 2,
         "no es una carpeta, sino un archivo, un enlace"},
        {"the list of copies through that link", [](School& s) { s.CopiasAsLinkElsewhere(); }, "restore", 2,
         "no es una carpeta"},
        {"COPIAS as a file",
         [](School& s) {
             fs::rename(s.Tables() / "COPIAS", s.prefix.Path() / "COPIAS.antes");
             test::WriteFile(s.Tables() / "COPIAS", "not a folder");
         },
         "import", 2, "COPIAS: no es una carpeta"},
        {"a table that is a link to a file elsewhere",
         [](School& s) {
             fs::remove(s.Tables() / "PROFT.DBF");
             fs::create_symlink(s.outside.Path() / "PROFT.DBF", s.Tables() / "PROFT.DBF");
         },
         "import", 2, "PROFT.DBF: no es un archivo normal"},
        {"SOLUC as a FIFO",
         [](School& s) {
             fs::remove(s.Tables() / "SOLUC.DBF");
             ASSERT_EQ(mkfifo((s.Tables() / "SOLUC.DBF").c_str(), 0600), 0);
         },
         "export", 2, "SOLUC.DBF: no es un archivo normal"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        School school;
        c.make(school);
        const auto tablesBefore = test::Snapshot(school.Tables());
        const auto outsideBefore = test::SnapshotWithTimes(school.outside.Path());
        const auto run = c.command == "restore" ? school.Run("restore")
                                                : school.Run(c.command + " " + test::Quoted(school.document));
        EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(c.told), std::string::npos) << run.out << run.err;
        EXPECT_EQ(test::SnapshotWithTimes(school.outside.Path()), outsideBefore);
        if (c.exitCode != 0) {
            EXPECT_EQ(test::Snapshot(school.Tables()), tablesBefore);
        }
    }
}

// A read-only result is not replaced, as a Windows program could not replace
// it: the export says so and leaves it as it was.
TEST(HostileFolderTest, AReadOnlyResultIsNotReplaced) {
    School school;
    const fs::path result = school.prefix.Path() / "ResultadoTuvanealumnos.xml";
    test::WriteFile(result, "an earlier result");
    fs::permissions(result, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto run = school.Run("export " + test::Quoted(school.document));
    EXPECT_EQ(run.exitCode, 2) << run.out << run.err;
    EXPECT_NE(run.err.find("Unable to write to " + result.string()), std::string::npos) << run.err;
    EXPECT_EQ(test::ReadFile(result), "an earlier result");
}

// Descriptions that block, never end or lie: the list of copies ends at once
// and names the copy unusable; restoring it touches nothing.
TEST(HostileFolderTest, CopiesWhoseDescriptionsBlockOrLieAreUnusable) {
    struct Case {
        const char* what;
        std::function<void(const School&, const fs::path& copy)> make;
    };
    const std::vector<Case> cases = {
        {"a FIFO",
         [](const School&, const fs::path& copy) {
             fs::remove(copy / "COPIA.TXT");
             ASSERT_EQ(mkfifo((copy / "COPIA.TXT").c_str(), 0600), 0);
         }},
        {"a link to an endless file",
         [](const School&, const fs::path& copy) {
             fs::remove(copy / "COPIA.TXT");
             fs::create_symlink("/dev/zero", copy / "COPIA.TXT");
         }},
        {"a large table named a thousand times",
         [](const School&, const fs::path& copy) {
             test::WriteFile(copy / "GRANDE.DBF", std::string(10u << 20, 'x'));
             std::string text = "fecha=01/12/2026 10:10:10\r\norden=1\r\n";
             for (int i = 0; i < 1000; ++i) text += "archivo=GRANDE.DBF;0;10485760;00000000\r\n";
             test::WriteFile(copy / "COPIA.TXT", text + "archivos=1000\r\n");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        School school;
        const fs::path copy = school.OnlyCopy();
        c.make(school, copy);
        const auto tablesBefore = test::Snapshot(school.Tables());
        const auto listing = school.Run("restore");
        EXPECT_EQ(listing.exitCode, 0) << listing.err;
        EXPECT_NE(listing.out.find("COPIA NO UTILIZABLE"), std::string::npos) << listing.out;
        const auto restore = school.Run("restore " + copy.filename().string());
        EXPECT_EQ(restore.exitCode, 1) << restore.out << restore.err;
        EXPECT_EQ(test::Snapshot(school.Tables()), tablesBefore);
    }
}

}  // namespace
}  // namespace vindeleo
