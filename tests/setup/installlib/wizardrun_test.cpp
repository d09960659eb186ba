// Whole installs on the emulated machine with every page of the library,
// played by a scripted user: the wizard before the install with a typed
// destination and a chosen program folder, the copy window while the
// archive is unpacked, and the good, bad or reboot pages at the end.

#include "engine_fixture.h"
#include "wizard_fixture.h"

#include "setup/installlib/filecontainer.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/shelllinks.h"

#include <QProgressBar>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <random>
#include <set>

using namespace enginetest;
using namespace wizardtest;

namespace {

const std::string kSetup = "C:\\TEMP\\QS1\\setup.exe";
const std::string kDest = "C:\\Apps\\Tavix";

// Host permissions hold for this thread while it lives, also when the
// tests run as root (which may otherwise write anywhere).
class HostPermissionsHold {
public:
    HostPermissionsHold()
    {
        syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct lowered[2] = { saved_[0], saved_[1] };
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &header_, lowered);
    }
    ~HostPermissionsHold() { syscall(SYS_capset, &header_, saved_); }

private:
    __user_cap_header_struct header_ { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct saved_[2] {};
};

class WizardRunTest : public LibraryFormTest {
protected:
    void SetUp() override
    {
        LibraryFormTest::SetUp();
        InstallRunState() = {};
        ASSERT_TRUE(machine->forceDirectories("C:\\TEMP\\QS1"));
        ASSERT_TRUE(machine->writeFile(kSetup, "MZ"));
        machine->setModuleFileName(kSetup);
        Application().Arguments = { "-sC:\\TEMP\\QS1", "-c" };
        ASSERT_TRUE(machine->forceDirectories("C:\\BUILD"));
        ASSERT_TRUE(machine->writeFile("C:\\BUILD\\APP.EXE", "the program"));
        // Large and without repeats, so that unpacking it takes many blocks.
        std::mt19937 random(7);
        std::string tables(3 << 20, '\0');
        for (char& c : tables)
            c = static_cast<char>(random());
        ASSERT_TRUE(machine->writeFile("C:\\BUILD\\TABLES.DB", tables));
        ASSERT_TRUE(machine->forceDirectories(GetProgramsDir() + "\\Tools"));
        user.pictureDir = TAVIX_WIZARD_PICTURE_DIR;
        user.Why = [this] { return messages.asked().empty() ? std::string() : messages.asked().back().text; };
        buildScript();
    }
    void TearDown() override
    {
        form.reset();
        ClearDialogRegistries();
        SharedArchive().Abort = false;
        SetNetUserAbort(false);
        InstallRunState() = {};
        LibraryFormTest::TearDown();
    }

    // The install script: the engine, its managers and every page, a folder
    // with the program and its tables, and the program's link.
    void buildScript()
    {
        engine = new TInstall(form.get());
        engine->SetName("Install1");
        engine->Information.ProductName = "Tavix Electronics";
        auto manager = [&](TManagerType type, const std::string& name) {
            auto* m = new TDialogManager(form.get());
            m->SetName(name);
            m->ManagerType = type;
            m->SetContainer(engine);
            return m;
        };
        manager(dmBeforeInstall, "DialogManager");
        manager(dmAfterGoodInstall, "DialogManager1");
        manager(dmAfterBadInstall, "DialogManager2");
        copying = manager(dmDuringCopyFiles, "DialogManager3");
        manager(dmReboot, "DialogManager5");
        auto* group = new TMainLinkGroup(form.get());
        group->SetName("MainFolder");
        add<TWelcomeDlg>("WelcomeDlg");
        add<TLicenseDlg>("LicenseDlg")->LicenseAgreement = { "You may use this software." };
        add<TReadmeDlg>("ReadmeDlg")->ReadmeText = { "Version 1.01a" };
        add<TSelectDestinationDlg>("SelectDestinationDlg");
        add<TSelectFolderDlg>("SelectFolderDlg", group);
        add<TGoodInstallationDlg>("GoodInstallationDlg");
        add<TBadInstallationDlg>("BadInstallationDlg");
        add<TRebootDlg>("RebootDlg");
        add<TCopyFileDlg>("CopyFileDlg");
        add<TInstallStatusDlg>("InstallStatusDlg");

        auto* directory = new TFileContainer(form.get());
        directory->SetName("Dir1");
        directory->SetContainer(engine);
        app = new TInstallFile(form.get(), "C:\\BUILD\\APP.EXE", directory);
        app->SetName("F1");
        tables = new TInstallFile(form.get(), "C:\\BUILD\\TABLES.DB", directory);
        tables->SetName("F2");
        auto* link = new TInstallMainLink(form.get());
        link->SetName("ProgramLink");
        link->SetObjectLink(app);

        engine->Loaded();
        app->CompressFile();
        tables->AddToArchive = lzcOnlyAdd;
        tables->CompressFile();
    }
    template <class T> T* add(const std::string& name, TInstallContainer* container = nullptr)
    {
        auto* d = new T(form.get());
        d->SetName(name);
        d->SetContainer(container ? container : engine);
        return d;
    }
    std::string read(const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(path, bytes)) << path;
        return bytes;
    }

    ScriptedUser user;
    TInstall* engine = nullptr;
    TDialogManager* copying = nullptr;
    TInstallFile* app = nullptr;
    TInstallFile* tables = nullptr;
};

// Catches a page that does not reach the install: the typed destination
// and the chosen folder decide where the files and the link go, the copy
// window follows the unpacking and closes, the good page ends the run.
TEST_F(WizardRunTest, TheWizardDecidesWhereTheProductGoes)
{
    user.add({ "look", "next", "look", "next", "look", "next", "look", "type:" + kDest, "next", "look",
        "choose:Tools", "type:Tavix\\Electronics", "next" });
    user.add({ "look", "shot:run_good", "finish" });
    std::set<std::string> copied;
    int highest = 0;
    messages.onProcessMessages([&] {
        for (TBaseDuringCopyForm* form : copying->CopyForms()) {
            auto* copy = static_cast<TCopyFileForm*>(form);
            if (!copy->Widget()->isVisible())
                continue;
            copied.insert(copy->FileLabel->text().toStdString());
            highest = std::max(highest, copy->ProgressBar2->value());
        }
    });
    form->Activate();
    EXPECT_FALSE(engine->Failed());
    EXPECT_EQ(user.seen,
        (std::vector<std::string> { "Welcome: Next Cancel", "Software license agreement: Previous Next Cancel",
            "Readme information: Previous Next Cancel", "Choose destination location: Previous Next Cancel",
            "Select folder in start menu: Previous Next Cancel", "Setup complete: Finish" }));
    EXPECT_TRUE(user.scripts.empty());
    EXPECT_EQ(read(kDest + "\\APP.EXE"), "the program");
    EXPECT_EQ(read(kDest + "\\TABLES.DB"), read("C:\\BUILD\\TABLES.DB"));
    EXPECT_TRUE(machine->fileExists(GetProgramsDir() + "\\Tavix\\Electronics\\APP.lnk"));
    EXPECT_FALSE(machine->directoryExists("C:\\Program Files\\MyApplication"));
    EXPECT_TRUE(copied.count("TABLES.DB")); // the small program may go in one block, unseen
    for (const std::string& name : copied)
        EXPECT_TRUE(name == "APP.EXE" || name == "TABLES.DB") << name;
    EXPECT_EQ(highest, 100);
    EXPECT_TRUE(copying->CopyForms().empty()); // closed when the work ended
}

// Catches a destination taken that fails only once the copy has started:
// an existing file, a folder (or a folder below it) that cannot be written,
// and a place where the deepest file's path would be longer than Windows
// takes.
TEST_F(WizardRunTest, NextRefusesADestinationTheCopyCouldNotUse)
{
    app->Container()->SetDestDir("\\Help\\Imagens"); // C:\<dir>\Help\Imagens\TABLES.DB
    for (const std::string folder : { "C:\\Locked", "C:\\Open\\Help" }) {
        ASSERT_TRUE(machine->forceDirectories(folder));
        std::filesystem::path locked;
        ASSERT_TRUE(machine->resolve(folder, locked));
        std::filesystem::permissions(locked,
            std::filesystem::perms::owner_write | std::filesystem::perms::group_write
                | std::filesystem::perms::others_write,
            std::filesystem::perm_options::remove);
    }
    const std::string tooLong = "C:\\" + std::string(237, 'a');
    user.add({ "next", "next", "next", "type:C:\\WINNT\\WIN.INI", "next", "type:C:\\WINNT\\WIN.INI\\Tavix", "next",
        "type:C:\\Locked\\Tavix", "next", "type:C:\\Open", "next", "type:" + tooLong, "next",
        "type:" + tooLong.substr(0, 236), "next", "cancel" });
    user.add({ "finish" });
    {
        HostPermissionsHold asAUser;
        form->Activate();
    }
    std::vector<std::string> said;
    for (const auto& asked : messages.asked())
        said.push_back(asked.text);
    EXPECT_EQ(said,
        (std::vector<std::string> { "C:\\WINNT\\WIN.INI is a file, not a directory.",
            "Cannot install into C:\\WINNT\\WIN.INI\\Tavix: C:\\WINNT\\WIN.INI is a file, not a directory.",
            "Cannot install into C:\\Locked\\Tavix, because the directory C:\\Locked cannot be written: Access is "
            "denied.",
            "Cannot install into C:\\Open, because the directory C:\\Open\\Help cannot be written: Access is denied.",
            "The directory " + tooLong
                + " is too long for this program: its deepest file would have a path of 263 "
                  "characters, and Windows takes at most 259. Choose a directory of at most 236 characters." }));
    EXPECT_TRUE(machine->findFiles("C:\\Locked\\*").empty());
    EXPECT_FALSE(machine->directoryExists(tooLong));
}

// Catches a Cancel on the copy window that leaves the copy running, or
// breaks the file being replaced: the run ends as a user abort with the
// bad page, the old tables stay as they were, and what the run copied
// before goes (the product was not installed before).
TEST_F(WizardRunTest, CancelWhileCopyingKeepsTheOldFiles)
{
    ASSERT_TRUE(machine->forceDirectories(kDest));
    ASSERT_TRUE(machine->writeFile(kDest + "\\TABLES.DB", "the user's old tables"));
    user.add({ "next", "next", "next", "type:" + kDest, "next", "next" });
    user.add({ "look", "shot:run_bad", "finish" });
    bool pressed = false;
    messages.onProcessMessages([&] {
        for (TBaseDuringCopyForm* form : copying->CopyForms()) {
            auto* copy = static_cast<TCopyFileForm*>(form);
            if (!pressed && copy->FileLabel->text() == "TABLES.DB" && copy->ProgressBar1->value() > 0
                && copy->ProgressBar1->value() < 100) {
                pressed = true;
                QTest::mouseClick(copy->CancelBtn, Qt::LeftButton);
            }
        }
    });
    form->Activate();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(user.seen, std::vector<std::string> { "Setup incomplete: Finish" });
    EXPECT_EQ(read(kDest + "\\TABLES.DB"), "the user's old tables");
    for (const auto& f : machine->findFiles(kDest + "\\*")) // no half-written file beside it
        EXPECT_EQ(f.name, "TABLES.DB");
    EXPECT_FALSE(machine->fileExists(GetProgramsDir() + "\\Tavix Electronics\\APP.lnk"));
}

// Catches the reboot page not deciding the reboot: a program file in use
// asks for one, "Yes" restarts Windows, and no good page comes first.
TEST_F(WizardRunTest, RebootPageDecidesTheRestart)
{
    ASSERT_TRUE(machine->forceDirectories(kDest));
    ASSERT_TRUE(machine->writeFile(kDest + "\\APP.EXE", "the old program"));
    machine->setInUse(kDest + "\\APP.EXE", true);
    user.add({ "next", "next", "next", "type:" + kDest, "next", "next" });
    user.add({ "look", "yes", "shot:run_reboot", "finish" });
    form->Activate();
    EXPECT_EQ(user.seen, std::vector<std::string> { "Reboot windows: Finish" });
    EXPECT_TRUE(engine->Reboot);
    EXPECT_TRUE(machine->rebootRequested());
    EXPECT_EQ(read(kDest + "\\APP.EXE"), "the old program"); // replaced at the restart
}

} // namespace
