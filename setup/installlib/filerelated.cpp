#include "setup/installlib/filerelated.h"

#include "setup/installlib/installlibrary.h"
#include "setup/installlib/pathspecifiers.h"

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
    if (IsDesigning() && InstallEngine()) {
        SetArchiveFileType(StandardPathSpecList().FindClass(TpsContainerArchiveFile::StaticClass()));
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

} // namespace installlib
