#include "setup/installlib/pathspecifiers.h"

#include "setup/installlib/apiroutines.h"
#include "setup/installlib/installcontainer.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <algorithm>

namespace installlib {

namespace {

// The Name of the object a message is about; a missing object has none.
std::string objectName(const TComponent* Object)
{
    return Object ? Object->Name() : std::string("(none)");
}

TInstallContainer* containerOf(TComponent* Object)
{
    auto* object = dynamic_cast<TInstallObject*>(Object);
    return object ? object->Container() : nullptr;
}

// The first test of the two container specifiers: Object must be an install
// object.
void requireInstallObject(TComponent* Object, const std::string& standardName)
{
    if (!dynamic_cast<TInstallObject*>(Object))
        throw IEPathSpecifier(
            "%s must be a %s to use the %s path specifier", { objectName(Object), "TInstallObject", standardName });
}

TInstallEngineInterface& requireEngine(TComponent* Object)
{
    TInstallEngineInterface* engine = InstallEngine();
    if (!engine)
        throw IEPathSpecifier("There is no TInstall component so the path specifier could not be expanded for %s",
            { objectName(Object) });
    return *engine;
}

bool isFileContainer(const TObject* Object)
{
    return ObjectIs(Object, "TFileContainer");
}
bool isGroup(const TObject* Object)
{
    return ObjectIs(Object, "TCustomInstallGroup");
}

} // namespace

INSTALLLIB_DEFINE_CLASS(TCustomPathSpecifier, TComponent)
INSTALLLIB_DEFINE_CLASS(TStandardPathSpecifier, TCustomPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsBDEDLL, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsCommonFiles, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsContainerArchiveFile, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsContainerDestDir, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsDesktopMenu, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsInstallSource, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsMainInstall, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsMainArchiveFile, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsProgramFiles, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsProgramMenu, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsStartMenu, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsStartupMenu, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsSystem, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsWindow, TStandardPathSpecifier)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsFileContainer, TCustomPathSpecifier)

// --- base classes ---------------------------------------------------------------

TCustomPathSpecifier::TCustomPathSpecifier(TComponent* Owner)
    : TComponent(Owner)
{
    PathSpecifierList().Add(this);
}

TCustomPathSpecifier::~TCustomPathSpecifier()
{
    if (TPathSpecifierList* list = PathSpecifierListIfStarted())
        list->Remove(this);
}

void TCustomPathSpecifier::Check(TComponent* Object)
{
    (void)Object;
}

std::string TCustomPathSpecifier::Description()
{
    return TranslateText("Unspecified");
}

std::string TCustomPathSpecifier::DescriptionFor(TComponent* Object)
{
    (void)Object;
    return Description();
}

std::string TCustomPathSpecifier::Expand(TComponent* Object)
{
    std::string path;
    if (OnExpand)
        OnExpand(Object, path);
    return path;
}

std::string TCustomPathSpecifier::ShortName()
{
    return Description();
}

std::string TCustomPathSpecifier::ShortNameFor(TComponent* Object)
{
    return DescriptionFor(Object);
}

TStandardPathSpecifier::TStandardPathSpecifier(TComponent* Owner)
    : TCustomPathSpecifier(Owner)
{
    StandardPathSpecList().Add(this);
}

TStandardPathSpecifier::~TStandardPathSpecifier()
{
    if (TStandardPathSpecList* list = StandardPathSpecListIfStarted())
        list->Remove(this);
}

// --- the standard specifiers ------------------------------------------------------

#define INSTALLLIB_SPECIFIER_TEXTS(Class, Standard, Long, Short)                                                       \
    std::string Class::StandardName() const                                                                            \
    {                                                                                                                  \
        return Standard;                                                                                               \
    }                                                                                                                  \
    std::string Class::Description()                                                                                   \
    {                                                                                                                  \
        return TranslateText(Long);                                                                                    \
    }                                                                                                                  \
    std::string Class::ShortName()                                                                                     \
    {                                                                                                                  \
        return TranslateText(Short);                                                                                   \
    }

INSTALLLIB_SPECIFIER_TEXTS(TpsBDEDLL, "psBDEDLL", "Borland Database Engine DLL Path", "BDE DLL")
INSTALLLIB_SPECIFIER_TEXTS(TpsCommonFiles, "psCommonFiles",
    "Path of the common files directory under the program files directory", "Common files")
INSTALLLIB_SPECIFIER_TEXTS(TpsContainerArchiveFile, "psContainerArchiveFile",
    "Path to the archive file of the container", "Container archive file")
INSTALLLIB_SPECIFIER_TEXTS(
    TpsContainerDestDir, "psContainerDestDir", "Path of the group (container)", "Path of the group (container)")
INSTALLLIB_SPECIFIER_TEXTS(TpsDesktopMenu, "psDesktopMenu", "Path of the Desktop", "Desktop")
INSTALLLIB_SPECIFIER_TEXTS(
    TpsInstallSource, "psInstallSource", "Path from which the user ran the install", "Install source")
INSTALLLIB_SPECIFIER_TEXTS(TpsMainInstall, "psMainInstall", "Main installation directory", "Main install dir")
INSTALLLIB_SPECIFIER_TEXTS(TpsMainArchiveFile, "psMainArchiveFile",
    "Archive containing most or all non-internet installation files", "Main archive")
INSTALLLIB_SPECIFIER_TEXTS(TpsProgramFiles, "psProgramFiles", "Path of the program files directory", "Program files")
INSTALLLIB_SPECIFIER_TEXTS(
    TpsProgramMenu, "psProgramMenu", "Path of the Programs folder under the Start Menu", "Program menu")
INSTALLLIB_SPECIFIER_TEXTS(TpsStartMenu, "psStartMenu", "Path of Start Menu", "Start menu")
INSTALLLIB_SPECIFIER_TEXTS(TpsStartupMenu, "psStartupMenu",
    "Path of the Startup folder in the Programs folder under the Start Menu", "Startup menu")
INSTALLLIB_SPECIFIER_TEXTS(TpsSystem, "psSystem", "Path of system directory", "System dir")
INSTALLLIB_SPECIFIER_TEXTS(TpsWindow, "psWindow", "Path of the Windows directory", "Windows dir")

#undef INSTALLLIB_SPECIFIER_TEXTS

std::string TpsBDEDLL::Expand(TComponent* Object)
{
    Check(Object);
    // Returned as the registry stores it: the engine's own setup writes it.
    // A value that starts with ";" names no directory; that counts as missing,
    // or the engine's files would land in the root of the current drive.
    std::string first
        = GetDelimitedItem(RegistryReadString(4, "\\Software\\Borland\\Database Engine", "DLLPath", ""), 1);
    if (first.find_first_not_of(' ') != std::string::npos)
        return first;
    return AddBackslash(GetProgramFilesDir()) + "Borland\\Common Files\\BDE";
}

std::string TpsCommonFiles::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetCommonFilesDir());
}

void TpsContainerArchiveFile::Check(TComponent* Object)
{
    requireInstallObject(Object, StandardName());
    TInstallContainer* container = containerOf(Object);
    if (!container)
        throw IEPathSpecifier(
            "Cannot use ddContainerArchiveFile for %s unless you assign a Container", { objectName(Object) });
    if (!ObjectIs(container, "TFileRelated"))
        throw IEPathSpecifier("Cannot use the ddContainerArchiveFile path specifier for %s because the Container is "
                              "not a TFileRelated descendant",
            { objectName(Object) });
}

std::string TpsContainerArchiveFile::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(containerOf(Object)->GetArchivePath());
}

void TpsContainerDestDir::Check(TComponent* Object)
{
    requireInstallObject(Object, StandardName());
    if (!containerOf(Object))
        throw IEPathSpecifier(
            "Cannot use ddContainerDestDir for %s unless you assign a Container", { objectName(Object) });
}

std::string TpsContainerDestDir::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(containerOf(Object)->GetDestPath());
}

std::string TpsContainerDestDir::DescriptionFor(TComponent* Object)
{
    try {
        Check(Object);
    } catch (const Exception&) {
        return Description();
    }
    TInstallContainer* container = containerOf(Object);
    if (container == InstallEngineContainer())
        return TranslateText("Main installation directory");
    if (isGroup(container))
        return TranslateFormat("Path of the <%s> group", { container->Description() });
    if (isFileContainer(container))
        return TranslateFormat("Path of the <%s> directory", { container->Description() });
    return TranslateFormat("Path of the <%s> group", { container->Name() });
}

std::string TpsContainerDestDir::ShortNameFor(TComponent* Object)
{
    try {
        Check(Object);
    } catch (const Exception&) {
        return Description();
    }
    TInstallContainer* container = containerOf(Object);
    if (container == InstallEngineContainer())
        return TranslateText("Main installation directory");
    if (isGroup(container) || isFileContainer(container))
        return Format("<%s>", { container->Description() });
    return Format("<%s>", { container->Name() });
}

std::string TpsDesktopMenu::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetDesktopDir());
}

void TpsInstallSource::Check(TComponent* Object)
{
    requireEngine(Object);
}

std::string TpsInstallSource::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(InstallEngine()->SourceDir());
}

void TpsMainInstall::Check(TComponent* Object)
{
    TInstallEngineInterface& engine = requireEngine(Object);
    if (Object && Object == &engine.EngineContainer())
        throw IEPathSpecifier("Cannot use the ddMainInstallDir path specifier for a TInstall component");
}

std::string TpsMainInstall::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(InstallEngine()->EngineContainer().GetDestPath());
}

void TpsMainArchiveFile::Check(TComponent* Object)
{
    requireEngine(Object);
}

std::string TpsMainArchiveFile::Expand(TComponent* Object)
{
    Check(Object);
    TInstallEngineInterface& engine = *InstallEngine();
    const std::string source = RemoveBackslash(engine.SourceDir());
    if (engine.SelfExtracting()) {
        const std::string name = engine.SelfExtractorName();
        if (name.find_first_not_of(" \t") == std::string::npos)
            throw IEInstall(TranslateText("You forgot to pass in the name of the self-extracting executable. Usage "
                                          "example: ")
                + "\"-eSetup.exe\"");
        return AddBackslash(source) + name;
    }
    const std::string directory = VolumeDirectory.empty() ? source : RemoveBackslash(VolumeDirectory);
    return AddBackslash(directory) + "files.1";
}

std::string TpsProgramFiles::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetProgramFilesDir());
}

std::string TpsProgramMenu::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetProgramsDir());
}

std::string TpsStartMenu::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetStartMenuDir());
}

std::string TpsStartupMenu::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetStartupDir());
}

std::string TpsSystem::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetSystemDir());
}

std::string TpsWindow::Expand(TComponent* Object)
{
    Check(Object);
    return RemoveBackslash(GetWindowsDir());
}

// --- the file container's specifier -------------------------------------------------

TpsFileContainer::TpsFileContainer(TComponent* Owner)
    : TCustomPathSpecifier(Owner)
{
}

void TpsFileContainer::Check(TComponent* Object)
{
    if (isFileContainer(Object) || isGroup(Object) || ObjectIs(Object, "TCustomInstallFile"))
        throw IEPathSpecifier("A file container cannot reference another file container or group");
}

std::string TpsFileContainer::Expand(TComponent* Object)
{
    Check(Object);
    return fileContainer_ ? RemoveBackslash(fileContainer_->GetDestPath()) : std::string();
}

std::string TpsFileContainer::Description()
{
    if (!fileContainer_)
        return TranslateText("Path specifier for unknown file container");
    return TranslateText("Path into which ") + fileContainer_->Description() + TranslateText(" will be installed");
}

std::string TpsFileContainer::ShortName()
{
    if (!fileContainer_)
        return TranslateText("Path specifier for unknown file container");
    return "<" + fileContainer_->Description() + ">";
}

void TpsFileContainer::SetFileContainer(TInstallContainer* Value)
{
    fileContainer_ = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TpsFileContainer::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomPathSpecifier::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == fileContainer_)
        fileContainer_ = nullptr;
}

void TpsFileContainer::SetNameDirect(std::string_view NewName)
{
    namingDirect_ = true;
    try {
        TCustomPathSpecifier::SetName(NewName);
    } catch (...) {
        namingDirect_ = false;
        throw;
    }
    namingDirect_ = false;
}

void TpsFileContainer::SetName(std::string_view NewName)
{
    if (namingDirect_ || !Owner() || NewName.empty()) {
        TCustomPathSpecifier::SetName(NewName);
        return;
    }
    TComponent* other = Owner()->FindComponent(NewName);
    if (other && other != this)
        SetUniqueName(*other, "nameClash");
    TCustomPathSpecifier::SetName(NewName);
}

void TpsFileContainer::Loaded()
{
    TCustomPathSpecifier::Loaded();
    if (fileContainer_)
        fileContainer_->AdoptOwnSpecifier(this);
}

// --- lists ------------------------------------------------------------------------

void TPathSpecifierList::Add(TCustomPathSpecifier* Specifier)
{
    if (!Specifier)
        throw IEPathSpecifierList("Tried to add a nil object to the path specifier list");
    items_.push_back(Specifier);
}

TCustomPathSpecifier* TPathSpecifierList::FindClass(const TMetaClass& Class) const
{
    for (TCustomPathSpecifier* s : items_)
        if (s->InheritsFrom(Class))
            return s;
    return nullptr;
}

TCustomPathSpecifier* TPathSpecifierList::FindByClass(const TMetaClass& Class) const
{
    if (TCustomPathSpecifier* s = FindClass(Class))
        return s;
    throw IEPathSpecifier("Could not find the path specifier");
}

namespace {

// The standard classes in the order they are made.
const TMetaClass* const* standardClasses()
{
    static const TMetaClass* const classes[] = {
        &TpsBDEDLL::StaticClass(),
        &TpsCommonFiles::StaticClass(),
        &TpsContainerArchiveFile::StaticClass(),
        &TpsContainerDestDir::StaticClass(),
        &TpsDesktopMenu::StaticClass(),
        &TpsInstallSource::StaticClass(),
        &TpsMainInstall::StaticClass(),
        &TpsProgramFiles::StaticClass(),
        &TpsProgramMenu::StaticClass(),
        &TpsStartMenu::StaticClass(),
        &TpsStartupMenu::StaticClass(),
        &TpsSystem::StaticClass(),
        &TpsMainArchiveFile::StaticClass(),
        &TpsWindow::StaticClass(),
        nullptr,
    };
    return classes;
}

} // namespace

void EnsureStandardSpecifiers(TComponent* OwnerForm)
{
    for (const TMetaClass* const* c = standardClasses(); *c; ++c) {
        if (PathSpecifierList().FindClass(**c))
            continue;
        auto* specifier = static_cast<TStandardPathSpecifier*>((*c)->Create(OwnerForm));
        try {
            specifier->SetName(specifier->StandardName());
        } catch (...) {
            delete specifier;
            throw;
        }
    }
}

void RegisterPathSpecifierClasses()
{
    for (const TMetaClass* const* c = standardClasses(); *c; ++c)
        RegisterClass(**c);
    RegisterClass(TpsFileContainer::StaticClass());
}

} // namespace installlib
