#include "installfile_fixture.h"

#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/typecodes.h"

using namespace installfiletest;

// --- design rules ---

// Catches help files not registered and controls not sent to the system
// folder with a counter and the version rule.
TEST_F(InstallFileTest, FileNameChoosesTheFileKind)
{
    auto* help = makeFile("APP.CNT", "Help1");
    EXPECT_TRUE(help->RegisterAsHelp);
    EXPECT_EQ(help->DestName(), "APP.CNT");
    EXPECT_FALSE(help->ActiveX());

    auto* control = makeFile("GRID.OCX", "Control1");
    EXPECT_TRUE(control->ActiveX());
    EXPECT_EQ(control->FileType(), iftSystemWideDLL);
    EXPECT_TRUE(control->UpdateDLLCounter);
    EXPECT_EQ(control->OverwriteMode, owVersionDate);
    EXPECT_EQ(control->DestDirType(), StandardSpecifier<TpsSystem>());
    EXPECT_EQ(control->DestDir(), "");
    EXPECT_FALSE(control->RegisterAsHelp);
}

// Catches a library that declares self-registration in its version
// resource not being treated as a control.
TEST_F(InstallFileTest, VersionResourceDeclaresSelfRegistration)
{
    win::VersionSpec stamp;
    stamp.stringTables.push_back({ "040904E4", { { "FileVersion", "1.0" }, { "OLESelfRegister", "" } } });
    ASSERT_TRUE(machine->writeFile("C:\\SRC\\REG.DLL", win::buildPeImage(win::buildVersionBlock(stamp))));
    ASSERT_TRUE(machine->writeFile("C:\\SRC\\PLAIN.DLL", versioned("1.0", "")));
    auto* declared = makeFile("REG.DLL", "File1");
    EXPECT_TRUE(declared->DeclaresSelfRegistration());
    EXPECT_TRUE(declared->ActiveX());
    EXPECT_EQ(declared->FileType(), iftSystemWideDLL);
    auto* plain = makeFile("PLAIN.DLL", "File2");
    EXPECT_FALSE(plain->DeclaresSelfRegistration());
    EXPECT_FALSE(plain->ActiveX());
    auto* missing = makeFile("NONE.DLL", "File3");
    EXPECT_FALSE(missing->DeclaresSelfRegistration());
}

// Catches the destination rules changing the kind of a plain library, or not
// making one in the system folder a shared one.
TEST_F(InstallFileTest, DestinationChoosesOverwriteModeAndKind)
{
    makeEngine();
    auto* file = makeFile("LIB.DLL", "File1");
    EXPECT_EQ(file->OverwriteMode, owAlways);
    file->SetDestDirType(StandardSpecifier<TpsWindow>());
    EXPECT_EQ(file->OverwriteMode, owVersionDate);
    EXPECT_EQ(file->FileType(), iftNormal);
    file->SetDestDirType(StandardSpecifier<TpsSystem>());
    EXPECT_EQ(file->FileType(), iftSystemWideDLL);
    EXPECT_TRUE(file->UpdateDLLCounter);

    auto* text = makeFile("NOTES.TXT", "File2");
    text->SetDestDirType(StandardSpecifier<TpsWindow>());
    EXPECT_EQ(text->OverwriteMode, owAlways);
    text->SetFileType(iftApplicationSpecificDLL);
    EXPECT_EQ(text->OverwriteMode, owVersionDate);
    EXPECT_EQ(text->DestDirType(), StandardSpecifier<TpsMainInstall>());
    EXPECT_EQ(text->DestDir(), "\\System");
    text->SetFileType(iftVendorSharedDLL);
    EXPECT_EQ(text->DestDirType(), StandardSpecifier<TpsCommonFiles>());
    EXPECT_TRUE(text->UpdateDLLCounter);
}

// Catches one container taking the same source twice, refusing the same
// name from another folder, or taking a container that cannot hold files.
TEST_F(InstallFileTest, ContainerRules)
{
    makeFile("APP.EXE", "File1");
    auto* twin = new TInstallFile(form.get());
    twin->SetName("File2");
    twin->SetIncludeFromDir("c:\\src");
    twin->SetFileName("app.exe");
    EXPECT_THROW(twin->SetContainer(directory), IEfcDuplicateFile);
    EXPECT_EQ(twin->Container(), nullptr);
    twin->SetIncludeFromDir("C:\\OTHER");
    EXPECT_NO_THROW(twin->SetContainer(directory));
    EXPECT_EQ(twin->Container(), directory);

    auto* plain = new TInstallObject(form.get());
    EXPECT_THROW(twin->SetContainer(plain), IECustomInstallFile);
    EXPECT_EQ(twin->Container(), directory);
}

// Catches the rules running while a stored script is read (values must stay as stored).
TEST_F(InstallFileTest, LoadingStoresValuesAsTheyAre)
{
    auto* file = new TInstallFile(form.get());
    file->SetLoading(true);
    file->SetFileName("GRID.OCX");
    file->SetDestName("OTHER.OCX");
    file->SetFileType(iftNormal);
    file->SetDestDirType(StandardSpecifier<TpsWindow>());
    file->Loaded();
    EXPECT_EQ(file->DestName(), "OTHER.OCX");
    EXPECT_FALSE(file->ActiveX());
    EXPECT_EQ(file->OverwriteMode, owAlways);
    EXPECT_EQ(file->FileType(), iftNormal);
}

// --- unique IDs ---

// Catches two files sharing an ID (each would find the other's archive
// member), slots never freed, or stored IDs not kept after loading.
TEST_F(InstallFileTest, UniqueIdsAreTakenFreedAndRefusedWhenGone)
{
    std::vector<TInstallFile*> files;
    for (int i = 0; i < kUniqueIdCount; ++i)
        files.push_back(new TInstallFile(form.get()));
    EXPECT_EQ(files.front()->UniqueID(), 0);
    EXPECT_EQ(files.back()->UniqueID(), kUniqueIdCount - 1);
    EXPECT_THROW(new TInstallFile(form.get()), IECustomInstallFile);
    const int freed = files[17]->UniqueID();
    delete files[17];
    auto* again = new TInstallFile(form.get());
    EXPECT_EQ(again->UniqueID(), freed);
    EXPECT_THROW(again->SetUniqueID(5), IECustomInstallFile);
    EXPECT_THROW(again->SetUniqueID(kUniqueIdCount), IECustomInstallFile);
}

TEST_F(InstallFileTest, LoadedFilesKeepTheirStoredIds)
{
    auto* a = new TInstallFile(form.get());
    auto* b = new TInstallFile(form.get());
    a->SetLoading(true);
    b->SetLoading(true);
    a->SetUniqueID(40);
    b->SetUniqueID(41);
    a->Loaded();
    b->Loaded();
    EXPECT_EQ(a->UniqueID(), 40);
    EXPECT_EQ(b->UniqueID(), 41);
    auto* c = new TInstallFile(form.get());
    EXPECT_EQ(c->UniqueID(), 0); // the constructors' slots were given back
    delete a;
    auto* d = new TInstallFile(form.get());
    EXPECT_EQ(d->UniqueID(), 1);
    EXPECT_NO_THROW(d->SetUniqueID(40));
}

// --- archive information and build side ---

// Catches a file taking another file's member when its own ID is not in the archive.
TEST_F(InstallFileTest, ArchiveInformationOnlyFromTheFilesOwnMember)
{
    writeStamped("C:\\SRC\\A.DLL", versioned("1.2.3.4", "aaaa"), kOld);
    auto* a = makeFile("A.DLL", "FileA");
    auto* b = makeFile("B.DLL", "FileB");
    pack({ a });
    EXPECT_TRUE(a->InfoFromArchive);
    EXPECT_EQ(a->Version(), "1.2.3.4");
    EXPECT_EQ(a->FileSize, std::int32_t(read("C:\\SRC\\A.DLL").size()));
    EXPECT_NEAR(a->FileDate, kOld, 1e-5);
    EXPECT_GT(a->ArchiveSize, 0);
    b->ReadInfoFromArchive();
    EXPECT_FALSE(b->InfoFromArchive);
    EXPECT_EQ(b->FileSize, 0);
    EXPECT_EQ(b->Version(), "");
}

// Catches size, date or version of the source read wrongly, or a missing source not reported.
TEST_F(InstallFileTest, InformationFromTheSource)
{
    writeStamped("C:\\SRC\\A.DLL", versioned("65535.65535.65535.65535", "aaaa"), kNew);
    auto* a = makeFile("A.DLL", "FileA");
    a->ReadInfoFromSource();
    EXPECT_EQ(a->Version(), "65535.65535.65535.65"); // kept to 20 characters
    EXPECT_EQ(a->FileSize, std::int32_t(read("C:\\SRC\\A.DLL").size()));
    EXPECT_NEAR(a->FileDate, kNew, 1e-5);
    auto* b = makeFile("B.DLL", "FileB");
    EXPECT_THROW(b->ReadInfoFromSource(), IECustomInstallFile);

    const std::string record = a->NetFileRecord();
    ASSERT_EQ(record.size(), size_t(kNetFileRecordSize));
    EXPECT_EQ(record.substr(12, 6), std::string("FileA\0", 6));
    EXPECT_EQ(record.substr(52, 20), std::string("65535.65535.65535.6\0", 20));
}

// Catches an excluded file packed anyway, a blank archive path not reported,
// or the compress not reaching the trace file.
TEST_F(InstallFileTest, CompressRespectsIncludeAndArchivePath)
{
    writeStamped("C:\\SRC\\A.DLL", "aaaa", kNew);
    auto* a = makeFile("A.DLL", "FileA");
    a->Include = false;
    a->CompressFile();
    EXPECT_FALSE(machine->fileExists(kArchive));
    EXPECT_FALSE(a->Compressed);
    a->Include = true;
    a->CompressFile();
    EXPECT_TRUE(a->Compressed);
    EXPECT_EQ(a->CompressedInto, kArchive);
    EXPECT_NE(read(machine->windowsDirectory() + "\\QrleCompressOrder.txt").find("CompName: FileA, File: A.DLL"),
        std::string::npos);
    a->SetArchiveFile("");
    EXPECT_THROW(a->CompressFile(), IECustomInstallFile);
    EXPECT_EQ(a->State(), ifsNone);
}

// Catches a stopped plain copy taken for a finished one or leaving a partial file.
TEST_F(InstallFileTest, StoppedCopyIsReportedAndLeavesNothing)
{
    writeStamped("C:\\SRC\\BIG.DAT", std::string(300000, 'b'), kNew);
    auto* file = makeFile("BIG.DAT", "File1");
    file->OnStatus = [](TObject*, int, int) { SharedArchive().Abort = true; };
    EXPECT_THROW(file->CopyFile(), EAIUserAbort);
    EXPECT_FALSE(machine->fileExists(dest("BIG.DAT")));
    EXPECT_TRUE(machine->findFiles(dest("*")).empty());
    EXPECT_EQ(file->State(), ifsNone);

    file->OnStatus = nullptr;
    file->CopyFile();
    EXPECT_EQ(read(dest("BIG.DAT")), read("C:\\SRC\\BIG.DAT"));
}

// --- new disks ---

namespace {

class TDiskFile : public TInstallFile {
public:
    using TInstallFile::ArchiveNewDisk;
    using TInstallFile::TInstallFile;
};

} // namespace

// Catches a new-disk request answered twice, a Cancel that does not stop the
// archive, or the volume folder not remembered for the next volumes.
TEST_F(InstallFileTest, NewDiskAsksOnlyWhenNobodyAnswered)
{
    makeEngine();
    auto* file = new TDiskFile(form.get());
    file->SetName("Disk1");
    file->SetContainer(directory);
    TQrleCompress archive;

    std::string path = "A:";
    messages.queueAnswer(ui::Answer::Cancel);
    file->ArchiveNewDisk(archive, 2, path);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_NE(messages.asked()[0].text.find("Please insert disk #2"), std::string::npos);
    EXPECT_TRUE(archive.Abort);
    EXPECT_EQ(StandardSpecifier<TpsMainArchiveFile>()->VolumeDirectory, "A:");

    archive.Abort = false;
    directory->BeginWork(bsInstalling, 1);
    directory->OnNewDisk = [](TInstallObject*, int, std::string& p) { p = "B:\\DISK3"; };
    file->ArchiveNewDisk(archive, 3, path);
    EXPECT_EQ(messages.asked().size(), 1u);
    EXPECT_FALSE(archive.Abort);
    EXPECT_EQ(path, "B:\\DISK3");
    EXPECT_EQ(StandardSpecifier<TpsMainArchiveFile>()->VolumeDirectory, "B:\\DISK3");

    directory->OnNewDisk = nullptr;
    file->OnNewDisk = [](TObject*, int disk, std::string& p) { p = "C:\\VOL" + std::to_string(disk); };
    file->ArchiveNewDisk(archive, 4, path);
    EXPECT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(path, "C:\\VOL4");
}
