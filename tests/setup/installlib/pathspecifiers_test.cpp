#include "tests/setup/installlib/install_tree_fixture.h"

#include "setup/installlib/registryroutines.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace treetest;

namespace {

// --- Every form must share one instance per standard class, found by its
// standard name; a second set would split the script's references.
TEST_F(InstallTreeTest, StandardSpecifiersAreMadeOnceForAllForms)
{
    make<TEngine>("Engine");
    EXPECT_EQ(StandardPathSpecList().Count(), 14);
    const std::vector<std::string> expected { "psBDEDLL", "psCommonFiles", "psContainerArchiveFile",
        "psContainerDestDir", "psDesktopMenu", "psInstallSource", "psMainInstall", "psProgramFiles", "psProgramMenu",
        "psStartMenu", "psStartupMenu", "psSystem", "psMainArchiveFile", "psWindow" };
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(StandardPathSpecList().Items(i)->Name(), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(form->FindComponent("psSystem"), StandardSpecifier<TpsSystem>());

    TComponent secondForm;
    new TFileContainer(&secondForm);
    EXPECT_EQ(StandardPathSpecList().Count(), 14);
    EXPECT_EQ(secondForm.FindComponent("psSystem"), nullptr);
}

TEST_F(InstallTreeTest, FindByClassFindsDerivedClassesAndReportsAMiss)
{
    auto* specifier = new TpsFileContainer(form);
    EXPECT_EQ(PathSpecifierList().FindByClass(TCustomPathSpecifier::StaticClass()), specifier);
    try {
        StandardSpecifier<TpsSystem>();
        FAIL();
    } catch (const IEPathSpecifier& e) {
        EXPECT_STREQ(e.what(), "Could not find the path specifier");
    }
    delete specifier;
    EXPECT_EQ(PathSpecifierList().Count(), 0);
}

TEST_F(InstallTreeTest, SpecifierClassesAreMadeByName)
{
    const TMetaClass* cls = FindClass("tpsWindow");
    ASSERT_NE(cls, nullptr);
    TComponent* made = cls->Create(form);
    EXPECT_EQ(made->ClassName(), "TpsWindow");
    EXPECT_GT(RegisteredClassNumber(TpsFileContainer::StaticClass()), 0);
    EXPECT_THROW(TCustomPathSpecifier::StaticClass().Create(form), EComponentError);
}

// --- Expansions on each kind of Windows: a wrong directory or a trailing
// backslash puts files in the wrong place or doubles separators.
struct KindCase {
    win::WindowsKind kind;
    const char* windows;
    const char* system;
    const char* startMenu;
    const char* programs;
    const char* desktop;
    const char* startup;
};

// Names the case by its Windows directory in test listings instead of a byte dump.
void PrintTo(const KindCase& c, std::ostream* os)
{
    *os << c.windows;
}

class SpecifierExpansionTest : public ::testing::TestWithParam<KindCase> {
protected:
    void SetUp() override
    {
        win::MachineSeed seed;
        seed.kind = GetParam().kind;
        machine = win::Machine::open(dir.path() / "root", seed);
        win::Machine::setCurrent(machine);
        InstallLibraryStartup();
        form = new TComponent();
        EnsureStandardSpecifiers(form);
    }
    void TearDown() override
    {
        delete form;
        InstallLibraryShutdown();
        win::Machine::setCurrent(nullptr);
    }
    std::string expand(const char* name)
    {
        auto* specifier = static_cast<TCustomPathSpecifier*>(form->FindComponent(name));
        return specifier->Expand(nullptr);
    }
    tavix::testing::TempDir dir { "installlib" };
    std::shared_ptr<win::Machine> machine;
    TComponent* form = nullptr;
};

TEST_P(SpecifierExpansionTest, ExpandsToTheMachinesDirectories)
{
    const KindCase& c = GetParam();
    EXPECT_EQ(expand("psWindow"), c.windows);
    EXPECT_EQ(expand("psSystem"), c.system);
    EXPECT_EQ(expand("psStartMenu"), c.startMenu);
    EXPECT_EQ(expand("psProgramMenu"), c.programs);
    EXPECT_EQ(expand("psDesktopMenu"), c.desktop);
    EXPECT_EQ(expand("psStartupMenu"), c.startup);
    EXPECT_EQ(expand("psProgramFiles"), "C:\\Program Files");
    EXPECT_EQ(expand("psCommonFiles"), "C:\\Program Files\\Common Files");
    EXPECT_EQ(expand("psBDEDLL"), "C:\\Program Files\\Borland\\Common Files\\BDE");
}

TEST_P(SpecifierExpansionTest, RegistryFoldersLoseTheirTrailingBackslash)
{
    RegistryWriteString(
        2, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Desktop", "D:\\Desk\\");
    RegistryWriteString(4, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", "E:\\Apps\\");
    EXPECT_EQ(expand("psDesktopMenu"), "D:\\Desk");
    EXPECT_EQ(expand("psProgramFiles"), "E:\\Apps");
    EXPECT_EQ(expand("psBDEDLL"), "E:\\Apps\\Borland\\Common Files\\BDE");
    RegistryWriteString(4, "\\Software\\Borland\\Database Engine", "DLLPath", "C:\\A;C:\\B");
    EXPECT_EQ(expand("psBDEDLL"), "C:\\A");
    RegistryWriteString(4, "\\Software\\Borland\\Database Engine", "DLLPath", ";C:\\B");
    EXPECT_EQ(expand("psBDEDLL"), "E:\\Apps\\Borland\\Common Files\\BDE");
    // The engine's own value is returned as it is stored.
    RegistryWriteString(4, "\\Software\\Borland\\Database Engine", "DLLPath", "C:\\IDAPI\\");
    EXPECT_EQ(expand("psBDEDLL"), "C:\\IDAPI\\");
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecifierExpansionTest,
    ::testing::Values(
        KindCase { win::WindowsKind::NT4, "C:\\WINNT", "C:\\WINNT\\system32", "C:\\WINNT\\Profiles\\User\\Start Menu",
            "C:\\WINNT\\Profiles\\User\\Start Menu\\Programs", "C:\\WINNT\\Profiles\\User\\Desktop",
            "C:\\WINNT\\Profiles\\User\\Start Menu\\Programs\\Startup" },
        KindCase { win::WindowsKind::Win95, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\Start Menu",
            "C:\\WINDOWS\\Start Menu\\Programs", "C:\\WINDOWS\\Desktop", "C:\\WINDOWS\\Start Menu\\Programs\\Startup" },
        KindCase { win::WindowsKind::NT35, "C:\\WINNT35", "C:\\WINNT35\\system32", "C:\\WINNT35\\Startmen",
            "C:\\WINNT35\\Startmen\\Programs", "C:\\WINNT35\\Desktop", "C:\\WINNT35\\Startup" },
        KindCase { win::WindowsKind::Win32s, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\Startmen",
            "C:\\WINDOWS\\Startmen\\Programs", "C:\\WINDOWS\\Desktop", "C:\\WINDOWS\\Startup" }),
    [](const ::testing::TestParamInfo<KindCase>& info) {
        switch (info.param.kind) {
        case win::WindowsKind::NT4:
            return std::string("NT4");
        case win::WindowsKind::Win95:
            return std::string("Win95");
        case win::WindowsKind::NT35:
            return std::string("NT35");
        default:
            return std::string("Win32s");
        }
    });

// --- Engine specifiers: the source, the main install directory and the main
// archive follow the engine's run; without an engine they must refuse.
TEST_F(InstallTreeTest, EngineSpecifiersFollowTheEngine)
{
    auto* dir = make<TFileContainer>("Dir");
    auto* source = StandardSpecifier<TpsInstallSource>();
    auto* mainInstall = StandardSpecifier<TpsMainInstall>();
    auto* archive = StandardSpecifier<TpsMainArchiveFile>();
    try {
        source->Expand(dir);
        FAIL();
    } catch (const IEPathSpecifier& e) {
        EXPECT_STREQ(e.what(), "There is no TInstall component so the path specifier could not be expanded for Dir");
    }
    EXPECT_THROW(archive->Expand(nullptr), IEPathSpecifier);

    auto* engine = make<TEngine>("Engine");
    engine->SetDestDirType(StandardSpecifier<TpsProgramFiles>());
    engine->SetDestDir("\\Tavixsoft\\Tavix Electronics");
    EXPECT_EQ(source->Expand(dir), "S:\\disk1");
    EXPECT_EQ(mainInstall->Expand(dir), "C:\\Program Files\\Tavixsoft\\Tavix Electronics");
    try {
        mainInstall->Check(engine);
        FAIL();
    } catch (const IEPathSpecifier& e) {
        EXPECT_STREQ(e.what(), "Cannot use the ddMainInstallDir path specifier for a TInstall component");
    }

    EXPECT_EQ(archive->Expand(dir), "S:\\disk1\\files.1");
    archive->VolumeDirectory = "A:\\";
    EXPECT_EQ(archive->Expand(dir), "A:\\files.1");
    engine->SelfExtract = true;
    engine->ExtractorName = "Setup.exe";
    EXPECT_EQ(archive->Expand(dir), "S:\\disk1\\Setup.exe");
    engine->ExtractorName = "  ";
    try {
        archive->Expand(dir);
        FAIL();
    } catch (const IEInstall& e) {
        EXPECT_STREQ(e.what(),
            "You forgot to pass in the name of the self-extracting executable. Usage example: \"-eSetup.exe\"");
    }
}

// --- Container specifiers: refused without a proper container, with the
// object's name in the message even when there is no object.
TEST_F(InstallTreeTest, ContainerSpecifiersCheckTheirObject)
{
    auto* loose = make<TCustomInstallFile>("Loose");
    auto* destDir = StandardSpecifier<TpsContainerDestDir>();
    auto* archiveFile = StandardSpecifier<TpsContainerArchiveFile>();
    auto message = [](TCustomPathSpecifier* specifier, TComponent* object) -> std::string {
        try {
            specifier->Check(object);
        } catch (const IEPathSpecifier& e) {
            return e.what();
        }
        return "accepted";
    };
    EXPECT_EQ(
        message(destDir, nullptr), "(none) must be a TInstallObject to use the psContainerDestDir path specifier");
    EXPECT_EQ(message(destDir, destDir),
        "psContainerDestDir must be a TInstallObject to use the psContainerDestDir path specifier");
    EXPECT_EQ(message(destDir, loose), "Cannot use ddContainerDestDir for Loose unless you assign a Container");
    EXPECT_EQ(message(archiveFile, loose), "Cannot use ddContainerArchiveFile for Loose unless you assign a Container");
    auto* dialog = make<TDialogStandIn>("Dialog");
    auto* inDialog = make<TCustomInstallFile>("InDialog");
    inDialog->SetLoading(true);
    inDialog->SetContainer(dialog);
    EXPECT_EQ(message(archiveFile, inDialog),
        "Cannot use the ddContainerArchiveFile path specifier for InDialog "
        "because the Container is not a TFileRelated descendant");
    // A failed check inside a text falls back to the plain description.
    EXPECT_EQ(destDir->DescriptionFor(nullptr), "Path of the group (container)");
    EXPECT_EQ(destDir->ShortNameFor(loose), "Path of the group (container)");
}

TEST_F(InstallTreeTest, ContainerSpecifiersExpandAndDescribeTheContainer)
{
    auto* engine = make<TEngine>("Engine");
    engine->SetDestDir("C:\\Product");
    auto* group = make<TCustomInstallGroup>("Group", engine);
    group->Desc = "Help pages";
    group->SetDestDir("\\Help");
    group->ArchivePath = "S:\\disk1\\help.1\\";
    auto* inGroup = make<TCustomInstallFile>("Page", group);
    auto* onEngine = make<TCustomInstallFile>("Exe", engine);
    auto* dir = make<TFileContainer>("Data", engine);
    dir->Desc = "Tables";
    auto* inDir = make<TCustomInstallFile>("Table", dir);

    auto* destDir = StandardSpecifier<TpsContainerDestDir>();
    EXPECT_EQ(inGroup->GetDestPath(), "C:\\Product\\Help");
    EXPECT_EQ(StandardSpecifier<TpsContainerArchiveFile>()->Expand(inGroup), "S:\\disk1\\help.1");
    EXPECT_EQ(destDir->DescriptionFor(onEngine), "Main installation directory");
    EXPECT_EQ(destDir->DescriptionFor(inGroup), "Path of the <Help pages> group");
    EXPECT_EQ(destDir->DescriptionFor(inDir), "Path of the <Tables> directory");
    EXPECT_EQ(destDir->ShortNameFor(inGroup), "<Help pages>");
    EXPECT_EQ(destDir->ShortNameFor(onEngine), "Main installation directory");
    auto* dialog = make<TDialogStandIn>("Pages", engine);
    auto* odd = make<TCustomInstallFile>("Odd");
    odd->SetLoading(true);
    odd->SetContainer(dialog);
    EXPECT_EQ(destDir->DescriptionFor(odd), "Path of the <Pages> group");
    EXPECT_EQ(destDir->ShortNameFor(odd), "<Pages>");
}

// --- The file container's own specifier must not let one file container
// point into another, and must forget a freed container.
TEST_F(InstallTreeTest, FileContainerSpecifierServesOnlyPlainObjects)
{
    auto* engine = make<TEngine>("Engine");
    engine->SetDestDir("C:\\Product");
    auto* dir = make<TFileContainer>("Data", engine);
    dir->Desc = "Tables";
    dir->SetDestDir("\\Data");
    auto* specifier = new TpsFileContainer(form);
    specifier->SetNameDirect("psFileContainer");
    EXPECT_EQ(specifier->Description(), "Path specifier for unknown file container");
    EXPECT_EQ(specifier->Expand(nullptr), "");
    specifier->SetFileContainer(dir);
    EXPECT_EQ(specifier->Description(), "Path into which Tables will be installed");
    EXPECT_EQ(specifier->ShortName(), "<Tables>");
    auto* link = make<TDialogStandIn>("Link", engine);
    link->SetDestDirType(specifier);
    EXPECT_EQ(link->GetDestPath(), "C:\\Product\\Data");

    auto* other = make<TFileContainer>("Other", engine);
    auto* group = make<TCustomInstallGroup>("Group", engine);
    auto* file = make<TCustomInstallFile>("File", engine);
    for (TInstallContainer* refused : std::vector<TInstallContainer*> { other, group, file }) {
        try {
            refused->SetDestDirType(specifier);
            FAIL() << refused->Name();
        } catch (const IEPathSpecifier& e) {
            EXPECT_STREQ(e.what(), "A file container cannot reference another file container or group");
        }
    }
    delete dir;
    EXPECT_EQ(specifier->FileContainer(), nullptr);
    EXPECT_EQ(link->GetDestPath(), "");
}

TEST_F(InstallTreeTest, FileContainerSpecifierRenameMovesTheOtherAside)
{
    auto* dir = make<TFileContainer>("Data");
    auto* specifier = new TpsFileContainer(form);
    specifier->SetNameDirect("psFileContainer");
    auto* taken = make<TCustomInstallFile>("psData");
    specifier->SetName("psData");
    EXPECT_EQ(specifier->Name(), "psData");
    EXPECT_EQ(taken->Name(), "nameClash");
    EXPECT_THROW(specifier->SetNameDirect("Data"), EComponentNameClash);
    EXPECT_EQ(dir->Name(), "Data");

    specifier->SetFileContainer(dir);
    specifier->SetLoading(true);
    specifier->Loaded();
    EXPECT_EQ(dir->Adopted, specifier);
}

} // namespace
