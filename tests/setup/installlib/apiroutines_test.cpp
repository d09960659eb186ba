#include "machine_fixture.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/translator.h"

using namespace installlib;

// The kind of Windows picks the reboot path and the link method: a wrong
// kind on NT 3.51 would try shell links that do not exist there.
TEST_F(MachineTest, WindowsKindPerMachine)
{
    machine->setWindowsKind(win::WindowsKind::NT4);
    EXPECT_EQ(GetWindowsKind(), 2);
    machine->setWindowsKind(win::WindowsKind::NT35);
    EXPECT_EQ(GetWindowsKind(), 3);
    machine->setWindowsKind(win::WindowsKind::Win95);
    EXPECT_EQ(GetWindowsKind(), 1);
    machine->setWindowsKind(win::WindowsKind::Win32s);
    EXPECT_EQ(GetWindowsKind(), 0);
}

TEST_F(MachineTest, DirectoriesAsTheMachineReportsThem)
{
    EXPECT_EQ(GetWindowsDir(), machine->windowsDirectory());
    EXPECT_EQ(GetSystemDir(), machine->systemDirectory());
    EXPECT_FALSE(GetWindowsDir().empty());
}

TEST_F(MachineTest, TemporaryBatchFiles)
{
    std::string kept = GetTempBatchFile(true);
    EXPECT_TRUE(machine->fileExists(kept));
    EXPECT_EQ(kept.rfind(machine->tempPath() + "bat", 0), 0u) << kept;
    std::string name = GetTempBatchFile(false);
    EXPECT_FALSE(name.empty());
    EXPECT_FALSE(machine->fileExists(name));
    EXPECT_NE(name, kept);
}

TEST_F(MachineTest, ShortPaths)
{
    std::string dir = machine->windowsDirectory();
    EXPECT_EQ(GetShortPath(dir), dir);
    EXPECT_EQ(GetShortPath("C:\\No\\Such\\Path"), "");
    EXPECT_EQ(GetShortPath("C:\\" + std::string(401, 'a')), "");
}

// Without a machine the queries must raise their own errors, not crash.
TEST(ApiRoutinesWithoutMachine, RaiseTheirMessages)
{
    win::Machine::setCurrent(nullptr);
    try {
        GetWindowsKind();
        FAIL();
    } catch (const EAPIRoutines& e) {
        EXPECT_EQ(e.Message(), "Could not get information about the current version of Windows");
    }
    try {
        GetSystemDir();
        FAIL();
    } catch (const EAPIRoutines& e) {
        EXPECT_EQ(e.Message(), "Could not retrieve the system directroy from windows");
    }
    EXPECT_THROW(GetWindowsDir(), EAPIRoutines);
    EXPECT_THROW(GetTempBatchFile(true), EAPIRoutines);
    EXPECT_EQ(GetShortPath("C:\\"), "");
}

// qgUser follows the machine's user language: a Brazilian user must get the
// Portuguese texts, and a machine without one leaves the texts alone.
TEST_F(MachineTest, UserLanguageComesFromTheMachine)
{
    TTranslator t;
    t.lgEnglish().Strings().Assign({ "1;Cancel" });
    t.lgPortugese().Strings().Assign({ "1;Cancelar" });
    t.lgGerman().Strings().Assign({ "1;Abbrechen" });
    machine->setUserDefaultLangId(0x0416);
    EXPECT_EQ(TranslateText("Cancel"), "Cancelar");
    machine->setUserDefaultLangId(0x0407);
    EXPECT_EQ(TranslateText("Cancel"), "Abbrechen");
    machine->setUserDefaultLangId(0x041D); // Swedish: English
    EXPECT_EQ(TranslateText("Cancel"), "Cancel");
    EXPECT_EQ(t.ResultLanguage(qgGerman), qgEnglish);
    win::Machine::setCurrent(nullptr);
    EXPECT_EQ(t.FindLanguage(qgUser), nullptr);
    EXPECT_EQ(TranslateText("Cancel"), "Cancel");
}
