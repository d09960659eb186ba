#include "platform/win/program.h"

#include "platform/win/module.h"
#include "platform/win/registry.h"
#include "tests/platform/win/machine_fixture.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace win;

namespace {

class ProgramTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        unsetenv("TAVIX_REPORT_EXIT");
        ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\Tavix"));
        ASSERT_TRUE(machine->writeFile(kProgram, programFileBytes(TAVIX_REPORT_PROGRAM)));
        ASSERT_TRUE(machine->forceDirectories("C:\\Work Dir"));
        installProgramRunner(*machine, {}, &runs);
    }
    void TearDown() override { unsetenv("TAVIX_REPORT_EXIT"); }

    // What the report program wrote in a folder: single values by name,
    // the arguments in order.
    struct Report {
        std::map<std::string, std::string> values;
        std::vector<std::string> args;
    };
    Report report(const std::string& folder)
    {
        Report r;
        std::string bytes;
        EXPECT_TRUE(machine->readFile(folder + "\\report.txt", bytes)) << folder;
        size_t at = 0;
        while (at < bytes.size()) {
            size_t end = bytes.find('\n', at);
            std::string line = bytes.substr(at, end - at);
            at = end == std::string::npos ? bytes.size() : end + 1;
            size_t eq = line.find('=');
            if (line.rfind("arg=", 0) == 0)
                r.args.push_back(line.substr(4));
            else
                r.values[line.substr(0, eq)] = line.substr(eq + 1);
        }
        return r;
    }

    const std::string kProgram = "C:\\Program Files\\Tavix\\report.exe";
    std::vector<ProgramRun> runs;
};

} // namespace

TEST(CommandLineSplit, GroupsQuotesAndEscapesAsProgramsDo)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommandLine("  \"C:\\Program Files\\A\\setup.exe\" -r \"-sC:\\My Build\" -c "),
        (V { "C:\\Program Files\\A\\setup.exe", "-r", "-sC:\\My Build", "-c" }));
    // Backslashes escape only before a quote; the program name has no escapes.
    EXPECT_EQ(splitCommandLine(R"(C:\A\b.exe a\\b "c\\" d\"e "" x""y "p ""q"" r")"),
        (V { "C:\\A\\b.exe", "a\\\\b", "c\\", "d\"e", "", "xy", "p \"q\" r" }));
    EXPECT_EQ(splitCommandLine("prog.exe Tavix Electronics 1.01a"),
        (V { "prog.exe", "Tavix", "Electronics", "1.01a" }));
    EXPECT_TRUE(splitCommandLine(" \t").empty());
    // What buildCommandLine quotes comes back as it was.
    V args { "plain", "with blank", "quote\"inside", "trail\\", "blank and trail\\", "" };
    V expected { "C:\\P F\\x.exe" };
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(splitCommandLine(buildCommandLine("C:\\P F\\x.exe", args)), expected);
}

TEST(ProgramHeader, NamesTheHostProgramWhateverFollows)
{
    std::string bytes = programFileBytes("/opt/tavix/bin/loader");
    EXPECT_EQ(hostProgramOf(bytes), std::filesystem::path("/opt/tavix/bin/loader"));
    // A self-extracting setup: the loader's header, then archives and trailer.
    EXPECT_EQ(hostProgramOf(bytes + std::string(5000, '\0') + "SELFEXTRACTING"),
        std::filesystem::path("/opt/tavix/bin/loader"));
    EXPECT_FALSE(hostProgramOf("MZ\x90\x00 a real image"));
    EXPECT_FALSE(hostProgramOf(std::string(kProgramFileMagic) + "host=relative/path\n"));
    EXPECT_FALSE(hostProgramOf(std::string(kProgramFileMagic) + "host=/no/end/of/line"));
}

// Catches arguments joined or split wrongly, the wrong folder, or a child
// that does not learn which machine and file it is.
TEST_F(ProgramTest, WinExecRunsTheHostProgramWithItsArgumentsFolderAndMachine)
{
    ASSERT_TRUE(machine->setCurrentDirectory("C:\\Work Dir"));
    ASSERT_EQ(machine->winExec("\"" + kProgram + "\" -r \"-sC:\\My Build\" Tavix Electronics", SW_SHOW), 33);

    Report r = report("C:\\Work Dir");
    EXPECT_EQ(r.args, (std::vector<std::string> { "-r", "-sC:\\My Build", "Tavix", "Electronics" }));
    EXPECT_EQ(std::filesystem::path(r.values["cwd"]), host("C:\\Work Dir"));
    EXPECT_EQ(std::filesystem::path(r.values["TAVIX_WINROOT"]), machine->root());
    EXPECT_EQ(r.values["TAVIX_WINPROGRAM"], kProgram);
    EXPECT_EQ(r.values["TAVIX_WINCWD"], "C:\\Work Dir");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].result, 0);
    EXPECT_EQ(runs[0].program, kProgram);
}

TEST_F(ProgramTest, ReportsExitCodesAndRefusesFilesThatAreNoPrograms)
{
    setenv("TAVIX_REPORT_EXIT", "3", 1);
    EXPECT_EQ(runProgramFile(*machine, kProgram, {}, "C:\\Work Dir"), 3);
    ASSERT_TRUE(machine->writeFile("C:\\Work Dir\\plain.exe", "MZ not one of ours"));
    EXPECT_EQ(runProgramFile(*machine, "C:\\Work Dir\\plain.exe", {}, "C:\\Work Dir"), -1);
    EXPECT_EQ(runProgramFile(*machine, "C:\\Work Dir\\missing.exe", {}, "C:\\Work Dir"), -1);
    // A header naming a host file that is not there.
    ASSERT_TRUE(machine->writeFile("C:\\Work Dir\\gone.exe", programFileBytes("/nonexistent/tavix/program")));
    EXPECT_EQ(runProgramFile(*machine, "C:\\Work Dir\\gone.exe", {}, "C:\\Work Dir"), 127);
    // A working folder that does not exist runs in the machine's root.
    unsetenv("TAVIX_REPORT_EXIT");
    EXPECT_EQ(runProgramFile(*machine, kProgram, {}, "C:\\Nowhere"), 0);
    EXPECT_TRUE(std::filesystem::exists(machine->root() / "report.txt"));
}

TEST_F(ProgramTest, ADetachedProgramRunsOnByItself)
{
    EXPECT_EQ(runProgramFile(*machine, kProgram, { "detached" }, "C:\\Work Dir", HostRunOptions { false, {} }), 0);
    std::filesystem::path file = host("C:\\Work Dir") / "report.txt";
    auto written = [&] {
        std::string bytes;
        return machine->readFile("C:\\Work Dir\\report.txt", bytes) && bytes.find("arg=detached") != std::string::npos;
    };
    for (int i = 0; i < 250 && !written(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(written()) << file;
}

// Catches a running program whose file a reinstall replaces or an uninstall
// deletes under it: waited for, or run on by itself, a program holds its
// file until it ends.
TEST_F(ProgramTest, ARunningProgramsFileIsInUseUntilItEnds)
{
    const std::string waiter = "C:\\Program Files\\Tavix\\waiter.exe";
    ASSERT_TRUE(machine->writeFile(waiter, programFileBytes("/bin/sh")));
    const std::vector<std::string> script { "-c", "while [ ! -e stop ]; do sleep 0.02; done; rm stop" };
    auto until = [](const std::function<bool()>& done) {
        for (int i = 0; i < 500 && !done(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    for (bool wait : { false, true }) {
        std::thread starter([&] {
            auto own = Machine::open(machine->root()); // one machine a thread
            runProgramFile(*own, waiter, script, "C:\\Work Dir", HostRunOptions { wait, {} });
        });
        if (!wait)
            starter.join();
        until([&] { return machine->isHeld(waiter); });
        EXPECT_FALSE(machine->deleteFile(waiter)) << (wait ? "waited for" : "detached");
        EXPECT_EQ(lastError(), ERROR_SHARING_VIOLATION);
        ASSERT_TRUE(machine->writeFile("C:\\Work Dir\\stop", ""));
        if (wait)
            starter.join();
        until([&] { return !machine->isHeld(waiter); });
    }
    EXPECT_TRUE(machine->deleteFile(waiter));
}

// The restart's RunOnce commands and batch files go through the same runner.
TEST_F(ProgramTest, RestartRunsRunOnceProgramsAndBatchFiles)
{
    ASSERT_TRUE(machine->writeFile("C:\\Work Dir\\gone.txt", "x"));
    ASSERT_TRUE(machine->writeFile("C:\\TEMP\\clean.bat", "@ECHO OFF\r\nDEL \"C:\\Work Dir\\gone.txt\"\r\n"));
    RegKey key;
    ASSERT_EQ(machine->registry().createKey(
                  RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", key),
        ERROR_SUCCESS);
    ASSERT_EQ(machine->registry().setValue(key, RegValue::string("A", "\"" + kProgram + "\" -r \"-sC:\\Work Dir\"")),
        ERROR_SUCCESS);
    ASSERT_EQ(machine->registry().setValue(key, RegValue::string("B", "C:\\TEMP\\clean.bat")), ERROR_SUCCESS);
    machine->setCurrentDirectory("C:\\Work Dir");
    machine->restart();

    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(report("C:\\Work Dir").args, (std::vector<std::string> { "-r", "-sC:\\Work Dir" }));
    EXPECT_EQ(runs[1].result, 0);
    EXPECT_FALSE(machine->fileExists("C:\\Work Dir\\gone.txt"));
}

// Catches a restart that applies the delayed moves while a program still
// runs from a file they remove (left for good, the list cleared), or that
// drops a move that cannot be done yet.
TEST_F(ProgramTest, RestartEndsRunningProgramsAndKeepsMovesThatWait)
{
    const std::string waiter = "C:\\App\\waiter.exe", stuck = "C:\\App\\stuck.txt";
    const std::string pending = "PendingFileRenameOperations";
    const std::string sessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    for (bool wait : { false, true }) {
        ASSERT_TRUE(machine->forceDirectories("C:\\App"));
        ASSERT_TRUE(machine->writeFile(waiter, programFileBytes("/bin/sh")));
        ASSERT_TRUE(machine->writeFile(stuck, "x"));
        ASSERT_TRUE(machine->setFileAttributes(stuck, FILE_ATTRIBUTE_READONLY));
        const std::string stop = wait ? "stop1" : "stop0";
        std::thread starter([&] {
            auto own = Machine::open(machine->root());
            runProgramFile(*own, waiter, { "-c", "while [ ! -e " + stop + " ]; do sleep 0.02; done" }, "C:\\",
                HostRunOptions { wait, {} });
        });
        if (!wait)
            starter.join();
        for (int i = 0; i < 500 && !machine->isHeld(waiter); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        for (const std::string& path : { waiter, stuck, std::string("C:\\App") })
            ASSERT_TRUE(machine->moveFileEx(path, "", MOVEFILE_DELAY_UNTIL_REBOOT));
        machine->restart();
        EXPECT_FALSE(machine->fileExists(waiter)) << (wait ? "waited for" : "detached");
        ASSERT_TRUE(machine->writeFile("C:\\" + stop, "")); // ends it where the restart did not
        if (wait)
            starter.join();
        RegKey key;
        RegValue left;
        ASSERT_EQ(machine->registry().openKey(RootKey::LocalMachine, sessionManager, false, key), ERROR_SUCCESS);
        ASSERT_EQ(machine->registry().queryValue(key, pending, left), ERROR_SUCCESS);
        EXPECT_EQ(left.strings(), (std::vector<std::string> { "\\??\\C:\\App\\stuck.txt", "", "\\??\\C:\\App", "" }));
        ASSERT_TRUE(machine->setFileAttributes(stuck, FILE_ATTRIBUTE_NORMAL));
        machine->restart();
        EXPECT_FALSE(machine->directoryExists("C:\\App"));
        EXPECT_EQ(machine->registry().queryValue(key, pending, left), ERROR_FILE_NOT_FOUND);
    }
}

// Catches RunOnce commands lost when the restart is killed while one runs:
// run again, it runs each command once.
TEST_F(ProgramTest, ARestartKilledWhileACommandRunsRunsItAtTheNext)
{
    ASSERT_TRUE(machine->writeFile("C:\\sh.exe", programFileBytes("/bin/sh")));
    RegKey key;
    ASSERT_EQ(machine->registry().createKey(
                  RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", key),
        ERROR_SUCCESS);
    // The second command ends the restart that runs it, the first time.
    for (const auto& [name, script] : std::vector<std::pair<std::string, std::string>> { { "A", "echo A >> ran" },
             { "B", "[ -e killed ] || { touch killed; kill -9 $PPID; exit 1; }; echo B >> ran" },
             { "C", "echo C >> ran" } })
        ASSERT_EQ(machine->registry().setValue(key, RegValue::string(name, "C:\\sh.exe -c \"" + script + "\"")),
            ERROR_SUCCESS);
    const pid_t restart = ::fork();
    ASSERT_GE(restart, 0);
    if (restart == 0) {
        auto own = Machine::open(machine->root());
        installProgramRunner(*own);
        own->restart();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(restart, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    machine->restart();
    std::string ran;
    ASSERT_TRUE(machine->readFile("C:\\ran", ran));
    EXPECT_EQ(ran, "A\nB\nC\n");
}

TEST_F(ProgramTest, AProgramOpensTheMachineItWasStartedOn)
{
    setenv("TAVIX_WINPROGRAM", kProgram.c_str(), 1);
    setenv("TAVIX_WINCWD", "C:\\Work Dir", 1);
    auto same = openProgramMachine(machine->root().string());
    unsetenv("TAVIX_WINPROGRAM");
    unsetenv("TAVIX_WINCWD");
    EXPECT_EQ(same->moduleFileName(), kProgram);
    EXPECT_EQ(same->currentDirectory(), "C:\\Work Dir");
    EXPECT_TRUE(same->fileExists(kProgram));
}
