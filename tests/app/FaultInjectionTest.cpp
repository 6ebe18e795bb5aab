// Fault injection on every file operation of a run. The command-line front end
// runs under strace, which makes one chosen system call fail with a chosen
// error: the k-th write (disk full), rename (failed rename), openat or mkdir
// (read-only directory), flock (table held by another program), fsync, read,
// stat, directory listing or deletion. Every call that touches the run's files
// is an injection point, and every point is tested, one run each.

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <algorithm>

#include "support/TestSupport.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// The system calls that carry the runs' file operations, and the error each is
// made to fail with.
const std::map<std::string, std::string> kInjectedErrors = {
    {"openat", "EACCES"},  {"mkdir", "EROFS"},       {"write", "ENOSPC"},   {"ftruncate", "ENOSPC"},
    {"rename", "EIO"},     {"renameat", "EIO"},      {"renameat2", "EIO"},  {"link", "EPERM"},
    {"linkat", "EPERM"},   {"fsync", "EIO"},         {"fdatasync", "EIO"},  {"syncfs", "EIO"},
    {"flock", "EAGAIN"}, {"read", "EIO"},       {"pread64", "EIO"},    {"getdents64", "EIO"},
    {"newfstatat", "EIO"}, {"unlink", "EACCES"},     {"unlinkat", "EACCES"}, {"rmdir", "EACCES"},
};

struct InjectionPoint {
    std::string syscall;
    int occurrence;    // 1-based, among all calls of that system call in the run
    std::string line;  // what the clean run did there
};

bool StraceWorks() {
    return test::RunCommand("strace -f -qq -o /dev/null true").exitCode == 0;
}

std::string TracedSyscalls() {
    std::string list;
    for (const auto& [name, error] : kInjectedErrors) list += (list.empty() ? "" : ",") + name;
    return list;
}

// The calls of a clean run that touch `ours` (a path prefix), numbered per system call.
std::vector<InjectionPoint> InjectionPoints(const fs::path& trace, const std::vector<std::string>& ours) {
    std::ifstream in(trace);
    std::map<std::string, int> seen;
    std::vector<InjectionPoint> points;
    const std::regex call(R"(^\d+\s+([a-z0-9_]+)\()");
    std::string line;
    while (std::getline(in, line)) {
        std::smatch match;
        if (!std::regex_search(line, match, call)) continue;  // resumed calls, signals, exits
        const std::string name = match[1];
        const int occurrence = ++seen[name];
        for (const auto& prefix : ours)
            if (line.find(prefix) != std::string::npos) {
                points.push_back({name, occurrence, line});
                break;
            }
    }
    return points;
}

// Name -> bytes of every file under dir, recursively (staging remains included).
std::map<std::string, std::string> Tree(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), dir).string()] = test::ReadFile(entry.path());
        else if (entry.is_directory()) files[fs::relative(entry.path(), dir).string() + "/"] = "";
    return files;
}

using Tree_ = std::map<std::string, std::string>;

// A tree with its copies (COPIAS/<label>/...) numbered from the oldest and
// the date and time of their descriptions left out: what two runs at
// different moments write alike.
Tree_ Normalized(const Tree_& tree) {
    std::vector<std::string> labels;
    for (const auto& [name, bytes] : tree) {
        if (name.rfind("COPIAS/", 0) != 0 || name.size() <= 7) continue;
        const std::string label = name.substr(7, name.find('/', 7) - 7);
        if (labels.empty() || labels.back() != label) labels.push_back(label);
    }
    auto order = [](const std::string& label) {
        return std::make_pair(label.substr(0, 15), label.size() > 16 ? std::stoi(label.substr(16)) : 1);
    };
    std::sort(labels.begin(), labels.end(), [&](const auto& a, const auto& b) { return order(a) < order(b); });
    Tree_ normalized;
    for (const auto& [name, bytes] : tree) {
        if (name.rfind("COPIAS/", 0) != 0 || name.size() <= 7) {
            normalized[name] = bytes;
            continue;
        }
        const auto slash = name.find('/', 7);
        const std::string label = name.substr(7, slash - 7);
        const auto rank = std::find(labels.begin(), labels.end(), label) - labels.begin();
        const std::string rest = slash == std::string::npos ? "" : name.substr(slash);
        normalized["COPIAS/" + std::to_string(rank) + rest] =
            rest == "/COPIA.TXT" ? std::regex_replace(bytes, std::regex("fecha=[^\r]*"), "fecha=") : bytes;
    }
    return normalized;
}

// The names of the files of each copy, by label (its description aside).
std::map<std::string, std::set<std::string>> CopiedFiles(const Tree_& tree) {
    std::map<std::string, std::set<std::string>> copies;
    for (const auto& [name, bytes] : tree) {
        if (name.rfind("COPIAS/", 0) != 0 || name.size() <= 7) continue;
        const auto slash = name.find('/', 7);
        const std::string label = name.substr(7, slash - 7);
        const std::string file = slash == std::string::npos ? "" : name.substr(slash + 1);
        auto& files = copies[label];
        if (!file.empty() && file != "COPIA.TXT") files.insert(file);
    }
    return copies;
}

// The working tables of a tree, its copies and the remains of killed runs aside.
std::set<std::string> TableNames(const Tree_& tree) {
    std::set<std::string> names;
    for (const auto& [name, bytes] : tree)
        if (name.find('/') == std::string::npos) names.insert(name);
    return names;
}

// The names of the files that differ between two trees (empty when equal).
std::string Differences(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b) {
    std::set<std::string> names;
    for (const auto& [name, bytes] : a)
        if (!b.contains(name) || b.at(name) != bytes) names.insert(name);
    for (const auto& [name, bytes] : b)
        if (!a.contains(name)) names.insert(name);
    std::string text;
    for (const auto& name : names) text += name + " ";
    return text;
}

bool IsFlush(const InjectionPoint& point) {
    return point.syscall == "fsync" || point.syscall == "fdatasync" || point.syscall == "syncfs";
}

// The flush of a directory (strace -y shows the descriptor's path), or the
// opening of a directory that may be for it: the renames before it are done,
// so the files it covers may be in place already.
bool IsDirectoryFlush(const InjectionPoint& point) {
    if (point.syscall == "openat") return point.line.find("O_DIRECTORY") != std::string::npos;
    const auto open = point.line.find('<'), close = point.line.find('>', open);
    return IsFlush(point) && open != std::string::npos && close != std::string::npos &&
           fs::is_directory(point.line.substr(open + 1, close - open - 1));
}

// The message of an import whose tables are in place but whose last flush failed.
constexpr const char* kInPlaceUnflushed = "Las tablas nuevas ya est";

// What the user may be told when an operation fails: a Spanish message that
// names the file, the table or the directory, or says what went wrong.
void ExpectClearMessage(const test::CommandResult& result, const InjectionPoint& point) {
    const std::string told = result.out + result.err;
    EXPECT_FALSE(told.empty()) << point.line;
    for (const char* english : {"No such file", "Input/output", "Permission denied", "No space", "Read-only",
                                "filesystem error", "Resource temporarily", "Operation not permitted"})
        EXPECT_EQ(told.find(english), std::string::npos) << told << "\nat " << point.line;
}

class FaultInjectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!StraceWorks()) GTEST_SKIP() << "strace cannot trace processes here (no ptrace)";
        fs::create_directories(Tables());
        fs::copy_file(test::SourceDir() / "samples" / "demo-school.xml", Document());
    }

    fs::path Tables() const { return prefix / "drive_c" / "MTEMP"; }
    fs::path Document() const { return prefix / "alumnos.xml"; }

    // The command line run from "/" so that only the run's own paths name the
    // prefix, under `tracer` (a strace command, or nothing).
    std::string Command(const std::string& arguments, const std::string& tracer = "") const {
        return "cd / && " + tracer + " env WINEPREFIX=" + test::Quoted(prefix.Path()) + " " +
               test::Quoted(VINDELEO_CLI) + " " + arguments;
    }
    test::CommandResult Traced(const std::string& arguments, const fs::path& trace) {
        return test::RunCommand(
            Command(arguments, "strace -f -qq -y -o " + test::Quoted(trace) + " -e trace=" + TracedSyscalls()));
    }
    test::CommandResult Injected(const std::string& arguments, const InjectionPoint& point) {
        const std::string rule = point.syscall + ":error=" + kInjectedErrors.at(point.syscall) +
                                 ":when=" + std::to_string(point.occurrence);
        return test::RunCommand(
            Command(arguments, "strace -f -qq -o /dev/null -e trace=" + point.syscall + " -e inject=" + rule));
    }

    std::vector<InjectionPoint> CleanRunPoints(const std::string& arguments) {
        const fs::path trace = scratch / "clean.trace";
        const auto clean = Traced(arguments, trace);
        EXPECT_EQ(clean.exitCode, 0) << clean.err;
        return InjectionPoints(trace, {prefix.Path().string(), "NIVELEX"});
    }

    test::TempDir prefix;
    test::TempDir scratch;
};

// An import that fails anywhere leaves the working directory byte for byte as
// it was; one that finishes leaves exactly the tables of a clean run.
TEST_F(FaultInjectionTest, EveryFailedFileOperationOfTheImportLeavesTheTablesAsTheyWere) {
    const std::string import = "import " + test::Quoted(Document()) + " --template J2";
    ASSERT_EQ(test::RunCommand(Command(import)).exitCode, 0);
    const auto oldTables = Tree(Tables());  // the tables of an earlier import (template J2)

    const std::string importJ1 = "import " + test::Quoted(Document()) + " --template J1";
    const auto points = CleanRunPoints(importJ1);
    const auto newTables = Tree(Tables());
    ASSERT_NE(Differences(newTables, oldTables), "");
    ASSERT_GT(points.size(), 100u);

    std::set<std::string> messages;
    int failedRuns = 0;
    int leftBehind = 0;
    int unconfirmed = 0;
    for (const InjectionPoint& point : points) {
        // Back to the old tables before each run.
        fs::remove_all(Tables());
        fs::create_directories(Tables());
        for (const auto& [name, bytes] : oldTables)
            if (name.back() == '/') fs::create_directories(Tables() / name);
            else test::WriteFile(Tables() / name, bytes);

        const auto result = Injected(importJ1, point);
        ASSERT_TRUE(result.exitCode >= 0 && result.exitCode <= 2) << "crashed at " << point.line;
        ASSERT_NE(result.err.rfind("strace:", 0), 0u) << result.err;
        // A flush that fails is never a finished run.
        if (IsFlush(point)) {
            EXPECT_NE(result.exitCode, 0) << "a failed flush ended well at " << point.line;
        }
        if (result.exitCode == 2 && result.err.find(kInPlaceUnflushed) != std::string::npos) {
            // Past the point of no return: the new tables and the copy are in
            // place, and the user is told that the disk did not confirm them.
            ++unconfirmed;
            EXPECT_EQ(Differences(Normalized(Tree(Tables())), Normalized(newTables)), "") << point.line;
            messages.insert(result.out + result.err);
        } else if (result.exitCode == 0) {
            // The new tables, and one more copy: of the old ones. A staging
            // directory that could not be removed is removed by the next run.
            Tree_ finished = Tree(Tables());
            if (std::erase_if(finished, [](const auto& f) { return f.first.rfind(".vindeleo-", 0) == 0; }) > 0) {
                ++leftBehind;
                ASSERT_EQ(test::RunCommand(Command(importJ1)).exitCode, 0);
                EXPECT_EQ(Differences(Tree(Tables()), finished).find(".vindeleo-"), std::string::npos);
            }
            EXPECT_EQ(Differences(Normalized(finished), Normalized(newTables)), "") << "finished at " << point.line;
        } else {
            ++failedRuns;
            EXPECT_EQ(Differences(Tree(Tables()), oldTables), "") << "failed at " << point.line << "\n" << result.err;
            ExpectClearMessage(result, point);
            messages.insert(result.out + result.err);
        }
    }
    std::cout << "[ FAULTS   ] import: " << points.size() << " injection points, " << failedRuns
              << " runs stopped by the fault, every one with the tables as they were; " << unconfirmed
              << " put the tables in place and told that the disk did not confirm them; " << leftBehind
              << " finished runs left a staging directory that the next run removed\n";
    EXPECT_GT(unconfirmed, 0);
    for (const auto& message : messages) std::cout << "             " << message;
}

// A move of the commit fails, and then so does putting back an earlier one:
// the run says which tables are not back yet and leaves what is needed for
// the next run, which finishes the work. With its undo list written, the
// next run puts every old table back; when even the list could not be
// written, the plan puts every new table in place instead. Never a mix.
TEST_F(FaultInjectionTest, AnUndoThatFailsIsFinishedByTheNextRun) {
    const std::string importJ2 = "import " + test::Quoted(Document()) + " --template J2";
    ASSERT_EQ(test::RunCommand(Command(importJ2)).exitCode, 0);
    const auto oldTables = Tree(Tables());
    const std::string importJ1 = "import " + test::Quoted(Document()) + " --template J1";
    std::vector<InjectionPoint> moves;
    for (const InjectionPoint& point : CleanRunPoints(importJ1))
        if (point.syscall == "rename" && point.line.find("/.vindeleo-") != std::string::npos &&
            point.line.find(".tmp\"") == std::string::npos)
            moves.push_back(point);
    const auto newTables = Tree(Tables());
    ASSERT_GT(moves.size(), 6u);
    const int k = moves[4].occurrence;  // a move with earlier ones to put back

    struct Case {
        const char* what;
        std::string when;  // the renames made to fail
        const char* told;
        const Tree_& afterNextRun;
        const char* listed;  // the first line of the list of copies meanwhile
    };
    // After the failed move k: k + 1 writes the undo list, k + 2 puts back the move before k.
    const std::vector<Case> cases = {
        {"undo list written", std::to_string(k) + ".." + std::to_string(k + 2) + "+2",
         "no se han podido volver a poner como estaban estas tablas: ", oldTables,
         "n fallida: sus tablas anteriores se volver"},
        {"undo list not written", std::to_string(k) + ".." + std::to_string(k + 2),
         "ni volver a poner como estaban estas tablas: ", newTables,
         "n interrumpida: se completar"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(Tables());
        fs::create_directories(Tables());
        for (const auto& [name, bytes] : oldTables)
            if (name.back() == '/') fs::create_directories(Tables() / name);
            else test::WriteFile(Tables() / name, bytes);

        const auto failed = test::RunCommand(
            Command(importJ1, "strace -f -qq -o /dev/null -e trace=rename -e inject=rename:error=EIO:when=" + c.when));
        EXPECT_EQ(failed.exitCode, 2) << failed.out << failed.err;
        EXPECT_NE(failed.err.find(c.told), std::string::npos) << failed.err;
        EXPECT_EQ(failed.err.find("las tablas anteriores se conservan"), std::string::npos) << failed.err;
        EXPECT_NE(Differences(Tree(Tables()), oldTables).find(".vindeleo-"), std::string::npos)
            << "nothing left for the next run";
        const auto listing = test::RunCommand(Command("restore"));
        EXPECT_EQ(listing.out.find(c.listed), std::string("importaci\xC3\xB3").size()) << listing.out;


        // Any run takes it up first: here an export. One whose putting back
        // fails again says so, and leaves it for the run after.
        const std::string exportRun = "export " + test::Quoted(Document());
        if (c.afterNextRun == oldTables) {
            const auto again = test::RunCommand(
                Command(exportRun, "strace -f -qq -o /dev/null -e trace=rename -e inject=rename:error=EIO:when=1"));
            EXPECT_EQ(again.exitCode, 2);
            EXPECT_NE(again.err.find("a no se han podido volver a poner como estaban las tablas de"), std::string::npos)
                << again.err;
        }
        test::RunCommand(Command(exportRun));
        EXPECT_EQ(Differences(Normalized(Tree(Tables())), Normalized(c.afterNextRun)), "");
    }
}

// The import killed at each move, link, deletion and flush of its commit:
// every table is the complete old or the complete new one, and the next run
// takes up what was left and succeeds.
TEST_F(FaultInjectionTest, ImportKilledAtEveryStepOfPuttingTablesInPlace) {
    const std::string importJ2 = "import " + test::Quoted(Document()) + " --template J2";
    ASSERT_EQ(test::RunCommand(Command(importJ2)).exitCode, 0);
    test::WriteFile(Tables() / "JORNADAS.DBF", "an old grid that the import removes");
    const auto oldTables = Tree(Tables());
    // What a copy may hold: nothing (that of the first import), the old
    // tables, or the new ones (kept by the run that takes up a killed one).
    const std::set<std::string> oldNames = TableNames(oldTables);
    const std::string importJ1 = "import " + test::Quoted(Document()) + " --template J1";
    const auto points = CleanRunPoints(importJ1);
    const auto newTables = Tree(Tables());
    const std::set<std::string> newNames = TableNames(newTables);
    auto expectWholeCopies = [&](const InjectionPoint& point, const char* when) {
        const Tree_ tree = Tree(Tables());
        for (const auto& [label, files] : CopiedFiles(tree)) {
            EXPECT_TRUE(files.empty() || files == oldNames || files == newNames)
                << "copy " << label << " " << when << " a kill at " << point.line;
            EXPECT_TRUE(tree.contains("COPIAS/" + label + "/COPIA.TXT")) << label << " at " << point.line;
            for (const auto& file : files) {
                const Tree_& source = files == oldNames ? oldTables : newTables;
                EXPECT_EQ(tree.at("COPIAS/" + label + "/" + file), source.at(file)) << file << " at " << point.line;
            }
        }
        const auto listing = test::RunCommand(Command("restore"));
        EXPECT_EQ(listing.exitCode, 0);
        EXPECT_EQ(listing.out.find("NO UTILIZABLE"), std::string::npos) << listing.out << " at " << point.line;
    };

    int kills = 0;
    for (const InjectionPoint& point : points) {
        if (point.syscall != "rename" && point.syscall != "linkat" && point.syscall != "link" &&
            point.syscall != "unlink" && point.syscall != "unlinkat" && point.syscall != "syncfs" &&
            point.syscall != "rmdir")
            continue;
        ++kills;
        fs::remove_all(Tables());
        fs::create_directories(Tables());
        for (const auto& [name, bytes] : oldTables)
            if (name.back() == '/') fs::create_directories(Tables() / name);
            else test::WriteFile(Tables() / name, bytes);
        const std::string rule = point.syscall + ":signal=SIGKILL:when=" + std::to_string(point.occurrence);
        test::RunCommand(Command(importJ1, "strace -f -qq -o /dev/null -e trace=" + point.syscall + " -e inject=" + rule));

        for (const auto& [name, bytes] : Tree(Tables())) {
            if (name.rfind(".vindeleo-", 0) == 0) continue;  // what the killed run left, taken up below
            if (name.rfind("COPIAS", 0) == 0) continue;      // checked whole below
            const bool isOld = oldTables.contains(name) && oldTables.at(name) == bytes;
            const bool isNew = newTables.contains(name) && newTables.at(name) == bytes;
            EXPECT_TRUE(isOld || isNew) << name << " after a kill at " << point.line;
        }
        for (const auto& [name, bytes] : oldTables) {  // a table is never missing: it was replaced in one step
            if (newTables.contains(name)) {
                EXPECT_TRUE(fs::exists(Tables() / name)) << name << " at " << point.line;
            }
        }
        expectWholeCopies(point, "after");
        ASSERT_EQ(test::RunCommand(Command(importJ1)).exitCode, 0) << point.line;
        EXPECT_EQ(TableNames(Tree(Tables())), newNames) << "after a kill at " << point.line;
        for (const std::string& name : newNames)
            EXPECT_EQ(test::ReadFile(Tables() / name), newTables.at(name)) << name << " after a kill at " << point.line;
        expectWholeCopies(point, "after the run that follows");
    }
    EXPECT_GT(kills, 20);
    std::cout << "[ FAULTS   ] import killed at " << kills
              << " steps of its commit: every table old or new, the next run finished the work\n";
}

// An export that fails anywhere leaves no result (the earlier one intact), the
// document and the tables untouched.
TEST_F(FaultInjectionTest, EveryFailedFileOperationOfTheExportWritesNothing) {
    ASSERT_EQ(test::RunCommand(Command("import " + test::Quoted(Document()) + " --template J1")).exitCode, 0);
    fs::copy_file(test::SourceDir() / "samples" / "SOLUC.DBF", Tables() / "SOLUC.DBF");
    const fs::path result = prefix / "ResultadoTuvanealumnos.xml";
    const std::string earlier = "<?xml version=\"1.0\"?><SERVICIO>resultado anterior</SERVICIO>\n";
    test::WriteFile(result, earlier);
    const auto tables = Tree(Tables());
    const std::string document = test::ReadFile(Document());

    const std::string exportRun = "export " + test::Quoted(Document());
    const auto points = CleanRunPoints(exportRun);
    ASSERT_GT(points.size(), 20u);
    const std::regex fecha("fecha=\"[^\"]*\"");
    const std::string cleanResult = std::regex_replace(test::ReadFile(result), fecha, "");

    std::set<std::string> messages;
    int resultUnconfirmed = 0;
    int failedRuns = 0;
    for (const InjectionPoint& point : points) {
        test::WriteFile(result, earlier);
        const auto run = Injected(exportRun, point);
        ASSERT_TRUE(run.exitCode >= 0 && run.exitCode <= 2) << "crashed at " << point.line;
        ASSERT_NE(run.err.rfind("strace:", 0), 0u) << run.err;
        if (IsFlush(point)) {
            EXPECT_NE(run.exitCode, 0) << "a failed flush ended well at " << point.line;
        }
        if (run.exitCode == 0) {
            EXPECT_EQ(std::regex_replace(test::ReadFile(result), fecha, ""), cleanResult) << point.line;
        } else {
            ++failedRuns;
            // A failed flush of the document's folder comes after the result
            // is in place: it is told all the same.
            const std::string left = test::ReadFile(result);
            if (left != earlier) {
                ++resultUnconfirmed;
                EXPECT_TRUE(IsDirectoryFlush(point)) << "failed at " << point.line;
                EXPECT_EQ(std::regex_replace(left, fecha, ""), cleanResult) << point.line;
            }
            ExpectClearMessage(run, point);
            messages.insert(run.out + run.err);
        }
        EXPECT_EQ(test::ReadFile(Document()), document) << point.line;
        EXPECT_EQ(Differences(Tree(Tables()), tables), "") << point.line;
        EXPECT_EQ(test::FileNames(prefix.Path()),
                  (std::vector<std::string>{"ResultadoTuvanealumnos.xml", "alumnos.xml", "drive_c"}))
            << "something left beside the document at " << point.line;
    }
    std::cout << "[ FAULTS   ] export: " << points.size() << " injection points, " << failedRuns
              << " runs stopped by the fault; " << resultUnconfirmed
              << " of them had put the result in place when the flush of its folder failed, the others wrote none\n";
    for (const auto& message : messages) std::cout << "             " << message;
}

}  // namespace
}  // namespace vindeleo
