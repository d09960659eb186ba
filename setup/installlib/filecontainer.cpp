#include "setup/installlib/filecontainer.h"

#include "platform/ui/message_service.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/ordertrace.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/typecodes.h"

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TFileContainer, TFileRelated)

TFileContainer::TFileContainer(TComponent* Owner)
    : TFileContainer(Owner, true)
{
}

TFileContainer::TFileContainer(TComponent* Owner, bool MakeOwnSpecifier)
    : TFileRelated(Owner)
    , TInformationChain(static_cast<TInstallObject&>(*this))
{
    if (MakeOwnSpecifier)
        makeOwnSpecifier();
}

TFileContainer::~TFileContainer()
{
    // Install files first, so none of them outlives the container it reports to.
    for (int i = ChildCount() - 1; i >= 0; --i) {
        TInstallObject* child = Children(i);
        if (IsInstallFile(child))
            delete child;
    }
    if (ownSpecifier_ && !ownSpecifier_->IsDestroying()) {
        TpsFileContainer* specifier = ownSpecifier_;
        ownSpecifier_ = nullptr;
        delete specifier;
    }
}

void TFileContainer::makeOwnSpecifier()
{
    auto* specifier = new TpsFileContainer(Owner());
    std::string name = "psFileContainer";
    if (Owner())
        for (int n = 1; Owner()->FindComponent(name) && Owner()->FindComponent(name) != specifier; ++n)
            name = "psFileContainer" + std::to_string(n);
    specifier->SetNameDirect(name);
    specifier->SetFileContainer(this);
    ownSpecifier_ = specifier;
    specifier->FreeNotification(this);
}

int TFileContainer::RegisteredType()
{
    return tcFileContainer;
}

void TFileContainer::DoInformationEventControl(TInstallObject* Sender, int Code, TObject* PO)
{
    HandleInformationCode(Sender, Code, PO);
}

void TFileContainer::AdoptOwnSpecifier(TpsFileContainer* Specifier)
{
    if (!Specifier || Specifier == ownSpecifier_)
        return;
    TpsFileContainer* old = ownSpecifier_;
    ownSpecifier_ = Specifier;
    Specifier->FreeNotification(this);
    if (old)
        delete old;
}

std::int64_t TFileContainer::SizeOfOwnFiles(bool All)
{
    std::int64_t total = 0;
    for (int i = 0; i < ChildCount(); ++i) {
        auto* file = dynamic_cast<TFileRelated*>(Children(i));
        if (file && IsInstallFile(file) && (All || file->IsIncludedForInstallType()))
            total += file->InstallSize();
    }
    return total;
}

std::int64_t TFileContainer::SizeOfSubtree(bool All)
{
    std::int64_t total = SizeOfOwnFiles(All);
    for (int i = 0; i < ChildCount(); ++i)
        if (auto* container = dynamic_cast<TFileContainer*>(Children(i)))
            total += container->SizeOfSubtree(All);
    return total;
}

void TFileContainer::ReadInfoFromArchiveAll()
{
    ui::BusyCursor busy;
    for (int i = 0; i < ChildCount(); ++i) {
        TInstallObject* child = Children(i);
        if (auto* container = dynamic_cast<TFileContainer*>(child))
            container->ReadInfoFromArchiveAll();
        else if (auto* file = dynamic_cast<TFileRelated*>(child); file && IsInstallFile(file))
            file->ReadInfoFromArchive();
    }
    ArchiveInfoRead = true;
}

void TFileContainer::InstallStep()
{
    TraceContainerOrder(TOrderTrace::Install, Description());
    BusyState = bsInstalling;
    try {
        {
            ui::BusyCursor busy;
            if (std::string found = FindLocalFile(); !found.empty())
                LocalFile = found;
            ReadInfoFromArchiveAll();
            Broadcast(icContainerInstallStarts, nullptr);
            if (Container())
                Container()->DoInformationEventControl(this, icContainerWorkBegins, this);
            BeginWork(bsInstalling, SizeOfSubtree(false));
            if (OnBeforeInstallObjects)
                OnBeforeInstallObjects(this);
            InstallChildren();
            if (Container())
                Container()->DoInformationEventControl(this, icContainerWorkEnded, this);
        }
    } catch (...) {
        // The first failure is the one to report; the busy state is
        // restored even when a receiver of -996 fails too.
        try {
            Broadcast(icWorkFinished, nullptr);
        } catch (...) {
        }
        BusyState = bsIdle;
        throw;
    }
    try {
        Broadcast(icWorkFinished, nullptr);
    } catch (...) {
        BusyState = bsIdle;
        throw;
    }
    BusyState = bsIdle;
    if (FiresAfterInstallObjects && OnAfterInstallObjects)
        OnAfterInstallObjects(this, SharedArchive().Abort);
}

void TFileContainer::DataReceivedStep(TDownloadStatusParameter& Download)
{
    if (OnDataReceived)
        OnDataReceived(this, Download.FileName, Download.Bytes, Download.BytesReceived, Download.FileSize, nullptr);
}

std::int64_t TFileContainer::InstallFileSize(TInstallObject& File)
{
    auto* file = dynamic_cast<TFileRelated*>(&File);
    return file ? file->InstallSize() : 0;
}

std::string TFileContainer::InstallFileName(TInstallObject& File)
{
    auto* file = dynamic_cast<TFileRelated*>(&File);
    return file ? file->InstallFileName() : std::string();
}

void TFileContainer::MarkNewDiskAnswered(TInstallObject& File)
{
    if (auto* file = dynamic_cast<TFileRelated*>(&File))
        file->MarkNewDiskAnswered();
}

void TFileContainer::Notification(TComponent* AComponent, TOperation Operation)
{
    TFileRelated::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == ownSpecifier_)
        ownSpecifier_ = nullptr;
}

} // namespace installlib
