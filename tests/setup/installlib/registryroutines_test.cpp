#include "machine_fixture.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/registryroutines.h"
#include "tests/support/rename_count.h"

#include <sys/inotify.h>
#include <unistd.h>

using namespace installlib;

namespace {
constexpr int kCurrentUser = 2;
constexpr int kLocalMachine = 4;
const char* const kRunOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
} // namespace

// Key paths: a relative key opened under the wrong key writes the install's
// values where nothing reads them.
TEST_F(MachineTest, RelativeAndAbsoluteKeys)
{
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    EXPECT_FALSE(reg.OpenKey("\\Software\\Test", false)); // missing, no create
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Test");
    ASSERT_TRUE(reg.OpenKey("Sub\\Deeper", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Test\\Sub\\Deeper");
    reg.WriteString("Where", "deep");
    ASSERT_TRUE(reg.OpenKey("\\Software", false));
    EXPECT_EQ(reg.CurrentPath(), "Software");
    EXPECT_TRUE(reg.KeyExists("Test\\Sub"));
    EXPECT_TRUE(reg.KeyExists("\\Software\\Test\\Sub\\Deeper"));
    EXPECT_FALSE(reg.KeyExists("Sub"));
    EXPECT_EQ(reg.CurrentPath(), "Software"); // KeyExists keeps the current key
    EXPECT_TRUE(reg.OpenKeyRead("Test").has_value());
    EXPECT_FALSE(reg.OpenKeyAllAccess("Nothing").has_value());
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, "SOFTWARE\\TEST\\SUB\\DEEPER", "Where"), "deep");
}

TEST_F(MachineTest, DeleteKeyRecursiveKeepsCurrentKey)
{
    registry().writeString(win::RootKey::CurrentUser, "A\\B\\C\\D", "v", "1");
    registry().writeString(win::RootKey::CurrentUser, "A\\B\\E", "v", "2");
    registry().writeString(win::RootKey::CurrentUser, "A\\F", "v", "3");
    TqrleRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\A", false));
    EXPECT_TRUE(reg.DeleteKeyRecursive("B"));
    EXPECT_EQ(reg.CurrentPath(), "A");
    EXPECT_FALSE(registry().keyExists(win::RootKey::CurrentUser, "A\\B"));
    EXPECT_TRUE(registry().keyExists(win::RootKey::CurrentUser, "A\\F"));
    EXPECT_FALSE(reg.DeleteKeyRecursive("Missing"));
}

// Reads never raise and fall back to the default; writes raise with the
// key, so the engine's error box names what failed.
TEST_F(MachineTest, FreeReadsAndWrites)
{
    RegistryWriteString(kLocalMachine, "\\Software\\Quorle\\Test", "Name", "Value");
    RegistryWriteInteger(kLocalMachine, "\\Software\\Quorle\\Test", "Count", -5);
    EXPECT_EQ(RegistryReadString(kLocalMachine, "\\Software\\Quorle\\Test", "Name", "d"), "Value");
    EXPECT_EQ(RegistryReadInteger(kLocalMachine, "\\Software\\Quorle\\Test", "Count", 0), -5);
    EXPECT_EQ(RegistryReadString(kLocalMachine, "\\Software\\Quorle\\Test", "Missing", "d"), "d");
    EXPECT_EQ(RegistryReadString(kLocalMachine, "\\Software\\Nowhere", "Name", "d"), "d");
    EXPECT_EQ(RegistryReadString(kLocalMachine, "\\Software\\Quorle\\Test", "Count", "d"), "d"); // wrong type
    EXPECT_EQ(RegistryReadInteger(kLocalMachine, "\\Software\\Quorle\\Test", "Name", 7), 7);
    // Root numbers outside the table mean the current user.
    RegistryWriteString(9, "\\Software\\Odd", "N", "x");
    EXPECT_EQ(RegistryReadString(kCurrentUser, "\\Software\\Odd", "N", ""), "x");
    EXPECT_EQ(NumberFromRoot(win::RootKey::Users, -1), 5);

    registry().setKeyReadOnly(win::RootKey::LocalMachine, "Software\\Locked", true);
    try {
        RegistryWriteString(kLocalMachine, "\\Software\\Locked", "N", "V");
        FAIL();
    } catch (const EIRCannotWriteValue& e) {
        EXPECT_EQ(e.Message(), "Cannot install into registry. Key: \\Software\\Locked Ident: N Value V");
    }
    try {
        RegistryWriteInteger(kLocalMachine, "\\Software\\Locked", "N", 1);
        FAIL();
    } catch (const EIRCannotWriteValue& e) {
        EXPECT_EQ(e.Message(), "\\Software\\Locked");
    }
}

TEST_F(MachineTest, DeleteKeyTreeRemovesAllLevelsAndSwallowsErrors)
{
    for (const char* key : { "T\\A\\B\\C", "T\\A\\D", "T\\E\\F\\G\\H", "Other" })
        registry().writeString(win::RootKey::CurrentUser, key, "v", "x");
    RegistryDeleteKeyTree(kCurrentUser, "\\T");
    EXPECT_FALSE(registry().keyExists(win::RootKey::CurrentUser, "T"));
    EXPECT_TRUE(registry().keyExists(win::RootKey::CurrentUser, "Other"));
    RegistryDeleteKeyTree(kCurrentUser, "\\T"); // gone already: nothing happens
    registry().writeString(win::RootKey::CurrentUser, "L\\M", "v", "x");
    registry().setKeyReadOnly(win::RootKey::CurrentUser, "L\\M", true);
    EXPECT_NO_THROW(RegistryDeleteKeyTree(kCurrentUser, "\\L"));
}

// RunOnce: a numbered value must never overwrite an earlier command.
TEST_F(MachineTest, RunOnceValues)
{
    EXPECT_TRUE(AddRunOnceValue("QuorleUnfinished", "setup.exe -r", true));
    EXPECT_TRUE(AddRunOnceValue("QuorleUnfinished", "second", true));
    EXPECT_TRUE(AddRunOnceValue("QuorleUnfinished", "third", true));
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleUnfinished"), "setup.exe -r");
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleUnfinished1"), "second");
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleUnfinished2"), "third");
    EXPECT_TRUE(AddRunOnceValue("QuorleBatFile", "a.bat", false));
    EXPECT_TRUE(AddRunOnceValue("QuorleBatFile", "b.bat", false));
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleBatFile"), "b.bat");
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleBatFile1", "none"), "none");
    registry().setKeyReadOnly(win::RootKey::LocalMachine, kRunOnce, true);
    EXPECT_FALSE(AddRunOnceValue("X", "y", false));
}

TEST_F(MachineTest, IniValues)
{
    machine->writePrivateProfileString("Boot", std::string("shell"), std::string("  Explorer.exe "), "SYSTEM.INI");
    machine->writePrivateProfileString("Long", std::string("v"), std::string(2000, 'x'), "C:\\app.ini");
    EXPECT_EQ(ReadIniValue("SYSTEM.INI", "boot", "SHELL"), "Explorer.exe");
    EXPECT_EQ(ReadIniValue("SYSTEM.INI", "boot", "missing"), "");
    EXPECT_EQ(ReadIniValue("C:\\nofile.ini", "a", "b"), "");
    EXPECT_EQ(ReadIniValue("C:\\app.ini", "Long", "v").size(), 1023u);
}

// Unique names: a clash must move on to the next number; a bad base name
// used to loop for ever.
TEST(SetUniqueNameTest, NumbersUntilFreeAndRefusesBadNames)
{
    TComponent owner;
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    auto* c = new TComponent(&owner);
    SetUniqueName(*a, "nameClash");
    SetUniqueName(*b, "nameClash");
    SetUniqueName(*c, "nameClash");
    EXPECT_EQ(a->Name(), "nameClash");
    EXPECT_EQ(b->Name(), "nameClash1");
    EXPECT_EQ(c->Name(), "nameClash2");
    auto* d = new TComponent(&owner);
    EXPECT_THROW(SetUniqueName(*d, "bad name"), EComponentError);
    EXPECT_THROW(SetUniqueName(*d, ""), EComponentError);
    EXPECT_THROW(SetUniqueName(*d, "9lives"), EComponentError);
    EXPECT_EQ(d->Name(), "");
    // A name at the length limit: the numbered forms are too long to be valid.
    std::string longest(63, 'x');
    SetUniqueName(*d, longest);
    auto* e = new TComponent(&owner);
    EXPECT_THROW(SetUniqueName(*e, longest), EComponentError);
}

// Shell folders: the defaults stand in on a machine without the values, and
// a stored trailing backslash must not end up doubled in paths.
TEST_F(MachineTest, ShellFoldersFromRegistryAndDefaults)
{
    const char* folders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    const char* current = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    registry().deleteTree(win::RootKey::CurrentUser, folders);
    registry().deleteValue(win::RegKey(win::RootKey::LocalMachine, current), "ProgramFilesDir");
    registry().deleteValue(win::RegKey(win::RootKey::LocalMachine, current), "CommonFilesDir");
    std::string windows = GetWindowsDir();
    EXPECT_EQ(GetStartMenuDir(), windows + "\\Startmen");
    EXPECT_EQ(GetProgramsDir(), windows + "\\Startmen\\Programs");
    EXPECT_EQ(GetDesktopDir(), windows + "\\Desktop");
    EXPECT_EQ(GetStartupDir(), windows + "\\Startup");
    machine->setCurrentDirectory("C:\\");
    EXPECT_EQ(GetProgramFilesDir(), "C:\\Program Files");
    EXPECT_EQ(GetCommonFilesDir(), "C:\\Program Files\\Common Files");

    registry().writeString(win::RootKey::CurrentUser, folders, "Start Menu", "C:\\Menu\\");
    EXPECT_EQ(GetStartMenuDir(), "C:\\Menu");
    EXPECT_EQ(GetProgramsDir(), "C:\\Menu\\Programs"); // default built on the resolved Start Menu
    registry().writeString(win::RootKey::CurrentUser, folders, "Programs", "D:\\Progs");
    EXPECT_EQ(GetProgramsDir(), "D:\\Progs");
    registry().writeString(win::RootKey::LocalMachine, current, "ProgramFilesDir", "E:\\Apps\\");
    EXPECT_EQ(GetProgramFilesDir(), "E:\\Apps");
}

// Catches an entry written as two saves (the key, then its value): a kill
// between them left the uninstall entry's key without its value.
TEST_F(MachineTest, WritesToANewKeyAreOneSave)
{
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, machine->root().c_str(), IN_MOVED_FROM | IN_MOVED_TO), 0);
    auto saves = [&] { return tavix::testing::renamesOnto(watch, "registry.reg"); };
    RegistryWriteString(kLocalMachine, "\\Software\\New\\Entry", "DisplayName", "Product");
    EXPECT_EQ(saves(), 1);
    RegistryWriteInteger(kLocalMachine, "Software\\Other", "Count", 3);
    EXPECT_EQ(saves(), 1);
    close(watch);
    EXPECT_EQ(RegistryReadString(kLocalMachine, "\\Software\\New\\Entry", "DisplayName", ""), "Product");
    EXPECT_EQ(RegistryReadInteger(kLocalMachine, "\\Software\\Other", "Count", 0), 3);
    registry().setKeyReadOnly(win::RootKey::LocalMachine, "Software\\Locked", true);
    EXPECT_THROW(RegistryWriteString(kLocalMachine, "\\Software\\Locked\\Sub", "v", "x"), EIRCannotWriteValue);
    EXPECT_THROW(RegistryWriteInteger(kLocalMachine, "\\Software\\Locked", "v", 1), EIRCannotWriteValue);
}
