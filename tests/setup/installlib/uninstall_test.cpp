#include "installfile_fixture.h"

#include "platform/win/batch.h"
#include "platform/win/program.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/grabcall.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/uninstaller.h"
#include "setup/installlib/uninstallexe.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace installfiletest;

namespace {

const char* const kEntry = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Product";
const char* const kShared = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool contains(const std::vector<std::string>& list, const std::string& text)
{
    return std::any_of(
        list.begin(), list.end(), [&](const std::string& s) { return s.find(text) != std::string::npos; });
}

// Every file below the machine root, with its bytes, and the registry text.
std::map<std::string, std::string> snapshot(const std::filesystem::path& root)
{
    std::map<std::string, std::string> out;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file() && entry.path().filename() != "registry.lock")
            out[entry.path().string()] = tavix::testing::readFile(entry.path());
        else if (entry.is_directory())
            out[entry.path().string() + "/"] = "";
    return out;
}

class UninstallTest : public InstallFileTest {
protected:
    void SetUp() override
    {
        InstallFileTest::SetUp();
        writeStamped("C:\\SRC\\uninstall.exe", versioned("", "the uninstall program"), kNew);
        writeStamped("C:\\SRC\\APP.EXE", versioned("1.0.0.0", "the program"), kNew);
        writeStamped("C:\\SRC\\DATA.DB", "table rows", kNew);
        writeStamped("C:\\SRC\\SHARED.DLL", versioned("2.0.0.0", "shared code"), kNew);
    }

    TUninstallEXE* makeUninstaller()
    {
        auto* file = new TUninstallEXE(form.get());
        file->SetName("ifUninstallEXE");
        file->SetContainer(directory);
        file->SetIncludeFromDir(kSourceDir);
        file->SetFileName("uninstall.exe");
        file->SetDestDirType(nullptr);
        file->SetDestDir(kDestDir);
        file->SetArchiveFileType(nullptr);
        file->SetArchiveFile(kArchive);
        return file;
    }

    // Packs Files into a fresh archive (the first one starts it), then each
    // file through its ProcessContainer with the engine, as a run does.
    void packAndInstall(const std::vector<TCustomInstallFile*>& Files)
    {
        for (TCustomInstallFile* file : Files) {
            file->AddToArchive = file == Files.front() ? lzcOverwrite : lzcOnlyAdd;
            file->CompressFile();
        }
        for (TCustomInstallFile* file : Files) {
            file->ReadInfoFromArchive();
            file->ProcessContainer();
        }
    }

    // Installs the program, a table, a shared library counted once before by
    // another product, and the uninstall program, through each file's
    // ProcessContainer with an engine, as a run does.
    void installProduct(const std::string& product = "My Product")
    {
        makeEngine().Information.ProductName = product;
        RegistryWriteInteger(4, kShared, dest("SHARED.DLL"), 1);
        auto* app = makeFile("APP.EXE", "File1");
        auto* data = makeFile("DATA.DB", "File2");
        auto* shared = makeFile("SHARED.DLL", "File3");
        shared->UpdateDLLCounter = true;
        auto* uninstall = makeUninstaller();
        packAndInstall({ app, data, shared, uninstall });
    }
};

} // namespace

// --- the uninstall entry ---

// Catches a product name written with its blanks, a missing or doubled blank
// before the name in the command, or the uninstall program listing itself
// among the files to remove.
TEST_F(UninstallTest, InstallWritesTheEntryWithTheTrimmedName)
{
    installProduct("  My Product  ");
    // The key keeps the name as the engine gives it; its values do not.
    const std::string key = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\  My Product  ";
    EXPECT_EQ(RegistryReadString(4, key, "DisplayName", "?"), "My Product");
    EXPECT_EQ(RegistryReadString(4, key, "UninstallString", "?"), "\"" + dest("uninstall.exe") + "\" My Product");
    EXPECT_TRUE(machine->fileExists(dest("uninstall.exe")));
    EXPECT_EQ(RegistryReadString(4, key + "\\Files", "Entries", "?"), "3");
    for (int i = 1; i <= 3; ++i)
        EXPECT_FALSE(contains({ RegistryReadString(4, key + "\\Files", "File" + std::to_string(i), "") }, "uninstall"));
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("SHARED.DLL"), 0), 2);
}

// Catches a system library that was there without a counter being counted
// as this product's alone, so that uninstall deletes the system's copy.
TEST_F(UninstallTest, AnUncountedLibraryThatWasThereKeepsTheSystemsShare)
{
    const std::string system = "C:\\WINNT\\system32\\SYS.DLL";
    writeStamped(system, versioned("1.0.0.0", "the system's copy"), kOld);
    writeStamped("C:\\SRC\\SYS.DLL", versioned("2.0.0.0", "newer system code"), kNew);
    makeEngine().Information.ProductName = "My Product";
    auto* library = makeFile("SYS.DLL", "File1");
    library->SetFileType(iftSystemWideDLL);
    library->UpdateDLLCounter = true;
    library->OverwriteMode = owVersionDate;
    auto* uninstall = makeUninstaller();
    library->CompressFile();
    uninstall->AddToArchive = lzcOnlyAdd;
    uninstall->CompressFile();
    for (TCustomInstallFile* file : { static_cast<TCustomInstallFile*>(library), static_cast<TCustomInstallFile*>(uninstall) }) {
        file->ReadInfoFromArchive();
        file->ProcessContainer();
    }
    EXPECT_EQ(RegistryReadInteger(4, kShared, system, 0), 2);

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_TRUE(machine->fileExists(system));
    EXPECT_EQ(RegistryReadInteger(4, kShared, system, 0), 1);
    // A library that was not there before is this product's alone.
    EXPECT_FALSE(machine->fileExists(dest("uninstall.exe")));
}

// Catches an entry written without an engine to name the product.
TEST_F(UninstallTest, EntryNeedsAnEngine)
{
    auto* file = makeUninstaller();
    EXPECT_THROW(file->WriteUninstallInfo(kEntry), IEUninstallEXE);
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", "none"), "none");
}

// Catches a new uninstall program not picking up the library's copy, not
// travelling in the net archives, or a removed one being brought back.
TEST_F(UninstallTest, DesignTimeCreationAndRemoval)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\QUORLE"));
    ASSERT_TRUE(machine->writeFile("C:\\QUORLE\\uninstall.exe", "program"));
    SetLibraryDirectoryLookup([] { return std::string("C:\\QUORLE\\"); });
    makeEngine();
    form->SetDesigning(true);
    auto* file = new TUninstallEXE(form.get());
    EXPECT_TRUE(file->Net);
    EXPECT_EQ(file->IncludeFromDir(), "C:\\QUORLE");
    EXPECT_EQ(file->FileName(), "uninstall.exe");
    EXPECT_EQ(file->DestName(), "uninstall.exe");
    EXPECT_TRUE(engine->BuildInfo.AddUninstallOnCreate);
    delete file;
    EXPECT_FALSE(engine->BuildInfo.AddUninstallOnCreate);

    // A lookup that fails leaves the file empty rather than failing its creation.
    SetLibraryDirectoryLookup([]() -> std::string { throw IEUninstallEXE("no library"); });
    auto* bare = new TUninstallEXE(form.get());
    EXPECT_EQ(bare->FileName(), "");

    // Without a lookup of its own it takes the build machine's library.
    SetLibraryDirectoryLookup(nullptr);
    ASSERT_TRUE(machine->writeFile("C:\\QUORLE\\Q32V40.TXT", "marker"));
    RegistryWriteString(2, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, "C:\\Nowhere;C:\\QUORLE");
    auto* found = new TUninstallEXE(form.get());
    EXPECT_EQ(found->IncludeFromDir(), "C:\\QUORLE");
    EXPECT_EQ(found->FileName(), "uninstall.exe");
    form->SetDesigning(false);
}

// --- the uninstall program ---

// Catches files left behind, a shared library removed while another product
// still counts on it, or anything outside the entry's lists being touched.
TEST_F(UninstallTest, RemovesWhatTheEntryListsAndNothingElse)
{
    installProduct();
    writeStamped(dest("USER.TXT"), "the user's own notes", kNew);
    RegistryWriteString(4, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", "DisplayName", "Other");
    RegistryWriteInteger(4, kShared, "C:\\OTHER\\LIB.DLL", 3);

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_FALSE(machine->fileExists(dest("APP.EXE")));
    EXPECT_FALSE(machine->fileExists(dest("DATA.DB")));
    EXPECT_FALSE(machine->fileExists(dest("uninstall.exe")));
    EXPECT_TRUE(machine->fileExists(dest("SHARED.DLL")));
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("SHARED.DLL"), 0), 1);
    EXPECT_TRUE(contains(report.Kept, "SHARED.DLL"));
    EXPECT_EQ(read(dest("USER.TXT")), "the user's own notes");
    EXPECT_TRUE(machine->directoryExists(kDestDir));
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", "gone"), "gone");
    EXPECT_EQ(
        RegistryReadString(4, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other", "DisplayName", ""),
        "Other");
    EXPECT_EQ(RegistryReadInteger(4, kShared, "C:\\OTHER\\LIB.DLL", 0), 3);
    EXPECT_TRUE(report.Problems.empty()) << report.Problems.front();

    // The other product goes too: the library's counter is released and the
    // emptied folders go, up to but not including Program Files.
    ASSERT_TRUE(machine->deleteFile(dest("USER.TXT")));
    RegistryWriteString(4, kEntry, "DisplayName", "My Product");
    // Written the old way, without quotes: still this library's entry.
    RegistryWriteString(4, kEntry, "UninstallString", dest("uninstall.exe") + " My Product");
    RegistryWriteString(4, std::string(kEntry) + "\\Files", "File1", dest("SHARED.DLL"));
    RegistryWriteString(4, std::string(kEntry) + "\\SharedDLLs", "File1", dest("SHARED.DLL"));
    const TUninstallReport last = UninstallProduct("my product");
    EXPECT_FALSE(machine->fileExists(dest("SHARED.DLL")));
    EXPECT_EQ(RegistryReadString(4, kShared, dest("SHARED.DLL"), "gone"), "gone");
    EXPECT_FALSE(machine->directoryExists(kDestDir));
    EXPECT_TRUE(machine->directoryExists("C:\\Program Files"));
}

// Catches a read-only file reported as going at the restart, which then
// stays, the configuration template a stopped setup left beside the engine's
// configuration kept as the engine's, and the end listing engine files that
// are not on the machine or by other names than they have.
TEST_F(UninstallTest, ReadOnlyFilesAndALeftTemplateGoAndOnlyWhatIsThereIsKept)
{
    installProduct();
    ASSERT_TRUE(machine->setFileAttributes(dest("DATA.DB"), win::FILE_ATTRIBUTE_READONLY));
    RegistryWriteString(4, "\\SOFTWARE\\Borland\\Database Engine", "DLLPATH", "C:\\BDE");
    RegistryWriteString(4, "\\SOFTWARE\\Borland\\Database Engine", "CONFIGFILE01", "C:\\BDE\\IDAPI32.CFG");
    ASSERT_TRUE(machine->forceDirectories("C:\\BDE"));
    ASSERT_TRUE(machine->writeFile("C:\\BDE\\idapi32.cnf", "template"));
    ASSERT_TRUE(machine->writeFile("C:\\BDE\\IDAPI32.DLL", "engine"));
    const std::string files = std::string(kEntry) + "\\Files1";
    RegistryWriteString(4, files, "File1", "C:\\BDE\\IDAPI32.CNF");
    RegistryWriteString(4, files, "File2", "C:\\BDE\\idapi32.dll");
    RegistryWriteString(4, files, "File3", "C:\\BDE\\IDR20009.DLL"); // not there

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_FALSE(machine->fileExists(dest("DATA.DB")));
    EXPECT_TRUE(report.RemovedAtRestart.empty());
    EXPECT_FALSE(machine->fileExists("C:\\BDE\\idapi32.cnf"));
    EXPECT_TRUE(machine->fileExists("C:\\BDE\\IDAPI32.DLL"));
    std::vector<std::string> engine;
    std::copy_if(report.Kept.begin(), report.Kept.end(), std::back_inserter(engine),
        [](const std::string& line) { return line.starts_with("C:\\BDE"); });
    EXPECT_EQ(engine, std::vector<std::string> { "C:\\BDE\\IDAPI32.DLL: a file of the shared database engine" });
}

// Catches uninstall removing what the install did not write (a file the
// overwrite rule kept) or releasing a counter another product holds.
TEST_F(UninstallTest, LeavesWhatIsNotOurs)
{
    // The user's own newer copy, kept by the version rule but counted.
    writeStamped(dest("KEPT.DLL"), versioned("9.0.0.0", "the user's copy"), kNew);
    RegistryWriteInteger(4, kShared, dest("KEPT.DLL"), 1);
    writeStamped("C:\\SRC\\KEPT.DLL", versioned("2.0.0.0", "ours"), kNew);
    // Written by us, but counted only by another product.
    writeStamped("C:\\SRC\\OTHERS.DLL", versioned("2.0.0.0", "ours too"), kNew);
    RegistryWriteInteger(4, kShared, dest("OTHERS.DLL"), 2);
    makeEngine();
    auto* kept = makeFile("KEPT.DLL", "File1");
    kept->OverwriteMode = owVersion;
    kept->UpdateDLLCounter = true;
    auto* others = makeFile("OTHERS.DLL", "File2");
    auto* uninstall = makeUninstaller();
    packAndInstall({ kept, others, uninstall });
    ASSERT_FALSE(kept->WillCopy());
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("KEPT.DLL"), 0), 2);
    EXPECT_EQ(RegistryReadString(4, std::string(kEntry) + "\\Files", "Entries", ""), "1");
    EXPECT_EQ(RegistryReadString(4, std::string(kEntry) + "\\Files", "File1", ""), dest("OTHERS.DLL"));

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_TRUE(report.Problems.empty()) << report.Problems.front();
    EXPECT_EQ(read(dest("KEPT.DLL")), versioned("9.0.0.0", "the user's copy"));
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("KEPT.DLL"), 0), 1);
    EXPECT_EQ(read(dest("OTHERS.DLL")), read("C:\\SRC\\OTHERS.DLL"));
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("OTHERS.DLL"), 0), 2);
    EXPECT_TRUE(contains(report.Kept, "OTHERS.DLL"));
    EXPECT_FALSE(machine->fileExists(dest("uninstall.exe")));
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", "gone"), "gone");
}

// Catches a product installed twice (a repair run) releasing only one of
// the two counts it took, so that the shared library would never go.
TEST_F(UninstallTest, ReinstalledProductReleasesEveryCountItTook)
{
    installProduct();
    auto* shared = static_cast<TInstallFile*>(form->FindComponent("File3"));
    shared->ProcessContainer(); // the repair run: kept, counted again
    ASSERT_EQ(RegistryReadInteger(4, kShared, dest("SHARED.DLL"), 0), 3);
    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_TRUE(report.Problems.empty()) << report.Problems.front();
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("SHARED.DLL"), 0), 1); // the other product's count
    EXPECT_TRUE(machine->fileExists(dest("SHARED.DLL")));
}

// Catches a partial uninstall reported as done, or one that drops the
// entry so that a second run cannot finish the job.
TEST_F(UninstallTest, WhatCouldNotBeRemovedStaysListedForASecondRun)
{
    machine->setWindowsKind(win::WindowsKind::Win95); // no removal at the restart
    installProduct();
    machine->setInUse(dest("DATA.DB"), true);
    const std::string out = (dir.path() / "out.txt").string();
    const std::string command = std::string(TAVIX_UNINSTALL_PROGRAM) + " --winroot '" + machine->root().string()
        + "' My Product > '" + out + "' 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0);
    const std::string first = tavix::testing::readFile(out);
    EXPECT_EQ(first.find("My Product was removed."), std::string::npos) << first;
    EXPECT_NE(first.find("My Product was not completely removed"), std::string::npos) << first;
    EXPECT_FALSE(machine->fileExists(dest("APP.EXE")));
    EXPECT_TRUE(machine->fileExists(dest("DATA.DB")));
    EXPECT_TRUE(machine->fileExists(dest("uninstall.exe")));
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", ""), "My Product");
    EXPECT_EQ(RegistryReadString(4, std::string(kEntry) + "\\Files", "Entries", ""), "1");
    EXPECT_EQ(RegistryReadString(4, std::string(kEntry) + "\\Files", "File1", ""), dest("DATA.DB"));
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("SHARED.DLL"), 0), 1);

    machine->setInUse(dest("DATA.DB"), false);
    EXPECT_EQ(std::system(command.c_str()), 0) << tavix::testing::readFile(out);
    EXPECT_NE(tavix::testing::readFile(out).find("My Product was removed."), std::string::npos);
    EXPECT_FALSE(machine->fileExists(dest("DATA.DB")));
    EXPECT_FALSE(machine->fileExists(dest("uninstall.exe")));
    EXPECT_EQ(RegistryReadInteger(4, kShared, dest("SHARED.DLL"), 0), 1); // released once only
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", "gone"), "gone");
}

// Catches a name given with blanks around it (as the engine may hold it)
// not finding the key the install wrote.
TEST_F(UninstallTest, FindsAnEntryWrittenWithBlanksByItsTrimmedName)
{
    installProduct("  My Product  ");
    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_FALSE(machine->fileExists(dest("APP.EXE")));
    EXPECT_EQ(RegistryReadString(4, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\  My Product  ",
                  "DisplayName", "gone"),
        "gone");
}

// Catches a missing, foreign or damaged entry deleting anything at all.
TEST_F(UninstallTest, RefusesEntriesThatAreNotItsOwn)
{
    installProduct();
    const std::string uninstallList = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    // Another installer's entry under the same name: no file lists, its own command.
    RegistryWriteString(4, uninstallList + "Foreign", "DisplayName", "Foreign");
    RegistryWriteString(4, uninstallList + "Foreign", "UninstallString", "MsiExec.exe /X{1234}");
    RegistryWriteString(4, uninstallList + "Listless", "DisplayName", "Listless");
    RegistryWriteString(4, uninstallList + "Listless", "UninstallString", dest("APP.EXE") + " Listless");
    RegistryWriteString(4, uninstallList + "Renamed", "DisplayName", "Something else");
    RegistryWriteString(4, uninstallList + "Renamed", "UninstallString", dest("uninstall.exe") + " Renamed");
    RegistryWriteString(4, uninstallList + "Renamed\\Files", "File1", dest("APP.EXE"));
    RegistryWriteString(4, uninstallList + "Relative", "DisplayName", "Relative");
    RegistryWriteString(4, uninstallList + "Relative", "UninstallString", "uninstall.exe Relative");
    RegistryWriteString(4, uninstallList + "Relative\\Files", "File1", dest("APP.EXE"));

    const auto before = snapshot(machine->root());
    for (const char* name : { "Missing", "Foreign", "Listless", "Renamed", "Relative", "My Product\\Files", "", "  " })
        EXPECT_THROW(UninstallProduct(name), EUninstall) << name;
    EXPECT_EQ(snapshot(machine->root()), before);
}

// Catches list entries that point outside the install (relative paths,
// "..", wildcards, folders) being deleted, a damaged list hiding the files
// of the lists after it, or a counter going below zero.
TEST_F(UninstallTest, DamagedListsRemoveOnlyPlainFilePaths)
{
    installProduct();
    const std::string files = std::string(kEntry) + "\\Files";
    RegistryWriteString(4, files, "Entries", "garbage");
    RegistryWriteString(4, files, "File4", "..\\..\\WINNT\\WIN.INI");
    RegistryWriteString(4, files, "File5", dest("..\\..\\KEEP.TXT"));
    RegistryWriteString(4, files, "File6", "C:\\*.*");
    RegistryWriteString(4, files, "File7", "C:\\Program Files");
    RegistryWriteString(4, files + "1", "Entries", "1");
    writeStamped(dest("LATER.TXT"), "later", kNew);
    RegistryWriteString(4, files + "1", "File1", dest("LATER.TXT"));
    // A counter already at zero, and one that holds no number.
    writeStamped(dest("ZERO.DLL"), "zero", kNew);
    RegistryWriteString(4, files + "1", "File2", dest("ZERO.DLL"));
    RegistryWriteInteger(4, kShared, dest("ZERO.DLL"), 0);
    writeStamped(dest("ODD.DLL"), "odd", kNew);
    RegistryWriteString(4, files + "1", "File3", dest("ODD.DLL"));
    RegistryWriteString(4, kShared, dest("ODD.DLL"), "many");
    // A file of the Windows folder without a counter stays.
    writeStamped(machine->systemDirectory() + "\\SYS.DLL", "system", kNew);
    RegistryWriteString(4, files + "1", "File4", machine->systemDirectory() + "\\SYS.DLL");
    writeStamped("C:\\KEEP.TXT", "keep", kNew);
    // So does a file in the root of a drive, which no install puts there.
    RegistryWriteString(4, files + "1", "File5", "C:\\KEEP.TXT");

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_FALSE(machine->fileExists(dest("APP.EXE")));
    EXPECT_FALSE(machine->fileExists(dest("LATER.TXT")));
    EXPECT_FALSE(machine->fileExists(dest("ZERO.DLL")));
    EXPECT_EQ(RegistryReadString(4, kShared, dest("ZERO.DLL"), "gone"), "gone");
    EXPECT_TRUE(machine->fileExists(dest("ODD.DLL")));
    EXPECT_EQ(RegistryReadString(4, kShared, dest("ODD.DLL"), ""), "many");
    EXPECT_TRUE(machine->fileExists(machine->systemDirectory() + "\\SYS.DLL"));
    EXPECT_TRUE(machine->fileExists(machine->windowsDirectory() + "\\WIN.INI"));
    EXPECT_TRUE(machine->fileExists("C:\\KEEP.TXT"));
    EXPECT_TRUE(machine->directoryExists("C:\\Program Files"));
    EXPECT_EQ(report.Problems.size(), 4u);
    EXPECT_TRUE(contains(report.Problems, "File7"));
    EXPECT_TRUE(contains(report.Kept, "ODD.DLL"));
    EXPECT_TRUE(contains(report.Kept, "SYS.DLL"));
    EXPECT_TRUE(contains(report.Kept, "C:\\KEEP.TXT"));
}

// Catches a file in use failing the uninstall or staying for good, and a
// self-registered program left registered.
TEST_F(UninstallTest, FilesInUseGoAtTheRestartAndServersUnregister)
{
    installProduct();
    RegistryWriteString(4, std::string(kEntry) + "\\ActiveX", "Entries", "1");
    writeStamped(dest("SERVER.EXE"), "server", kNew);
    RegistryWriteString(4, std::string(kEntry) + "\\ActiveX", "File1", dest("SERVER.EXE") + ";1");
    machine->setInUse(dest("APP.EXE"), true);

    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_EQ(report.RemovedAtRestart, std::vector<std::string> { dest("APP.EXE") });
    EXPECT_TRUE(machine->fileExists(dest("APP.EXE")));
    EXPECT_FALSE(machine->fileExists(dest("SERVER.EXE")));
    EXPECT_TRUE(contains(machine->executedCommands(), "/UNREGSERVER"));
    machine->restart();
    EXPECT_FALSE(machine->fileExists(dest("APP.EXE")));
}

// Catches an uninstall that can never finish on the 95 family, where
// nothing is deleted at the restart by MoveFileEx: the uninstall program
// runs from the file it has to remove.
TEST_F(UninstallTest, TheRunningUninstallProgramGoesAtTheRestartOnWindows95)
{
    machine->setWindowsKind(win::WindowsKind::Win95);
    installProduct();
    ASSERT_TRUE(machine->writeFile(dest("uninstall.exe"), win::programFileBytes(TAVIX_UNINSTALL_PROGRAM)));
    EXPECT_EQ(win::runProgramFile(*machine, dest("uninstall.exe"), { "My Product" }, kDestDir), 0);
    EXPECT_FALSE(machine->registry().keyExists(win::RootKey::LocalMachine, kEntry));
    EXPECT_TRUE(machine->fileExists(dest("uninstall.exe")));
    win::installBatchRunner(*machine);
    machine->restart();
    EXPECT_FALSE(machine->fileExists(dest("uninstall.exe")));
    EXPECT_TRUE(machine->findFiles("C:\\TEMP\\*").empty());
}

namespace {

enum class AfterInstall { Nothing, ChangeData, ChangeDataAndReinstall, ChangeOldEntrysDataAndReinstall, AppInUse };

struct OwnRow {
    const char* name;
    const char* folder; // where the product goes
    bool folderParentThere; // an empty folder above it was there before
    AfterInstall after;
    std::vector<std::string> stay, gone; // after the uninstall and a restart
};

class UninstallOwnTest : public UninstallTest, public ::testing::WithParamInterface<OwnRow> { };

std::string inDest(const char* name)
{
    return std::string(kDestDir) + "\\" + name;
}

} // namespace

// Catches uninstall deleting a file the user changed since (also when a
// later setup kept it), an empty folder that was there before the install,
// or a folder the install made that empties only at the restart.
TEST_P(UninstallOwnTest, TakesOnlyWhatTheInstallWroteAndMade)
{
    const OwnRow& row = GetParam();
    if (row.folderParentThere) {
        ASSERT_TRUE(machine->forceDirectories("C:\\Tools"));
    }
    makeEngine();
    auto* app = makeFile("APP.EXE", "File1");
    auto* data = makeFile("DATA.DB", "File2");
    data->OverwriteMode = owNever;
    auto* uninstall = makeUninstaller();
    for (TCustomInstallFile* file : std::initializer_list<TCustomInstallFile*> { app, data, uninstall })
        file->SetDestDir(row.folder);
    packAndInstall({ app, data, uninstall });
    const std::string at = std::string(row.folder) + "\\";
    if (row.after == AfterInstall::ChangeOldEntrysDataAndReinstall)
        RegistryDeleteKeyTree(4, std::string(kEntry) + "\\FileStamps");
    if (row.after != AfterInstall::Nothing && row.after != AfterInstall::AppInUse) {
        ASSERT_TRUE(machine->writeFile(at + "DATA.DB", "the user's rows"));
    }
    if (row.after == AfterInstall::ChangeDataAndReinstall || row.after == AfterInstall::ChangeOldEntrysDataAndReinstall)
        for (TCustomInstallFile* file : std::initializer_list<TCustomInstallFile*> { app, data, uninstall })
            file->ProcessContainer();
    if (row.after == AfterInstall::AppInUse)
        machine->setInUse(at + "APP.EXE", true);

    UninstallProduct("My Product");
    machine->restart();
    for (const std::string& path : row.stay)
        EXPECT_TRUE(machine->fileExists(path) || machine->directoryExists(path)) << path;
    for (const std::string& path : row.gone)
        EXPECT_FALSE(machine->fileExists(path) || machine->directoryExists(path)) << path;
    if (machine->fileExists(at + "DATA.DB")) {
        EXPECT_EQ(read(at + "DATA.DB"), "the user's rows");
    }
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", "gone"), "gone");
}

INSTANTIATE_TEST_SUITE_P(Rows, UninstallOwnTest,
    ::testing::Values(OwnRow { "Changed", kDestDir, false, AfterInstall::ChangeData, { inDest("DATA.DB") },
                          { inDest("APP.EXE"), inDest("uninstall.exe") } },
        OwnRow { "ChangedAndKeptByAReinstall", kDestDir, false, AfterInstall::ChangeDataAndReinstall,
            { inDest("DATA.DB") }, { inDest("APP.EXE") } },
        OwnRow { "EntryWithoutStampsChangedAndKeptByAReinstall", kDestDir, false,
            AfterInstall::ChangeOldEntrysDataAndReinstall, { inDest("DATA.DB") }, { inDest("APP.EXE") } },
        OwnRow { "EmptyFolderThatWasThere", "C:\\Tools\\My App", true, AfterInstall::Nothing, { "C:\\Tools" },
            { "C:\\Tools\\My App" } },
        OwnRow {
            "FolderEmptiedAtTheRestart", "C:\\Tools\\My App", false, AfterInstall::AppInUse, {}, { "C:\\Tools" } }),
    [](const ::testing::TestParamInfo<OwnRow>& info) { return std::string(info.param.name); });

// --- the hook object ---

// Catches a hook that misses or reorders its container's broadcasts, hears
// another container's, or is installed by the walk like a file.
TEST_F(UninstallTest, HookHearsEveryBroadcastOfItsContainerInOrder)
{
    makeEngine();
    auto* app = makeFile("APP.EXE", "File1");
    pack({ app });
    auto* hook = new TGrabCall(form.get());
    hook->SetContainer(directory);
    EXPECT_EQ(hook->RegisteredType(), tcNeverInstalled);
    std::vector<int> codes;
    std::vector<TInstallContainer*> senders;
    hook->OnCall = [&](TInstallContainer* Container, int Code, TObject*) {
        codes.push_back(Code);
        senders.push_back(Container);
    };
    directory->ProcessContainer();
    // Progress comes once per archive block; one is enough here.
    codes.erase(std::unique(codes.begin(), codes.end(), [](int a, int b) { return a == b && a == icFileProgress; }),
        codes.end());
    EXPECT_EQ(codes,
        (std::vector<int> { icProcessBegins, icIncluded, icContainerInstallStarts, icReplacing, icFileProgress,
            icWorkFinished, icProcessEnded }));
    EXPECT_TRUE(std::all_of(senders.begin(), senders.end(), [&](auto* c) { return c == directory; }));
    EXPECT_FALSE(hook->Installed());

    codes.clear();
    engine->Broadcast(icRunBegins, nullptr);
    EXPECT_TRUE(codes.empty());
    hook->SetContainer(engine);
    TMessageParameter text;
    engine->Broadcast(icRunBegins, nullptr);
    engine->Broadcast(icPushStatusText, &text);
    EXPECT_EQ(codes, (std::vector<int> { icRunBegins, icPushStatusText }));
    hook->OnCall = nullptr;
    EXPECT_NO_THROW(engine->Broadcast(icRunSecond, nullptr));
}

// Catches the program not taking the unquoted product name of the entry's
// command as one name, or not working on the machine root it is given.
TEST_F(UninstallTest, ProgramRunsFromTheEntrysCommand)
{
    installProduct();
    const std::string command = std::string(TAVIX_UNINSTALL_PROGRAM) + " --winroot '" + machine->root().string()
        + "' My Product > '" + (dir.path() / "out.txt").string() + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << tavix::testing::readFile(dir.path() / "out.txt");
    EXPECT_FALSE(machine->fileExists(dest("APP.EXE")));
    EXPECT_TRUE(machine->fileExists(dest("SHARED.DLL")));
    EXPECT_EQ(RegistryReadString(4, kEntry, "DisplayName", "gone"), "gone");
    EXPECT_NE(tavix::testing::readFile(dir.path() / "out.txt").find("My Product was removed."), std::string::npos);
    // A second run finds no entry and says so.
    EXPECT_NE(std::system(command.c_str()), 0);
}
