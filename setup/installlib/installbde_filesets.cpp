// The database-engine installer's file sets: the engine's files on the build
// machine by driver group and SQL link, added to and removed from the
// installer through its Boolean properties, and the SQL links' driver
// settings read from the build machine's registry.

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/format.h"
#include "setup/installlib/installbde.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/versionresource.h"

#include <algorithm>

namespace installlib {

namespace {

using win::text::equalsNoCase;
using win::text::toUpper;
using win::text::trim;

win::Machine& machine()
{
    return win::Machine::current();
}

const char* const kCoreFiles[] = { "IDAPI32.DLL", "BLW32.DLL", "IDDR32.DLL", "IDBAT32.DLL" };
const char* const kSQLLinkHelp[] = { "SQLLNK32.HLP", "SQLLNK32.CNT" };
const char* const kInterbaseMessages[] = { "INTERBAS.MSG", "INTERBASE.MSG" };
const char* const kLanguageFiles50[]
    = { "ceeurope.btl", "europe.btl", "fareast.btl", "japan.btl", "other.btl", "usa.btl", "charset.cvb", "bantam.dll" };

const char* const kLanguageDriversMissing
    = "There is no \\Software\\Borland\\BLW32 key in the registry, no entries in this key, or the BLAPIPATH entry "
      "does not point to a valid directory. Therefore the .BLL files could not be added";

std::vector<std::string> linkFiles(TBDESQLLink Link)
{
    switch (Link) {
    case slkDB2:
        return { "SQLDB232.DLL" };
    case slkInformix:
        return { "SQLINF32.DLL" };
    case slkIntrBase:
        return { "SQLINT32.DLL", "GDS32.DLL", "SQL_LIC.DAT" };
    case slkMSSQLServer:
        return { "SQLMSS32.DLL" };
    case slkOracle:
        return { "SQLORA32.DLL" };
    case slkSybaseCT:
        return { "SQLSSC32.DLL" };
    case slkSybaseDB:
        return { "SQLSYB32.DLL" };
    }
    return {};
}

bool hasExtension(std::string_view Name, std::string_view Extension)
{
    return Name.size() >= Extension.size() && equalsNoCase(Name.substr(Name.size() - Extension.size()), Extension);
}

} // namespace

std::unique_ptr<TBDEFileSet> DetectEngineVersion(TInstallBDE* InstallBDE)
{
    TVersionResource reader;
    reader.SetFileName(AddBackslash(FindEngineDir()) + "idapi32.dll");
    const std::string version = reader.VersionInfo().FileVersion;
    if (version.size() < 3)
        throw IEBDEVersionInvalid("The BDE DLL idapi32.dll has an invalid version. Cannot determine the version of "
                                  "the BDE that is on your computer");
    const std::string major = version.substr(0, 3);
    if (major == "3.0")
        return std::make_unique<TBDE30FileSet>(InstallBDE);
    if (major == "3.5")
        return std::make_unique<TBDE35FileSet>(InstallBDE);
    if (major == "4.0")
        return std::make_unique<TBDE40FileSet>(InstallBDE);
    if (major == "4.5")
        return std::make_unique<TBDE45FileSet>(InstallBDE);
    return std::make_unique<TBDE50FileSet>(InstallBDE);
}

TBDEFileSet::TBDEFileSet(TInstallBDE* InstallBDE)
    : installer_(InstallBDE)
{
    if (!InstallBDE)
        throw Exception("Cannot create BDE file set without passing valid InstallBDE");
}

// --- files of the container ---------------------------------------------------------

bool TBDEFileSet::hasFile(std::string_view FileName) const
{
    for (int i = 0; i < installer_->InstallFileCount(); ++i)
        if (equalsNoCase(trim(installer_->InstallFiles(i)->InstallFileName()), trim(FileName)))
            return true;
    return false;
}

void TBDEFileSet::addFile(const std::string& Path, const char* SpecifierClass)
{
    const std::string name = ExtractFileName(Path);
    if (hasFile(name))
        return;
    if (!machine().fileExists(Path))
        throw IEBDEFileDoesNotExist("Cannot find the file %s to add to the TInstallBDE component.", { Path });
    TCustomPathSpecifier* specifier = SpecifierClass && equalsNoCase(SpecifierClass, "TpsSystem")
        ? static_cast<TCustomPathSpecifier*>(StandardSpecifier<TpsSystem>())
        : StandardSpecifier<TpsContainerDestDir>();
    auto* file = new TInstallFile(installer_->Owner());
    try {
        SetUniqueName(*file, "BDEFile");
        file->SetContainer(installer_);
        file->SetIncludeFromDir(RemoveBackslash(ExtractFilePath(Path)));
        file->SetFileName(name);
        file->SetDestDirType(specifier);
        file->SetDestDir("");
        file->SetFileType(iftJustADLL);
        file->OverwriteMode = owVersionDate;
        file->UpdateDLLCounter = true;
        file->Net = true;
    } catch (const IEfcDuplicateFile&) {
        delete file;
    } catch (...) {
        delete file;
        throw;
    }
}

void TBDEFileSet::removeFile(std::string_view FileName)
{
    for (int i = installer_->InstallFileCount() - 1; i >= 0; --i)
        if (equalsNoCase(trim(installer_->InstallFiles(i)->InstallFileName()), trim(FileName)))
            delete installer_->InstallFiles(i);
}

void TBDEFileSet::removeFiles(const std::vector<std::string>& FileNames)
{
    for (const std::string& name : FileNames)
        removeFile(name);
}

// --- the core -------------------------------------------------------------------------

void TBDEFileSet::addTemplate()
{
    for (int i = 0; i < installer_->InstallFileCount(); ++i)
        if (auto* file = dynamic_cast<TCustomInstallFile*>(installer_->InstallFiles(i));
            file && equalsNoCase(trim(file->DestName()), "idapi32.cnf"))
            return;
    const std::string source = AddBackslash(FindQuorleDir(true)) + TemplateName();
    if (!machine().fileExists(source))
        throw IEBDEFileDoesNotExist("Cannot find the %s file in the Quorle directory", { TemplateName() });
    auto* file = new TInstallFile(installer_->Owner());
    try {
        SetUniqueName(*file, "BDEConfigFile");
        file->SetContainer(installer_);
        file->SetIncludeFromDir(RemoveBackslash(ExtractFilePath(source)));
        file->SetFileName(TemplateName());
        file->SetDestName("idapi32.cnf");
        file->OverwriteMode = owAlways;
        file->Net = true;
    } catch (...) {
        delete file;
        throw;
    }
}

void TBDEFileSet::addLanguageDrivers()
{
    TqrleRegistry registry;
    registry.SetRootKey(win::RootKey::LocalMachine);
    if (!registry.KeyExists(kBLW32Key) || !registry.OpenKey(kBLW32Key, false))
        throw IEInstallBDE(kLanguageDriversMissing);
    const std::vector<std::string> names = registry.GetValueNames();
    if (names.empty())
        throw IEInstallBDE(kLanguageDriversMissing);
    if (LanguageFilesByPath()) {
        const std::string dir = RemoveBackslash(trim(RegistryReadString(4, kBLW32Key, "BLAPIPATH", "")));
        if (dir.empty() || !machine().directoryExists(dir))
            throw IEInstallBDE(kLanguageDriversMissing);
        for (const char* name : kLanguageFiles50) {
            try {
                addFile(AddBackslash(dir) + name);
            } catch (const Exception&) {
            }
        }
        return;
    }
    for (const std::string& name : names) {
        if (toUpper(name).find("LOCALE_LIB") == std::string::npos)
            continue;
        try {
            addFile(trim(RegistryReadString(4, kBLW32Key, name, "")));
        } catch (const Exception&) {
        }
    }
}

void TBDEFileSet::removeLanguageDrivers()
{
    for (int i = installer_->InstallFileCount() - 1; i >= 0; --i) {
        const std::string name = trim(installer_->InstallFiles(i)->InstallFileName());
        const bool driver = LanguageFilesByPath()
            ? hasExtension(name, ".BTL") || equalsNoCase(name, "CHARSET.CVB") || equalsNoCase(name, "BANTAM.DLL")
            : hasExtension(name, ".BLL");
        if (driver)
            delete installer_->InstallFiles(i);
    }
}

bool TBDEFileSet::corePresent() const
{
    for (const char* name : kCoreFiles)
        if (!hasFile(name))
            return false;
    return hasFile("IDR2" + trim(installer_->LanguageDLL) + ".DLL");
}

void TBDEFileSet::addCore()
{
    const std::string dir = AddBackslash(FindEngineDir());
    for (const char* name : kCoreFiles)
        addFile(dir + name);
    addTemplate();
    addLanguageDrivers();
    addFile(dir + "IDR2" + trim(installer_->LanguageDLL) + ".DLL");
    for (const std::string& name : ToolFiles()) {
        if (!ControlPanelApplet() || !equalsNoCase(name, "BDEADMIN.CPL")) {
            addFile(dir + name);
            continue;
        }
        // The control-panel applet lives in the system directory on some machines.
        if (machine().fileExists(dir + name))
            addFile(dir + name, "TpsSystem");
        else if (const std::string system = AddBackslash(machine().systemDirectory()) + name;
                 machine().fileExists(system))
            addFile(system, "TpsSystem");
    }
}

void TBDEFileSet::applyCoreRule()
{
    if (AccessInFull() && Present(bgAccess))
        return;
    removeFiles(ToolFiles());
    for (TBDEDriverGroup group : { bgAscii, bgDBase, bgODBC, bgParadox, bgSQLEngine, bgQBEEngine, bgFull })
        if (Present(group))
            return;
    for (const char* name : kCoreFiles)
        removeFile(name);
    removeFile("IDR2" + trim(installer_->LanguageDLL) + ".DLL");
    for (int i = installer_->InstallFileCount() - 1; i >= 0; --i)
        if (auto* file = dynamic_cast<TCustomInstallFile*>(installer_->InstallFiles(i));
            file && equalsNoCase(trim(file->DestName()), "idapi32.cnf"))
            delete file;
    removeLanguageDrivers();
}

// --- driver groups ----------------------------------------------------------------------

std::vector<std::string> TBDEFileSet::groupFiles(TBDEDriverGroup Group) const
{
    switch (Group) {
    case bgAccess:
        return { "IDDA3532.DLL", "IDDAO32.DLL" };
    case bgAscii:
        return { "IDASCI32.DLL" };
    case bgDBase:
        return { "IDDBAS32.DLL" };
    case bgODBC:
        if (ODBCAddsDAO())
            return { "IDODBC32.DLL", "IDDAO32.DLL" };
        return { "IDODBC32.DLL" };
    case bgParadox:
        return { "IDPDX32.DLL" };
    case bgSQLEngine:
        return { "IDSQL32.DLL", "IDPDX32.DLL" };
    case bgQBEEngine:
        return { "IDQBE32.DLL", "IDPDX32.DLL" };
    case bgFull:
        break;
    }
    return {};
}

bool TBDEFileSet::Present(TBDEDriverGroup Group) const
{
    if (!corePresent())
        return false;
    if (Group == bgFull) {
        for (TBDEDriverGroup group : { bgAscii, bgDBase, bgODBC, bgParadox, bgSQLEngine, bgQBEEngine })
            if (!Present(group))
                return false;
        return !AccessInFull() || Present(bgAccess);
    }
    for (const std::string& name : groupFiles(Group))
        if (!hasFile(name))
            return false;
    return true;
}

// Runs an add; when it fails, the files it added go again.
template <class Body> void TBDEFileSet::allOrNothing(Body&& Add)
{
    std::vector<TFileRelated*> before;
    for (int i = 0; i < installer_->InstallFileCount(); ++i)
        before.push_back(installer_->InstallFiles(i));
    try {
        Add();
    } catch (...) {
        for (int i = installer_->InstallFileCount() - 1; i >= 0; --i)
            if (std::find(before.begin(), before.end(), installer_->InstallFiles(i)) == before.end())
                delete installer_->InstallFiles(i);
        throw;
    }
}

void TBDEFileSet::Add(TBDEDriverGroup Group)
{
    if (Group == bgFull) {
        std::vector<TBDEDriverGroup> groups { bgAscii, bgDBase, bgODBC, bgParadox, bgSQLEngine, bgQBEEngine };
        if (AccessInFull())
            groups.insert(groups.begin(), bgAccess);
        for (TBDEDriverGroup group : groups) {
            try {
                Add(group);
            } catch (const Exception&) {
            }
        }
        return;
    }
    allOrNothing([&] {
        addCore();
        const std::string dir = AddBackslash(FindEngineDir());
        for (const std::string& name : groupFiles(Group))
            addFile(dir + name);
    });
}

void TBDEFileSet::Remove(TBDEDriverGroup Group)
{
    // A library two groups share goes with the last of them.
    auto keepWhile = [this](const char* name, std::initializer_list<TBDEDriverGroup> users) {
        for (TBDEDriverGroup user : users)
            if (Present(user))
                return;
        removeFile(name);
    };
    switch (Group) {
    case bgAccess:
        removeFile("IDDA3532.DLL");
        keepWhile("IDDAO32.DLL", { bgODBC });
        break;
    case bgAscii:
        removeFile("IDASCI32.DLL");
        break;
    case bgDBase:
        removeFile("IDDBAS32.DLL");
        break;
    case bgODBC:
        removeFile("IDODBC32.DLL");
        if (ODBCAddsDAO())
            keepWhile("IDDAO32.DLL", { bgAccess });
        break;
    case bgParadox:
        keepWhile("IDPDX32.DLL", { bgSQLEngine, bgQBEEngine });
        break;
    case bgSQLEngine:
        removeFile("IDSQL32.DLL");
        keepWhile("IDPDX32.DLL", { bgParadox, bgQBEEngine });
        break;
    case bgQBEEngine:
        removeFile("IDQBE32.DLL");
        keepWhile("IDPDX32.DLL", { bgParadox, bgSQLEngine });
        break;
    case bgFull:
        break;
    }
    applyCoreRule();
}

// --- SQL links ------------------------------------------------------------------------

std::string TBDEFileSet::interbaseMessageFile() const
{
    std::string root
        = trim(RegistryReadString(4, "\\SOFTWARE\\INTERBASE CORP\\INTERBASE\\CURRENTVERSION", "RootDirectory", ""));
    if (root.empty())
        root = trim(RegistryReadString(4, "\\SOFTWARE\\BORLAND\\INTERBASE\\CURRENTVERSION", "RootDirectory", ""));
    if (root.empty())
        throw IEBDENoIntrbaseEntry("Cannot find the \\SOFTWARE\\BORLAND\\INTERBASE\\CURRENTVERSION | RootDirectory "
                                   "registry entry in your registry under the HKEY_LOCAL_MACHINE root key");
    for (const char* name : kInterbaseMessages)
        if (const std::string path = AddBackslash(root) + name; machine().fileExists(path))
            return path;
    throw IEInstallBDE("The Interbase MSG file could not be found");
}

bool TBDEFileSet::Present(TBDESQLLink Link) const
{
    for (const std::string& name : linkFiles(Link))
        if (!hasFile(name))
            return false;
    if (Link == slkIntrBase && !hasFile(kInterbaseMessages[0]) && !hasFile(kInterbaseMessages[1]))
        return false;
    return hasFile(kSQLLinkHelp[0]) && hasFile(kSQLLinkHelp[1]);
}

void TBDEFileSet::Add(TBDESQLLink Link)
{
    const std::string dir = AddBackslash(FindEngineDir());
    // The message file is looked for first, so a link that cannot be
    // complete adds nothing.
    const std::string message = Link == slkIntrBase ? interbaseMessageFile() : std::string();
    allOrNothing([&] {
        for (const char* name : kSQLLinkHelp)
            addFile(dir + name);
        for (const std::string& name : linkFiles(Link))
            addFile(dir + name);
        if (!message.empty())
            addFile(message);
    });
}

void TBDEFileSet::Remove(TBDESQLLink Link)
{
    removeFiles(linkFiles(Link));
    if (Link == slkIntrBase)
        removeFiles({ kInterbaseMessages[0], kInterbaseMessages[1] });
    // The links' help stays while another link still needs it.
    for (TBDESQLLink other : { slkDB2, slkInformix, slkIntrBase, slkMSSQLServer, slkOracle, slkSybaseCT, slkSybaseDB })
        if (other != Link && Present(other))
            return;
    removeFiles({ kSQLLinkHelp[0], kSQLLinkHelp[1] });
}

// --- the installer's properties ---------------------------------------------------------

bool TInstallBDE::groupPresent(TBDEDriverGroup Group) const
{
    return fileSet_ && fileSet_->Present(Group);
}

bool TInstallBDE::linkPresent(TBDESQLLink Link) const
{
    return fileSet_ && fileSet_->Present(Link);
}

void TInstallBDE::setGroup(TBDEDriverGroup Group, bool Value)
{
    if (IsLoading() || !fileSet_)
        return;
    if (Value)
        fileSet_->Add(Group);
    else
        fileSet_->Remove(Group);
}

void TInstallBDE::setLink(TBDESQLLink Link, bool Value)
{
    if (IsLoading() || !fileSet_)
        return;
    if (Value)
        fileSet_->Add(Link);
    else
        fileSet_->Remove(Link);
    ReadSQLLinkEntries();
}

void TInstallBDE::ReadSQLLinkEntries()
{
    sqlLinkEntries_.clear();
    TqrleRegistry registry;
    registry.SetRootKey(win::RootKey::LocalMachine);
    if (!registry.KeyExists(kBDEDriversKey) || !registry.OpenKey(kBDEDriversKey, false))
        throw IEInstallBDE("There is no %s key in your registry. Cannot read the information for SQL Link",
            { std::string(kBDEDriversKey) });
    const std::pair<const char*, TBDESQLLink> drivers[] = { { "MSSQL", slkMSSQLServer }, { "INTRBASE", slkIntrBase },
        { "ORACLE", slkOracle }, { "INFORMIX", slkInformix }, { "DB2", slkDB2 }, { "SYBASE", slkSybaseCT } };
    for (const std::string& driver : registry.GetKeyNames()) {
        bool wanted = false;
        for (const auto& [name, link] : drivers)
            if (equalsNoCase(driver, name) && linkPresent(link))
                wanted = true;
        if (!wanted)
            continue;
        for (const auto& [part, header] :
            { std::pair { "DB OPEN", "[DB OPEN-%s]" }, std::pair { "INIT", "[INIT-%s]" } }) {
            const std::string key = std::string(kBDEDriversKey) + "\\" + driver + "\\" + part;
            TqrleRegistry values;
            values.SetRootKey(win::RootKey::LocalMachine);
            if (!values.KeyExists(key) || !values.OpenKey(key, false))
                throw IEInstallBDE(
                    "Cannot open the %s key in your registry. Cannot read the information for %s SQL Link",
                    { key, driver });
            sqlLinkEntries_.push_back(Format(header, { driver }));
            for (const std::string& name : values.GetValueNames())
                sqlLinkEntries_.push_back(Format("%s=%s", { name, values.ReadString(name) }));
            sqlLinkEntries_.push_back("  ");
        }
    }
}

} // namespace installlib
