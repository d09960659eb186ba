// The setup as people use it: the seeded build machine builds the setup with
// -b (the setup program as its own process, started through the machine
// tool), the self-extracting setup.exe is copied to a fresh target machine
// and started there: the loader unpacks it and starts the setup program,
// whose wizard a scripted user plays (the setup runs in this process for
// that), the installed program starts from its link, and the uninstall link
// removes it again (the uninstall program as its own process).

#include "setup_fixture.h"

#include "platform/engineconfig/engineconfig.h"
#include "platform/win/batch.h"
#include "platform/win/shelllink.h"
#include "platform/win/text.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/installbde.h"
#include "setup/installlib/ui/wizardpages.h"
#include "setup/loader/loader.h"
#include "tests/setup/installlib/floppyset.h"
#include "tests/setup/installlib/wizard_fixture.h"

#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/routines.h"
#include "tests/platform/net/test_servers.h"

#include "setup/installlib/singlesetup.h"
#include "setup/installlib/stoppoint.h"
#include "setup/installlib/uninstalllog.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <set>
#include <unistd.h>

using namespace setuptest;
using namespace tavixsetup;

namespace {

const std::string kInstalled = "C:\\Program Files\\Tavixsoft\\Tavix Electronics";
const std::string kMenu = "C:\\WINNT\\Profiles\\User\\Start Menu\\Programs\\Tavix Electronics 1.01a - Demo";
const std::string kUninstallKey
    = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavix Electronics 1.01a - Demo";
const std::string kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The entries of a registry text: each key line, and each value line with
// its key in front ("[KEY] name=value").
std::multiset<std::string> registryEntries(const std::string& text)
{
    std::multiset<std::string> entries;
    std::string key;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.front() == '[')
            key = line;
        entries.insert(line.front() == '[' ? line : key + " " + line);
    }
    return entries;
}

// The names in one map and not in the other, for a short failure message.
std::string differingNames(const std::map<std::string, std::string>& a, const std::map<std::string, std::string>& b)
{
    std::string out;
    for (const auto& [name, bytes] : a) {
        auto other = b.find(name);
        if (other == b.end())
            out += " only before: " + name;
        else if (other->second != bytes)
            out += " changed: " + name;
    }
    for (const auto& entry : b)
        if (!a.count(entry.first))
            out += " only after: " + entry.first;
    return out;
}

std::string quoted(const std::string& s)
{
    return "'" + s + "'";
}

// The processes pid started, and theirs, the last started last.
std::vector<pid_t> descendants(pid_t pid)
{
    std::vector<pid_t> out;
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (pid_t child; children >> child;) {
        out.push_back(child);
        const std::vector<pid_t> more = descendants(child);
        out.insert(out.end(), more.begin(), more.end());
    }
    return out;
}

const std::vector<std::string> kWizard { "look", "next", "look", "next", "look", "next", "look", "next", "look",
    "next" };
const std::vector<std::string> kWizardSeen { "Welcome: Next Cancel", "Software license agreement: Previous Next Cancel",
    "Readme information: Previous Next Cancel", "Choose destination location: Previous Next Cancel",
    "Select folder in start menu: Previous Next Cancel" };

class EndToEndTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        target = win::Machine::open(dir.path() / "target", seed());
    }
    virtual win::MachineSeed seed() { return {}; }

    // An engine the target had before: an older library and a
    // configuration with an alias of another product.
    void existingEngine()
    {
        const std::string dir = str(kEngineSourceDir);
        ASSERT_TRUE(target->forceDirectories(dir));
        ASSERT_TRUE(target->writeFile(dir + "\\IDAPI32.DLL", olderEngineLibrary()));
        ASSERT_TRUE(target->writeFile(dir + "\\IDAPI32.CFG",
            "ENGINE CONFIGURATION 1\r\nSYSTEM\r\n  VERSION=3.0\r\nDRIVER PARADOX\r\n  LEVEL=3\r\n"
            "ALIAS PARTS\r\n  DRIVER=PARADOX\r\n  PATH=C:\\Parts\r\n"));
        win::RegKey key;
        ASSERT_EQ(target->registry().createKey(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", key),
            win::ERROR_SUCCESS);
        target->registry().setValue(key, win::RegValue::string("DLLPATH", dir));
        target->registry().setValue(key, win::RegValue::string("CONFIGFILE01", dir + "\\IDAPI32.CFG"));
        target->registry().setValue(key, win::RegValue::string("RESOURCE", "0009"));
    }

    static std::string olderEngineLibrary()
    {
        win::VersionSpec stamp;
        stamp.fileVersion[0] = stamp.productVersion[0] = 3;
        stamp.stringTables.push_back({ "040904E4", { { "FileVersion", "3.0.0.0" } } });
        return win::buildPeImage(win::buildVersionBlock(stamp));
    }

    // The machine tool on root; its exit code.
    int tool(const std::filesystem::path& root, const std::string& command)
    {
        const std::string line = quoted(TAVIX_WIN_TOOL) + " --winroot " + quoted(root.string()) + " " + command
            + " >>" + quoted((dir.path() / "tool.log").string()) + " 2>&1";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // -b on the build machine by the setup program, then setup.exe onto
    // the target machine.
    void buildAndCopy()
    {
        ASSERT_EQ(tool(build->root(), "run 'C:\\Tavix\\Setup\\tavixsetup.exe' -b"), 0) << log();
        setupExe = read(*build, "C:\\build\\setup.exe");
        ASSERT_TRUE(target->forceDirectories("C:\\DIST"));
        ASSERT_TRUE(target->writeFile("C:\\DIST\\setup.exe", setupExe));
    }

    // The setup program on the target machine, in this process: the
    // loaded form, its first activation with the scripted user playing
    // every modal page, and the end of the program. 1 when the run failed.
    int runSetup(const std::string& program, const std::vector<std::string>& arguments)
    {
        return runSetupOn(*target, program, arguments);
    }
    int runSetupOn(win::Machine& machine, const std::string& program, const std::vector<std::string>& arguments)
    {
        using namespace installlib;
        const std::string savedModule = machine.moduleFileName();
        machine.setModuleFileName(program);
        Application().Reset();
        const bool started = InstallLibraryStarted();
        if (!started) {
            InstallLibraryStartup();
            RegisterWizardPageClasses();
        }
        ui::MessageService::setCurrent(&messages);
        Application().Title = "Tavixsoft - Install";
        Application().Arguments = arguments;
        Application().ExeName = program;
        bool failed = false;
        {
            auto form = std::make_unique<tavixsetup::TForm1>();
            if (customize)
                customize(*form);
            Application().MainForm = form.get();
            const bool loaded = Application().Guard([&] { form->Load(); });
            if (loaded && !Application().Terminated())
                form->Activate();
            failed = !loaded || form->Install1->Failed();
            Application().MainForm = nullptr;
        }
        ClearDialogRegistries();
        if (!started)
            InstallLibraryShutdown();
        Application().Reset();
        machine.setModuleFileName(savedModule);
        return failed ? 1 : 0;
    }

    // WinExec on the target: the setup program runs in this process, every
    // other program file as its own process, batch files at once.
    void installRunner()
    {
        win::Machine* machine = target.get();
        machine->setProgramRunner([this, machine](const std::string& program, const std::string& line, int) {
            auto words = win::splitCommandLine(line);
            words.erase(words.begin());
            const std::string path = machine->fullPathName(program);
            if (win::text::toUpper(path).ends_with(".BAT")) {
                batchRuns.push_back(win::BatchInterpreter(*machine).runFile(path));
                return;
            }
            auto host = win::hostProgramOfFile(*machine, path);
            if (host && *host == std::filesystem::path(TAVIX_HOST_SETUP))
                setupRuns.push_back(runSetup(path, words));
            else
                win::runProgramFile(*machine, path, words, machine->currentDirectory());
        });
    }

    // setup.exe started on the target: the loader's work, then the setup.
    int install(std::vector<std::vector<std::string>> scripts = { kWizard, { "look", "finish" } },
        const std::string& setup = "C:\\DIST\\setup.exe", const std::vector<std::string>& arguments = {})
    {
        for (auto& script : scripts)
            user.add(script);
        win::Machine::setCurrent(target);
        installRunner();
        int code = -1;
        try {
            code = tavixloader::RunLoader(*target, setup, arguments,
                [&](const tavixloader::TSetupStart& start) { return runSetup(start.Program, start.Arguments); });
        } catch (const std::exception& e) {
            ADD_FAILURE() << e.what();
        }
        EXPECT_TRUE(user.scripts.empty()) << "the setup showed fewer pages than the user expected";
        win::Machine::setCurrent(nullptr);
        return code;
    }

    // The emulated restart, with the setup's resume played by the user.
    void restart(std::vector<std::vector<std::string>> scripts)
    {
        for (auto& script : scripts)
            user.add(script);
        win::Machine::setCurrent(target);
        installRunner();
        target->restart();
        win::Machine::setCurrent(nullptr);
    }


    std::string log() { return tavix::testing::readFile(dir.path() / "tool.log"); }

    std::optional<std::string> value(win::Machine& machine, const std::string& key, const std::string& name)
    {
        win::RegKey k;
        win::RegValue v;
        if (machine.registry().openKey(win::RootKey::LocalMachine, key, false, k) != win::ERROR_SUCCESS
            || machine.registry().queryValue(k, name, v) != win::ERROR_SUCCESS)
            return std::nullopt;
        return v.isString() ? v.text() : std::to_string(v.dwordValue());
    }

    // The files of the machine and its registry as text.
    std::map<std::string, std::string> snapshot(win::Machine& machine)
    {
        auto files = driveFiles(machine);
        files["registry"] = tavix::testing::readFile(machine.root() / "registry.reg");
        return files;
    }

    std::shared_ptr<win::Machine> target;
    std::string setupExe;
    ui::ScriptedMessageService messages;
    wizardtest::ScriptedUser user;
    std::vector<win::BatchResult> batchRuns;
    std::vector<int> setupRuns;
    // Changes made to the stored form before it loads (a variant of the
    // setup for one test).
    std::function<void(tavixsetup::TForm1&)> customize;

};

} // namespace

// Catches a build that leaves out an archive, a loader that is not the
// machine's program, or a trailer that does not point at setup.1.
TEST_F(EndToEndTest, BuildMakesASelfExtractingSetupOfTheLoaderAndBothArchives)
{
    buildAndCopy();
    const std::string setup1 = read(*build, "C:\\build\\setup.1");
    const std::string files1 = read(*build, "C:\\build\\files.1");
    ASSERT_GT(setupExe.size(), size_t(installlib::kSelfExtractTrailerSize));
    const auto info = installlib::TSelfExtractInfo::FromBytes(
        std::string_view(setupExe).substr(setupExe.size() - installlib::kSelfExtractTrailerSize));
    EXPECT_EQ(win::hostProgramOf(setupExe), std::filesystem::path(TAVIX_HOST_LOADER));
    EXPECT_EQ(setupExe.substr(size_t(info.Setup1First), size_t(info.Setup1Last - info.Setup1First + 1)), setup1);
    EXPECT_EQ(setupExe.substr(size_t(info.Files1First), size_t(info.Files1Last - info.Files1First + 1)), files1);
    EXPECT_EQ(size_t(info.Files1Last) + 1 + installlib::kSelfExtractTrailerSize, setupExe.size());
}

// Catches a failed build reported as success, waiting offscreen on a box
// nobody sees, or leaving a bare loader beside the previous build's files.1.
TEST_F(EndToEndTest, AFailedBuildSaysSoAndLeavesTheBuildFolderAsItWas)
{
    buildAndCopy();
    auto built = [&] {
        auto files = driveFiles(*build);
        std::erase_if(files, [](const auto& entry) { return !entry.first.starts_with("build"); });
        return files;
    };
    const auto before = built();
    ASSERT_TRUE(build->deleteFile(str(kProductDataDir) + "\\Reparos.DB"));
    QProcess builder;
    builder.start(TAVIX_WIN_TOOL,
        { "--winroot", QString::fromStdString(build->root().string()), "run", "C:\\Tavix\\Setup\\tavixsetup.exe",
            "-b" });
    const bool ended = builder.waitForFinished(60000);
    for (pid_t pid : descendants(pid_t(builder.processId())))
        ::kill(pid, SIGKILL);
    EXPECT_TRUE(ended);
    EXPECT_EQ(builder.exitCode(), 1);
    EXPECT_NE(builder.readAllStandardError().toStdString().find("Could not open or find the following file"),
        std::string::npos);
    EXPECT_TRUE(built() == before) << differingNames(before, built());
}

// Catches a file installed elsewhere or changed on the way, a missing or
// wrong link, an unquoted uninstall command, a counter that ignores the
// system's own copy, and leftovers of the setup itself.
TEST_F(EndToEndTest, InstallLaysOutTheProductItsLinksAndItsEntries)
{
    buildAndCopy();
    // The system's own older copy of the shared library, never counted.
    ASSERT_TRUE(target->writeFile("C:\\WINNT\\system32\\SHLWAPI.dll", "the system's older library"));
    ASSERT_TRUE(target->setFileDate("C:\\WINNT\\system32\\SHLWAPI.dll", 0x21210000));
    existingEngine();
    ASSERT_EQ(install(), 0) << log();
    std::vector<std::string> seen = kWizardSeen;
    seen.push_back("Setup complete: Finish");
    EXPECT_EQ(user.seen, seen);

    // The engine: its files in its folder, the configuration merged with
    // the alias that was there kept.
    for (const auto& name : tavixsetup::EngineFileNames())
        EXPECT_EQ(read(*target, str(kEngineSourceDir) + "\\" + name), sampledata::engineFileImage(name)) << name;
    const auto config = value(*target, "SOFTWARE\\Borland\\Database Engine", "CONFIGFILE01");
    ASSERT_TRUE(config);
    std::string error;
    const auto merged = engineconfig::Parse(read(*target, *config), error);
    ASSERT_TRUE(merged) << error;
    std::set<std::string> blocks;
    for (const auto& block : merged->Blocks)
        blocks.insert(block.Kind + " " + block.Name);
    EXPECT_TRUE(blocks.count("ALIAS PARTS")) << *config;
    EXPECT_TRUE(blocks.count("DRIVER PARADOX")) << *config;

    // Every product file, byte for byte.
    std::vector<std::pair<std::string, std::string>> files { { str(kProductDir) + "\\tavixcat.exe", "\\tavixcat.exe" },
        { str(kProductLibraryDir) + "\\readme.rtf", "\\Library\\readme.rtf" } };
    for (const auto& name : TableFileNames())
        files.push_back({ str(kProductDataDir) + "\\" + name, "\\Data\\" + name });
    for (const auto& name : HelpPageNames())
        files.push_back({ str(kProductHelpDir) + "\\" + name, "\\Help\\" + name });
    for (const auto& name : HelpPictureNames())
        files.push_back({ str(kProductPicturesDir) + "\\" + name, "\\Help\\Imagens\\" + name });
    EXPECT_EQ(files.size(), 49u);
    for (const auto& [source, installed] : files)
        EXPECT_TRUE(read(*target, kInstalled + installed) == read(*build, source)) << installed;
    EXPECT_EQ(read(*target, kInstalled + "\\uninstall.exe"),
        read(*build, str(kLibraryDir) + "\\" + str(kUninstallProgramName)));
    EXPECT_EQ(read(*target, "C:\\WINNT\\system32\\SHLWAPI.dll"), sampledata::systemLibraryImage());
    EXPECT_EQ(value(*target, kSharedDlls, "C:\\WINNT\\system32\\SHLWAPI.dll"), "2");

    // The three links.
    const auto uninstallLink = win::readShellLink(*target, kMenu + "\\Uninstall Tavix Electronics - Demo.LNK");
    EXPECT_EQ(uninstallLink.target, kInstalled + "\\uninstall.exe");
    EXPECT_EQ(uninstallLink.arguments, str(kProductName));
    const auto programLink = win::readShellLink(*target, kMenu + "\\Tavix Electronics - Demo.LNK");
    EXPECT_EQ(programLink.target, kInstalled + "\\tavixcat.exe");
    EXPECT_EQ(programLink.workingDirectory, kInstalled);
    const auto helpLink = win::readShellLink(*target, kMenu + "\\Tavix Electronics Help.LNK");
    EXPECT_EQ(helpLink.target, kInstalled + "\\Help\\visao_geral.html");

    // The uninstall entry, with the program's path quoted.
    EXPECT_EQ(value(*target, kUninstallKey, "DisplayName"), str(kProductName));
    EXPECT_EQ(value(*target, kUninstallKey, "UninstallString"),
        "\"" + kInstalled + "\\uninstall.exe\" " + str(kProductName));

    const size_t logged = log().size();
    ASSERT_EQ(tool(target->root(), "installed"), 0);
    EXPECT_NE(log().find(str(kProductName) + "\n    uninstall: \"" + kInstalled + "\\uninstall.exe\" ", logged),
        std::string::npos)
        << log();

    // The setup cleaned up after itself: its Temp folder, run record and
    // restart entry are gone.
    EXPECT_FALSE(target->directoryExists("C:\\TEMP\\QS1"));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle"));
    EXPECT_FALSE(value(*target, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "QuorleUnfinished"));
}

// Catches a first disk that cannot hold the loader and setup.1 (programs
// packed with their debug information), disks the loader cannot start
// from, and an install from disks that differs from the one from the
// single file.
TEST_F(EndToEndTest, FloppiesMadeWithToDiskInstallAsTheSingleFileDoes)
{
    buildAndCopy();
    target->setDriveCapacity('A', 1457664);
    floppytest::FloppySet floppies(*target, dir.path() / "disks");
    std::vector<int> asked;
    messages.onShow([&](const ui::ScriptedMessageService::Asked& box) {
        const auto at = box.text.find_first_of("0123456789");
        if (box.text.rfind("Please insert disk", 0) == 0 && at != std::string::npos) {
            asked.push_back(std::stoi(box.text.substr(at)));
            floppies.insert(asked.back());
        }
    });
    ASSERT_EQ(install({}, "C:\\DIST\\setup.exe", { "*TODISK" }), 0);
    ASSERT_EQ(messages.asked().size(), asked.size() + 1) << messages.asked().back().text;
    EXPECT_EQ(messages.asked().back().text.rfind("This installation was transferred to ", 0), 0u);
    EXPECT_FALSE(target->directoryExists("C:\\TEMP\\QS1"));
    floppies.insert(1);
    EXPECT_EQ(floppies.names(), (std::vector<std::string> { "files.1", "files.id", "setup.1", "setup.exe" }));

    ASSERT_TRUE(target->deleteFile("C:\\DIST\\setup.exe"));
    ASSERT_EQ(install({ kWizard, { "look", "finish" } }, "A:\\setup.exe"), 0) << messages.asked().back().text;
    EXPECT_EQ(messages.asked().size(), asked.size() + 1);
    auto fromDisks = snapshot(*target);

    target = win::Machine::open(dir.path() / "single");
    ASSERT_TRUE(target->forceDirectories("C:\\DIST"));
    ASSERT_TRUE(target->writeFile("C:\\DIST\\setup.exe", setupExe));
    ASSERT_EQ(install(), 0);
    auto fromFile = snapshot(*target);
    // The setup files themselves are not part of what was installed.
    for (auto* files : { &fromDisks, &fromFile })
        std::erase_if(*files, [](const auto& entry) { return entry.first.starts_with("DIST") || entry.first.starts_with("TEMP"); });
    EXPECT_EQ(fromDisks.size(), fromFile.size()) << differingNames(fromDisks, fromFile);
    EXPECT_TRUE(fromDisks == fromFile) << differingNames(fromDisks, fromFile);
}

// Catches a copy error that names a component of the script or a path of
// the build machine instead of where the file goes and what holds it.
TEST_F(EndToEndTest, ADamagedFileIsNamedByWhereItGoesAndItsArchive)
{
    buildAndCopy();
    const auto info = installlib::TSelfExtractInfo::FromBytes(
        std::string_view(setupExe).substr(setupExe.size() - installlib::kSelfExtractTrailerSize));
    installlib::TFileHeader first;
    ASSERT_TRUE(first.Decode(
        reinterpret_cast<const std::uint8_t*>(setupExe.data()) + info.Files1First + installlib::kArchiveCountSize));
    ASSERT_EQ(installlib::ExtractFileName(first.SourcePath), "logo.gif");
    const size_t middle = size_t(info.Files1First) + size_t(first.DataOffset + first.EndOffset) / 2;
    for (size_t i = middle; i < middle + 16; ++i)
        setupExe[i] = char(setupExe[i] ^ 0x55);
    ASSERT_TRUE(target->writeFile("C:\\DIST\\setup.exe", setupExe));

    ASSERT_EQ(install({ kWizard, { "look", "finish" } }), 1);
    EXPECT_EQ(user.seen.back(), "Setup incomplete: Finish");
    ASSERT_FALSE(messages.asked().empty());
    const std::string said = kInstalled
        + "\\Help\\Imagens\\logo.gif cannot be unpacked, because the member logo.gif "
          "of the archive files.1 in C:\\DIST\\setup.exe is damaged (";
    EXPECT_EQ(messages.asked().back().text.substr(0, said.size()), said);
}

// Catches a program link whose target or working folder does not let the
// program find its tables: the program then stops with an error.
TEST_F(EndToEndTest, TheProgramStartsFromItsLinkAndStaysUp)
{
    buildAndCopy();
    ASSERT_EQ(install(), 0) << log();
    const auto link = win::readShellLink(*target, kMenu + "\\Tavix Electronics - Demo.LNK");
    const auto host = win::hostProgramOfFile(*target, link.target);
    ASSERT_TRUE(host);
    std::filesystem::path folder;
    ASSERT_TRUE(target->resolve(link.workingDirectory, folder));

    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(folder.string()));
    program.setProcessChannelMode(QProcess::MergedChannels);
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TAVIX_WINROOT", QString::fromStdString(target->root().string()));
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString(host->string()), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_FALSE(program.waitForFinished(4000)) << program.readAll().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
}

// Catches uninstall leaving the product behind, or taking what was there
// before (the system's shared library) or what is not its own.
TEST_F(EndToEndTest, UninstallFromItsLinkPutsTheMachineBack)
{
    buildAndCopy();
    ASSERT_TRUE(target->writeFile("C:\\WINNT\\system32\\SHLWAPI.dll", "the system's older library"));
    ASSERT_TRUE(target->setFileDate("C:\\WINNT\\system32\\SHLWAPI.dll", 0x21210000));
    auto before = snapshot(*target);
    ASSERT_EQ(install(), 0) << log();
    ASSERT_TRUE(target->fileExists(kInstalled + "\\tavixcat.exe"));
    ASSERT_EQ(tool(target->root(), "run " + quoted(kMenu + "\\Uninstall Tavix Electronics - Demo.LNK")), 0) << log();
    // The uninstall program was running: it goes at the next start.
    EXPECT_TRUE(target->fileExists(kInstalled + "\\uninstall.exe"));
    ASSERT_EQ(tool(target->root(), "restart"), 0) << log();
    auto after = snapshot(*target);

    // What stays: the engine (its files, configuration and registry
    // values, the counters of its libraries), the system library (the newer
    // copy, its share counted once), the order trace, the profile the link
    // code opened, and the emptied keys of the shared-library and
    // uninstall lists.
    const std::string registryBefore = before["registry"], registryAfter = after["registry"];
    for (auto* m : { &before, &after }) {
        for (auto it = m->begin(); it != m->end();)
            it = it->first.rfind("Program Files/Borland", 0) == 0 ? m->erase(it) : std::next(it);
        m->erase("WINNT/system32/SHLWAPI.dll");
        m->erase("WINNT/QrleInstallOrder.txt");
        m->erase("WINNT/WIN.INI");
        m->erase("registry");
    }
    EXPECT_TRUE(after == before) << differingNames(before, after);
    std::multiset<std::string> added = registryEntries(registryAfter);
    for (const auto& line : registryEntries(registryBefore)) {
        auto at = added.find(line);
        if (at == added.end() && line.find("Borland") == std::string::npos)
            ADD_FAILURE() << "uninstall removed " << line;
        else if (at != added.end())
            added.erase(at);
    }
    for (auto it = added.begin(); it != added.end();)
        it = it->find("Borland") != std::string::npos ? added.erase(it) : std::next(it);
    const std::string shared = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]";
    EXPECT_EQ(added,
        (std::multiset<std::string> { shared, shared + " \"C:\\\\WINNT\\\\system32\\\\SHLWAPI.dll\"=dword:00000001",
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall]" }));
    EXPECT_EQ(read(*target, "C:\\WINNT\\system32\\SHLWAPI.dll"), sampledata::systemLibraryImage());
    EXPECT_EQ(value(*target, kSharedDlls, "C:\\WINNT\\system32\\SHLWAPI.dll"), "1");
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey));
}

// Catches a reinstall that overwrites the repairs the user recorded, while
// the part tables are brought back to the shipped ones.
TEST_F(EndToEndTest, AReinstallKeepsTheUsersRepairRecords)
{
    buildAndCopy();
    ASSERT_EQ(install(), 0) << log();
    ASSERT_TRUE(target->writeFile(kInstalled + "\\Data\\Reparos.DB", "the user's repairs"));
    ASSERT_TRUE(target->writeFile(kInstalled + "\\Data\\transistores.DB", "damaged"));
    ASSERT_EQ(install(), 0) << log();
    EXPECT_EQ(read(*target, kInstalled + "\\Data\\Reparos.DB"), "the user's repairs");
    EXPECT_EQ(read(*target, kInstalled + "\\Data\\transistores.DB"), read(*build, str(kProductDataDir) + "\\transistores.DB"));
}

// Catches uninstall deleting the repairs the user recorded (kept by the
// reinstall too) or the empty folder the product was installed into, or
// leaving a folder that the install made.
TEST_F(EndToEndTest, AChangedTableAndTheFolderThatWasThereOutliveReinstallAndUninstall)
{
    buildAndCopy();
    const std::vector<std::string> wizard { "next", "next", "next", "type:C:\\My Documents", "next", "next" };
    const std::string product = "C:\\My Documents\\Tavix Electronics";
    ASSERT_TRUE(target->directoryExists("C:\\My Documents"));
    ASSERT_EQ(install({ wizard, { "finish" } }), 0) << log();
    ASSERT_TRUE(target->writeFile(product + "\\Data\\Reparos.DB", "the user's repairs"));
    ASSERT_EQ(install({ wizard, { "finish" } }), 0) << log();
    ASSERT_EQ(tool(target->root(), "run " + quoted(kMenu + "\\Uninstall Tavix Electronics - Demo.LNK")), 0) << log();
    ASSERT_EQ(tool(target->root(), "restart"), 0) << log();

    EXPECT_EQ(read(*target, product + "\\Data\\Reparos.DB"), "the user's repairs");
    EXPECT_NE(log().find("Reparos.DB: changed since it was installed"), std::string::npos) << log();
    std::set<std::string> left;
    for (const auto& [path, bytes] : driveFiles(*target))
        if (path.starts_with("My Documents"))
            left.insert(path);
    EXPECT_EQ(left,
        (std::set<std::string> { "My Documents/", "My Documents/Tavix Electronics/",
            "My Documents/Tavix Electronics/Data/", "My Documents/Tavix Electronics/Data/Reparos.DB" }));
    EXPECT_FALSE(target->directoryExists(kMenu));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey));
}

// Catches a reinstall into another folder after which uninstall leaves the
// first folder's uninstall program and folders, with no entry left to
// remove them.
TEST_F(EndToEndTest, AfterInstallsIntoTwoFoldersUninstallLeavesNothingOfEither)
{
    buildAndCopy();
    ASSERT_EQ(install(), 0) << log();
    ASSERT_EQ(install({ { "next", "next", "next", "type:C:\\Other", "next", "next" }, { "finish" } }), 0) << log();
    ASSERT_TRUE(target->fileExists("C:\\Other\\Tavix Electronics\\uninstall.exe"));
    ASSERT_EQ(tool(target->root(), "run " + quoted(kMenu + "\\Uninstall Tavix Electronics - Demo.LNK")), 0) << log();
    ASSERT_EQ(tool(target->root(), "restart"), 0) << log();
    EXPECT_FALSE(target->directoryExists("C:\\Program Files\\Tavixsoft"));
    EXPECT_FALSE(target->directoryExists("C:\\Other"));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey));
}

namespace {

class CancelTest : public EndToEndTest, public ::testing::WithParamInterface<int> { };

class RebootTest : public EndToEndTest, public ::testing::WithParamInterface<win::WindowsKind> {
protected:
    win::MachineSeed seed() override
    {
        win::MachineSeed s;
        s.kind = GetParam();
        return s;
    }
};

} // namespace

// Catches two setups at once on one machine, which change the engine's
// configuration under each other: a second start is refused at once and
// touches nothing, and a killed setup blocks no later one.
TEST_F(EndToEndTest, ASecondSetupIsRefusedWhileOneRuns)
{
    buildAndCopy();
    const QStringList run { "--winroot", QString::fromStdString(target->root().string()), "run",
        "C:\\DIST\\setup.exe" };
    QProcess first, second;
    first.start(TAVIX_WIN_TOOL, run);
    ASSERT_TRUE(first.waitForStarted(10000));
    // It took the hold long before its run record, and waits for the user
    // once the registry stays as it is.
    std::string registry;
    for (int i = 0, same = 0; i < 1500 && same < 10; ++i) {
        QTest::qWait(20);
        const std::string now = tavix::testing::readFile(target->root() / "registry.reg");
        same = now == registry && now.find("Quorle") != std::string::npos ? same + 1 : 0;
        registry = now;
    }
    const auto before = snapshot(*target);
    second.start(TAVIX_WIN_TOOL, run);
    const bool ended = second.waitForFinished(60000);
    for (pid_t pid : descendants(pid_t(second.processId())))
        ::kill(pid, SIGKILL); // a second wizard
    EXPECT_TRUE(ended);
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_NE(second.readAllStandardError().toStdString().find(installlib::kSetupRunningText), std::string::npos);
    EXPECT_TRUE(snapshot(*target) == before) << differingNames(before, snapshot(*target));

    const std::vector<pid_t> started = descendants(pid_t(first.processId()));
    ASSERT_FALSE(started.empty());
    ::kill(started.back(), SIGKILL); // the setup program
    EXPECT_TRUE(first.waitForFinished(20000));
    EXPECT_TRUE(target->holdName(installlib::kSetupHoldName).holding());
}

// Catches a Cancel that leaves anything behind: files, links, entries, the
// run record, a restart entry or the setup's own Temp folder.
TEST_P(CancelTest, CancelOnAPageInstallsNothing)
{
    buildAndCopy();
    std::vector<std::string> steps(size_t(GetParam()), "next");
    steps.push_back("cancel");
    ASSERT_EQ(install({ steps, { "look", "finish" } }), 1);
    EXPECT_EQ(user.seen, std::vector<std::string> { "Setup incomplete: Finish" });
    EXPECT_FALSE(target->directoryExists("C:\\Program Files\\Tavixsoft"));
    EXPECT_FALSE(target->directoryExists(kMenu));
    EXPECT_FALSE(target->fileExists("C:\\WINNT\\system32\\SHLWAPI.dll"));
    EXPECT_FALSE(target->directoryExists(str(kEngineSourceDir)));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle"));
    EXPECT_FALSE(value(*target, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "QuorleUnfinished"));
    EXPECT_FALSE(target->directoryExists("C:\\TEMP\\QS1"));
}

INSTANTIATE_TEST_SUITE_P(EveryPage, CancelTest, ::testing::Range(0, 5));

// Catches a failed first install that leaves its files, its Temp folder on
// a full disk, or an entry without an uninstall program that nobody can
// remove: the machine is as it was (the shared engine aside).
TEST_F(EndToEndTest, AFailedFirstInstallTakesBackWhatItWrote)
{
    buildAndCopy();
    const auto info = installlib::TSelfExtractInfo::FromBytes(
        std::string_view(setupExe).substr(setupExe.size() - installlib::kSelfExtractTrailerSize));
    std::string damaged = setupExe;
    for (size_t at = size_t(info.Files1First + (info.Files1Last - info.Files1First) * 2 / 3), n = 0; n < 64; ++n)
        damaged[at + n] ^= 0x5a;
    const struct {
        std::string name, setup;
        std::uint64_t room; // left on C: for the install, 0: no limit
    } cases[] = { { "damaged", damaged, 0 }, { "full", setupExe, 560000 } };
    for (const auto& c : cases) {
        target = win::Machine::open(dir.path() / c.name);
        ASSERT_TRUE(target->forceDirectories("C:\\DIST"));
        ASSERT_TRUE(target->writeFile("C:\\DIST\\setup.exe", c.setup));
        if (c.room) {
            target->setDriveCapacity('C', 1ull << 40);
            target->setDriveCapacity('C', (1ull << 40) - *target->diskFreeSpace("C:\\") + c.room);
        }
        user.seen.clear();
        EXPECT_EQ(install({ kWizard, { "look", "finish" } }), 1) << c.name;
        EXPECT_EQ(user.seen.back(), "Setup incomplete: Finish") << c.name;
        EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey)) << c.name;
        EXPECT_FALSE(target->directoryExists("C:\\Program Files\\Tavixsoft")) << c.name;
        EXPECT_FALSE(target->directoryExists("C:\\TEMP\\QS1")) << c.name;
    }
}

// Catches a library in use that is never replaced, a restart that does not
// finish the install, or a run record left after it.
TEST_P(RebootTest, AnEngineLibraryInUseIsReplacedAtTheRestartAndTheSetupFinishes)
{
    buildAndCopy();
    existingEngine();
    const std::string library = str(kEngineSourceDir) + "\\IDAPI32.DLL";
    target->setInUse(library, true);
    ASSERT_EQ(install({ kWizard, { "look", "yes", "finish" } }), 0);
    EXPECT_EQ(user.seen.back(), "Reboot windows: Finish");
    EXPECT_TRUE(target->rebootRequested());
    EXPECT_EQ(read(*target, library), olderEngineLibrary());
    EXPECT_TRUE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle\\Install"));
    const auto command = value(*target, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "QuorleUnfinished");
    ASSERT_TRUE(command);
    EXPECT_NE(command->find(" -r "), std::string::npos) << *command;

    user.seen.clear();
    restart({ { "look", "finish" } });
    EXPECT_EQ(setupRuns, std::vector<int> { 0 });
    EXPECT_EQ(user.seen, std::vector<std::string> { "Setup complete: Finish" });
    EXPECT_EQ(read(*target, library), sampledata::engineFileImage("IDAPI32.DLL"));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle"));
    EXPECT_FALSE(value(*target, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "QuorleUnfinished"));
    EXPECT_TRUE(target->fileExists(kInstalled + "\\tavixcat.exe"));
    EXPECT_FALSE(target->directoryExists("C:\\TEMP\\QS1"));
}

// Catches a reinstall's newer copy of a program that ran, moved in place at
// the restart after the uninstall (the program left for good, with no
// entry), and a resume that reports a complete install of a product an
// uninstall left for a second run or was stopped in.
TEST_P(RebootTest, UninstallTakesTheReinstallsPendingWorkWhetherTheProgramStillRunsOrNot)
{
    buildAndCopy();
    const std::string program = kInstalled + "\\tavixcat.exe";
    const std::string uninstall = "run " + quoted(kInstalled + "\\uninstall.exe") + " " + quoted(str(kProductName));
    const struct {
        std::string how;
        int stopAt; // 0: not stopped
        bool againFirst; // the stopped run again before the restart
    } cases[] = { { "closed first", 0, false }, { "running", 0, false }, { "stopped, restarted", 2, false },
        { "stopped, run again", 52, true } };
    for (const auto& [how, stopAt, againFirst] : cases) {
        ASSERT_EQ(install(), 0) << log();
        target->setInUse(program, true);
        ASSERT_EQ(install({ kWizard, { "look", "no", "finish" } }), 0);
        target->setInUse(program, how == "running");
        if (stopAt)
            ::setenv("TAVIX_STOP_AT", ("uninstall:" + std::to_string(stopAt)).c_str(), 1);
        tool(target->root(), uninstall);
        ::unsetenv("TAVIX_STOP_AT");
        target->setInUse(program, false);
        if (againFirst) {
            EXPECT_EQ(tool(target->root(), uninstall), 0) << log();
        }
        restart({});
        if (target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey)) {
            EXPECT_EQ(tool(target->root(), uninstall), 0) << log();
            restart({});
        }
        EXPECT_EQ(setupRuns, std::vector<int> {}) << how;
        EXPECT_FALSE(target->directoryExists("C:\\Program Files\\Tavixsoft")) << how;
        EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey)) << how;
    }
}

INSTANTIATE_TEST_SUITE_P(NT4AndWindows95, RebootTest, ::testing::Values(win::WindowsKind::NT4, win::WindowsKind::Win95));


// Catches a net distribution that keeps the net files in the main archive,
// stops before its pages because their archives are not fetched yet, does
// not fetch them from the server at install, or installs other bytes.
TEST_F(EndToEndTest, ANetDistributionInstallsTheEngineFromALoopbackServer)
{
    const std::filesystem::path served = dir.path() / "served";
    std::filesystem::create_directories(served / "dl");
    tavix::testing::TestServer server(tavix::testing::TestServer::Kind::Http, served);
    customize = [&](tavixsetup::TForm1& form) {
        auto* location = new installlib::TCustomNetInstallLocation(&form);
        location->SetName("Server");
        location->LoginInformation().Hostname = server.hostname();
        location->LoginInformation().Directory = "dl";
        form.Install1->SetNetLocation(location);
        form.Install1->SetDistributeType(installlib::dtTraditionalNet); // the form is still loading
    };

    // Built in this process with the net script; the net folder is then
    // put on the server.
    win::Machine::setCurrent(build);
    ASSERT_EQ(runSetupOn(*build, "C:\\Tavix\\Setup\\tavixsetup.exe", { "-b" }), 0);
    for (const auto& asked : messages.asked())
        ADD_FAILURE() << "the build said: " << asked.text;
    const std::string netDir = "C:\\build\\" + installlib::MakeValidFileName(server.hostname()) + "\\dl";
    const auto netFiles = build->findFiles(netDir + "\\*");
    ASSERT_FALSE(netFiles.empty()) << netDir;
    for (const auto& f : netFiles)
        tavix::testing::writeFile(served / "dl" / f.name, read(*build, netDir + "\\" + f.name));
    installlib::InstallLibraryStartup();
    {
        installlib::TQrleCompress archive;
        archive.SetCompressedFile("C:\\build\\files.1");
        for (int i = 0; i < archive.MemberCount(); ++i)
            EXPECT_EQ(archive.Headers().GetFileHeaders(i).SourcePath.find("Borland"), std::string::npos)
                << archive.Headers().GetFileHeaders(i).SourcePath;
    }
    installlib::InstallLibraryShutdown();
    win::Machine::setCurrent(nullptr);
    setupExe = read(*build, "C:\\build\\setup.exe");
    ASSERT_TRUE(target->forceDirectories("C:\\DIST"));
    ASSERT_TRUE(target->writeFile("C:\\DIST\\setup.exe", setupExe));

    ASSERT_EQ(install(), 0) << (messages.asked().empty() ? std::string() : messages.asked().back().text);
    for (const auto& name : tavixsetup::EngineFileNames())
        EXPECT_EQ(read(*target, str(kEngineSourceDir) + "\\" + name), sampledata::engineFileImage(name)) << name;
    EXPECT_EQ(read(*target, kInstalled + "\\uninstall.exe"),
        read(*build, str(kLibraryDir) + "\\" + str(kUninstallProgramName)));
    EXPECT_EQ(read(*target, kInstalled + "\\tavixcat.exe"), read(*build, str(kProductDir) + "\\tavixcat.exe"));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle"));
}

// Catches a resume that fails after a restart was declined twice (the
// second run's entry naming a record or a Temp folder the first resume
// already removed), and a Temp folder or run record left behind.
TEST_F(EndToEndTest, DeclinedRestartsEndAsOneRestartWould)
{
    buildAndCopy();
    existingEngine();
    target->setInUse(str(kEngineSourceDir) + "\\IDAPI32.DLL", true);
    ASSERT_EQ(install({ kWizard, { "look", "no", "finish" } }), 0);
    ASSERT_EQ(install({ kWizard, { "look", "no", "finish" } }), 0);
    const std::string runOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    EXPECT_TRUE(value(*target, runOnce, "QuorleUnfinished"));
    EXPECT_FALSE(value(*target, runOnce, "QuorleUnfinished1")); // one resume, not one for each run
    user.seen.clear();
    restart({ { "look", "finish" } });
    EXPECT_EQ(user.seen, std::vector<std::string> { "Setup complete: Finish" });
    EXPECT_EQ(read(*target, str(kEngineSourceDir) + "\\IDAPI32.DLL"), sampledata::engineFileImage("IDAPI32.DLL"));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle"));
    EXPECT_TRUE(target->findFiles("C:\\TEMP\\*").empty());
}

// Catches what killed runs leave (the archive's temporary copies beside the
// files and in a loader's Temp folder, batch files, the registry store's
// temporary copy) outliving a later run, and a clean-up that takes files
// that are not its own, that a live program holds or a restart needs.
TEST_F(EndToEndTest, ALaterRunRemovesWhatKilledRunsLeftAndNothingElse)
{
    buildAndCopy();
    const struct {
        std::string path;
        bool stays;
    } leftovers[] = {
        { kInstalled + "\\Data\\QRL96A3.TMP", false },
        { "C:\\TEMP\\QS1\\QRL1F.TMP", false },
        { "C:\\TEMP\\bat2C.bat", false },
        { "C:\\TEMP\\BAT5.TMP", false },
        { kInstalled + "\\Data\\QRLNOTES.TMP", true },
        { "C:\\QRL34.TMP", true },
        { "C:\\TEMP\\QS7\\notes.txt", true },
        { "C:\\TEMP\\QRL12.TMP", true }, // held by a live program
        { "C:\\TEMP\\bat3D.bat", true }, // run at the next restart
    };
    for (const auto& leftover : leftovers) {
        ASSERT_TRUE(target->forceDirectories(leftover.path.substr(0, leftover.path.rfind('\\'))));
        ASSERT_TRUE(target->writeFile(leftover.path, ""));
    }
    // The machine's own temporary files of writers that were killed (no
    // such process) go; a live writer's stays.
    ASSERT_TRUE(target->forceDirectories(kMenu));
    ASSERT_TRUE(target->forceDirectories(str(kEngineSourceDir)));
    const auto hostPath = [&](const std::string& path) {
        std::filesystem::path host;
        target->resolve(path, host);
        return host;
    };
    const struct {
        std::filesystem::path file;
        bool stays;
    } writersTemps[] = {
        { hostPath(kMenu) / ".tavix:write.4999999-3.tmp", false },
        { hostPath(str(kEngineSourceDir)) / ".tavix:write.4999999-0.tmp", false },
        { hostPath(kMenu) / (".tavix:write." + std::to_string(getpid()) + "-4.tmp"), true },
    };
    for (const auto& temp : writersTemps)
        tavix::testing::writeFile(temp.file, "");
    const auto held = target->hold("C:\\TEMP\\QRL12.TMP");
    target->registry().writeString(
        win::RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "Other", "C:\\TEMP\\bat3D.bat");
    const auto store = target->root() / ".registry.reg.999999-1.tmp";
    tavix::testing::writeFile(store, "");
    target = win::Machine::open(target->root());

    ASSERT_EQ(install(), 0);
    for (const auto& leftover : leftovers)
        EXPECT_EQ(target->fileExists(leftover.path), leftover.stays) << leftover.path;
    for (const auto& temp : writersTemps)
        EXPECT_EQ(std::filesystem::exists(temp.file), temp.stays) << temp.file;
    EXPECT_FALSE(target->directoryExists("C:\\TEMP\\QS1"));
    EXPECT_FALSE(std::filesystem::exists(store));

    // A reinstall killed while it wrote the tables: uninstall takes its copy too.
    ASSERT_TRUE(target->writeFile(kInstalled + "\\Data\\QRL7.TMP", ""));
    ASSERT_EQ(tool(target->root(), "run " + quoted(kMenu + "\\Uninstall Tavix Electronics - Demo.LNK")), 0) << log();
    EXPECT_FALSE(target->fileExists(kInstalled + "\\Data\\QRL7.TMP"));
}

// Catches an uninstall stopped part-way that, run again, releases a shared
// count a second time (the library another product counts on goes), leaves
// an entry that can never be removed, or has its program removed at the
// restart while its entry still names it.
TEST_F(EndToEndTest, AnUninstallKilledAtAnyStepEndsAsACleanOneWhenRunAgain)
{
    buildAndCopy();
    ASSERT_TRUE(target->writeFile("C:\\WINNT\\system32\\SHLWAPI.dll", "another product's library"));
    target->registry().writeDWord(win::RootKey::LocalMachine, kSharedDlls, "C:\\WINNT\\system32\\SHLWAPI.dll", 1);
    ASSERT_EQ(install(), 0) << log();
    const std::filesystem::path installed = dir.path() / "installed";
    std::filesystem::copy(target->root(), installed, std::filesystem::copy_options::recursive);
    const std::string uninstall = "run " + quoted(kMenu + "\\Uninstall Tavix Electronics - Demo.LNK");
    const std::string again = "run " + quoted(kInstalled + "\\uninstall.exe") + " " + quoted(str(kProductName));
    auto endState = [&](const std::string& name, int stopAt, bool restartFirst) {
        const std::filesystem::path root = dir.path() / name;
        std::filesystem::copy(installed, root, std::filesystem::copy_options::recursive);
        if (stopAt > 0) {
            ::setenv("TAVIX_STOP_AT", ("uninstall:" + std::to_string(stopAt)).c_str(), 1);
            EXPECT_NE(tool(root, uninstall), 0) << stopAt;
            ::unsetenv("TAVIX_STOP_AT");
        }
        if (restartFirst) {
            EXPECT_EQ(tool(root, "restart"), 0) << log();
        }
        // Again from the programs list: the run may have taken the link.
        EXPECT_EQ(tool(root, stopAt > 0 ? again : uninstall), 0) << stopAt << log();
        EXPECT_EQ(tool(root, "restart"), 0) << log();
        std::map<std::string, std::string> state = snapshot(*win::Machine::open(root));
        state.erase("WINNT/QrleInstallOrder.txt");
        return state;
    };
    const auto clean = endState("clean", 0, false);
    EXPECT_NE(clean.at("registry").find("SHLWAPI.dll\"=dword:00000001"), std::string::npos);
    // A file taken, the last file, the closing step; with the restart before or after.
    for (const auto& [stopAt, restartFirst] : { std::pair { 3, false }, { 69, true }, { 70, false }, { 70, true } }) {
        const auto state
            = endState("killed" + std::to_string(stopAt) + (restartFirst ? "r" : ""), stopAt, restartFirst);
        EXPECT_TRUE(state == clean) << stopAt << ":" << differingNames(clean, state);
    }
}

// Catches a setup that lists the product before its uninstall program is in
// place: stopped there, it leaves an entry nobody can remove. What the
// machine holds at each point of the run is what a kill there leaves.
TEST_F(EndToEndTest, ASetupKilledAtAnyPointLeavesNoEntryOrOneThatUninstalls)
{
    buildAndCopy();
    const std::filesystem::path killed = dir.path() / "killed";
    int passes = 0;
    std::string broken;
    installlib::SetStopPointHook([&](std::string_view point) {
        if (point != "install")
            return;
        ++passes;
        const auto command = value(*target, kUninstallKey, "UninstallString");
        if (target->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey)
            && !(command && target->fileExists(installlib::QuotedProgramOf(*command))))
            broken += " " + std::to_string(passes);
        if (passes == 140)
            std::filesystem::copy(target->root(), killed, std::filesystem::copy_options::recursive);
    });
    EXPECT_EQ(install(), 0);
    installlib::SetStopPointHook(nullptr);
    EXPECT_EQ(broken, "");

    auto machine = win::Machine::open(killed);
    ASSERT_TRUE(machine->fileExists(kInstalled + "\\tavixcat.exe"));
    EXPECT_EQ(tool(killed, "run " + quoted(kInstalled + "\\uninstall.exe") + " " + quoted(str(kProductName))), 0)
        << log();
    EXPECT_EQ(tool(killed, "restart"), 0);
    EXPECT_FALSE(machine->directoryExists("C:\\Program Files\\Tavixsoft"));
    EXPECT_FALSE(machine->registry().keyExists(win::RootKey::LocalMachine, kUninstallKey));
}

// Catches an uninstall that leaves the product's resume waiting for the
// restart, which then reports a complete install of a product that is gone.
TEST_F(EndToEndTest, UninstallTakesTheResumeThatWaitsForTheRestart)
{
    buildAndCopy();
    ASSERT_EQ(install(), 0) << log();
    target->setInUse(kInstalled + "\\tavixcat.exe", true); // the program runs
    ASSERT_EQ(install({ kWizard, { "look", "no", "finish" } }), 0);
    const std::string runOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    ASSERT_TRUE(value(*target, runOnce, "QuorleUnfinished"));
    ASSERT_EQ(tool(target->root(), "run " + quoted(kMenu + "\\Uninstall Tavix Electronics - Demo.LNK")), 0) << log();
    EXPECT_FALSE(value(*target, runOnce, "QuorleUnfinished"));
    target->setInUse(kInstalled + "\\tavixcat.exe", false);
    user.seen.clear();
    restart({});
    EXPECT_EQ(setupRuns, std::vector<int> {});
    EXPECT_EQ(user.seen, std::vector<std::string> {});
    EXPECT_FALSE(value(*target, runOnce, "QuorleUnfinished"));
    EXPECT_FALSE(target->registry().keyExists(win::RootKey::LocalMachine, "SOFTWARE\\Quorle"));
    EXPECT_TRUE(target->findFiles("C:\\TEMP\\*").empty());
    EXPECT_FALSE(target->directoryExists("C:\\Program Files\\Tavixsoft"));
}
