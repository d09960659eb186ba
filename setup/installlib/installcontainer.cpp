#include "setup/installlib/installcontainer.h"

#include "setup/installlib/installlibrary.h"
#include "setup/installlib/messageparameters.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/stoppoint.h"
#include "setup/installlib/typecodes.h"

#include <algorithm>
#include <strings.h>

namespace installlib {

namespace {

TInstallEngineInterface* engine = nullptr;

// A form or data module: any owner that is not itself an install container.
bool ownerIsForm(const TComponent* Owner)
{
    return Owner && !dynamic_cast<const TInstallContainer*>(Owner);
}

} // namespace

TInstallEngineInterface* InstallEngine()
{
    return engine;
}

void SetInstallEngine(TInstallEngineInterface* Engine)
{
    engine = Engine;
}

TInstallContainer* InstallEngineContainer()
{
    return engine ? &engine->EngineContainer() : nullptr;
}

INSTALLLIB_DEFINE_CLASS(TInstallContainer, TComponent)
INSTALLLIB_DEFINE_CLASS(TInstallObject, TInstallContainer)

// --- TInstallContainer --------------------------------------------------------

TInstallContainer::TInstallContainer(TComponent* Owner)
    : TComponent(Owner)
{
    if (Owner && Owner->IsDesigning())
        SetDesigning(true);
    InstallContainerList().Add(this);
    if (ownerIsForm(Owner)) {
        try {
            EnsureStandardSpecifiers(Owner);
        } catch (...) {
            InstallContainerList().Remove(this);
            throw;
        }
    }
}

TInstallContainer::~TInstallContainer()
{
    AnnounceDestroyed();
    children_.clear();
    if (TInstallContainerList* list = InstallContainerListIfStarted())
        list->Remove(this);
}

void TInstallContainer::AnnounceDestroyed()
{
    if (announced_)
        return;
    announced_ = true;
    TInstallContainerList* list = InstallContainerListIfStarted();
    if (!list)
        return;
    // A receiver may free others while it is told; walk a snapshot and skip
    // the ones that left the registry meanwhile.
    const std::vector<TInstallContainer*> all = list->All();
    for (TInstallContainer* c : all) {
        if (c == this)
            continue;
        const auto& now = list->All();
        if (std::find(now.begin(), now.end(), c) != now.end())
            c->ContainerDestroyed(this);
    }
}

void TInstallContainer::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == destDirType_)
        destDirType_ = nullptr;
}

bool TInstallContainer::hasChild(const TInstallObject* Child) const
{
    return std::find(children_.begin(), children_.end(), Child) != children_.end();
}

int TInstallContainer::FileContainerCount()
{
    return static_cast<int>(std::count_if(
        children_.begin(), children_.end(), [](TInstallObject* c) { return ObjectIs(c, "TFileContainer"); }));
}

TInstallObject* TInstallContainer::FileContainers(int Index)
{
    int n = 0;
    for (TInstallObject* c : children_)
        if (ObjectIs(c, "TFileContainer") && n++ == Index)
            return c;
    const TMetaClass* fileContainer = FindClass("TFileContainer");
    throw IEInstallContainer("Bad call to the Comp procedure which returns a TInstallObject for a TInstallContainer "
                             "component. The parameters are probably reversed. Index: %d, ComponentType: %d",
        { Index, fileContainer ? RegisteredClassNumber(*fileContainer) : 0 });
}

void TInstallContainer::SetDestDir(std::string_view Value)
{
    destDir_ = std::string(Value);
}

void TInstallContainer::SetDestDirType(TCustomPathSpecifier* Value)
{
    DestDirTypeAssigned = true;
    if (!IsLoading() && Value)
        Value->Check(this);
    destDirType_ = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TInstallContainer::ContainerDestroyed(TInstallContainer* Obj)
{
    if (auto* object = dynamic_cast<TInstallObject*>(Obj))
        RemoveChild(object);
}

void TInstallContainer::PushStatusText(std::string_view Text)
{
    TMessageParameter parameter { std::string(Text) };
    Broadcast(icPushStatusText, &parameter);
}

void TInstallContainer::PopStatusText()
{
    Broadcast(icPopStatusText, nullptr);
}

void TInstallContainer::DoInformationEventControl(TInstallObject* Sender, int Code, TObject* PO)
{
    (void)Sender;
    (void)Code;
    (void)PO;
}

void TInstallContainer::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    (void)Container;
    (void)Code;
    (void)PO;
}

std::string TInstallContainer::GetDestPath()
{
    if (!destDirType_)
        return destDir_;
    return destDirType_->Expand(this) + destDir_;
}

int TInstallContainer::RegisteredType()
{
    throw IEInstallContainer("Class must declare a registered type");
}

void TInstallContainer::AddChild(TInstallObject* Child)
{
    if (!Child)
        throw IEInstallContainer("Cannot add a blank base helper component to %s", { Name() });
    if (static_cast<TInstallContainer*>(Child) == this)
        throw IEInstallContainer("Circular reference");
    for (TInstallContainer* node = this; node;) {
        auto* object = dynamic_cast<TInstallObject*>(node);
        if (!object)
            break;
        if (object == Child)
            throw IEInstallContainer("Circular reference");
        node = object->Container();
    }
    // A second entry of the same child would be installed twice and leave a
    // dangling entry when it is freed.
    if (hasChild(Child))
        throw IEInstallContainer("%s is already a child of %s", { Child->Name(), Name() });

    const int type = Child->RegisteredType();
    auto at = std::find_if(
        children_.begin(), children_.end(), [&](TInstallObject* c) { return c->RegisteredType() >= type; });
    const std::string& className = Child->ClassName();
    if (strcasecmp(className.c_str(), "TINSTALLBDE") == 0)
        at = children_.begin();
    children_.insert(at, Child);
}

void TInstallContainer::RemoveChild(TInstallObject* Obj)
{
    children_.erase(std::remove(children_.begin(), children_.end(), Obj), children_.end());
}

bool TInstallContainer::IsIncludedForInstallType()
{
    return Include && (chosenInstallType_ == itCustom || installTypes_.Contains(chosenInstallType_));
}

void TInstallContainer::ProcessContainer()
{
    try {
        if (OnBeforeProcess)
            OnBeforeProcess(this);
        Broadcast(icProcessBegins, nullptr);
        if (!Include)
            return;
        if (OnIncluded)
            OnIncluded(this);
        Broadcast(icIncluded, nullptr);
        if (chosenInstallType_ != itCustom && !installTypes_.Contains(chosenInstallType_))
            return;
        StopPoint("install");
        InstallStep();
        installed_ = true;
        StopPoint("install");
        if (TInstallEngineInterface* e = InstallEngine(); e && Uninstall)
            WriteUninstallInfo(std::string(UninstallKeyBase) + e->ProductName());
        if (OnAfterProcess)
            OnAfterProcess(this);
        Broadcast(icProcessEnded, nullptr);
    } catch (const EAbort&) {
        // A silent abort ends this container's processing only.
    }
}

void TInstallContainer::InstallChildren()
{
    installed_ = true;
    const std::vector<TInstallObject*> snapshot = children_;
    for (TInstallObject* child : snapshot)
        if (hasChild(child) && child->ProcessedByContainer)
            child->ProcessContainer();
}

TInstallObject* TInstallContainer::Children(int Index) const
{
    if (Index < 0 || Index >= ChildCount())
        throw IEInstallContainer("Tried to reference a helper component in the following component: %s. The "
                                 "following index was used: %d",
            { Name(), Index });
    return children_[static_cast<std::size_t>(Index)];
}

TInstallObject* TInstallContainer::Comp(int Index, const TMetaClass& Class) const
{
    int n = 0;
    for (TInstallObject* c : children_)
        if (c->InheritsFrom(Class) && n++ == Index)
            return c;
    throw IEInstallContainer("Bad call to the Comp procedure which returns a TInstallObject for a TInstallContainer "
                             "component. The parameters are probably reversed. Index: %d, ComponentType: %d",
        { Index, RegisteredClassNumber(Class) });
}

int TInstallContainer::CompCount(const TMetaClass& Class) const
{
    return static_cast<int>(
        std::count_if(children_.begin(), children_.end(), [&](TInstallObject* c) { return c->InheritsFrom(Class); }));
}

void TInstallContainer::FreeChildrenOfClass(const TMetaClass& Class)
{
    for (int i = ChildCount() - 1; i >= 0; --i) {
        if (i >= ChildCount())
            continue; // freeing one child took others with it
        TInstallObject* child = children_[static_cast<std::size_t>(i)];
        if (child->InheritsFrom(Class)) {
            RemoveChild(child);
            delete child;
        }
    }
}

void TInstallContainer::Broadcast(int Code, TObject* PO)
{
    // A receiver may free or move children; walk a snapshot and skip those
    // that are no longer ours.
    const std::vector<TInstallObject*> snapshot = children_;
    for (TInstallObject* child : snapshot)
        if (hasChild(child) && child->RegisteredType() >= tcBroadcastReceiver)
            child->ReceiveInformationCode(this, Code, PO);
}

void TInstallContainer::SetChosenInstallType(TInstallType Type)
{
    for (TInstallObject* child : children_)
        child->SetChosenInstallType(Type);
    chosenInstallType_ = Type;
}

// --- TInstallObject -----------------------------------------------------------

TInstallObject::TInstallObject(TComponent* Owner)
    : TInstallContainer(Owner)
{
}

void TInstallObject::AfterConstruction()
{
    TInstallContainer::AfterConstruction();
    TInstallContainer* engineContainer = InstallEngineContainer();
    if (IsDesigning() && engineContainer && engineContainer != this && !container_) {
        engineContainer->AddChild(this);
        container_ = engineContainer;
        SetDestDirType(StandardPathSpecList().FindClass(TpsContainerDestDir::StaticClass()));
        SetDestDir("");
        ContainerAssigned = false;
        ContainerDefaultPending = true;
        DestDirTypeAssigned = false;
        DestDirTypeDefaultPending = true;
    }
}

TInstallObject::~TInstallObject()
{
    // Announced here, while this is still an install object, so that its
    // container drops it from the child list.
    AnnounceDestroyed();
    if (container_)
        container_->RemoveChild(this);
    container_ = nullptr;
}

void TInstallObject::SetContainer(TInstallContainer* Value)
{
    ContainerAssigned = true;
    if (Value == container_)
        return;
    if (Value)
        Value->AddChild(this);
    if (container_)
        container_->RemoveChild(this);
    container_ = Value;
    if (!IsLoading()) {
        if (Value) {
            SetDestDirType(StandardPathSpecList().FindByClass(TpsContainerDestDir::StaticClass()));
            SetDestDir("");
        } else if (DestDirType() && DestDirType()->InheritsFrom(TpsContainerDestDir::StaticClass())) {
            SetDestDirType(nullptr);
        }
    }
}

void TInstallObject::ContainerDestroyed(TInstallContainer* Obj)
{
    TInstallContainer::ContainerDestroyed(Obj);
    if (Obj == container_)
        container_ = nullptr;
}

void TInstallObject::ProcessContainer()
{
    TInstallEngineInterface* e = InstallEngine();
    if (e && e->RunInProgress() && container_ && !container_->Installed())
        return;
    TInstallContainer::ProcessContainer();
}

void TInstallObject::Loaded()
{
    TInstallContainer::Loaded();
    if (ContainerDefaultPending && !ContainerAssigned)
        SetContainer(nullptr);
    ContainerDefaultPending = false;
    if (DestDirTypeDefaultPending && !DestDirTypeAssigned)
        SetDestDirType(nullptr);
    DestDirTypeDefaultPending = false;
}

// --- lists --------------------------------------------------------------------

void TInstallContainerList::Add(TInstallContainer* Container)
{
    if (!Container)
        throw IEContainerList("Cannot add a blank entry to the TInstallContainerList object");
    items_.push_back(Container);
}

void TCustomInstallFileList::Add(TInstallObject* File)
{
    if (!File)
        throw IECustomInstallFileList("Cannot add a blank entry to the TCustomInstallFileList object");
    items_.push_back(File);
}

int TCustomInstallFileList::IndexOf(const TInstallObject* File) const
{
    auto it = std::find(items_.begin(), items_.end(), File);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

} // namespace installlib
