// The database-engine installer at run time: where it finds the existing
// configuration, what it installs and registers, and that a failure at any
// step of the configuration leaves the engine's settings as they were.

#include "installbde_fixture.h"

#include "platform/win/text.h"
#include "setup/installlib/uninstaller.h"

namespace bdetest {
namespace {

const std::string kDefaultUpper = win::text::toUpper(kDefaultEngineDir);

// A machine without an engine: the default folder, a new configuration
// from the template, and every registry value the engine needs.
class BDEFreshMachineTest : public BDETest, public ::testing::WithParamInterface<win::WindowsKind> {
protected:
    void SetUp() override
    {
        BDETest::SetUp();
        win::MachineSeed seed;
        seed.kind = GetParam();
        machine = win::Machine::open(dir.path() / "fresh", seed);
        win::Machine::setCurrent(machine);
        installModule(TAVIX_ENGINECONFIG_MODULE);
        ASSERT_TRUE(machine->forceDirectories(kEngineSource));
    }
};

TEST_P(BDEFreshMachineTest, InstallsWithoutAnEngine)
{
    TInstallBDE& installer = makeInstaller();
    installer.SaveFor16Bit = GetParam() == win::WindowsKind::Win95;
    install();

    EXPECT_EQ(installer.ExistingConfig(), "***");
    const std::string target = std::string(kDefaultEngineDir) + "\\idapi32.cfg";
    EXPECT_EQ(engineValue("DLLPATH"), kDefaultUpper);
    EXPECT_EQ(engineValue("CONFIGFILE01"), target);
    EXPECT_EQ(engineValue("RESOURCE"), "0009");
    EXPECT_EQ(engineValue("SAVECONFIG"), installer.SaveFor16Bit ? "WIN31" : "WIN32");
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, "Software\\Borland\\BLW32", "LOCALE_LIB1"),
        kDefaultUpper + "\\USA.BLL");
    EXPECT_EQ(registry().readDWord(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "UseCount"), 1u);
    EXPECT_TRUE(machine->fileExists(std::string(kDefaultEngineDir) + "\\IDPDX32.DLL"));
    EXPECT_FALSE(machine->fileExists(std::string(kDefaultEngineDir) + "\\idapi32.cnf"));
    const auto cfg = config(target);
    ASSERT_NE(cfg.Find("SYSTEM", ""), nullptr);
    EXPECT_EQ(*cfg.Find("SYSTEM", "")->Value("LANGUAGE"), "0009");
    ASSERT_NE(cfg.Find("DRIVER", "paradox"), nullptr);
    EXPECT_EQ(*cfg.Find("DRIVER", "paradox")->Value("LEVEL"), "7");
    if (installer.SaveFor16Bit) {
        EXPECT_EQ(machine->getPrivateProfileString("IDAPI", "CONFIGFILE01", "", 260, "WIN.INI"), target);
    }
    EXPECT_EQ(registry().readString(
                  win::RootKey::LocalMachine, std::string(UninstallKeyBase).substr(1) + "My Product\\BDE", "Entries"),
        "1");
}

INSTANTIATE_TEST_SUITE_P(Kinds, BDEFreshMachineTest, ::testing::Values(win::WindowsKind::NT4, win::WindowsKind::Win95));

// An engine already there: its aliases and settings survive the merge, its
// folder list is rewritten with the destination first, and uninstalling the
// product keeps the engine and counts one product less.
TEST_F(BDETest, MergesOverAnExistingEngineAndKeepsItOnUninstall)
{
    existingEngine("c:\\bde;;D:\\X\\;C:\\IDAPI\\", "C:\\IDAPI\\IDAPI32.CFG");
    TInstallBDE& installer = makeInstaller();
    engine->Broadcast(icRunBegins, nullptr);
    EXPECT_EQ(installer.ExistingConfig(), "C:\\IDAPI\\IDAPI32.CFG");
    EXPECT_EQ(installer.GetDestPath(), "c:\\bde");
    installer.SetDestDir("c:\\idapi");
    bde->ProcessContainer();
    bde->ProcessContainer();

    EXPECT_EQ(engineValue("DLLPATH"), "C:\\IDAPI;C:\\BDE;D:\\X");
    EXPECT_EQ(engineValue("CONFIGFILE01"), "C:\\IDAPI\\IDAPI32.CFG");
    const auto cfg = config("C:\\IDAPI\\IDAPI32.CFG");
    EXPECT_NE(cfg.Find("ALIAS", "PARTS"), nullptr);
    EXPECT_NE(cfg.Find("ALIAS", "REPAIRS"), nullptr);
    EXPECT_EQ(*cfg.Find("DRIVER", "PARADOX")->Value("LEVEL"), "4");
    EXPECT_EQ(*cfg.Find("DRIVER", "PARADOX")->Value("BLOCK SIZE"), "4096");
    EXPECT_FALSE(machine->fileExists("C:\\IDAPI\\idapi32.cnf"));
    const std::string bdeKey = std::string(UninstallKeyBase).substr(1) + "My Product\\BDE";
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, bdeKey, "Entries"), "2");
    EXPECT_EQ(registry().readDWord(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "UseCount"), 2u);

    // The uninstall program's view of the entry.
    registry().writeString(win::RootKey::LocalMachine, std::string(UninstallKeyBase).substr(1) + "My Product",
        "DisplayName", "My Product");
    registry().writeString(win::RootKey::LocalMachine, std::string(UninstallKeyBase).substr(1) + "My Product",
        "UninstallString", "C:\\X\\uninstall.exe My Product");
    const TUninstallReport report = UninstallProduct("My Product");
    EXPECT_TRUE(machine->fileExists("C:\\IDAPI\\IDPDX32.DLL"));
    EXPECT_TRUE(machine->fileExists("C:\\IDAPI\\IDAPI32.CFG"));
    EXPECT_TRUE(report.Removed.empty());
    EXPECT_EQ(registry().readDWord(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "UseCount"), 0u);
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "DLLPATH"),
        "C:\\IDAPI;C:\\BDE;D:\\X");
}

// The lookup order: a registered file that is missing is passed over for
// WIN.INI, then for idapi.cfg on the search path; a configuration found
// outside the registry is merged into idapi32.cfg in the engine's folder.
TEST_F(BDETest, FindsTheExistingConfigurationInOrder)
{
    TInstallBDE& installer = makeInstaller();
    registry().writeString(
        win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "CONFIGFILE01", "C:\\GONE\\IDAPI32.CFG");
    const std::string windowsCfg = machine->windowsDirectory() + "\\idapi.cfg";
    ASSERT_TRUE(machine->writeFile(windowsCfg, "ENGINE CONFIGURATION 1\r\nALIAS OLD16\r\n  PATH=C:\\Old\r\n"));
    engine->Broadcast(icRunBegins, nullptr);
    EXPECT_EQ(installer.ExistingConfig(), windowsCfg);

    existingEngine("C:\\ENGINE", "C:\\ENGINE\\BY-INI.CFG");
    registry().writeString(
        win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "CONFIGFILE01", "C:\\GONE\\IDAPI32.CFG");
    machine->writePrivateProfileString(
        "ODAPI", std::string("CONFIGFILE01"), std::string("C:\\ENGINE\\BY-INI.CFG"), "WIN.INI");
    ASSERT_TRUE(machine->deleteFile(windowsCfg));
    // A second run's start, as in a new setup.
    bde->SetDestDirType(StandardSpecifier<TpsBDEDLL>());
    bde->SetDestDir("");
    installer.ConfigTemplate().SetDestDirType(StandardSpecifier<TpsContainerDestDir>());
    installer.ConfigTemplate().SetDestDir("");
    install();
    EXPECT_EQ(installer.ExistingConfig(), "C:\\ENGINE\\BY-INI.CFG");
    EXPECT_EQ(installer.TargetConfig(), "C:\\ENGINE\\idapi32.cfg");
    EXPECT_NE(config("C:\\ENGINE\\idapi32.cfg").Find("ALIAS", "PARTS"), nullptr);
}

// Each step of the configuration that fails puts back every value it
// changed and the configuration file the merge replaced.
TEST_F(BDETest, AFailureAtAnyStepLeavesTheEngineAsItWas)
{
    existingEngine("c:\\idapi", "C:\\IDAPI\\IDAPI32.CFG");
    const std::string netInit = "SOFTWARE\\Borland\\Database Engine\\Settings\\System\\Init";
    const std::string pdxInit = "SOFTWARE\\Borland\\Database Engine\\Settings\\Drivers\\Paradox\\Init";
    registry().writeString(win::RootKey::LocalMachine, netInit, "NET DIR", "N:\\NET");
    registry().writeString(win::RootKey::LocalMachine, pdxInit, "NET DIR", "C:\\");
    registry().writeString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "RESOURCE", "0009");
    TInstallBDE& installer = makeInstaller();
    installer.SetSQLLinkEntries({ "[DB OPEN-ORACLE]", "SERVER NAME=ORA1", "  ", "[INIT-ORACLE]", "VERSION=8", "  " });

    auto snapshot = [&] {
        return std::vector<std::string> { engineValue("DLLPATH"), engineValue("CONFIGFILE01"), engineValue("RESOURCE"),
            engineValue("SAVECONFIG"),
            registry().readString(win::RootKey::LocalMachine, "Software\\Borland\\BLW32", "BLAPIPATH", "<none>"),
            registry().readString(win::RootKey::LocalMachine, netInit, "NET DIR", "<none>"),
            registry().readString(win::RootKey::LocalMachine, pdxInit, "NET DIR", "<none>"),
            read("C:\\IDAPI\\IDAPI32.CFG") };
    };
    const auto before = snapshot();
    struct Step {
        const char* name;
        std::function<void()> inject, undo;
    };
    const std::vector<Step> steps {
        { "language drivers",
            [&] { registry().setKeyReadOnly(win::RootKey::LocalMachine, "Software\\Borland\\BLW32", true); },
            [&] { registry().setKeyReadOnly(win::RootKey::LocalMachine, "Software\\Borland\\BLW32", false); } },
        // A failed merge goes on, but not when the unmerged configuration cannot be kept.
        { "keeping the unmerged configuration",
            [&] {
                ASSERT_TRUE(machine->writeFile("C:\\IDAPI\\IDAPI32.CFG", "damaged"));
                ASSERT_TRUE(machine->setFileAttributes("C:\\IDAPI\\IDAPINEW.CFG", win::FILE_ATTRIBUTE_READONLY));
            },
            [&] {
                ASSERT_TRUE(machine->setFileAttributes("C:\\IDAPI\\IDAPINEW.CFG", win::FILE_ATTRIBUTE_NORMAL));
                ASSERT_TRUE(machine->writeFile("C:\\IDAPI\\IDAPI32.CFG", before.back()));
            } },
        { "network directory", [&] { registry().setKeyReadOnly(win::RootKey::LocalMachine, netInit, true); },
            [&] { registry().setKeyReadOnly(win::RootKey::LocalMachine, netInit, false); } },
        { "SQL links",
            [&] {
                registry().setKeyReadOnly(
                    win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine\\Settings\\Drivers\\ORACLE", true);
            },
            [&] {
                registry().setKeyReadOnly(
                    win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine\\Settings\\Drivers\\ORACLE", false);
            } },
    };
    ASSERT_TRUE(machine->writeFile("C:\\IDAPI\\IDAPINEW.CFG", "left by an earlier failed merge"));
    int mergeFailures = 0;
    installer.OnMergeFailed = [&](TObject*) { ++mergeFailures; };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.inject();
        const auto expected = snapshot();
        EXPECT_THROW(install(), IEInstallBDE);
        EXPECT_EQ(snapshot(), expected);
        step.undo();
    }
    EXPECT_EQ(mergeFailures, 1);
    EXPECT_EQ(read("C:\\IDAPI\\IDAPINEW.CFG"), "left by an earlier failed merge");

    // With nothing failing the network directory moves to the Paradox driver.
    install();
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, pdxInit, "NET DIR"), "N:\\NET");
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, netInit, "NET DIR", "<none>"), "<none>");
    EXPECT_TRUE(registry().keyExists(win::RootKey::LocalMachine, netInit));
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine,
                  "SOFTWARE\\Borland\\Database Engine\\Settings\\Drivers\\ORACLE\\INIT", "VERSION"),
        "8");
}

// A merge or a 16-bit fix that fails is no error: the new configuration is
// kept as IDAPINEW.CFG (replacing one from an earlier run), the one there was
// stays as it was and in force, and only without one does IDAPINEW.CFG take
// its place. The merge fails on a configuration that cannot be rewritten,
// the fix on a WIN.INI that cannot.
struct ConfigFailure {
    const char* name;
    bool existing, fixFails;
};
void PrintTo(const ConfigFailure& c, std::ostream* os)
{
    *os << c.name;
}

class BDEConfigFailureTest : public BDETest, public ::testing::WithParamInterface<ConfigFailure> { };

TEST_P(BDEConfigFailureTest, KeepsTheConfigurationThereWasAndGoesOn)
{
    const ConfigFailure c = GetParam();
    const std::string dir = c.existing ? "C:\\IDAPI" : kDefaultEngineDir;
    const std::string target = dir + (c.existing ? "\\IDAPI32.CFG" : "\\idapi32.cfg");
    if (c.existing)
        existingEngine("C:\\IDAPI", target);
    ASSERT_TRUE(machine->forceDirectories(dir));
    ASSERT_TRUE(machine->writeFile(dir + "\\IDAPINEW.CFG", "left by an earlier failed merge"));
    if (!c.fixFails) {
        if (!c.existing) {
            ASSERT_TRUE(machine->writeFile(target, "a leftover"));
        }
        ASSERT_TRUE(machine->setFileAttributes(target, win::FILE_ATTRIBUTE_READONLY));
    }
    auto contents = [&] { return machine->fileExists(target) ? std::optional(read(target)) : std::nullopt; };
    const auto before = contents();
    TInstallBDE& installer = makeInstaller();
    installer.SaveFor16Bit = c.fixFails;
    const std::string winIni = machine->windowsDirectory() + "\\WIN.INI";
    ASSERT_TRUE(machine->writeFile(winIni, "[windows]\r\n"));
    ASSERT_TRUE(machine->setFileAttributes(winIni, win::FILE_ATTRIBUTE_READONLY));
    // A network directory with no Paradox setting to move to stays where it is.
    const std::string netInit = "SOFTWARE\\Borland\\Database Engine\\Settings\\System\\Init";
    registry().writeString(win::RootKey::LocalMachine, netInit, "NET DIR", "N:\\NET");
    std::vector<std::string> events;
    installer.OnMergeFailed = [&](TObject*) { events.push_back("merge failed"); };
    installer.OnFixFailed = [&](TObject*) { events.push_back("fix failed"); };
    install();

    EXPECT_EQ(events, std::vector<std::string> { c.fixFails ? "fix failed" : "merge failed" });
    EXPECT_EQ(engineValue("CONFIGFILE01"), c.existing ? target : dir + "\\IDAPINEW.CFG");
    EXPECT_EQ(contents(), before);
    const auto kept = config(dir + "\\IDAPINEW.CFG");
    ASSERT_NE(kept.Find("DRIVER", "PARADOX"), nullptr);
    EXPECT_EQ(*kept.Find("DRIVER", "PARADOX")->Value("LEVEL"), "7");
    EXPECT_FALSE(machine->fileExists(dir + "\\idapi32.cnf"));
    EXPECT_EQ(registry().readString(win::RootKey::LocalMachine, netInit, "NET DIR"), "N:\\NET");
    EXPECT_EQ(engineValue("SAVECONFIG"), c.fixFails ? "WIN31" : "WIN32");
    EXPECT_EQ(registry().readDWord(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "UseCount"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Failures, BDEConfigFailureTest,
    ::testing::Values(ConfigFailure { "MergeOverAConfiguration", true, false },
        ConfigFailure { "MergeWithoutOne", false, false }, ConfigFailure { "FixOverAConfiguration", true, true },
        ConfigFailure { "FixWithoutOne", false, true }),
    [](const auto& info) { return std::string(info.param.name); });

// A different language installs over unless the handler refuses; the
// codes compare trimmed and without case.
TEST_F(BDETest, LanguageCheck)
{
    TInstallBDE& installer = makeInstaller();
    registry().writeString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "RESOURCE", "0007");
    install();
    EXPECT_EQ(engineValue("RESOURCE"), "0009");

    registry().writeString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "RESOURCE", "000a");
    std::vector<std::string> seen;
    installer.OnLanguageDifferent
        = [&](TObject*, const std::string& installed, const std::string& installing, bool& overwrite) {
              seen = { installed, installing };
              overwrite = false;
          };
    EXPECT_THROW(install(), IEBDELanguageDifferent);
    EXPECT_EQ(seen, (std::vector<std::string> { "000a", "0009" }));

    installer.LanguageDLL = " 000A ";
    seen.clear();
    install();
    EXPECT_TRUE(seen.empty());
}

// What must be refused before anything is changed: a template missing or
// given twice, a library that is not there or lacks an entry point, and a
// path longer than the library's buffers.
TEST_F(BDETest, RefusesWhatItCannotConfigure)
{
    TInstallBDE& installer = makeInstaller();
    TCustomInstallFile& configTemplate = installer.ConfigTemplate();
    auto* second = new TInstallFile(form.get(), "C:\\SRC\\second.cnf", bde);
    second->SetDestName("IDAPI32.CNF ");
    try {
        engine->Broadcast(icRunBegins, nullptr);
        FAIL() << "two templates accepted";
    } catch (const IEInstallBDE& e) {
        EXPECT_STREQ(e.what(), "More than one IDAPI.CNF file found for the BDE group");
    }
    delete second;
    EXPECT_EQ(&installer.ConfigTemplate(), &configTemplate);

    ASSERT_TRUE(machine->deleteFile("C:\\SETUP\\IDAPINST.DLL"));
    try {
        install();
        FAIL() << "installed without the library";
    } catch (const IEInstallBDE& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Could not load IDAPINST.DLL", 0), 0u);
    }
    installModule(TAVIX_NOEXPORT_MODULE);
    try {
        install();
        FAIL() << "installed with a library without entry points";
    } catch (const IEInstallBDE& e) {
        EXPECT_NE(std::string(e.what()).find("MergeCfg"), std::string::npos);
    }
    installModule(TAVIX_ENGINECONFIG_MODULE);

    // The template fits the machine's paths, the configuration beside it does not fit the library.
    const std::string deep = "C:\\" + std::string(120, 'a') + "\\" + std::string(116, 'b');
    existingEngine("C:\\IDAPI", deep + "\\averylongname.CFG");
    EXPECT_THROW(install(), IEInstallBDE);
    EXPECT_EQ(engineValue("DLLPATH"), "C:\\IDAPI");
    EXPECT_EQ(engineValue("RESOURCE"), "<none>");
}

} // namespace
} // namespace bdetest
