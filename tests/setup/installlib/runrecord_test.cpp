// The engine's run record in the registry, the reboot and the resume after
// it, on the emulated machine: records found and made, the Unfinished list,
// the restart command, and whole runs that reboot and finish with -r.

#include "engine_fixture.h"

#include "platform/rtl/datetime.h"
#include "platform/win/dosdate.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/translator.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <cstring>

using namespace enginetest;

namespace {

const std::string kInstallKey = "SOFTWARE\\Quorle\\Install";
const std::string kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kSetup = "C:\\TEMP\\QS1\\setup.exe";
const std::string kDest = "C:\\Program Files\\My App";

std::vector<std::uint8_t> doubleBytes(double value)
{
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

class RunRecordTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        InstallRunState() = {};
        win::installBatchRunner(
            *machine, [this](const std::string&, const std::string& line, int) { started.push_back(line); },
            &batchRuns);
    }
    void TearDown() override
    {
        InstallRunState() = {};
        EngineTest::TearDown();
    }

    // An engine that does the record's work itself.
    TInstall& makeEngine()
    {
        engine = new TInstall(form.get());
        engine->SetName("Install1");
        engine->Information.ProductName = "My Product";
        return *engine;
    }

    // The program ends and the machine starts it again later: a new form,
    // library and engine state, the machine and its registry as they are.
    void newProgram()
    {
        form.reset();
        engine = nullptr;
        Application().Reset();
        InstallLibraryShutdown();
        InstallRunState() = {};
        InstallLibraryStartup();
        form = std::make_unique<TForm>();
        form->SetName("MainForm");
        Application().MainForm = form.get();
        log.clear();
    }

    double fileDateOf(const std::string& path)
    {
        auto stamp = machine->fileDate(path);
        EXPECT_TRUE(stamp.has_value());
        return stamp ? *win::dosDateTimeToDateTime(*stamp) : 0;
    }

    std::vector<std::string> recordNames()
    {
        win::RegKey key;
        std::vector<std::string> names;
        if (registry().openKey(win::RootKey::LocalMachine, kInstallKey, false, key) == 0)
            registry().enumKeys(key, names);
        return names;
    }

    bool keyExists(const std::string& key) { return registry().keyExists(win::RootKey::LocalMachine, key); }

    win::RegValue value(const std::string& key, const std::string& name)
    {
        win::RegKey opened;
        win::RegValue v;
        if (registry().openKey(win::RootKey::LocalMachine, key, false, opened) == 0)
            registry().queryValue(opened, name, v);
        return v;
    }

    // A record as another run left it.
    void writeRecord(const std::string& name, const std::string& path, double date, int size)
    {
        win::RegKey key;
        ASSERT_EQ(registry().createKey(win::RootKey::LocalMachine, kInstallKey + "\\" + name, key), 0);
        registry().setValue(key, win::RegValue::string("Path", path));
        registry().setValue(key, win::RegValue::binary("CreationDate", doubleBytes(date)));
        registry().setValue(key, win::RegValue::dword("Size", std::uint32_t(size)));
    }

    std::string runOnce(const std::string& name)
    {
        return registry().readString(win::RootKey::LocalMachine, kRunOnce, name, "<none>");
    }

    bool askedText(const std::string& text) const
    {
        for (const auto& asked : messages.asked())
            if (asked.text == text)
                return true;
        return false;
    }

    TInstall* engine = nullptr;
    std::vector<std::string> started; // programs the machine started, but batch files
};

// --- finding and making the record ---

// Catches two setups sharing one record, a moved setup losing its record,
// or a record that does not hold what the next start matches on.
TEST_F(RunRecordTest, EachSetupFileHasItsOwnRecord)
{
    startAs("C:\\A\\setup.exe", {});
    makeEngine();
    InstallRunState().RunStartTime = 45000.25;
    EXPECT_EQ(engine->FindRunRecord(false), "");
    EXPECT_EQ(engine->FindRunRecord(true), "\\SOFTWARE\\Quorle\\Install\\Install0");
    const std::string first = kInstallKey + "\\Install0";
    EXPECT_EQ(value(first, "Path").text(), "C:\\A\\setup.exe");
    EXPECT_EQ(value(first, "Size").dwordValue(), 2u);
    EXPECT_EQ(value(first, "CreationDate").data, doubleBytes(fileDateOf("C:\\A\\setup.exe")));
    EXPECT_EQ(value(first, "LastRunDate").data, doubleBytes(45000.25));
    EXPECT_EQ(value(first, "SelfExtract").type, win::REG_NONE);

    ASSERT_TRUE(machine->forceDirectories("C:\\B"));
    ASSERT_TRUE(machine->writeFile("C:\\B\\setup.exe", "MZ another setup"));
    machine->setModuleFileName("C:\\B\\setup.exe");
    EXPECT_EQ(engine->FindRunRecord(true), "\\SOFTWARE\\Quorle\\Install\\Install1");

    // The first setup again, moved elsewhere with its date.
    ASSERT_TRUE(machine->forceDirectories("C:\\Moved"));
    ASSERT_TRUE(machine->copyFile("C:\\A\\setup.exe", "C:\\Moved\\setup.exe", false));
    machine->setModuleFileName("C:\\Moved\\setup.exe");
    InstallRunState().RunStartTime = 0;
    EXPECT_EQ(engine->FindRunRecord(true), "\\SOFTWARE\\Quorle\\Install\\Install0");
    EXPECT_EQ(value(first, "Path").text(), "C:\\Moved\\setup.exe");
    EXPECT_EQ(value(first, "LastRunDate").data, doubleBytes(0));
    EXPECT_EQ(recordNames().size(), 2u);
}

// Catches a date compared exactly (rounding would lose the record) or a
// size compared loosely (another setup would take it over).
TEST_F(RunRecordTest, MatchesWithinTheDateToleranceAndTheExactSize)
{
    startAs(kSetup, {});
    makeEngine();
    const double date = fileDateOf(kSetup);
    writeRecord("Install0", "C:\\elsewhere\\setup.exe", date + 5e-8, 3);
    writeRecord("Install1", "C:\\elsewhere\\setup.exe", date + 5e-8, 2);
    EXPECT_EQ(engine->FindRunRecord(false), "\\SOFTWARE\\Quorle\\Install\\Install1");
    writeRecord("Install1", "C:\\elsewhere\\setup.exe", date + 2e-7, 2);
    EXPECT_EQ(engine->FindRunRecord(false), "");
}

// Catches a damaged record taken for ours or its name reused for a new one.
TEST_F(RunRecordTest, DamagedRecordsAreSkippedAndKeepTheirNames)
{
    startAs(kSetup, {});
    makeEngine();
    const double date = fileDateOf(kSetup);
    writeRecord("install0", kSetup, date, 2);
    registry().writeString(win::RootKey::LocalMachine, kInstallKey + "\\install0", "Size", "2");
    writeRecord("Install1", kSetup, date, 2);
    win::RegKey key;
    ASSERT_EQ(registry().openKey(win::RootKey::LocalMachine, kInstallKey + "\\Install1", true, key), 0);
    registry().setValue(key, win::RegValue::binary("CreationDate", { 1, 2, 3, 4 }));
    writeRecord("Install2", kSetup, date, 2);
    ASSERT_EQ(registry().openKey(win::RootKey::LocalMachine, kInstallKey + "\\Install2", true, key), 0);
    registry().deleteValue(key, "Path");

    EXPECT_EQ(engine->FindRunRecord(false), "");
    EXPECT_EQ(engine->FindRunRecord(true), "\\SOFTWARE\\Quorle\\Install\\Install3");
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kInstallKey + "\\install0", "Size"), "2");
}

// Catches the self-extractor's origin missing from a new record, and a
// record that cannot be written passing for one.
TEST_F(RunRecordTest, SelfExtractValueAndUnwritableRecords)
{
    startAs(kSetup, { "-sD:\\Disk1", "-eSetupX.exe" });
    makeEngine().Loaded();
    EXPECT_EQ(engine->FindRunRecord(true), "\\SOFTWARE\\Quorle\\Install\\Install0");
    EXPECT_EQ(value(kInstallKey + "\\Install0", "SelfExtract").text(), "D:\\Disk1\\SetupX.exe");

    registry().setKeyReadOnly(win::RootKey::LocalMachine, kInstallKey, true);
    EXPECT_EQ(engine->FindRunRecord(false), ""); // found, but LastRunDate cannot be written
    ASSERT_TRUE(machine->writeFile(kSetup, "MZ changed"));
    EXPECT_EQ(engine->FindRunRecord(true), "");
}

// Catches a missing setup file taken for a setup without a record.
TEST_F(RunRecordTest, MissingProgramFileIsAnError)
{
    makeEngine();
    machine->setModuleFileName("C:\\gone\\setup.exe");
    try {
        engine->FindRunRecord(true);
        FAIL() << "no error";
    } catch (const IEInstall& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\gone\\setup.exe"), std::string::npos) << e.what();
    }
}

// --- the Unfinished list ---

// Catches entries lost, reordered or written without a record (they would
// land at the root of the local machine).
TEST_F(RunRecordTest, UnfinishedListRoundTrip)
{
    startAs(kSetup, {});
    makeEngine();
    const std::string noRecord = "The TInstall could not either write or read unfinished business from the registry";
    std::vector<std::string> list { "stale" };
    for (auto step : { std::function<void()>([&] { engine->ClearUnfinished(); }),
             std::function<void()>([&] { engine->AddUnfinished("F1", 0); }),
             std::function<void()>([&] { engine->ReadUnfinished(list); }) }) {
        try {
            step();
            ADD_FAILURE() << "no error";
        } catch (const IEInstall& e) {
            EXPECT_EQ(std::string(e.what()), noRecord);
        }
    }
    EXPECT_TRUE(list.empty());

    InstallRunState().RunRecordKey = engine->FindRunRecord(true);
    engine->ReadUnfinished(list);
    EXPECT_TRUE(list.empty());
    engine->UnfinishedCount = 0;
    engine->AddUnfinished("C:\\TEMP\\BAT1.bat", 1);
    engine->AddUnfinished("F1", 0);
    engine->AddUnfinished("C:\\TEMP\\A;B.bat", 1);
    EXPECT_EQ(engine->UnfinishedCount, 3);
    engine->ReadUnfinished(list);
    EXPECT_EQ(list, (std::vector<std::string> { "C:\\TEMP\\BAT1.bat;1", "F1;0", "C:\\TEMP\\A;B.bat;1" }));
    engine->ClearUnfinished();
    EXPECT_FALSE(keyExists(kInstallKey + "\\Install0\\Unfinished"));
    engine->ReadUnfinished(list);
    EXPECT_TRUE(list.empty());
}

// --- deleting the record ---

// Catches downloads left behind, keys of other setups removed with ours,
// empty Quorle keys left, or a record's word taken to delete any file.
TEST_F(RunRecordTest, DeleteRemovesTheRecordItsDownloadsAndEmptyKeys)
{
    startAs(kSetup, {});
    makeEngine();
    writeRecord("Install0", "C:\\other\\setup.exe", 1000, 5); // another setup's record
    InstallRunState().RunRecordKey = engine->FindRunRecord(true);
    const std::string record = InstallRunState().RunRecordKey;
    EXPECT_EQ(record, "\\SOFTWARE\\Quorle\\Install\\Install1");
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\bat5.1", "archive"));
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\keep.dll", "not a download"));
    RegistryWriteString(4, record + "\\Dir1", "LocalFile", " C:\\TEMP\\bat5.1 ");
    RegistryWriteString(4, record + "\\Group1", "LocalFile", "C:\\WINNT\\keep.dll");
    RegistryWriteString(4, record + "\\Group2", "LocalFile", "C:\\TEMP\\gone.1");
    engine->AddUnfinished("F1", 0);

    engine->DeleteRunRecord();
    EXPECT_EQ(InstallRunState().RunRecordKey, "");
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\bat5.1"));
    EXPECT_TRUE(machine->fileExists("C:\\WINNT\\keep.dll"));
    EXPECT_EQ(recordNames(), (std::vector<std::string> { "Install0" }));

    InstallRunState().RunRecordKey = "\\SOFTWARE\\Quorle\\Install\\Install0";
    engine->DeleteRunRecord();
    EXPECT_FALSE(keyExists("SOFTWARE\\Quorle"));
    engine->DeleteRunRecord(); // nothing left: nothing to do

    // Quorle keeps what else lives under it.
    registry().writeString(win::RootKey::LocalMachine, "SOFTWARE\\Quorle\\Other", "x", "y");
    InstallRunState().RunRecordKey = engine->FindRunRecord(true);
    engine->DeleteRunRecord();
    EXPECT_FALSE(keyExists(kInstallKey));
    EXPECT_TRUE(keyExists("SOFTWARE\\Quorle\\Other"));
}

// --- the restart command ---

// Catches a restart command that starts the wrong program, loses the
// source directory or the clean-up, or overwrites another setup's entry.
TEST_F(RunRecordTest, RestartCommand)
{
    startAs("C:\\T\\setup.exe", { "-sD:", "*Nsetup.exe" });
    makeEngine().Loaded();
    engine->RegisterRunOnReboot();
    EXPECT_EQ(runOnce("QuorleUnfinished"), "\"C:\\T\\setup.exe\" -r \"-sD:\"");

    Application().Arguments = { "-sD:", "-esetup.exe", "-c" };
    engine->Loaded();
    engine->RegisterRunOnReboot();
    EXPECT_EQ(runOnce("QuorleUnfinished1"), "\"C:\\T\\setup.exe\" -r \"-esetup.exe\" \"-sD:\" -c");

    registry().setKeyReadOnly(win::RootKey::LocalMachine, kRunOnce, true);
    try {
        engine->RegisterRunOnReboot();
        FAIL() << "no error";
    } catch (const IEInstall& e) {
        EXPECT_EQ(std::string(e.what()),
            "Cannot register the install to be run on reboot in the RunOnce key in the registry");
    }
}

// --- the reboot ---

// Catches a reboot asked without the NT privilege, a failure passed over in
// silence, or the failure message shown although the script handles it.
TEST_F(RunRecordTest, RebootByKindOfWindows)
{
    startAs(kSetup, {});
    makeEngine();
    engine->RebootWindows();
    EXPECT_TRUE(machine->rebootRequested());
    EXPECT_TRUE(machine->shutdownPrivilegeEnabled());
    EXPECT_TRUE(messages.asked().empty());

    machine->restart();
    machine->setPrivilegesHeld(false);
    int failures = 0;
    engine->OnFailedReboot = [&](TObject* sender) {
        EXPECT_EQ(sender, engine);
        ++failures;
    };
    engine->RebootWindows();
    EXPECT_EQ(failures, 1);
    EXPECT_FALSE(machine->rebootRequested());
    EXPECT_TRUE(messages.asked().empty());

    engine->OnFailedReboot = nullptr;
    for (auto kind : { win::WindowsKind::Win32s, win::WindowsKind::NT35 }) {
        machine->setWindowsKind(kind);
        machine->setPrivilegesHeld(true);
        engine->RebootWindows();
        EXPECT_FALSE(machine->rebootRequested());
    }
    machine->setWindowsKind(win::WindowsKind::Win95);
    machine->setExitAllowed(false);
    engine->RebootWindows();
    EXPECT_FALSE(machine->rebootRequested());
    ASSERT_EQ(messages.asked().size(), 3u);
    for (const auto& asked : messages.asked())
        EXPECT_EQ(asked.text, "Could not reboot windows. Please manually reboot windows.");
    machine->setExitAllowed(true);
    engine->RebootWindows();
    EXPECT_TRUE(machine->rebootRequested());
}

// Catches the resume run speaking another language than the user chose, or
// a damaged value taken for a language.
TEST_F(RunRecordTest, LanguageKeptForTheResume)
{
    startAs(kSetup, {});
    makeEngine();
    engine->SaveLanguage(); // neither translator nor record: nothing to write
    auto* translator = new TTranslator(form.get());
    EXPECT_EQ(engine->RestoreLanguage(), qgUser);
    InstallRunState().RunRecordKey = engine->FindRunRecord(true);
    translator->TranslateIntoLanguage = qgGerman;
    engine->SaveLanguage();
    EXPECT_EQ(value(kInstallKey + "\\Install0", "Language").dwordValue(), std::uint32_t(qgGerman));
    translator->TranslateIntoLanguage = qgFrench;
    EXPECT_EQ(engine->RestoreLanguage(), qgGerman);
    RegistryWriteInteger(4, InstallRunState().RunRecordKey, "Language", 77);
    EXPECT_EQ(engine->RestoreLanguage(), qgFrench);
    RegistryWriteString(4, InstallRunState().RunRecordKey, "Language", "German");
    EXPECT_EQ(engine->RestoreLanguage(), qgFrench);
}

// --- whole runs: the reboot question ---

// A script whose file asks for the reboot, with a page that hears the codes.
class RebootRunTest : public RunRecordTest {
protected:
    void SetUp() override
    {
        RunRecordTest::SetUp();
        startAs(kSetup, { "-sC:\\TEMP\\QS1", "-c" });
        makeEngine();
        page = new TRecorder(form.get(), log, tcNeverInstalled, "page");
        page->SetContainer(engine);
        auto* file = new TTestFile(form.get(), log, "file");
        file->SetContainer(engine);
        file->OnInstall = [this] { engine->Reboot = true; };
        translator = new TTranslator(form.get());
        translator->TranslateIntoLanguage = qgSpanish;
        engine->Loaded();
        log.clear();
    }

    void expectEndedWithoutReboot()
    {
        EXPECT_FALSE(engine->Failed());
        EXPECT_FALSE(machine->rebootRequested());
        EXPECT_TRUE(Application().Terminated());
        EXPECT_EQ(count("page:-995"), 0);
        EXPECT_EQ(runOnce("QuorleUnfinished"), "\"C:\\TEMP\\QS1\\setup.exe\" -r \"-sC:\\TEMP\\QS1\" -c");
        EXPECT_TRUE(keyExists(kInstallKey + "\\Install0"));
        EXPECT_EQ(value(kInstallKey + "\\Install0", "Language").type, win::REG_NONE);
    }

    TRecorder* page = nullptr;
    TTranslator* translator = nullptr;
};

// Catches a reboot without its restart entry or saved language, or a
// rebooting run that shows the good ending and deletes its record.
TEST_F(RebootRunTest, RebootAccepted)
{
    form->Activate();
    EXPECT_FALSE(engine->Failed());
    EXPECT_TRUE(machine->rebootRequested());
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(count("page:-987"), 1);
    EXPECT_EQ(count("page:-995"), 0);
    EXPECT_EQ(runOnce("QuorleUnfinished"), "\"C:\\TEMP\\QS1\\setup.exe\" -r \"-sC:\\TEMP\\QS1\" -c");
    EXPECT_EQ(value(kInstallKey + "\\Install0", "Language").dwordValue(), std::uint32_t(qgSpanish));
    EXPECT_FALSE(engine->BatchPending()); // the setup's files are needed after the restart
}

// Catches a declined or vetoed reboot that still reboots, or that drops the
// restart entry and record the next start of Windows needs.
TEST_F(RebootRunTest, RebootDeclinedOnThePage)
{
    page->OnCode = [this](int code) {
        if (code == icReboot)
            engine->Reboot = false;
    };
    form->Activate();
    expectEndedWithoutReboot();
}

TEST_F(RebootRunTest, RebootVetoedByTheScript)
{
    bool offered = false;
    engine->OnBeforeReboot = [&](TCustomInstall*, bool& go) {
        offered = go;
        go = false;
    };
    form->Activate();
    EXPECT_TRUE(offered);
    expectEndedWithoutReboot();
}

// Catches a failed reboot that leaves the program running or drops the
// restart entry (the user restarts by hand and the resume must still come).
TEST_F(RebootRunTest, RebootRefused)
{
    machine->setPrivilegesHeld(false);
    form->Activate();
    EXPECT_TRUE(askedText("Could not reboot windows. Please manually reboot windows."));
    EXPECT_TRUE(Application().Terminated());
    EXPECT_NE(runOnce("QuorleUnfinished"), "<none>");
    machine->restart();
    EXPECT_EQ(started, (std::vector<std::string> { "\"C:\\TEMP\\QS1\\setup.exe\" -r \"-sC:\\TEMP\\QS1\" -c" }));
}

// A good run needs no restart: no entry, and its record is gone.
TEST_F(RebootRunTest, NoRebootNoRestartEntry)
{
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto* file = dynamic_cast<TTestFile*>(form->Components(i)))
            file->OnInstall = nullptr;
    form->Activate();
    EXPECT_FALSE(engine->Failed());
    EXPECT_EQ(count("page:-995"), 1);
    EXPECT_EQ(runOnce("QuorleUnfinished"), "<none>");
    EXPECT_FALSE(keyExists("SOFTWARE\\Quorle"));
}

// --- whole runs: the resume with -r ---

// An object that notes its after-restart step.
class TRestartRecorder : public TRecorder {
public:
    using TRecorder::TRecorder;
    void AfterRestart() override { Restarted.push_back(Name()); }
    static inline std::vector<std::string> Restarted;
};

class ResumeListTest : public RunRecordTest {
protected:
    // The record of this setup, left with these Unfinished values by an
    // earlier run of the same file.
    void leaveRecord(const std::vector<win::RegValue>& entries)
    {
        startAs(kSetup, {});
        makeEngine();
        const std::string record = engine->FindRunRecord(true);
        ASSERT_FALSE(record.empty());
        win::RegKey key;
        ASSERT_EQ(registry().createKey(win::RootKey::LocalMachine, record.substr(1) + "\\Unfinished", key), 0);
        for (const auto& entry : entries)
            registry().setValue(key, entry);
        newProgram();
    }

    // The setup started by the restart entry.
    void resume()
    {
        TRestartRecorder::Restarted.clear();
        Application().Arguments = { "-r", "-sC:\\TEMP\\QS1" };
        makeEngine();
        page = new TRecorder(form.get(), log, tcNeverInstalled, "page");
        page->SetContainer(engine);
        auto* first = new TRestartRecorder(form.get(), log, tcNeverInstalled, "F1");
        first->SetName("F1");
        auto* second = new TRestartRecorder(form.get(), log, tcNeverInstalled, "F2");
        second->SetName("F2");
        engine->Loaded();
    }

    TRecorder* page = nullptr;
};

// Catches an entry skipped or run twice, a name matched with its case, or
// the good ending missing after the resume.
TEST_F(ResumeListTest, ResumeFinishesEachEntryAndTheRun)
{
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\bat8.bat", "move a b"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\a;b.bat", "move c d"));
    leaveRecord({ win::RegValue::string("f2", "0"), win::RegValue::string("C:\\TEMP\\bat8.bat", "1"),
        win::RegValue::string("C:\\TEMP\\a;b.bat", "1"), win::RegValue::string("C:\\TEMP\\gone.bat", "1"),
        win::RegValue::string("F1", "7") });
    resume();
    EXPECT_FALSE(engine->Failed());
    EXPECT_TRUE(messages.asked().empty());
    EXPECT_EQ(TRestartRecorder::Restarted, (std::vector<std::string> { "F2" }));
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\bat8.bat"));
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\a;b.bat"));
    EXPECT_EQ(count("page:-995"), 1);
    EXPECT_EQ(count("page:-979"), 1);
    EXPECT_FALSE(keyExists("SOFTWARE\\Quorle"));
    EXPECT_TRUE(Application().Terminated());
    EXPECT_FALSE(engine->Running());
}

// Catches a resume that acts on another setup's record: it finds none of
// its own, says so, and touches nothing.
TEST_F(ResumeListTest, ForeignRecordIsRefused)
{
    startAs(kSetup, {});
    writeRecord("Install0", "C:\\other\\setup.exe", fileDateOf(kSetup), 99);
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\bat7.bat", "rem"));
    registry().writeString(
        win::RootKey::LocalMachine, kInstallKey + "\\Install0\\Unfinished", "C:\\TEMP\\bat7.bat", "1");
    registry().writeString(win::RootKey::LocalMachine, kInstallKey + "\\Install0\\Unfinished", "F1", "0");
    resume();
    EXPECT_TRUE(engine->Failed());
    EXPECT_TRUE(askedText("The TInstall could not either write or read unfinished business from the registry"));
    EXPECT_EQ(count("page:-994"), 1);
    EXPECT_EQ(count("page:-995"), 0);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(TRestartRecorder::Restarted.empty());
    EXPECT_TRUE(machine->fileExists("C:\\TEMP\\bat7.bat"));
    EXPECT_EQ(recordNames(), (std::vector<std::string> { "Install0" }));
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, kInstallKey + "\\Install0\\Unfinished", "F1"), "0");
}

// Catches a damaged list acted on up to the bad entry, a record that names
// a file outside Temp getting it deleted, or data of another type read as a
// number.
TEST_F(ResumeListTest, DamagedListIsRefusedWhole)
{
    struct Case {
        win::RegValue bad;
        std::string line;
    };
    const std::vector<Case> cases {
        { win::RegValue::string("Broken", "x"), "Broken;x" },
        { win::RegValue::string("C:\\WINNT\\system32\\KERNEL32.DLL", "1"), "C:\\WINNT\\system32\\KERNEL32.DLL;1" },
        { win::RegValue::string("C:\\TEMP\\sub\\x.bat", "1"), "C:\\TEMP\\sub\\x.bat;1" },
        { win::RegValue::dword("F2", 0), "F2;" },
    };
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\KERNEL32.DLL", "MZ"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(machine->writeFile("C:\\TEMP\\bat9.bat", "rem"));
        leaveRecord({ win::RegValue::string("F1", "0"), win::RegValue::string("C:\\TEMP\\bat9.bat", "1"), c.bad });
        messages = {};
        resume();
        EXPECT_TRUE(engine->Failed());
        EXPECT_TRUE(askedText("There is an invalid entry for the unfinished install list " + c.line));
        EXPECT_TRUE(TRestartRecorder::Restarted.empty());
        EXPECT_TRUE(machine->fileExists("C:\\TEMP\\bat9.bat"));
        EXPECT_TRUE(machine->fileExists("C:\\WINNT\\system32\\KERNEL32.DLL"));
        EXPECT_EQ(count("page:-994"), 1);
        EXPECT_TRUE(keyExists(kInstallKey + "\\Install0")); // kept for the next start
        registry().deleteTree(win::RootKey::LocalMachine, "SOFTWARE\\Quorle");
        newProgram();
    }
}

// A script with files in use: a library in the product folder and a
// self-registering control in the system folder.
class ResumeTest : public RunRecordTest {
protected:
    void SetUp() override
    {
        RunRecordTest::SetUp();
        selfregLog = dir.path() / "selfreg.log";
        setenv("TAVIX_SELFREG_LOG", selfregLog.c_str(), 1);
        ASSERT_TRUE(machine->forceDirectories("C:\\BUILD"));
        ASSERT_TRUE(machine->forceDirectories(kDest));
        ASSERT_TRUE(machine->writeFile("C:\\BUILD\\APP.DLL", "the new library"));
        ASSERT_TRUE(machine->writeFile("C:\\BUILD\\CTL.OCX", tavix::testing::readFile(TAVIX_SELFREG_MODULE)));
        startAs(kSetup, { "-sC:\\TEMP\\QS1", "-c" });
    }
    void TearDown() override
    {
        unsetenv("TAVIX_SELFREG_LOG");
        RunRecordTest::TearDown();
    }

    // The install script, as every start of the setup program makes it.
    void buildScript()
    {
        makeEngine();
        translator = new TTranslator(form.get());
        page = new TRecorder(form.get(), log, tcNeverInstalled, "page");
        page->SetContainer(engine);
        auto* directory = new TFileContainer(form.get());
        directory->SetName("Dir1");
        directory->SetContainer(engine);
        directory->SetDestDirType(nullptr);
        directory->SetDestDir(kDest);
        app = new TInstallFile(form.get(), "C:\\BUILD\\APP.DLL", directory);
        app->SetName("F1");
        app->SetDestDirType(nullptr);
        app->SetDestDir(kDest);
        control = new TInstallFile(form.get(), "C:\\BUILD\\CTL.OCX", directory);
        control->SetName("F2");
    }

    // The first start: packs the archive, then installs over files in use.
    void firstRun()
    {
        buildScript();
        engine->Loaded();
        app->AddToArchive = lzcOverwrite;
        app->CompressFile();
        control->AddToArchive = lzcOnlyAdd;
        control->CompressFile();
        ASSERT_TRUE(machine->writeFile(appPath(), "the old library"));
        ASSERT_TRUE(machine->writeFile(controlPath(), "the old control"));
        for (const std::string& old : { appPath(), controlPath() }) // 1 January 2019
            ASSERT_TRUE(machine->setFileDate(old, win::dateTimeToDosDateTime(43466.5)));
        machine->setInUse(appPath(), true);
        machine->setInUse(controlPath(), true);
        translator->TranslateIntoLanguage = qgItalian;
        log.clear();
        form->Activate();
        EXPECT_FALSE(engine->Failed());
    }

    // Windows starts again and runs the restart entry: the setup program
    // starts with the arguments the entry gives it.
    void restartAndResume()
    {
        newProgram();
        started.clear();
        machine->restart();
        ASSERT_EQ(started.size(), 1u);
        std::vector<std::string> words = win::splitBatchWords(started[0]);
        ASSERT_GE(words.size(), 2u);
        EXPECT_EQ(words[0], kSetup);
        buildScript();
        Application().Arguments.assign(words.begin() + 1, words.end());
        engine->Loaded();
    }

    std::string appPath() const { return kDest + "\\APP.DLL"; }
    std::string controlPath() const { return machine->systemDirectory() + "\\CTL.OCX"; }
    std::string read(const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(path, bytes)) << path;
        return bytes;
    }
    int registrations() const
    {
        if (!std::filesystem::exists(selfregLog))
            return 0;
        std::string text = tavix::testing::readFile(selfregLog);
        return int(std::count(text.begin(), text.end(), '\n'));
    }
    std::vector<std::string> unfinished()
    {
        std::vector<std::string> lines;
        win::RegKey key;
        std::vector<win::RegValue> values;
        if (registry().openKey(win::RootKey::LocalMachine, kInstallKey + "\\Install0\\Unfinished", false, key) == 0)
            registry().enumValues(key, values);
        for (const auto& v : values)
            lines.push_back(v.name + ";" + v.text());
        return lines;
    }

    std::filesystem::path selfregLog;
    TTranslator* translator = nullptr;
    TRecorder* page = nullptr;
    TInstallFile* app = nullptr;
    TInstallFile* control = nullptr;
};

// Catches the restart losing the work of files in use: the run records
// itself and reboots, Windows moves the files and starts the setup with
// -r, which registers the control, shows the good ending in the user's
// language, deletes its record and cleans up the setup's own files.
TEST_F(ResumeTest, InUseFilesFinishAfterTheRestart)
{
    firstRun();
    EXPECT_TRUE(messages.asked().empty());
    std::vector<std::string> entries = unfinished();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string> { "F1;0", "F2;0" }));
    EXPECT_TRUE(machine->rebootRequested());
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(count("page:-995"), 0);
    EXPECT_EQ(registrations(), 0);
    EXPECT_EQ(read(appPath()), "the old library");

    restartAndResume();
    EXPECT_FALSE(engine->Failed());
    EXPECT_TRUE(messages.asked().empty());
    EXPECT_EQ(read(appPath()), "the new library");
    EXPECT_EQ(read(controlPath()), read("C:\\BUILD\\CTL.OCX"));
    EXPECT_EQ(registrations(), 1);
    EXPECT_EQ(translator->TranslateIntoLanguage, qgItalian);
    EXPECT_EQ(count("page:-995"), 1);
    EXPECT_EQ(count("page:-994"), 0);
    EXPECT_FALSE(keyExists("SOFTWARE\\Quorle"));
    EXPECT_EQ(runOnce("QuorleUnfinished"), "<none>");
    EXPECT_TRUE(Application().Terminated());
    ASSERT_TRUE(engine->BatchPending());

    form.reset(); // the program ends and its clean-up batch runs
    EXPECT_FALSE(machine->fileExists(kSetup));
    EXPECT_FALSE(machine->directoryExists("C:\\TEMP\\QS1"));
}

// Catches the batch files of a system without delayed moves left behind,
// or run after the resume: Windows runs them first, the resume deletes them.
TEST_F(ResumeTest, BatchFilesOfFilesInUseAreDeletedByTheResume)
{
    machine->setWindowsKind(win::WindowsKind::Win32s);
    firstRun();
    EXPECT_TRUE(askedText("Could not reboot windows. Please manually reboot windows."));
    std::vector<std::string> batches;
    for (const auto& line : unfinished())
        if (line.ends_with(";1"))
            batches.push_back(line.substr(0, line.size() - 2));
    ASSERT_EQ(batches.size(), 2u);
    for (const auto& batch : batches)
        EXPECT_TRUE(machine->fileExists(batch)) << batch;

    messages = {};
    restartAndResume();
    EXPECT_FALSE(engine->Failed());
    EXPECT_TRUE(messages.asked().empty());
    EXPECT_EQ(read(appPath()), "the new library");
    EXPECT_EQ(registrations(), 1);
    for (const auto& batch : batches)
        EXPECT_FALSE(machine->fileExists(batch)) << batch;
    EXPECT_FALSE(keyExists("SOFTWARE\\Quorle"));
}

} // namespace
