#pragma once

// TFileRelated: the install object tied to an archive file. It knows in which
// archive its data travel (ArchiveFileType's expansion followed by
// ArchiveFile), whether the archive comes over the net, and for which
// install types it is meant. File containers, groups, directories, the
// engine and install files are file-related.
//
// This holds what the install engine and the file containers need; the net
// fetching of archives and the build-time compress steps are added beside
// it by the file-installation work.

#include "setup/installlib/installcontainer.h"

#include <cstdint>
#include <functional>
#include <string>

namespace installlib {

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
