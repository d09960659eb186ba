// The install script on TForm1, loaded in this process on the build machine
// without a mode (no run starts before the form's first activation).

#include "setup_fixture.h"

#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/installbde.h"
#include "setup/installlib/installdirectory.h"
#include "setup/installlib/ui/progresswindows.h"
#include "setup/installlib/ui/wizardpages.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/installgroup.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/shelllinks.h"
#include "setup/installlib/translator.h"
#include "setup/installlib/uninstallexe.h"

#include <set>

using namespace setuptest;
using namespace installlib;

namespace {

class ScriptTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        win::Machine::setCurrent(build);
        build->setModuleFileName("C:\\Tavix\\Setup\\tavixsetup.exe");
        InstallLibraryStartup();
        ui::MessageService::setCurrent(&messages);
        Application().ExeName = build->moduleFileName();
        form = std::make_unique<tavixsetup::TForm1>();
        Application().MainForm = form.get();
        form->Load();
    }
    void TearDown() override
    {
        Application().MainForm = nullptr;
        form.reset();
        SetupTest::TearDown();
    }

    ui::ScriptedMessageService messages;
    std::unique_ptr<tavixsetup::TForm1> form;
};

} // namespace

// Catches a script whose objects land in other folders than the product's
// layout, or whose product folder is not kept when the user picks another
// destination.
TEST_F(ScriptTest, DestinationsFollowTheProductsLayout)
{
    const std::string product = "C:\\Program Files\\Tavixsoft\\Tavix Electronics";
    EXPECT_EQ(form->Group->GetDestPath(), product);
    EXPECT_EQ(form->Directory->GetDestPath(), product);
    EXPECT_EQ(form->Program->DestinationPath(), product + "\\tavixcat.exe");
    EXPECT_EQ(form->ifUninstallEXE->DestinationPath(), product + "\\uninstall.exe");
    EXPECT_EQ(form->SystemLibrary->DestinationPath(), "C:\\WINNT\\system32\\SHLWAPI.dll");
    EXPECT_EQ(form->Directory1->GetDestPath(), product + "\\Data");
    EXPECT_EQ(form->Directory2->GetDestPath(), product + "\\Library");
    EXPECT_EQ(form->Directory3->GetDestPath(), product + "\\Help");
    EXPECT_EQ(form->Directory4->GetDestPath(), product + "\\Help\\Imagens");
    EXPECT_EQ(form->MainFolder->GetDestPath(),
        "C:\\WINNT\\Profiles\\User\\Start Menu\\Programs\\Tavix Electronics 1.01a - Demo");

    // Another destination replaces Program Files\Tavixsoft as a whole.
    form->Install1->SetDestDirType(nullptr);
    form->Install1->SetDestDir("D:\\Apps");
    EXPECT_EQ(form->Directory4->GetDestPath(), "D:\\Apps\\Tavix Electronics\\Help\\Imagens");
    EXPECT_TRUE(messages.asked().empty());
}

// Catches files that share an archive ID, tables installed with a rule that
// wipes the user's records, or a shared library that is not counted.
TEST_F(ScriptTest, FilesHaveUniqueIdsAndTheirRules)
{
    std::set<int> ids;
    std::set<std::string> names;
    int files = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* file = dynamic_cast<TCustomInstallFile*>(form->Components(i));
        if (!file)
            continue;
        ++files;
        EXPECT_TRUE(ids.insert(file->UniqueID()).second) << file->FileName();
        // Net archives and the net file list know a file by its name.
        EXPECT_FALSE(file->Name().empty()) << file->FileName();
        EXPECT_TRUE(names.insert(file->Name()).second) << file->Name();
        const bool engineFile = file->Container() == form->InstallBDE;
        EXPECT_EQ(file->UniqueID() >= 58, engineFile) << file->FileName();
        EXPECT_LE(file->UniqueID(), 84) << file->FileName();
        if (engineFile) {
            EXPECT_TRUE(file->Net) << file->FileName();
            continue;
        }
        EXPECT_EQ(file->DestName(), file->FileName()) << file->FileName();
        EXPECT_EQ(file->OverwriteMode == owNever, file->FileName().rfind("Reparos.", 0) == 0) << file->FileName();
    }
    // The program, the library, the uninstaller, 13 tables, readme, 14 pages,
    // 20 pictures; the engine's 15 files and its configuration template.
    EXPECT_EQ(files, 67);
    EXPECT_EQ(form->BDEConfigFile->FileName(), "idapi32_40.cnf");
    EXPECT_EQ(form->BDEConfigFile->DestName(), "idapi32.cnf");
    EXPECT_EQ(form->InstallBDE->GetDestPath(), "C:\\Program Files\\Borland\\Common Files\\BDE");
    EXPECT_EQ(form->ifUninstallEXE->UniqueID(), 0);
    EXPECT_EQ(form->Program->UniqueID(), 1);
    EXPECT_EQ(form->SystemLibrary->UniqueID(), 2);
    EXPECT_EQ(form->SystemLibrary->FileType(), iftSystemWideDLL);
    EXPECT_TRUE(form->SystemLibrary->UpdateDLLCounter);
    EXPECT_EQ(form->SystemLibrary->OverwriteMode, owVersionDate);
}

// Catches a missing manager (a page that would never show), links that
// point at the wrong objects, and a translator without its languages.
TEST_F(ScriptTest, ManagersLinksAndTranslator)
{
    const TManagerType expected[] = { dmBeforeInstall, dmAfterGoodInstall, dmAfterBadInstall, dmDuringCopyFiles,
        dmChangeDisk, dmReboot };
    ASSERT_EQ(form->DialogManagers.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(form->DialogManagers[i]->ManagerType, expected[i]);
        EXPECT_EQ(form->DialogManagers[i]->Container(), form->Install1);
        EXPECT_EQ(form->DialogManagers[i]->Width, 478);
        EXPECT_EQ(form->DialogManagers[i]->Height, 395);
    }
    EXPECT_EQ(form->InstallMainLink->ObjectLink(), form->ifUninstallEXE);
    EXPECT_EQ(form->InstallMainLink1->ObjectLink(), form->Program);
    EXPECT_EQ(form->InstallMainLink2->ObjectLink(), form->HelpStartPage);
    EXPECT_EQ(form->HelpStartPage->FileName(), "visao_geral.html");
    EXPECT_EQ(form->InstallMainLink->LinkName(), "Uninstall Tavix Electronics - Demo.LNK");
    ASSERT_EQ(form->MainTranslator->LanguageCount(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(form->MainTranslator->Languages(i).Font.Name, "MS Sans Serif");
        EXPECT_EQ(form->MainTranslator->Languages(i).Font.Height, -11);
    }
    EXPECT_EQ(form->MainTranslator->TranslateIntoLanguage, qgEnglish);
    EXPECT_EQ(form->Install1->BuildInfo.BuildDirectory, "c:\\build");
    EXPECT_EQ(form->Install1->DialogThemeBitmap.substr(0, 2), "BM");
    EXPECT_FALSE(form->LicenseDlg->LicenseAgreement.empty());
    EXPECT_FALSE(form->ReadmeDlg->ReadmeText.empty());

    // The pages: the wizard before the install in its order, the end pages
    // and the copy window each on their manager, the status window alone.
    const std::vector<std::pair<TBaseInstallDlg*, int>> wizard { { form->WelcomeDlg, 10 }, { form->LicenseDlg, 20 },
        { form->ReadmeDlg, 30 }, { form->SelectDestinationDlg, 45 }, { form->SelectFolderDlg, 60 } };
    for (const auto& [page, order] : wizard) {
        EXPECT_EQ(page->DialogManager(), form->DialogManagers[0]) << page->Name();
        EXPECT_EQ(page->Order, order) << page->Name();
    }
    EXPECT_EQ(form->SelectFolderDlg->Container(), form->MainFolder);
    EXPECT_EQ(form->GoodInstallationDlg->DialogManager(), form->DialogManagers[1]);
    EXPECT_EQ(form->BadInstallationDlg->DialogManager(), form->DialogManagers[2]);
    EXPECT_EQ(form->CopyFileDlg->DialogManager(), form->DialogManagers[3]);
    EXPECT_EQ(form->RebootDlg->DialogManager(), form->DialogManagers[5]);
    EXPECT_EQ(form->InstallStatusDlg->DialogManager(), nullptr);
}
