#include "setup/installlib/uninstaller.h"

#include "platform/win/progman.h"

#include "platform/engineconfig/engineconfig.h"
#include "platform/win/machine.h"
#include "platform/win/module.h"
#include "platform/win/program.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/staletemporaries.h"
#include "setup/installlib/stoppoint.h"
#include "setup/installlib/uninstalllog.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace installlib {

namespace {

namespace text = win::text;

const char* const kSharedDllsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const kHelpKey = "\\SOFTWARE\\Microsoft\\Windows\\Help";

struct Item {
    std::string Path;
    bool ActiveX = false;
    bool Program = false; // registered through " /REGSERVER"
};

bool allDigits(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// "Files", "Files1", "Files2", ...
bool isFilesList(const std::string& name)
{
    return name.size() >= 5 && text::equalsNoCase(name.substr(0, 5), "Files") && allDigits(name.substr(5));
}

// "File1", "File2", ...
bool isFileValue(const std::string& name)
{
    return name.size() > 4 && text::equalsNoCase(name.substr(0, 4), "File") && allDigits(name.substr(4));
}

std::string parentOf(const std::string& path)
{
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isUnder(const std::string& path, const std::string& dir)
{
    const std::string prefix = AddBackslash(dir);
    return path.size() > prefix.size() && text::equalsNoCase(path.substr(0, prefix.size()), prefix);
}

// Why Path is no plain absolute path; empty when it is.
std::string pathProblem(const std::string& path)
{
    if (path.empty())
        return "the entry is empty";
    if (path.size() < 4 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' || path[2] != '\\')
        return "not an absolute path";
    if (path.find_first_of("*?\"<>|/") != std::string::npos)
        return "not a plain path";
    for (const std::string& part : text::splitNonEmpty(path.substr(3), '\\'))
        if (part == "." || part == ".." || text::trim(part).empty())
            return "not a plain path";
    if (path.find("\\\\") != std::string::npos || path.back() == '\\')
        return "not a plain path";
    return {};
}

// Why Path is no plain absolute path of a file on the machine; empty when it is.
std::string unsafeReason(win::Machine& machine, const std::string& path)
{
    if (std::string why = pathProblem(path); !why.empty())
        return why;
    if (machine.directoryExists(path))
        return "a folder, not a file";
    return {};
}

class Uninstaller {
public:
    // Undo: the entry is one that a failed run started; it may lack its
    // name and command.
    Uninstaller(std::string Product, bool Undo)
        : machine_(win::Machine::current())
        , product_(std::move(Product))
        , reg_(&machine_.registry())
        , undo_(Undo)
    {
        reg_.SetRootKey(win::RootKey::LocalMachine);
    }

    TUninstallReport Run()
    {
        if (undo_ && !reg_.KeyExists(std::string(kUninstallListKey) + "\\" + product_))
            return std::move(report_); // the run stopped before it wrote anything
        findEntry();
        const std::string program = undo_ ? commandProgram() : checkEntry();
        readLists();
        readInstallRecords();
        findEngineFolders();
        // The product's resume goes first, in a step of its own: a restart
        // after a kill (or with the entry kept for a second run) never
        // reports an install of what is being removed.
        withdrawResume();
        if (applyEdits() && !resumeFolder_.empty())
            RemoveFolderTree(resumeFolder_);
        // Files go now; the shared counters, the engine's use count and the
        // entry change together at the end, in one step, so that a run
        // killed on the way and run again releases each count once and
        // always finds either the whole entry or none.
        for (const Item& item : items_) {
            StopPoint("uninstall");
            removeItem(item);
        }
        // Counters this install took for files it found and kept.
        for (const auto& [upper, counter] : ownCounters_)
            if (!index_.count(upper))
                releaseOwnCounterOnly(upper, counter);
        withdrawReplacements();
        putBackUsersLinks();
        const bool entryGoes = left_.empty() && unreleased_.empty();
        // The running uninstall program goes at the next start, queued in the
        // step that removes the entry: a restart after a kill never takes it
        // from an entry that still names it. One not running goes after the entry.
        bool programAfterEntry = false;
        if (entryGoes && !program.empty() && machine_.fileExists(program)) {
            if (!undo_ && (machine_.isHeld(program) || machine_.isInUse(program)))
                deleteAtRestart(program, "ERASE");
            else
                programAfterEntry = true;
        }
        try {
            // What a setup killed while it wrote these folders left in them.
            RemoveStaleTemporaries(folders_, std::string());
        } catch (const std::exception&) {
        }
        removeEmptyFolders();
        writeRestartBatch();
        if (entryGoes) {
            releaseEngine();
            edits_.push_back({ win::Registry::Edit::Kind::DeleteTree, win::RootKey::LocalMachine, report_.Key, {} });
        } else {
            keepWhatIsLeft();
        }
        applyEdits();
        if (programAfterEntry && !reg_.KeyExists(report_.Key)) {
            removeItem(Item { program, false, false });
            removeEmptyFolders();
            applyEdits();
        }
        keptAsTheyAre();
        return std::move(report_);
    }

private:
    bool applyEdits()
    {
        if (edits_.empty())
            return true;
        StopPoint("uninstall");
        long result = win::ERROR_ACCESS_DENIED;
        try {
            result = machine_.registry().applyInOneStep(edits_);
        } catch (const std::exception&) {
        }
        if (result != win::ERROR_SUCCESS)
            report_.Problems.push_back(report_.Key + ": the entry and the shared counters could not be written (error "
                + std::to_string(result) + ")");
        edits_.clear();
        return result == win::ERROR_SUCCESS;
    }

    // The shared counter's new count; its value goes at zero.
    void setCounter(const std::string& name, int count)
    {
        using Kind = win::Registry::Edit::Kind;
        edits_.push_back({ count >= 1 ? Kind::SetValue : Kind::DeleteValue, win::RootKey::LocalMachine, kSharedDllsKey,
            win::RegValue::dword(name, uint32_t(std::max(count, 0))) });
    }

    // Queued in the closing step; where Windows moves nothing at its start,
    // by the batch that step names in RunOnce.
    void deleteAtRestart(const std::string& path, const char* batchCommand)
    {
        if (auto edit = machine_.deleteAtRestartEdit(path))
            edits_.push_back(std::move(*edit));
        else if (!goesWithRestartBatch(batchCommand, path)) {
            report_.Problems.push_back(path + ": could not be set to go at the next start of Windows");
            return;
        }
        report_.RemovedAtRestart.push_back(path);
    }

    [[noreturn]] void refuse(const std::string& why) { throw EUninstall("Nothing was removed: " + why); }

    // The product's key; a name written with blanks around it is found by
    // its trimmed name, which is what the uninstall entry passes.
    void findEntry()
    {
        const std::string exact = std::string(kUninstallListKey) + "\\" + product_;
        if (reg_.KeyExists(exact)) {
            report_.Key = exact;
            return;
        }
        if (reg_.OpenKey(kUninstallListKey, false)) {
            for (const std::string& name : reg_.GetKeyNames())
                if (text::equalsNoCase(text::trim(name), product_)) {
                    report_.Key = std::string(kUninstallListKey) + "\\" + name;
                    reg_.CloseKey();
                    return;
                }
            reg_.CloseKey();
        }
        refuse("there is no uninstall entry for " + product_ + " under HKEY_LOCAL_MACHINE" + kUninstallListKey);
    }

    std::optional<std::string> readString(const std::string& key, const std::string& name)
    {
        if (!reg_.OpenKey(key, false))
            return std::nullopt;
        std::optional<std::string> out;
        try {
            if (reg_.ValueExists(name))
                out = reg_.ReadString(name);
        } catch (const std::exception&) {
            out.reset();
        }
        reg_.CloseKey();
        return out;
    }

    // The entry's checks; the uninstall program's path.
    std::string checkEntry()
    {
        const std::string& key = report_.Key;
        const auto display = readString(key, "DisplayName");
        if (!display || !text::equalsNoCase(text::trim(*display), product_))
            refuse("the uninstall entry " + key + " does not name " + product_ + " as its DisplayName");
        const auto command = readString(key, "UninstallString");
        const std::string suffix = " " + text::trim(*display);
        if (!command || command->size() <= suffix.size()
            || !text::equalsNoCase(command->substr(command->size() - suffix.size()), suffix))
            refuse("the UninstallString of " + key + " is not the uninstall program followed by the product name");
        std::string program = command->substr(0, command->size() - suffix.size());
        // Entries are written with the program's path quoted; older ones
        // without quotes are read too.
        if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
            program = program.substr(1, program.size() - 2);
        if (const std::string why = unsafeReason(machine_, program); !why.empty())
            refuse("the UninstallString of " + key + " names no uninstall program (" + why + ")");
        bool lists = false;
        if (reg_.OpenKey(key, false)) {
            for (const std::string& name : reg_.GetKeyNames())
                // The folder record alone: a setup stopped just after the
                // uninstall program was put in place.
                lists = lists || isFilesList(name) || text::equalsNoCase(name, "ActiveX")
                    || text::equalsNoCase(name, kFoldersKey);
            reg_.CloseKey();
        }
        if (!lists)
            refuse("the uninstall entry " + key + " holds no list of installed files");
        return program;
    }

    // The uninstall program an entry's command names; empty when there is none.
    std::string commandProgram()
    {
        const std::string program = QuotedProgramOf(readString(report_.Key, "UninstallString").value_or(""));
        return unsafeReason(machine_, program).empty() ? program : std::string();
    }

    void add(const std::string& list, const std::string& value, const std::string& path, bool activeX, bool program)
    {
        const std::string entry = list + "\\" + value;
        if (const std::string why = unsafeReason(machine_, path); !why.empty()) {
            report_.Problems.push_back(entry + ": " + why + " (" + path + ")");
            return;
        }
        const std::string upper = text::toUpper(path);
        auto at = index_.find(upper);
        if (at == index_.end()) {
            index_[upper] = items_.size();
            items_.push_back(Item { path, activeX, program });
        } else if (activeX) {
            items_[at->second].ActiveX = true;
            items_[at->second].Program = program;
        }
    }

    // The values File1, File2, ... of a list in their numeric order. The
    // count in "Entries" is not trusted: a list whose count was unreadable
    // still holds the files written before.
    std::vector<std::pair<std::string, std::string>> listValues(const std::string& key)
    {
        std::vector<std::pair<long, std::pair<std::string, std::string>>> found;
        if (!reg_.OpenKey(key, false))
            return {};
        for (const std::string& name : reg_.GetValueNames()) {
            if (!isFileValue(name))
                continue;
            std::string data;
            try {
                data = reg_.ReadString(name);
            } catch (const std::exception&) {
                report_.Problems.push_back(key + "\\" + name + ": not a text value");
                continue;
            }
            found.push_back({ std::strtol(name.c_str() + 4, nullptr, 10), { name, data } });
        }
        reg_.CloseKey();
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<std::string, std::string>> out;
        for (auto& f : found)
            out.push_back(std::move(f.second));
        return out;
    }

    // The entry's lists are rewritten to name only what this run left, so
    // that a second run can finish the job.
    void keepWhatIsLeft()
    {
        std::vector<std::string> lists;
        if (reg_.OpenKey(report_.Key, false)) {
            lists = reg_.GetKeyNames();
            reg_.CloseKey();
        }
        // In the closing step: a kill leaves the old lists or the new ones.
        using Kind = win::Registry::Edit::Kind;
        for (const std::string& name : lists)
            if (isFilesList(name) || text::equalsNoCase(name, "ActiveX") || text::equalsNoCase(name, "SharedDLLs"))
                edits_.push_back({ Kind::DeleteTree, win::RootKey::LocalMachine, report_.Key + "\\" + name, {} });
        auto writeList = [&](const std::string& list, const std::vector<std::string>& entries) {
            const std::string key = report_.Key + "\\" + list;
            for (size_t i = 0; i < entries.size(); ++i)
                edits_.push_back({ Kind::SetValue, win::RootKey::LocalMachine, key,
                    win::RegValue::string("File" + std::to_string(i + 1), entries[i]) });
            edits_.push_back({ Kind::SetValue, win::RootKey::LocalMachine, key,
                win::RegValue::string("Entries", std::to_string(entries.size())) });
        };
        std::vector<std::string> files, activeX;
        for (const Item& item : left_) {
            if (item.ActiveX)
                activeX.push_back(item.Path + (item.Program ? ";1" : ";0"));
            else
                files.push_back(item.Path);
            report_.Left.push_back(item.Path);
        }
        writeList("Files", files);
        if (!activeX.empty())
            writeList("ActiveX", activeX);
        std::vector<std::string> counters;
        for (const auto& [upper, counter] : ownCounters_)
            if (unreleased_.count(upper))
                counters.insert(counters.end(), std::size_t(counter.Times), counter.Path);
        if (!counters.empty())
            writeList("SharedDLLs", counters);
    }

    void readLists()
    {
        std::vector<std::string> lists;
        if (reg_.OpenKey(report_.Key, false)) {
            lists = reg_.GetKeyNames();
            reg_.CloseKey();
        }
        std::vector<std::pair<long, std::string>> files;
        for (const std::string& name : lists)
            if (isFilesList(name))
                files.push_back({ name.size() == 5 ? 0 : std::strtol(name.c_str() + 5, nullptr, 10), name });
        std::sort(files.begin(), files.end());
        for (const auto& [number, name] : files) {
            (void)number;
            const std::string key = report_.Key + "\\" + name;
            for (const auto& [value, path] : listValues(key))
                add(name, value, text::trim(path), false, false);
        }
        for (const std::string& name : lists) {
            if (!text::equalsNoCase(name, "SharedDLLs"))
                continue;
            for (const auto& [value, data] : listValues(report_.Key + "\\" + name)) {
                const std::string path = text::trim(data);
                OwnCounter& counter = ownCounters_[text::toUpper(path)];
                counter.Path = path;
                ++counter.Times; // once for every install of the product that counted it
            }
        }
        for (const std::string& name : lists) {
            if (!text::equalsNoCase(name, "ActiveX"))
                continue;
            for (const auto& [value, data] : listValues(report_.Key + "\\" + name)) {
                const auto semicolon = data.find_last_of(';');
                const std::string flag = semicolon == std::string::npos ? "" : text::trim(data.substr(semicolon + 1));
                if (flag != "0" && flag != "1") {
                    report_.Problems.push_back(name + "\\" + value + ": no registration flag (" + data + ")");
                    continue;
                }
                add(name, value, text::trim(data.substr(0, semicolon)), true, flag == "1");
            }
        }
    }

    // The stamps of the files as the install wrote them, and the folders it
    // created (none read: the entry was written before they were recorded).
    void readInstallRecords()
    {
        if (reg_.OpenKey(report_.Key + "\\" + kFileStampsKey, false)) {
            for (const std::string& name : reg_.GetValueNames()) {
                try {
                    stamps_[text::toUpper(name)] = text::trim(reg_.ReadString(name));
                } catch (const std::exception&) {
                    stamps_[text::toUpper(name)] = kKeptFileStamp; // unreadable: the file is not taken
                }
            }
            reg_.CloseKey();
        }
        if (reg_.OpenKey(report_.Key + "\\" + kFoldersKey, false)) {
            createdFolders_.emplace();
            for (const std::string& name : reg_.GetValueNames())
                if (pathProblem(name).empty())
                    createdFolders_->push_back(name);
            reg_.CloseKey();
        }
    }

    // Why the file is no longer the one the install wrote; empty when it
    // is, or when the entry holds no stamp for it (written before stamps).
    std::string changedSinceInstall(const std::string& path)
    {
        const auto at = stamps_.find(text::toUpper(path));
        if (at == stamps_.end() || at->second.empty())
            return {};
        if (at->second == kKeptFileStamp)
            return "a later setup found it changed or not its own and left it as it was";
        const std::string now = FileStamp(path);
        if (now.empty())
            return "it could not be read to tell whether it was changed";
        if (!text::equalsNoCase(now, at->second))
            return "changed since it was installed";
        return {};
    }

    // The SharedDLLs value naming the file (by its short or full path).
    std::optional<std::string> counterName(const std::string& path)
    {
        if (!reg_.OpenKey(kSharedDllsKey, false))
            return std::nullopt;
        const std::string shortPath = machine_.shortPathName(path);
        std::optional<std::string> out;
        for (const std::string& name : reg_.GetValueNames())
            if (text::equalsNoCase(name, path) || (!shortPath.empty() && text::equalsNoCase(name, shortPath))) {
                out = name;
                break;
            }
        reg_.CloseKey();
        return out;
    }

    bool isLinkFolderItem(const std::string& path)
    {
        for (const std::string& menu : { GetStartMenuDir(), GetDesktopDir() })
            if (!menu.empty() && isUnder(path, menu))
                return true;
        return false;
    }

    // False when the file stays because other programs still count on it.
    bool releaseCounter(const std::string& path)
    {
        const auto name = counterName(path);
        if (!name) {
            // The menus and the desktop live in the Windows folder on many
            // machines; the links the install made there are its own.
            if (isUnder(path, machine_.windowsDirectory()) && !isLinkFolderItem(path)) {
                report_.Kept.push_back(path + ": a file of the Windows folder without a shared counter");
                return false;
            }
            if (parentOf(path).size() <= 2) {
                report_.Kept.push_back(path + ": a file in the root of a drive");
                return false;
            }
            return true;
        }
        const std::string upper = text::toUpper(path);
        const auto ownCounter = ownCounters_.find(upper);
        const bool own = ownCounter != ownCounters_.end();
        if (!reg_.OpenKey(kSharedDllsKey, false))
            return false;
        bool release = false;
        try {
            const int count = reg_.ReadInteger(*name);
            const int left = own ? count - ownCounter->second.Times : 0;
            if (!own && count > 0) {
                // Another product counts on the file; its counter is its own.
                report_.Kept.push_back(path + ": its shared counter is held by another install");
            } else if (left >= 1) {
                setCounter(*name, left);
                report_.Kept.push_back(path + ": still used by " + std::to_string(left) + " other install(s)");
            } else {
                // A count of zero or below is taken as no other user; the
                // value goes rather than counting below zero.
                setCounter(*name, 0);
                release = true;
            }
        } catch (const std::exception&) {
            report_.Kept.push_back(path + ": its shared counter is unreadable");
            if (own)
                unreleased_.insert(upper);
        }
        reg_.CloseKey();
        return release;
    }

    // A file the install found and kept, but counted: the counter goes down
    // (its value goes at zero); the file is never removed.
    struct OwnCounter {
        std::string Path;
        int Times = 0;
    };

    void releaseOwnCounterOnly(const std::string& upper, const OwnCounter& counter)
    {
        const std::string& path = counter.Path;
        const auto name = counterName(path);
        if (!name || !reg_.OpenKey(kSharedDllsKey, false))
            return;
        try {
            setCounter(*name, reg_.ReadInteger(*name) - counter.Times);
            report_.Kept.push_back(path + ": not installed by this product; its counter was released");
        } catch (const std::exception&) {
            report_.Kept.push_back(path + ": its shared counter is unreadable");
            unreleased_.insert(upper);
        }
        reg_.CloseKey();
    }

    void unregister(const Item& item)
    {
        if (item.Program) {
            const int result = win::startProgram(machine_, item.Path, { "/UNREGSERVER" }, win::SW_HIDE);
            if (result < 32)
                report_.Problems.push_back(
                    item.Path + ": could not be unregistered (error " + std::to_string(result) + ")");
            return;
        }
        win::Module library;
        if (!library.load(machine_, item.Path)) {
            report_.Problems.push_back(item.Path + ": could not be loaded to unregister it");
            return;
        }
        auto unregisterServer = library.procAddress<std::int32_t (*)()>("DllUnregisterServer");
        if (!unregisterServer) {
            report_.Problems.push_back(item.Path + ": has no DllUnregisterServer");
            return;
        }
        if (const std::int32_t result = unregisterServer(); result != 0)
            report_.Problems.push_back(item.Path + ": DllUnregisterServer returned " + std::to_string(result));
    }

    void removeHelpRegistration(const std::string& path)
    {
        const std::string name = text::toUpper(nameOf(path));
        const std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : std::string();
        if (ext != ".HLP" && ext != ".CNT")
            return;
        const auto dir = readString(kHelpKey, name);
        if (dir && text::equalsNoCase(RemoveBackslash(*dir), parentOf(path)) && reg_.OpenKey(kHelpKey, false)) {
            reg_.DeleteValue(name);
            reg_.CloseKey();
        }
    }

    // The database engine is shared by other products: its folders (every
    // DLLPATH entry) and its configuration's folder are never emptied.
    void findEngineFolders()
    {
        const std::string key = std::string("\\") + engineconfig::kEngineKey;
        for (const std::string& item : text::splitNonEmpty(readString(key, "DLLPATH").value_or(""), ';'))
            if (!text::trim(item).empty())
                engineFolders_.push_back(RemoveBackslash(text::trim(item)));
        engineConfig_ = text::trim(readString(key, "CONFIGFILE01").value_or(""));
        if (!engineConfig_.empty())
            engineFolders_.push_back(parentOf(engineConfig_));
    }

    // A later setup's newer copy of a file that was in use waits beside it
    // for the restart to move it in place: the copy goes now, its move in
    // the closing step (on the 95 family its WININIT.INI line after the
    // copy), so that no product file comes back at the restart.
    void withdrawReplacements()
    {
        if (removedFiles_.empty())
            return;
        if (machine_.windowsKind() == win::WindowsKind::Win95) {
            for (const std::string& dest : machine_.profileKeyNames("Rename", "WININIT.INI")) {
                const std::string from = machine_.getPrivateProfileString("Rename", dest, "", 1024, "WININIT.INI");
                if (removedFiles_.count(text::toUpper(dest)) && !from.empty()
                    && text::equalsNoCase(parentOf(from), parentOf(dest))) {
                    machine_.deleteFile(from);
                    machine_.writePrivateProfileString("Rename", dest, std::nullopt, "WININIT.INI");
                }
            }
            return;
        }
        const char* const key = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
        win::Registry& registry = machine_.registry();
        win::RegKey opened;
        win::RegValue pending;
        if (registry.openKey(win::RootKey::LocalMachine, key, false, opened) != win::ERROR_SUCCESS
            || registry.queryValue(opened, "PendingFileRenameOperations", pending) != win::ERROR_SUCCESS)
            return;
        auto plain = [](std::string path) {
            if (path.starts_with('!'))
                path.erase(0, 1);
            return path.starts_with("\\??\\") ? path.substr(4) : path;
        };
        const std::vector<std::string> items = pending.strings();
        std::vector<std::string> withdrawn;
        for (size_t i = 0; i + 1 < items.size(); i += 2) {
            const std::string from = plain(items[i]);
            if (!items[i + 1].empty() && removedFiles_.count(text::toUpper(plain(items[i + 1])))
                && text::equalsNoCase(parentOf(from), parentOf(plain(items[i + 1])))) {
                machine_.deleteFile(from);
                withdrawn.push_back(items[i]);
                withdrawn.push_back(items[i + 1]);
            }
        }
        // Only these pairs go: moves that other programs add meanwhile stay.
        if (!withdrawn.empty())
            edits_.insert(edits_.begin(),
                { win::Registry::Edit::Kind::RemovePairs, win::RootKey::LocalMachine, key,
                    win::RegValue::multiString("PendingFileRenameOperations", withdrawn) });
    }

    // The user's own links that the install kept aside where the product's
    // went, now that the product's are gone; one the user made again stays.
    void putBackUsersLinks()
    {
        const std::string key = report_.Key + "\\" + kKeptLinksKey;
        std::vector<win::RegValue> values;
        win::RegKey opened;
        if (machine_.registry().openKey(win::RootKey::LocalMachine, key.substr(1), false, opened) != win::ERROR_SUCCESS
            || machine_.registry().enumValues(opened, values) != win::ERROR_SUCCESS)
            return;
        for (const win::RegValue& value : values) {
            if (!pathProblem(value.name).empty() || machine_.fileExists(value.name))
                continue;
            if (value.type == win::REG_MULTI_SZ) {
                putBackProgramManagerItem(value.name, value.strings());
                continue;
            }
            if (!machine_.forceDirectories(parentOf(value.name))
                || !machine_.writeFile(value.name, std::string(value.data.begin(), value.data.end()))) {
                report_.Problems.push_back(value.name + ": your own link could not be put back");
                continue;
            }
            report_.PutBack.push_back(value.name + ": your own link, kept aside while the product was installed");
        }
    }

    // As the install adds an item: its group made again when it went with
    // the product's item.
    void putBackProgramManagerItem(const std::string& path, const std::vector<std::string>& fields)
    {
        const std::string name = nameOf(path);
        const std::string itemName = name.substr(0, name.find_last_of('.'));
        const std::string group = nameOf(parentOf(path));
        win::ProgramManager pm(machine_);
        if (fields.size() != 5 || !pm.running())
            return;
        const auto existing = pm.group(group);
        if (existing && std::any_of(existing->items.begin(), existing->items.end(), [&](const win::ProgramItem& item) {
                return text::equalsNoCase(item.name, itemName);
            }))
            return;
        if (!pm.execute("[CreateGroup(" + group + ")][ShowGroup(" + group + ",8)][AddItem(" + fields[0] + "," + itemName
                + "," + fields[1] + "," + fields[2] + ",,," + fields[3] + "," + fields[4] + ")]")) {
            report_.Problems.push_back(
                path + ": your own Program Manager item could not be put back (" + pm.lastError() + ")");
            return;
        }
        report_.PutBack.push_back(path + ": your own Program Manager item, kept aside while the product was installed");
    }

    // A setup of the product that waits for the next start of Windows to
    // finish goes with the product: its RunOnce command and run record in
    // the closing step, the Temp folder the loader unpacked it into after it.
    void withdrawResume()
    {
        const std::string command = readString(report_.Key, kResumeValue).value_or("");
        const std::vector<std::string> words = win::splitCommandLine(command);
        if (words.empty())
            return;
        using Kind = win::Registry::Edit::Kind;
        if (reg_.OpenKey(kRunOnceKey, false)) {
            for (const std::string& name : reg_.GetValueNames())
                if (readString(kRunOnceKey, name).value_or("") == command)
                    edits_.push_back({ Kind::DeleteValue, win::RootKey::LocalMachine, kRunOnceKey,
                        win::RegValue::string(name, "") });
            reg_.CloseKey();
        }
        std::vector<std::string> records;
        if (reg_.OpenKey(kRunRecordsKey, false)) {
            records = reg_.GetKeyNames();
            reg_.CloseKey();
        }
        size_t withdrawn = 0;
        for (const std::string& record : records) {
            const std::string key = std::string(kRunRecordsKey) + "\\" + record;
            if (text::equalsNoCase(readString(key, "Path").value_or(""), words.front())) {
                edits_.push_back({ Kind::DeleteTree, win::RootKey::LocalMachine, key, {} });
                ++withdrawn;
            }
        }
        if (withdrawn > 0 && withdrawn == records.size()) {
            // The records' keys go with the last record, as a finished setup leaves them.
            edits_.push_back({ Kind::DeleteTree, win::RootKey::LocalMachine, kRunRecordsKey, {} });
            const std::string quorle = parentOf(kRunRecordsKey);
            if (reg_.OpenKey(quorle, false) && reg_.GetKeyNames().size() == 1)
                edits_.push_back({ Kind::DeleteTree, win::RootKey::LocalMachine, quorle, {} });
            reg_.CloseKey();
        }
        // Not to be taken for a later setup's resume by a second run.
        edits_.push_back(
            { Kind::DeleteValue, win::RootKey::LocalMachine, report_.Key, win::RegValue::string(kResumeValue, "") });
        const std::string folder = parentOf(words.front());
        if (IsLoaderFolder(folder))
            resumeFolder_ = folder;
    }

    // The configuration template a setup copies beside the engine's
    // configuration and merges into it: one left by a setup stopped before
    // the merge is the product's, unless the engine names it.
    bool isLeftTemplate(const std::string& path) const
    {
        return text::equalsNoCase(nameOf(path), "IDAPI32.CNF") && !text::equalsNoCase(path, engineConfig_);
    }

    // What was kept, only as far as it is on the machine, by the names it has there.
    void keptAsTheyAre()
    {
        std::vector<std::string> kept;
        for (const std::string& line : report_.Kept) {
            const auto colon = line.find(": ", 3); // past the drive's colon
            const std::string path = line.substr(0, colon);
            const std::vector<win::FindData> found = machine_.findFiles(path);
            if (found.size() == 1 && !machine_.directoryExists(path))
                kept.push_back(parentOf(path) + "\\" + found.front().name + line.substr(path.size()));
        }
        report_.Kept = std::move(kept);
    }

    bool inEngineFolder(const std::string& path) const
    {
        for (const std::string& folder : engineFolders_)
            if (text::equalsNoCase(parentOf(path), folder))
                return true;
        return false;
    }

    // The product's installs of the engine ("Entries" of its "BDE" list)
    // come off the engine's use count; the engine stays.
    void releaseEngine()
    {
        const auto entries = readString(report_.Key + "\\BDE", "Entries");
        int count = 0;
        if (!entries || !TryStrToInt(text::trim(*entries), count) || count <= 0)
            return;
        const uint32_t uses = machine_.registry().readDWord(
            win::RootKey::LocalMachine, engineconfig::kEngineKey, engineconfig::kUseCountValue, 0);
        const uint32_t left = uses > uint32_t(count) ? uses - uint32_t(count) : 0;
        edits_.push_back({ win::Registry::Edit::Kind::SetValue, win::RootKey::LocalMachine, engineconfig::kEngineKey,
            win::RegValue::dword(engineconfig::kUseCountValue, left) });
    }

    void removeItem(const Item& item)
    {
        if (inEngineFolder(item.Path) && !isLeftTemplate(item.Path)) {
            report_.Kept.push_back(item.Path + ": a file of the shared database engine");
            return;
        }
        if (!releaseCounter(item.Path))
            return;
        if (machine_.fileExists(item.Path)) {
            if (const std::string why = changedSinceInstall(item.Path); !why.empty()) {
                report_.Changed.push_back(item.Path + ": " + why);
                return;
            }
        }
        removeHelpRegistration(item.Path);
        if (!machine_.fileExists(item.Path)) {
            // Gone already (a run stopped after it): no newer copy may bring it back.
            removedFiles_.insert(text::toUpper(item.Path));
            // A link made as a Program Manager item has no file of its own.
            removeProgramManagerItem(item.Path);
            return; // otherwise removed by the user already
        }
        if (item.ActiveX)
            unregister(item);
        // As the reinstall does: a read-only file would stay, also at the restart.
        if (const std::uint32_t attributes = machine_.fileAttributes(item.Path);
            attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_READONLY))
            machine_.setFileAttributes(item.Path, attributes & ~win::FILE_ATTRIBUTE_READONLY);
        if (machine_.deleteFile(item.Path)) {
            removedFiles_.insert(text::toUpper(item.Path));
            report_.Removed.push_back(item.Path);
            folders_.push_back(parentOf(item.Path));
            return;
        }
        // Only a file in use goes at the restart; whatever else stops the
        // delete would stop it then too.
        const std::uint32_t error = win::lastError();
        if (error == win::ERROR_SHARING_VIOLATION
            && machine_.moveFileEx(item.Path, "", win::MOVEFILE_DELAY_UNTIL_REBOOT)) {
            report_.RemovedAtRestart.push_back(item.Path);
            removedFiles_.insert(text::toUpper(item.Path));
        } else {
            report_.Problems.push_back(item.Path + ": could not be removed (error " + std::to_string(error) + ")");
            left_.push_back(item);
        }
    }

    // The item named after the link file in the group named after its folder;
    // the group goes with its last item.
    void removeProgramManagerItem(const std::string& path)
    {
        const std::string name = path.substr(path.find_last_of('\\') + 1);
        if (name.size() <= 4 || !text::equalsNoCase(name.substr(name.size() - 4), ".LNK"))
            return;
        const std::string itemName = name.substr(0, name.size() - 4);
        const std::string folder = parentOf(path);
        const std::string groupName = folder.substr(folder.find_last_of('\\') + 1);
        win::ProgramManager pm(machine_);
        const auto group = pm.running() ? pm.group(groupName) : std::nullopt;
        if (!group)
            return;
        const auto found = std::find_if(group->items.begin(), group->items.end(),
            [&](const win::ProgramItem& i) { return text::equalsNoCase(i.name, itemName); });
        if (found == group->items.end())
            return;
        std::string commands = "[ShowGroup(\"" + group->name + "\",8)][DeleteItem(\"" + found->name + "\")]";
        if (group->items.size() == 1)
            commands += "[DeleteGroup(\"" + group->name + "\")]";
        if (!pm.execute(commands)) {
            report_.Problems.push_back(
                path + ": the Program Manager item could not be removed (" + pm.lastError() + ")");
            return;
        }
        report_.Removed.push_back(path);
        folders_.push_back(folder);
    }

    bool isSystemFolder(const std::string& dir)
    {
        if (dir.size() <= 3)
            return true;
        const std::string temp = RemoveBackslash(machine_.tempPath());
        for (const std::string& own :
            { machine_.windowsDirectory(), machine_.systemDirectory(), temp, GetProgramFilesDir(), GetCommonFilesDir(),
                GetStartMenuDir(), GetProgramsDir(), GetDesktopDir(), GetStartupDir() })
            if (!own.empty() && (text::equalsNoCase(own, dir) || isUnder(own, dir)))
                return true;
        return false;
    }

    bool holdsEngineFolder(const std::string& dir) const
    {
        for (const std::string& folder : engineFolders_)
            if (text::equalsNoCase(folder, dir) || isUnder(folder, dir))
                return true;
        return false;
    }

    // The folders the install created, deepest first, when empty; one that
    // holds only what goes at the next start of Windows goes then as well.
    void removeCreatedFolders()
    {
        std::vector<std::string> folders = *createdFolders_;
        std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        std::set<std::string> goingAtRestart;
        for (const std::string& path : report_.RemovedAtRestart)
            goingAtRestart.insert(text::toUpper(path));
        for (const std::string& dir : folders) {
            if (!machine_.directoryExists(dir) || isSystemFolder(dir) || holdsEngineFolder(dir))
                continue;
            const std::vector<win::FindData> entries = machine_.findFiles(dir + "\\*");
            if (entries.empty()) {
                if (machine_.removeDirectory(dir))
                    report_.RemovedDirectories.push_back(dir);
                continue;
            }
            const bool allGoing = std::all_of(entries.begin(), entries.end(), [&](const win::FindData& entry) {
                return goingAtRestart.count(text::toUpper(dir + "\\" + entry.name)) != 0;
            });
            if (allGoing) {
                if (auto edit = machine_.deleteAtRestartEdit(dir))
                    edits_.push_back(std::move(*edit));
                else if (restartBatch_.empty() || !goesWithRestartBatch("RD", dir))
                    continue;
                report_.RemovedAtRestart.push_back(dir);
                goingAtRestart.insert(text::toUpper(dir));
            }
        }
    }

    // Where Windows moves nothing at its start (the 95 family), the running
    // uninstall program and the folders left holding only it go by a batch
    // file that the next start runs once.
    bool goesWithRestartBatch(const char* command, const std::string& path)
    {
        if (win::lastError() != win::ERROR_CALL_NOT_IMPLEMENTED)
            return false;
        restartBatch_.push_back(std::string(command) + " \"" + path + "\"");
        return true;
    }

    void writeRestartBatch()
    {
        if (restartBatch_.empty())
            return;
        std::string batch;
        try {
            batch = GetTempBatchFile(false);
        } catch (const std::exception&) {
        }
        batch = batch.substr(0, batch.find_last_of('.')) + ".bat";
        std::string lines;
        for (const std::string& line : restartBatch_)
            lines += line + "\r\n";
        lines += "ERASE \"" + batch + "\"\r\n";
        if (batch.size() <= 4 || !machine_.writeFile(batch, lines)) {
            report_.Problems.push_back(
                "the uninstall program could not be set to go at the next start of Windows (" + batch + ")");
            return;
        }
        // Named in RunOnce by the closing step, with the entry's removal.
        std::string name = "QuorleUninstall";
        if (reg_.OpenKey(kRunOnceKey, false)) {
            for (int n = 1; reg_.ValueExists(name); ++n)
                name = "QuorleUninstall" + std::to_string(n);
            reg_.CloseKey();
        }
        edits_.push_back({ win::Registry::Edit::Kind::SetValue, win::RootKey::LocalMachine, kRunOnceKey,
            win::RegValue::string(name, "\"" + batch + "\"") });
    }

    void removeEmptyFolders()
    {
        if (createdFolders_) {
            removeCreatedFolders();
            return;
        }
        // An entry written before the folders were recorded: the folders
        // emptied here go, deepest first, so a parent is looked at after its children.
        std::sort(folders_.begin(), folders_.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
        for (std::string dir : folders_) {
            while (!dir.empty() && machine_.directoryExists(dir) && !isSystemFolder(dir)
                && machine_.findFiles(dir + "\\*").empty() && machine_.removeDirectory(dir)) {
                report_.RemovedDirectories.push_back(dir);
                dir = parentOf(dir);
            }
        }
    }

    win::Machine& machine_;
    std::string product_;
    TqrleRegistry reg_;
    TUninstallReport report_;
    std::vector<Item> items_;
    std::map<std::string, std::size_t> index_;
    std::vector<std::string> folders_;
    std::vector<std::string> engineFolders_;
    std::string engineConfig_; // the configuration the engine names
    std::string resumeFolder_; // the Temp folder of a withdrawn resume
    std::set<std::string> removedFiles_; // upper-cased: removed now or at the restart
    std::map<std::string, OwnCounter> ownCounters_; // upper-cased path -> the "SharedDLLs" list's entries
    std::set<std::string> unreleased_; // own counters that could not be released
    std::map<std::string, std::string> stamps_; // upper-cased path -> its stamp as installed
    std::optional<std::vector<std::string>> createdFolders_; // none: not recorded by the install
    std::vector<Item> left_; // could not be removed: kept in the entry
    std::vector<std::string> restartBatch_; // lines of the batch the next start runs
    std::vector<win::Registry::Edit> edits_; // the closing step
    bool undo_ = false;
};

} // namespace

TUninstallReport UninstallProduct(std::string_view ProductName)
{
    const std::string product = text::trim(ProductName);
    if (product.empty())
        throw EUninstall("Nothing was removed: no product name was given");
    // The name is one key below the uninstall list, never a path to another key.
    if (product.find_first_of("\\/") != std::string::npos)
        throw EUninstall("Nothing was removed: the product name " + product + " holds a backslash");
    return Uninstaller(product, false).Run();
}

TUninstallReport UndoFailedInstall(std::string_view ProductName)
{
    const std::string product(ProductName);
    if (product.empty() || product.find_first_of("\\/") != std::string::npos)
        return {};
    return Uninstaller(product, true).Run();
}

} // namespace installlib
