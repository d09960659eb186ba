#pragma once

// Path specifiers: components that name a directory known only on the
// target machine (the system directory, the Programs folder, the directory
// of an object's container, the archive of the run) and expand it at install
// time. An install object appends its own DestDir or ArchiveFile to the
// expansion, which never ends in a backslash.
//
// Every specifier joins the global path-specifier list for its lifetime; the
// standard ones (one shared instance per class, made by
// EnsureStandardSpecifiers) also join the standard list, where the install
// objects find them with FindByClass.

#include "setup/installlib/component.h"
#include "setup/installlib/installerrors.h"
#include "setup/installlib/pointerlist.h"

#include <functional>
#include <string>
#include <vector>

namespace installlib {

class TInstallContainer;

// Object may be null; Path starts empty.
using TPathExpandEvent = std::function<void(TComponent* Object, std::string& Path)>;

class TCustomPathSpecifier : public TComponent {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCustomPathSpecifier(TComponent* Owner = nullptr);
    ~TCustomPathSpecifier() override;

    // Raises (IEPathSpecifier) when the specifier cannot serve Object.
    virtual void Check(TComponent* Object);
    // The long text.
    virtual std::string Description();
    // The long text for one object; never raises.
    virtual std::string DescriptionFor(TComponent* Object);
    // The directory, without a trailing backslash.
    virtual std::string Expand(TComponent* Object);
    virtual std::string ShortName();
    virtual std::string ShortNameFor(TComponent* Object);

    // Not published; the base expansion asks it.
    TPathExpandEvent OnExpand;
};

class TStandardPathSpecifier : public TCustomPathSpecifier {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TStandardPathSpecifier(TComponent* Owner = nullptr);
    ~TStandardPathSpecifier() override;

    // The name the shared instance carries ("psSystem", ...).
    virtual std::string StandardName() const = 0;
};

// The members every standard class has.
#define INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()                                                                        \
    INSTALLLIB_CLASS_INFO()                                                                                            \
    using TStandardPathSpecifier::TStandardPathSpecifier;                                                              \
    std::string StandardName() const override;                                                                         \
    std::string Description() override;                                                                                \
    std::string ShortName() override;                                                                                  \
    std::string Expand(TComponent* Object) override;

// The database engine's DLL directory, the first item of what the registry holds.
class TpsBDEDLL : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

class TpsCommonFiles : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

// The archive path of the object's Container, which must be file-related.
class TpsContainerArchiveFile : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
    void Check(TComponent* Object) override;
};

// The destination path of the object's Container.
class TpsContainerDestDir : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
    void Check(TComponent* Object) override;
    std::string DescriptionFor(TComponent* Object) override;
    std::string ShortNameFor(TComponent* Object) override;
};

class TpsDesktopMenu : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

// The directory the user ran the install from.
class TpsInstallSource : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
    void Check(TComponent* Object) override;
};

// The engine's destination path.
class TpsMainInstall : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
    void Check(TComponent* Object) override;
};

// The archive of the files that do not come over the net: the self-extracting
// program itself, or "files.1" in the volume directory.
class TpsMainArchiveFile : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
    void Check(TComponent* Object) override;
    // Where the next volume was found; a file's new-disk step sets it.
    std::string VolumeDirectory;
};

class TpsProgramFiles : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

class TpsProgramMenu : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

class TpsStartMenu : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

class TpsStartupMenu : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

class TpsSystem : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

class TpsWindow : public TStandardPathSpecifier {
public:
    INSTALLLIB_STANDARD_SPECIFIER_MEMBERS()
};

#undef INSTALLLIB_STANDARD_SPECIFIER_MEMBERS

// The specifier a file container makes for itself: the container's
// destination path, for the objects inside it.
class TpsFileContainer : public TCustomPathSpecifier {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TpsFileContainer(TComponent* Owner = nullptr);

    void Check(TComponent* Object) override;
    std::string Description() override;
    std::string Expand(TComponent* Object) override;
    std::string ShortName() override;

    // A file container (kept null when it is freed).
    TInstallContainer* FileContainer() const { return fileContainer_; }
    void SetFileContainer(TInstallContainer* Value);

    // A later rename that another component's name stands in the way of
    // moves that component to a free "nameClash" name first.
    void SetName(std::string_view NewName) override;
    // Names the specifier without that rule; the file container uses it while
    // it names the specifier it made.
    void SetNameDirect(std::string_view NewName);

    // Once streamed, this specifier replaces the one its file container made
    // for itself (through TInstallContainer::AdoptOwnSpecifier).
    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TInstallContainer* fileContainer_ = nullptr;
    bool namingDirect_ = false;
};

// A plain list of specifiers (not owned).
class TPathSpecifierList : public TPointerList<TCustomPathSpecifier> {
public:
    virtual ~TPathSpecifierList() = default;
    // Null raises IEPathSpecifierList.
    void Add(TCustomPathSpecifier* Specifier);
    // The first specifier of that class or a class derived from it; none
    // raises IEPathSpecifier "Could not find the path specifier".
    TCustomPathSpecifier* FindByClass(const TMetaClass& Class) const;
    // As FindByClass, but null when there is none.
    TCustomPathSpecifier* FindClass(const TMetaClass& Class) const;
    template <class T> T* FindByClass() const { return static_cast<T*>(FindByClass(T::StaticClass())); }
};

class TStandardPathSpecList : public TPathSpecifierList { };

// The global lists; they exist between InstallLibraryStartup and
// InstallLibraryShutdown (installlibrary.h) and raise EQuorleAbnormal
// outside that time.
TPathSpecifierList& PathSpecifierList();
TStandardPathSpecList& StandardPathSpecList();

// The shared standard specifier of a class (FindByClass on the standard list).
template <class T> T* StandardSpecifier()
{
    return StandardPathSpecList().FindByClass<T>();
}

// Makes, with OwnerForm as owner, one specifier of each standard class of
// which none exists anywhere yet, named by its standard name.
void EnsureStandardSpecifiers(TComponent* OwnerForm);

// Registers the specifier classes by name (library start-up).
void RegisterPathSpecifierClasses();

} // namespace installlib
