#include "engine_fixture.h"

using namespace enginetest;

namespace {

// A script as the setup program has one: a dialog-like recorder under the
// engine, a group with a file, a directory with a file, a file on the
// engine, and objects of the engine's type passes made out of order.
class RunTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1", "-c" });
        auto& engine = makeInstall();
        dialog = new TRecorder(form.get(), log, tcNeverInstalled, "dlg");
        dialog->SetContainer(&engine);
        auto* directory = new TFileContainer(form.get());
        directory->SetName("Dir1");
        directory->SetContainer(&engine);
        auto* group = new TFileContainer(form.get());
        group->SetName("Group1");
        group->SetContainer(&engine);
        fileOnEngine = new TTestFile(form.get(), log, "f-engine");
        fileOnEngine->SetContainer(&engine);
        auto* inGroup = new TTestFile(form.get(), log, "f-group");
        inGroup->SetContainer(group);
        auto* inDirectory = new TTestFile(form.get(), log, "f-dir");
        inDirectory->SetContainer(directory);
        for (auto [type, tag] : std::initializer_list<std::pair<int, const char*>> { { tcLastPass, "p8700" },
                 { tcShellLink, "p8000a" }, { tcIniFiles, "p4000" }, { tcOdbcDrivers, "p2750" },
                 { tcShellLinkGroup, "p7000" }, { tcRegistryKeys, "p8500" }, { tcShellLink, "p8000b" } }) {
            auto* pass = new TRecorder(form.get(), log, type, tag);
            pass->SetContainer(group); // not a broadcast receiver of the engine
        }
        engine.OnAfterInstallObjects = [this](TObject*, bool aborted) {
            log.push_back(std::string("after install objects") + (aborted ? " (aborted)" : ""));
        };
        engine.OnAfterInitialized = [this](TObject*) { log.push_back("initialized"); };
        engine.Loaded();
        log.clear();
    }

    TRecorder* dialog = nullptr;
    TTestFile* fileOnEngine = nullptr;
};

// The order of a whole good run: a step out of place shows a page at the
// wrong moment, installs links before their files, or cleans up too early.
TEST_F(RunTest, GoodRunFollowsTheSequence)
{
    form->Activate();
    // The pass objects sit in a group and hear its broadcasts; only their
    // processing counts here.
    std::erase_if(log, [](const std::string& e) { return e[0] == 'p' && e.find(':') != std::string::npos; });
    Log expected = {
        "find record (create)",
        "clear unfinished",
        "dlg:-984",
        "dlg:-974 Reading file information...",
        "dlg:-973",
        "dlg:-983",
        "initialized",
        "dlg:-986",
        "dlg:-976",
        "dlg:-975",
        "dlg:-982",
        "dlg:-981",
        "dlg:-977",
        "dlg:-980",
        "dlg:-990",
        "dlg:-999",
        "dlg:-992",
        "install f-group", // groups, then directories, then files
        "install f-dir",
        "install f-engine",
        "dlg:-996",
        "dlg:-989",
        "dlg:-974 Installing ODBC drivers...",
        "process p2750",
        "dlg:-973",
        "dlg:-974 Installing shell links...",
        "process p7000",
        "dlg:-973",
        "dlg:-974 Installing shell links...",
        "process p8000a",
        "process p8000b",
        "dlg:-973",
        "dlg:-974 Installing INI files...",
        "process p4000",
        "dlg:-973",
        "dlg:-974 Installing registry keys...",
        "process p8500",
        "dlg:-973",
        "process p8700", // the last pass has no status text
        "after install objects",
        "dlg:-995",
        "dlg:-979",
        "delete record",
    };
    EXPECT_EQ(log, expected);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_FALSE(install->Running());
    EXPECT_FALSE(install->Failed());
    EXPECT_TRUE(install->BatchPending()); // -c: the setup's own files go after the end
    EXPECT_TRUE(machine->executedCommands().empty());
}

// A cancelled wizard ends the run before any file is installed and takes
// the user-abort road once: bad-install pages, clean-up, record deleted,
// shut-down.
TEST_F(RunTest, UserAbortInTheWizard)
{
    dialog->OnCode = [](int code) {
        if (code == icBeforeInstall)
            throw EAIUserAbort();
    };
    form->Activate();
    EXPECT_TRUE(only("install ").empty());
    EXPECT_EQ(count("dlg:-994"), 1);
    EXPECT_EQ(count("dlg:-978"), 1);
    EXPECT_EQ(count("dlg:-995"), 0);
    EXPECT_EQ(count("delete record"), 1);
    EXPECT_EQ(count("after install objects"), 0); // the objects were never reached
    EXPECT_TRUE(install->Failed());
    EXPECT_FALSE(install->Running());
    EXPECT_TRUE(install->BatchPending());
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(messages.asked().empty()); // an abort is no error to show
}

// The dialog's own handler already ran the failure handler (the guarded
// Cancel button); the run must not go on installing afterwards.
TEST_F(RunTest, FailureHandledInsideADialogStopsTheRun)
{
    dialog->OnCode = [](int code) {
        if (code == icBeforeInstall)
            Application().Guard([] { throw EAIUserAbort(); });
    };
    form->Activate();
    EXPECT_TRUE(only("install ").empty());
    EXPECT_EQ(count("dlg:-994"), 1);
    EXPECT_EQ(count("delete record"), 1);
    EXPECT_EQ(count("dlg:-995"), 0);
}

// Without RunAutomatic the user abort does not shut the program down.
TEST_F(RunTest, UserAbortWithoutRunAutomaticKeepsTheProgram)
{
    install->RunAutomatic = false;
    fileOnEngine->OnInstall = [] { throw EAIUserAbort(); };
    install->RunInstallation();
    EXPECT_EQ(count("delete record"), 1);
    EXPECT_EQ(count("after install objects (aborted)") + count("after install objects"), 1);
    EXPECT_FALSE(Application().Terminated());
}

// Any other failure: bad-install pages and the error box, shut-down, but no
// clean-up and no record deletion, so the next start finds the record.
TEST_F(RunTest, OtherFailureKeepsTheRecord)
{
    fileOnEngine->OnInstall = [] { throw IEInstall("The disk in drive C: broke"); };
    form->Activate();
    EXPECT_EQ(only("install "), (Log { "install f-group", "install f-dir", "install f-engine" }));
    EXPECT_EQ(count("dlg:-996"), 1); // the copy forms still close
    EXPECT_EQ(count("after install objects"), 1);
    EXPECT_EQ(count("dlg:-994"), 1);
    EXPECT_EQ(count("dlg:-978"), 1);
    EXPECT_EQ(count("delete record"), 0);
    EXPECT_FALSE(install->BatchPending());
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(messages.asked()[0].text, "The disk in drive C: broke");
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(only("process p").empty()); // no pass after the failure
}

// A pass that fails still pops its status line, so the status form does
// not keep showing "Installing INI files..." over the error.
TEST_F(RunTest, PassPopsItsStatusOnFailure)
{
    auto* ini = new TRecorder(form.get(), log, tcIniFiles, "ini");
    ini->SetContainer(install);
    ini->OnProcess = [] { throw IEInstall("INI file locked"); };
    EXPECT_THROW(install->InstallObjectsOfType(tcIniFiles, "Installing INI files..."), IEInstall);
    auto processed = std::find(log.begin(), log.end(), "process ini");
    ASSERT_NE(processed, log.end());
    EXPECT_NE(std::find(processed, log.end(), "dlg:-973"), log.end());
    log.clear();
    install->InstallObjectsOfType(tcOdbcSources, "Installing ODBC sources..."); // no such object: no status
    EXPECT_TRUE(log.empty());
}

// The failure path run by a guarded handler inside the walk (a copy form's
// Cancel) must not be followed by the good ending.
TEST_F(RunTest, FailureHandledDuringTheWalkEndsTheRun)
{
    fileOnEngine->OnInstall = [] { Application().Guard([] { throw EAIUserAbort(); }); };
    form->Activate();
    EXPECT_EQ(count("dlg:-994"), 1);
    EXPECT_EQ(count("dlg:-995"), 0);
    EXPECT_EQ(count("delete record"), 1);
    EXPECT_EQ(count("after install objects"), 1);
}

// A failure while the failure path itself runs must neither escape nor
// leave the program running.
TEST_F(RunTest, FailureInsideTheFailurePathTerminates)
{
    fileOnEngine->OnInstall = [] { throw IEInstall("first"); };
    install->OnBeforeNotifyBadInstall = [](TObject*) { throw IEInstall("second"); };
    EXPECT_NO_THROW(install->RunInstallation());
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(install->Failed());
}

// Outside a run the handler only shows the error; the failure path (pages,
// shut-down) belongs to a run.
TEST_F(RunTest, ErrorsOutsideARunAreOnlyShown)
{
    EXPECT_FALSE(Application().Guard([] { throw IEInstall("Nothing runs"); }));
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, "Nothing runs");
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(Application().Terminated());
}

// The missing -s is the developer's mistake and must fail the run before
// anything is read.
TEST_F(RunTest, LoaderPathMissing)
{
    Application().Arguments = { "-c" };
    install->Loaded();
    install->RunInstallation();
    EXPECT_TRUE(only("find record (create)").empty());
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_NE(
        messages.asked()[0].text.find("The path of the loading program was not passed correctly"), std::string::npos);
    EXPECT_EQ(count("dlg:-994"), 1);
}

// Reboot: a file in use asks for it; declined on the reboot page the program
// still ends without the good-install pages, the restart entry kept.
TEST_F(RunTest, RebootAcceptedAndDeclined)
{
    fileOnEngine->OnInstall = [this] { install->Reboot = true; };
    bool asked = false;
    install->OnBeforeReboot = [&](TCustomInstall*, bool& go) { asked = go; };
    install->RunInstallation();
    EXPECT_TRUE(asked);
    EXPECT_EQ(only("register"), (Log { "register run on reboot" }));
    EXPECT_EQ(count("dlg:-987"), 1);
    EXPECT_EQ(count("save language"), 1);
    EXPECT_EQ(count("reboot windows"), 1);
    EXPECT_EQ(count("dlg:-995"), 0);
    EXPECT_EQ(count("delete record"), 0);
    EXPECT_TRUE(Application().Terminated());
}

TEST_F(RunTest, RebootDeclinedOnTheRebootPage)
{
    fileOnEngine->OnInstall = [this] { install->Reboot = true; };
    dialog->OnCode = [this](int code) {
        if (code == icReboot)
            install->Reboot = false;
    };
    install->RunInstallation();
    EXPECT_EQ(count("register run on reboot"), 1);
    EXPECT_EQ(count("reboot windows"), 0);
    EXPECT_EQ(count("dlg:-995"), 0);
    EXPECT_EQ(count("delete record"), 0);
    EXPECT_FALSE(install->BatchPending());
    EXPECT_TRUE(Application().Terminated());
}

// Files run after the install: started with a quoted path (the installed
// path holds blanks), once each, and a handler may suppress one.
TEST_F(RunTest, FilesRunAfterInstall)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\Tavix Electronics"));
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\Tavix Electronics\\tavixcat.exe", "MZ"));
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\Tavix Electronics\\readme.exe", "MZ"));
    install->RunFilesAfterInstall();
    EXPECT_TRUE(machine->executedCommands().empty()); // none marked

    fileOnEngine->RunAfterInstall = true;
    fileOnEngine->Installed = "C:\\Program Files\\Tavix Electronics\\tavixcat.exe";
    auto* second = new TTestFile(form.get(), log, "second");
    second->RunAfterInstall = true;
    second->Installed = "C:\\Program Files\\Tavix Electronics\\readme.exe";
    std::vector<std::string> offered;
    install->OnBeforeRunFile = [&](TCustomInstall*, TInstallObject* file, bool& run) {
        offered.push_back(static_cast<TTestFile*>(file)->Installed);
        run = file != second;
    };
    form->Activate();
    EXPECT_EQ(offered.size(), 2u);
    ASSERT_EQ(machine->executedCommands().size(), 1u);
    EXPECT_EQ(machine->executedCommands()[0], "\"C:\\Program Files\\Tavix Electronics\\tavixcat.exe\"");
}

// The clean-up batch of a setup unpacked below Temp: the unpacked copy and
// its directory go, and nothing else, neither in Temp nor outside it.
TEST_F(RunTest, CleanupBelowTempRemovesOnlyTheUnpackedSetup)
{
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\QS1\\setup.1", "x"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\QS1\\idapinst.dll", "x"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\other.txt", "x"));
    ASSERT_TRUE(machine->forceDirectories("C:\\TEMP\\QS2"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\QS2\\keep.txt", "x"));
    ASSERT_TRUE(machine->writeFile("C:\\keep.txt", "x"));
    install->SetPresetupFiles({ "C:\\Build\\Lib\\IDAPINST.DLL" });
    form->Activate();
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\QS1\\idapinst.dll")); // presetup files go at once
    ASSERT_TRUE(install->BatchPending());
    std::string batch = install->PendingBatchFile();
    EXPECT_EQ(batch.substr(batch.size() - 4), ".bat");
    std::string text;
    ASSERT_TRUE(machine->readFile(batch, text));
    std::string stem = batch.substr(0, batch.size() - 4);
    EXPECT_EQ(text,
        "ERASE \"C:\\TEMP\\QS1\\setup.exe\"\r\nDELTREE /Y \"C:\\TEMP\\QS1\"\r\nERASE \"" + stem + ".PIF\"\r\nERASE \""
            + batch + "\"\r\n");

    delete install; // the batch starts when the engine goes
    install = nullptr;
    ASSERT_EQ(batchRuns.size(), 1u);
    EXPECT_FALSE(machine->directoryExists("C:\\TEMP\\QS1"));
    EXPECT_FALSE(machine->fileExists(batch));
    EXPECT_TRUE(machine->fileExists("C:\\TEMP\\other.txt"));
    EXPECT_TRUE(machine->fileExists("C:\\TEMP\\QS2\\keep.txt"));
    EXPECT_TRUE(machine->fileExists("C:\\keep.txt"));
    EXPECT_TRUE(machine->directoryExists("C:\\TEMP"));
}

// A setup started from anywhere else (or straight from Temp) must never
// have its directory removed: only its own files go.
TEST_F(RunTest, CleanupOutsideTempDeletesOnlyTheSetupsFiles)
{
    for (const std::string program : { "C:\\Setup Files\\setup.exe", "C:\\TEMP\\setup.exe" }) {
        SCOPED_TRACE(program);
        startAs(program, { "-sD:\\", "-c" });
        std::string dir = program.substr(0, program.find_last_of('\\'));
        ASSERT_TRUE(machine->writeFile(dir + "\\mine.doc", "x"));
        install->Loaded();
        install->CleanupSetupFiles();
        ASSERT_TRUE(install->BatchPending());
        std::string text;
        ASSERT_TRUE(machine->readFile(install->PendingBatchFile(), text));
        EXPECT_EQ(text.find("DELTREE"), std::string::npos);
        win::BatchInterpreter(*machine).runFile(install->PendingBatchFile());
        EXPECT_FALSE(machine->fileExists(program));
        EXPECT_TRUE(machine->fileExists(dir + "\\mine.doc"));
    }
}

// When clean-up may not run: -d (a debug run from the build directory),
// without -c, without the loading program, or vetoed by the script.
TEST_F(RunTest, CleanupConditions)
{
    struct Case {
        std::vector<std::string> arguments;
        bool useLoader;
        bool veto;
    };
    for (const Case& c : { Case { { "-d", "-sC:\\B", "-c" }, true, false }, Case { { "-sC:\\B" }, true, false },
             Case { { "-sC:\\B", "-c" }, false, false }, Case { { "-sC:\\B", "-c" }, true, true } }) {
        Application().Arguments = c.arguments;
        install->Loaded();
        install->SetUseLoadingProgram(c.useLoader);
        install->OnBeforeCleanup = [&](TCustomInstall*, bool& go) { go = !c.veto; };
        install->CleanupSetupFiles();
        EXPECT_FALSE(install->BatchPending()) << c.arguments.size() << c.useLoader << c.veto;
    }
    // Inside a library there is no program of our own to erase.
    Application().IsLibrary = true;
    Application().Arguments = { "-sC:\\B", "-c" };
    install->Loaded();
    install->SetUseLoadingProgram(true);
    install->OnBeforeCleanup = nullptr;
    install->CleanupSetupFiles();
    EXPECT_FALSE(install->BatchPending());
}

// A user who may not abort (OnUserAbort says no) keeps the run going.
TEST_F(RunTest, QueryUserAbortAsksTheScript)
{
    EXPECT_TRUE(install->QueryUserAbort());
    install->OnUserAbort = [](TCustomInstall*, bool& quit) { quit = false; };
    EXPECT_FALSE(install->QueryUserAbort());
    bool vetoed = false;
    install->OnBeforeShutdown = [&](TCustomInstall*, bool& quit) {
        quit = false;
        vetoed = true;
    };
    install->ShutdownSetup();
    EXPECT_TRUE(vetoed);
    EXPECT_FALSE(Application().Terminated());
}

} // namespace
