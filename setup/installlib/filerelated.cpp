#include "setup/installlib/filerelated.h"

#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/informationchain.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/messageparameters.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/typecodes.h"

namespace installlib {

INSTALLLIB_DEFINE_CLASS(TFileRelated, TInstallObject)

namespace {

// The specifiers that give an archive's whole path, so ArchiveFile stays empty.
bool givesWholeArchivePath(const TCustomPathSpecifier* Specifier)
{
    return Specifier
        && (Specifier->InheritsFrom(TpsContainerArchiveFile::StaticClass())
            || Specifier->InheritsFrom(TpsMainArchiveFile::StaticClass()));
}

} // namespace

TFileRelated::TFileRelated(TComponent* Owner)
    : TInstallObject(Owner)
{
    ProcessedByContainer = 1;
}

void TFileRelated::AfterConstruction()
{
    TInstallObject::AfterConstruction();
    // The default is stored as it is: the check of the specifier would
    // refuse an object whose container the stored script has yet to name.
    TInstallContainer* engine = InstallEngineContainer();
    if (IsDesigning() && engine && engine != this) {
        archiveFileType_ = StandardPathSpecList().FindClass(TpsContainerArchiveFile::StaticClass());
        if (archiveFileType_)
            archiveFileType_->FreeNotification(this);
        archiveFile_.clear();
        ArchiveFileTypeAssigned = false;
        ArchiveFileTypeDefaultPending = true;
    }
}

TFileRelated::~TFileRelated() = default;

void TFileRelated::SetArchiveFile(std::string_view Value)
{
    if (!IsLoading() && givesWholeArchivePath(archiveFileType_))
        archiveFile_.clear();
    else
        archiveFile_ = std::string(Value);
}

void TFileRelated::SetArchiveFileType(TCustomPathSpecifier* Value)
{
    ArchiveFileTypeAssigned = true;
    if (!IsLoading()) {
        if (Value)
            Value->Check(this);
        if (givesWholeArchivePath(Value))
            archiveFile_.clear();
    }
    archiveFileType_ = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TFileRelated::SetNetLocation(TComponent* Value)
{
    netLocation_ = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TFileRelated::SetInstallTypes(const TInstallTypeSet& Value)
{
    TInstallObject::SetInstallTypes(Value.Empty() ? TInstallTypeSet { itFull } : Value);
}

void TFileRelated::SetContainer(TInstallContainer* Value)
{
    TInstallObject::SetContainer(Value);
    if (IsLoading())
        return;
    if (ObjectIs(Value, "TFileRelated") || ObjectIs(Value, "TCustomInstallGroup")) {
        SetArchiveFileType(StandardPathSpecList().FindByClass(TpsContainerArchiveFile::StaticClass()));
        archiveFile_.clear();
    } else if (archiveFileType_ && archiveFileType_->InheritsFrom(TpsContainerArchiveFile::StaticClass())) {
        archiveFileType_ = nullptr;
    }
}

std::string TFileRelated::GetArchivePath()
{
    if (!archiveFileType_)
        return archiveFile_;
    return archiveFileType_->Expand(this) + archiveFile_;
}

void TFileRelated::Loaded()
{
    TInstallObject::Loaded();
    if (ArchiveFileTypeDefaultPending && !ArchiveFileTypeAssigned)
        archiveFileType_ = nullptr;
    ArchiveFileTypeDefaultPending = false;
    if (std::string found = FindLocalFile(); !found.empty())
        LocalFile = found;
}

void TFileRelated::Notification(TComponent* AComponent, TOperation Operation)
{
    TInstallObject::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (AComponent == archiveFileType_)
        archiveFileType_ = nullptr;
    if (AComponent == netLocation_)
        netLocation_ = nullptr;
}

// --- the build-time compress of a container ---

TFileRelated::TArchiveSettings TFileRelated::SaveArchiveSettings() const
{
    return { AddToArchive, archiveFile_, archiveFileType_, Include };
}

void TFileRelated::RestoreArchiveSettings(const TArchiveSettings& Settings)
{
    AddToArchive = Settings.AddToArchive;
    archiveFile_ = Settings.ArchiveFile;
    archiveFileType_ = Settings.ArchiveFileType;
    if (archiveFileType_)
        archiveFileType_->FreeNotification(this);
    Include = Settings.Include;
}

// --- net archives ---

namespace {

constexpr int kLocalMachine = 4;

bool localFileExists(const std::string& Path)
{
    return win::Machine::hasCurrent() && win::Machine::current().fileExists(Path);
}

// A new local name with the extension ".1", made as an empty file so
// that no other download or program can take the same name meanwhile.
// The temporary ".TMP" file is kept while the ".1" name is tried, so its
// stem stays ours.
std::string newLocalArchiveName()
{
    win::Machine& machine = win::Machine::current();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string reserved = GetTempBatchFile(true);
        const size_t dot = reserved.find_last_of(".\\");
        const std::string candidate
            = (dot != std::string::npos && reserved[dot] == '.' ? reserved.substr(0, dot) : reserved) + ".1";
        win::File file;
        const bool made = file.open(machine, candidate, win::GENERIC_WRITE, 0, win::CREATE_NEW);
        file.close();
        machine.deleteFile(reserved);
        if (made)
            return candidate;
    }
    throw EAPIRoutines("Cannot create a temporary file");
}

} // namespace

std::string TFileRelated::FindLocalFile()
{
    // Without a run record there is nothing to look in; reading "\<Name>"
    // at the root of the local machine would find another setup's value.
    const std::string& record = InstallRunState().RunRecordKey;
    if (record.empty() || win::text::trim(Name()).empty())
        return {};
    const std::string path
        = win::text::trim(RegistryReadString(kLocalMachine, record + "\\" + Name(), "LocalFile", std::string()));
    if (path.empty() || !localFileExists(path))
        return {};
    return path;
}

void TFileRelated::RecordLocalFile(std::string_view Path)
{
    const std::string& record = InstallRunState().RunRecordKey;
    if (record.empty() || win::text::trim(Name()).empty() || win::text::trim(Path).empty())
        return;
    try {
        RegistryWriteString(kLocalMachine, record + "\\" + Name(), "LocalFile", Path);
    } catch (const std::exception&) {
        // A setup that cannot note its download fetches it again next time.
    }
}

void TFileRelated::UnpackLocalCopy(const std::string& Path, const std::function<void()>& Unpack)
{
    try {
        Unpack();
    } catch (const std::exception& e) {
        if (dynamic_cast<const EQrleCompress*>(&e) || FindLocalFile().empty())
            ForgetLocalFile(Path);
        throw;
    }
    if (!IsDesigning())
        RecordLocalFile(Path);
}

void TFileRelated::ForgetLocalFile(const std::string& Path)
{
    if (!win::text::trim(Path).empty() && LiesInTempDirectory(Path))
        win::Machine::current().deleteFile(Path);
    LocalFile.clear();
    const std::string& record = InstallRunState().RunRecordKey;
    if (record.empty() || win::text::trim(Name()).empty())
        return;
    try {
        RegistryDeleteKeyTree(kLocalMachine, record + "\\" + Name());
    } catch (const std::exception&) {
        // An entry whose file is gone is not found again (FindLocalFile).
    }
}

bool TFileRelated::HasFetchedArchive()
{
    return !win::text::trim(LocalFile).empty() || !FindLocalFile().empty();
}

TCustomNetInstallLocation* TFileRelated::FindNetLocation()
{
    if (auto* own = dynamic_cast<TCustomNetInstallLocation*>(NetLocation()))
        return own;
    if (IsInstallFile(this) && ObjectIs(Container(), "TFileContainer")) {
        auto* container = dynamic_cast<TFileRelated*>(Container());
        if (auto* location = container ? dynamic_cast<TCustomNetInstallLocation*>(container->NetLocation()) : nullptr)
            return location;
    }
    return DefaultNetLocation();
}

std::string TFileRelated::GetNetPath()
{
    TCustomNetInstallLocation* location = FindNetLocation();
    if (!location)
        throw IEFileRel_NoNetLocation("Could not find a net install location for %s", { Name() });
    const TLoginInformation& login = location->LoginInformation();
    std::string directory = login.Directory;
    if (win::text::trim(directory).empty())
        directory = login.Protocol == ipFTP ? "FTP Root directory" : "HTTP Root directory";
    return MakeValidFileName(login.Hostname) + "\\" + MakeValidFileName(directory);
}

void TFileRelated::DownloadStatus(
    TComponent* Sender, const std::string& FileName, int Bytes, int TotalBytes, int FileSize, const void* Buffer)
{
    (void)Sender;
    TDownloadStatusParameter parameter(Bytes, FileName, FileSize, TotalBytes);
    if (OnDataReceived)
        OnDataReceived(this, FileName, Bytes, TotalBytes, FileSize, Buffer);
    Broadcast(icDownloadProgress, &parameter);
    if (Container())
        Container()->DoInformationEventControl(this, icDataReceived, &parameter);
}

void TFileRelated::DownloadArchive()
{
    if (std::string found = FindLocalFile(); !found.empty()) {
        LocalFile = found;
        return;
    }
    TCustomNetInstallLocation* location = FindNetLocation();
    if (!location)
        throw IEFileRel_NoNetLocation("Could not find a net install location for %s", { Name() });
    if (!location->IsLoginInformationSet(location->LoginInformation())) {
        if (NetLocation())
            throw IEFileRelated("%s could not install itself because the TNetLocation component's properties, in "
                                "the NetLocation property, have not been filled in",
                { Name() });
        throw IEFileRelated("%s could not install itself because the LoginInformation property of the TInstall "
                            "component has not been properly filled in",
            { Name() });
    }

    LocalFile = newLocalArchiveName();
    // Whatever ends the download, no partial file may pass for a fetched
    // archive: it is removed and the local copy cleared.
    auto discard = [this]() {
        if (win::Machine::hasCurrent())
            win::Machine::current().deleteFile(LocalFile);
        LocalFile.clear();
    };
    location->OnDataReceivedHook
        = [this](TComponent* Sender, const std::string& RemoteFileName, int BlockSize, int BytesSoFar, int FileSize,
              const void* Buffer) { DownloadStatus(Sender, RemoteFileName, BlockSize, BytesSoFar, FileSize, Buffer); };
    try {
        location->Download(Name() + ".1", LocalFile);
    } catch (...) {
        location->OnDataReceivedHook = nullptr;
        discard();
        throw;
    }
    location->OnDataReceivedHook = nullptr;
    if (NetUserAbort()) {
        discard();
        throw EAIUserAbort();
    }
}

} // namespace installlib
