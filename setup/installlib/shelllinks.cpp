#include "setup/installlib/shelllinks.h"

#include "platform/win/machine.h"
#include "platform/win/progman.h"
#include "platform/win/shelllink.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/installdirectory.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/pathmacros.h"
#include "setup/installlib/programmanager.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/uninstallexe.h"
#include "setup/installlib/uninstalllog.h"

#include <algorithm>
#include <cctype>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TCustomShellLinkGroup, TInstallObject)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TMainLinkGroup, TCustomShellLinkGroup)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TCustomInstallShellLink, TInstallObject)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallMainLink, TCustomInstallShellLink)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TpsObjectLink, TStandardPathSpecifier)

namespace {

TMainLinkGroup* gMainLinkGroup = nullptr;
std::vector<TCustomInstallShellLink*> gLinks;
std::vector<TCustomInstallShellLink*> gMainLinks;

void addTo(std::vector<TCustomInstallShellLink*>& list, TCustomInstallShellLink* link)
{
    if (!link)
        throw IEInstallShellLinkList("Cannot add a blank entry to the shell link list");
    list.push_back(link);
}

void removeFrom(std::vector<TCustomInstallShellLink*>& list, TCustomInstallShellLink* link)
{
    list.erase(std::remove(list.begin(), list.end(), link), list.end());
}

std::string upper(std::string s)
{
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

// The extension with its dot, empty when the last component has none.
std::string extensionOf(std::string_view name)
{
    const size_t dot = name.find_last_of(".\\/:");
    if (dot == std::string_view::npos || name[dot] != '.')
        return {};
    return std::string(name.substr(dot));
}

std::string withExtension(std::string_view name, std::string_view ext)
{
    const std::string old = extensionOf(name);
    return std::string(name.substr(0, name.size() - old.size())) + std::string(ext);
}

std::string fileNameOf(std::string_view path)
{
    const size_t slash = path.find_last_of("\\/:");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string directoryOf(std::string_view path)
{
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? std::string() : RemoveBackslash(path.substr(0, slash));
}

win::Machine& machine()
{
    return win::Machine::current();
}

// The folders it made are added to created, for the uninstall entry.
void forceDirectories(const std::string& path, std::vector<std::string>& created)
{
    if (!CreateFolders(RemoveBackslash(path), created))
        throw IEInstallShellLink("Could not create the directory %s (error %d)", { path, int(win::lastError()) });
}

bool isProgramMenu(TCustomPathSpecifier* specifier)
{
    return specifier && specifier->ClassType().InheritsFrom(TpsProgramMenu::StaticClass());
}

} // namespace

TMainLinkGroup* MainLinkGroup()
{
    return gMainLinkGroup;
}

const std::vector<TCustomInstallShellLink*>& ShellLinkList()
{
    return gLinks;
}

const std::vector<TCustomInstallShellLink*>& MainLinkList()
{
    return gMainLinks;
}

// --- link groups ---------------------------------------------------------------

TCustomShellLinkGroup::TCustomShellLinkGroup(TComponent* Owner)
    : TInstallObject(Owner)
{
    Include = true;
    ProcessedByContainer = 0;
}

int TCustomShellLinkGroup::RegisteredType()
{
    return tcShellLinkGroup;
}

void TCustomShellLinkGroup::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    TInstallObject::ReceiveInformationCode(Container, Code, PO);
    if (Code == icProcessShellLinkGroup)
        ProcessContainer();
}

void TCustomShellLinkGroup::InstallStep()
{
    Broadcast(icProgramFolder, nullptr);
    createdFolders_.clear();
    forceDirectories(GetDestPath(), createdFolders_);
    TInstallObject::InstallStep();
}

void TCustomShellLinkGroup::WriteUninstallInfo(std::string_view Key)
{
    RecordCreatedFolders(Key, createdFolders_);
}

TMainLinkGroup::TMainLinkGroup(TComponent* Owner)
    : TCustomShellLinkGroup(Owner)
{
    if (gMainLinkGroup)
        throw IEShellLinkGroup("You can only have one TMainLinkGroup component in your project");
    gMainLinkGroup = this;
    if (TpsProgramMenu* menu
        = static_cast<TpsProgramMenu*>(StandardPathSpecList().FindClass(TpsProgramMenu::StaticClass())))
        TCustomShellLinkGroup::SetDestDirType(menu);
    TInstallEngineInterface* engine = InstallEngine();
    SetDestDir(engine ? "\\" + engine->ProductName() : std::string("\\MainFolderName"));
}

TMainLinkGroup::~TMainLinkGroup()
{
    if (gMainLinkGroup == this)
        gMainLinkGroup = nullptr;
}

void TMainLinkGroup::SetDestDirType(TCustomPathSpecifier* Value)
{
    if (isProgramMenu(Value))
        TCustomShellLinkGroup::SetDestDirType(Value);
}

// --- links ---------------------------------------------------------------------

TCustomInstallShellLink::TCustomInstallShellLink(TComponent* Owner)
    : TInstallObject(Owner)
{
    Include = true;
    ProcessedByContainer = 0;
    addTo(gLinks, this);
    // A link on a form needs the specifier of its ObjectLink.
    if (Owner && !dynamic_cast<TInstallContainer*>(Owner)
        && !StandardPathSpecList().FindClass(TpsObjectLink::StaticClass())) {
        auto* objectLink = new TpsObjectLink(Owner);
        objectLink->SetName("psObjectLink");
    }
}

TCustomInstallShellLink::~TCustomInstallShellLink()
{
    removeFrom(gLinks, this);
    if (objectLocationType_)
        objectLocationType_->RemoveFreeNotification(this);
}

int TCustomInstallShellLink::RegisteredType()
{
    return tcShellLink;
}

void TCustomInstallShellLink::InitializeCom()
{
    // The machine's shortcut layer needs no start-up; only the flag is kept.
    comInitialised_ = true;
}

bool TCustomInstallShellLink::IsInternetShortcut() const
{
    return upper(extensionOf(linkName_)) == ".URL";
}

std::string TCustomInstallShellLink::LinkFilePath()
{
    return AddBackslash(RemoveBackslash(GetDestPath())) + linkName_;
}

void TCustomInstallShellLink::SetLinkName(std::string_view Value)
{
    if (IsLoading()) {
        linkName_ = std::string(Value);
        return;
    }
    const std::string oldExt = upper(extensionOf(linkName_));
    linkName_ = std::string(Value);
    if (trim(linkName_).empty())
        return;
    const std::string ext = upper(extensionOf(linkName_));
    if (ext == ".URL")
        objectLink_ = nullptr;
    else if (ext != ".LNK")
        linkName_ = withExtension(linkName_, oldExt.empty() ? ".LNK" : oldExt);
}

void TCustomInstallShellLink::SetObjectLink(TInstallContainer* Value)
{
    if (IsLoading()) {
        objectLink_ = Value;
        return;
    }
    if (!Value) {
        objectLink_ = nullptr;
        objectLocationType_ = nullptr;
        return;
    }
    objectLocationType_ = StandardPathSpecList().FindByClass<TpsObjectLink>();
    objectLocationType_->FreeNotification(this);
    objectLocation_.clear();
    if (auto* file = dynamic_cast<TCustomInstallFile*>(Value))
        linkName_ = withExtension(file->DestName(), ".lnk");
    else if (dynamic_cast<TInstallDirectory*>(Value))
        linkName_ = Value->Description() + ".lnk";
    else
        linkName_ = Value->Name() + ".lnk";
    if (!Container())
        SetContainer(Value);
    objectLink_ = Value;
}

void TCustomInstallShellLink::SetObjectLocation(std::string_view Value)
{
    objectLocation_ = std::string(Value);
    if (IsLoading())
        return;
    if (objectLocationType_ && objectLocationType_->ClassType().InheritsFrom(TpsObjectLink::StaticClass()))
        objectLocationType_ = nullptr;
    const std::string current = upper(trim(linkName_));
    if (!current.empty() && current != ".LNK")
        return;
    const std::string location = upper(objectLocation_);
    for (const char* scheme : { "HTTP://", "FTP://" }) {
        const size_t at = location.find(scheme);
        if (at != std::string::npos) {
            linkName_ = objectLocation_.substr(at + std::string_view(scheme).size()) + ".URL";
            return;
        }
    }
    const std::string name = fileNameOf(RemoveBackslash(objectLocation_));
    SetLinkName(name.substr(0, name.size() - extensionOf(name).size()));
}

void TCustomInstallShellLink::SetObjectLocationType(TCustomPathSpecifier* Value)
{
    if (!IsLoading() && Value) {
        Value->Check(this);
        if (Value->ClassType().InheritsFrom(TpsObjectLink::StaticClass()))
            objectLocation_.clear();
    }
    if (objectLocationType_)
        objectLocationType_->RemoveFreeNotification(this);
    objectLocationType_ = Value;
    if (Value)
        Value->FreeNotification(this);
}

std::string TCustomInstallShellLink::GetObjectPath()
{
    if (objectLocationType_)
        return objectLocationType_->Expand(this) + objectLocation_;
    return RemoveBackslash(objectLocation_);
}

void TCustomInstallShellLink::checkLinkName()
{
    // The name becomes a file name in the program folder (or an item named
    // after it): no path parts, no reserved characters, no device names.
    const std::string name = trim(linkName_);
    bool bad = name.find_first_of("\\/:*?\"<>|") != std::string::npos || name.back() == '.';
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32)
            bad = true;
    std::string base = upper(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    static const char* const devices[] = { "CON", "PRN", "AUX", "NUL", "CLOCK$" };
    for (const char* d : devices)
        if (base == d)
            bad = true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1'
        && base[3] <= '9')
        bad = true;
    if (bad)
        throw IEInstallShellLink("The LinkName %s of %s is not a valid file name", { linkName_, Name() });
}

void TCustomInstallShellLink::InstallStep()
{
    if (trim(linkName_).empty())
        throw IEInstallShellLink("The LinkName is blank for %s and therefore could not be installed", { Name() });
    checkLinkName();
    createdFolders_.clear();
    if (objectLink_) {
        // A link to something this run did not install is not made, and
        // nothing of it is recorded for the uninstall program.
        if (!objectLink_->Installed())
            throw EAbort();
        if (dynamic_cast<TUninstallEXE*>(objectLink_)) {
            TInstallEngineInterface* engine = InstallEngine();
            if (!engine)
                throw IEInstallShellLink(
                    "%s cannot perform operation because there is no TInstall component", { Name() });
            Parameters = engine->ProductName();
        } else if (dynamic_cast<TCustomShellLinkGroup*>(objectLink_))
            forceDirectories(objectLink_->GetDestPath(), createdFolders_);
    }
    // A link of the user's own where the product's goes is kept aside first.
    if (TInstallEngineInterface* engine = InstallEngine(); engine && engine->RunInProgress() && Uninstall)
        KeepUsersLink(std::string(UninstallKeyBase) + engine->ProductName(), LinkFilePath());
    if (IsInternetShortcut())
        WriteInternetShortcut();
    else if (Method == mtShellLinkInterface)
        CreateShellLinkFile();
    else if (Method == mtProgramManager)
        AddProgramManagerItem();
    else {
        const int kind = GetWindowsKind();
        if (kind == int(win::WindowsKind::Win95) || kind == int(win::WindowsKind::NT4))
            CreateShellLinkFile();
        else
            AddProgramManagerItem();
    }
    TInstallObject::InstallStep();
}

void TCustomInstallShellLink::CreateShellLinkFile()
{
    try {
        InitializeCom();
        forceDirectories(GetDestPath(), createdFolders_);
        win::ShellLink link;
        link.arguments = ExpandMetaVariables(Parameters, this);
        link.target = GetObjectPath();
        link.hotKey = static_cast<std::uint16_t>(HotKey & 0xFFFF);
        link.workingDirectory = directoryOf(link.target);
        if (!win::writeShellLink(machine(), LinkFilePath(), link)) {
            // What the link object's Save reports: the Windows error as an HRESULT.
            const std::uint32_t error = win::lastError();
            const std::int32_t code = error == 0 ? 0 : std::int32_t(0x80070000u | (error & 0xFFFFu));
            throw IEInstallShellLink("The TCustomInstallShellLink %s name could not be installed. The following "
                                     "error was reported %s. Error code %d",
                { Name(), error == 0 ? std::string() : win::errorText(error), code });
        }
    } catch (const IEInstallShellLink&) {
        throw;
    } catch (const Exception& e) {
        throw IEInstallShellLink(
            "The TCustomInstallShellLink %s name could not be installed. The following error was reported %s",
            { Name(), e.Message() });
    }
}

bool TCustomInstallShellLink::makesProgramManagerItem()
{
    if (isProgramMenu(DestDirType()))
        return true;
    // A link in a program-menu folder (the main links) takes the folder's
    // group; without this the main links would silently make nothing.
    auto* group = dynamic_cast<TCustomShellLinkGroup*>(Container());
    return group && DestDirType() && DestDirType()->ClassType().InheritsFrom(TpsContainerDestDir::StaticClass())
        && isProgramMenu(group->DestDirType());
}

void TCustomInstallShellLink::AddProgramManagerItem()
{
    pmFields_.clear();
    if (!makesProgramManagerItem())
        return;
    const std::string group = trim(fileNameOf(RemoveBackslash(GetDestPath())));
    if (group.empty())
        throw IEInstallShellLink("The LinkName is blank for %s and therefore could not be installed", { Name() });
    TProgramManager& pm = ProgramManager();
    pm.CreateGroup(group);
    const std::string itemName = linkName_.substr(0, linkName_.size() - extensionOf(linkName_).size());
    if (pm.FindItem(itemName) >= 0) {
        TInstallEngineInterface* engine = InstallEngine();
        const auto existing = win::ProgramManager(machine()).group(group);
        if (engine && engine->RunInProgress() && Uninstall && existing)
            for (const win::ProgramItem& item : existing->items)
                if (item.name == itemName)
                    KeepUsersLink(std::string(UninstallKeyBase) + engine->ProductName(), LinkFilePath(),
                        { item.commandLine, item.iconPath, std::to_string(item.iconIndex), item.workingDirectory,
                            item.hotKey });
        pm.ReplaceItem(itemName);
    }
    const std::string target = GetObjectPath();
    const std::string workingDirectory = "\"" + directoryOf(target) + "\"";
    const std::string commandLine = "\"" + target + "\" " + ExpandMetaVariables(Parameters, this);
    pm.AddItem(commandLine, itemName, "", 0, workingDirectory, "");
    pmFields_ = { commandLine, itemName, "", "0", workingDirectory, "" };
}

void TCustomInstallShellLink::WriteInternetShortcut()
{
    forceDirectories(GetDestPath(), createdFolders_);
    if (!machine().writePrivateProfileString("InternetShortcut", std::string("URL"), objectLocation_, LinkFilePath()))
        throw IEInstallShellLink(
            "Could not write the internet shortcut %s (error %d)", { LinkFilePath(), int(win::lastError()) });
}

void TCustomInstallShellLink::WriteUninstallInfo(std::string_view Key)
{
    const std::string base(Key);
    const std::string path = LinkFilePath();
    RecordCreatedFolders(Key, createdFolders_);
    std::string lastError;
    for (int attempt = 0; attempt <= kUninstallFilesKeyLimit; ++attempt) {
        const std::string key = base + "\\Files" + (attempt == 0 ? std::string() : std::to_string(attempt));
        try {
            const std::string text = RegistryReadString(4, key, "Entries", "0");
            int n = 0;
            if (!TryStrToInt(text, n) || n < 0)
                throw IEInstallShellLink("The value Entries under %s does not hold a number: %s", { key, text });
            ++n;
            RegistryWriteString(4, key, "File" + std::to_string(n), path);
            RegistryWriteString(4, key, "Entries", std::to_string(n));
            return;
        } catch (const Exception& e) {
            lastError = e.Message();
        }
    }
    throw IEInstallShellLink("Could not write the uninstall entry of %s under %s (tried Files to Files%d): %s",
        { Name(), base, kUninstallFilesKeyLimit, lastError });
}

void TCustomInstallShellLink::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    TInstallObject::ReceiveInformationCode(Container, Code, PO);
    if (Code == icProcessShellLink)
        ProcessContainer();
}

void TCustomInstallShellLink::ContainerDestroyed(TInstallContainer* Obj)
{
    const bool mine = Obj == objectLink_ || (Obj && Obj == Container());
    TInstallObject::ContainerDestroyed(Obj);
    if (!mine)
        return;
    if (Obj == objectLink_)
        objectLink_ = nullptr;
    // A link without its object or folder has no purpose; while the owner
    // itself is being freed it goes with the owner instead.
    if (!IsDestroying() && !(Owner() && Owner()->IsDestroying()))
        delete this;
}

void TCustomInstallShellLink::Notification(TComponent* AComponent, TOperation Operation)
{
    TInstallObject::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == objectLocationType_)
        objectLocationType_ = nullptr;
}

// --- main links ----------------------------------------------------------------

TInstallMainLink::TInstallMainLink(TComponent* Owner)
    : TCustomInstallShellLink(Owner)
{
    if (!gMainLinkGroup)
        throw IEInstallShellLink(
            "To create a TInstallMainLink you must first have a TMainLinkGroup component in your project");
    addTo(gMainLinks, this);
    TCustomInstallShellLink::SetContainer(gMainLinkGroup);
    if (auto* destDir = StandardPathSpecList().FindClass(TpsContainerDestDir::StaticClass()))
        TCustomInstallShellLink::SetDestDirType(destDir);
}

TInstallMainLink::~TInstallMainLink()
{
    removeFrom(gMainLinks, this);
}

void TInstallMainLink::AfterConstruction()
{
    // The container and destination are fixed; the engine's defaults do not apply.
    TInstallContainer::AfterConstruction();
}

void TInstallMainLink::SetContainer(TInstallContainer* Value)
{
    if (Value != gMainLinkGroup || !Value)
        throw IEInstallShellLink(
            "The TMainLinkGroup component must be the Container for TInstallMainLink and TSubLinkGroup components");
    TCustomInstallShellLink::SetContainer(Value);
}

void TInstallMainLink::SetDestDirType(TCustomPathSpecifier* Value)
{
    if (Value && Value->ClassType().InheritsFrom(TpsContainerDestDir::StaticClass()))
        TCustomInstallShellLink::SetDestDirType(Value);
}

// --- the specifier of ObjectLink -------------------------------------------------

std::string TpsObjectLink::StandardName() const
{
    return "psObjectLink";
}

std::string TpsObjectLink::Description()
{
    return "Path of the file or file group in the ObjectLink property";
}

std::string TpsObjectLink::ShortName()
{
    return "Object link";
}

void TpsObjectLink::Check(TComponent* Object)
{
    auto* link = dynamic_cast<TCustomInstallShellLink*>(Object);
    if (!link)
        throw IEPathSpecifier("%s must be a %s to use the %s path specifier",
            { Object ? Object->Name() : std::string(), "TCustomInstallShellLink", Name() });
    if (!link->ObjectLink())
        throw IEPathSpecifier(
            "Cannot use ddObjectLink for %s unless you assign a value to ObjectLink", { link->Name() });
}

std::string TpsObjectLink::Expand(TComponent* Object)
{
    Check(Object);
    TInstallContainer* target = static_cast<TCustomInstallShellLink*>(Object)->ObjectLink();
    if (auto* file = dynamic_cast<TCustomInstallFile*>(target))
        return AddBackslash(RemoveBackslash(file->GetDestPath())) + file->DestName();
    return RemoveBackslash(target->GetDestPath());
}

void RegisterShellLinkClasses()
{
    RegisterClass(TMainLinkGroup::StaticClass());
    RegisterClass(TInstallMainLink::StaticClass());
    RegisterClass(TpsObjectLink::StaticClass());
}

} // namespace installlib
