// The machine's own files and its paths under attack or contention: several
// programs on one root, links planted at temporary names, drive folders and
// folders swapped for links while files are opened.

#include "machine_fixture.h"

#include "platform/win/file.h"

#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace win;

namespace {

std::string markName(int program, int i)
{
    return "C:\\P" + std::to_string(program) + "\\LIB" + std::to_string(i) + ".DLL";
}

int waitFor(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

} // namespace

// Catches machine.ini written without re-reading it under a lock (marks of
// other programs lost) or through a shared temporary name (torn files).
TEST_F(MachineTest, ProgramsMarkingFilesAtOnceLoseNoMark)
{
    constexpr int kPrograms = 4, kEach = 12;
    const fs::path root = machine->root();
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> writers;
    for (int p = 0; p < kPrograms; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)!read(gate[0], &c, 1); // all start together
            try {
                auto m = Machine::open(root);
                for (int i = 0; i < kEach; ++i)
                    m->setInUse(markName(p, i), true);
            } catch (const std::exception&) {
                _exit(1);
            }
            _exit(0);
        }
        writers.push_back(pid);
    }
    const pid_t reader = fork();
    ASSERT_GE(reader, 0);
    if (reader == 0) {
        close(gate[1]);
        char c;
        (void)!read(gate[0], &c, 1);
        try {
            for (int i = 0; i < 60; ++i)
                Machine::open(root);
        } catch (const std::exception&) {
            _exit(1);
        }
        _exit(0);
    }
    close(gate[0]);
    close(gate[1]);
    for (pid_t pid : writers)
        EXPECT_EQ(waitFor(pid), 0);
    EXPECT_EQ(waitFor(reader), 0) << "a reader met a torn machine.ini";

    auto fresh = Machine::open(root);
    int marked = 0;
    for (int p = 0; p < kPrograms; ++p)
        for (int i = 0; i < kEach; ++i)
            marked += fresh->isInUse(markName(p, i)) ? 1 : 0;
    EXPECT_EQ(marked, kPrograms * kEach);
    // This program's own change keeps the marks the others made.
    machine->setInUse("C:\\MINE.DLL", true);
    EXPECT_TRUE(Machine::open(root)->isInUse(markName(kPrograms - 1, kEach - 1)));
}

// Catches the machine's temporary files made under fixed names, where a
// link planted beforehand would redirect a write outside the root.
TEST_F(MachineTest, LinksPlantedAtTemporaryNamesAreNotFollowed)
{
    tavix::testing::TempDir outside { "outside" };
    const fs::path victim = outside.path() / "victim";
    { std::ofstream(victim) << "keep"; }
    const std::string pid = std::to_string(getpid());
    fs::create_symlink(victim, machine->root() / "machine.ini.tmp");
    fs::create_symlink(victim, host("C:\\") / (".~write" + pid + "-A.TXT"));
    fs::create_symlink(victim, host("C:\\") / (".~copy" + pid + "-B.TXT"));

    machine->setUserDefaultLangId(0x0407);
    ASSERT_TRUE(machine->writeFile("C:\\A.TXT", "new"));
    ASSERT_TRUE(machine->copyFile("C:\\A.TXT", "C:\\B.TXT", false));
    EXPECT_EQ(tavix::testing::readFile(victim), "keep");
    EXPECT_FALSE(fs::is_symlink(machine->root() / "machine.ini"));
    EXPECT_FALSE(fs::is_symlink(host("C:\\A.TXT")));
    EXPECT_FALSE(fs::is_symlink(host("C:\\B.TXT")));
    std::string bytes;
    ASSERT_TRUE(machine->readFile("C:\\B.TXT", bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_EQ(Machine::open(machine->root())->userDefaultLangId(), 0x0407);
}
