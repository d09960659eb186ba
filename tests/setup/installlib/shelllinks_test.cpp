#include "installfile_fixture.h"

#include "platform/win/progman.h"
#include "platform/win/shelllink.h"
#include "setup/installlib/programmanager.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/shelllinks.h"
#include "setup/installlib/uninstaller.h"
#include "setup/installlib/uninstallexe.h"

using namespace installfiletest;

namespace {

const char* const kEntry = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Product";

class ShellLinkTest : public InstallFileTest {
protected:
    void SetUp() override
    {
        InstallFileTest::SetUp();
        makeEngine();
        group = new TMainLinkGroup(form.get());
        group->SetName("MainLinkGroup1");
    }

    std::string folder() const { return GetProgramsDir() + "\\My Product"; }

    TInstallMainLink* makeLink(const std::string& location, const std::string& name = {})
    {
        auto* link = new TInstallMainLink(form.get());
        link->SetName("Link" + std::to_string(++links_));
        if (!name.empty())
            link->SetLinkName(name);
        link->SetObjectLocation(location);
        return link;
    }

    void process(TCustomInstallShellLink* link)
    {
        group->ProcessContainer();
        link->ProcessContainer();
    }

    // The program and the uninstall program installed through the archive,
    // as a run does, so that the uninstall entry is a complete one.
    TInstallFile* installProduct()
    {
        writeStamped("C:\\SRC\\APP.EXE", versioned("1.0.0.0", "the program"), kNew);
        writeStamped("C:\\SRC\\uninstall.exe", versioned("", "the uninstall program"), kNew);
        auto* app = makeFile("APP.EXE", "File1");
        auto* uninstall = new TUninstallEXE(form.get());
        uninstall->SetName("ifUninstallEXE");
        uninstall->SetContainer(directory);
        uninstall->SetIncludeFromDir(kSourceDir);
        uninstall->SetFileName("uninstall.exe");
        uninstall->SetDestDirType(nullptr);
        uninstall->SetDestDir(kDestDir);
        uninstall->SetArchiveFileType(nullptr);
        uninstall->SetArchiveFile(kArchive);
        app->AddToArchive = lzcOverwrite;
        app->CompressFile();
        uninstall->AddToArchive = lzcOnlyAdd;
        uninstall->CompressFile();
        for (TCustomInstallFile* f : std::vector<TCustomInstallFile*> { app, uninstall }) {
            f->ReadInfoFromArchive();
            f->ProcessContainer();
        }
        return app;
    }

    std::vector<std::string> recorded()
    {
        std::vector<std::string> out;
        const int n = std::stoi(RegistryReadString(4, std::string(kEntry) + "\\Files", "Entries", "0"));
        for (int i = 1; i <= n; ++i)
            out.push_back(RegistryReadString(4, std::string(kEntry) + "\\Files", "File" + std::to_string(i), ""));
        return out;
    }

    TMainLinkGroup* group = nullptr;
    int links_ = 0;
};

} // namespace

// --- naming ---

// Catches a link name that keeps a foreign extension, forgets the one it had,
// or an address that does not name an internet shortcut.
TEST_F(ShellLinkTest, LinkNamesFollowTheirExtensionsAndLocations)
{
    auto* link = makeLink("C:\\Program Files\\My App\\APP.EXE");
    EXPECT_EQ(link->LinkName(), "APP.LNK");
    link->SetLinkName("Read me.txt");
    EXPECT_EQ(link->LinkName(), "Read me.LNK");
    link->SetLinkName("Site.url");
    link->SetLinkName("Other.txt");
    EXPECT_EQ(link->LinkName(), "Other.URL");
    EXPECT_TRUE(link->IsInternetShortcut());

    auto* web = makeLink("http://www.tavix.example/index.html");
    EXPECT_EQ(web->LinkName(), "www.tavix.example/index.html.URL");
    auto* both = makeLink("ftp://x.example/?http://www.tavix.example");
    EXPECT_EQ(both->LinkName(), "www.tavix.example.URL");
    auto* ftp = makeLink("FTP://files.example");
    EXPECT_EQ(ftp->LinkName(), "files.example.URL");
}

// Catches a link to an install file not taking the file's name and path.
TEST_F(ShellLinkTest, ObjectLinkTakesTheInstalledFile)
{
    auto* app = makeFile("APP.EXE", "File1");
    auto* link = makeLink("");
    link->SetObjectLink(app);
    EXPECT_EQ(link->LinkName(), "APP.lnk");
    EXPECT_EQ(link->ObjectLocation(), "");
    EXPECT_EQ(link->GetObjectPath(), dest("APP.EXE"));
    // A location of its own replaces the object's specifier.
    link->SetObjectLocation("C:\\Other\\B.EXE");
    EXPECT_EQ(link->ObjectLocationType(), nullptr);
    EXPECT_EQ(link->GetObjectPath(), "C:\\Other\\B.EXE");
}

// Catches a second program-menu folder, or main links made outside it.
TEST_F(ShellLinkTest, OneMainGroupHoldsTheMainLinks)
{
    EXPECT_EQ(group->DestDir(), "\\My Product");
    EXPECT_THROW(new TMainLinkGroup(form.get()), IEShellLinkGroup);
    auto* link = makeLink("C:\\A.EXE");
    EXPECT_EQ(link->Container(), group);
    EXPECT_THROW(link->SetContainer(directory), IEInstallShellLink);
    EXPECT_EQ(link->GetDestPath(), folder());
    delete group;
    group = nullptr;
    EXPECT_THROW(new TInstallMainLink(form.get()), IEInstallShellLink);
}

// --- making links on each kind of Windows ---

// Catches a shortcut file written in the wrong folder, with the wrong target,
// arguments, working folder or hot key, or not recorded for the uninstaller.
TEST_F(ShellLinkTest, ShortcutFilesOnTheShellKinds)
{
    for (win::WindowsKind kind : { win::WindowsKind::NT4, win::WindowsKind::Win95 }) {
        machine->setWindowsKind(kind);
        auto* link = makeLink("C:\\Program Files\\My App\\APP.EXE");
        link->Parameters = "-open";
        link->HotKey = 0x10641;
        process(link);
        const win::ShellLink made = win::readShellLink(*machine, folder() + "\\APP.LNK");
        EXPECT_EQ(made.target, "C:\\Program Files\\My App\\APP.EXE");
        EXPECT_EQ(made.arguments, "-open");
        EXPECT_EQ(made.workingDirectory, "C:\\Program Files\\My App");
        EXPECT_EQ(made.hotKey, 0x0641);
        EXPECT_EQ(made.iconPath, "");
        EXPECT_EQ(made.iconIndex, 0);
        EXPECT_FALSE(win::ProgramManager(*machine).group("My Product"));
        // Any reader of the shell's link format finds the same.
        std::filesystem::path file;
        ASSERT_TRUE(machine->resolve(folder() + "\\APP.LNK", file));
        const std::string shown = tavix::testing::toolOutput("lnkinfo", file);
        EXPECT_NE(shown.find("Local path\t\t\t: C:\\Program Files\\My App\\APP.EXE"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Working directory\t\t: C:\\Program Files\\My App\n"), std::string::npos) << shown;
        EXPECT_NE(shown.find("Command line arguments\t\t: -open\n"), std::string::npos) << shown;
        const std::string bytes = read(folder() + "\\APP.LNK");
        ASSERT_GE(bytes.size(), 0x4Cu);
        EXPECT_EQ(bytes.substr(0x3C, 4), std::string("\x01\0\0\0", 4)); // normal window
        EXPECT_EQ(bytes.substr(0x40, 2), "\x41\x06"); // the hot key's low 16 bits
        delete link;
    }
    EXPECT_EQ(recorded(), (std::vector<std::string> { folder() + "\\APP.LNK", folder() + "\\APP.LNK" }));
}

// Catches a link file that cannot be written reported without the error the
// link object gives, or a damaged one read back as a link.
TEST_F(ShellLinkTest, FailedWriteAndDamagedFileAreReported)
{
    ASSERT_TRUE(machine->forceDirectories(folder() + "\\APP.LNK")); // a folder where the file belongs
    auto* link = makeLink("C:\\Program Files\\My App\\APP.EXE");
    try {
        process(link);
        FAIL() << "no error";
    } catch (const IEInstallShellLink& e) {
        EXPECT_NE(e.Message().find("The TCustomInstallShellLink Link1 name could not be installed. The following "
                                   "error was reported"),
            std::string::npos)
            << e.Message();
        EXPECT_NE(e.Message().find("Error code -2147024891"), std::string::npos) << e.Message(); // access denied
    }
    ASSERT_TRUE(machine->writeFile(folder() + "\\OLD.LNK", "TVXLINK\x1A\x01\0"));
    try {
        win::readShellLink(*machine, folder() + "\\OLD.LNK");
        FAIL() << "no error";
    } catch (const win::ShellLinkError& e) {
        EXPECT_NE(std::string(e.what()).find(folder() + "\\OLD.LNK"), std::string::npos) << e.what();
    }
}

// Catches items missing on the kinds without shortcut files, a main link
// making nothing there, or an existing item duplicated instead of replaced.
TEST_F(ShellLinkTest, ProgramManagerItemsOnTheOlderKinds)
{
    for (win::WindowsKind kind : { win::WindowsKind::Win32s, win::WindowsKind::NT35 }) {
        machine->setWindowsKind(kind);
        auto* first = makeLink("C:\\Program Files\\My App\\APP.EXE");
        first->Parameters = "-open";
        auto* second = makeLink("C:\\Program Files\\My App\\HELP.EXE");
        process(first);
        second->ProcessContainer();
        first->Parameters = "-again";
        first->ProcessContainer();

        const auto made = win::ProgramManager(*machine).group("My Product");
        ASSERT_TRUE(made);
        ASSERT_EQ(made->items.size(), 2u);
        EXPECT_EQ(made->items[0].name, "APP");
        EXPECT_EQ(made->items[0].commandLine, "\"C:\\Program Files\\My App\\APP.EXE\" -again");
        EXPECT_EQ(made->items[0].workingDirectory, "C:\\Program Files\\My App");
        EXPECT_EQ(made->items[1].name, "HELP");
        EXPECT_EQ(first->ProgramManagerFields().at(1), "APP");
        EXPECT_FALSE(machine->fileExists(folder() + "\\APP.LNK"));
        EXPECT_EQ(ProgramManager().FindItem("HELP"), 2);
        delete first;
        delete second;
        ASSERT_TRUE(win::ProgramManager(*machine).execute("[DeleteGroup(\"My Product\")]"));
    }
}

// Catches the explicit methods ignored, and a missing Program Manager not reported.
TEST_F(ShellLinkTest, MethodsOverrideTheKind)
{
    machine->setWindowsKind(win::WindowsKind::Win32s);
    auto* link = makeLink("C:\\A\\B.EXE");
    link->Method = mtShellLinkInterface;
    process(link);
    EXPECT_EQ(win::readShellLink(*machine, folder() + "\\B.LNK").target, "C:\\A\\B.EXE");

    machine->setWindowsKind(win::WindowsKind::NT4);
    auto* item = makeLink("C:\\A\\C.EXE");
    item->Method = mtProgramManager;
    win::ProgramManager(*machine).setRunning(false);
    FreeProgramManager();
    EXPECT_THROW(item->ProcessContainer(), EAIPMCannotOpen);
    win::ProgramManager(*machine).setRunning(true);
    item->ProcessContainer();
    EXPECT_EQ(win::ProgramManager(*machine).group("My Product")->items.at(0).name, "C");
}

// Catches an internet shortcut written as a shell link, or in the wrong place.
TEST_F(ShellLinkTest, InternetShortcutIsAnIniFile)
{
    machine->setWindowsKind(win::WindowsKind::Win32s);
    auto* link = makeLink("http://www.tavix.example/", "Tavix on the web.url");
    process(link);
    const std::string path = folder() + "\\Tavix on the web.url";
    EXPECT_EQ(machine->getPrivateProfileString("InternetShortcut", "URL", "", 260, path), "http://www.tavix.example/");
    EXPECT_EQ(recorded(), std::vector<std::string> { path });
}

// --- refusals ---

// Catches a name that is no plain file name (device names, path parts,
// reserved characters, an address with a page) writing a file, an item or an entry.
TEST_F(ShellLinkTest, BadNamesAreRefusedWithNothingWritten)
{
    for (win::WindowsKind kind : { win::WindowsKind::NT4, win::WindowsKind::Win32s }) {
        machine->setWindowsKind(kind);
        for (const char* name :
            { "CON.lnk", "com3.LNK", "a\\b.lnk", "..\\..\\evil.lnk", "x:y.lnk", "w?.lnk", "nul .lnk" }) {
            auto* link = makeLink("C:\\A\\B.EXE", name);
            EXPECT_THROW(process(link), IEInstallShellLink) << name;
            delete link;
        }
        auto* web = makeLink("http://www.tavix.example/page.html");
        EXPECT_THROW(process(web), IEInstallShellLink);
        delete web;
        auto* blank = makeLink("");
        blank->SetLinkName("  ");
        EXPECT_THROW(process(blank), IEInstallShellLink);
        delete blank;
    }
    EXPECT_TRUE(machine->findFiles(folder() + "\\*").empty());
    EXPECT_TRUE(machine->findFiles(GetProgramsDir() + "\\*.lnk").empty());
    EXPECT_FALSE(win::ProgramManager(*machine).group("My Product"));
    EXPECT_TRUE(recorded().empty());
}

// Catches a link to a file this run skipped being made or recorded anyway.
TEST_F(ShellLinkTest, LinkToASkippedFileIsNotMade)
{
    auto* app = makeFile("APP.EXE", "File1");
    auto* link = makeLink("");
    link->SetObjectLink(app);
    link->SetContainer(group);
    process(link);
    EXPECT_FALSE(machine->fileExists(folder() + "\\APP.lnk"));
    EXPECT_TRUE(recorded().empty());
}

// --- uninstalling ---

// Catches links left behind by the uninstall program: shortcut files and
// their folder on the shell kinds.
TEST_F(ShellLinkTest, UninstallRemovesShortcutFiles)
{
    TInstallFile* app = installProduct();
    auto* link = makeLink("");
    link->SetObjectLink(app);
    process(link);
    ASSERT_TRUE(machine->fileExists(folder() + "\\APP.lnk"));
    EXPECT_EQ(win::readShellLink(*machine, folder() + "\\APP.lnk").target, dest("APP.EXE"));

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_FALSE(machine->fileExists(folder() + "\\APP.lnk"));
    EXPECT_FALSE(machine->directoryExists(folder()));
    EXPECT_TRUE(machine->directoryExists(GetProgramsDir()));
    EXPECT_TRUE(report.Problems.empty());
}

// Catches Program Manager items and their group left behind by the uninstall program.
TEST_F(ShellLinkTest, UninstallRemovesProgramManagerItems)
{
    machine->setWindowsKind(win::WindowsKind::NT35);
    TInstallFile* app = installProduct();
    auto* link = makeLink("");
    link->SetObjectLink(app);
    process(link);
    ASSERT_EQ(win::ProgramManager(*machine).group("My Product")->items.size(), 1u);
    ASSERT_TRUE(win::ProgramManager(*machine).execute("[CreateGroup(\"Other\")][AddItem(x.exe,Other,,0,,,,)]"));

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_FALSE(win::ProgramManager(*machine).group("My Product"));
    EXPECT_TRUE(win::ProgramManager(*machine).group("Other"));
    EXPECT_TRUE(report.Problems.empty());
}

// Catches the user's own link (or Program Manager item) of the product's
// name in the product's group replaced by the install and deleted by the
// uninstall, without a word.
namespace {
class UsersLinkTest : public ShellLinkTest, public ::testing::WithParamInterface<win::WindowsKind> { };
} // namespace

TEST_P(UsersLinkTest, IsKeptAsideAndPutBack)
{
    machine->setWindowsKind(GetParam());
    const bool item = GetParam() == win::WindowsKind::NT35;
    if (item)
        ASSERT_TRUE(win::ProgramManager(*machine).execute(
            "[CreateGroup(My Product)][AddItem(\"C:\\Mine\\notes.exe\" -x,APP,,0,,,C:\\Mine,)]"));
    else
        ASSERT_TRUE(machine->forceDirectories(folder()) && machine->writeFile(folder() + "\\APP.lnk", "mine"));
    TInstallFile* app = installProduct();
    engine->InRun = true;
    auto* link = makeLink("");
    link->SetObjectLink(app);
    process(link);
    process(link); // a reinstall finds the product's own

    const TUninstallReport report = UninstallProduct("My Product");
    if (item) {
        const auto group = win::ProgramManager(*machine).group("My Product");
        ASSERT_TRUE(group);
        ASSERT_EQ(group->items.size(), 1u);
        EXPECT_EQ(group->items[0].commandLine, "\"C:\\Mine\\notes.exe\" -x");
    } else {
        EXPECT_EQ(read(folder() + "\\APP.lnk"), "mine");
    }
    EXPECT_EQ(report.PutBack.size(), 1u);
    EXPECT_TRUE(report.Problems.empty()) << report.Problems.front();
}

INSTANTIATE_TEST_SUITE_P(
    ShortcutAndProgramManager, UsersLinkTest, ::testing::Values(win::WindowsKind::NT4, win::WindowsKind::NT35));

// Catches the uninstall program's link started without the product it is to remove.
TEST_F(ShellLinkTest, UninstallLinkNamesTheProduct)
{
    installProduct();
    auto* uninstall = static_cast<TUninstallEXE*>(form->FindComponent("ifUninstallEXE"));
    auto* link = makeLink("");
    link->SetObjectLink(uninstall);
    link->Parameters = "ignored";
    process(link);
    const win::ShellLink made = win::readShellLink(*machine, folder() + "\\uninstall.lnk");
    EXPECT_EQ(made.target, dest("uninstall.exe"));
    EXPECT_EQ(made.arguments, "My Product");
}
