#pragma once

// TInstallBDE: the file container that installs the database engine the
// product needs. Its install files (the engine's libraries, language
// drivers and configuration template) go into the engine's folder; then the
// engine's registry settings, its configuration and the 16-bit settings are
// brought up to date through the engine's configuration library
// IDAPINST.DLL, which the loader puts beside the setup program (the build
// makes it as platform/engineconfig/IDAPINST.DLL; see engineconfig.h). It is
// loaded once per install, by its full path, and the machine's root is
// passed to it in the environment.
//
//   auto* bde = new TInstallBDE(form);      // joins the engine, sorts first
//   bde->SetbdParadox(true);                // the files from the build machine
//   ... the run: -986 finds the existing configuration and points the
//   installer at the engine's folder; the engine's walk installs it first.
//
// At design time the Boolean driver-group properties (bdParadox, slOracle,
// ...) add and remove the engine's files by the version of the engine on
// the build machine (TBDEFileSet and its descendants).
//
// Configuring the engine is all or nothing: the registry values it changes
// and the configuration file the merge replaces are put back when any step
// fails. A merge or a 16-bit fix that the configuration library reports as
// failed is not such a step: the new configuration is kept as IDAPINEW.CFG
// beside the template for a merge by hand, OnMergeFailed or OnFixFailed is
// fired and the install goes on. The configuration that was there stays as
// it was and in force (it holds the aliases of every other product that uses
// the engine); only where there was none does IDAPINEW.CFG become it.

#include "setup/installlib/filecontainer.h"
#include "setup/installlib/installerrors.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace installlib {

class TGrabCall;
class TInstallBDE;
class TCustomInstallFile;

#define INSTALLLIB_BDE_ERROR_CLASS(Name, Base)                                                                         \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    };

INSTALLLIB_BDE_ERROR_CLASS(IEInstallBDE, IException)
INSTALLLIB_BDE_ERROR_CLASS(IEBDENoDLLEntry, IEInstallBDE)
INSTALLLIB_BDE_ERROR_CLASS(IEBDEDLLMissing, IEInstallBDE)
INSTALLLIB_BDE_ERROR_CLASS(IEBDEVersionInvalid, IEInstallBDE)
INSTALLLIB_BDE_ERROR_CLASS(IEBDENoResourceDLLEntry, IEInstallBDE)
INSTALLLIB_BDE_ERROR_CLASS(IEBDELanguageDifferent, IEInstallBDE)
INSTALLLIB_BDE_ERROR_CLASS(IEBDEFileDoesNotExist, IEInstallBDE)
INSTALLLIB_BDE_ERROR_CLASS(IEBDENoIntrbaseEntry, IEInstallBDE)

#undef INSTALLLIB_BDE_ERROR_CLASS

// The engine's registry keys under HKEY_LOCAL_MACHINE.
inline constexpr const char* kBDEKey = "\\Software\\Borland\\Database Engine";
inline constexpr const char* kBLW32Key = "\\Software\\Borland\\BLW32";
inline constexpr const char* kBDEDriversKey = "\\Software\\Borland\\Database Engine\\Settings\\Drivers";

// The longest path or code the configuration library's fixed buffers take.
inline constexpr std::size_t kBDEBufferLimit = 255;

// The engine's folder: the first entry of DLLPATH without trailing
// backslash. IEBDENoDLLEntry without the value, IEBDEDLLMissing when the
// folder holds no idapi32.dll.
std::string FindEngineDir();
// The installed engine's RESOURCE code; IEBDENoResourceDLLEntry when
// missing or empty.
std::string ReadEngineLanguage();

enum TBDEDriverGroup {
    bgAccess,
    bgAscii,
    bgDBase,
    bgODBC,
    bgParadox,
    bgSQLEngine,
    bgQBEEngine,
    bgFull,
};

enum TBDESQLLink {
    slkDB2,
    slkInformix,
    slkIntrBase,
    slkMSSQLServer,
    slkOracle,
    slkSybaseCT,
    slkSybaseDB,
};

// The engine's files of one engine version on the build machine: per
// driver group and SQL link an add, a remove and a presence test, and the
// configuration template's name.
class TBDEFileSet {
public:
    // A null installer raises Exception. An add that fails leaves the
    // container's files as they were.
    explicit TBDEFileSet(TInstallBDE* InstallBDE);
    virtual ~TBDEFileSet() = default;
    TBDEFileSet(const TBDEFileSet&) = delete;
    TBDEFileSet& operator=(const TBDEFileSet&) = delete;

    // "3.0", "3.5", "4.0", "4.5" or "5.0".
    virtual std::string Version() const = 0;
    virtual std::string TemplateName() const = 0;

    bool Present(TBDEDriverGroup Group) const;
    void Add(TBDEDriverGroup Group);
    void Remove(TBDEDriverGroup Group);
    bool Present(TBDESQLLink Link) const;
    void Add(TBDESQLLink Link);
    void Remove(TBDESQLLink Link);

protected:
    // The file set's rules that differ between versions.
    virtual std::vector<std::string> ToolFiles() const = 0;
    virtual bool LanguageFilesByPath() const { return false; } // 5.0: .BTL files in BLAPIPATH
    virtual bool AccessInFull() const { return false; } // 4.5 and later
    virtual bool ODBCAddsDAO() const { return false; } // 4.0 and later
    virtual bool ControlPanelApplet() const { return false; } // BDEADMIN.CPL, 4.0 and later

    TInstallBDE& Installer() const { return *installer_; }

private:
    std::vector<std::string> groupFiles(TBDEDriverGroup Group) const;
    bool corePresent() const;
    void addCore();
    void applyCoreRule();
    void addLanguageDrivers();
    void removeLanguageDrivers();
    void addTemplate();
    bool hasFile(std::string_view FileName) const;
    // Adds the file unless the container holds one of that name; Specifier
    // null means the container's destination.
    void addFile(const std::string& Path, const char* SpecifierClass = nullptr);
    void removeFile(std::string_view FileName);
    void removeFiles(const std::vector<std::string>& FileNames);
    std::string interbaseMessageFile() const;
    template <class Body> void allOrNothing(Body&& Add);

    TInstallBDE* installer_;
};

class TBDE30FileSet : public TBDEFileSet {
public:
    using TBDEFileSet::TBDEFileSet;
    std::string Version() const override { return "3.0"; }
    std::string TemplateName() const override { return "idapi32_30.cnf"; }

protected:
    std::vector<std::string> ToolFiles() const override { return { "BDECFG32.EXE", "BDECFG32.HLP", "BDECFG32.CNT" }; }
};

class TBDE35FileSet : public TBDE30FileSet {
public:
    using TBDE30FileSet::TBDE30FileSet;
    std::string Version() const override { return "3.5"; }
    std::string TemplateName() const override { return "idapi32_35.cnf"; }
};

class TBDE40FileSet : public TBDEFileSet {
public:
    using TBDEFileSet::TBDEFileSet;
    std::string Version() const override { return "4.0"; }
    std::string TemplateName() const override { return "idapi32_40.cnf"; }

protected:
    std::vector<std::string> ToolFiles() const override
    {
        return { "BDEADMIN.EXE", "BDEADMIN.HLP", "BDEADMIN.CNT", "BDEADMIN.CPL" };
    }
    bool ODBCAddsDAO() const override { return true; }
    bool ControlPanelApplet() const override { return true; }
};

class TBDE45FileSet : public TBDE40FileSet {
public:
    using TBDE40FileSet::TBDE40FileSet;
    std::string Version() const override { return "4.5"; }
    std::string TemplateName() const override { return "idapi32_45.cnf"; }

protected:
    bool AccessInFull() const override { return true; }
};

class TBDE50FileSet : public TBDE45FileSet {
public:
    using TBDE45FileSet::TBDE45FileSet;
    std::string Version() const override { return "5.0"; }
    std::string TemplateName() const override { return "idapi32_50.cnf"; }

protected:
    bool LanguageFilesByPath() const override { return true; }
};

// The file set for the engine installed on this machine; IEBDE... errors
// when its folder or version cannot be read.
std::unique_ptr<TBDEFileSet> DetectEngineVersion(TInstallBDE* InstallBDE);

using TLanguageDifferentEvent = std::function<void(TObject* Sender, const std::string& InstalledResourceCode,
    const std::string& InstallingResourceCode, bool& Overwrite)>;

class TInstallBDE : public TFileContainer {
public:
    INSTALLLIB_CLASS_INFO()
    // DestDirType TpsBDEDLL, all four install types, the language of the
    // engine on this machine ("0009" without one), a hook under the engine
    // that hears the run's start; the library-wide installer.
    explicit TInstallBDE(TComponent* Owner = nullptr);
    // At design time, with an engine: IDAPINST.DLL from the library
    // directory goes into the engine's PresetupFiles (IEInstallBDE when the
    // directory is not found). Then the file set of the engine version.
    void AfterConstruction() override;
    ~TInstallBDE() override;

    // --- published properties ---
    std::string LanguageDLL;
    bool SaveFor16Bit = false;
    const std::vector<std::string>& SQLLinkEntries() const { return sqlLinkEntries_; }
    void SetSQLLinkEntries(const std::vector<std::string>& Value) { sqlLinkEntries_ = Value; }

    // The driver groups and SQL links: true when all their files are in the
    // container; setting adds or removes them (ignored while loading).
    bool bdAccess() const { return groupPresent(bgAccess); }
    bool bdAscii() const { return groupPresent(bgAscii); }
    bool bdDBase() const { return groupPresent(bgDBase); }
    bool bdFull() const { return groupPresent(bgFull); }
    bool bdODBC() const { return groupPresent(bgODBC); }
    bool bdParadox() const { return groupPresent(bgParadox); }
    bool bdSQLEngine() const { return groupPresent(bgSQLEngine); }
    bool bdQBEEngine() const { return groupPresent(bgQBEEngine); }
    void SetbdAccess(bool Value) { setGroup(bgAccess, Value); }
    void SetbdAscii(bool Value) { setGroup(bgAscii, Value); }
    void SetbdDBase(bool Value) { setGroup(bgDBase, Value); }
    void SetbdFull(bool Value) { setGroup(bgFull, Value); }
    void SetbdODBC(bool Value) { setGroup(bgODBC, Value); }
    void SetbdParadox(bool Value) { setGroup(bgParadox, Value); }
    void SetbdSQLEngine(bool Value) { setGroup(bgSQLEngine, Value); }
    void SetbdQBEEngine(bool Value) { setGroup(bgQBEEngine, Value); }
    bool slDB2() const { return linkPresent(slkDB2); }
    bool slInformix() const { return linkPresent(slkInformix); }
    bool slIntrBase() const { return linkPresent(slkIntrBase); }
    bool slMSSQLServer() const { return linkPresent(slkMSSQLServer); }
    bool slOracle() const { return linkPresent(slkOracle); }
    bool slSybaseCT() const { return linkPresent(slkSybaseCT); }
    bool slSybaseDB() const { return linkPresent(slkSybaseDB); }
    void SetslDB2(bool Value) { setLink(slkDB2, Value); }
    void SetslInformix(bool Value) { setLink(slkInformix, Value); }
    void SetslIntrBase(bool Value) { setLink(slkIntrBase, Value); }
    void SetslMSSQLServer(bool Value) { setLink(slkMSSQLServer, Value); }
    void SetslOracle(bool Value) { setLink(slkOracle, Value); }
    void SetslSybaseCT(bool Value) { setLink(slkSybaseCT, Value); }
    void SetslSybaseDB(bool Value) { setLink(slkSybaseDB, Value); }

    TLanguageDifferentEvent OnLanguageDifferent;
    TNotifyEvent OnMergeFailed;
    TNotifyEvent OnFixFailed;

    // --- run-time state ---
    // The existing configuration ("***" when none was found), the target,
    // and the directory and name the target is made of.
    const std::string& ExistingConfig() const { return existingConfig_; }
    const std::string& TargetConfig() const { return targetConfig_; }
    const std::string& ConfigDir() const { return configDir_; }
    const std::string& ConfigFileName() const { return configFileName_; }
    TBDEFileSet* FileSet() const { return fileSet_.get(); }
    TGrabCall* Hook() const { return hook_; }

    // --- operations ---
    // The one install file whose destination name is IDAPI32.CNF.
    TCustomInstallFile& ConfigTemplate() const;
    void FindExistingConfig();
    void PrepareEngineTarget();
    // Brings the engine's registry settings and configuration up to date
    // with the installed template NewConfig; all or nothing, a failed merge
    // or 16-bit fix aside (see above).
    virtual void ConfigureBDE(const std::string& NewConfig, const std::string& LanguageCode);
    void WriteSQLLinkEntries();
    // Rebuilds SQLLinkEntries from the build machine's registry.
    void ReadSQLLinkEntries();

    int RegisteredType() override;
    // A group or a file container; anything else makes the engine the
    // container. DestDirType goes back to TpsBDEDLL.
    void SetContainer(TInstallContainer* Value) override;
    // Adds one to "Entries" of the uninstall key's subkey "BDE".
    void WriteUninstallInfo(std::string_view Key) override;
    void Loaded() override;

protected:
    // Language check, the configuration library, the files, ConfigureBDE
    // and the engine's use count.
    void InstallStep() override;

private:
    bool groupPresent(TBDEDriverGroup Group) const;
    bool linkPresent(TBDESQLLink Link) const;
    void setGroup(TBDEDriverGroup Group, bool Value);
    void setLink(TBDESQLLink Link, bool Value);
    void runBegins(int Code);
    void attachHook();
    std::string configLibraryPath() const;

    struct Library;
    Library* library_ = nullptr; // loaded only during the install step

    std::vector<std::string> sqlLinkEntries_;
    std::string existingConfig_ = "***";
    std::string targetConfig_;
    std::string configDir_;
    std::string configFileName_ = "idapi32.cfg";
    TGrabCall* hook_ = nullptr;
    std::unique_ptr<TBDEFileSet> fileSet_;
};

// The installer of this program, or null.
TInstallBDE* InstallBDE();

// Registers TInstallBDE by name (library start-up).
void RegisterInstallBDEClasses();

} // namespace installlib
