#include "setup/installlib/staletemporaries.h"

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/qrlecompressfiles.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"

#include <algorithm>
#include <cctype>

namespace installlib {

namespace {

win::Machine& machine()
{
    return win::Machine::current();
}

std::string upper(std::string_view s)
{
    return win::text::toUpper(std::string(s));
}

bool allOf(std::string_view s, int (*test)(int))
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// prefix, one to four hexadecimal digits, then one of the extensions: the
// names the machine's temporary file names take (GetTempFileName).
bool isTemporaryName(std::string_view name, std::string_view prefix, std::initializer_list<std::string_view> extensions)
{
    const std::string n = upper(name);
    if (n.size() <= prefix.size() || n.compare(0, prefix.size(), upper(prefix)) != 0)
        return false;
    for (std::string_view extension : extensions) {
        const std::string e = upper(extension);
        if (n.size() <= prefix.size() + e.size() || n.compare(n.size() - e.size(), e.size(), e) != 0)
            continue;
        const std::string_view digits = std::string_view(n).substr(prefix.size(), n.size() - prefix.size() - e.size());
        if (digits.size() <= 4 && allOf(digits, isxdigit))
            return true;
    }
    return false;
}

// What a pending restart still needs: the commands of the RunOnce key and
// the Unfinished entries of every run record, in capitals.
struct TPendingWork {
    std::vector<std::string> Commands;
    std::vector<std::string> Unfinished;

    bool Names(const std::string& path, bool folder) const
    {
        const std::string p = upper(folder ? AddBackslash(path) : path);
        for (const std::string& command : Commands)
            if (command.find(p) != std::string::npos)
                return true;
        for (const std::string& entry : Unfinished)
            if (folder ? entry.compare(0, p.size(), p) == 0 : entry == p)
                return true;
        return false;
    }
};

TPendingWork pendingWork()
{
    TPendingWork pending;
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    if (reg.OpenKey(kRunOnceKey, false))
        for (const std::string& name : reg.GetValueNames()) {
            try {
                pending.Commands.push_back(upper(reg.ReadString(name)));
            } catch (const ERegistryException&) {
                // not a command line
            }
        }
    std::vector<std::string> records;
    if (reg.OpenKey(kRunRecordsKey, false))
        records = reg.GetKeyNames();
    for (const std::string& record : records)
        if (reg.OpenKey(std::string(kRunRecordsKey) + "\\" + record + "\\Unfinished", false))
            for (const std::string& name : reg.GetValueNames())
                pending.Unfinished.push_back(upper(name));
    return pending;
}

bool anyHeld(const std::string& folder)
{
    win::Machine& m = machine();
    if (m.isHeld(folder))
        return true;
    for (const win::FindData& found : m.findFiles(AddBackslash(folder) + "*")) {
        const std::string path = AddBackslash(folder) + found.name;
        if ((found.attributes & win::FILE_ATTRIBUTE_DIRECTORY) ? anyHeld(path) : m.isHeld(path))
            return true;
    }
    return false;
}

// The loader's folder of a run of this same setup, or of a loader that
// was stopped before the setup program was out.
bool leftByLoader(const std::string& folder, const std::string& ownProgram)
{
    win::Machine& m = machine();
    const std::string name = ExtractFileName(ownProgram);
    const std::string copy = AddBackslash(folder) + name;
    if (!name.empty() && m.fileExists(copy) && m.fileSize(copy) == m.fileSize(ownProgram)
        && m.fileDate(copy) == m.fileDate(ownProgram))
        return true;
    for (const win::FindData& found : m.findFiles(AddBackslash(folder) + "*"))
        if ((found.attributes & win::FILE_ATTRIBUTE_DIRECTORY)
            || !isTemporaryName(found.name, qrlefiles::kTempPrefix, { ".TMP" }))
            return false;
    return true;
}

bool sameFolder(const std::string& a, const std::string& b)
{
    win::Machine& m = machine();
    return !a.empty() && !b.empty()
        && win::text::equalsNoCase(RemoveBackslash(m.fullPathName(a)), RemoveBackslash(m.fullPathName(b)));
}

void removeStaleFile(const std::string& path, const TPendingWork& pending)
{
    win::Machine& m = machine();
    if (!pending.Names(path, false) && !m.isHeld(path))
        m.deleteFile(path); // one that cannot go stays for a later run
}

} // namespace

bool IsLoaderFolder(const std::string& Folder)
{
    win::Machine& m = machine();
    const std::string full = RemoveBackslash(m.fullPathName(Folder));
    const std::string name = ExtractFileName(full);
    return name.size() > 2 && win::text::equalsNoCase(name.substr(0, 2), "QS") && allOf(name.substr(2), isdigit)
        && sameFolder(ExtractFilePath(full), m.tempPath());
}

void RemoveFolderTree(const std::string& Folder)
{
    win::Machine& m = machine();
    for (const win::FindData& found : m.findFiles(AddBackslash(Folder) + "*")) {
        const std::string path = AddBackslash(Folder) + found.name;
        if (found.attributes & win::FILE_ATTRIBUTE_DIRECTORY)
            RemoveFolderTree(path);
        else
            m.deleteFile(path);
    }
    m.removeDirectory(Folder);
}

void RemoveEndedLoaderFolder(const std::string& Folder)
{
    if (win::Machine::hasCurrent() && !pendingWork().Names(machine().fullPathName(Folder), true))
        RemoveFolderTree(Folder);
}

void RemoveStaleTemporaries(const std::vector<std::string>& Folders, const std::string& OwnProgram)
{
    if (!win::Machine::hasCurrent())
        return;
    win::Machine& m = machine();
    const std::string temp = RemoveBackslash(m.fullPathName(m.tempPath()));
    if (temp.empty() || !m.directoryExists(temp))
        return;
    const TPendingWork pending = pendingWork();
    const std::string ownFolder = RemoveBackslash(ExtractFilePath(m.fullPathName(OwnProgram)));
    m.removeKilledWritersTemps(temp);

    for (const win::FindData& found : m.findFiles(temp + "\\*")) {
        const std::string path = temp + "\\" + found.name;
        if (found.attributes & win::FILE_ATTRIBUTE_DIRECTORY) {
            if (IsLoaderFolder(path) && !sameFolder(path, ownFolder) && !pending.Names(path, true) && !anyHeld(path)
                && leftByLoader(path, OwnProgram))
                RemoveFolderTree(path);
        } else if (isTemporaryName(found.name, "bat", { ".TMP", ".BAT" })
            || isTemporaryName(found.name, qrlefiles::kTempPrefix, { ".TMP" })) {
            removeStaleFile(path, pending);
        }
    }

    std::vector<std::string> searched { temp };
    for (const std::string& folder : Folders) {
        const std::string full = RemoveBackslash(m.fullPathName(folder));
        if (full.empty() || sameFolder(full, ownFolder)
            || std::any_of(searched.begin(), searched.end(), [&](const std::string& s) { return sameFolder(s, full); }))
            continue;
        searched.push_back(full);
        m.removeKilledWritersTemps(full);
        for (const win::FindData& found : m.findFiles(full + "\\*"))
            if (!(found.attributes & win::FILE_ATTRIBUTE_DIRECTORY)
                && isTemporaryName(found.name, qrlefiles::kTempPrefix, { ".TMP" }))
                removeStaleFile(full + "\\" + found.name, pending);
    }
}

} // namespace installlib
