// The setup as people use it: the seeded build machine builds the setup with
// -b, the self-extracting setup.exe is copied to a fresh target machine and
// started there (the loader unpacks and starts the setup program, which
// installs), the installed program starts from its link, and the uninstall
// link removes it again. Every program runs as its own process, started
// through the machine tool.

#include "setup_fixture.h"

#include "platform/win/shelllink.h"
#include "setup/installlib/buildmode.h"
#include "tools/samplehelp.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <cstdlib>
#include <set>

using namespace setuptest;
using namespace tavixsetup;

namespace {

const std::string kInstalled = "C:\\Program Files\\Tavixsoft\\Tavix Electronics";
const std::string kMenu = "C:\\WINNT\\Profiles\\User\\Start Menu\\Programs\\Tavix Electronics 1.01a - Demo";
const std::string kUninstallKey
    = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavix Electronics 1.01a - Demo";
const std::string kSharedDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// The non-blank lines of a registry text.
std::multiset<std::string> registryLines(const std::string& text)
{
    std::multiset<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.insert(line);
    }
    return lines;
}

std::string quoted(const std::string& s)
{
    return "'" + s + "'";
}

class EndToEndTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        target = win::Machine::open(dir.path() / "target");
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

    int install() { return tool(target->root(), "run 'C:\\DIST\\setup.exe'"); }

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

// Catches a file installed elsewhere or changed on the way, a missing or
// wrong link, an unquoted uninstall command, a counter that ignores the
// system's own copy, and leftovers of the setup itself.
TEST_F(EndToEndTest, InstallLaysOutTheProductItsLinksAndItsEntries)
{
    buildAndCopy();
    // The system's own older copy of the shared library, never counted.
    ASSERT_TRUE(target->writeFile("C:\\WINNT\\system32\\SHLWAPI.dll", "the system's older library"));
    ASSERT_TRUE(target->setFileDate("C:\\WINNT\\system32\\SHLWAPI.dll", 0x21210000));
    ASSERT_EQ(install(), 0) << log();

    // Every product file, byte for byte.
    std::vector<std::pair<std::string, std::string>> files { { str(kProductDir) + "\\tavixcat.exe", "\\tavixcat.exe" },
        { str(kProductLibraryDir) + "\\readme.rtf", "\\Library\\readme.rtf" } };
    for (const auto& name : TableFileNames())
        files.push_back({ str(kProductDataDir) + "\\" + name, "\\Data\\" + name });
    for (const auto& name : sampledata::helpPageNames())
        files.push_back({ str(kProductHelpDir) + "\\" + name, "\\Help\\" + name });
    for (const auto& name : sampledata::helpPictureNames())
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
    auto after = snapshot(*target);

    // What stays: the system library (the newer copy, its share counted
    // once), the order trace, the profile the link code opened, and the
    // emptied keys of the shared-library and uninstall lists.
    const std::string registryBefore = before["registry"], registryAfter = after["registry"];
    for (auto* m : { &before, &after }) {
        m->erase("WINNT/system32/SHLWAPI.dll");
        m->erase("WINNT/QrleInstallOrder.txt");
        m->erase("WINNT/WIN.INI");
        m->erase("registry");
    }
    EXPECT_EQ(after, before);
    std::multiset<std::string> added = registryLines(registryAfter);
    for (const auto& line : registryLines(registryBefore)) {
        auto at = added.find(line);
        if (at == added.end())
            ADD_FAILURE() << "uninstall removed " << line;
        else
            added.erase(at);
    }
    EXPECT_EQ(added,
        (std::multiset<std::string> { "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]",
            "\"C:\\\\WINNT\\\\system32\\\\SHLWAPI.dll\"=dword:00000001",
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
