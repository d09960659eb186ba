#include "setup/installlib/uninstalllog.h"

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/format.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"

#include <QCryptographicHash>

namespace installlib {

namespace {

win::Machine& machine()
{
    return win::Machine::current();
}

// "Files", "Files1", ..., "ActiveX", "SharedDLLs": the lists an install writes.
bool isList(const std::string& name)
{
    namespace text = win::text;
    if (text::equalsNoCase(name, "ActiveX") || text::equalsNoCase(name, "SharedDLLs"))
        return true;
    if (name.size() < 5 || !text::equalsNoCase(name.substr(0, 5), "Files"))
        return false;
    return name.find_first_not_of("0123456789", 5) == std::string::npos;
}

} // namespace

std::string FileStamp(const std::string& Path)
{
    std::string bytes;
    if (!machine().readFile(Path, bytes))
        return {};
    const QByteArray hash
        = QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha256);
    return std::to_string(bytes.size()) + ";" + hash.toHex().toStdString();
}

std::string QuotedProgramOf(std::string_view Command)
{
    const auto end = Command.find('"', 1);
    return Command.starts_with('"') && end != std::string_view::npos ? std::string(Command.substr(1, end - 1))
                                                                     : std::string();
}

bool CreateFolders(const std::string& Path, std::vector<std::string>& Created)
{
    win::Machine& m = machine();
    std::vector<std::string> missing;
    for (std::string dir = RemoveBackslash(Path); dir.size() > 3 && !m.directoryExists(dir);) {
        missing.insert(missing.begin(), dir);
        const auto slash = dir.find_last_of('\\');
        if (slash == std::string::npos)
            break;
        dir = dir.substr(0, slash);
    }
    if (missing.empty())
        return true;
    if (!m.forceDirectories(RemoveBackslash(Path))) {
        // Whatever was made before the failure is still the install's own.
        for (const std::string& dir : missing)
            if (m.directoryExists(dir))
                Created.push_back(dir);
        return false;
    }
    Created.insert(Created.end(), missing.begin(), missing.end());
    return true;
}

void RecordCreatedFolders(std::string_view Key, const std::vector<std::string>& Created)
{
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    const std::string folders = std::string(Key) + "\\" + kFoldersKey;
    if (!reg.KeyExists(folders)) {
        if (reg.OpenKey(Key, false)) {
            for (const std::string& name : reg.GetKeyNames())
                if (isList(name))
                    return; // written before folders were recorded
            reg.CloseKey();
        }
        if (!reg.OpenKey(folders, true))
            throw EIRCannotWriteValue(TranslateFormat("Cannot install into registry. Key: %s", { folders }));
        reg.CloseKey();
    }
    for (const std::string& dir : Created)
        RegistryWriteString(4, folders, dir, "");
}

void RecordFileStamp(std::string_view Key, const std::string& Path, const std::string& WrittenAs)
{
    RegistryWriteString(4, std::string(Key) + "\\" + kFileStampsKey, Path, FileStamp(WrittenAs));
}

void RecordKeptFile(std::string_view Key, const std::string& Path)
{
    const std::string stamps = std::string(Key) + "\\" + kFileStampsKey;
    if (!machine().fileExists(Path) || !RegistryReadString(4, stamps, Path, "").empty())
        return;
    RegistryWriteString(4, stamps, Path, kKeptFileStamp);
}

void KeepUsersLink(std::string_view Key, const std::string& Path, const std::vector<std::string>& Item)
{
    win::Machine& m = machine();
    std::string bytes;
    if (Item.empty() && (!m.fileExists(Path) || !m.readFile(Path, bytes)))
        return;
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    std::vector<std::string> lists;
    if (reg.OpenKey(Key, false)) {
        lists = reg.GetKeyNames();
        reg.CloseKey();
    }
    for (const std::string& list : lists) {
        if (!isList(list) || !reg.OpenKey(std::string(Key) + "\\" + list, false))
            continue;
        for (const std::string& name : reg.GetValueNames())
            if (win::text::equalsNoCase(
                    win::text::trim(RegistryReadString(4, std::string(Key) + "\\" + list, name, "")), Path))
                return; // an earlier install's own link
        reg.CloseKey();
    }
    const std::string kept = std::string(Key) + "\\" + kKeptLinksKey;
    if (reg.OpenKey(kept, false) && reg.ValueExists(Path))
        return;
    reg.CloseKey();
    const long result
        = m.registry().applyInOneStep({ { win::Registry::Edit::Kind::SetValue, win::RootKey::LocalMachine, kept,
            Item.empty() ? win::RegValue::binary(Path, { bytes.begin(), bytes.end() })
                         : win::RegValue::multiString(Path, Item) } });
    if (result != win::ERROR_SUCCESS)
        throw EIRCannotWriteValue(TranslateFormat("Cannot install into registry. Key: %s", { kept }));
}

} // namespace installlib
