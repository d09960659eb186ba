// The machine's own files and its paths under attack or contention: several
// programs on one root, links planted at temporary names, drive folders and
// folders swapped for links while files are opened.

#include "machine_fixture.h"

#include "platform/win/file.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <set>
#include <sys/wait.h>
#include <thread>
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

// Runs each program in a process of its own, all starting at once; their
// exit codes (1 when one throws).
std::vector<int> runTogether(const std::vector<std::function<int()>>& programs)
{
    int gate[2];
    if (pipe(gate) != 0)
        return {};
    std::vector<pid_t> pids;
    for (const auto& program : programs) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            (void)!read(gate[0], &c, 1);
            try {
                _exit(program());
            } catch (const std::exception&) {
                _exit(1);
            }
        }
        pids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    std::vector<int> codes;
    for (pid_t pid : pids)
        codes.push_back(pid > 0 ? waitFor(pid) : 98);
    return codes;
}

// Programs on the machine in root, each taking steps 0 to steps - 1 in
// turn; a step that fails ends its program with 1.
std::vector<std::function<int()>> programsOn(
    const fs::path& root, int programs, int steps, const std::function<bool(Machine&, int, int)>& step)
{
    std::vector<std::function<int()>> out;
    for (int p = 0; p < programs; ++p)
        out.push_back([=] {
            auto m = Machine::open(root);
            for (int i = 0; i < steps; ++i)
                if (!step(*m, p, i))
                    return 1;
            return 0;
        });
    return out;
}

} // namespace

// Catches machine.ini written without re-reading it under a lock (marks of
// other programs lost) or through a shared temporary name (torn files).
TEST_F(MachineTest, ProgramsMarkingFilesAtOnceLoseNoMark)
{
    constexpr int kPrograms = 4, kEach = 12;
    const fs::path root = machine->root();
    auto programs = programsOn(root, kPrograms, kEach, [](Machine& m, int p, int i) {
        m.setInUse(markName(p, i), true);
        return true;
    });
    programs.push_back([&] {
        for (int i = 0; i < 60; ++i)
            Machine::open(root);
        return 0;
    });
    const std::vector<int> codes = runTogether(programs);
    EXPECT_EQ(codes, std::vector<int>(kPrograms + 1, 0)) << "the last is a reader that met a torn machine.ini";

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

// Catches INI writes whose read-change-write other programs' writes come
// between: each reports success, and the keys the others wrote are gone.
TEST_F(MachineTest, ProgramsWritingOneIniAtOnceLoseNoKey)
{
    constexpr int kPrograms = 4, kEach = 150;
    EXPECT_EQ(runTogether(programsOn(machine->root(), kPrograms, kEach,
                  [](Machine& m, int p, int i) {
                      return m.writePrivateProfileString("Keys", markName(p, i), std::string("1"), "SHARED.INI");
                  })),
        std::vector<int>(kPrograms, 0));
    EXPECT_EQ(machine->profileKeyNames("Keys", "SHARED.INI").size(), size_t(kPrograms * kEach));
}

// Catches delayed moves read and written back under two locks: each
// reports success, and the moves the others scheduled meanwhile are gone.
TEST_F(MachineTest, ProgramsSchedulingDelayedMovesAtOnceLoseNone)
{
    constexpr int kPrograms = 4, kEach = 100;
    EXPECT_EQ(
        runTogether(programsOn(machine->root(), kPrograms, kEach,
            [](Machine& m, int p, int i) { return m.moveFileEx(markName(p, i), "", MOVEFILE_DELAY_UNTIL_REBOOT); })),
        std::vector<int>(kPrograms, 0));
    RegKey key;
    RegValue pending;
    ASSERT_EQ(machine->registry().openKey(
                  RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", false, key),
        ERROR_SUCCESS);
    ASSERT_EQ(machine->registry().queryValue(key, "PendingFileRenameOperations", pending), ERROR_SUCCESS);
    EXPECT_EQ(pending.strings().size(), size_t(2 * kPrograms * kEach));
}

// Catches a fresh root opened by several programs at once: a folder that
// another made first taken for a failure, WIN.INI seeded over keys that
// another program had written.
TEST_F(MachineTest, ProgramsOpeningANewRootAtOnceLoseNothing)
{
    const fs::path root = dir.path() / "fresh";
    EXPECT_EQ(runTogether(programsOn(root, 8, 1,
                  [](Machine& m, int p, int) {
                      return m.writePrivateProfileString("Keys", "P" + std::to_string(p), std::string("1"), "WIN.INI");
                  })),
        std::vector<int>(8, 0));
    EXPECT_EQ(Machine::open(root)->profileKeyNames("Keys", "WIN.INI").size(), 8u);
}

// Catches one Windows name made twice by programs that create it in
// different cases at once (CREATE_NEW then not exclusive), and a full
// floppy that writers at once all pass the free-space check of.
TEST_F(MachineTest, ProgramsMakingOneNameOrFillingADriveAtOnce)
{
    constexpr int kRounds = 200;
    ASSERT_TRUE(machine->forceDirectories("C:\\R"));
    auto programs = programsOn(machine->root(), 2, kRounds, [](Machine& m, int p, int i) {
        const std::string name = "C:\\R\\" + std::string(p ? "README" : "readme") + std::to_string(i) + ".TXT";
        File f;
        return f.open(m, name, GENERIC_WRITE, 0, CREATE_NEW) || lastError() == ERROR_FILE_EXISTS;
    });
    programs.push_back([root = machine->root()] {
        auto m = Machine::open(root);
        for (int i = 0; i < kRounds; ++i)
            if (!m->writeFile("C:\\R\\Readme" + std::to_string(i) + ".txt", "w"))
                return 1;
        return 0;
    });
    EXPECT_EQ(runTogether(programs), std::vector<int>(3, 0));
    EXPECT_EQ(std::distance(fs::directory_iterator(host("C:\\R")), fs::directory_iterator()), kRounds);

    const std::string part(700000, 'f');
    const std::vector<int> codes = runTogether(programsOn(
        machine->root(), 6, 1, [&](Machine& m, int p, int) { return m.writeFile("A:\\F" + std::to_string(p), part); }));
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 2);
    EXPECT_EQ(machine->diskFreeSpace("A:\\").value_or(0), 1457664u - 2 * part.size());
}

// Catches what killed writers leave beside the files they wrote: listed to
// programs on the machine, and kept until that very file is written again;
// and temporary names that a user's file can have (hidden, then removed)
// or that grow past the host's limit with a long file name.
TEST_F(MachineTest, KilledWritersTemporaryFilesAreHiddenAndSwept)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\APP"));
    ASSERT_TRUE(machine->forceDirectories("C:\\GONE"));
    // Writers killed between their temporary file and its rename (no such
    // process), and one still writing (this program).
    const std::string killed = ".tavix:write.4999999-0.tmp";
    const std::string live = ".tavix:copy." + std::to_string(getpid()) + "-0.tmp";
    for (const char* folder : { "C:\\WINNT", "C:\\APP", "C:\\GONE" })
        tavix::testing::writeFile(host(folder) / killed, "half");
    tavix::testing::writeFile(host("C:\\APP") / live, "half");

    EXPECT_TRUE(machine->findFiles("C:\\APP\\*").empty());
    const std::string user = "C:\\APP\\.write-USER.99999-1.tmp";
    ASSERT_TRUE(machine->writeFile(user, "mine"));
    ASSERT_TRUE(machine->writePrivateProfileString("S", "K", std::string("V"), "C:\\APP\\OTHER.INI"));
    EXPECT_FALSE(fs::exists(host("C:\\APP") / killed));
    EXPECT_TRUE(fs::exists(host("C:\\APP") / live));
    EXPECT_TRUE(machine->fileExists(user));
    EXPECT_EQ(machine->findFiles("C:\\APP\\.write-*").size(), 1u);
    EXPECT_TRUE(machine->removeDirectory("C:\\GONE"));
    Machine::open(machine->root());
    EXPECT_FALSE(fs::exists(host("C:\\WINNT") / killed));

    const std::string longName = "C:\\APP\\" + std::string(243, 'L');
    EXPECT_TRUE(machine->writeFile(longName, "x"));
    EXPECT_TRUE(machine->copyFile(longName, longName.substr(0, longName.size() - 1) + "M", false));
    EXPECT_TRUE(machine->writePrivateProfileString("S", "K", std::string("V"), longName));
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

    // A link at a lock file makes no file outside; the machine is refused.
    for (const char* lock : { "machine.lock", "registry.lock" }) {
        const fs::path planted = machine->root() / lock;
        fs::rename(planted, machine->root() / "kept.lock");
        fs::create_symlink(outside.path() / lock, planted);
        EXPECT_THROW(Machine::open(machine->root()), MachineError) << lock;
        EXPECT_FALSE(fs::exists(outside.path() / lock)) << lock;
        fs::remove(planted);
        fs::rename(machine->root() / "kept.lock", planted);
    }
}

// Catches a drive folder (or a folder on the way to it) that is a link
// leading the machine's files out of its root.
TEST_F(MachineTest, DriveFoldersThatAreLinksAreRefused)
{
    tavix::testing::TempDir outside { "outside" };
    { std::ofstream(outside.path() / "secret") << "host file"; }
    fs::create_directory_symlink(outside.path(), dir.path() / "link");
    EXPECT_THROW(machine->mapDrive('D', dir.path() / "link"), MachineError);

    const fs::path driveS = machine->root() / "drives" / "S";
    fs::rename(driveS, machine->root() / "drives" / "S.real");
    fs::create_directory_symlink(outside.path(), driveS);
    EXPECT_FALSE(machine->fileExists("S:\\secret"));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(machine->writeFile("S:\\planted", "x"));
    File f;
    EXPECT_FALSE(f.open(*machine, "S:\\secret", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_THROW(Machine::open(machine->root()), MachineError);
    EXPECT_FALSE(fs::exists(outside.path() / "planted"));
}

// Catches a relative drive folder (mapDrive, Folder= in machine.ini) that
// climbs out of the root.
TEST_F(MachineTest, RelativeDriveFoldersStayInsideTheRoot)
{
    EXPECT_THROW(machine->mapDrive('D', "../escape"), MachineError);
    EXPECT_THROW(machine->mapDrive('D', "disks/../../escape"), MachineError);
    EXPECT_FALSE(fs::exists(dir.path() / "escape"));
    machine->mapDrive('D', "disks/D");
    EXPECT_TRUE(machine->writeFile("D:\\in.txt", "x"));
    EXPECT_TRUE(fs::exists(machine->root() / "disks" / "D" / "in.txt"));

    std::string ini = tavix::testing::readFile(machine->root() / "machine.ini");
    const size_t at = ini.find("Folder=drives/S");
    ASSERT_NE(at, std::string::npos);
    ini.replace(at, 15, "Folder=drives/../../escape");
    tavix::testing::writeFile(machine->root() / "machine.ini", ini);
    EXPECT_THROW(Machine::open(machine->root()), MachineError);
    EXPECT_FALSE(fs::exists(dir.path() / "escape"));
}

// Catches an open (or a delete, a new folder, an attribute change, a
// listing, a size) that follows a folder swapped for a link after the path
// was checked: nothing outside the root may be touched or read.
TEST_F(MachineTest, FolderSwappedForALinkWhileFilesAreOpened)
{
    tavix::testing::TempDir outside { "outside" };
    for (int i = 0; i < 20; ++i)
        tavix::testing::writeFile(outside.path() / ("D" + std::to_string(i) + ".TXT"), "victim");
    const auto before = [&] {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(outside.path()))
            names.insert(e.path().filename().string());
        return names;
    };
    // A folder of the same name inside and outside: a temporary file made
    // through the link would land there.
    fs::create_directory(outside.path() / "T");
    tavix::testing::writeFile(outside.path() / "OUTSIDE.TXT", "victim");
    const std::set<std::string> victims = before();
    ASSERT_TRUE(machine->forceDirectories("C:\\A\\T"));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(machine->writeFile("C:\\A\\D" + std::to_string(i) + ".TXT", "ours"));
    // The folder and a link out of the root change places over and over;
    // the link stands half of the time, so that it often comes between a
    // check and an open.
    const fs::path folder = host("C:\\A");
    const fs::path link = folder.parent_path() / "A.link";
    fs::create_directory_symlink(outside.path(), link);
    ASSERT_EQ(renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE), 0);
    std::atomic<bool> stop { false };
    std::thread swapper([&] {
        while (!stop) {
            renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE);
            const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
            while (std::chrono::steady_clock::now() < until) { }
        }
    });
    int opened = 0, readOutside = 0;
    for (int i = 0; i < 4000; ++i) {
        for (const FindData& found : machine->findFiles("C:\\A\\*"))
            readOutside += found.name == "OUTSIDE.TXT";
        readOutside += machine->fileSize("C:\\A\\OUTSIDE.TXT").has_value() + machine->fileExists("C:\\A\\OUTSIDE.TXT");
        File f;
        const std::string name = "C:\\A\\F" + std::to_string(i % 20) + ".TXT";
        if (f.open(*machine, name, GENERIC_WRITE, 0, CREATE_ALWAYS))
            ++opened;
        f.close();
        if (i % 100 == 0)
            machine->writeFile("C:\\A\\W" + std::to_string(i % 20) + ".TXT", "x");
        machine->deleteFile(machine->tempFileName("C:\\A\\T", "ESC"));
        if (i % 40 == 0) {
            const std::string n = std::to_string(i / 40 % 20);
            machine->setFileAttributes("C:\\A\\D" + n + ".TXT", FILE_ATTRIBUTE_READONLY);
            machine->setFileAttributes("C:\\A\\D" + n + ".TXT", FILE_ATTRIBUTE_NORMAL);
            machine->deleteFile("C:\\A\\D" + n + ".TXT");
            machine->createDirectory("C:\\A\\SUB" + n);
        }
    }
    stop = true;
    swapper.join();
    EXPECT_GT(opened, 0);
    EXPECT_EQ(readOutside, 0);
    EXPECT_EQ(before(), victims);
    EXPECT_TRUE(fs::is_empty(outside.path() / "T"));
    for (const auto& name : victims) {
        if (name == "T")
            continue;
        EXPECT_EQ(tavix::testing::readFile(outside.path() / name), "victim") << name;
        EXPECT_TRUE((fs::status(outside.path() / name).permissions() & fs::perms::owner_write) != fs::perms::none);
    }
}

// Catches a write through a file that has a second hard link (which may be
// a file outside the machine).
TEST_F(MachineTest, HardLinkedFileIsNotWrittenThrough)
{
    tavix::testing::TempDir outside { "outside" };
    ASSERT_TRUE(machine->writeFile("C:\\H.TXT", "inside"));
    fs::create_hard_link(host("C:\\H.TXT"), outside.path() / "other");
    File f;
    EXPECT_FALSE(f.open(*machine, "C:\\H.TXT", GENERIC_WRITE, 0, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(f.open(*machine, "C:\\H.TXT", GENERIC_WRITE, 0, CREATE_ALWAYS));
    EXPECT_FALSE(machine->setFileDate("C:\\H.TXT", 0x21210000));
    std::string bytes;
    EXPECT_TRUE(machine->readFile("C:\\H.TXT", bytes));
    EXPECT_EQ(bytes, "inside");
    // Nor are its attributes changed: the other link keeps its mode.
    fs::permissions(host("C:\\H.TXT"), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(machine->setFileAttributes("C:\\H.TXT", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(fs::status(outside.path() / "other").permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(host("C:\\H.TXT"), fs::perms::owner_write, fs::perm_options::add);
    // A whole-file write puts a new file in place; the other link keeps its bytes.
    EXPECT_TRUE(machine->writeFile("C:\\H.TXT", "new"));
    EXPECT_EQ(tavix::testing::readFile(outside.path() / "other"), "inside");
}
