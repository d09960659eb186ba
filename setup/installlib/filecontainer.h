#pragma once

// TFileContainer: a file-related object that holds install files and other
// file containers. Its install walks the subtree with the busy state set, so
// that progress codes from the files below are added up here (the
// information chain) and passed on to the engine. Groups, directories, the
// database-engine installer and the install engine are file containers.
//
// This holds the container install, the chain and the size totals the
// engine needs; the build-time compress, the copy without an archive and the
// net archives are added beside it by the file-installation work.

#include "setup/installlib/filerelated.h"
#include "setup/installlib/informationchain.h"

#include <cstdint>
#include <functional>
#include <string>

namespace installlib {

class TpsFileContainer;

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

protected:
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
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void makeOwnSpecifier();
    TpsFileContainer* ownSpecifier_ = nullptr;
};

} // namespace installlib
