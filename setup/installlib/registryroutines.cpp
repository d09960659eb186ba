#include "setup/installlib/registryroutines.h"

#include "platform/win/machine.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/format.h"
#include "setup/installlib/routines.h"

namespace installlib {

namespace {

const char* const kShellFolders = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kCurrentVersion = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

void setRoot(TRegistry& reg, int number)
{
    win::RootKey root;
    if (RootFromNumber(number, root))
        reg.SetRootKey(root);
}

// A shell folder from the registry; empty when the value is missing or empty.
std::string shellFolder(int root, const char* key, const char* name)
{
    return RemoveBackslash(RegistryReadString(root, key, name, ""));
}

std::string currentDrive()
{
    std::string dir = win::Machine::hasCurrent() ? win::Machine::current().currentDirectory() : std::string();
    if (dir.size() >= 2 && dir[1] == ':')
        return dir.substr(0, 2);
    return "C:";
}

} // namespace

bool RootFromNumber(int Number, win::RootKey& Root)
{
    if (Number < 0 || Number > 5)
        return false;
    Root = static_cast<win::RootKey>(Number);
    return true;
}

int NumberFromRoot(win::RootKey Root, int Default)
{
    int n = static_cast<int>(Root);
    return n >= 0 && n <= 5 ? n : Default;
}

// --- TqrleRegistry ----------------------------------------------------------

bool TqrleRegistry::OpenKey(std::string_view Key, bool CanCreate)
{
    std::string sub;
    win::RegKey base = BaseFor(Key, sub);
    const bool relative = Key.empty() || Key.front() != '\\';
    win::RegKey opened;
    long rc;
    if (!CanCreate || Key.empty() || Store().keyExists(base, sub))
        rc = Store().openKey(base, sub, true, opened);
    else
        rc = Store().createKey(base, sub, opened);
    if (rc != 0)
        return false;
    std::string path = sub;
    if (relative && CurrentKey())
        path = sub.empty() ? CurrentPath() : CurrentPath() + "\\" + sub;
    ChangeKey(opened, path);
    return true;
}

std::optional<win::RegKey> TqrleRegistry::OpenKeyAllAccess(std::string_view Key)
{
    std::string sub;
    win::RegKey base = BaseFor(Key, sub);
    win::RegKey opened;
    if (Store().openKey(base, sub, true, opened) != 0)
        return std::nullopt;
    return opened;
}

std::optional<win::RegKey> TqrleRegistry::OpenKeyRead(std::string_view Key)
{
    std::string sub;
    win::RegKey base = BaseFor(Key, sub);
    win::RegKey opened;
    if (Store().openKey(base, sub, false, opened) != 0)
        return std::nullopt;
    return opened;
}

bool TqrleRegistry::KeyExists(std::string_view Key)
{
    return OpenKeyRead(Key).has_value();
}

bool TqrleRegistry::DeleteKeyRecursive(std::string_view Key)
{
    if (std::optional<win::RegKey> key = OpenKeyAllAccess(Key)) {
        std::optional<win::RegKey> savedKey = CurrentKey();
        std::string savedPath = CurrentPath();
        ChangeKey(*key, savedPath);
        std::vector<std::string> names = GetKeyNames();
        for (const auto& name : names)
            DeleteKeyRecursive(name);
        if (savedKey)
            ChangeKey(*savedKey, savedPath);
        else
            CloseKey();
    }
    return DeleteKey(Key);
}

// --- free registry routines -------------------------------------------------

void RegistryWriteString(int Root, std::string_view Key, std::string_view Name, std::string_view Value)
{
    auto fail = [&] {
        throw EIRCannotWriteValue(
            TranslateFormat("Cannot install into registry. Key: %s Ident: %s Value %s", { Key, Name, Value }));
    };
    try {
        TqrleRegistry reg;
        setRoot(reg, Root);
        // The key (made when missing) and the value in one save of the store.
        const std::string_view sub = !Key.empty() && Key.front() == '\\' ? Key.substr(1) : Key;
        if (win::Machine::current().registry().writeString(reg.RootKey(), std::string(sub), std::string(Name),
                std::string(Value))
            != 0)
            fail();
    } catch (const EIRCannotWriteValue&) {
        throw;
    } catch (const std::exception&) {
        fail();
    }
}

void RegistryWriteInteger(int Root, std::string_view Key, std::string_view Name, int Value)
{
    try {
        TqrleRegistry reg;
        setRoot(reg, Root);
        const std::string_view sub = !Key.empty() && Key.front() == '\\' ? Key.substr(1) : Key;
        if (win::Machine::current().registry().writeDWord(
                reg.RootKey(), std::string(sub), std::string(Name), static_cast<std::uint32_t>(Value))
            == 0)
            return;
    } catch (const std::exception&) {
    }
    throw EIRCannotWriteValue(std::string(Key));
}

std::string RegistryReadString(int Root, std::string_view Key, std::string_view Name, std::string_view Default)
{
    try {
        TqrleRegistry reg;
        setRoot(reg, Root);
        if (reg.KeyExists(Key) && reg.OpenKey(Key, false) && reg.ValueExists(Name))
            return reg.ReadString(Name);
    } catch (const std::exception&) {
    }
    return std::string(Default);
}

int RegistryReadInteger(int Root, std::string_view Key, std::string_view Name, int Default)
{
    try {
        TqrleRegistry reg;
        setRoot(reg, Root);
        if (reg.KeyExists(Key) && reg.OpenKey(Key, false) && reg.ValueExists(Name))
            return reg.ReadInteger(Name);
    } catch (const std::exception&) {
    }
    return Default;
}

void RegistryDeleteKeyTree(int Root, std::string_view Key)
{
    try {
        std::vector<std::string> names;
        {
            TqrleRegistry reg;
            setRoot(reg, Root);
            if (!reg.OpenKey(Key, false))
                return;
            names = reg.GetKeyNames();
            reg.CloseKey();
        }
        for (const auto& name : names)
            RegistryDeleteKeyTree(Root, std::string(Key) + "\\" + name);
        TqrleRegistry reg;
        setRoot(reg, Root);
        reg.DeleteKeyRecursive(Key);
    } catch (...) {
    }
}

bool AddRunOnceValue(std::string_view Name, std::string_view Command, bool Numbered)
{
    try {
        TqrleRegistry reg;
        reg.SetRootKey(win::RootKey::LocalMachine);
        reg.LazyWrite = false;
        if (!reg.OpenKey(kRunOnceKey, true))
            return false;
        std::string valueName(Name);
        if (Numbered)
            for (int n = 1; reg.ValueExists(valueName); ++n)
                valueName = std::string(Name) + std::to_string(n);
        reg.WriteString(valueName, Command);
        reg.CloseKey();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::string ReadIniValue(std::string_view FileName, std::string_view Section, std::string_view Key)
{
    if (!win::Machine::hasCurrent())
        return {};
    return win::Machine::current().getPrivateProfileString(
        std::string(Section), std::string(Key), "", 1024, std::string(FileName));
}

void SetUniqueName(TComponent& Component, std::string_view Name)
{
    if (!IsValidIdent(Name))
        throw EComponentError(TranslateFormat("'%s' is not a valid component name", { Name }));
    std::string candidate(Name);
    for (int n = 1;; ++n) {
        try {
            Component.SetName(candidate);
            return;
        } catch (const EComponentNameClash&) {
            candidate = std::string(Name) + std::to_string(n);
        }
        // A long base name can outgrow the identifier limit before a free
        // number is found; that must end with an error, not a loop.
        if (!IsValidIdent(candidate))
            throw EComponentError(TranslateFormat("'%s' is not a valid component name", { candidate }));
    }
}

// --- shell folders ----------------------------------------------------------

std::string GetStartMenuDir()
{
    std::string dir = shellFolder(2, kShellFolders, "Start Menu");
    return dir.empty() ? GetWindowsDir() + "\\Startmen" : dir;
}

std::string GetProgramsDir()
{
    std::string dir = shellFolder(2, kShellFolders, "Programs");
    return dir.empty() ? GetStartMenuDir() + "\\Programs" : dir;
}

std::string GetDesktopDir()
{
    std::string dir = shellFolder(2, kShellFolders, "Desktop");
    return dir.empty() ? GetWindowsDir() + "\\Desktop" : dir;
}

std::string GetStartupDir()
{
    std::string dir = shellFolder(2, kShellFolders, "Startup");
    return dir.empty() ? GetWindowsDir() + "\\Startup" : dir;
}

std::string GetProgramFilesDir()
{
    std::string dir = shellFolder(4, kCurrentVersion, "ProgramFilesDir");
    return dir.empty() ? currentDrive() + "\\Program Files" : dir;
}

std::string GetCommonFilesDir()
{
    std::string dir = shellFolder(4, kCurrentVersion, "CommonFilesDir");
    return dir.empty() ? currentDrive() + "\\Program Files\\Common Files" : dir;
}

} // namespace installlib
