#include "tests/setup/installlib/filecontainer_fixture.h"

#include "setup/installlib/application.h"
#include "setup/installlib/install.h"
#include "setup/installlib/pathspecifiers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace fctest;

namespace {

class TreeTest : public FileContainerTest {
protected:
    // Main (group, C:\Tavix, archive C:\Build\files.1)
    //   Help (group, \Help)  page.html
    //   Data (directory, \Data)  parts.db, parts.px
    //   tavixcat.exe
    void SetUp() override
    {
        FileContainerTest::SetUp();
        main = make<TInstallGroup>("Main");
        main->SetDescription("Main group");
        main->SetArchiveFile("C:\\Build\\files.1");
        main->SetDestDir("C:\\Tavix");
        help = make<TInstallGroup>("Help", main);
        help->SetDescription("Help pages");
        help->SetDestDir("\\Help");
        data = make<TInstallDirectory>("Data", main);
        data->SetDescription("Tables");
        data->SetDestDir("\\Data");
        prog = file("Prog", main, "tavixcat.exe", std::string(3000, 'x'));
        page = file("Page", help, "help\\page.html", "<html>notes</html>");
        table = file("Table", data, "data\\parts.db", std::string(5000, 't'));
        index = file("Index", data, "data\\parts.px", std::string(1000, 'i'));
    }

    TInstallGroup* main = nullptr;
    TInstallGroup* help = nullptr;
    TInstallDirectory* data = nullptr;
    TTestFile *prog = nullptr, *page = nullptr, *table = nullptr, *index = nullptr;
};

// A tree packed into one local archive and installed from it: every file
// lands in its group's or directory's destination, byte for byte, and the
// walk order is written to the two trace files.
TEST_F(TreeTest, CompressesIntoOneArchiveAndInstallsFromIt)
{
    main->Compress(coForceNetFilesLocal);
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\Build\\files.1");
    EXPECT_EQ(reader.MemberCount(), 4);
    for (const Packed& p : packLog) {
        EXPECT_EQ(p.archive, "C:\\Build\\files.1") << p.name;
        EXPECT_EQ(p.command, lzcOnlyAdd) << p.name;
    }

    int lastTotalPercent = -1;
    main->OnStatus = [&](TInstallObject*, int, int total) { lastTotalPercent = total; };
    main->ProcessContainer();
    EXPECT_EQ(read("C:\\Tavix\\tavixcat.exe"), std::string(3000, 'x'));
    EXPECT_EQ(read("C:\\Tavix\\Help\\page.html"), "<html>notes</html>");
    EXPECT_EQ(read("C:\\Tavix\\Data\\parts.db"), std::string(5000, 't'));
    EXPECT_EQ(read("C:\\Tavix\\Data\\parts.px"), std::string(1000, 'i'));
    // The sizes came from the archive before the total was taken.
    EXPECT_EQ(main->TotalSize, 3000 + 18 + 5000 + 1000);
    EXPECT_EQ(lastTotalPercent, 100);
    EXPECT_TRUE(main->ArchiveInfoRead);
    EXPECT_EQ(main->BusyState, bsIdle);
    EXPECT_EQ(messages.busyDepth(), 0);

    EXPECT_EQ(traceLines(TOrderTrace::Compress),
        (std::vector<std::string> {
            "FILECONTAINER: Main group", "FILECONTAINER: Help pages", "FILECONTAINER: Tables" }));
    EXPECT_EQ(traceLines(TOrderTrace::Install),
        (std::vector<std::string> {
            "FILECONTAINER: Main group", "FILECONTAINER: Help pages", "FILECONTAINER: Tables" }));
}

// A second build must not append to the archive of the first: a container
// that starts its archive anew deletes the old ".1" file first, and one it
// cannot delete stops the build with the container's name and the path.
TEST_F(TreeTest, OverwritingContainerDeletesTheOldArchive)
{
    main->Compress(coForceNetFilesLocal);
    main->Compress(coForceNetFilesLocal);
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\Build\\files.1");
    EXPECT_EQ(reader.MemberCount(), 4);

    ASSERT_TRUE(machine->setFileAttributes("C:\\Build\\files.1", win::FILE_ATTRIBUTE_READONLY));
    packLog.clear();
    try {
        main->Compress(coForceNetFilesLocal);
        FAIL() << "no error";
    } catch (const IEFileContainer& e) {
        EXPECT_STREQ(e.what(), "Main cannot delete the archive file C:\\Build\\files.1");
    }
    EXPECT_TRUE(packLog.empty());
    EXPECT_EQ(main->BusyState, bsIdle);
}

// Size totals: only included files of the chosen install type count unless
// all are asked for; sub-containers add theirs.
TEST_F(TreeTest, SizeTotals)
{
    prog->Size = 100;
    page->Size = 20;
    table->Size = 300;
    index->Size = 4000;
    index->Include = false;
    table->SetInstallTypes({ itCompact });
    prog->PackedSize = 50;
    page->PackedSize = 7;
    table->PackedSize = 90;
    index->PackedSize = 1000;

    EXPECT_EQ(main->SizeOfOwnFiles(false), 100);
    EXPECT_EQ(main->SizeOfSubtree(false), 120);
    EXPECT_EQ(main->SizeOfSubtree(true), 4420);
    EXPECT_EQ(data->SizeOfOwnFiles(true), 4300);
    EXPECT_EQ(main->SizeTotal(true, false), 100);
    EXPECT_EQ(main->SizeTotal(true, true), 120);
    EXPECT_EQ(main->SizeTotal(false, true), 4420);
    EXPECT_EQ(main->ArchiveSizeTotal(false), 57);
    EXPECT_EQ(main->ArchiveSizeTotal(true), 1147);

    main->SetChosenInstallType(itCompact);
    EXPECT_EQ(main->SizeOfSubtree(false), 420);
}

// A failure in the middle of an install still ends with -996 on every
// container on the way and leaves no container busy and no hourglass.
TEST_F(TreeTest, FailedInstallBroadcastsWorkFinishedAndRestoresState)
{
    main->Compress(coForceNetFilesLocal);
    table->FailInstall = true;
    bool afterFired = false;
    data->OnAfterInstallObjects = [&](TObject*, bool) { afterFired = true; };
    EXPECT_THROW(main->ProcessContainer(), EAI);
    for (TTestFile* f : { table, index, prog })
        EXPECT_NE(std::count(f->Received.begin(), f->Received.end(), icWorkFinished), 0) << f->Name();
    EXPECT_EQ(main->BusyState, bsIdle);
    EXPECT_EQ(data->BusyState, bsIdle);
    EXPECT_EQ(messages.busyDepth(), 0);
    EXPECT_FALSE(afterFired);
}

// A receiver that fails on -996 after a failure does not hide the first
// error and does not leave the container busy.
TEST_F(TreeTest, SecondFailureOnWorkFinishedKeepsTheFirst)
{
    main->Compress(coForceNetFilesLocal);
    table->FailInstall = true;
    class TThrowingHook : public TTestFile {
    public:
        using TTestFile::TTestFile;
        void ReceiveInformationCode(TInstallContainer*, int Code, TObject*) override
        {
            if (Code == icWorkFinished)
                throw EAI("hook failed");
        }

    protected:
        void InstallStep() override { }
    };
    auto* hook = new TThrowingHook(form, 99);
    hook->SetName("Hook");
    hook->SetContainer(data);
    hook->Source = "S:\\Src\\none";
    try {
        main->ProcessContainer();
        FAIL() << "no error";
    } catch (const EAI& e) {
        EXPECT_STREQ(e.what(), "cannot install Table");
    }
    EXPECT_EQ(data->BusyState, bsIdle);
    EXPECT_EQ(messages.busyDepth(), 0);
}

// The copy without an archive: every file of the subtree reaches its
// destination, the codes 1012/1013 go up only while the parent is busy,
// and a container left out copies nothing but still reports -996.
TEST_F(TreeTest, CopyAllCopiesTheSubtree)
{
    std::vector<std::string> events;
    main->OnBeforeProcess = [&](TObject*) { events.push_back("before main"); };
    data->OnAfterProcess = [&](TObject*) { events.push_back("after data"); };
    help->Include = false;
    main->RunWork(3);
    EXPECT_EQ(read("C:\\Tavix\\tavixcat.exe"), std::string(3000, 'x'));
    EXPECT_EQ(read("C:\\Tavix\\Data\\parts.px"), std::string(1000, 'i'));
    EXPECT_FALSE(machine->fileExists("C:\\Tavix\\Help\\page.html"));
    EXPECT_EQ(page->Received, (std::vector<int> { icWorkFinished }));
    EXPECT_EQ(events, (std::vector<std::string> { "before main", "after data" }));
    // The total counts the files of the left-out group; they never come.
    EXPECT_EQ(main->TotalSize, 3000 + 18 + 5000 + 1000);
    EXPECT_EQ(main->BytesDone, 3000 + 5000 + 1000);
    EXPECT_EQ(main->BusyState, bsIdle);
}

// Settings a compress changes on a child are put back afterwards, also
// when the child's compress fails.
TEST_F(TreeTest, ChildSettingsRestoredAfterCompress)
{
    TCustomPathSpecifier* containerArchive = StandardSpecifier<TpsContainerArchiveFile>();
    ASSERT_EQ(table->ArchiveFileType(), containerArchive);
    SetDefaultNetLocation(nullptr);
    TCustomNetInstallLocation location(nullptr);
    location.LoginInformation().Hostname = "files.example";
    SetDefaultNetLocation(&location);
    table->Net = true;
    table->PackForReal = false;
    index->PackForReal = false;
    page->PackForReal = false;
    prog->PackForReal = false;

    main->Compress(0);
    EXPECT_EQ(table->ArchiveFileType(), containerArchive);
    EXPECT_EQ(table->ArchiveFile(), "");
    EXPECT_EQ(table->AddToArchive, lzcOverwrite);

    struct TFailingFile : TTestFile {
        using TTestFile::TTestFile;
        void CompressFile() override { throw EAI("disk gone"); }
    };
    auto* failing = new TFailingFile(form, 50);
    failing->SetName("Failing");
    failing->SetContainer(data);
    failing->Net = true;
    EXPECT_THROW(main->Compress(0), EAI);
    EXPECT_EQ(failing->ArchiveFileType(), containerArchive);
    EXPECT_EQ(failing->AddToArchive, lzcOverwrite);
    EXPECT_EQ(data->BusyState, bsIdle);
    EXPECT_EQ(main->BusyState, bsIdle);
    SetDefaultNetLocation(nullptr);
}

class CompressOptionsTest : public FileContainerTest {
protected:
    void SetUp() override
    {
        FileContainerTest::SetUp();
        location = new TCustomNetInstallLocation(form);
        location->SetName("Server");
        location->LoginInformation().Hostname = "files.example:8080";
        location->LoginInformation().Directory = "setup";
        SetDefaultNetLocation(location);
        group = make<TInstallGroup>("Grp");
        group->SetArchiveFile("C:\\Build\\files.1");
        group->SetDestDir("C:\\Tavix");
        local = file("Local", group, "local.txt", "l");
        netFile = file("NetFile", group, "net.txt", "n");
        netFile->Net = true;
        for (TTestFile* f : { local, netFile })
            f->PackForReal = false;
    }
    void TearDown() override
    {
        SetDefaultNetLocation(nullptr);
        FileContainerTest::TearDown();
    }

    const Packed& packed(const std::string& name)
    {
        for (const Packed& p : packLog)
            if (p.name == name)
                return p;
        static const Packed none { "<none>", "", lzcOverwrite, false };
        return none;
    }

    TCustomNetInstallLocation* location = nullptr;
    TInstallGroup* group = nullptr;
    TTestFile *local = nullptr, *netFile = nullptr;
};

const std::string kNetDir = "C:\\Build\\files.example8080\\setup";

// Net files go into the container's net archive beside its own archive;
// coForceNetFilesLocal keeps them local, coForceFilesNet sends every file
// to the net.
TEST_F(CompressOptionsTest, NetAndLocalFiles)
{
    group->Compress(0);
    EXPECT_EQ(packed("Local").archive, "C:\\Build\\files.1");
    EXPECT_EQ(packed("Local").command, lzcOnlyAdd);
    EXPECT_EQ(packed("NetFile").archive, kNetDir + "\\Grp.1");
    EXPECT_EQ(packed("NetFile").command, lzcOnlyAdd);

    packLog.clear();
    group->Compress(coForceNetFilesLocal);
    EXPECT_EQ(packed("NetFile").archive, "C:\\Build\\files.1");

    packLog.clear();
    group->Compress(coForceFilesNet);
    EXPECT_EQ(packed("Local").archive, kNetDir + "\\Grp.1");
    EXPECT_EQ(packed("NetFile").archive, kNetDir + "\\Grp.1");
}

// Both force options together are refused before anything is done.
TEST_F(CompressOptionsTest, BothForceOptionsRefused)
{
    try {
        group->Compress(coForceNetFilesLocal | coForceFilesNet);
        FAIL() << "no error";
    } catch (const IEFileContainer& e) {
        EXPECT_STREQ(e.what(), "Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
    }
    EXPECT_TRUE(packLog.empty());
    EXPECT_EQ(group->BusyState, bsIdle);
}

// A file with a net location of its own, or one that needs an archive of
// its own, travels alone in an archive named after it, started anew on
// every build.
TEST_F(CompressOptionsTest, OwnNetArchives)
{
    TCustomNetInstallLocation ftp(nullptr);
    ftp.LoginInformation().Hostname = "ftp.example";
    ftp.LoginInformation().Protocol = ipFTP;
    auto* own = file("Own", group, "own.dll", "o");
    own->PackForReal = false;
    own->Net = true;
    own->SetNetLocation(&ftp);
    auto* versioned = file("Versioned", group, "ver.dll", "v");
    versioned->PackForReal = false;
    versioned->Net = true;
    versioned->OwnArchive = true;

    group->Compress(0);
    EXPECT_EQ(packed("Own").archive, "C:\\Build\\ftp.example\\FTP Root directory\\Own.1");
    EXPECT_EQ(packed("Own").command, lzcOverwrite);
    EXPECT_EQ(packed("Versioned").archive, kNetDir + "\\Versioned.1");
    EXPECT_EQ(packed("Versioned").command, lzcOverwrite);
    EXPECT_EQ(own->ArchiveFile(), "");
}

// Options 0x01 and 0x02 and the install-source archive type for local files.
TEST_F(CompressOptionsTest, LocalArchiveOptions)
{
    auto* extra = file("Extra", group, "extra.txt", "e");
    extra->PackForReal = false;
    extra->SetArchiveFileType(nullptr);
    extra->SetArchiveFile("D:\\Other\\extra.1");
    auto* source = file("FromSource", group, "src.txt", "s");
    source->PackForReal = false;
    source->SetLoading(true);
    source->SetArchiveFileType(StandardSpecifier<TpsInstallSource>());
    source->SetArchiveFile("\\disk2.1");
    source->SetLoading(false);

    group->Compress(0);
    EXPECT_EQ(packed("Extra").archive, "D:\\Other\\extra.1");
    EXPECT_EQ(packed("FromSource").archive, "C:\\Build\\disk2.1");
    EXPECT_EQ(packed("FromSource").command, lzcOverwrite);

    packLog.clear();
    group->Compress(coRelocateArchives);
    EXPECT_EQ(packed("Extra").archive, "C:\\Build\\Other\\extra.1");
    EXPECT_EQ(packed("Extra").command, lzcOverwrite);
    EXPECT_EQ(packed("Local").archive, "C:\\Build\\files.1");

    packLog.clear();
    group->Compress(coOnlyAddLocal);
    EXPECT_EQ(packed("Local").archive, "");
    EXPECT_EQ(packed("Local").command, lzcOnlyAdd);
    EXPECT_EQ(packed("NetFile").archive, kNetDir + "\\Grp.1");
    EXPECT_EQ(extra->ArchiveFile(), "D:\\Other\\extra.1");
}

// Excluded objects are packed only with option 0x20, and keep Include
// False afterwards; an excluded container packs nothing without it.
TEST_F(CompressOptionsTest, ExcludedObjects)
{
    local->Include = false;
    auto* sub = make<TInstallDirectory>("Sub", group);
    auto* inner = file("Inner", sub, "inner.txt", "i");
    inner->PackForReal = false;
    sub->Include = false;

    group->Compress(0);
    EXPECT_FALSE(packed("Local").include);
    EXPECT_EQ(packed("Inner").name, "<none>");

    packLog.clear();
    group->Compress(coIncludeExcluded);
    EXPECT_TRUE(packed("Local").include);
    EXPECT_EQ(packed("Inner").archive, "C:\\Build\\files.1");
    EXPECT_FALSE(local->Include);
    EXPECT_FALSE(sub->Include);
}

// Without a net location only coForceNetFilesLocal lets a compress go on.
TEST_F(CompressOptionsTest, MissingNetLocation)
{
    SetDefaultNetLocation(nullptr);
    try {
        group->Compress(0);
        FAIL() << "no error";
    } catch (const IEFileRel_NoNetLocation& e) {
        EXPECT_STREQ(e.what(), "Could not find a net install location for Grp");
    }
    EXPECT_EQ(group->BusyState, bsIdle);
    EXPECT_EQ(local->Received, (std::vector<int> { icWorkFinished }));
    group->Compress(coForceNetFilesLocal);
    EXPECT_EQ(packed("NetFile").archive, "C:\\Build\\files.1");
}

// The net archive of an earlier build is deleted when the container holds
// a net file, and left alone when it holds none.
TEST_F(CompressOptionsTest, OldNetArchiveDeleted)
{
    ASSERT_TRUE(machine->forceDirectories(kNetDir));
    ASSERT_TRUE(machine->writeFile(kNetDir + "\\Grp.1", "old"));
    netFile->Net = false;
    group->Compress(0);
    EXPECT_TRUE(machine->fileExists(kNetDir + "\\Grp.1"));
    netFile->Net = true;
    group->Compress(0);
    EXPECT_FALSE(machine->fileExists(kNetDir + "\\Grp.1"));
}

// Groups stand only under the engine or another group, come first in the
// walk, and carry their dialog options by copy.
TEST_F(FileContainerTest, GroupPlacementAndOptions)
{
    auto* top = make<TInstallGroup>("Top");
    auto* dir = make<TInstallDirectory>("Dir", top);
    auto* f = file("F", top, "f.txt", "f");
    auto* sub = make<TInstallGroup>("Sub", top);
    ASSERT_EQ(top->ChildCount(), 3);
    EXPECT_EQ(top->Children(0), sub);
    EXPECT_EQ(top->Children(1), dir);
    EXPECT_EQ(top->Children(2), f);
    EXPECT_EQ(sub->RegisteredType(), 500);
    EXPECT_EQ(dir->RegisteredType(), 1000);

    auto* stray = make<TInstallGroup>("Stray");
    try {
        stray->SetContainer(dir);
        FAIL() << "no error";
    } catch (const IEInstallGroup& e) {
        EXPECT_STREQ(e.what(),
            "A TInstallGroup component can only be contained by a TInstall, or another TInstallGroup component");
    }
    EXPECT_EQ(stray->Container(), nullptr);

    TInstallGroupDialogOptions options;
    options.AllowChangeDir = false;
    options.Description = { "Help pages", "and pictures" };
    sub->SetDialogOptions(options);
    options.Description.clear();
    EXPECT_FALSE(sub->DialogOptions().AllowChangeDir);
    EXPECT_TRUE(sub->DialogOptions().AllowExcludeInclude);
    EXPECT_EQ(sub->DialogOptions().Description.size(), 2u);
}

// Each file container gets a specifier of its own under the first free
// name; an empty set of install types means a full install; a directory
// made in design mode is described by its number.
TEST_F(FileContainerTest, OwnSpecifiersTypesAndDescriptions)
{
    auto* first = make<TInstallGroup>("First");
    auto* second = make<TInstallDirectory>("Second", first);
    ASSERT_NE(first->OwnSpecifier(), nullptr);
    EXPECT_EQ(first->OwnSpecifier()->Name(), "psFileContainer");
    EXPECT_EQ(second->OwnSpecifier()->Name(), "psFileContainer1");
    EXPECT_EQ(second->OwnSpecifier()->FileContainer(), second);

    second->SetInstallTypes({});
    EXPECT_EQ(second->InstallTypes(), (TInstallTypeSet { itFull }));

    auto* designed = new TInstallDirectory(form);
    designed->SetDesigning(true);
    designed->AfterConstruction();
    EXPECT_EQ(designed->Description(), "Install Directory 3");
}

// A directory drops the files whose sources have gone.
TEST_F(FileContainerTest, RemoveMissingFiles)
{
    auto* dir = make<TInstallDirectory>("Dir");
    file("Kept", dir, "kept.txt", "k");
    file("Gone", dir, "gone.txt", "g");
    file("Kept2", dir, "kept2.txt", "k");
    ASSERT_TRUE(machine->deleteFile("S:\\Src\\gone.txt"));
    dir->RemoveMissingFiles();
    ASSERT_EQ(dir->InstallFileCount(), 2);
    EXPECT_EQ(dir->InstallFiles(0)->Name(), "Kept2"); // the latest of one type code stands first
    EXPECT_EQ(dir->InstallFiles(1)->Name(), "Kept");
    EXPECT_EQ(form->FindComponent("Gone"), nullptr);
    EXPECT_EQ(dir->FindFileBySource("s:\\src\\KEPT2.TXT"), dir->InstallFiles(0));
    EXPECT_EQ(dir->FindFileBySource("S:\\Src\\gone.txt"), nullptr);
}

// Whether a container must fetch its archive: net files that are included
// and have no location of their own.
TEST_F(FileContainerTest, NeedsContainerDownload)
{
    auto* dir = make<TInstallDirectory>("Dir");
    auto* f = file("F", dir, "f.txt", "f");
    EXPECT_FALSE(dir->NeedsContainerDownload());
    EXPECT_FALSE(dir->HasNetFile());
    f->Net = true;
    EXPECT_TRUE(dir->NeedsContainerDownload());
    EXPECT_TRUE(dir->HasNetFile());
    f->Include = false;
    EXPECT_FALSE(dir->NeedsContainerDownload());
    f->Include = true;
    TCustomNetInstallLocation own(nullptr);
    f->SetNetLocation(&own);
    EXPECT_FALSE(dir->NeedsContainerDownload());
}

} // namespace

namespace {

class EngineTreeTest : public FileContainerTest {
protected:
    void SetUp() override
    {
        FileContainerTest::SetUp();
        Application().Reset();
        engineForm = std::make_unique<TForm>();
        engineForm->SetName("MainForm");
        install = new TInstall(engineForm.get());
        install->SetName("Install1");
        install->SourceDirectory = "S:\\disk1";
    }
    void TearDown() override
    {
        engineForm.reset();
        Application().Reset();
        FileContainerTest::TearDown();
    }

    template <class T> T* designed(const std::string& name)
    {
        T* object = new T(form);
        object->SetName(name);
        object->SetDesigning(true);
        object->AfterConstruction();
        return object;
    }

    std::unique_ptr<TForm> engineForm;
    TInstall* install = nullptr;
};

// Objects placed in design mode hang under the engine and take their
// archive from their container; a group given no container goes to the
// engine as well.
TEST_F(EngineTreeTest, DesignDefaultsUnderTheEngine)
{
    auto* dir = designed<TInstallDirectory>("Dir");
    EXPECT_EQ(dir->Container(), install);
    EXPECT_EQ(dir->ArchiveFileType(), StandardSpecifier<TpsContainerArchiveFile>());
    EXPECT_EQ(dir->GetArchivePath(), "S:\\disk1\\files.1");
    EXPECT_EQ(dir->Description(), "Install Directory 2"); // the engine is a file container too
    EXPECT_EQ(install->OwnSpecifier(), nullptr);

    auto* group = make<TInstallGroup>("Grp");
    group->SetContainer(nullptr);
    EXPECT_EQ(group->Container(), install);
}

// Local files whose archive is named from the install source are packed
// beside the engine's archive; a traditional distribution downloads
// nothing, whatever the files say.
TEST_F(EngineTreeTest, InstallSourceArchivesAndTraditionalDistribution)
{
    auto* group = make<TInstallGroup>("Grp", install);
    auto* f = file("F", group, "f.txt", "f");
    f->PackForReal = false;
    f->SetArchiveFileType(StandardSpecifier<TpsInstallSource>());
    f->SetArchiveFile("\\extra.1");
    group->Compress(coForceNetFilesLocal);
    ASSERT_EQ(packLog.size(), 1u);
    EXPECT_EQ(packLog[0].archive, "S:\\disk1\\extra.1");
    EXPECT_EQ(packLog[0].command, lzcOverwrite);

    f->Net = true;
    EXPECT_EQ(install->DistributeType(), dtTraditional);
    EXPECT_FALSE(group->NeedsContainerDownload());
}

} // namespace
