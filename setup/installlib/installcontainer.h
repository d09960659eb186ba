#pragma once

// The install container tree. Every object of an install script (the engine,
// groups, directories, files, the database-engine installer, links, dialogs,
// dialog managers, hook objects) is a TInstallContainer: it holds its child
// objects sorted by their registered type code (typecodes.h), a destination
// (a path specifier's expansion followed by DestDir) and processing flags.
//
// Two message paths run through the tree: Broadcast sends a negative code
// down to the direct children of type code 2000 or more (files, links,
// dialogs, hook objects; never groups or directories), and
// DoInformationEventControl passes a positive code up from an object through
// its containers to the engine (informationchain.h).
//
// Components here follow the form-loading rule: while IsLoading() a setter
// stores what the stored script gives, and Loaded() applies the defaults the
// script left unset.

#include "setup/installlib/component.h"
#include "setup/installlib/installerrors.h"
#include "setup/installlib/pointerlist.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace installlib {

class TCustomPathSpecifier;
class TpsFileContainer;
class TInstallContainer;
class TInstallObject;

enum TInstallType : std::uint8_t { itFull, itDefault, itCompact, itCustom };

class TInstallTypeSet {
public:
    constexpr TInstallTypeSet() = default;
    constexpr TInstallTypeSet(std::initializer_list<TInstallType> Types)
    {
        for (TInstallType t : Types)
            bits_ |= bit(t);
    }
    constexpr bool Contains(TInstallType Type) const { return (bits_ & bit(Type)) != 0; }
    constexpr void Include(TInstallType Type) { bits_ |= bit(Type); }
    constexpr void Exclude(TInstallType Type) { bits_ &= static_cast<std::uint8_t>(~bit(Type)); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const TInstallTypeSet&) const = default;

private:
    static constexpr std::uint8_t bit(TInstallType t) { return static_cast<std::uint8_t>(1u << t); }
    std::uint8_t bits_ = 0;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// What the tree and the path specifiers ask of the one install engine. The
// engine class implements it and announces itself with SetInstallEngine
// (and withdraws with SetInstallEngine(nullptr) before it is freed).
class TInstallEngineInterface {
public:
    virtual ~TInstallEngineInterface() = default;
    // The engine as the root container of the tree.
    virtual TInstallContainer& EngineContainer() = 0;
    // The directory the user ran the install from, without trailing backslash.
    virtual std::string SourceDir() = 0;
    // Whether the setup runs as a self-extracting program (the -e option),
    // and the self-extractor's name given with it.
    virtual bool SelfExtracting() = 0;
    virtual std::string SelfExtractorName() = 0;
    virtual std::string ProductName() = 0;
    // True while a run (the install sequence) is in progress.
    virtual bool RunInProgress() = 0;
};

TInstallEngineInterface* InstallEngine();
void SetInstallEngine(TInstallEngineInterface* Engine);
// The engine's container, or null without an engine.
TInstallContainer* InstallEngineContainer();

class TInstallContainer : public TComponent {
public:
    INSTALLLIB_CLASS_INFO()
    // Joins the install-container registry; with an owner that is a form
    // (any owner that is not itself an install container) the standard path
    // specifiers are made on it.
    explicit TInstallContainer(TComponent* Owner = nullptr);
    ~TInstallContainer() override;

    // --- properties ---
    // Only children with this flag are installed by their container's walk.
    std::uint8_t ProcessedByContainer = 0;
    bool Include = true;
    bool Uninstall = true;
    int Order = -1; // only stored; dialog pages are ordered by it
    TNotifyEvent OnAfterProcess;
    TNotifyEvent OnBeforeProcess;
    TNotifyEvent OnIncluded; // unpublished; fired after the Include test

    bool Installed() const { return installed_; }
    TInstallType ChosenInstallType() const { return chosenInstallType_; }
    const TInstallTypeSet& InstallTypes() const { return installTypes_; }
    virtual void SetInstallTypes(const TInstallTypeSet& Value) { installTypes_ = Value; }
    const std::string& DestDir() const { return destDir_; }
    TCustomPathSpecifier* DestDirType() const { return destDirType_; }

    // --- virtual operations ---
    virtual int FileContainerCount();
    virtual TInstallObject* FileContainers(int Index);
    virtual void SetDestDir(std::string_view Value);
    // Outside loading, the specifier's check runs with this container first.
    virtual void SetDestDirType(TCustomPathSpecifier* Value);
    // Obj, a registered container, is being freed.
    virtual void ContainerDestroyed(TInstallContainer* Obj);
    virtual void PushStatusText(std::string_view Text);
    // The information chain; nothing in the base (file containers handle it).
    virtual void DoInformationEventControl(TInstallObject* Sender, int Code, TObject* PO);
    // The reaction to a broadcast; nothing in the base.
    virtual void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO);
    // DestDirType's expansion for this container followed by DestDir.
    virtual std::string GetDestPath();
    // The type code; the base raises "Class must declare a registered type".
    virtual int RegisteredType();
    // Inserts Child before the first child whose type code is not lower than
    // its own (the database-engine installer always first).
    virtual void AddChild(TInstallObject* Child);
    virtual void ProcessContainer();
    virtual void InstallChildren();
    virtual bool IsIncludedForInstallType();
    virtual void AfterRestart() { }
    virtual void Translate() { }
    virtual void RemoveChild(TInstallObject* Obj);
    virtual void WriteUninstallInfo(std::string_view Key) { (void)Key; }

    // Hooks of the classes built on this one, so the path specifiers can ask
    // them without knowing them: the archive path of a file-related object,
    // the Description of a file container or group (empty here).
    virtual std::string GetArchivePath() { return {}; }
    virtual std::string Description() const { return {}; }
    // A streamed TpsFileContainer naming this container takes the place of
    // the one the container made for itself; file containers override.
    virtual void AdoptOwnSpecifier(TpsFileContainer* Specifier) { (void)Specifier; }

    // --- non-virtual operations ---
    int ChildCount() const { return static_cast<int>(children_.size()); }
    // Out of range raises IEInstallContainer naming this container.
    TInstallObject* Children(int Index) const;
    // The Index-th child (from 0) among the children of that class; a miss
    // raises IEInstallContainer.
    TInstallObject* Comp(int Index, const TMetaClass& Class) const;
    template <class T> T* Comp(int Index) const { return static_cast<T*>(Comp(Index, T::StaticClass())); }
    int CompCount(const TMetaClass& Class) const;
    // Frees, last to first, every child of that class.
    void FreeChildrenOfClass(const TMetaClass& Class);
    // Code and PO to every direct child of type code 2000 or more, in list
    // order. A receiver may free or detach children meanwhile.
    void Broadcast(int Code, TObject* PO);
    void PopStatusText();
    // The whole subtree first, then this container.
    void SetChosenInstallType(TInstallType Type);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Step 5 of ProcessContainer: the install operation of the class.
    virtual void InstallStep() { InstallChildren(); }
    void SetInstalled(bool Value) { installed_ = Value; }
    // Tells every registered container that this one goes; once.
    void AnnounceDestroyed();

    // Streaming state of DestDirType.
    bool DestDirTypeAssigned = false;
    bool DestDirTypeDefaultPending = false;

private:
    bool hasChild(const TInstallObject* Child) const;

    std::vector<TInstallObject*> children_;
    bool installed_ = false;
    TInstallType chosenInstallType_ = itFull;
    TInstallTypeSet installTypes_ { itFull, itDefault, itCompact };
    std::string destDir_;
    TCustomPathSpecifier* destDirType_ = nullptr;
    bool announced_ = false;
};

class TInstallObject : public TInstallContainer {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TInstallObject(TComponent* Owner = nullptr);
    // Made in design mode while an engine exists: adds itself to the engine,
    // takes it as Container and the shared TpsContainerDestDir as
    // DestDirType (both as defaults that the stored script may override).
    // Done here, not in the constructor, because the place among the
    // engine's children follows the class's own type code.
    void AfterConstruction() override;
    ~TInstallObject() override;

    TInstallContainer* Container() const { return container_; }
    virtual void SetContainer(TInstallContainer* Value);

    void ContainerDestroyed(TInstallContainer* Obj) override;
    // During a run, an object whose container has not been installed is skipped.
    void ProcessContainer() override;
    void Loaded() override;

protected:
    bool ContainerAssigned = false;
    bool ContainerDefaultPending = false;

private:
    TInstallContainer* container_ = nullptr;
};

// The registry every install container joins for its lifetime.
class TInstallContainerList : public TPointerList<TInstallContainer> {
public:
    // Null raises IEContainerList.
    void Add(TInstallContainer* Container);
    const std::vector<TInstallContainer*>& All() const { return items_; }
};

// A list of install files (not owned): all install files, and those whose
// self-registration is to be retried.
class TCustomInstallFileList : public TPointerList<TInstallObject> {
public:
    // Null raises IECustomInstallFileList.
    void Add(TInstallObject* File);
    void Clear() { items_.clear(); }
    int IndexOf(const TInstallObject* File) const;
};

// The uninstall key ProcessContainer passes to WriteUninstallInfo, before the
// engine's product name.
inline constexpr const char* UninstallKeyBase = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

} // namespace installlib
