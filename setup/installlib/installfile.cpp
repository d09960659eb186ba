// The install side of an install file: the overwrite decision, the
// extraction, the replacement of a file in use and what follows the install
// (help key, shared-library counter, self-registration, uninstall entries).

#include "setup/installlib/installfile.h"

#include "platform/ui/message_service.h"
#include "platform/win/file.h"
#include "platform/win/module.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/application.h"
#include "setup/installlib/filecontainer.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/messageparameters.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/ordertrace.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/uninstalllog.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace installlib {

namespace {

win::Machine& machine()
{
    return win::Machine::current();
}

bool isBlank(std::string_view s)
{
    return win::text::trim(s).empty();
}

TDistributeType distributeType()
{
    // Without an engine the file behaves as in a traditional net setup.
    TCustomInstall* install = CurrentInstall();
    return install ? install->DistributeType() : dtTraditionalNet;
}

bool hasExtension(std::string_view name, std::string_view ext)
{
    size_t dot = name.find_last_of(".\\:");
    return dot != std::string_view::npos && name[dot] == '.' && win::text::equalsNoCase(name.substr(dot), ext);
}

// What the files not yet installed write to the drive of Path, Self left
// out: a full disk asks for room for them too.
std::int64_t bytesStillToInstall(const TInstallObject* Self, const std::string& Path)
{
    std::int64_t total = 0;
    for (int i = 0; i < InstallFileList().Count(); ++i) {
        auto* file = dynamic_cast<TFileRelated*>(InstallFileList().Items(i));
        if (!file || file == Self || file->Installed() || !file->IsIncludedForInstallType())
            continue;
        const std::string there = file->InstalledFilePath();
        if (there.size() >= 2 && there[1] == ':' && !Path.empty()
            && win::text::upper(there[0]) == win::text::upper(Path[0]))
            total += file->InstallSize();
    }
    return total;
}

std::string directoryOf(std::string_view path)
{
    size_t slash = path.find_last_of("\\:");
    if (slash == std::string_view::npos)
        return {};
    return std::string(path.substr(0, path[slash] == ':' ? slash + 1 : slash));
}

std::string fileNameOf(std::string_view path)
{
    size_t slash = path.find_last_of("\\:");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// FILE.DLL with n gives FILE.n.
std::string numberedName(std::string_view name, int n)
{
    size_t dot = name.find_last_of('.');
    std::string base(dot == std::string_view::npos ? name : name.substr(0, dot));
    return base + "." + std::to_string(n);
}

// A path as one word of a batch line (the machine's short names may hold blanks).
std::string batchWord(const std::string& path)
{
    return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

const char* const kDestBlank = "Cannot compress,copy, or install the following file because it's destination "
                               "directory is blank. File is :%s";
const char* const kHelpKey = "\\SOFTWARE\\Microsoft\\Windows\\Help";
const char* const kSharedDllsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

} // namespace

INSTALLLIB_DEFINE_CLASS(TCustomInstallFile, TFileRelated)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallFile, TCustomInstallFile)

void RegisterInstallFileClasses()
{
    RegisterClass(TInstallFile::StaticClass());
}

// --- life ---

TCustomInstallFile::TCustomInstallFile(TComponent* Owner)
    : TFileRelated(Owner)
{
    takeUniqueId();
    Include = true;
    Net = false;
    ProcessedByContainer = 1;
    InstallFileList().Add(this);
}

TCustomInstallFile::TCustomInstallFile(TComponent* Owner, std::string_view SourcePath)
    : TCustomInstallFile(Owner)
{
    SetIncludeFromDir(RemoveBackslash(directoryOf(SourcePath)));
    SetFileName(fileNameOf(SourcePath));
}

TCustomInstallFile::TCustomInstallFile(TComponent* Owner, std::string_view SourcePath, TInstallContainer* Container)
    : TCustomInstallFile(Owner, SourcePath)
{
    SetContainer(Container);
}

TCustomInstallFile::~TCustomInstallFile()
{
    if (InstallLibraryStarted()) {
        InstallFileList().Remove(this);
        SelfRegisterRetryList().Remove(this);
        releaseUniqueId();
    }
}

int TCustomInstallFile::RegisteredType()
{
    return tcInstallFile;
}

// --- unique IDs ---

void TCustomInstallFile::takeUniqueId()
{
    TUniqueIdTable& table = UniqueIdTable();
    for (int id = 0; id < kUniqueIdCount; ++id) {
        if (table[std::size_t(id)] == 0) {
            table[std::size_t(id)] = 1;
            uniqueId_ = id;
            holdsSlot_ = true;
            return;
        }
    }
    // A shared ID would make two files find each other's archive member.
    throw IECustomInstallFile("Cannot create another install file: all %d unique IDs are in use", { kUniqueIdCount });
}

void TCustomInstallFile::releaseUniqueId()
{
    if (holdsSlot_)
        UniqueIdTable()[std::size_t(uniqueId_)] = 0;
    holdsSlot_ = false;
}

void TCustomInstallFile::SetUniqueID(int Value)
{
    if (Value < 0 || Value >= kUniqueIdCount)
        throw IECustomInstallFile("%d is not a valid unique ID of the install file %s", { Value, Name() });
    if (IsLoading()) {
        // The slot is marked at Loaded, after the table was cleared for the form.
        releaseUniqueId();
        uniqueId_ = Value;
        return;
    }
    if (holdsSlot_ && Value == uniqueId_)
        return;
    TUniqueIdTable& table = UniqueIdTable();
    if (table[std::size_t(Value)] != 0)
        throw IECustomInstallFile("The unique ID %d is already used by another install file", { Value });
    releaseUniqueId();
    table[std::size_t(Value)] = 1;
    uniqueId_ = Value;
    holdsSlot_ = true;
}

void TCustomInstallFile::Loaded()
{
    TFileRelated::Loaded();
    TUniqueIdTable& table = UniqueIdTable();
    // The slot past the last ID records that the first loaded file has
    // cleared the table; the IDs taken by the constructors of the stored
    // files give way to the streamed ones.
    if (table[std::size_t(kUniqueIdCount)] == 0) {
        table.fill(0);
        table[std::size_t(kUniqueIdCount)] = 1;
    }
    table[std::size_t(uniqueId_)] = 1;
    holdsSlot_ = true;
}

// --- simple properties ---

void TCustomInstallFile::SetVersion(std::string_view Value)
{
    version_ = std::string(Value.substr(0, 20));
}

std::string TCustomInstallFile::SourcePath() const
{
    return AddBackslash(includeFromDir_) + fileName_;
}

std::string TCustomInstallFile::DestinationPath()
{
    return AddBackslash(GetDestPath()) + destName_;
}

std::string TCustomInstallFile::InstalledFilePath() const
{
    return const_cast<TCustomInstallFile*>(this)->DestinationPath();
}

bool TCustomInstallFile::NeedsOwnArchive() const
{
    return NetLocation() != nullptr || OverwriteMode == owVersion || OverwriteMode == owDate
        || OverwriteMode == owVersionDate;
}

void TCustomInstallFile::SendUp(int Code, TObject* PO)
{
    if (TInstallContainer* c = Container())
        c->DoInformationEventControl(this, Code, PO);
}

void TCustomInstallFile::CheckDestDirNotBlank()
{
    if (isBlank(GetDestPath()))
        throw IECustomInstallFile(kDestBlank, { Name() });
}

std::string TCustomInstallFile::NetFileRecord() const
{
    std::string record(kNetFileRecordSize, '\0');
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            record[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
    };
    put32(0, std::uint32_t(FileSize));
    std::uint64_t bits;
    static_assert(sizeof bits == sizeof FileDate);
    std::memcpy(&bits, &FileDate, sizeof bits);
    put32(4, std::uint32_t(bits));
    put32(8, std::uint32_t(bits >> 32));
    record.replace(12, std::min<size_t>(Name().size(), 39), Name().substr(0, 39));
    record.replace(52, std::min<size_t>(version_.size(), 19), version_.substr(0, 19));
    return record;
}

// --- state ---

void TCustomInstallFile::SetState(TInstallFileState Value)
{
    switch (Value) {
    case ifsCompress:
        CompressFile();
        break;
    case ifsInstall:
        ProcessContainer();
        break;
    case ifsCopying:
        CopyFile();
        break;
    case ifsNone:
        break;
    }
    state_ = ifsNone;
}

// --- install ---

void TCustomInstallFile::InstallOneFile()
{
    // A Cancel of the copy form can be heard after the archive's last check
    // of the previous member (small files are one block); the archive clears
    // its own flag when the next member starts, the user-abort flag stays.
    if (NetUserAbort())
        throw EAIUserAbort();
    inUse_ = false;
    copy_ = false;
    counted_ = false;
    kept_ = false;
    readOnlyCleared_ = false;
    createdFolders_.clear();
    extractName_.clear();
    try {
        SendUp(icFileInstallBegins, this);
        if (OnBeforeInstall)
            OnBeforeInstall(this);
    } catch (const EAbort&) {
        kept_ = true; // nothing of this file was written
        SendUp(icFileInstallAborted, this);
        return;
    }
    CheckDestDirNotBlank();

    const std::string dest = DestinationPath();
    destExisted_ = machine().fileExists(dest);
    TOverwriteResult decision = CompareForOverwrite(version_, dest, OverwriteMode, FileDate);
    bool copy = decision == orFailed || decision == orReplace;
    if (copy) {
        try {
            ReplaceInUseFile();
        } catch (const EAbort&) {
            copy = false;
        }
    }
    if (!copy) {
        copy_ = false;
        kept_ = destExisted_;
        SendUp(icFileKept, this);
        AfterFileInstalled();
        if (OnAfterInstall)
            OnAfterInstall(this);
        SendUp(icFileInstalled, this);
        InstallChildren();
        return;
    }

    std::string archivePath;
    std::unique_ptr<TQrleCompress> own;
    TFileRelated* fetched = nullptr; // the object whose downloaded copy is unpacked
    const TDistributeType dist = distributeType();
    std::string local = FindLocalFile();
    if (!local.empty()) {
        LocalFile = local;
        archivePath = local;
        own = std::make_unique<TQrleCompress>();
        fetched = this;
    } else if (dist != dtTraditional && (Net || dist == dtWeb)) {
        if (NeedsOwnArchive()) {
            DownloadArchive();
            fetched = this;
        } else if (auto* fc = dynamic_cast<TFileContainer*>(Container())) {
            if (!fc->HasFetchedArchive())
                fc->DownloadArchive();
            fetched = fc;
        }
        state_ = ifsInstall; // so that GetArchivePath answers with the fetched copy
        archivePath = GetArchivePath();
        state_ = ifsNone;
        own = std::make_unique<TQrleCompress>();
    } else {
        archivePath = GetArchivePath();
        TInstallContainer* engine = InstallEngineContainer();
        if (!engine || !win::text::equalsNoCase(archivePath, engine->GetArchivePath()))
            own = std::make_unique<TQrleCompress>();
    }
    const auto extract = [&] { Extract(own ? *own : SharedArchive(), archivePath, own != nullptr); };
    if (fetched)
        fetched->UnpackLocalCopy(archivePath, extract);
    else
        extract();
}

void TCustomInstallFile::Extract(TQrleCompress& Archive, const std::string& ArchivePath, bool Private)
{
    TraceFileOrder(TOrderTrace::Install, Name(), fileName_);
    state_ = ifsInstall;
    working_ = &Archive;
    // The way out, whether the extraction went through or raised.
    auto finish = [&] {
        Archive.OnNewDisk = nullptr;
        Archive.OnStatus = nullptr;
        Archive.OnAborted = nullptr;
        Archive.BytesToFollow = nullptr;
        if (Private && Archive.Abort)
            SharedArchive().Abort = true;
        working_ = nullptr;
        try {
            Broadcast(icWorkFinished, nullptr);
        } catch (...) {
            Archive.Abort = true;
        }
        state_ = ifsNone;
    };
    bool extracted = false;
    try {
        const std::string destDir = GetDestPath();
        if (!machine().directoryExists(destDir) && !CreateFolders(destDir, createdFolders_))
            throw IECustomInstallFile("Cannot create the directory %s for %s: %s",
                { destDir, DestinationPath(), win::errorText(win::lastError()) });
        if (isBlank(ArchivePath))
            throw IECustomInstallFile("Cannot either compress or decompress the following file because it's archive "
                                      "file property is blank. File is :%s",
                { fileName_ });
        Archive.SetCompressedFile(ArchivePath);
        Archive.ExtractDirectory = destDir;
        Archive.DestinationName = ExtractName();
        // The decision is taken: the old file (or the free numbered name
        // while it is in use) is replaced as a whole.
        Archive.Overwrite = owAlways;
        Archive.OnAborted = [this](TComponent*) { ArchiveAborted(); };
        Archive.OnNewDisk = [this](TQrleCompress& a, int disk, std::string& path) { ArchiveNewDisk(a, disk, path); };
        Archive.OnStatus = [this](TQrleCompress&, TlzhFileStats& stats) { ArchiveStatus(stats); };
        Archive.BytesToFollow = [this, destDir] { return bytesStillToInstall(this, destDir); };
        Archive.SetFilesToProcess(std::vector<std::string> { SourcePath() });
        Archive.ExtractFiles();
        extracted = true;
        if (inUse_)
            RegisterRestartReplacement();
        AfterFileInstalled();
        if (OnAfterInstall)
            OnAfterInstall(this);
        SendUp(icFileInstalled, this);
        InstallChildren();
    } catch (...) {
        finish();
        if (readOnlyCleared_ && (!extracted || inUse_))
            machine().setFileAttributes(DestinationPath(), win::FILE_ATTRIBUTE_READONLY);
        ListForUndo(extracted);
        throw;
    }
    finish();
}

void TCustomInstallFile::ListForUndo(bool Extracted)
{
    // A failed run takes back what its entry lists: the file when it was
    // written, the folders made for it in any case.
    TInstallEngineInterface* engine = InstallEngine();
    if (!engine || !engine->RunInProgress() || !Uninstall)
        return;
    const std::string key = std::string(UninstallKeyBase) + engine->ProductName();
    try {
        if (Extracted)
            WriteUninstallInfo(key);
        else
            RecordFoldersCreated(key);
    } catch (const std::exception&) {
        // The run's own failure is the one reported.
    }
}

void TCustomInstallFile::ReplaceInUseFile()
{
    if (OnReplacing)
        OnReplacing(this);
    Broadcast(icReplacing, this);
    SendUp(icFileInUse, this);
    copy_ = true;

    win::Machine& m = machine();
    const std::string destDir = RemoveBackslash(GetDestPath());
    const std::string dest = AddBackslash(destDir) + destName_;
    if (!m.fileExists(dest))
        return;

    // A read-only copy (as files copied from a CD are) does not stop the
    // replacement the overwrite rule asked for: the new file's attribute is
    // the one that stays (the old one's comes back if the run fails).
    if (const std::uint32_t attributes = m.fileAttributes(dest);
        attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_READONLY))
        readOnlyCleared_ = m.setFileAttributes(dest, attributes & ~win::FILE_ATTRIBUTE_READONLY);

    // The old file stays until the new one is complete; here it is only
    // asked whether a running program holds it. Only a sharing violation
    // means that: a protected file is an error.
    {
        win::File probe;
        if (probe.open(m, dest, win::GENERIC_WRITE, 0, win::OPEN_EXISTING))
            return;
        const std::uint32_t error = win::lastError();
        if (error != win::ERROR_SHARING_VIOLATION)
            throw IECustomInstallFile("Cannot replace the file %s: %s", { dest, win::errorText(error) });
    }

    inUse_ = true;
    std::string temp;
    for (int n = 1;; ++n) {
        temp = numberedName(destName_, n);
        if (!m.fileExists(AddBackslash(destDir) + temp) && !m.directoryExists(AddBackslash(destDir) + temp))
            break;
    }
    extractName_ = temp;
    // The restart rename is registered by RegisterRestartReplacement once
    // the new copy is complete: a failed or cancelled extraction must not
    // leave a rename that deletes the old file with nothing to put there.
}

void TCustomInstallFile::RegisterRestartReplacement()
{
    win::Machine& m = machine();
    const std::string destDir = RemoveBackslash(GetDestPath());
    const std::string dest = AddBackslash(destDir) + destName_;
    const std::string temp = extractName_;
    const std::string shortDest = GetShortPath(dest);
    const std::string shortTemp = AddBackslash(directoryOf(shortDest.empty() ? dest : shortDest)) + temp;
    const std::string shortD = shortDest.empty() ? dest : shortDest;
    TCustomInstall* install = CurrentInstall();

    if (GetWindowsKind() == wkWindows95) {
        if (!m.writePrivateProfileString("Rename", shortD, shortTemp, "WININIT.INI"))
            throw IECustomInstallFile("%s cannot register a routine in the register to move the files after the "
                                      "computer is reboot",
                { dest });
        if (install)
            install->Reboot = true;
        return;
    }
    if (install)
        install->Reboot = true;
    // Replace-existing: the old file is still there when Windows starts.
    if (m.moveFileEx(
            AddBackslash(destDir) + temp, dest, win::MOVEFILE_DELAY_UNTIL_REBOOT | win::MOVEFILE_REPLACE_EXISTING))
        return;
    // Without an engine the batch is still left: the new copy must not stay
    // under its temporary name for good.
    std::string batch = GetTempBatchFile(false);
    size_t dot = batch.find_last_of('.');
    batch = (dot == std::string::npos ? batch : batch.substr(0, dot)) + ".bat";
    const std::string lines
        = "erase " + batchWord(shortD) + "\r\nmove " + batchWord(shortTemp) + " " + batchWord(shortD) + "\r\n";
    if (!m.writeFile(batch, lines))
        throw IECustomInstallFile("Cannot write the file %s: %s", { batch, win::errorText(win::lastError()) });
    if (install)
        install->AddUnfinished(batch, 1);
    // Numbered, so that a second file in use does not take the first one's value.
    if (!AddRunOnceValue("QuorleBatFile", batch, true))
        throw IECustomInstallFile("%s cannot register a routine in the register to move the files after the "
                                  "computer is reboot",
            { dest });
}

void TCustomInstallFile::AfterFileInstalled()
{
    if (RegisterAsHelp)
        RegistryWriteString(4, kHelpKey, win::text::toUpper(destName_), RemoveBackslash(GetDestPath()));
    if (UpdateDLLCounter) {
        IncrementSharedDLLCount();
        counted_ = true;
    }
    TCustomInstall* install = CurrentInstall();
    if (inUse_ && install) {
        install->AddUnfinished(Name(), 0);
        return;
    }
    if (!activeX_)
        return;
    try {
        Register();
    } catch (const Exception&) {
        TInstallEngineInterface* engine = InstallEngine();
        if (!engine || !engine->RunInProgress() || !InstallRunState().RetrySelfRegistration)
            throw;
        if (SelfRegisterRetryList().IndexOf(this) < 0)
            SelfRegisterRetryList().Add(this);
    }
}

void TCustomInstallFile::AfterRestart()
{
    SelfRegisterRetryList().Remove(this);
    if (activeX_)
        Register();
}

// --- registration ---

void TCustomInstallFile::Register()
{
    if (hasExtension(destName_, ".EXE"))
        RegisterByRegServer();
    else
        RegisterByDllRegisterServer();
}

namespace {

// Changes into the file's directory for the registration and back afterwards.
class DirectoryChange {
public:
    DirectoryChange(win::Machine& m, const std::string& dir)
        : m_(m)
        , saved_(m.currentDirectory())
    {
        m_.setCurrentDirectory(dir);
    }
    ~DirectoryChange() { m_.setCurrentDirectory(saved_); }

private:
    win::Machine& m_;
    std::string saved_;
};

} // namespace

void TCustomInstallFile::RegisterByDllRegisterServer()
{
    CheckDestDirNotBlank();
    const std::string path = DestinationPath();
    if (!machine().fileExists(path))
        throw IECustomInstallFile(kDestBlank, { Name() });
    DirectoryChange cd(machine(), RemoveBackslash(GetDestPath()));
    win::Module library;
    if (!library.load(machine(), path))
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the LoadLibrary(%s) "
                                  "procedure returned a value of 0. The file component is %s. The following value "
                                  "is the value of the GetLastError function: %d",
            { path, path, Name(), int(win::lastError()) });
    // HRESULT: a 32-bit result.
    auto registerServer = library.procAddress<std::int32_t (*)()>("DllRegisterServer");
    if (!registerServer)
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the DllRegisterServer "
                                  "function could not be found. The file component is %s. The following value is "
                                  "the value of the GetLastError function: %d",
            { path, Name(), int(win::lastError()) });
    const std::int32_t result = registerServer();
    if (result != 0)
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the DllRegisterServer "
                                  "function returned a value of %d. The file component is %s",
            { path, int(result), Name() });
}

void TCustomInstallFile::RegisterByRegServer()
{
    CheckDestDirNotBlank();
    const std::string path = DestinationPath();
    if (!machine().fileExists(path))
        throw IECustomInstallFile(kDestBlank, { Name() });
    DirectoryChange cd(machine(), RemoveBackslash(GetDestPath()));
    const std::vector<std::string> arguments { "/REGSERVER" };
    const int result = win::startProgram(machine(), path, arguments, win::SW_HIDE);
    if (result < 32)
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the WinExec(%s,SW_HIDE) "
                                  "function returned a value < 32. The file component is %s. The following value "
                                  "is the value of the GetLastError function: %d",
            { path, win::buildCommandLine(path, arguments), Name(), result });
}

void TCustomInstallFile::IncrementSharedDLLCount()
{
    TqrleRegistry reg;
    reg.SetRootKey(win::RootKey::LocalMachine);
    if (!reg.OpenKey(kSharedDllsKey, true))
        throw IECustomInstallFile(
            "Could not open the key SharedDLLs key in the registry. File component %s. GetLastError return: %d",
            { Name(), int(win::lastError()) });
    const std::string full = DestinationPath();
    const std::string shortPath = GetShortPath(full);
    if (!shortPath.empty()) {
        try {
            int count = reg.ReadInteger(shortPath);
            reg.WriteInteger(shortPath, count + 1);
            return;
        } catch (const Exception&) {
        }
    }
    int count = 0;
    try {
        count = reg.ReadInteger(full);
    } catch (const Exception&) {
        // A system library that was there before without a counter belongs
        // to the system: that use counts as one, so removing this product
        // never deletes the system's copy.
        count = destExisted_ && fileType_ == iftSystemWideDLL ? 1 : 0;
    }
    reg.WriteInteger(full, count + 1);
}

// --- uninstall entries ---

namespace {

// Adds value to a list key of the uninstall entry: File1 ... FileN, with
// N in Entries.
void appendToList(const std::string& key, const std::string& value)
{
    const std::string text = RegistryReadString(4, key, "Entries", "0");
    int n = 0;
    if (!TryStrToInt(text, n) || n < 0)
        throw IECustomInstallFile("The value Entries under %s does not hold a number: %s", { key, text });
    RegistryWriteString(4, key, "File" + std::to_string(n + 1), value);
    RegistryWriteString(4, key, "Entries", std::to_string(n + 1));
}

} // namespace

void TCustomInstallFile::WriteUninstallInfo(std::string_view Key)
{
    const std::string base(Key);
    const std::string path = AddBackslash(RemoveBackslash(GetDestPath())) + destName_;
    RecordFoldersCreated(Key);
    // The shared counter this install took is listed on its own, so that
    // uninstall releases it and leaves the counters of other products alone.
    if (counted_) {
        appendToList(base + "\\SharedDLLs", path);
    }
    // A file the overwrite rule kept is the user's or another product's:
    // uninstall must not remove it, nor take it for the copy an earlier run
    // wrote.
    if (kept_) {
        RecordKeptFile(Key, path);
        return;
    }
    // What identifies the file as written, ahead of its list entry.
    if (copy_)
        RecordFileStamp(Key, path, AddBackslash(RemoveBackslash(GetDestPath())) + ExtractName());
    if (activeX_) {
        appendToList(base + "\\ActiveX", path + (hasExtension(destName_, ".EXE") ? ";1" : ";0"));
        return;
    }
    ListInUninstallFiles(Key, path);
}

void TCustomInstallFile::ListInUninstallFiles(std::string_view Key, const std::string& Path)
{
    const std::string base(Key);
    std::string lastError;
    for (int attempt = 0; attempt <= kUninstallFilesKeyLimit; ++attempt) {
        const std::string key = base + "\\Files" + (attempt == 0 ? std::string() : std::to_string(attempt));
        try {
            appendToList(key, Path);
            return;
        } catch (const Exception& e) {
            lastError = e.Message();
        }
    }
    throw IECustomInstallFile("Could not write the uninstall entry of %s under %s (tried Files to Files%d): %s",
        { Name(), base, kUninstallFilesKeyLimit, lastError });
}

void TCustomInstallFile::RecordFoldersCreated(std::string_view Key)
{
    RecordCreatedFolders(Key, createdFolders_);
}

// --- archive events ---

void TCustomInstallFile::ArchiveAborted()
{
    throw EAIUserAbort();
}

void TCustomInstallFile::ArchiveStatus(TlzhFileStats& Stats)
{
    // Cancel sets the shared component's flag; a private one working for
    // this file has to stop as well.
    if (working_ && working_ != &SharedArchive() && SharedArchive().Abort)
        working_->Abort = true;
    TFileStatusParameter status;
    status.FileBytesDone = Stats.FileBytesDone;
    status.FilePercent = Stats.FilePercent;
    status.FileName = fileName_;
    status.FileStats = Stats;
    status.TotalBytesDone = Stats.TotalBytesDone;
    status.TotalPercent = Stats.TotalPercent;
    if (OnStatus)
        OnStatus(this, Stats.FilePercent, Stats.TotalPercent);
    Broadcast(icFileProgress, &status);
    TList list { this, &status };
    switch (state_) {
    case ifsCompress:
        SendUp(icCompressProgress, &list);
        break;
    case ifsInstall:
        SendUp(icInstallProgress, &list);
        break;
    case ifsCopying:
        SendUp(icCopyProgress, &list);
        break;
    case ifsNone:
        break;
    }
}

void TCustomInstallFile::ArchiveNewDisk(TQrleCompress& Archive, int DiskNumber, std::string& Path)
{
    TDiskParameter disk;
    disk.DiskNumber = DiskNumber;
    disk.Path = Path;
    Tag = 0;
    bool answered = false;
    if (OnNewDisk) {
        OnNewDisk(this, DiskNumber, disk.Path);
        answered = true;
    }
    TList list { this, &disk };
    Broadcast(icNextDiskNeeded, &list);
    SendUp(icNewDisk, &list);
    if (!answered && Tag == 0) {
        const std::string text = Format(TranslateText("Please insert disk #%d"), { DiskNumber });
        if (ui::MessageService::current().show(
                ui::MessageKind::Question, Application().Title, text, ui::Buttons::OkCancel)
            != ui::Answer::Ok)
            Archive.Abort = true;
    }
    Path = disk.Path;
    try {
        StandardSpecifier<TpsMainArchiveFile>()->VolumeDirectory = Path;
    } catch (const std::exception&) {
        // Without the shared specifier the path only goes back to the archive.
    }
}

} // namespace installlib
