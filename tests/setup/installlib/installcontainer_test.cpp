#include "tests/setup/installlib/install_tree_fixture.h"

#include "setup/installlib/ordertrace.h"

#include <gtest/gtest.h>

using namespace treetest;

namespace {

using Names = std::vector<std::string>;

// --- Children out of type-code order would install files before their
// directories and groups, or the database engine after the files needing it.
TEST_F(InstallTreeTest, ChildrenStandSortedByTypeCode)
{
    auto* engine = make<TEngine>("Engine");
    make<TCustomInstallFile>("File1", engine);
    make<TCustomInstallFile>("File2", engine);
    make<TFileContainer>("Dir1", engine);
    make<TCustomInstallGroup>("Group", engine);
    // Within one code a newcomer goes before the earlier ones.
    EXPECT_EQ(childNames(*engine), (Names { "Group", "Dir1", "File2", "File1" }));
    make<TFileContainer>("Dir2", engine);
    EXPECT_EQ(childNames(*engine), (Names { "Group", "Dir2", "Dir1", "File2", "File1" }));
    make<TDialogStandIn>("Dialog", engine);
    make<TInstallBDE>("Bde", engine);
    EXPECT_EQ(childNames(*engine), (Names { "Bde", "Group", "Dir2", "Dir1", "File2", "File1", "Dialog" }));
}

TEST_F(InstallTreeTest, AddChildRefusesCyclesBlanksAndDoubles)
{
    auto* engine = make<TEngine>("Engine");
    auto* group = make<TCustomInstallGroup>("Group", engine);
    auto* inner = make<TCustomInstallGroup>("Inner", group);
    EXPECT_THROW(group->AddChild(group), IEInstallContainer);
    try {
        inner->AddChild(group);
        FAIL() << "a container became the child of its descendant";
    } catch (const IEInstallContainer& e) {
        EXPECT_STREQ(e.what(), "Circular reference");
    }
    EXPECT_THROW(inner->SetContainer(inner), IEInstallContainer);
    try {
        engine->AddChild(nullptr);
        FAIL();
    } catch (const IEInstallContainer& e) {
        EXPECT_STREQ(e.what(), "Cannot add a blank base helper component to Engine");
    }
    // The same child twice would be walked twice and leave a stale entry.
    EXPECT_THROW(engine->AddChild(group), IEInstallContainer);
    EXPECT_EQ(engine->ChildCount(), 1);
    auto* plain = make<TInstallObject>("Plain");
    try {
        engine->AddChild(plain);
        FAIL();
    } catch (const IEInstallContainer& e) {
        EXPECT_STREQ(e.what(), "Class must declare a registered type");
    }
}

// --- A wrong parent link would leave an object in two child lists, or keep a
// destination relative to a container it left.
TEST_F(InstallTreeTest, SetContainerMovesTheObjectAndItsDestination)
{
    auto* engine = make<TEngine>("Engine");
    auto* dirA = make<TFileContainer>("DirA", engine);
    auto* dirB = make<TFileContainer>("DirB", engine);
    auto* file = make<TCustomInstallFile>("File", dirA);
    ASSERT_NE(file->DestDirType(), nullptr);
    EXPECT_EQ(file->DestDirType()->Name(), "psContainerDestDir");
    file->SetDestDir("\\Sub");
    file->SetContainer(dirB);
    EXPECT_EQ(dirA->ChildCount(), 0);
    EXPECT_EQ(childNames(*dirB), (Names { "File" }));
    EXPECT_EQ(file->DestDir(), "");
    file->SetContainer(nullptr);
    EXPECT_EQ(dirB->ChildCount(), 0);
    EXPECT_EQ(file->DestDirType(), nullptr);
}

TEST_F(InstallTreeTest, LoadingStoresValuesAndLoadedAppliesPendingDefaults)
{
    form->SetDesigning(true);
    auto* engine = make<TEngine>("Engine");
    auto* dir = make<TFileContainer>("Dir", engine);

    // Made in design mode: the engine and its destination are defaults.
    auto* stays = CreateComponent<TCustomInstallFile>(form);
    EXPECT_EQ(stays->Container(), engine);
    EXPECT_EQ(engine->ChildCount(), 2);
    auto* moved = CreateComponent<TCustomInstallFile>(form);

    // The stored script names a container for one only and a plain specifier.
    stays->SetLoading(true);
    moved->SetLoading(true);
    moved->SetContainer(dir);
    auto* system = StandardSpecifier<TpsSystem>();
    moved->SetDestDirType(system);
    moved->SetDestDir("\\Drivers");
    EXPECT_EQ(moved->DestDir(), "\\Drivers");
    stays->Loaded();
    moved->Loaded();
    EXPECT_EQ(stays->Container(), nullptr);
    EXPECT_EQ(stays->DestDirType(), nullptr);
    EXPECT_EQ(moved->Container(), dir);
    EXPECT_EQ(moved->DestDirType(), system);
    EXPECT_EQ(moved->GetDestPath(), "C:\\WINNT\\system32\\Drivers");
}

// --- A broadcast that reaches groups or grandchildren, or that a receiver
// can break by freeing a child, misdirects every dialog of the run.
TEST_F(InstallTreeTest, BroadcastReachesOnlyDirectChildrenOfTwoThousandOrMore)
{
    auto* engine = make<TEngine>("Engine");
    auto* group = make<TCustomInstallGroup>("Group", engine);
    auto* onEngine = make<TDialogStandIn>("OnEngine", engine);
    auto* inGroup = make<TDialogStandIn>("InGroup", group);
    auto* file = make<TCustomInstallFile>("File", engine);
    auto* deepFile = make<TCustomInstallFile>("DeepFile", group);
    engine->Broadcast(icWelcome, nullptr);
    EXPECT_EQ(onEngine->Received, (std::vector<int> { icWelcome }));
    EXPECT_EQ(file->Received, (std::vector<int> { icWelcome }));
    EXPECT_TRUE(inGroup->Received.empty());
    EXPECT_TRUE(deepFile->Received.empty());

    engine->PushStatusText("Installing shell links...");
    engine->PopStatusText();
    EXPECT_EQ(onEngine->Texts, (std::vector<std::string> { "Installing shell links..." }));
    EXPECT_EQ(onEngine->Received.back(), icPopStatusText);
}

TEST_F(InstallTreeTest, BroadcastSurvivesAReceiverFreeingChildren)
{
    auto* engine = make<TEngine>("Engine");
    auto* first = make<TCustomInstallFile>("First", engine);
    auto* second = make<TCustomInstallFile>("Second", engine);
    auto* third = make<TDialogStandIn>("Third", engine);
    first->OnReceive = [&](int, TObject*) {
        delete second;
        second = nullptr;
    };
    engine->Broadcast(icRunBegins, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(third->Received, (std::vector<int> { icRunBegins }));
    EXPECT_EQ(childNames(*engine), (Names { "First", "Third" }));
}

// --- Processing: install types, the Include test, silent aborts and the
// walk order decide what reaches the user's disk.
TEST_F(InstallTreeTest, ProcessContainerFollowsIncludeAndInstallTypes)
{
    auto* engine = make<TEngine>("Engine");
    auto* dir = make<TFileContainer>("Dir", engine);
    auto* watcher = make<TDialogStandIn>("Watcher", dir);

    dir->SetInstallTypes({ itFull });
    dir->SetChosenInstallType(itCompact);
    EXPECT_FALSE(dir->IsIncludedForInstallType());
    dir->ProcessContainer();
    EXPECT_FALSE(dir->Installed());
    EXPECT_EQ(watcher->Received, (std::vector<int> { icProcessBegins, icIncluded }));

    dir->SetChosenInstallType(itCustom);
    EXPECT_TRUE(dir->IsIncludedForInstallType());
    watcher->Received.clear();
    dir->ProcessContainer();
    EXPECT_TRUE(dir->Installed());
    EXPECT_EQ(watcher->Received, (std::vector<int> { icProcessBegins, icIncluded, icProcessEnded }));

    auto* off = make<TFileContainer>("Off", engine);
    auto* offWatcher = make<TDialogStandIn>("OffWatcher", off);
    off->Include = false;
    off->ProcessContainer();
    EXPECT_FALSE(off->Installed());
    EXPECT_EQ(offWatcher->Received, (std::vector<int> { icProcessBegins }));
}

TEST_F(InstallTreeTest, ChosenInstallTypeReachesTheWholeSubtree)
{
    auto* engine = make<TEngine>("Engine");
    auto* group = make<TCustomInstallGroup>("Group", engine);
    auto* file = make<TCustomInstallFile>("File", group);
    engine->SetChosenInstallType(itDefault);
    EXPECT_EQ(group->ChosenInstallType(), itDefault);
    EXPECT_EQ(file->ChosenInstallType(), itDefault);
}

TEST_F(InstallTreeTest, WalkInstallsGroupsThenContainersThenFilesAndSkipsDialogs)
{
    auto* engine = make<TEngine>("Engine");
    make<TCustomInstallFile>("File", engine);
    auto* dir = make<TFileContainer>("Dir", engine);
    make<TCustomInstallFile>("DirFile", dir);
    make<TCustomInstallGroup>("Group", engine);
    make<TDialogStandIn>("Dialog", engine);
    engine->ProcessContainer();
    Names installs;
    for (const std::string& line : Journal())
        if (line.rfind("install ", 0) == 0)
            installs.push_back(line);
    EXPECT_EQ(
        installs, (Names { "install Engine", "install Group", "install Dir", "install DirFile", "install File" }));
}

TEST_F(InstallTreeTest, DuringARunObjectsOfUninstalledContainersAreSkipped)
{
    auto* engine = make<TEngine>("Engine");
    auto* dir = make<TFileContainer>("Dir", engine);
    auto* file = make<TCustomInstallFile>("File", dir);
    engine->Running = true;
    file->ProcessContainer();
    dir->ProcessContainer();
    EXPECT_FALSE(dir->Installed());
    EXPECT_FALSE(file->Installed());
    engine->ProcessContainer();
    EXPECT_TRUE(dir->Installed());
    EXPECT_TRUE(file->Installed());
}

TEST_F(InstallTreeTest, AbortEndsOneContainerSilentlyOtherErrorsPassOn)
{
    auto* engine = make<TEngine>("Engine");
    auto* first = make<TCustomInstallFile>("First", engine);
    auto* second = make<TCustomInstallFile>("Second", engine);
    first->OnBeforeProcess = [](TObject*) { throw EAbort(); };
    EXPECT_NO_THROW(engine->ProcessContainer());
    EXPECT_FALSE(first->Installed());
    EXPECT_TRUE(second->Installed());
    first->OnBeforeProcess = [](TObject*) { throw EAI("disk error"); };
    EXPECT_THROW(first->ProcessContainer(), EAI);
}

TEST_F(InstallTreeTest, UninstallInfoIsWrittenUnderTheProductKey)
{
    auto* engine = make<TEngine>("Engine");
    auto* kept = make<TCustomInstallFile>("Kept", engine);
    auto* quiet = make<TCustomInstallFile>("Quiet", engine);
    quiet->Uninstall = false;
    engine->ProcessContainer();
    EXPECT_EQ(kept->UninstallKey, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavix Electronics");
    EXPECT_EQ(quiet->UninstallKey, "");
}

// --- Freed objects must leave every list and reference, or a later walk
// touches freed memory.
TEST_F(InstallTreeTest, FreedObjectsLeaveListsAndReferences)
{
    auto* engine = make<TEngine>("Engine");
    auto* dir = make<TFileContainer>("Dir", engine);
    auto* file = make<TCustomInstallFile>("File", dir);
    const int registered = InstallContainerList().Count();
    delete dir;
    EXPECT_EQ(engine->ChildCount(), 0);
    EXPECT_EQ(file->Container(), nullptr);
    EXPECT_EQ(InstallContainerList().Count(), registered - 1);

    auto* specifier = new TpsFileContainer(form);
    auto* link = make<TDialogStandIn>("Link", engine);
    link->SetDestDirType(specifier);
    delete specifier;
    EXPECT_EQ(link->DestDirType(), nullptr);
    EXPECT_EQ(link->GetDestPath(), "");
}

TEST_F(InstallTreeTest, ChildAccessByIndexAndClass)
{
    auto* engine = make<TEngine>("Engine");
    make<TCustomInstallFile>("F1", engine);
    make<TCustomInstallFile>("F2", engine);
    make<TFileContainer>("D1", engine);
    make<TCustomInstallGroup>("G1", engine);
    EXPECT_EQ(engine->CompCount(TCustomInstallFile::StaticClass()), 2);
    EXPECT_EQ(engine->Comp<TCustomInstallFile>(1)->Name(), "F1");
    EXPECT_EQ(engine->FileContainerCount(), 2); // a group is a file container too
    EXPECT_EQ(engine->FileContainers(1)->Name(), "D1");
    try {
        engine->Comp<TCustomInstallFile>(2);
        FAIL();
    } catch (const IEInstallContainer& e) {
        EXPECT_NE(std::string(e.what()).find("Index: 2, ComponentType: 0"), std::string::npos) << e.what();
    }
    try {
        engine->Children(4);
        FAIL();
    } catch (const IEInstallContainer& e) {
        EXPECT_STREQ(e.what(),
            "Tried to reference a helper component in the following component: Engine. The following index was used: "
            "4");
    }
    engine->FreeChildrenOfClass(TCustomInstallFile::StaticClass());
    EXPECT_EQ(childNames(*engine), (Names { "G1", "D1" }));
}

TEST_F(InstallTreeTest, RegistriesRefuseBlankEntries)
{
    EXPECT_THROW(InstallContainerList().Add(nullptr), IEContainerList);
    EXPECT_THROW(InstallFileList().Add(nullptr), IECustomInstallFileList);
    EXPECT_THROW(PathSpecifierList().Add(nullptr), IEPathSpecifierList);
}

// --- The library's single instances must exist only while it is started.
TEST_F(InstallTreeTest, GlobalsExistBetweenStartupAndShutdown)
{
    EXPECT_EQ(UniqueIdTable().size(), 2001u);
    EXPECT_EQ(UniqueIdTable()[0], 0);
    EXPECT_FALSE(SharedArchive().Abort);
    delete form;
    form = nullptr;
    InstallLibraryShutdown();
    EXPECT_THROW(InstallContainerList(), EQuorleAbnormal);
    EXPECT_THROW(TFileContainer(nullptr), EQuorleAbnormal);
    InstallLibraryStartup();
    EXPECT_EQ(InstallContainerList().Count(), 0);
    form = new TComponent();
}

// --- Trace files rewritten per line lose earlier lines and cost a full copy
// per file; they must only grow.
TEST_F(InstallTreeTest, OrderTracesAreAppendedInTheWindowsDirectory)
{
    EXPECT_EQ(OrderTraceFile(TOrderTrace::Install), "C:\\WINNT\\QrleInstallOrder.txt");
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\QrleInstallOrder.txt", "old line"));
    TraceContainerOrder(TOrderTrace::Install, "Main files");
    TraceFileOrder(TOrderTrace::Install, "ifReadme", "readme.rtf");
    TraceContainerOrder(TOrderTrace::Compress, "Help");
    std::string install, compress;
    ASSERT_TRUE(machine->readFile("C:\\WINNT\\QrleInstallOrder.txt", install));
    ASSERT_TRUE(machine->readFile("C:\\WINNT\\QrleCompressOrder.txt", compress));
    EXPECT_EQ(install, "old line\r\nFILECONTAINER: Main files\r\nCompName: ifReadme, File: readme.rtf\r\n");
    EXPECT_EQ(compress, "FILECONTAINER: Help\r\n");
}

TEST_F(InstallTreeTest, OrderTraceFailureDoesNotStopTheWork)
{
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\QrleInstallOrder.txt", "kept\r\n"));
    ASSERT_TRUE(machine->setFileAttributes("C:\\WINNT\\QrleInstallOrder.txt", win::FILE_ATTRIBUTE_READONLY));
    EXPECT_NO_THROW(TraceContainerOrder(TOrderTrace::Install, "X"));
    std::string text;
    ASSERT_TRUE(machine->readFile("C:\\WINNT\\QrleInstallOrder.txt", text));
    EXPECT_EQ(text, "kept\r\n");
}

} // namespace
