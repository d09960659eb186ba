#include "installfile_fixture.h"

#include "platform/win/file.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/typecodes.h"

#include <cstdlib>

using namespace installfiletest;

namespace {

const char* const kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char* const kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const kUninstall = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\My Product";

std::string newBytes()
{
    return std::string(3000, 'N') + "new library";
}

std::string oldBytes()
{
    return std::string(2000, 'O') + "old library";
}

// Bytes that do not compress, so the archive member is as long as the file.
std::string noise(size_t size)
{
    std::string out(size, '\0');
    std::uint32_t x = 12345;
    for (auto& c : out) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    return out;
}

} // namespace

// --- overwrite rules ---

struct OverwriteCase {
    const char* target; // "older", "newer", "equal", "unversioned"
    TOverwriteType mode;
    bool replaced;
};

class OverwriteRules : public InstallFileTest, public ::testing::WithParamInterface<OverwriteCase> { };

// Catches a mode that replaces a newer file, keeps an older one, or treats a
// file without version information as newer than a versioned one.
TEST_P(OverwriteRules, DecidesAgainstTheExistingFile)
{
    const OverwriteCase c = GetParam();
    const std::string source = versioned("2.0.0.0", newBytes());
    writeStamped("C:\\SRC\\APP.DLL", source, kNew);
    auto* file = makeFile("APP.DLL", "File1");
    file->OverwriteMode = c.mode;
    pack({ file });
    EXPECT_EQ(file->Version(), "2.0.0.0");

    std::string existing;
    rtl::TDateTime date = kNew;
    if (std::string(c.target) == "older") {
        existing = versioned("1.0.0.0", oldBytes());
        date = kOld;
    } else if (std::string(c.target) == "newer") {
        existing = versioned("3.0.0.0", oldBytes());
        date = kNewer;
    } else if (std::string(c.target) == "equal") {
        existing = versioned("2.0.0.0", oldBytes());
    } else {
        existing = oldBytes(); // no version resource, a later date
        date = kNewer;
    }
    writeStamped(dest("APP.DLL"), existing, date);

    std::vector<std::string> codes;
    directory->OnStatus = nullptr;
    file->OnAfterInstall = [&](TObject*) { codes.push_back("after install"); };
    file->ProcessContainer();
    EXPECT_EQ(read(dest("APP.DLL")), c.replaced ? source : existing) << c.target << " mode " << int(c.mode);
    EXPECT_TRUE(file->DestinationExisted());
    EXPECT_EQ(codes, std::vector<std::string> { "after install" });
    EXPECT_FALSE(file->InUse());
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(machine->findFiles(dest("*")).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(AllModes, OverwriteRules,
    ::testing::Values(OverwriteCase { "older", owAlways, true }, OverwriteCase { "newer", owAlways, true },
        OverwriteCase { "equal", owAlways, true }, OverwriteCase { "unversioned", owAlways, true },
        OverwriteCase { "older", owNever, false }, OverwriteCase { "newer", owNever, false },
        OverwriteCase { "equal", owNever, false }, OverwriteCase { "unversioned", owNever, false },
        OverwriteCase { "older", owVersion, true }, OverwriteCase { "newer", owVersion, false },
        OverwriteCase { "equal", owVersion, false }, OverwriteCase { "unversioned", owVersion, true },
        OverwriteCase { "older", owDate, true }, OverwriteCase { "newer", owDate, false },
        OverwriteCase { "equal", owDate, false }, OverwriteCase { "unversioned", owDate, false },
        OverwriteCase { "older", owVersionDate, true }, OverwriteCase { "newer", owVersionDate, false },
        OverwriteCase { "equal", owVersionDate, false }, OverwriteCase { "unversioned", owVersionDate, true }));

// Catches a missing file not being installed, or a kept file skipping the
// steps that follow an install (codes 1016 and 1001, help key, counter).
TEST_F(InstallFileTest, NewAndKeptFilesBothRunTheAfterInstallSteps)
{
    writeStamped("C:\\SRC\\APP.DLL", versioned("2.0.0.0", newBytes()), kNew);
    auto* file = makeFile("APP.DLL", "File1");
    file->OverwriteMode = owVersion;
    file->RegisterAsHelp = true;
    file->UpdateDLLCounter = true;
    pack({ file });

    std::vector<int> codes;
    directory->OnReplacing = [&](TInstallObject*) { codes.push_back(icFileInUse); };
    directory->OnStatus = [&](TInstallObject*, int, int) {};
    directory->BeginWork(bsInstalling, 100000);
    directory->Codes.clear();
    file->ProcessContainer();
    EXPECT_FALSE(file->DestinationExisted());
    EXPECT_EQ(read(dest("APP.DLL")), read("C:\\SRC\\APP.DLL"));
    EXPECT_EQ(codes, std::vector<int> { icFileInUse });
    EXPECT_EQ(directory->Codes, (std::vector<int> { icFileInstallBegins, icFileInUse, icFileInstalled }));

    codes.clear();
    directory->Codes.clear();
    file->ProcessContainer(); // the same version now stands there: kept
    EXPECT_EQ(directory->Codes, (std::vector<int> { icFileInstallBegins, icFileKept, icFileInstalled }));
    EXPECT_TRUE(file->DestinationExisted());
    EXPECT_FALSE(file->WillCopy());
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(RegistryReadString(4, "\\SOFTWARE\\Microsoft\\Windows\\Help", "APP.DLL", ""), kDestDir);
    EXPECT_EQ(
        RegistryReadInteger(4, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", dest("APP.DLL"), 0), 2);
}

// Catches a file installed after its before-install handler asked to skip it.
TEST_F(InstallFileTest, AbortBeforeInstallEndsOnlyThisFile)
{
    writeStamped("C:\\SRC\\APP.DLL", "new", kNew);
    auto* file = makeFile("APP.DLL", "File1");
    pack({ file });
    file->OnBeforeInstall = [](TObject*) { throw EAbort(); };
    directory->Codes.clear();
    EXPECT_NO_THROW(file->ProcessContainer());
    EXPECT_FALSE(machine->fileExists(dest("APP.DLL")));
    EXPECT_EQ(directory->Codes, (std::vector<int> { icFileInstallBegins, icFileInstallAborted }));
}

// Catches a damaged archive member destroying the user's file or leaving a
// half-written one behind.
TEST_F(InstallFileTest, CorruptMemberLeavesTheOldFileByteIdentical)
{
    writeStamped("C:\\SRC\\APP.DLL", versioned("2.0.0.0", noise(200000)), kNew);
    auto* file = makeFile("APP.DLL", "File1");
    pack({ file });
    std::string archive = read(kArchive);
    for (size_t i = archive.size() / 2; i < archive.size() / 2 + 64; ++i)
        archive[i] = char(archive[i] ^ 0x5A);
    ASSERT_TRUE(machine->writeFile(kArchive, archive));

    const std::string existing = versioned("1.0.0.0", oldBytes());
    writeStamped(dest("APP.DLL"), existing, kOld);
    EXPECT_THROW(file->ProcessContainer(), std::exception);
    EXPECT_TRUE(read(dest("APP.DLL")) == existing); // byte for byte
    EXPECT_EQ(machine->findFiles(dest("*")).size(), 1u);
    EXPECT_EQ(file->State(), ifsNone);
}

// Catches a Cancel that does not stop an extraction through a private
// archive component, or a stopped one that damages the old file.
TEST_F(InstallFileTest, CancelDuringExtractionKeepsTheOldFile)
{
    writeStamped("C:\\SRC\\APP.DLL", versioned("2.0.0.0", noise(2000000)), kNew);
    auto* file = makeFile("APP.DLL", "File1");
    pack({ file });
    const std::string existing = oldBytes();
    writeStamped(dest("APP.DLL"), existing, kOld);
    int reports = 0;
    file->OnStatus = [&](TObject*, int, int) {
        ++reports;
        SharedArchive().Abort = true; // what the copy form's Cancel does
    };
    EXPECT_THROW(file->ProcessContainer(), EAIUserAbort);
    EXPECT_LE(reports, 2);
    EXPECT_TRUE(read(dest("APP.DLL")) == existing); // byte for byte
    EXPECT_EQ(machine->findFiles(dest("*")).size(), 1u);
    EXPECT_EQ(file->State(), ifsNone);
}

// Catches a Cancel lost between small files: the copy form hears it while
// the archive writes the last block of a member, after its last check, and
// the next member used to start with the flag cleared.
TEST_F(InstallFileTest, CancelBetweenSmallFilesStopsAtTheNextFile)
{
    std::vector<TInstallFile*> files;
    for (const char* name : { "A.TXT", "B.TXT", "C.TXT" }) {
        writeStamped(std::string(kSourceDir) + "\\" + name, std::string("small ") + name, kNew);
        files.push_back(makeFile(name, std::string("File") + name[0]));
    }
    pack(files);
    messages.onProcessMessages([] {
        SharedArchive().Abort = true; // what the copy form's Cancel does
        SetNetUserAbort(true);
    });
    EXPECT_THROW(directory->ProcessContainer(), EAIUserAbort);
    SetNetUserAbort(false);
    EXPECT_EQ(machine->findFiles(dest("*")).size(), 1u);
}

// Catches a read-only file (as copied from a CD) that stops a reinstall with
// "Access is denied", or is taken for one in use (a restart that cannot
// help): it is replaced, and the new copy's attribute stays.
TEST_F(InstallFileTest, ReadOnlyDestinationIsReplacedNotTakenForAFileInUse)
{
    makeEngine();
    const std::string source = versioned("2.0.0.0", newBytes());
    writeStamped("C:\\SRC\\APP.DLL", source, kNew);
    auto* file = makeFile("APP.DLL", "File1");
    pack({ file });
    writeStamped(dest("APP.DLL"), oldBytes(), kOld);
    ASSERT_TRUE(machine->setFileAttributes(dest("APP.DLL"), win::FILE_ATTRIBUTE_READONLY));
    file->ProcessContainer();
    EXPECT_TRUE(read(dest("APP.DLL")) == source);
    EXPECT_EQ(machine->fileAttributes(dest("APP.DLL")) & win::FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_FALSE(file->InUse());
    EXPECT_FALSE(engine->Reboot);
    EXPECT_TRUE(engine->Unfinished.empty());
}

// --- files in use ---

class InUseTest : public InstallFileTest, public ::testing::WithParamInterface<win::WindowsKind> {
protected:
    void SetUp() override
    {
        InstallFileTest::SetUp();
        machine->setWindowsKind(GetParam());
        makeEngine();
        source = versioned("2.0.0.0", newBytes());
        writeStamped("C:\\SRC\\APP.DLL", source, kNew);
        file = makeFile("APP.DLL", "File1");
        file->UpdateDLLCounter = true;
        file->RegisterAsHelp = true;
        pack({ file });
        existing = versioned("1.0.0.0", oldBytes());
        writeStamped(dest("APP.DLL"), existing, kOld);
        ASSERT_TRUE(machine->writeFile(dest("APP.1"), "someone else's file"));
        machine->setInUse(dest("APP.DLL"), true);
    }

    std::vector<std::string> pendingMoves()
    {
        win::RegKey key;
        win::RegValue value;
        if (machine->registry().openKey(win::RootKey::LocalMachine, kSessionManager, false, key) != win::ERROR_SUCCESS
            || machine->registry().queryValue(key, "PendingFileRenameOperations", value) != win::ERROR_SUCCESS)
            return {};
        return value.strings();
    }

    std::string source, existing;
    TInstallFile* file = nullptr;
};

// Catches an in-use file lost or never replaced, the temporary name taking
// the place of the real one in the registry, or a replacement that fails
// because the old file is still there at the restart.
TEST_P(InUseTest, ReplacedAtTheRestart)
{
    file->ProcessContainer();
    EXPECT_TRUE(file->InUse());
    EXPECT_TRUE(engine->Reboot);
    EXPECT_TRUE(read(dest("APP.DLL")) == existing); // byte for byte
    EXPECT_EQ(read(dest("APP.2")), source); // APP.1 was taken
    EXPECT_EQ(read(dest("APP.1")), "someone else's file");
    EXPECT_EQ(file->DestName(), "APP.DLL");
    EXPECT_EQ(file->InstalledFilePath(), dest("APP.DLL"));
    EXPECT_EQ(RegistryReadString(4, "\\SOFTWARE\\Microsoft\\Windows\\Help", "APP.DLL", ""), kDestDir);
    EXPECT_EQ(
        RegistryReadInteger(4, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", dest("APP.DLL"), 0), 1);
    EXPECT_EQ(RegistryReadString(4, std::string(kUninstall) + "\\Files", "File1", ""), dest("APP.DLL"));

    switch (GetParam()) {
    case win::WindowsKind::Win95:
        EXPECT_EQ(machine->getPrivateProfileString("Rename", dest("APP.DLL"), "", 400, "WININIT.INI"), dest("APP.2"));
        EXPECT_EQ(engine->Unfinished, std::vector<std::string> { "File1;0" });
        break;
    case win::WindowsKind::NT4:
    case win::WindowsKind::NT35:
        EXPECT_EQ(pendingMoves(), (std::vector<std::string> { "\\??\\" + dest("APP.2"), "!\\??\\" + dest("APP.DLL") }));
        EXPECT_EQ(engine->Unfinished, std::vector<std::string> { "File1;0" });
        break;
    case win::WindowsKind::Win32s: {
        ASSERT_EQ(engine->Unfinished.size(), 2u);
        const std::string batch = engine->Unfinished[0].substr(0, engine->Unfinished[0].size() - 2);
        EXPECT_EQ(engine->Unfinished[0], batch + ";1");
        EXPECT_EQ(engine->Unfinished[1], "File1;0");
        EXPECT_TRUE(batch.ends_with(".bat"));
        EXPECT_EQ(machine->registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleBatFile", ""), batch);
        break;
    }
    }

    machine->restart();
    EXPECT_EQ(read(dest("APP.DLL")), source);
    EXPECT_FALSE(machine->fileExists(dest("APP.2")));
    EXPECT_EQ(read(dest("APP.1")), "someone else's file");
    for (const auto& run : batchRuns)
        EXPECT_TRUE(run.ok());
}

// Catches a restart rename registered before the new copy was complete: a
// damaged member or a Cancel would leave a rename that deletes the old file
// at the restart with nothing to put in its place.
TEST_P(InUseTest, FailedExtractionRegistersNoRename)
{
    for (const bool cancel : { false, true }) {
        SCOPED_TRACE(cancel ? "cancel" : "damaged member");
        writeStamped("C:\\SRC\\APP.DLL", versioned("2.0.0.0", noise(cancel ? 2000000 : 200000)), kNew);
        pack({ file });
        file->OnStatus = nullptr;
        if (cancel) {
            file->OnStatus = [](TObject*, int, int) { SharedArchive().Abort = true; };
        } else {
            std::string archive = read(kArchive);
            for (size_t i = archive.size() / 2; i < archive.size() / 2 + 64; ++i)
                archive[i] = char(archive[i] ^ 0x5A);
            ASSERT_TRUE(machine->writeFile(kArchive, archive));
        }
        EXPECT_THROW(file->ProcessContainer(), std::exception);
        SharedArchive().Abort = false;
        EXPECT_FALSE(engine->Reboot);
        EXPECT_TRUE(engine->Unfinished.empty());
        EXPECT_TRUE(machine->profileKeyNames("Rename", "WININIT.INI").empty());
        EXPECT_TRUE(pendingMoves().empty());
        EXPECT_EQ(machine->registry().readString(win::RootKey::LocalMachine, kRunOnce, "QuorleBatFile", "none"), "none");
        EXPECT_FALSE(machine->fileExists(dest("APP.2")));

        machine->restart();
        EXPECT_TRUE(read(dest("APP.DLL")) == existing); // byte for byte
        EXPECT_EQ(read(dest("APP.1")), "someone else's file");
        machine->setInUse(dest("APP.DLL"), true);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWindowsKind, InUseTest,
    ::testing::Values(win::WindowsKind::Win95, win::WindowsKind::NT4, win::WindowsKind::NT35, win::WindowsKind::Win32s),
    [](const auto& info) {
        switch (info.param) {
        case win::WindowsKind::Win95:
            return std::string("Win95");
        case win::WindowsKind::NT4:
            return std::string("NT4");
        case win::WindowsKind::NT35:
            return std::string("NT35");
        case win::WindowsKind::Win32s:
            return std::string("Win32s");
        }
        return std::string("other");
    });

// Catches two files in use on one system sharing one batch value, so that
// only the last one would be replaced.
TEST_F(InstallFileTest, TwoFilesInUseWithoutDelayedMovesGetOneBatchEach)
{
    machine->setWindowsKind(win::WindowsKind::Win32s);
    makeEngine();
    writeStamped("C:\\SRC\\A.DLL", versioned("2.0.0.0", "a-new"), kNew);
    writeStamped("C:\\SRC\\B.DLL", versioned("2.0.0.0", "b-new"), kNew);
    auto* a = makeFile("A.DLL", "FileA");
    auto* b = makeFile("B.DLL", "FileB");
    pack({ a, b });
    writeStamped(dest("A.DLL"), "a-old", kOld);
    writeStamped(dest("B.DLL"), "b-old", kOld);
    machine->setInUse(dest("A.DLL"), true);
    machine->setInUse(dest("B.DLL"), true);
    a->ProcessContainer();
    b->ProcessContainer();
    machine->restart();
    EXPECT_EQ(read(dest("A.DLL")), read("C:\\SRC\\A.DLL"));
    EXPECT_EQ(read(dest("B.DLL")), read("C:\\SRC\\B.DLL"));
}

// Catches a file in use left under its temporary name for good when no
// engine is there to keep the Unfinished list.
TEST_F(InstallFileTest, InUseWithoutAnEngineStillMovesAtTheRestart)
{
    machine->setWindowsKind(win::WindowsKind::Win32s);
    writeStamped("C:\\SRC\\A.DLL", versioned("2.0.0.0", "a-new"), kNew);
    auto* a = makeFile("A.DLL", "FileA");
    pack({ a });
    writeStamped(dest("A.DLL"), "a-old", kOld);
    machine->setInUse(dest("A.DLL"), true);
    a->ProcessContainer();
    EXPECT_EQ(read(dest("A.1")), read("C:\\SRC\\A.DLL"));
    machine->restart();
    EXPECT_EQ(read(dest("A.DLL")), read("C:\\SRC\\A.DLL"));
    EXPECT_FALSE(machine->fileExists(dest("A.1")));
}

// --- shared-library counters ---

// Catches a counter that does not start at 1 or that overwrites an existing count.
TEST_F(InstallFileTest, SharedLibraryCounterCountsUp)
{
    writeStamped("C:\\SRC\\APP.DLL", versioned("2.0.0.0", newBytes()), kNew);
    auto* file = makeFile("APP.DLL", "File1");
    const std::string key = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    file->IncrementSharedDLLCount();
    EXPECT_EQ(RegistryReadInteger(4, key, dest("APP.DLL"), 0), 1);
    file->IncrementSharedDLLCount();
    EXPECT_EQ(RegistryReadInteger(4, key, dest("APP.DLL"), 0), 2);

    writeStamped(dest("APP.DLL"), "there", kOld);
    RegistryWriteInteger(4, key, dest("APP.DLL"), 7);
    file->IncrementSharedDLLCount();
    EXPECT_EQ(RegistryReadInteger(4, key, dest("APP.DLL"), 0), 8);
    // A value that is not a number restarts the count rather than failing the install.
    RegistryWriteString(4, key, dest("APP.DLL"), "many");
    file->IncrementSharedDLLCount();
    EXPECT_EQ(RegistryReadInteger(4, key, dest("APP.DLL"), 0), 1);
}

// --- self-registration ---

class SelfRegistrationTest : public InstallFileTest {
protected:
    void SetUp() override
    {
        InstallFileTest::SetUp();
        log = dir.path() / "selfreg.log";
        setenv("TAVIX_SELFREG_LOG", log.c_str(), 1);
        unsetenv("TAVIX_SELFREG_RESULT");
    }
    void TearDown() override
    {
        unsetenv("TAVIX_SELFREG_LOG");
        unsetenv("TAVIX_SELFREG_RESULT");
        InstallFileTest::TearDown();
    }
    int calls() const
    {
        if (!std::filesystem::exists(log))
            return 0;
        std::string text = tavix::testing::readFile(log);
        return int(std::count(text.begin(), text.end(), '\n'));
    }
    TInstallFile* makeControl()
    {
        writeStamped("C:\\SRC\\CTL.OCX", tavix::testing::readFile(TAVIX_SELFREG_MODULE), kNew);
        auto* file = makeFile("CTL.OCX", "Control1");
        pack({ file });
        return file;
    }
    std::filesystem::path log;
};

// Catches a control installed without running its registration, or put in
// a place other than the system folder.
TEST_F(SelfRegistrationTest, ControlRegistersItselfAfterInstall)
{
    auto* file = makeControl();
    EXPECT_TRUE(file->ActiveX());
    file->ProcessContainer();
    EXPECT_EQ(file->DestinationPath(), machine->systemDirectory() + "\\CTL.OCX");
    EXPECT_TRUE(machine->fileExists(file->DestinationPath()));
    EXPECT_EQ(calls(), 1);
    EXPECT_EQ(machine->currentDirectory(), "C:\\");
}

// Catches a failed registration ending the run at once, never being retried,
// or being swallowed outside a run.
TEST_F(SelfRegistrationTest, FailureIsRetriedAtTheEndOfARun)
{
    auto* file = makeControl();
    makeEngine();
    engine->InRun = true;
    InstallRunState().RetrySelfRegistration = true;
    setenv("TAVIX_SELFREG_RESULT", "5", 1);
    EXPECT_NO_THROW(directory->InstallChildren()); // as the container's walk in a run
    EXPECT_EQ(calls(), 1);
    ASSERT_EQ(SelfRegisterRetryList().Count(), 1);
    EXPECT_EQ(SelfRegisterRetryList().Items(0), file);

    unsetenv("TAVIX_SELFREG_RESULT");
    file->AfterRestart(); // what the engine does with each file on the list
    EXPECT_EQ(calls(), 2);
    EXPECT_EQ(SelfRegisterRetryList().Count(), 0);

    engine->InRun = false;
    setenv("TAVIX_SELFREG_RESULT", "5", 1);
    try {
        file->ProcessContainer();
        FAIL() << "registration failure swallowed outside a run";
    } catch (const IECustomInstallFile& e) {
        EXPECT_NE(e.Message().find("returned a value of 5"), std::string::npos) << e.Message();
    }
}

// Catches a library without the export, or a missing file, taken as registered.
TEST_F(SelfRegistrationTest, MissingExportOrFileIsReported)
{
    writeStamped("C:\\SRC\\OTHER.OCX", tavix::testing::readFile(TAVIX_NOEXPORT_MODULE), kNew);
    auto* file = makeFile("OTHER.OCX", "Control2");
    pack({ file });
    try {
        file->ProcessContainer();
        FAIL() << "no DllRegisterServer, no error";
    } catch (const IECustomInstallFile& e) {
        EXPECT_NE(e.Message().find("could not be found"), std::string::npos) << e.Message();
    }
    ASSERT_TRUE(machine->deleteFile(file->DestinationPath()));
    EXPECT_THROW(file->RegisterByDllRegisterServer(), IECustomInstallFile);
}

// Catches a server program started through an unquoted command line, which
// splits a path with blanks.
TEST_F(InstallFileTest, ServerProgramRegistersWithAnArgumentList)
{
    writeStamped("C:\\SRC\\SERVER.EXE", "MZ server", kNew);
    auto* file = makeFile("SERVER.EXE", "Server1");
    file->SetActiveX(true);
    file->SetFileType(iftNormal);
    file->SetDestDirType(nullptr);
    file->SetDestDir(kDestDir);
    pack({ file });
    std::vector<std::string> started;
    machine->setProgramRunner([&](const std::string& program, const std::string& line, int show) {
        started = { program, line, std::to_string(show) };
    });
    file->ProcessContainer();
    EXPECT_EQ(
        started, (std::vector<std::string> { dest("SERVER.EXE"), "\"" + dest("SERVER.EXE") + "\" /REGSERVER", "0" }));

    ASSERT_TRUE(machine->deleteFile(dest("SERVER.EXE")));
    EXPECT_THROW(file->RegisterByRegServer(), IECustomInstallFile);
}

// --- uninstall entries ---

// Catches entries that overwrite each other, a damaged count that stops the
// install, or a search for a free key that never ends.
TEST_F(InstallFileTest, UninstallEntriesAreNumbered)
{
    auto* a = makeFile("A.TXT", "FileA");
    auto* b = makeFile("B.TXT", "FileB");
    auto* c = makeFile("C.OCX", "FileC");
    a->WriteUninstallInfo(kUninstall);
    b->WriteUninstallInfo(kUninstall);
    c->WriteUninstallInfo(kUninstall);
    const std::string files = std::string(kUninstall) + "\\Files";
    EXPECT_EQ(RegistryReadString(4, files, "File1", ""), dest("A.TXT"));
    EXPECT_EQ(RegistryReadString(4, files, "File2", ""), dest("B.TXT"));
    EXPECT_EQ(RegistryReadString(4, files, "Entries", ""), "2");
    const std::string activeX = std::string(kUninstall) + "\\ActiveX";
    EXPECT_EQ(RegistryReadString(4, activeX, "File1", ""), machine->systemDirectory() + "\\C.OCX;0");
    EXPECT_EQ(RegistryReadString(4, activeX, "Entries", ""), "1");

    RegistryWriteString(4, files, "Entries", "broken");
    a->WriteUninstallInfo(kUninstall);
    EXPECT_EQ(RegistryReadString(4, files + "1", "File1", ""), dest("A.TXT"));
    EXPECT_EQ(RegistryReadString(4, files + "1", "Entries", ""), "1");

    for (int i = 1; i <= kUninstallFilesKeyLimit; ++i)
        RegistryWriteString(4, files + std::to_string(i), "Entries", "broken");
    EXPECT_THROW(a->WriteUninstallInfo(kUninstall), IECustomInstallFile);
}

// Catches the engine's product key not receiving the entry of an installed file.
TEST_F(InstallFileTest, ProcessingWritesTheUninstallEntry)
{
    makeEngine();
    writeStamped("C:\\SRC\\README.TXT", "read me", kNew);
    auto* file = makeFile("README.TXT", "File1");
    pack({ file });
    file->ProcessContainer();
    EXPECT_EQ(RegistryReadString(4, std::string(kUninstall) + "\\Files", "File1", ""), dest("README.TXT"));
    file->Uninstall = false;
    file->ProcessContainer();
    EXPECT_EQ(RegistryReadString(4, std::string(kUninstall) + "\\Files", "Entries", ""), "1");
}

// --- with the containers ---

// Catches real install files not packed by their container's compress, or
// the container's install not extracting them from the container's archive.
TEST_F(InstallFileTest, DirectoryPacksAndInstallsItsFiles)
{
    makeEngine();
    directory->SetArchiveFileType(nullptr);
    directory->SetArchiveFile(kArchive);
    directory->SetDestDirType(nullptr);
    directory->SetDestDir(kDestDir);
    std::vector<TInstallFile*> files;
    for (const char* name : { "ONE.TXT", "TWO.TXT", "THREE.TXT" }) {
        writeStamped(std::string(kSourceDir) + "\\" + name, std::string("contents of ") + name, kNew);
        auto* file = new TInstallFile(form.get());
        file->SetName(std::string("F") + name[0] + name[1]);
        file->SetContainer(directory);
        file->SetIncludeFromDir(kSourceDir);
        file->SetFileName(name);
        file->SetDestDirType(nullptr);
        file->SetDestDir(std::string(kDestDir) + "\\Docs");
        files.push_back(file);
    }
    EXPECT_EQ(files[0]->GetArchivePath(), kArchive);
    directory->Compress(coForceNetFilesLocal);
    for (auto* file : files)
        EXPECT_TRUE(file->Compressed) << file->Name();
    directory->ReadInfoFromArchiveAll();
    EXPECT_EQ(files[1]->FileSize, std::int32_t(std::string("contents of TWO.TXT").size()));
    directory->ProcessContainer();
    for (const char* name : { "ONE.TXT", "TWO.TXT", "THREE.TXT" })
        EXPECT_EQ(read(std::string(kDestDir) + "\\Docs\\" + name), std::string("contents of ") + name);
}

// Catches a restarted setup ignoring the archive copy its run record names
// (and so downloading or failing again).
TEST_F(InstallFileTest, RunRecordsLocalCopyIsTheArchive)
{
    writeStamped("C:\\SRC\\APP.DLL", "from the local copy", kNew);
    auto* file = makeFile("APP.DLL", "File1");
    pack({ file });
    ASSERT_TRUE(machine->forceDirectories("C:\\TEMP\\DL"));
    ASSERT_TRUE(machine->moveFile(kArchive, "C:\\TEMP\\DL\\File1.1"));
    InstallRunState().RunRecordKey = "\\SOFTWARE\\Quorle\\Install\\Install1";
    RegistryWriteString(4, InstallRunState().RunRecordKey + "\\File1", "LocalFile", "C:\\TEMP\\DL\\File1.1");
    file->ProcessContainer();
    InstallRunState().RunRecordKey.clear();
    EXPECT_EQ(read(dest("APP.DLL")), "from the local copy");
    EXPECT_EQ(file->LocalFile, "C:\\TEMP\\DL\\File1.1");
}
