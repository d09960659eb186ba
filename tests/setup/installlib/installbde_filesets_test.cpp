// The database-engine installer at design time: the engine's files by
// version, driver group and SQL link, taken from the engine installed on
// the build machine, and the SQL links' driver settings.

#include "installbde_fixture.h"

#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/install.h"

#include <set>

namespace bdetest {
namespace {

class BDEFileSetTest : public BDETest {
protected:
    // An engine of that version in C:\BDE with every file a file set can
    // ask for, its language drivers, and the library directory's templates.
    void buildMachine(const std::string& version)
    {
        ASSERT_TRUE(machine->forceDirectories("C:\\BDE\\LANG"));
        registry().writeString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "DLLPATH", "C:\\BDE");
        for (const char* name : { "IDAPI32.DLL", "BLW32.DLL", "IDDR32.DLL", "IDBAT32.DLL", "IDR20009.DLL",
                 "BDEADMIN.EXE", "BDEADMIN.HLP", "BDEADMIN.CNT", "BDECFG32.EXE", "BDECFG32.HLP", "BDECFG32.CNT",
                 "IDDA3532.DLL", "IDDAO32.DLL", "IDASCI32.DLL", "IDDBAS32.DLL", "IDODBC32.DLL", "IDPDX32.DLL",
                 "IDSQL32.DLL", "IDQBE32.DLL", "SQLLNK32.HLP", "SQLLNK32.CNT", "SQLORA32.DLL", "SQLDB232.DLL",
                 "SQLINT32.DLL", "GDS32.DLL", "SQL_LIC.DAT", "USA.BLL", "EUROPE.BLL" })
            ASSERT_TRUE(machine->writeFile(std::string("C:\\BDE\\") + name, versioned(version, name)));
        ASSERT_TRUE(machine->writeFile(machine->systemDirectory() + "\\BDEADMIN.CPL", versioned(version, "cpl")));
        for (const char* name : { "usa.btl", "europe.btl", "charset.cvb" })
            ASSERT_TRUE(machine->writeFile(std::string("C:\\BDE\\LANG\\") + name, name));
        registry().writeString(win::RootKey::LocalMachine, "Software\\Borland\\BLW32", "BLAPIPATH", "C:\\BDE\\LANG");
        registry().writeString(
            win::RootKey::LocalMachine, "Software\\Borland\\BLW32", "LOCALE_LIB1", "C:\\BDE\\USA.BLL");
        registry().writeString(
            win::RootKey::LocalMachine, "Software\\Borland\\BLW32", "LOCALE_LIB2", "C:\\BDE\\EUROPE.BLL");
        ASSERT_TRUE(machine->forceDirectories("C:\\QUORLE"));
        ASSERT_TRUE(machine->writeFile("C:\\QUORLE\\Q32V40.TXT", "marker"));
        RegistryWriteString(2, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, "C:\\QUORLE");
        for (const char* name : { "idapi32_30.cnf", "idapi32_40.cnf", "idapi32_45.cnf", "idapi32_50.cnf" })
            ASSERT_TRUE(machine->writeFile(std::string("C:\\QUORLE\\") + name, kTemplateText));
        makeEngine();
        bde = new TInstallBDE(form.get());
        bde->SetContainer(engine);
    }

    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (int i = 0; i < bde->InstallFileCount(); ++i)
            names.insert(win::text::toUpper(bde->InstallFiles(i)->InstallFileName()));
        return names;
    }

    TCustomInstallFile* file(const std::string& name) const
    {
        for (int i = 0; i < bde->InstallFileCount(); ++i)
            if (win::text::equalsNoCase(bde->InstallFiles(i)->InstallFileName(), name))
                return static_cast<TCustomInstallFile*>(bde->InstallFiles(i));
        return nullptr;
    }
};

// The version of the build machine's engine picks the file set; a version
// that cannot be read is an error, and the installer falls back to 4.0.
TEST_F(BDEFileSetTest, DetectsTheEngineVersion)
{
    buildMachine("5.0.1.0");
    for (const auto& [version, expected] : { std::pair { "3.0.2", "3.0" }, std::pair { "3.5", "3.5" },
             std::pair { "4.0.1", "4.0" }, std::pair { "4.51.1", "4.5" }, std::pair { "5.2", "5.0" } }) {
        ASSERT_TRUE(machine->writeFile("C:\\BDE\\IDAPI32.DLL", versioned(version, "x")));
        EXPECT_EQ(DetectEngineVersion(bde)->Version(), expected) << version;
    }
    ASSERT_TRUE(machine->writeFile("C:\\BDE\\IDAPI32.DLL", versioned("", "no version resource")));
    EXPECT_THROW(DetectEngineVersion(bde), IEBDEVersionInvalid);
    EXPECT_EQ(TInstallBDE(form.get()).FileSet()->Version(), "4.0");
    ASSERT_TRUE(machine->deleteFile("C:\\BDE\\IDAPI32.DLL"));
    EXPECT_THROW(DetectEngineVersion(bde), IEBDEDLLMissing);
    EXPECT_THROW(TBDE50FileSet(nullptr), Exception);
}

// A driver group brings the core with it, a library two groups share stays
// while either needs it, and the last group takes the core away.
TEST_F(BDEFileSetTest, DriverGroupsOnVersion5)
{
    buildMachine("5.0.1.0");
    EXPECT_EQ(bde->FileSet()->Version(), "5.0");
    bde->SetbdSQLEngine(true);
    EXPECT_EQ(files(),
        (std::set<std::string> { "IDAPI32.DLL", "BLW32.DLL", "IDDR32.DLL", "IDBAT32.DLL", "IDAPI32_50.CNF", "USA.BTL",
            "EUROPE.BTL", "CHARSET.CVB", "IDR20009.DLL", "BDEADMIN.EXE", "BDEADMIN.HLP", "BDEADMIN.CNT", "BDEADMIN.CPL",
            "IDSQL32.DLL", "IDPDX32.DLL" }));
    EXPECT_TRUE(bde->bdSQLEngine());
    EXPECT_FALSE(bde->bdQBEEngine());

    TCustomInstallFile* library = file("IDSQL32.DLL");
    EXPECT_TRUE(library->Net);
    EXPECT_TRUE(library->UpdateDLLCounter);
    EXPECT_EQ(library->OverwriteMode, owVersionDate);
    EXPECT_EQ(library->FileType(), iftJustADLL);
    EXPECT_TRUE(ObjectIs(library->DestDirType(), "TpsContainerDestDir"));
    EXPECT_TRUE(ObjectIs(file("BDEADMIN.CPL")->DestDirType(), "TpsSystem"));
    TCustomInstallFile& cnf = bde->ConfigTemplate();
    EXPECT_EQ(cnf.Name(), "BDEConfigFile");
    EXPECT_EQ(cnf.OverwriteMode, owAlways);
    EXPECT_TRUE(cnf.Net);

    bde->SetbdQBEEngine(true);
    bde->SetbdSQLEngine(false);
    EXPECT_TRUE(files().count("IDPDX32.DLL"));
    EXPECT_FALSE(files().count("IDSQL32.DLL"));
    bde->SetbdQBEEngine(false);
    bde->SetbdParadox(false);
    EXPECT_TRUE(files().empty());

    bde->SetbdFull(true);
    EXPECT_TRUE(bde->bdFull());
    EXPECT_TRUE(bde->bdAccess());
    bde->SetbdFull(false);
    EXPECT_TRUE(bde->bdFull()) << "setting Full false removes no group";
}

// Before 5.0 the language drivers are the build machine's LOCALE_LIB
// files, and the core rule takes the tools every time it runs.
TEST_F(BDEFileSetTest, LanguageDriversAndToolsOnVersion3)
{
    buildMachine("3.0.1.0");
    bde->SetbdAscii(true);
    bde->SetbdDBase(true);
    EXPECT_TRUE(files().count("USA.BLL") && files().count("EUROPE.BLL") && files().count("BDECFG32.EXE"));
    EXPECT_FALSE(files().count("BDEADMIN.EXE"));
    bde->SetbdAscii(false);
    EXPECT_FALSE(files().count("BDECFG32.EXE"));
    EXPECT_TRUE(files().count("IDAPI32.DLL"));
    bde->SetbdDBase(false);
    EXPECT_TRUE(files().empty());

    // A group that cannot be complete adds nothing.
    ASSERT_TRUE(machine->deleteFile("C:\\QUORLE\\idapi32_30.cnf"));
    try {
        bde->SetbdAscii(true);
        FAIL() << "added without a template";
    } catch (const IEBDEFileDoesNotExist& e) {
        EXPECT_STREQ(e.what(), "Cannot find the idapi32_30.cnf file in the Quorle directory");
    }
    EXPECT_TRUE(files().empty());
    ASSERT_TRUE(machine->writeFile("C:\\QUORLE\\idapi32_30.cnf", kTemplateText));
    registry().deleteTree(win::RootKey::LocalMachine, "Software\\Borland\\BLW32");
    try {
        bde->SetbdAscii(true);
        FAIL() << "added without language drivers";
    } catch (const IEInstallBDE& e) {
        EXPECT_NE(std::string(e.what()).find("the .BLL files could not be added"), std::string::npos);
    }
    EXPECT_TRUE(files().empty());
}

// SQL links carry their help files while any link needs them, and their
// driver settings from the build machine's registry.
TEST_F(BDEFileSetTest, SQLLinks)
{
    buildMachine("4.0.0.1");
    const std::string oracle = "SOFTWARE\\Borland\\Database Engine\\Settings\\Drivers\\ORACLE";
    registry().writeString(win::RootKey::LocalMachine, oracle + "\\DB OPEN", "SERVER NAME", "ORA1");
    registry().writeString(win::RootKey::LocalMachine, oracle + "\\INIT", "VERSION", "8");
    bde->SetslOracle(true);
    bde->SetslDB2(true);
    EXPECT_TRUE(bde->slOracle());
    EXPECT_EQ(bde->SQLLinkEntries(),
        (std::vector<std::string> {
            "[DB OPEN-ORACLE]", "SERVER NAME=ORA1", "  ", "[INIT-ORACLE]", "VERSION=8", "  " }));
    bde->SetslOracle(false);
    EXPECT_TRUE(bde->SQLLinkEntries().empty());
    EXPECT_TRUE(files().count("SQLLNK32.HLP"));
    bde->SetslDB2(false);
    EXPECT_TRUE(files().empty());

    EXPECT_THROW(bde->SetslIntrBase(true), IEBDENoIntrbaseEntry);
    EXPECT_TRUE(files().empty());
    registry().writeString(
        win::RootKey::LocalMachine, "SOFTWARE\\BORLAND\\INTERBASE\\CURRENTVERSION", "RootDirectory", "C:\\IBASE");
    ASSERT_TRUE(machine->forceDirectories("C:\\IBASE"));
    ASSERT_TRUE(machine->writeFile("C:\\IBASE\\INTERBASE.MSG", "messages"));
    registry().writeString(win::RootKey::LocalMachine,
        "SOFTWARE\\Borland\\Database Engine\\Settings\\Drivers\\INTRBASE\\DB OPEN", "SERVER NAME", "IB");
    EXPECT_THROW(bde->SetslIntrBase(true), IEInstallBDE) << "the INIT settings are missing";
    EXPECT_TRUE(bde->slIntrBase());
    EXPECT_TRUE(files().count("INTERBASE.MSG"));
}

// At design time the library goes into the setup's presetup files, and
// leaves them with the installer.
TEST_F(BDEFileSetTest, DesignTimePresetupFile)
{
    buildMachine("5.0.1.0");
    delete bde;
    form->SetDesigning(true);
    bde = CreateComponent<TInstallBDE>(form.get());
    EXPECT_EQ(bde->Container(), engine);
    EXPECT_TRUE(ObjectIs(bde->DestDirType(), "TpsBDEDLL"));
    EXPECT_EQ(engine->PresetupFiles(), (std::vector<std::string> { "C:\\QUORLE\\IDAPINST.DLL" }));
    EXPECT_EQ(InstallBDE(), bde);
    delete bde;
    bde = nullptr;
    EXPECT_TRUE(engine->PresetupFiles().empty());
    EXPECT_EQ(InstallBDE(), nullptr);

    RegistryWriteString(2, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, "C:\\NOWHERE");
    EXPECT_THROW(CreateComponent<TInstallBDE>(form.get()), IEInstallBDE);
    form->SetDesigning(false);
}

} // namespace
} // namespace bdetest
