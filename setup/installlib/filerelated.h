#pragma once

// TFileRelated: the install object tied to an archive file. It knows in which
// archive its data travel (ArchiveFileType's expansion followed by
// ArchiveFile), whether the archive comes over the net, and for which
// install types it is meant. File containers, groups, directories, the
// engine and install files are file-related.
//
// An object whose archive is fetched over the net downloads it (its Name
// with the extension ".1") from its net location into a local copy, and
// notes that copy in the run record so that a restarted setup does not
// fetch it again:
//
//   if (!container->HasFetchedArchive())
//       container->DownloadArchive();          // ENIL..., EAIUserAbort
//   archive = container->LocalFile;
//
// Install files override the few virtual operations below that a container
// asks of its files (sizes, source path, compress, copy).

#include "setup/installlib/installcontainer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace installlib {

class TCustomNetInstallLocation;

// Errors of file-related objects (translated, as every IException).
class IEFileRelated : public IException {
public:
    using IException::IException;
};

class IEFileRel_NoNetLocation : public IEFileRelated {
public:
    using IEFileRelated::IEFileRelated;
};

// How a compress writes its archive: start it anew, or add to it.
enum TlzhCommand : std::uint8_t { lzcOverwrite, lzcOnlyAdd };

using TDataReceivedEvent = std::function<void(TObject* Sender, const std::string& FileName, std::int32_t Bytes,
    std::int32_t TotalBytes, std::int32_t FileSize, const void* Buffer)>;

class TFileRelated : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    // Processed by its container's walk; Net set. Made in design mode while an
    // engine exists, the archive type defaults to the shared
    // TpsContainerArchiveFile (a default the stored script may override).
    explicit TFileRelated(TComponent* Owner = nullptr);
    void AfterConstruction() override;
    ~TFileRelated() override;

    TlzhCommand AddToArchive = lzcOverwrite;
    bool Net = true;
    TDataReceivedEvent OnDataReceived;

    const std::string& ArchiveFile() const { return archiveFile_; }
    TCustomPathSpecifier* ArchiveFileType() const { return archiveFileType_; }
    // While loading, stored; otherwise cleared for the container-archive and
    // main-archive specifiers (they give the whole path).
    virtual void SetArchiveFile(std::string_view Value);
    // Outside loading the specifier's check runs with this object first.
    virtual void SetArchiveFileType(TCustomPathSpecifier* Value);
    // The net install location (a component; cleared when it is freed).
    TComponent* NetLocation() const { return netLocation_; }
    virtual void SetNetLocation(TComponent* Value);

    // The local copy of a fetched archive (empty until fetched).
    std::string LocalFile;
    // The archive information was read.
    bool ArchiveInfoRead = false;

    // An empty set becomes [itFull].
    void SetInstallTypes(const TInstallTypeSet& Value) override;
    // A container that is file-related or a group passes its archive on
    // (TpsContainerArchiveFile); otherwise that archive type is cleared.
    void SetContainer(TInstallContainer* Value) override;
    // ArchiveFileType's expansion for this object followed by ArchiveFile.
    std::string GetArchivePath() override;
    void Loaded() override;

    // What an install file tells its containers; nothing for other objects.
    virtual std::int64_t InstallSize() const { return 0; }
    virtual std::string InstallFileName() const { return {}; }
    virtual void MarkNewDiskAnswered() { }
    // Reads size, date and version from the archive (install files).
    virtual void ReadInfoFromArchive() { }
    // Whether the file is started after the install, and where it was put.
    virtual bool WantsRunAfterInstall() const { return false; }
    virtual std::string InstalledFilePath() const { return {}; }
    // Further work an install file does for its container (a
    // TCustomInstallFile overrides them with these exact signatures; the
    // container calls them only on install files):
    // reads size, date and version from the source file (build time);
    virtual void ReadInfoFromSource() { }
    // the size of the file's member in its archive, as last read;
    virtual std::int64_t InstallArchiveSize() const { return 0; }
    // IncludeFromDir + "\" + FileName on the build machine;
    virtual std::string SourcePath() const { return {}; }
    // a file that travels in an archive of its own in net distributions;
    virtual bool NeedsOwnArchive() const { return false; }
    // packs the file into GetArchivePath() with AddToArchive;
    virtual void CompressFile() { }
    // copies the source file to its destination without an archive.
    virtual void CopyFile() { }

    // --- net archives ---
    // The net location's data-received step while this object downloads:
    // a TDownloadStatusParameter, OnDataReceived, -988 to its own children
    // and 1014 up the information chain.
    virtual void DownloadStatus(
        TComponent* Sender, const std::string& FileName, int Bytes, int TotalBytes, int FileSize, const void* Buffer);
    // Fetches this object's archive (Name + ".1") from its net location into
    // a new local copy, unless the run record already names one. A failed
    // or aborted download leaves no partial file and no local copy. The
    // copy goes into the run record once a file has unpacked from it
    // (UnpackLocalCopy).
    virtual void DownloadArchive();
    // A local copy is set, or the run record names one that exists.
    virtual bool HasFetchedArchive();
    // Notes Path as this object's local copy in the run record (nothing
    // without a run record or a Name); write errors are ignored.
    virtual void RecordLocalFile(std::string_view Path);
    // Runs Unpack, which unpacks a file from this object's local copy at
    // Path. A copy that unpacks is noted in the run record; one that fails
    // to unpack (EQrleCompress) is forgotten, and so is one not noted yet
    // whatever ends the unpack, so that none stays behind in Temp.
    void UnpackLocalCopy(const std::string& Path, const std::function<void()>& Unpack);
    // Deletes the local copy at Path (only from the Temp folder, where
    // downloads go), removes its run record entry and clears LocalFile, so
    // that the next run downloads afresh.
    void ForgetLocalFile(const std::string& Path);
    // The local copy the run record names for this object when that file
    // exists; empty otherwise (also without a run record).
    std::string FindLocalFile();
    // Its own NetLocation; for an install file without one, that of its
    // file container; else the library's default location (may be null).
    TCustomNetInstallLocation* FindNetLocation();
    // "<host>\<directory>" of the net location, each made a valid file
    // name; the directory is "FTP Root directory" or "HTTP Root directory"
    // when blank. No location raises IEFileRel_NoNetLocation.
    std::string GetNetPath();

    // What a build-time compress changes on a child and puts back afterwards.
    struct TArchiveSettings {
        TlzhCommand AddToArchive = lzcOverwrite;
        std::string ArchiveFile;
        TCustomPathSpecifier* ArchiveFileType = nullptr;
        bool Include = true;
    };
    TArchiveSettings SaveArchiveSettings() const;
    // Stores the values as they are (no checks, no clearing).
    void RestoreArchiveSettings(const TArchiveSettings& Settings);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

    bool ArchiveFileTypeAssigned = false;
    bool ArchiveFileTypeDefaultPending = false;

private:
    std::string archiveFile_;
    TCustomPathSpecifier* archiveFileType_ = nullptr;
    TComponent* netLocation_ = nullptr;
};

} // namespace installlib
