// Private profiles (INI files), programs and the simulated restart.

#include "platform/win/hostfile.h"
#include "platform/win/ini_document.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "platform/win/version_resource.h"

namespace win {

std::string Machine::profilePath(const std::string& file) const
{
    if (file.find_first_of("\\/:") == std::string::npos)
        return windowsDir_ + "\\" + file;
    return file;
}

std::string Machine::getPrivateProfileString(const std::string& section, const std::string& key, const std::string& def,
    size_t bufferSize, const std::string& file) const
{
    if (bufferSize == 0)
        return {};
    std::string bytes;
    std::optional<std::string> value;
    if (readFile(profilePath(file), bytes))
        value = IniDocument(bytes).value(section, key);
    std::string out;
    if (value) {
        out = *value;
        if (out.size() >= 2 && (out.front() == '"' || out.front() == '\'') && out.back() == out.front())
            out = out.substr(1, out.size() - 2);
        setLastError(ERROR_SUCCESS);
    } else {
        out = text::trimRight(def);
        setLastError(ERROR_FILE_NOT_FOUND);
    }
    if (out.size() > bufferSize - 1)
        out.resize(bufferSize - 1);
    return out;
}

int Machine::getPrivateProfileInt(
    const std::string& section, const std::string& key, int def, const std::string& file) const
{
    std::string v = getPrivateProfileString(section, key, "", 1024, file);
    if (v.empty())
        return def;
    // As Windows: the leading number, 0 when there is none.
    size_t i = 0;
    bool negative = false;
    if (v[0] == '-' || v[0] == '+') {
        negative = v[0] == '-';
        ++i;
    }
    long long n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
        n = std::min<long long>(n * 10 + (v[i] - '0'), 0x7FFFFFFFLL);
    return int(negative ? -n : n);
}

std::vector<std::string> Machine::profileSectionNames(const std::string& file) const
{
    std::string bytes;
    if (!readFile(profilePath(file), bytes))
        return {};
    return IniDocument(bytes).sectionNames();
}

std::vector<std::string> Machine::profileKeyNames(const std::string& section, const std::string& file) const
{
    std::string bytes;
    if (!readFile(profilePath(file), bytes))
        return {};
    return IniDocument(bytes).keyNames(section);
}

bool Machine::writePrivateProfileString(const std::string& section, const std::optional<std::string>& key,
    const std::optional<std::string>& value, const std::string& file)
{
    // Read, changed and written back under the lock that every INI write
    // on this root takes, so that a write between them is not lost.
    const hostfile::ExclusiveLock lock(root_ / "profile.lock");
    if (!lock.locked()) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    std::string path = profilePath(file);
    std::string bytes;
    bool exists = fileExists(path);
    if (exists && !readFile(path, bytes))
        return false;
    IniDocument doc(bytes);
    bool changed;
    if (!key)
        changed = doc.removeSection(section);
    else if (!value)
        changed = doc.removeKey(section, *key);
    else {
        doc.setValue(section, *key, *value);
        changed = true;
    }
    if (!changed)
        return true;
    return writeFile(path, doc.text());
}

bool Machine::fileVersionInfo(const std::string& path, VersionResource& out) const
{
    std::string bytes;
    if (!readFile(path, bytes))
        return false;
    auto v = VersionResource::fromPeImage(bytes);
    if (!v) {
        setLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return false;
    }
    out = *v;
    return true;
}

int Machine::winExec(const std::string& commandLine, int show)
{
    std::string line = text::trim(commandLine);
    std::string program;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        program = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        program = line.substr(0, line.find(' '));
    }
    if (program.empty())
        return int(ERROR_FILE_NOT_FOUND);
    size_t slash = program.find_last_of("\\/:");
    std::string name = slash == std::string::npos ? program : program.substr(slash + 1);
    if (name.find('.') == std::string::npos)
        program += ".EXE";
    std::string found = searchPath(program);
    if (found.empty()) {
        if (slash != std::string::npos) {
            std::string dir = program.substr(0, slash);
            if (!dir.empty() && dir.back() != ':' && !directoryExists(dir))
                return int(ERROR_PATH_NOT_FOUND);
        }
        return int(ERROR_FILE_NOT_FOUND);
    }
    executed_.push_back(commandLine);
    if (runner_)
        runner_(found, commandLine, show);
    return 33;
}

bool Machine::exitWindowsEx(uint32_t flags)
{
    if (!exitAllowed_) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    bool nt = kind_ == WindowsKind::NT4 || kind_ == WindowsKind::NT35;
    if ((flags & (EWX_REBOOT | EWX_SHUTDOWN)) && nt && !shutdownPrivilege_) {
        setLastError(ERROR_PRIVILEGE_NOT_HELD);
        return false;
    }
    if (flags & (EWX_REBOOT | EWX_SHUTDOWN))
        rebootRequested_ = true;
    return true;
}

bool Machine::enablePrivilege(const std::string& name)
{
    if (!text::equalsNoCase(name, "SeShutdownPrivilege")) {
        setLastError(ERROR_NO_SUCH_PRIVILEGE);
        return false;
    }
    if (!privilegesHeld_) {
        setLastError(ERROR_NOT_ALL_ASSIGNED);
        return false;
    }
    shutdownPrivilege_ = true;
    return true;
}

void Machine::restart()
{
    updateConfig([&] { inUse_.clear(); });
    rebootRequested_ = false;
    shutdownPrivilege_ = false;
    if (kind_ == WindowsKind::Win95) {
        std::string wininit = windowsDir_ + "\\WININIT.INI";
        std::string bytes;
        if (readFile(wininit, bytes)) {
            // Lines are taken in order; a key may repeat (several NUL= lines).
            for (const auto& [dest, source] : IniDocument(bytes).entries("Rename")) {
                if (text::equalsNoCase(dest, "NUL")) {
                    deleteFile(source);
                } else {
                    if (fileExists(dest))
                        deleteFile(dest);
                    moveFile(source, dest);
                }
            }
            std::string backup = windowsDir_ + "\\WININIT.BAK";
            if (fileExists(backup))
                deleteFile(backup);
            moveFile(wininit, backup);
        }
    } else if (kind_ == WindowsKind::NT4 || kind_ == WindowsKind::NT35) {
        RegKey key;
        RegValue pending;
        if (registry_->openKey(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", true, key)
                == ERROR_SUCCESS
            && registry_->queryValue(key, "PendingFileRenameOperations", pending) == ERROR_SUCCESS) {
            auto items = pending.strings();
            auto strip = [](std::string s) { return s.rfind("\\??\\", 0) == 0 ? s.substr(4) : s; };
            for (size_t i = 0; i + 1 < items.size(); i += 2) {
                std::string source = strip(items[i]);
                std::string dest = items[i + 1];
                if (dest.empty()) {
                    // A folder goes when it is empty by then, as on Windows.
                    if (directoryExists(source))
                        removeDirectory(source);
                    else
                        deleteFile(source);
                    continue;
                }
                bool replace = dest[0] == '!';
                dest = strip(replace ? dest.substr(1) : dest);
                moveFileEx(source, dest, replace ? MOVEFILE_REPLACE_EXISTING : 0);
            }
            registry_->deleteValue(key, "PendingFileRenameOperations");
        }
    }
    // RunOnce: each value is removed before its command runs.
    RegKey runOnce;
    if (registry_->openKey(
            RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true, runOnce)
        == ERROR_SUCCESS) {
        std::vector<RegValue> values;
        registry_->enumValues(runOnce, values);
        for (const auto& v : values) {
            registry_->deleteValue(runOnce, v.name);
            if (v.isString())
                winExec(v.text(), SW_SHOWNORMAL);
        }
    }
}

} // namespace win
