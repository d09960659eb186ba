// TInstallBDE at run time: the run's start, the install step and the
// configuration of the engine through its configuration library. The
// design-time file sets are in installbde_filesets.cpp.

#include "setup/installlib/installbde.h"

#include "platform/engineconfig/engineconfig.h"
#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "platform/win/module.h"
#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/grabcall.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/installgroup.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/typecodes.h"

#include <cstdlib>
#include <optional>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallBDE, TFileContainer)

namespace {

using win::text::equalsNoCase;
using win::text::toUpper;
using win::text::trim;

TInstallBDE*& libraryWideInstaller()
{
    static TInstallBDE* installer = nullptr;
    return installer;
}

win::Machine& machine()
{
    return win::Machine::current();
}

// "\Software\X" as the machine's registry takes it.
std::string keyPath(std::string_view Key)
{
    return std::string(Key.substr(Key.starts_with('\\') ? 1 : 0));
}

bool usableFile(const std::string& Name)
{
    if (trim(Name).empty())
        return false;
    win::File file;
    return file.open(
        machine(), trim(Name), win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING);
}

std::string directoryOf(const std::string& Path)
{
    return RemoveBackslash(ExtractFilePath(Path));
}

// Every registry value ConfigureBDE changes, noted before its first change
// so that a failure can put all of them back.
class TRegistryUndo {
public:
    void Write(std::string_view Key, const std::string& Name, const std::string& Value)
    {
        note(Key, Name);
        if (machine().registry().writeString(win::RootKey::LocalMachine, keyPath(Key), Name, Value) != 0)
            throw IEInstallBDE(
                "Could not write the value %s under HKEY_LOCAL_MACHINE%s in the registry", { Name, std::string(Key) });
    }

    void Delete(std::string_view Key, const std::string& Name)
    {
        note(Key, Name);
        win::Registry& registry = machine().registry();
        win::RegKey key;
        if (registry.openKey(win::RootKey::LocalMachine, keyPath(Key), true, key) != 0)
            return;
        const long rc = registry.deleteValue(key, Name);
        if (rc != 0 && rc != win::ERROR_FILE_NOT_FOUND)
            throw IEInstallBDE(
                "Could not delete the value %s under HKEY_LOCAL_MACHINE%s in the registry", { Name, std::string(Key) });
    }

    // Last change first; a value that cannot be put back does not stop the others.
    void Restore() noexcept
    {
        win::Registry& registry = machine().registry();
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            win::RegKey key;
            if (it->Old) {
                if (registry.createKey(win::RootKey::LocalMachine, it->Key, key) == 0)
                    registry.setValue(key, *it->Old);
            } else if (registry.openKey(win::RootKey::LocalMachine, it->Key, true, key) == 0) {
                registry.deleteValue(key, it->Name);
            }
        }
        saved_.clear();
    }

private:
    struct Saved {
        std::string Key, Name;
        std::optional<win::RegValue> Old;
    };

    void note(std::string_view Key, const std::string& Name)
    {
        const std::string path = keyPath(Key);
        for (const Saved& s : saved_)
            if (equalsNoCase(s.Key, path) && equalsNoCase(s.Name, Name))
                return;
        Saved s { path, Name, std::nullopt };
        win::Registry& registry = machine().registry();
        win::RegKey key;
        win::RegValue value;
        if (registry.openKey(win::RootKey::LocalMachine, path, false, key) == 0
            && registry.queryValue(key, Name, value) == 0)
            s.Old = value;
        saved_.push_back(std::move(s));
    }

    std::vector<Saved> saved_;
};

// A file's bytes before a change, to be put back on failure (a file that
// did not exist is removed again).
class TFileUndo {
public:
    explicit TFileUndo(std::string Path)
        : path_(std::move(Path))
    {
        std::string bytes;
        if (machine().fileExists(path_) && machine().readFile(path_, bytes))
            old_ = std::move(bytes);
    }
    void Restore() noexcept
    {
        if (old_) {
            std::string now;
            if (!machine().readFile(path_, now) || now != *old_)
                machine().writeFile(path_, *old_);
        } else if (machine().fileExists(path_)) {
            machine().deleteFile(path_);
        }
    }

private:
    std::string path_;
    std::optional<std::string> old_;
};

// The process environment variable for the library's machine root, put
// back as it was when the library is released.
class TScopedEnvironment {
public:
    TScopedEnvironment(const char* Name, const std::string& Value)
        : name_(Name)
    {
        if (const char* old = std::getenv(Name))
            old_ = old;
        ::setenv(Name, Value.c_str(), 1);
    }
    ~TScopedEnvironment()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

void checkBufferLength(const std::string& Text)
{
    if (Text.size() > kBDEBufferLimit)
        throw IEInstallBDE("The path or code %s is longer than the %d characters the Borland Database Engine "
                           "configuration library takes",
            { Text, static_cast<int>(kBDEBufferLimit) });
}

struct TSQLLinkValue {
    std::string Key, Name, Value;
};

// The values SQLLinkEntries holds: "[DB OPEN-driver]" and "[INIT-driver]"
// start the driver's sections, "name=value" lines inside one are its values.
std::vector<TSQLLinkValue> sqlLinkValues(const std::vector<std::string>& Entries)
{
    std::vector<TSQLLinkValue> values;
    std::string section;
    for (const std::string& entry : Entries) {
        const std::string line = win::text::trimRight(entry);
        bool opens = false;
        for (const auto& [tag, part] : { std::pair { "[DB OPEN-", "DB OPEN" }, std::pair { "[INIT-", "INIT" } }) {
            const size_t at = line.find(tag);
            if (at == std::string::npos)
                continue;
            const size_t from = at + std::char_traits<char>::length(tag);
            const std::string driver = from < line.size() ? line.substr(from, line.size() - from - 1) : std::string();
            section = driver.empty() ? std::string() : std::string(kBDEDriversKey) + "\\" + driver + "\\" + part;
            opens = true;
            break;
        }
        if (opens)
            continue;
        if (const size_t eq = line.find('='); eq != std::string::npos && !section.empty())
            values.push_back({ section, line.substr(0, eq), line.substr(eq + 1) });
    }
    return values;
}

} // namespace

// --- the configuration library ------------------------------------------------------

struct TInstallBDE::Library {
    explicit Library(const std::string& Path)
        : root(engineconfig::kMachineRootVariable, machine().root().string())
    {
        if (!module.load(machine(), Path))
            throw IEInstallBDE(
                "Could not load IDAPINST.DLL in cmp_TInstallBDE. If you have the UseLoadingProgram set to FALSE for "
                "the TInstall component, then you will need to distribute this file along with your installation "
                "executable file. If you are running your install project in the IDE, then you need to copy "
                "IDAPINST.DLL, which can be found in the Quorle directory, into the directory for this project");
        MergeCfg = find<engineconfig::MergeCfgProc>("MergeCfg");
        IntlConfig = find<engineconfig::IntlConfigProc>("IntlConfig");
        FixMerge = find<engineconfig::FixMergeProc>("FixMerge");
        IncrementIDAPIUseCount = find<engineconfig::IncrementUseCountProc>("IncrementIDAPIUseCount");
    }

    template <class F> F find(const char* Name)
    {
        F proc = module.procAddress<F>(Name);
        if (!proc)
            throw IEInstallBDE("The function %s could not be found in %s", { std::string(Name), module.path() });
        return proc;
    }

    TScopedEnvironment root;
    win::Module module;
    engineconfig::MergeCfgProc MergeCfg = nullptr;
    engineconfig::IntlConfigProc IntlConfig = nullptr;
    engineconfig::FixMergeProc FixMerge = nullptr;
    engineconfig::IncrementUseCountProc IncrementIDAPIUseCount = nullptr;
};

// --- lookups ------------------------------------------------------------------------

std::string FindEngineDir()
{
    const std::string value = RegistryReadString(4, kBDEKey, "DLLPATH", "");
    if (trim(value).empty())
        throw IEBDENoDLLEntry("Cannot find the \\Software\\Borland\\Database Engine | DLLPath registry entry in your "
                              "registry under the HKEY_LOCAL_MACHINE root key");
    const std::string dir = RemoveBackslash(trim(GetDelimitedItem(value, 1)));
    if (!machine().fileExists(AddBackslash(dir) + "idapi32.dll"))
        throw IEBDEDLLMissing(
            "The BDE DLL file %s cannot be found in the BDE DLL dir %s", { std::string("idapi32.dll"), dir });
    return dir;
}

std::string ReadEngineLanguage()
{
    const std::string code = RegistryReadString(4, "\\SOFTWARE\\BORLAND\\DATABASE ENGINE", "RESOURCE", "");
    if (trim(code).empty())
        throw IEBDENoResourceDLLEntry(
            "The \\SOFTWARE\\BORLAND\\DATABASE ENGINE | RESOURCE key could not be found in your registry");
    return code;
}

TInstallBDE* InstallBDE()
{
    return libraryWideInstaller();
}

void RegisterInstallBDEClasses()
{
    RegisterClass(TInstallBDE::StaticClass());
}

// --- the component ------------------------------------------------------------------

TInstallBDE::TInstallBDE(TComponent* Owner)
    : TFileContainer(Owner)
{
    SetDestDirType(StandardSpecifier<TpsBDEDLL>());
    SetDescription("Borland Database Engine");
    SetInstallTypes({ itFull, itDefault, itCompact, itCustom });
    try {
        LanguageDLL = ReadEngineLanguage();
    } catch (const Exception&) {
        LanguageDLL = "0009";
    }
    hook_ = new TGrabCall(this);
    hook_->OnCall = [this](TInstallContainer*, int Code, TObject*) { runBegins(Code); };
    attachHook();
    libraryWideInstaller() = this;
    try {
        fileSet_ = DetectEngineVersion(this);
    } catch (const Exception&) {
        fileSet_ = std::make_unique<TBDE40FileSet>(this);
    }
}

void TInstallBDE::AfterConstruction()
{
    TFileContainer::AfterConstruction();
    if (IsDesigning()) {
        SetDestDirType(StandardSpecifier<TpsBDEDLL>());
        if (TCustomInstall* engine = CurrentInstall()) {
            std::string dir;
            try {
                dir = FindQuorleDir(true);
            } catch (const Exception&) {
                throw IEInstallBDE("The Quorle directory could not be found, so IDAPINST.DLL could not be added to "
                                   "the PresetupFiles of the TInstall component. Add it to PresetupFiles by hand");
            }
            engine->AddPresetupFile(AddBackslash(dir) + "IDAPINST.DLL", true);
        }
    }
}

TInstallBDE::~TInstallBDE()
{
    if (TCustomInstall* engine = CurrentInstall(); engine && !engine->IsDestroying()) {
        std::vector<std::string> kept;
        for (const std::string& entry : engine->PresetupFiles())
            if (toUpper(entry).find("IDAPINST.DLL") == std::string::npos)
                kept.push_back(entry);
        engine->SetPresetupFiles(kept);
    }
    if (libraryWideInstaller() == this)
        libraryWideInstaller() = nullptr;
    fileSet_.reset();
    delete hook_;
    hook_ = nullptr;
}

int TInstallBDE::RegisteredType()
{
    return tcFileContainer;
}

void TInstallBDE::SetContainer(TInstallContainer* Value)
{
    if (!dynamic_cast<TFileContainer*>(Value))
        Value = InstallEngineContainer();
    TFileContainer::SetContainer(Value);
    if (!IsLoading())
        SetDestDirType(StandardSpecifier<TpsBDEDLL>());
    attachHook();
}

void TInstallBDE::Loaded()
{
    TFileContainer::Loaded();
    if (!DestDirType() && !DestDirTypeAssigned)
        SetDestDirType(StandardSpecifier<TpsBDEDLL>());
    attachHook();
}

void TInstallBDE::attachHook()
{
    if (!hook_ || hook_->Container())
        return;
    if (TInstallContainer* engine = InstallEngineContainer())
        hook_->SetContainer(engine);
}

void TInstallBDE::runBegins(int Code)
{
    if (Code != icRunBegins)
        return;
    existingConfig_ = "***";
    targetConfig_.clear();
    FindExistingConfig();
    PrepareEngineTarget();
}

TCustomInstallFile& TInstallBDE::ConfigTemplate() const
{
    TCustomInstallFile* found = nullptr;
    for (int i = 0; i < InstallFileCount(); ++i) {
        auto* file = dynamic_cast<TCustomInstallFile*>(InstallFiles(i));
        if (!file || !equalsNoCase(trim(file->DestName()), "IDAPI32.CNF"))
            continue;
        if (found)
            throw IEInstallBDE("More than one IDAPI.CNF file found for the BDE group");
        found = file;
    }
    if (!found)
        throw IEInstallBDE("Could not find a IDAPI.CNF file in the TInstallBDE");
    return *found;
}

void TInstallBDE::FindExistingConfig()
{
    const std::string registered = RegistryReadString(4, kBDEKey, "CONFIGFILE01", "");
    if (usableFile(registered)) {
        existingConfig_ = trim(registered);
        configDir_ = directoryOf(existingConfig_);
        configFileName_ = ExtractFileName(existingConfig_);
        return;
    }
    existingConfig_ = "***";
    for (const auto& [section, fallback] : { std::pair { "IDAPI", "idapi.cfg" }, std::pair { "ODAPI", "odapi.cfg" } }) {
        std::string found = trim(ReadIniValue("WIN.INI", section, "CONFIGFILE01"));
        if (!usableFile(found))
            found = machine().searchPath(fallback);
        if (usableFile(found)) {
            existingConfig_ = found;
            break;
        }
    }
    configDir_ = RemoveBackslash(ConfigTemplate().GetDestPath());
    configFileName_ = "idapi32.cfg";
}

void TInstallBDE::PrepareEngineTarget()
{
    const std::string first = RemoveBackslash(trim(GetDelimitedItem(RegistryReadString(4, kBDEKey, "DLLPATH", ""), 1)));
    if (!first.empty()) {
        SetDestDirType(nullptr);
        SetDestDir(first);
    }
    TCustomInstallFile& configTemplate = ConfigTemplate();
    configTemplate.SetDestDirType(nullptr);
    configTemplate.SetDestDir(configDir_);
}

std::string TInstallBDE::configLibraryPath() const
{
    std::string dir;
    if (TCustomInstall* engine = CurrentInstall())
        dir = engine->OwnDirectory();
    else
        dir = directoryOf(machine().moduleFileName());
    return AddBackslash(dir) + "IDAPINST.DLL";
}

void TInstallBDE::InstallStep()
{
    const std::string installed = RegistryReadString(4, "\\SOFTWARE\\BORLAND\\DATABASE ENGINE", "RESOURCE", "");
    if (!trim(installed).empty() && !equalsNoCase(trim(installed), trim(LanguageDLL))) {
        bool overwrite = true;
        if (OnLanguageDifferent)
            OnLanguageDifferent(this, installed, LanguageDLL, overwrite);
        if (!overwrite)
            throw IEBDELanguageDifferent("The Borland Database Engine installed on this machine is a different "
                                         "language from the Borland Database Engine being installed");
    }
    // Without the run's start (an install of this container alone) the
    // configuration has not been looked for yet.
    if (configDir_.empty()) {
        FindExistingConfig();
        PrepareEngineTarget();
    }

    Library library(configLibraryPath());
    library_ = &library;
    try {
        TFileContainer::InstallStep();
        ConfigureBDE(ConfigTemplate().DestinationPath(), LanguageDLL);
        library.IncrementIDAPIUseCount();
    } catch (...) {
        library_ = nullptr;
        throw;
    }
    library_ = nullptr;
}

void TInstallBDE::ConfigureBDE(const std::string& NewConfig, const std::string& LanguageCode)
{
    std::optional<Library> own;
    Library* library = library_;
    if (!library)
        library = &own.emplace(configLibraryPath());

    const std::string engineDir = toUpper(RemoveBackslash(trim(GetDestPath())));
    const std::string target = AddBackslash(configDir_) + configFileName_;
    for (const std::string& text : { NewConfig, target, LanguageCode, engineDir })
        checkBufferLength(text);

    bool merged = false;
    std::string inForce = target;
    TRegistryUndo registry;
    TFileUndo targetFile(target);
    std::optional<TFileUndo> winIni;
    if (SaveFor16Bit)
        winIni.emplace(AddBackslash(machine().windowsDirectory()) + "WIN.INI");
    try {
        // The engine's folder first, then the other folders it had, each once.
        std::string dllPath = engineDir;
        for (const std::string& item : win::text::splitNonEmpty(RegistryReadString(4, kBDEKey, "DLLPATH", ""), ';')) {
            const std::string entry = toUpper(RemoveBackslash(trim(item)));
            if (!entry.empty() && entry != engineDir)
                dllPath += ";" + entry;
        }
        registry.Write(kBDEKey, "DLLPATH", dllPath);

        registry.Write(kBLW32Key, "BLAPIPATH", engineDir);
        int driver = 0;
        for (int i = 0; i < InstallFileCount(); ++i) {
            auto* file = dynamic_cast<TCustomInstallFile*>(InstallFiles(i));
            if (file && toUpper(file->DestName()).find(".BLL") != std::string::npos)
                registry.Write(kBLW32Key, "LOCALE_LIB" + std::to_string(++driver), file->DestinationPath());
        }
        registry.Write(kBDEKey, "RESOURCE", LanguageDLL);

        library->IntlConfig(NewConfig.c_str(), SaveFor16Bit ? 1 : 0, LanguageCode.c_str());
        merged = library->MergeCfg(NewConfig.c_str(), existingConfig_.c_str(), target.c_str(), 1, SaveFor16Bit ? 1 : 0,
                     LanguageCode.c_str())
            == 0;
        if (!merged && OnMergeFailed)
            OnMergeFailed(this);

        // The network directory moves from the system settings to the Paradox driver.
        const std::string systemInit = std::string(kBDEKey) + "\\Settings\\System\\Init";
        const std::string paradoxInit = std::string(kBDEKey) + "\\Settings\\Drivers\\Paradox\\Init";
        const std::string systemNetDir = RegistryReadString(4, systemInit, "NET DIR", "");
        if (merged && !trim(systemNetDir).empty() && !trim(RegistryReadString(4, paradoxInit, "NET DIR", "")).empty()) {
            registry.Write(paradoxInit, "NET DIR", systemNetDir);
            registry.Delete(systemInit, "NET DIR");
        }

        if (merged && SaveFor16Bit) {
            std::string odapi = ReadIniValue("WIN.INI", "ODAPI", "CONFIGFILE01");
            if (odapi.empty())
                odapi = "*ERROR*";
            const int differs = toUpper(odapi) != toUpper(target) ? 1 : 0;
            if (library->FixMerge(target.c_str(), differs, 1, LanguageCode.c_str()) != 0) {
                merged = false;
                if (OnFixFailed)
                    OnFixFailed(this);
            }
        }

        // A configuration the library could not bring fully up to date is not
        // put in force: the one that was there stays as it was, with the
        // aliases of every other product that uses the engine, and the new
        // one is kept beside the template for a merge by hand. Only where
        // there was none is the new one the engine's configuration.
        if (!merged) {
            targetFile.Restore();
            if (winIni)
                winIni->Restore();
            const std::string kept = AddBackslash(directoryOf(NewConfig)) + "IDAPINEW.CFG";
            if (!equalsNoCase(NewConfig, kept)
                && !machine().moveFileEx(NewConfig, kept, win::MOVEFILE_REPLACE_EXISTING))
                throw IEInstallBDE("Could not rename %s to %s", { NewConfig, kept });
            inForce = existingConfig_ == "***" ? kept : existingConfig_;
        }

        if (!machine().fileExists(inForce))
            throw IEInstallBDE("The configuration file %s was not written", { inForce });
        registry.Write(kBDEKey, "CONFIGFILE01", inForce);
        registry.Write(kBDEKey, "SAVECONFIG", SaveFor16Bit ? "WIN31" : "WIN32");

        for (const TSQLLinkValue& v : sqlLinkValues(sqlLinkEntries_))
            registry.Write(v.Key, v.Name, v.Value);
    } catch (...) {
        registry.Restore();
        targetFile.Restore();
        if (winIni)
            winIni->Restore();
        throw;
    }

    targetConfig_ = inForce;
    if (merged && !equalsNoCase(NewConfig, target))
        machine().deleteFile(NewConfig);
    for (int i = 0; i < InstallFileCount(); ++i) {
        auto* file = dynamic_cast<TCustomInstallFile*>(InstallFiles(i));
        if (file && equalsNoCase(file->FileName(), "IDSQL32.DLL")) {
            try {
                file->Register();
            } catch (const std::exception&) {
            }
        }
    }
}

void TInstallBDE::WriteSQLLinkEntries()
{
    for (const TSQLLinkValue& v : sqlLinkValues(sqlLinkEntries_))
        RegistryWriteString(4, v.Key, v.Name, v.Value);
}

void TInstallBDE::WriteUninstallInfo(std::string_view Key)
{
    const std::string key = std::string(Key) + "\\BDE";
    int entries = 0;
    if (!TryStrToInt(trim(RegistryReadString(4, key, "Entries", "0")), entries) || entries < 0)
        entries = 0;
    RegistryWriteString(4, key, "Entries", std::to_string(entries + 1));
}

} // namespace installlib
