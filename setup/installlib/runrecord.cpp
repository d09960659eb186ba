// The engine's run record, reboot and resume.
//
// A run leaves a key under HKEY_LOCAL_MACHINE\SOFTWARE\Quorle\Install,
// named "Install<n>" and recognised by the setup program file's date and
// size, so that the same setup started again (after a reboot with -r, or by
// the user) finds its own record. The record's Unfinished subkey lists what
// only the restart can finish; each install object that downloaded an
// archive keeps a subkey with its LocalFile.

#include "setup/installlib/install.h"

#include "platform/ui/message_service.h"
#include "platform/win/dosdate.h"
#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/application.h"
#include "setup/installlib/filerelated.h"
#include "setup/installlib/format.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/staletemporaries.h"
#include "setup/installlib/translator.h"
#include "setup/installlib/uninstallexe.h"
#include "setup/installlib/uninstalllog.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace installlib {

namespace {

constexpr int kLocalMachine = 4;
constexpr const char* kQuorleKey = "\\Software\\Quorle";
constexpr const char* kUnfinishedError
    = "The TInstall could not either write or read unfinished business from the registry";
constexpr const char* kInvalidEntry = "There is an invalid entry for the unfinished install list %s";
// File dates of one setup file differ by rounding only.
constexpr double kSameDate = 1e-7;

// The running program's full path, as the record and the restart command keep it.
std::string fullProgramPath(win::Machine& machine, const std::string& program)
{
    std::string full = machine.fullPathName(program);
    return full.empty() ? program : full;
}

std::string quotedArgument(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

const std::string& recordKey()
{
    return InstallRunState().RunRecordKey;
}

std::string unfinishedKey()
{
    if (recordKey().empty())
        throw IEInstall(kUnfinishedError);
    return recordKey() + "\\Unfinished";
}

// Only what a setup itself leaves in the Temp directory (its batch files
// and downloaded archives) may be deleted on the word of a record: the
// record is plain registry data and may name anything.
bool liesInTempDirectory(win::Machine& machine, const std::string& path)
{
    std::string full = machine.fullPathName(path);
    std::string temp = RemoveBackslash(machine.fullPathName(machine.tempPath()));
    return !full.empty() && !temp.empty() && win::text::equalsNoCase(RemoveBackslash(ExtractFilePath(full)), temp);
}

// A file's size and last-write date-time, by which a record knows its
// setup file; false when the file cannot be opened or has no date.
bool sizeAndDate(win::Machine& machine, const std::string& path, std::int64_t& size, double& date)
{
    win::File file;
    if (!file.open(machine, path, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING))
        return false;
    size = file.size();
    std::optional<std::uint32_t> stamp = file.dosDateTime();
    std::optional<rtl::TDateTime> when = stamp ? win::dosDateTimeToDateTime(*stamp) : std::nullopt;
    if (!when)
        return false;
    date = *when;
    return true;
}

// "QuorleUnfinished" and the names the RunOnce writer numbers after it.
bool isResumeValueName(const std::string& name)
{
    constexpr std::string_view base = "QuorleUnfinished";
    return name.size() >= base.size() && win::text::equalsNoCase(name.substr(0, base.size()), base)
        && std::all_of(name.begin() + std::ptrdiff_t(base.size()), name.end(),
            [](char c) { return c >= '0' && c <= '9'; });
}

bool hasSubkeys(std::string_view key)
{
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    return !reg.OpenKey(key, false) || !reg.GetKeyNames().empty();
}

// One entry of the Unfinished list, checked before anything is done.
struct TUnfinishedEntry {
    std::string Name;
    int Code = 0;
};

TUnfinishedEntry parseEntry(const std::string& line)
{
    // A file name may hold ";" itself; the code is what follows the last one.
    size_t semicolon = line.rfind(';');
    TUnfinishedEntry entry;
    if (semicolon == std::string::npos || !TryStrToInt(std::string_view(line).substr(semicolon + 1), entry.Code))
        throw IEInstall(kInvalidEntry, { line });
    entry.Name = line.substr(0, semicolon);
    if (entry.Code == 1 && !liesInTempDirectory(win::Machine::current(), entry.Name))
        throw IEInstall(kInvalidEntry, { line });
    return entry;
}

// The product has an uninstall program and its entry is gone.
bool productUninstalled(const std::string& product)
{
    TCustomInstallFileList& files = InstallFileList();
    bool listed = false;
    for (int i = 0; i < files.Count(); ++i)
        listed = listed || dynamic_cast<TUninstallEXE*>(files.Items(i));
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    return listed && !reg.KeyExists(std::string(UninstallKeyBase) + product);
}

} // namespace

bool LiesInTempDirectory(const std::string& Path)
{
    return win::Machine::hasCurrent() && liesInTempDirectory(win::Machine::current(), Path);
}

std::string TCustomInstall::FindRunRecord(bool Create)
{
    win::Machine& machine = win::Machine::current();
    const std::string program = fullProgramPath(machine, ProgramFile());
    std::int64_t size;
    double fileDate;
    if (!sizeAndDate(machine, program, size, fileDate))
        throw IEInstall("Cannot open file %s: %s", { program, win::errorText(win::lastError()) });
    // The record keeps the size as a registry integer.
    const int fileSize = static_cast<int>(size);

    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    if (!reg.OpenKey(kRunRecordsKey, true))
        return {};
    const std::vector<std::string> names = reg.GetKeyNames();

    for (const std::string& name : names) {
        const std::string key = std::string(kRunRecordsKey) + "\\" + name;
        double creation;
        int recordSize;
        try {
            if (!reg.OpenKey(key, false) || !reg.ValueExists("Path"))
                continue;
            reg.ReadString("Path");
            creation = reg.ReadFloat("CreationDate");
            recordSize = reg.ReadInteger("Size");
        } catch (const std::exception&) {
            continue; // a damaged record is no record of ours
        }
        if (std::fabs(fileDate - creation) >= kSameDate || recordSize != fileSize)
            continue;
        try {
            reg.WriteFloat("LastRunDate", InstallRunState().RunStartTime);
            // The same setup may have been moved since.
            reg.WriteString("Path", program);
        } catch (const std::exception&) {
            return {};
        }
        return key;
    }
    if (!Create)
        return {};

    std::string name;
    for (int n = 0;; ++n) {
        name = "Install" + std::to_string(n);
        bool taken = false;
        for (const std::string& existing : names)
            taken = taken || win::text::equalsNoCase(existing, name);
        if (!taken)
            break;
    }
    const std::string key = std::string(kRunRecordsKey) + "\\" + name;
    try {
        if (!reg.OpenKey(key, true))
            return {};
        reg.WriteString("Path", program);
        reg.WriteFloat("LastRunDate", InstallRunState().RunStartTime);
        reg.WriteFloat("CreationDate", fileDate);
        reg.WriteInteger("Size", fileSize);
        if (CommandLine().Has(clSelfExtract))
            reg.WriteString(
                "SelfExtract", AddBackslash(CommandLine().Value(clSource)) + CommandLine().Value(clSelfExtract));
    } catch (const std::exception&) {
        return {};
    }
    return key;
}

void TCustomInstall::ClearUnfinished()
{
    RegistryDeleteKeyTree(kLocalMachine, unfinishedKey());
}

void TCustomInstall::AddUnfinished(std::string_view Name, int Code)
{
    const std::string key = unfinishedKey();
    ++UnfinishedCount;
    RegistryWriteString(kLocalMachine, key, Name, std::to_string(Code));
}

void TCustomInstall::ReadUnfinished(std::vector<std::string>& List)
{
    List.clear();
    const std::string key = unfinishedKey();
    win::Registry& registry = win::Machine::current().registry();
    win::RegKey opened;
    if (registry.openKey(win::RootKey::LocalMachine, key.substr(1), false, opened) != 0)
        return;
    std::vector<win::RegValue> values;
    if (registry.enumValues(opened, values) != 0)
        throw IEInstall(kUnfinishedError);
    // Data that is no string is listed empty, so the entry is refused as invalid.
    for (const win::RegValue& value : values)
        List.push_back(value.name + ";" + (value.isString() ? value.text() : std::string()));
}

void TCustomInstall::DeleteRunRecord()
{
    const std::string record = recordKey();
    if (record.empty())
        return;
    win::Machine& machine = win::Machine::current();
    std::vector<std::string> subkeys;
    {
        TqrleRegistry reg;
        reg.SetRootKey(win::RootKey::LocalMachine);
        if (reg.OpenKey(record, false))
            subkeys = reg.GetKeyNames();
    }
    for (const std::string& subkey : subkeys) {
        const std::string key = record + "\\" + subkey;
        std::string local = win::text::trim(RegistryReadString(kLocalMachine, key, "LocalFile", ""));
        if (!local.empty() && liesInTempDirectory(machine, local))
            machine.deleteFile(local); // a download already gone is no failure
        RegistryDeleteKeyTree(kLocalMachine, key);
    }
    RegistryDeleteKeyTree(kLocalMachine, record);
    InstallRunState().RunRecordKey.clear();
    // Without the record an earlier run's restart would find nothing to finish.
    WithdrawEarlierResumes();

    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    if (!hasSubkeys(kRunRecordsKey)) {
        reg.DeleteKey(kRunRecordsKey);
        if (!hasSubkeys(kQuorleKey))
            reg.DeleteKey(kQuorleKey);
    }
}

void TCustomInstall::WithdrawEarlierResumes()
{
    try {
        withdrawEarlierResumes();
    } catch (const std::exception&) {
        // What cannot be withdrawn now runs at the restart and finds its record gone.
    }
}

void TCustomInstall::withdrawEarlierResumes()
{
    win::Machine& machine = win::Machine::current();
    const std::string own = fullProgramPath(machine, ProgramFile());
    std::int64_t size, otherSize;
    double date, otherDate;
    if (!sizeAndDate(machine, own, size, date))
        return;
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    if (!reg.OpenKey(kRunOnceKey, false))
        return;
    for (const std::string& name : reg.GetValueNames()) {
        if (!isResumeValueName(name))
            continue;
        std::string command;
        try {
            command = reg.ReadString(name);
        } catch (const ERegistryException&) {
            continue; // no command line
        }
        const std::vector<std::string> words = win::splitCommandLine(command);
        if (words.size() < 2 || !std::any_of(words.begin() + 1, words.end(),
                [](const std::string& word) { return win::text::equalsNoCase(word, "-r"); }))
            continue;
        // Another setup's resume, or one whose program is gone, is not ours to take.
        const std::string program = fullProgramPath(machine, words.front());
        if (!sizeAndDate(machine, program, otherSize, otherDate) || otherSize != size
            || std::fabs(otherDate - date) >= kSameDate)
            continue;
        reg.DeleteValue(name);
        const std::string folder = RemoveBackslash(ExtractFilePath(program));
        if (IsLoaderFolder(folder) && !win::text::equalsNoCase(folder, RemoveBackslash(ExtractFilePath(own))))
            RemoveFolderTree(folder);
    }
}

void TCustomInstall::RemoveStaleSetupTemporaries()
{
    std::vector<std::string> folders;
    TCustomInstallFileList& files = InstallFileList();
    for (int i = 0; i < files.Count(); ++i)
        if (auto* file = dynamic_cast<TFileRelated*>(files.Items(i)))
            folders.push_back(RemoveBackslash(ExtractFilePath(file->InstalledFilePath())));
    try {
        RemoveStaleTemporaries(folders, fullProgramPath(win::Machine::current(), ProgramFile()));
    } catch (const std::exception&) {
        // Leftovers that cannot go now are tried again by the next run.
    }
}

void TCustomInstall::RegisterRunOnReboot()
{
    const std::string origin = SetupOriginPath();
    std::string command = quotedArgument(fullProgramPath(win::Machine::current(), ProgramFile())) + " -r ";
    if (CommandLine().Has(clSelfExtract))
        command += quotedArgument("-e" + ExtractFileName(origin)) + " ";
    command += quotedArgument("-s" + RemoveBackslash(ExtractFilePath(origin)));
    if (CommandLine().Has(clCleanup))
        command += " -c";
    if (!AddRunOnceValue("QuorleUnfinished", command, true))
        throw IEInstall("Cannot register the install to be run on reboot in the RunOnce key in the registry");
    // So that an uninstall before the restart takes the resume with the product.
    const std::string entry = std::string(UninstallKeyBase) + ProductName();
    if (TqrleRegistry reg; reg.SetRootKey(win::RootKey::LocalMachine), reg.KeyExists(entry))
        RegistryWriteString(kLocalMachine, entry, kResumeValue, command);
}

void TCustomInstall::SaveLanguage()
{
    TTranslator* translator = GlobalTranslator();
    if (!translator || recordKey().empty())
        return;
    try {
        RegistryWriteInteger(kLocalMachine, recordKey(), "Language", translator->TranslateIntoLanguage);
    } catch (const std::exception&) {
        // The reboot matters more: the resume then speaks the default language.
    }
}

TQrleLanguage TCustomInstall::RestoreLanguage()
{
    TTranslator* translator = GlobalTranslator();
    const TQrleLanguage fallback = translator ? translator->TranslateIntoLanguage : qgUser;
    if (recordKey().empty())
        return fallback;
    int value = RegistryReadInteger(kLocalMachine, recordKey(), "Language", fallback);
    // A damaged value must not become a language that does not exist.
    if (value < qgChineseSimplified || value > qgVietnamese)
        return fallback;
    return static_cast<TQrleLanguage>(value);
}

void TCustomInstall::RebootWindows()
{
    win::Machine& machine = win::Machine::current();
    bool rebooted = false;
    int kind = wkOther;
    try {
        kind = GetWindowsKind();
    } catch (const std::exception&) {
        // An unknown Windows is not asked to restart.
    }
    if (kind == wkWindows95)
        rebooted = machine.exitWindowsEx(win::EWX_REBOOT);
    else if (kind == wkWindowsNT4)
        rebooted = machine.enablePrivilege("SeShutdownPrivilege") && machine.exitWindowsEx(win::EWX_REBOOT);
    if (rebooted)
        return;
    if (OnFailedReboot)
        OnFailedReboot(this);
    else
        ui::MessageService::current().information(
            Application().Title, TranslateText("Could not reboot windows. Please manually reboot windows."));
}

void TCustomInstall::FinishAfterReboot()
{
    running_ = true;
    failed_ = false;
    try {
        InstallRunState().RunRecordKey = FindRunRecord(false);
        if (productUninstalled(ProductName())) {
            // Uninstalled before the restart: there is nothing to finish.
            ui::MessageService::current().information(Application().Title,
                TranslateFormat("%s is no longer installed: the setup changed nothing.", { ProductName() }));
            CleanupSetupFiles();
            DeleteRunRecord();
            running_ = false;
            Application().Terminate();
            return;
        }
        if (TTranslator* translator = GlobalTranslator())
            translator->TranslateIntoLanguage = RestoreLanguage();

        std::vector<std::string> lines;
        ReadUnfinished(lines);
        ClearUnfinished();
        // A damaged list is refused whole, before any file is deleted or
        // any object finishes half of the work.
        std::vector<TUnfinishedEntry> entries;
        for (const std::string& line : lines)
            entries.push_back(parseEntry(line));

        for (const TUnfinishedEntry& entry : entries) {
            if (entry.Code == 1) {
                win::Machine::current().deleteFile(entry.Name); // already gone is no failure
            } else if (entry.Code == 0) {
                const std::vector<TInstallContainer*> objects = InstallContainerList().All();
                for (TInstallContainer* object : objects) {
                    const auto& live = InstallContainerList().All();
                    if (std::find(live.begin(), live.end(), object) == live.end())
                        continue; // freed by an earlier step
                    if (win::text::equalsNoCase(object->Name(), entry.Name))
                        object->AfterRestart();
                }
            }
        }

        RemoveStaleSetupTemporaries();
        NotifyGoodInstall();
        CleanupSetupFiles();
        DeleteRunRecord();
        if (RunAutomatic)
            ShutdownSetup();
        RunFilesAfterInstall();
        running_ = false;
    } catch (const std::exception& e) {
        HandleInstallError(e);
    } catch (...) {
        HandleInstallError(std::runtime_error("Unknown exception"));
    }
}

} // namespace installlib
