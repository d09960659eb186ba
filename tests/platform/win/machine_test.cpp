#include "machine_fixture.h"

#include "platform/win/file.h"

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace win;
namespace fs = std::filesystem;

// Catches a new machine missing what the install library reads at once.
TEST_F(MachineTest, NewMachineIsSeededAsNt4)
{
    EXPECT_EQ(machine->windowsKind(), WindowsKind::NT4);
    auto v = machine->version();
    EXPECT_EQ(v.platformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(v.major, 4u);
    EXPECT_EQ(machine->windowsDirectory(), "C:\\WINNT");
    EXPECT_EQ(machine->systemDirectory(), "C:\\WINNT\\system32");
    EXPECT_EQ(machine->tempPath(), "C:\\TEMP\\");
    EXPECT_TRUE(machine->directoryExists(machine->systemDirectory()));
    EXPECT_TRUE(machine->directoryExists("C:\\TEMP"));
    EXPECT_TRUE(machine->fileExists("C:\\WINNT\\WIN.INI"));
    EXPECT_EQ(machine->userDefaultLangId(), 0x0409);

    Registry& reg = machine->registry();
    const std::string sf = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    std::string programs = reg.readString(RootKey::CurrentUser, sf, "Programs");
    EXPECT_EQ(programs, "C:\\WINNT\\Profiles\\User\\Start Menu\\Programs");
    EXPECT_TRUE(machine->directoryExists(programs));
    EXPECT_FALSE(reg.readString(RootKey::CurrentUser, sf, "Start Menu").empty());
    EXPECT_FALSE(reg.readString(RootKey::CurrentUser, sf, "Desktop").empty());
    EXPECT_FALSE(reg.readString(RootKey::CurrentUser, sf, "Startup").empty());
    EXPECT_EQ(reg.readString(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
        "C:\\Program Files");
    EXPECT_EQ(reg.readString(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir"),
        "C:\\Program Files\\Common Files");
}

// Catches settings that do not survive reopening the root.
TEST_F(MachineTest, ConfigurationPersists)
{
    machine->setUserDefaultLangId(0x0416);
    machine->setWindowsKind(WindowsKind::NT35);
    machine->setDriveCapacity('C', 5000000);
    fs::path source = dir.path() / "sources";
    fs::create_directories(source);
    tavix::testing::writeFile(source / "BUILD.INF", "[Build]\r\n");
    machine->mapDrive('S', source);
    machine->setInUse("c:\\winnt\\win.ini", true);
    machine.reset();
    machine = Machine::open(dir.path() / "root");
    EXPECT_EQ(machine->userDefaultLangId(), 0x0416);
    EXPECT_EQ(machine->windowsKind(), WindowsKind::NT35);
    EXPECT_EQ(machine->version().minor, 51u);
    EXPECT_TRUE(machine->fileExists("S:\\build.inf"));
    bool found = false;
    for (const auto& d : machine->drives())
        if (d.letter == 'C') {
            found = true;
            EXPECT_EQ(d.capacity, 5000000u);
        }
    EXPECT_TRUE(found);

    // A file held open stays so for a program started later, until the restart.
    EXPECT_TRUE(machine->isInUse("C:\\WINNT\\WIN.INI"));
    EXPECT_FALSE(machine->deleteFile("C:\\WINNT\\WIN.INI"));
    machine->restart();
    machine.reset();
    machine = Machine::open(dir.path() / "root");
    EXPECT_FALSE(machine->isInUse("C:\\WINNT\\WIN.INI"));
}

// Catches a hold that outlives the program that took it (a killed setup's
// files would then never count as leftovers, a killed setup would block
// every later one) or that another program on the same root cannot see.
TEST_F(MachineTest, AHoldEndsWithTheProgramThatTookIt)
{
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\QRL1.TMP", ""));
    int ready[2], stop[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(stop), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto other = Machine::open(dir.path() / "root");
        const auto held = other->hold("C:\\TEMP\\QRL1.TMP");
        const auto named = other->holdName("Setup");
        char c = held.holding() && named.holding() ? '1' : '0';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(stop[0], &c, 1); // ends, however it ends, with its hold taken
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, '1');
    EXPECT_TRUE(machine->isHeld("C:\\TEMP\\QRL1.TMP"));
    EXPECT_FALSE(machine->holdName("Setup").holding());
    EXPECT_EQ(lastError(), ERROR_ALREADY_EXISTS);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(machine->isHeld("C:\\TEMP\\QRL1.TMP"));
    EXPECT_TRUE(machine->holdName("Setup").holding());
    for (int fd : { ready[0], ready[1], stop[0], stop[1] })
        ::close(fd);
    {
        const auto held = machine->hold("C:\\TEMP\\QRL1.TMP");
        EXPECT_TRUE(machine->isHeld("C:\\TEMP\\QRL1.TMP"));
    }
    EXPECT_FALSE(machine->isHeld("C:\\TEMP\\QRL1.TMP"));
    // A hold that cannot be had at all is told from one held by another.
    fs::rename(machine->root() / "mutexes", machine->root() / "kept");
    fs::create_directory_symlink(machine->root() / "kept", machine->root() / "mutexes");
    EXPECT_FALSE(machine->holdName("Setup").holding());
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
}

// Catches the 95-family layout (Windows and System directories) being wrong.
class Win95MachineTest : public MachineTest {
    MachineSeed seed() override { return MachineSeed { WindowsKind::Win95, 0x0407, "User" }; }
};

TEST_F(Win95MachineTest, DirectoriesAndVersion)
{
    EXPECT_EQ(machine->version().platformId, VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_EQ(machine->windowsDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(machine->systemDirectory(), "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(machine->registry().readString(RootKey::CurrentUser,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Start Menu"),
        "C:\\WINDOWS\\Start Menu");
}

// Catches the in-use replacement not happening at the next start on the 95
// family, or a line dropped that cannot be done yet (a read-only file).
TEST_F(Win95MachineTest, RestartAppliesWininitRenames)
{
    ASSERT_TRUE(machine->writeFile("C:\\WINDOWS\\SYSTEM\\APP.DLL", "old"));
    ASSERT_TRUE(machine->writeFile("C:\\WINDOWS\\SYSTEM\\APP.1", "new"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\junk.tmp", "x"));
    machine->setInUse("C:\\WINDOWS\\SYSTEM\\APP.DLL", true);
    EXPECT_FALSE(machine->moveFileEx("C:\\WINDOWS\\SYSTEM\\APP.1", "C:\\WINDOWS\\SYSTEM\\APP.DLL",
        MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(lastError(), ERROR_CALL_NOT_IMPLEMENTED);
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\kept.tmp", "x"));
    ASSERT_TRUE(machine->setFileAttributes("C:\\TEMP\\kept.tmp", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(machine->writeFile("C:\\WINDOWS\\WININIT.INI",
        "[Rename]\r\nC:\\WINDOWS\\SYSTEM\\APP.DLL=C:\\WINDOWS\\SYSTEM\\APP.1\r\nNUL=C:\\TEMP\\junk.tmp\r\n"
        "NUL=C:\\TEMP\\kept.tmp\r\n"));
    ASSERT_TRUE(machine->exitWindowsEx(EWX_REBOOT));
    EXPECT_TRUE(machine->rebootRequested());
    machine->restart();
    std::string text;
    ASSERT_TRUE(machine->readFile("C:\\WINDOWS\\SYSTEM\\APP.DLL", text));
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(machine->fileExists("C:\\WINDOWS\\SYSTEM\\APP.1"));
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\junk.tmp"));
    EXPECT_EQ(machine->getPrivateProfileString("Rename", "NUL", "", 99, "WININIT.INI"), "C:\\TEMP\\kept.tmp");
    EXPECT_EQ(machine->profileKeyNames("Rename", "WININIT.INI").size(), 1u);
    EXPECT_TRUE(machine->fileExists("C:\\WINDOWS\\WININIT.BAK"));
    EXPECT_FALSE(machine->rebootRequested());
}

// Catches delayed moves (NT) or RunOnce commands lost at the next start.
TEST_F(MachineTest, RestartAppliesDelayedMovesAndRunOnce)
{
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\APP.DLL", "old"));
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\APP.1", "new"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\bat1.bat", "erase"));
    ASSERT_TRUE(machine->forceDirectories("C:\\T"));
    ASSERT_TRUE(machine->writeFile("C:\\T\\setup.exe", "MZ"));
    machine->setInUse("C:\\WINNT\\system32\\APP.DLL", true);
    ASSERT_TRUE(machine->moveFileEx("C:\\WINNT\\system32\\APP.1", "C:\\WINNT\\system32\\APP.DLL",
        MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(machine->moveFileEx("C:\\TEMP\\bat1.bat", "", MOVEFILE_DELAY_UNTIL_REBOOT));
    const std::string runOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    ASSERT_EQ(machine->registry().writeString(
                  RootKey::LocalMachine, runOnce, "QuorleUnfinished", "\"C:\\T\\setup.exe\" -r \"-sD:\""),
        ERROR_SUCCESS);
    ASSERT_EQ(
        machine->registry().writeString(RootKey::LocalMachine, runOnce, "Missing", "C:\\nothere.exe"), ERROR_SUCCESS);
    std::vector<std::string> started;
    machine->setProgramRunner(
        [&](const std::string& program, const std::string& line, int) { started.push_back(program + "|" + line); });

    machine->restart();
    std::string text;
    ASSERT_TRUE(machine->readFile("C:\\WINNT\\system32\\APP.DLL", text));
    EXPECT_EQ(text, "new");
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\bat1.bat"));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], "C:\\T\\setup.exe|\"C:\\T\\setup.exe\" -r \"-sD:\"");
    RegKey key;
    std::vector<RegValue> values;
    ASSERT_EQ(machine->registry().openKey(RootKey::LocalMachine, runOnce, false, key), ERROR_SUCCESS);
    machine->registry().enumValues(key, values);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(machine->registry().readString(RootKey::LocalMachine,
                  "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations", "none"),
        "none");
}

// Catches programs reported as started when they do not exist.
TEST_F(MachineTest, WinExecFindsPrograms)
{
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\NOTEPAD.EXE", "MZ"));
    EXPECT_EQ(machine->winExec("notepad C:\\readme.txt", SW_SHOW), 33);
    EXPECT_EQ(machine->winExec("C:\\nowhere\\x.exe", SW_SHOW), int(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(machine->winExec("\"C:\\WINNT\\absent.exe\" /REGSERVER", SW_HIDE), int(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(machine->executedCommands(), (std::vector<std::string> { "notepad C:\\readme.txt" }));
    machine->setExitAllowed(false);
    EXPECT_FALSE(machine->exitWindowsEx(EWX_REBOOT));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
}

// Catches an NT reboot granted without the shutdown privilege, a privilege
// granted to an account that lacks it, or one that outlives the restart.
TEST_F(MachineTest, NtRebootNeedsTheShutdownPrivilege)
{
    EXPECT_FALSE(machine->exitWindowsEx(EWX_REBOOT));
    EXPECT_EQ(lastError(), ERROR_PRIVILEGE_NOT_HELD);
    EXPECT_FALSE(machine->enablePrivilege("SeBackupNothing"));
    EXPECT_EQ(lastError(), ERROR_NO_SUCH_PRIVILEGE);
    machine->setPrivilegesHeld(false);
    EXPECT_FALSE(machine->enablePrivilege("SeShutdownPrivilege"));
    EXPECT_EQ(lastError(), ERROR_NOT_ALL_ASSIGNED);
    EXPECT_FALSE(machine->exitWindowsEx(EWX_REBOOT));
    machine->setPrivilegesHeld(true);
    ASSERT_TRUE(machine->enablePrivilege("seshutdownprivilege"));
    ASSERT_TRUE(machine->exitWindowsEx(EWX_REBOOT));
    EXPECT_TRUE(machine->rebootRequested());
    machine->restart();
    EXPECT_FALSE(machine->shutdownPrivilegeEnabled());
    EXPECT_FALSE(machine->exitWindowsEx(EWX_REBOOT));
}

// Catches a corrupt configuration being overwritten or reported without saying where.
TEST(MachineConfig, CorruptConfigIsReportedAndKept)
{
    tavix::testing::TempDir dir("winemu");
    Machine::open(dir.path());
    std::string good = tavix::testing::readFile(dir / "machine.ini");
    struct Case {
        std::string from, to, expect;
    } cases[] = { { "Kind=NT4", "Kind=Windows 11", "line 4" }, { "Build=1381", "Build=abc", "line 5" },
        { "WindowsDir=C:\\WINNT", "WindowsDir=WINNT", "line 6" }, { "LanguageId=0409", "LanguageId=12345", "line 9" },
        { "Folder=drives/C", "Folder=", "drive C" } };
    for (const auto& c : cases) {
        std::string bad = good;
        size_t at = bad.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        bad.replace(at, c.from.size(), c.to);
        tavix::testing::writeFile(dir / "machine.ini", bad);
        try {
            Machine::open(dir.path());
            ADD_FAILURE() << "no error for " << c.to;
        } catch (const MachineError& e) {
            std::string what = e.what();
            EXPECT_NE(what.find("machine.ini"), std::string::npos) << what;
            EXPECT_NE(what.find(c.expect), std::string::npos) << what;
        }
        EXPECT_EQ(tavix::testing::readFile(dir / "machine.ini"), bad);
    }
}

// Catches programs running against a machine in the wrong place.
TEST(MachineConfig, DefaultRootChoice)
{
    const char* old = std::getenv("TAVIX_WINROOT");
    std::string saved = old ? old : "";
    setenv("TAVIX_WINROOT", "/tmp/some/root", 1);
    EXPECT_EQ(Machine::defaultRoot(), fs::path("/tmp/some/root"));
    EXPECT_EQ(Machine::defaultRoot("/given"), fs::path("/given"));
    unsetenv("TAVIX_WINROOT");
    EXPECT_EQ(Machine::defaultRoot().filename(), "winroot");
    if (old)
        setenv("TAVIX_WINROOT", saved.c_str(), 1);
    EXPECT_FALSE(Machine::hasCurrent());
    EXPECT_THROW(Machine::current(), MachineError);
}
