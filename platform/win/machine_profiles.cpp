// Private profiles (INI files), programs and the simulated restart.

#include "platform/win/hostfile.h"
#include "platform/win/ini_document.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "platform/win/version_resource.h"

#include <algorithm>

namespace fs = std::filesystem;

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

namespace {

const char* const kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char* const kRunOnce = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// What is left of now once the items taken earlier are gone: taken is
// what the list began with when it was read; anything else came since.
std::vector<std::string> addedSince(const std::vector<std::string>& now, const std::vector<std::string>& taken)
{
    if (now.size() >= taken.size() && std::equal(taken.begin(), taken.end(), now.begin()))
        return std::vector<std::string>(now.begin() + std::ptrdiff_t(taken.size()), now.end());
    return now; // changed by another program meanwhile: nothing of it is dropped
}

} // namespace

bool Machine::applyDelayedMove(
    const std::string& source, const std::string& dest, bool replace, const std::vector<std::string>& kept)
{
    bool done;
    if (dest.empty()) {
        // A folder goes when it is empty by then, as on Windows.
        done = directoryExists(source) ? removeDirectory(source) : deleteFile(source);
    } else {
        if (replace && fileExists(dest) && fileExists(source) && !deleteFile(dest))
            done = false;
        else
            done = moveFileEx(source, dest, replace ? MOVEFILE_REPLACE_EXISTING : 0);
    }
    if (done)
        return true;
    // What a later start can do waits for it rather than leave its file for
    // good: a file still in use or read-only, a folder that still holds a
    // file kept for then. Anything else is dropped, as Windows drops it.
    const uint32_t error = lastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)
        return false;
    if (error == ERROR_DIR_NOT_EMPTY) {
        const std::string folder = text::toUpper(fullPathName(source)) + "\\";
        for (const std::string& k : kept)
            if (text::toUpper(fullPathName(k)).rfind(folder, 0) == 0)
                return false;
    }
    return true;
}

void Machine::applyPendingMoves()
{
    RegKey key;
    RegValue pending;
    if (registry_->openKey(RootKey::LocalMachine, kSessionManager, true, key) != ERROR_SUCCESS
        || registry_->queryValue(key, "PendingFileRenameOperations", pending) != ERROR_SUCCESS)
        return;
    // The list stays in the registry until the moves are done, so that a
    // restart cut short does them at the next one; a move done twice finds
    // its source gone and changes nothing.
    const std::vector<std::string> taken = pending.strings();
    auto strip = [](std::string s) { return s.rfind("\\??\\", 0) == 0 ? s.substr(4) : s; };
    std::vector<std::string> kept, keptSources;
    for (size_t i = 0; i + 1 < taken.size(); i += 2) {
        const std::string source = strip(taken[i]);
        const bool replace = !taken[i + 1].empty() && taken[i + 1][0] == '!';
        const std::string dest = strip(replace ? taken[i + 1].substr(1) : taken[i + 1]);
        if (!applyDelayedMove(source, dest, replace, keptSources)) {
            kept.push_back(taken[i]);
            kept.push_back(taken[i + 1]);
            keptSources.push_back(source);
        }
    }
    registry_->updateValue(key, "PendingFileRenameOperations", [&](std::optional<RegValue>& value) {
        std::vector<std::string> items = kept;
        if (value) {
            const std::vector<std::string> added = addedSince(value->strings(), taken);
            items.insert(items.end(), added.begin(), added.end());
        }
        if (items.empty())
            value.reset();
        else
            value = RegValue::multiString("PendingFileRenameOperations", items);
        return true;
    });
}

void Machine::applyWininit()
{
    const std::string wininit = windowsDir_ + "\\WININIT.INI";
    std::string bytes;
    if (!readFile(wininit, bytes))
        return;
    // Lines are taken in order; a key may repeat (several NUL= lines). The
    // file stays until they are done, as the registry's list does on NT.
    const auto lines = IniDocument(bytes).entries("Rename");
    std::vector<std::string> taken, kept, keptSources;
    for (const auto& [dest, source] : lines) {
        const std::string line = dest + "=" + source;
        taken.push_back(line);
        const bool nul = text::equalsNoCase(dest, "NUL");
        if (!applyDelayedMove(source, nul ? std::string() : dest, !nul, keptSources)) {
            kept.push_back(line);
            keptSources.push_back(source);
        }
    }
    const hostfile::ExclusiveLock lock(root_ / "profile.lock");
    if (!lock.locked() || !readFile(wininit, bytes))
        return;
    std::vector<std::string> now;
    for (const auto& [dest, source] : IniDocument(bytes).entries("Rename"))
        now.push_back(dest + "=" + source);
    const std::vector<std::string> added = addedSince(now, taken);
    kept.insert(kept.end(), added.begin(), added.end());
    const std::string backup = windowsDir_ + "\\WININIT.BAK";
    if (fileExists(backup))
        deleteFile(backup);
    if (kept.empty()) {
        moveFile(wininit, backup);
        return;
    }
    writeFile(backup, bytes);
    std::string rest = "[Rename]\r\n";
    for (const std::string& line : kept)
        rest += line + "\r\n";
    writeFile(wininit, rest);
}

void Machine::restart()
{
    // As Windows does at a shutdown, the programs still running end first:
    // their files are then free for the moves.
    endRunningPrograms();
    updateConfig([&] { inUse_.clear(); });
    rebootRequested_ = false;
    shutdownPrivilege_ = false;
    if (kind_ == WindowsKind::Win95)
        applyWininit();
    else if (kind_ == WindowsKind::NT4 || kind_ == WindowsKind::NT35)
        applyPendingMoves();
    // RunOnce: each value goes once its command has run, so that a restart
    // cut short runs it at the next one. A value the command wrote again
    // meanwhile (a changed command) is not removed.
    RegKey runOnce;
    if (registry_->openKey(RootKey::LocalMachine, kRunOnce, true, runOnce) != ERROR_SUCCESS)
        return;
    std::vector<RegValue> values;
    registry_->enumValues(runOnce, values);
    for (const auto& v : values) {
        if (v.isString())
            winExec(v.text(), SW_SHOWNORMAL);
        registry_->updateValue(runOnce, v.name, [&](std::optional<RegValue>& now) {
            if (!now || now->type != v.type || now->data != v.data)
                return false;
            now.reset();
            return true;
        });
    }
}

} // namespace win
