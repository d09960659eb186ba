#pragma once

// TCustomInstallFile (published as TInstallFile): one file of the product.
// At build time it is read from the build machine and packed into an
// archive; at install time it is extracted into its destination under the
// overwrite rules, replaced at the next start of Windows when the old copy
// is in use, and then registered (help file, shared-library counter,
// self-registration). Outside form loading its setters apply the design
// rules that pick destinations, overwrite modes and file types from the
// file's name and destination.
//
//   auto* file = new TInstallFile(form);
//   file->SetContainer(directory);                 // a TFileContainer
//   file->SetIncludeFromDir("S:\\Product");
//   file->SetFileName("CTL.OCX");                  // ActiveX, system-wide DLL, ...
//   ... the container's ProcessContainer installs it (InstallOneFile).
//
// The user's file is never removed before the new one is complete: the
// archive writes a temporary file beside it and renames it into place; a
// file held open by a running program is extracted under a numbered name
// (FILE.1, FILE.2, ...) that replaces it at the next start.

#include "setup/installlib/filerelated.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/versionresource.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace installlib {

class TFileContainer;

class IECustomInstallFile : public IException {
public:
    using IException::IException;
};

// A second file of one container with the same source path.
class IEfcDuplicateFile : public IEFileContainer {
public:
    using IEFileContainer::IEFileContainer;
};

enum TInstallFileType : std::uint8_t {
    iftNormal,
    iftJustADLL,
    iftApplicationSpecificDLL,
    iftVendorSharedDLL,
    iftSystemWideDLL
};

enum TInstallFileState : std::uint8_t { ifsNone, ifsCompress, ifsInstall, ifsCopying };

using TInstallFileStatusEvent = std::function<void(TObject* Sender, int FilePercent, int TotalPercent)>;
using TInstallFileNewDiskEvent = std::function<void(TObject* Sender, int DiskNumber, std::string& Path)>;

// Number of unique-ID slots; a file's UniqueID is its caller ID in the archive.
inline constexpr int kUniqueIdCount = 2000;

// Bound on the numbered "Files" subkeys tried for one uninstall entry.
inline constexpr int kUninstallFilesKeyLimit = 100;

// The 72-byte record of a file in the net file list.
inline constexpr int kNetFileRecordSize = 72;

class TCustomInstallFile : public TFileRelated {
public:
    INSTALLLIB_CLASS_INFO()
    // Include True, Net False, FileType iftNormal, processed by its
    // container's walk, on the list of install files, with the lowest free
    // UniqueID. When all 2000 IDs are taken IECustomInstallFile is raised.
    explicit TCustomInstallFile(TComponent* Owner = nullptr);
    // From a full source path: its directory into IncludeFromDir, its name
    // into FileName; then, when given, the container.
    TCustomInstallFile(TComponent* Owner, std::string_view SourcePath);
    TCustomInstallFile(TComponent* Owner, std::string_view SourcePath, TInstallContainer* Container);
    ~TCustomInstallFile() override;

    // --- published properties ---
    bool ActiveX() const { return activeX_; }
    virtual void SetActiveX(bool Value);
    const std::string& DestName() const { return destName_; }
    virtual void SetDestName(std::string_view Value);
    const std::string& FileName() const { return fileName_; }
    virtual void SetFileName(std::string_view Value);
    TInstallFileType FileType() const { return fileType_; }
    virtual void SetFileType(TInstallFileType Value);
    const std::string& IncludeFromDir() const { return includeFromDir_; }
    virtual void SetIncludeFromDir(std::string_view Value);
    TOverwriteType OverwriteMode = owAlways;
    bool RegisterAsHelp = false;
    bool RunAfterInstall = false;
    bool UpdateDLLCounter = false;

    TNotifyEvent OnAfterCompress;
    TNotifyEvent OnAfterCopy;
    TNotifyEvent OnAfterInstall;
    TNotifyEvent OnBeforeCompress;
    TNotifyEvent OnBeforeCopy;
    TNotifyEvent OnBeforeInstall;
    TInstallFileStatusEvent OnStatus;
    TInstallFileNewDiskEvent OnNewDisk;
    TNotifyEvent OnReplacing;

    // --- state ---
    TInstallFileState State() const { return state_; }
    // Starts the work of that state (compress, install through
    // ProcessContainer, copy); back to ifsNone afterwards, also on failure.
    virtual void SetState(TInstallFileState Value);

    int UniqueID() const { return uniqueId_; }
    // The streamed "UniqueID". While loading the value is kept and its slot
    // marked at Loaded; otherwise the file moves to that slot, which must be
    // free. Outside 0..1999 raises IECustomInstallFile.
    void SetUniqueID(int Value);

    bool DestinationExisted() const { return destExisted_; }
    // The old copy was in use: the new one waits under ExtractName() for the
    // next start of Windows.
    bool InUse() const { return inUse_; }
    // The overwrite decision said copy.
    bool WillCopy() const { return copy_; }
    std::int32_t ArchiveSize = 0;
    double FileDate = 0; // days since 30 December 1899
    std::int32_t FileSize = 0;
    bool InfoFromArchive = false;
    const std::string& Version() const { return version_; }
    // At most 20 characters are kept.
    void SetVersion(std::string_view Value);
    // Marked by CompressFile (the net file list lists such files), with the
    // archive that now holds the file.
    bool Compressed = false;
    std::string CompressedInto;

    // --- paths ---
    // GetDestPath, a backslash and DestName: where the file belongs.
    std::string DestinationPath();
    // The name the extraction writes: DestName, or the numbered name while
    // the old copy is in use.
    const std::string& ExtractName() const { return extractName_.empty() ? destName_ : extractName_; }
    // IncludeFromDir, a backslash and FileName.
    std::string SourcePath() const override;
    // Travels in an archive of its own in net distributions: it has its own
    // NetLocation, or its overwrite decision needs version or date.
    bool NeedsOwnArchive() const override;

    // --- operations ---
    virtual void RegisterByDllRegisterServer();
    virtual void RegisterByRegServer();
    // Decides how the destination is replaced (before the extraction).
    virtual void ReplaceInUseFile();
    // After a complete extraction of a file in use: registers the rename of
    // the numbered copy over the old file at the next start of Windows.
    void RegisterRestartReplacement();
    // Build time: packs the source into the archive.
    void CompressFile() override;
    // Copies the source to the destination without an archive.
    void CopyFile() override;
    void ReadInfoFromArchive() override;
    void ReadInfoFromSource() override;
    // The source's version resource declares "OLESelfRegister".
    virtual bool DeclaresSelfRegistration();
    virtual void IncrementSharedDLLCount();
    // The whole registration: RegisterByRegServer for an ".EXE", else
    // RegisterByDllRegisterServer.
    void Register();
    // The 72-byte record of the net file list.
    std::string NetFileRecord() const;

    // --- overrides ---
    int RegisteredType() override;
    void AfterRestart() override;
    void WriteUninstallInfo(std::string_view Key) override;
    void SetContainer(TInstallContainer* Value) override;
    std::string GetArchivePath() override;
    void SetDestDir(std::string_view Value) override;
    void SetDestDirType(TCustomPathSpecifier* Value) override;
    void Loaded() override;
    std::int64_t InstallSize() const override { return FileSize; }
    std::int64_t InstallArchiveSize() const override { return ArchiveSize; }
    std::string InstallFileName() const override { return fileName_; }
    void MarkNewDiskAnswered() override { Tag = 1; }
    bool WantsRunAfterInstall() const override { return RunAfterInstall; }
    std::string InstalledFilePath() const override;

protected:
    // ProcessContainer's install step.
    void InstallStep() override { InstallOneFile(); }
    void InstallOneFile();
    // Extracts the file from the archive at ArchivePath through Archive
    // (the shared component, or a private one).
    void Extract(TQrleCompress& Archive, const std::string& ArchivePath, bool Private);
    void AfterFileInstalled();

    // The archive's events while this file works.
    void ArchiveAborted();
    void ArchiveStatus(TlzhFileStats& Stats);
    void ArchiveNewDisk(TQrleCompress& Archive, int DiskNumber, std::string& Path);

    // A code up the container chain.
    void SendUp(int Code, TObject* PO);
    // Raises the "destination directory is blank" error when it is.
    void CheckDestDirNotBlank();
    // The folders this run created for the file, into the uninstall entry Key.
    void RecordFoldersCreated(std::string_view Key);
    // Path as the next entry of the first "Files" list under Key that can take it.
    void ListInUninstallFiles(std::string_view Key, const std::string& Path);
    // After a failure inside the file's install: what it wrote goes into
    // the uninstall entry, for the engine to take back.
    void ListForUndo(bool Extracted);

private:
    struct Proposal {
        TInstallContainer* Container;
        std::string FileName, DestName, IncludeFromDir, DestDir;
        TCustomPathSpecifier* DestDirType;
        TInstallFileType FileType;
        bool ActiveX;
    };
    Proposal current() const;
    void applyRules(Proposal p);
    // Outside loading a property change goes through the design rules as a
    // whole proposal; while loading it is stored as it stands.
    template <typename T, typename Store> void propose(T Proposal::*field, T value, Store storeWhileLoading);
    void takeUniqueId();
    void releaseUniqueId();
    // The archive that holds this file at install time and whether it is
    // a component of its own.
    std::string archiveForInstall();
    void registerNow();

    std::string fileName_, destName_, includeFromDir_;
    std::string extractName_;
    TInstallFileType fileType_ = iftNormal;
    bool activeX_ = false;
    TInstallFileState state_ = ifsNone;
    bool destExisted_ = false;
    bool inUse_ = false;
    bool copy_ = false;
    bool kept_ = false; // this run left the file that was there (or skipped it)
    bool readOnlyCleared_ = false; // the old file was read-only until this run replaced it
    bool counted_ = false; // this run added one to the file's SharedDLLs counter
    std::vector<std::string> createdFolders_; // made by this run for the file, outermost first
    int uniqueId_ = 0;
    bool holdsSlot_ = false;
    std::string version_;
    bool applyingRules_ = false;
    TQrleCompress* working_ = nullptr; // the archive component while this file works
};

class TInstallFile : public TCustomInstallFile {
public:
    INSTALLLIB_CLASS_INFO()
    using TCustomInstallFile::TCustomInstallFile;
};

// Registers TInstallFile by name (library start-up).
void RegisterInstallFileClasses();

} // namespace installlib
