// Opening for exclusive use keeps other programs out, and is refused while
// another program holds the table.

#include <gtest/gtest.h>

#include "tables/Layouts.h"
#include "tables/Table.h"
#include "tables/TablesSupport.h"
#include "text/Error.h"

namespace vindeleo::test::tables {
namespace {

// Another process that holds a table file under a lock until told to stop.
class LockHolder {
public:
    LockHolder(const fs::path& file, bool exclusive) {
        const std::string script = R"(
import fcntl, os, sys, time
table, ready, stop, mode = sys.argv[1:5]
with open(table, 'rb') as f:
    fcntl.flock(f, fcntl.LOCK_EX if mode == 'exclusive' else fcntl.LOCK_SH)
    open(ready, 'w').close()
    deadline = time.time() + 30
    while not os.path.exists(stop) and time.time() < deadline:
        time.sleep(0.01)
)";
        WriteFile(scratch_ / "hold.py", script);
        const std::string command = "/usr/bin/python3 '" + (scratch_ / "hold.py").string() + "' '" + file.string() +
                                    "' '" + Ready().string() + "' '" + Stop().string() + "' " +
                                    (exclusive ? "exclusive" : "shared") + " & echo $! > '" +
                                    (scratch_ / "pid").string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        EXPECT_TRUE(WaitForFile(Ready())) << "the holder did not take the lock";
    }
    ~LockHolder() { Release(); }

    void Release() {
        if (released_) return;
        released_ = true;
        WriteFile(Stop(), "");
        std::string pid = ReadFile(scratch_ / "pid");
        pid.erase(pid.find_last_not_of(" \n") + 1);
        // Waits for the holder to end, so that its lock is gone.
        for (int i = 0; i < 1000 && std::system(("kill -0 " + pid + " 2>/dev/null").c_str()) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

private:
    fs::path Ready() const { return scratch_ / "ready"; }
    fs::path Stop() const { return scratch_ / "stop"; }

    TempDir scratch_;
    bool released_ = false;
};

class LockedTable : public ::testing::Test {
protected:
    void SetUp() override {
        Table table(dir_.Path(), layouts::Proft());
        table.Create();
    }

    std::string InUse() const {
        return "No se puede abrir la tabla " + File().string() + ": otro programa la tiene abierta";
    }
    fs::path File() const { return dir_ / "PROFT.DBF"; }

    TempDir dir_;
};

TEST_F(LockedTable, ExclusiveOpeningFailsWhileAnotherProgramHasTheTable) {
    LockHolder holder(File(), false);
    Table table(dir_.Path(), layouts::Proft());
    EXPECT_EQ(ErrorOf([&] { table.Open(true); }), InUse());
    EXPECT_FALSE(table.IsOpen());
    table.Open(false);  // shared opening goes along with another shared one
    table.Close();

    holder.Release();
    table.Open(true);
    EXPECT_TRUE(table.IsOpen());
}

TEST_F(LockedTable, AnExclusiveHolderKeepsEveryOpeningOut) {
    LockHolder holder(File(), true);
    Table table(dir_.Path(), layouts::Proft());
    EXPECT_EQ(ErrorOf([&] { table.Open(false); }), InUse());
    EXPECT_EQ(ErrorOf([&] { table.Create(); }),
              "No se puede crear la tabla " + File().string() + ": otro programa la tiene abierta");
    table.DeleteFiles();
    EXPECT_TRUE(fs::exists(File())) << "a file in use is passed over";
}

TEST_F(LockedTable, OtherProgramsCannotLockATableOpenedForExclusiveUse) {
    const std::string tryShared = "flock --nonblock --shared '" + File().string() + "' true";
    Table table(dir_.Path(), layouts::Proft());
    table.Open(true);
    EXPECT_EQ(RunCommand(tryShared).exitCode, 1) << "flock(1) must fail to lock";
    table.Close();
    EXPECT_EQ(RunCommand(tryShared).exitCode, 0);

    table.Open(false);
    EXPECT_EQ(RunCommand(tryShared).exitCode, 0) << "a shared opening lets readers in";
    EXPECT_EQ(RunCommand("flock --nonblock --exclusive '" + File().string() + "' true").exitCode, 1);

    Table second(dir_.Path(), layouts::Proft());
    EXPECT_EQ(ErrorOf([&] { second.Open(true); }), InUse()) << "within one program too";
}

}  // namespace
}  // namespace vindeleo::test::tables
