#pragma once

// TFileContainer: a file-related object that holds install files and other
// file containers. Its install walks the subtree with the busy state set, so
// that progress codes from the files below are added up here (the
// information chain) and passed on to the engine. Groups, directories, the
// database-engine installer and the install engine are file containers.
//
// Every piece of work on the subtree (install, the build-time Compress into
// archives, CopyAll without an archive) keeps the busy state and ends with
// busy state 0 and the broadcast -996, also on failure, so that progress
// forms close. The compress, copy and totals live in filecontainerwork.cpp.
//
//   group->Compress(coForceNetFilesLocal);   // build: pack into files.1
//   group->ProcessContainer();               // install: extract the subtree

#include "setup/installlib/filerelated.h"
#include "setup/installlib/informationchain.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace installlib {

class TpsFileContainer;

// The option bits of TFileContainer::Compress. The build passes 0x2E, 0x36
// or 0x26 by distribution type.
enum TCompressOption : std::uint8_t {
    // Local files are added to an archive given by no specifier and no name.
    coOnlyAddLocal = 0x01,
    // Local files with an archive of their own are put below the directory
    // of the container's archive (their path without its drive).
    coRelocateArchives = 0x02,
    // Passed by the build; nothing in the compress reads it.
    coBuild = 0x04,
    // Files marked Net stay in the local archives.
    coForceNetFilesLocal = 0x08,
    // Every install file is a net file.
    coForceFilesNet = 0x10,
    // Objects whose Include is False are compressed too (and keep Include).
    coIncludeExcluded = 0x20,
};

using TAfterInstallObjectsEvent = std::function<void(TObject* Sender, bool WasAborted)>;

class TFileContainer : public TFileRelated, public TInformationChain {
public:
    INSTALLLIB_CLASS_INFO()
    // Makes its own TpsFileContainer ("psFileContainer", "psFileContainer1",
    // ...) with the same owner.
    explicit TFileContainer(TComponent* Owner = nullptr);
    ~TFileContainer() override;

    std::string FileDescription;
    std::string Description() const override { return FileDescription; }
    void SetDescription(std::string_view Value) { FileDescription = std::string(Value); }

    TNotifyEvent OnBeforeInstallObjects;
    TAfterInstallObjectsEvent OnAfterInstallObjects;

    int RegisteredType() override;
    // The chain of codes 1001 to 1016 (informationchain.h).
    void DoInformationEventControl(TInstallObject* Sender, int Code, TObject* PO) override;
    // A streamed specifier naming this container replaces the one it made.
    void AdoptOwnSpecifier(TpsFileContainer* Specifier) override;
    TpsFileContainer* OwnSpecifier() const { return ownSpecifier_; }

    // Bytes of the install files: of its own, and of the whole subtree;
    // All counts excluded files too.
    std::int64_t SizeOfOwnFiles(bool All);
    std::int64_t SizeOfSubtree(bool All);
    // Every install file of the subtree reads its archive information (with
    // the hourglass, restored also on failure).
    virtual void ReadInfoFromArchiveAll();

    // --- the work on the subtree (busy state 1 compress, 3 copy; each ends
    // with busy state 0 and the broadcast -996, also on failure) ---
    // 1 Compress with no options, 2 ProcessContainer, 3 CopyAll; other
    // numbers do nothing. Busy state 0 afterwards.
    virtual void RunWork(int Work);
    // Copies the subtree's files from their sources to their destinations
    // without an archive.
    virtual void CopyAll();
    // Frees its own install files, last to first.
    virtual void FreeFiles();
    // Build time: packs the subtree into its archives (TCompressOption
    // bits). coForceNetFilesLocal with coForceFilesNet raises IEFileContainer
    // before anything is done.
    virtual void Compress(std::uint8_t Options);
    // Included files only, or all; the own files, or the whole subtree.
    virtual std::int64_t SizeTotal(bool IncludedOnly, bool WithSubContainers);
    // The archive sizes of the subtree's install files (All: excluded too).
    virtual std::int64_t ArchiveSizeTotal(bool All);
    // The downloaded archive of this container; IEFileContainer when it has
    // not been fetched.
    virtual std::string LocalArchivePath();
    // Every install file of the subtree reads size, date and version from
    // its source (build time; hourglass restored also on failure).
    virtual void ReadInfoFromSourceAll();
    // A net or web distribution and an own install file that is Net,
    // included and without a NetLocation of its own: the container's
    // archive must be downloaded.
    virtual bool NeedsContainerDownload();

    // Its own install files (not those of sub-containers).
    int InstallFileCount() const;
    TFileRelated* InstallFiles(int Index) const;
    // The own install file with that source path (without case), or null.
    TFileRelated* FindFileBySource(std::string_view Path) const;
    // Some own install file is Net.
    bool HasNetFile() const;

protected:
    // Compress step 6 for one child: where its data go for this compress
    // (its settings are saved before and put back after by Compress).
    virtual void PrepareChildArchive(
        TFileRelated& Child, std::uint8_t Options, const std::string& ArchiveDirectory, const std::string& NetArchive);

    // For the engine: no specifier of its own.
    TFileContainer(TComponent* Owner, bool MakeOwnSpecifier);

    // The container install: trace line, busy state, archive information,
    // -992 and 1012, OnBeforeInstallObjects, the children, 1013, -996 (also
    // on failure) and OnAfterInstallObjects.
    void InstallStep() override;

    // The engine fires OnAfterInstallObjects itself, once per run.
    bool FiresAfterInstallObjects = true;

    void DataReceivedStep(TDownloadStatusParameter& Download) override;
    std::int64_t InstallFileSize(TInstallObject& File) override;
    std::string InstallFileName(TInstallObject& File) override;
    void MarkNewDiskAnswered(TInstallObject& File) override;
    // A container is also an install object: its own name and new-disk mark.
    using TFileRelated::InstallFileName;
    using TFileRelated::MarkNewDiskAnswered;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void makeOwnSpecifier();
    TpsFileContainer* ownSpecifier_ = nullptr;
};

} // namespace installlib
