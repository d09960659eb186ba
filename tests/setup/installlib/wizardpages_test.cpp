// The library's pages, the status window and the copy window with their Qt
// windows, offscreen, played by a scripted user over an engine on the
// emulated machine.

#include "engine_fixture.h"
#include "wizard_fixture.h"

#include "platform/win/progman.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/shelllinks.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/ui/translatecontrols.h"

#include <QBuffer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <map>
#include <set>

using namespace enginetest;
using namespace wizardtest;

namespace {

class WizardPagesTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1", "-c" });
        makeInstall();
        install->Information.ProductName = "Tavix Electronics";
        user.pictureDir = TAVIX_WIZARD_PICTURE_DIR;
        user.Why = [this] { return messages.asked().empty() ? std::string() : messages.asked().back().text; };
    }
    void TearDown() override
    {
        form.reset(); // the components go before the registries are emptied
        ClearDialogRegistries();
        EngineTest::TearDown();
    }

    template <class T> T* dialog(const std::string& name, TInstallContainer* container = nullptr)
    {
        auto* d = new T(form.get());
        d->SetName(name);
        d->SetContainer(container ? container : install);
        return d;
    }
    TMainLinkGroup* linkGroup()
    {
        auto* group = new TMainLinkGroup(form.get());
        group->SetName("MainFolder"); // the engine's child from the start
        return group;
    }
    // The five pages before the install, each joining the first manager.
    void beforeInstallPages()
    {
        dialog<TWelcomeDlg>("WelcomeDlg");
        dialog<TLicenseDlg>("LicenseDlg")->LicenseAgreement = { "LICENCE", "You may use this software." };
        dialog<TReadmeDlg>("ReadmeDlg")->ReadmeText = { "README", "Version 1.01a" };
        dialog<TSelectDestinationDlg>("SelectDestinationDlg");
        dialog<TSelectFolderDlg>("SelectFolderDlg", linkGroup());
    }
    bool warned(const std::string& part) const
    {
        for (const auto& asked : messages.asked())
            if (asked.text.find(part) != std::string::npos)
                return true;
        return false;
    }

    ScriptedUser user;
};

// Catches a page that does not show for its own code without a manager,
// keeps Previous alone, ends with anything but its Next or Finish, or lets
// Cancel or the close box pass for a normal end.
TEST_F(WizardPagesTest, EachPageAloneByItsCode)
{
    TMainLinkGroup* group = linkGroup();
    struct Alone {
        TWizardPageDlg* dialog;
        int code;
        TInstallContainer* sender;
        std::string look;
        const char* end;
    };
    std::vector<Alone> pages = {
        { dialog<TWelcomeDlg>("WelcomeDlg"), icWelcome, install, "Welcome: Next Cancel", "cancel" },
        { dialog<TLicenseDlg>("LicenseDlg"), icLicense, install, "Software license agreement: Next Cancel", "cancel" },
        { dialog<TReadmeDlg>("ReadmeDlg"), icReadme, install, "Readme information: Next Cancel", "cancel" },
        { dialog<TSelectDestinationDlg>("DestinationDlg"), icSelectDestination, install,
            "Choose destination location: Next Cancel", "cancel" },
        { dialog<TSelectFolderDlg>("FolderDlg", group), icProgramFolder, group,
            "Select folder in start menu: Next Cancel", "cancel" },
        { dialog<TGoodInstallationDlg>("GoodDlg"), icGoodInstallation, install, "Setup complete: Finish", "close" },
        { dialog<TBadInstallationDlg>("BadDlg"), icBadInstallation, install, "Setup incomplete: Finish", "close" },
        { dialog<TRebootDlg>("RebootDlg"), icReboot, install, "Reboot windows: Finish", "close" },
    };
    for (const Alone& page : pages) {
        SCOPED_TRACE(page.look);
        EXPECT_EQ(page.dialog->DialogManager(), nullptr);
        user.seen.clear();
        user.add({ "look", page.look.find("Finish") != std::string::npos ? "finish" : "next" });
        EXPECT_NO_THROW(page.sender->Broadcast(page.code, nullptr));
        EXPECT_EQ(user.seen, std::vector<std::string> { page.look });
        user.add({ page.end });
        EXPECT_THROW(page.sender->Broadcast(page.code, nullptr), EAIUserAbort);
        EXPECT_EQ(page.dialog->LiveForm(), nullptr);
    }
    EXPECT_EQ(user.windowsShown, 16);
    // Another page's code shows nothing.
    EXPECT_NO_THROW(install->Broadcast(icAfterGoodInstall, nullptr));
    EXPECT_EQ(user.windowsShown, 16);
}

// Catches Previous shown on the first page or hidden later, Next and
// Finish swapped on the end pages, or a page order other than the
// components' Order.
TEST_F(WizardPagesTest, ButtonsFollowThePagesPlaceInTheWizard)
{
    TDialogManager* before = manager(dmBeforeInstall, "DialogManager");
    TDialogManager* good = manager(dmAfterGoodInstall, "DialogManager1");
    TDialogManager* reboot = manager(dmReboot, "DialogManager5");
    beforeInstallPages();
    dialog<TGoodInstallationDlg>("GoodInstallationDlg");
    TRebootDlg* second = dialog<TRebootDlg>("RebootDlg");
    TGoodInstallationDlg* first = dialog<TGoodInstallationDlg>("GoodDlg2");
    first->SetDialogManager(reboot);
    first->Order = 5;
    second->Order = 10;

    user.add({ "look", "shot:welcome", "next", "look", "shot:licence", "next", "look", "shot:readme", "next", "look",
        "shot:destination", "next", "look", "shot:folder", "back", "look", "next", "next" });
    EXPECT_NO_THROW(before->ShowDialogs());
    user.add({ "look", "shot:good", "finish" });
    EXPECT_NO_THROW(good->ShowDialogs());
    user.add({ "look", "next", "look", "shot:reboot", "back", "next", "finish" });
    EXPECT_NO_THROW(reboot->ShowDialogs());
    EXPECT_EQ(user.seen,
        (std::vector<std::string> {
            "Welcome: Next Cancel",
            "Software license agreement: Previous Next Cancel",
            "Readme information: Previous Next Cancel",
            "Choose destination location: Previous Next Cancel",
            "Select folder in start menu: Previous Next Cancel",
            "Choose destination location: Previous Next Cancel",
            "Setup complete: Finish",
            "Setup complete: Next",
            "Reboot windows: Previous Finish",
        }));
    EXPECT_TRUE(user.scripts.empty());
}

// Catches Cancel that does not end the wizard as a user abort on any page,
// or one that ends it although the script's OnUserAbort refuses.
TEST_F(WizardPagesTest, CancelOnEveryPageIsAUserAbort)
{
    TDialogManager* before = manager(dmBeforeInstall, "DialogManager");
    beforeInstallPages();
    for (int page = 0; page < 5; ++page) {
        std::vector<std::string> steps(static_cast<std::size_t>(page), "next");
        steps.push_back("cancel");
        user.add(steps);
        EXPECT_THROW(before->ShowDialogs(), EAIUserAbort) << page;
    }
    install->OnUserAbort = [](TCustomInstall*, bool& mayAbort) { mayAbort = false; };
    user.add({ "cancel", "look", "next", "next", "next", "next", "next" });
    EXPECT_NO_THROW(before->ShowDialogs());
    EXPECT_EQ(user.seen, std::vector<std::string> { "Welcome: Next Cancel" });
}

// Catches Enter or Escape doing nothing on a page, Enter that skips the
// check of a typed destination, or Enter that does not press a focused
// Previous.
TEST_F(WizardPagesTest, EnterGoesOnAndEscapeCancelsOnEveryPage)
{
    TDialogManager* before = manager(dmBeforeInstall, "DialogManager");
    TDialogManager* good = manager(dmAfterGoodInstall, "DialogManager1");
    beforeInstallPages();
    dialog<TGoodInstallationDlg>("GoodInstallationDlg");
    user.Hook = [](TWindowForm& window) { ScriptedUser::currentPage(window)->BackBtn->setFocus(); };
    user.add({ "enter", "enter", "hook", "enter", "look", "enter", "enter", "type:Z:\\Tavix", "enter",
        "type:C:\\Apps\\Tavix", "enter", "look", "enter" });
    EXPECT_NO_THROW(before->ShowDialogs());
    EXPECT_EQ(install->GetDestPath(), "C:\\Apps\\Tavix");
    EXPECT_TRUE(warned("no drive Z:"));
    user.add({ "enter" });
    EXPECT_NO_THROW(good->ShowDialogs());
    for (int page = 0; page < 5; ++page) {
        std::vector<std::string> steps(static_cast<std::size_t>(page), "enter");
        steps.push_back("escape");
        user.add(steps);
        EXPECT_THROW(before->ShowDialogs(), EAIUserAbort) << page;
    }
    EXPECT_EQ(user.seen, (std::vector<std::string> { "Software license agreement: Previous Next Cancel",
                             "Select folder in start menu: Previous Next Cancel" }));
}

// Catches a text without its translator number, or a number on the wrong
// text: with every number given a German text, each page shows only those.
TEST_F(WizardPagesTest, EveryTextCarriesItsTranslatorNumber)
{
    const std::map<int, std::string> english = {
        { 2, "Please read the following License Agreement." },
        { 3, "By clicking on the Next button below, you agree to all terms stated in the License Agreement. You may "
             "cancel the installation by clicking on the Cancel button." },
        { 4, "< Previous" },
        { 5, "Next >" },
        { 6, "Cancel" },
        { 8, "Please read the information below before you install this software on your computer." },
        { 10, "This program will install the software on your computer." },
        { 11, "It is strongly recommended that you exit all Windows programs before running this setup. If you "
              "need to close any programs, click Cancel to quit the setup and then close the programs." },
        { 12, "Click Next to continue with the installation." },
        { 14, "Processing" },
        { 15, "File progress" },
        { 16, "Total progress" },
        { 26, "&Browse" },
        { 38, "The software has been properly installed. You may start the software by clicking on the icon." },
        { 41, "Setup will add program icons to the Program Folder listed below. You may type a new folder name, or "
              "select from the E&xisting Folders list." },
        { 42, "&Program Folder" },
        { 43, "E&xisting Folders" },
        { 52, "Several components could not be installed on your system because they were in use. For the "
              "installation to proceed, you will need to reboot your computer. If you decide not to reboot now, "
              "the software will probably not work until you do reboot." },
        { 60, "This software has not been properly installed and will not work correctly if you try to use it." },
        { 72, "Finish" },
        { 85, "Which directory do you want to install this program into?" },
        { 86, "To install to the directory displayed below, click Next." },
        { 87, "To install to a different directory, click Browse and select another directory." },
    };
    TTranslator translator;
    std::vector<std::string> en, de;
    for (const auto& [glid, text] : english) {
        en.push_back(std::to_string(glid) + ";" + text);
        de.push_back(std::to_string(glid) + ";DE" + std::to_string(glid));
    }
    en.push_back("100;Destination Directory");
    de.push_back("100;Zielverzeichnis");
    translator.lgEnglish().Strings().Assign(en);
    translator.lgGerman().Strings().Assign(de);
    translator.TranslateIntoLanguage = qgGerman;

    // The English text of every numbered control, and its text now.
    auto numbered = [&](QWidget* root) {
        std::map<int, std::string> out;
        for (QWidget* w : root->findChildren<QWidget*>()) {
            int glid = w->property("GLID").toInt();
            if (glid <= 0)
                continue;
            std::string text = qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text().toStdString()
                                                         : qobject_cast<QAbstractButton*>(w)->text().toStdString();
            EXPECT_EQ(text, "DE" + std::to_string(glid)) << english.at(glid);
            out[glid] = text;
        }
        return out;
    };
    std::map<std::string, std::set<int>> found;
    ModalFormDriver() = [&](TWindowForm& window) {
        TWizardPageForm* page = ScriptedUser::currentPage(window);
        std::set<int> glids;
        for (const auto& [glid, text] : numbered(page->Widget()))
            glids.insert(glid);
        found[page->Caption()] = glids;
        if (auto* destination = dynamic_cast<TSelectDestinationForm*>(page)) {
            EXPECT_EQ(destination->DestinationGroup->title().toStdString(), "Zielverzeichnis");
        }
        window.SetModalResult(mrOk);
    };
    TMainLinkGroup* group = linkGroup();
    for (TWizardPageDlg* page : std::initializer_list<TWizardPageDlg*> { dialog<TWelcomeDlg>("A"),
             dialog<TLicenseDlg>("B"), dialog<TReadmeDlg>("C"), dialog<TSelectDestinationDlg>("D"),
             dialog<TSelectFolderDlg>("E", group), dialog<TGoodInstallationDlg>("F"),
             dialog<TBadInstallationDlg>("G"), dialog<TRebootDlg>("H") })
        EXPECT_TRUE(page->ExecuteDialog());
    const std::set<int> wizardButtons = { 4, 5, 6 }, endButtons = { 4, 5, 72 };
    auto with = [](std::set<int> a, const std::set<int>& b) {
        a.insert(b.begin(), b.end());
        return a;
    };
    EXPECT_EQ(found["Welcome"], with({ 10, 11, 12 }, wizardButtons));
    EXPECT_EQ(found["Software license agreement"], with({ 2, 3 }, wizardButtons));
    EXPECT_EQ(found["Readme information"], with({ 8 }, wizardButtons));
    EXPECT_EQ(found["Choose destination location"], with({ 85, 86, 87, 26 }, wizardButtons));
    EXPECT_EQ(found["Select folder in start menu"], with({ 41, 42, 43 }, wizardButtons));
    EXPECT_EQ(found["Setup complete"], with({ 38 }, endButtons));
    EXPECT_EQ(found["Setup incomplete"], with({ 60 }, endButtons));
    EXPECT_EQ(found["Reboot windows"], with({ 52 }, endButtons));

    // The copy window's texts.
    TCopyFileForm copy(nullptr);
    copy.TranslateForm();
    std::set<int> glids;
    for (const auto& [glid, text] : numbered(copy.Widget()))
        glids.insert(glid);
    EXPECT_EQ(glids, (std::set<int> { 6, 14, 15, 16 }));
}

// Catches the licence and readme texts not replacing the form's own lines.
TEST_F(WizardPagesTest, LicenceAndReadmeShowTheScriptsTexts)
{
    TDialogManager* before = manager(dmBeforeInstall, "DialogManager");
    beforeInstallPages();
    std::vector<std::string> shownTexts;
    ModalFormDriver() = [&](TWindowForm& window) {
        auto* wizard = dynamic_cast<TBaseFormContainer*>(&window);
        for (TBaseInstallForm* page : wizard->Pages()) {
            if (auto* licence = dynamic_cast<TLicenseForm*>(page))
                shownTexts.push_back(licence->Agreement->toPlainText().toStdString());
            if (auto* readme = dynamic_cast<TReadmeForm*>(page))
                shownTexts.push_back(readme->Information->toPlainText().toStdString());
        }
        window.SetModalResult(mrOk);
    };
    before->ShowDialogs();
    EXPECT_EQ(shownTexts, (std::vector<std::string> { "LICENCE\nYou may use this software.", "README\nVersion 1.01a" }));
}

// Catches a destination that Next takes although no install could use it,
// a group box that disappears with an emptied path, a typed path that does
// not become the whole destination, or Browse making folders.
TEST_F(WizardPagesTest, DestinationIsTypedOrBrowsedAndChecked)
{
    TDialogManager* before = manager(dmBeforeInstall, "DialogManager");
    dialog<TWelcomeDlg>("WelcomeDlg");
    dialog<TSelectDestinationDlg>("SelectDestinationDlg");
    EXPECT_EQ(install->GetDestPath(), "C:\\Program Files\\MyApplication");

    bool groupShown = false;
    std::string emptied = "?";
    user.Hook = [&](TWindowForm& window) {
        auto* page = static_cast<TSelectDestinationForm*>(ScriptedUser::currentPage(window));
        groupShown = page->DestinationGroup->isVisibleTo(page->Widget());
        emptied = page->edDestDir->text().toStdString();
    };
    user.add({ "next", "type:", "back", "next", "hook", "next", "type:Programs\\Tavix", "next", "type:C:\\Apps\\Ta|vix",
        "next", "type:C:\\" + std::string(260, 'a'), "next", "type:Z:\\Tavix", "next", "type:C:\\Apps\\Tavix", "next" });
    EXPECT_NO_THROW(before->ShowDialogs());
    EXPECT_TRUE(groupShown);
    EXPECT_EQ(emptied, "");
    EXPECT_EQ(messages.asked().size(), 5u);
    EXPECT_TRUE(warned("no drive Z:"));
    EXPECT_TRUE(warned("Please enter the directory"));
    EXPECT_TRUE(warned("Programs\\Tavix is not a full path"));
    EXPECT_TRUE(warned("cannot contain"));
    EXPECT_TRUE(warned("longer than 247"));
    EXPECT_EQ(install->DestDirType(), nullptr);
    EXPECT_EQ(install->DestDir(), "C:\\Apps\\Tavix");

    // Browse starts at the destination (which does not exist) and creates nothing.
    std::string startedAt;
    TSelectDestinationForm::Browser() = [&](std::string& directory) {
        startedAt = directory;
        directory = "S:\\Other\\";
        return true;
    };
    TSelectDestinationDlg* alone = dialog<TSelectDestinationDlg>("Alone");
    user.add({ "browse", "hook", "next" });
    EXPECT_TRUE(alone->ExecuteDialog());
    EXPECT_EQ(startedAt, "C:\\Apps\\Tavix");
    EXPECT_FALSE(machine->directoryExists("C:\\Apps"));
    EXPECT_EQ(emptied, "S:\\Other"); // what the edit shows
    EXPECT_EQ(install->DestDir(), "S:\\Other");

    // Cancel in the browser keeps the destination.
    TSelectDestinationForm::Browser() = [](std::string& directory) {
        directory = "E:\\";
        return false;
    };
    user.add({ "browse", "next" });
    EXPECT_TRUE(alone->ExecuteDialog());
    EXPECT_EQ(install->DestDir(), "S:\\Other");

    // Browse and OK in the library's browser on a destination that is not
    // there yet keep it; the folders made to preselect it go again.
    TSelectDestinationForm::Browser() = nullptr;
    SetDestination(*install, "C:\\Program Files\\Tavix\\Demo");
    user.add({ "browse:OK", "next" });
    EXPECT_TRUE(alone->ExecuteDialog());
    EXPECT_EQ(install->DestDir(), "C:\\Program Files\\Tavix\\Demo");
    EXPECT_FALSE(machine->directoryExists("C:\\Program Files\\Tavix"));

    // From an empty field OK without a choice keeps it empty; a drive's
    // root comes back whole.
    SetDestination(*install, "");
    user.add({ "browse:OK", "hook", "browse:C:", "next" });
    EXPECT_TRUE(alone->ExecuteDialog());
    EXPECT_EQ(emptied, "");
    EXPECT_EQ(install->DestDir(), "C:\\");

    alone->SetContainer(nullptr);
    EXPECT_THROW(alone->ExecuteDialog(), Exception);
}

// Catches a folder list from the wrong place for the kind of Windows,
// another program's folder taken without being chosen, a chosen or typed
// name not stored under the Programs menu, or a name refused or taken wrongly.
TEST_F(WizardPagesTest, ProgramFolderIsChosenOrTypedAndChecked)
{
    ASSERT_TRUE(machine->forceDirectories(GetProgramsDir() + "\\Tools"));
    ASSERT_TRUE(machine->forceDirectories(GetProgramsDir() + "\\Accessories"));
    ASSERT_TRUE(machine->forceDirectories(GetProgramsDir() + "\\games"));
    ASSERT_TRUE(machine->forceDirectories(GetProgramsDir() + "\\\u00c4rzte")); // beside A, not after z
    TDialogManager* before = manager(dmBeforeInstall, "DialogManager");
    TMainLinkGroup* group = linkGroup();
    group->SetDestDir("");
    dialog<TWelcomeDlg>("WelcomeDlg");
    TSelectFolderDlg* folder = dialog<TSelectFolderDlg>("SelectFolderDlg", group);

    std::vector<std::string> listed;
    std::string edit = "?";
    user.Hook = [&](TWindowForm& window) {
        auto* page = static_cast<TSelectFolderForm*>(ScriptedUser::currentPage(window));
        listed.clear();
        for (int i = 0; i < page->FolderListBox->count(); ++i)
            listed.push_back(page->FolderListBox->item(i)->text().toStdString());
        edit = page->FolderEdit->text().toStdString();
    };
    user.add({ "next", "hook", "shot:folder_list", "next", "choose:Tools", "next" });
    EXPECT_NO_THROW(before->ShowDialogs());
    EXPECT_EQ(listed, (std::vector<std::string> { "Accessories", "\u00c4rzte", "games", "Startup", "Tools" }));
    EXPECT_EQ(edit, ""); // not the first folder of the list
    EXPECT_TRUE(warned("Please enter the name of the program folder"));
    EXPECT_EQ(group->DestDir(), "\\Tools");
    EXPECT_TRUE(group->DestDirType()->ClassType().InheritsFrom(TpsProgramMenu::StaticClass()));

    // Names that are refused, and a sub-folder that is taken.
    messages = {};
    folder->SetDialogManager(nullptr);
    user.add({ "hook", "type:..", "next", "type:\\Tools", "next", "type:Tools\\\\Demo", "next", "type:Tavix (Demo)",
        "next", "type:Tavix, Demo", "next", "type:Ta*vix", "next", "type:Tavix\\Demo 1.01a", "next" });
    EXPECT_TRUE(folder->ExecuteDialog());
    EXPECT_EQ(edit, "Tools");
    EXPECT_EQ(messages.asked().size(), 6u);
    EXPECT_EQ(group->DestDir(), "\\Tavix\\Demo 1.01a");

    // The Program Manager's groups on the kinds without a Programs menu.
    machine->setWindowsKind(win::WindowsKind::Win32s);
    ASSERT_TRUE(win::ProgramManager(*machine).execute("[CreateGroup(\"Main\")][CreateGroup(\"Games\")]"));
    user.add({ "hook", "next" });
    EXPECT_TRUE(folder->ExecuteDialog());
    EXPECT_EQ(listed, (std::vector<std::string> { "Games", "Main" }));
    EXPECT_EQ(edit, "Demo 1.01a");
    EXPECT_EQ(group->DestDir(), "\\Tavix\\Demo 1.01a"); // untouched without typing

    // Without a link group the page is passed over; alone it cannot run.
    folder->SetContainer(nullptr);
    folder->SetDialogManager(before);
    user.add({ "look", "next" });
    EXPECT_NO_THROW(before->ShowDialogs());
    EXPECT_EQ(user.seen, std::vector<std::string> { "Welcome: Next Cancel" });
    folder->SetDialogManager(nullptr);
    EXPECT_THROW(folder->ExecuteDialog(), Exception);
    EXPECT_THROW(folder->SetContainer(install), Exception);
}

// Catches the reboot page choosing for the user: "Yes" is preselected only
// when a reboot is due, an untouched page keeps Reboot, a click sets it.
TEST_F(WizardPagesTest, RebootChoiceIsTheEnginesReboot)
{
    TRebootDlg* reboot = dialog<TRebootDlg>("RebootDlg");
    std::vector<std::string> preselected;
    user.BeforeSteps = [&](TWindowForm& window) {
        auto* page = static_cast<TRebootForm*>(ScriptedUser::currentPage(window));
        preselected.push_back(page->YesButton->isChecked() ? "yes" : page->NoButton->isChecked() ? "no" : "none");
    };
    install->Reboot = false;
    user.add({ "finish" });
    EXPECT_TRUE(reboot->ExecuteDialog());
    EXPECT_FALSE(install->Reboot);
    user.add({ "yes", "finish" });
    EXPECT_TRUE(reboot->ExecuteDialog());
    EXPECT_TRUE(install->Reboot);
    user.add({ "shot:reboot_alone", "finish" });
    EXPECT_TRUE(reboot->ExecuteDialog());
    EXPECT_TRUE(install->Reboot);
    user.add({ "no", "finish" });
    EXPECT_TRUE(reboot->ExecuteDialog());
    EXPECT_FALSE(install->Reboot);
    EXPECT_EQ(preselected, (std::vector<std::string> { "no", "no", "yes", "yes" }));
}

// Catches a status stack that loses or reorders messages, a window left
// up, a message translated once and then never again, a bad parameter
// taken, or a long message making the window wider than the screen.
TEST_F(WizardPagesTest, StatusWindowShowsTheTopMessage)
{
    TTranslator translator;
    translator.lgEnglish().Strings().Assign({ "1;Copying files...", "2;Installing shell links..." });
    translator.lgGerman().Strings().Assign({ "1;Dateien werden kopiert...", "2;Verknüpfungen..." });
    translator.TranslateIntoLanguage = qgGerman;
    auto* status = dialog<TInstallStatusDlg>("InstallStatusDlg");
    auto shownText = [&] {
        TInstallStatusForm* f = status->Form();
        return f && f->Widget()->isVisible() ? f->lblMessage->text().toStdString() : std::string("hidden");
    };
    TMessageParameter first("Copying files..."), second("Installing shell links...");
    install->Broadcast(icPushStatusText, &first);
    EXPECT_EQ(shownText(), "Dateien werden kopiert...");
    EXPECT_EQ(status->Language, qgEnglish);
    install->Broadcast(icPushStatusText, &second);
    EXPECT_EQ(shownText(), "Verknüpfungen...");
    EXPECT_TRUE(status->Form()->Widget()->grab().save(QStringLiteral(TAVIX_WIZARD_PICTURE_DIR "/status.png")));
    install->Broadcast(icPopStatusText, nullptr);
    EXPECT_EQ(shownText(), "Dateien werden kopiert...");
    install->Broadcast(icPopStatusText, nullptr);
    EXPECT_EQ(shownText(), "hidden");
    install->Broadcast(icPopStatusText, nullptr); // one pop too many changes nothing
    EXPECT_EQ(shownText(), "hidden");

    EXPECT_THROW(install->Broadcast(icPushStatusText, nullptr), IException);
    TDiskParameter wrong;
    EXPECT_THROW(install->Broadcast(icPushStatusText, &wrong), IException);

    // A message too long for the screen wraps inside it.
    TMessageParameter longOne(std::string(40, 'x') + " " + std::string(300, 'y') + " " + std::string(300, 'z'));
    install->Broadcast(icPushStatusText, &longOne);
    QWidget* window = status->Form()->Widget();
    const int screenWidth = PrimaryScreenMetrics().Width;
    EXPECT_LE(window->frameGeometry().width(), screenWidth);
    EXPECT_GE(window->x(), 0);
    EXPECT_TRUE(status->Form()->lblMessage->wordWrap());
    EXPECT_GT(window->height(), 58);
    EXPECT_TRUE(window->grab().save(QStringLiteral(TAVIX_WIZARD_PICTURE_DIR "/status_long.png")));
    install->Broadcast(icPopStatusText, nullptr);

    // With a manager set the window takes no part.
    status->SetDialogManager(manager(dmBeforeInstall, "DialogManager"));
    install->Broadcast(icPushStatusText, &first);
    EXPECT_EQ(shownText(), "hidden");
}

// Catches file and download progress shown in the wrong bars, the transfer
// picture at the wrong time, Cancel not stopping the archive, or a close
// box that hides a copy going on.
TEST_F(WizardPagesTest, CopyWindowShowsProgressAndCancels)
{
    TDialogManager* copying = manager(dmDuringCopyFiles, "DialogManager3");
    auto* copy = dialog<TCopyFileDlg>("CopyFileDlg");
    EXPECT_EQ(copy->DialogManager(), copying);
    DefaultScreenMetrics() = PrimaryScreenMetrics();

    TFileStatusParameter file;
    file.FileName = "TAVIXCAT.EXE";
    file.FilePercent = 40;
    file.TotalPercent = 12;
    install->Broadcast(icFileProgress, &file);
    ASSERT_EQ(copying->CopyForms().size(), 1u);
    auto* form = static_cast<TCopyFileForm*>(copying->CopyForms()[0]);
    QWidget* window = form->Widget();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle().toStdString(), "Copying installation files");
    EXPECT_EQ(form->FileLabel->text().toStdString(), "TAVIXCAT.EXE");
    EXPECT_EQ(form->ProgressBar1->value(), 40);
    EXPECT_EQ(form->ProgressBar2->value(), 12);
    EXPECT_FALSE(form->TransferBitmap->isVisibleTo(window));
    // At the bottom centre, its lower edge 30 pixels and a caption above the screen's.
    const TScreenMetrics screen = PrimaryScreenMetrics();
    EXPECT_EQ(form->Top() + form->Height(), screen.Height - screen.CaptionHeight - 30);
    EXPECT_EQ(form->Width(), 474);

    TDownloadStatusParameter download(100, "TABLES.CAB", 1000, 700);
    install->Broadcast(icDownloadProgress, &download);
    EXPECT_EQ(form->FileLabel->text().toStdString(), "TABLES.CAB");
    EXPECT_EQ(form->ProgressBar1->value(), 70);
    EXPECT_EQ(form->ProgressBar2->value(), 12);
    EXPECT_TRUE(form->TransferBitmap->isVisibleTo(window));
    EXPECT_TRUE(window->grab().save(QStringLiteral(TAVIX_WIZARD_PICTURE_DIR "/copy.png")));

    // The close box asks as Cancel does and leaves the window up.
    SharedArchive().Abort = false;
    SetNetUserAbort(false);
    install->OnUserAbort = [](TCustomInstall*, bool& mayAbort) { mayAbort = false; };
    window->close();
    EXPECT_FALSE(SharedArchive().Abort);
    install->OnUserAbort = nullptr;
    window->close();
    EXPECT_TRUE(SharedArchive().Abort);
    EXPECT_TRUE(NetUserAbort());
    EXPECT_TRUE(window->isVisible());
    SharedArchive().Abort = false;
    SetNetUserAbort(false);
    QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
    EXPECT_TRUE(SharedArchive().Abort);
    SharedArchive().Abort = false;
    SetNetUserAbort(false);

    install->Broadcast(icWorkFinished, nullptr);
    EXPECT_TRUE(copying->CopyForms().empty());
}

} // namespace

namespace {

std::string pictureData(int width, int height, QColor colour)
{
    QPixmap picture(width, height);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes.toStdString();
}

// Catches the engine's theme picture or a component's own not shown on the
// page, or the component's own not taking precedence.
TEST_F(WizardPagesTest, ThemePictureOfTheEngineOrTheComponent)
{
    install->DialogThemeBitmap = pictureData(110, 280, Qt::darkGreen);
    TWelcomeDlg* welcome = dialog<TWelcomeDlg>("WelcomeDlg");
    QSize shown;
    QRgb colour = 0;
    user.Hook = [&](TWindowForm& window) {
        QPixmap picture = ScriptedUser::currentPage(window)->ThemeImage->pixmap();
        shown = picture.size();
        colour = picture.toImage().pixel(5, 5);
    };
    user.add({ "hook", "next" });
    EXPECT_TRUE(welcome->ExecuteDialog());
    EXPECT_EQ(shown, QSize(110, 280));
    EXPECT_EQ(colour, QColor(Qt::darkGreen).rgb());
    welcome->SetThemeBitmap(pictureData(100, 250, Qt::darkRed));
    user.add({ "hook", "next" });
    EXPECT_TRUE(welcome->ExecuteDialog());
    EXPECT_EQ(shown, QSize(100, 250));
    EXPECT_EQ(colour, QColor(Qt::darkRed).rgb());
}

} // namespace
