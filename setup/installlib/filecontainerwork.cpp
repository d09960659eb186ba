// The work a file container does on its subtree besides installing it: the
// build-time compress into archives, the copy without an archive, the size
// totals and the questions about its own install files.

#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/filecontainer.h"
#include "setup/installlib/install.h"
#include "setup/installlib/ordertrace.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/typecodes.h"

#include <vector>

namespace installlib {

namespace {

// The directory part of a path without its trailing backslash ("C:" for
// a file in a drive's root); empty for a bare name.
std::string directoryOf(std::string_view Path)
{
    const size_t slash = Path.find_last_of("\\:");
    if (slash == std::string_view::npos)
        return {};
    return RemoveBackslash(Path.substr(0, slash + 1));
}

// The path with its extension (if any) replaced by Extension.
std::string withExtension(std::string_view Path, std::string_view Extension)
{
    const size_t dot = Path.find_last_of(".\\:");
    std::string base(dot != std::string_view::npos && Path[dot] == '.' ? Path.substr(0, dot) : Path);
    return base + std::string(Extension);
}

// "C:\A\B.1" without its drive: "\A\B.1".
std::string withoutDrive(std::string_view Path)
{
    if (Path.size() >= 2 && Path[1] == ':')
        return std::string(Path.substr(2));
    return std::string(Path);
}

std::string joined(std::string_view Directory, std::string_view NetPath, std::string_view Name)
{
    return std::string(Directory) + "\\" + std::string(NetPath) + "\\" + std::string(Name) + ".1";
}

bool inheritsFrom(const TCustomPathSpecifier* Specifier, const TMetaClass& Class)
{
    return Specifier && Specifier->InheritsFrom(Class);
}

// Runs one piece of work with the busy state set. Whatever way it ends,
// the busy state goes back to idle and -996 is broadcast so that the
// progress forms close; on failure a second error from the broadcast
// does not hide the first.
template <class Work> void asBusyWork(TFileContainer& Container, std::uint8_t State, Work&& Body)
{
    Container.BusyState = State;
    try {
        Body();
    } catch (...) {
        Container.BusyState = bsIdle;
        try {
            Container.Broadcast(icWorkFinished, nullptr);
        } catch (...) {
        }
        throw;
    }
    Container.BusyState = bsIdle;
    Container.Broadcast(icWorkFinished, nullptr);
}

void sendUp(TFileContainer& Container, int Code)
{
    if (Container.Container())
        Container.Container()->DoInformationEventControl(&Container, Code, &Container);
}

// The children at the start of a walk; a handler may change the list.
std::vector<TInstallObject*> childrenOf(const TInstallContainer& Container)
{
    std::vector<TInstallObject*> children;
    for (int i = 0; i < Container.ChildCount(); ++i)
        children.push_back(Container.Children(i));
    return children;
}

void deleteArchive(TFileContainer& Container, const std::string& Path)
{
    win::Machine& machine = win::Machine::current();
    if (machine.fileExists(Path) && !machine.deleteFile(Path))
        throw IEFileContainer("%s cannot delete the archive file %s", { Container.Name(), Path });
}

} // namespace

void TFileContainer::RunWork(int Work)
{
    try {
        switch (Work) {
        case 1:
            Compress(0);
            break;
        case 2:
            ProcessContainer();
            break;
        case 3:
            CopyAll();
            break;
        default:
            break;
        }
    } catch (...) {
        BusyState = bsIdle;
        throw;
    }
    BusyState = bsIdle;
}

void TFileContainer::CopyAll()
{
    asBusyWork(*this, bsCopying, [this] {
        if (OnBeforeProcess)
            OnBeforeProcess(this);
        if (!Include)
            return;
        sendUp(*this, icContainerWorkBegins);
        ReadInfoFromSourceAll();
        BeginWork(bsCopying, SizeOfSubtree(false));
        const std::vector<TInstallObject*> children = childrenOf(*this);
        for (TInstallObject* child : children)
            if (IsInstallFile(child))
                static_cast<TFileRelated*>(child)->CopyFile();
        for (TInstallObject* child : children)
            if (auto* container = dynamic_cast<TFileContainer*>(child))
                container->CopyAll();
        if (OnAfterProcess)
            OnAfterProcess(this);
        sendUp(*this, icContainerWorkEnded);
    });
}

void TFileContainer::FreeFiles()
{
    for (int i = ChildCount() - 1; i >= 0; --i) {
        if (i >= ChildCount())
            continue;
        TInstallObject* child = Children(i);
        if (IsInstallFile(child))
            delete child;
    }
}

void TFileContainer::Compress(std::uint8_t Options)
{
    TraceContainerOrder(TOrderTrace::Compress, Description());
    if ((Options & coForceNetFilesLocal) && (Options & coForceFilesNet))
        throw IEFileContainer("Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");

    asBusyWork(*this, bsCompressing, [this, Options] {
        if (OnBeforeProcess)
            OnBeforeProcess(this);
        if (!Include)
            return;
        sendUp(*this, icContainerWorkBegins);
        ReadInfoFromSourceAll();
        BeginWork(bsCompressing, SizeOfSubtree((Options & coIncludeExcluded) != 0));

        const std::string archive = GetArchivePath();
        const std::string archiveDirectory = directoryOf(archive);
        std::string netArchive;
        try {
            netArchive = joined(archiveDirectory, GetNetPath(), Name());
        } catch (const IEFileRel_NoNetLocation&) {
            if (!(Options & coForceNetFilesLocal))
                throw;
        }

        // Stale archives of an earlier build go first.
        if (AddToArchive == lzcOverwrite && !archive.empty())
            deleteArchive(*this, withExtension(archive, ".1"));
        if (!netArchive.empty() && (HasNetFile() || ((Options & coForceFilesNet) && InstallFileCount() > 0)))
            deleteArchive(*this, netArchive);

        for (TInstallObject* object : childrenOf(*this)) {
            auto* child = dynamic_cast<TFileRelated*>(object);
            if (!child)
                continue;
            const TArchiveSettings saved = child->SaveArchiveSettings();
            try {
                if (Options & coIncludeExcluded)
                    child->Include = true;
                PrepareChildArchive(*child, Options, archiveDirectory, netArchive);
                if (auto* container = dynamic_cast<TFileContainer*>(child))
                    container->Compress(Options);
                else if (IsInstallFile(child))
                    child->CompressFile();
            } catch (...) {
                child->RestoreArchiveSettings(saved);
                throw;
            }
            child->RestoreArchiveSettings(saved);
        }

        if (OnAfterProcess)
            OnAfterProcess(this);
        sendUp(*this, icContainerWorkEnded);
    });
}

void TFileContainer::PrepareChildArchive(
    TFileRelated& Child, std::uint8_t Options, const std::string& ArchiveDirectory, const std::string& NetArchive)
{
    const bool toNet
        = IsInstallFile(&Child) && !(Options & coForceNetFilesLocal) && (Child.Net || (Options & coForceFilesNet));
    if (toNet) {
        // Net archives are named after the object and lie in a directory
        // named after the server, beside this container's archive.
        std::string target;
        if (Child.NetLocation() || Child.NeedsOwnArchive()) {
            // An archive of its own holds this file only, so a new build
            // starts it anew instead of piling copies into it.
            Child.AddToArchive = lzcOverwrite;
            target = joined(ArchiveDirectory, Child.GetNetPath(), Child.Name());
        } else {
            Child.AddToArchive = lzcOnlyAdd;
            target = NetArchive;
        }
        Child.SetArchiveFileType(nullptr);
        Child.SetArchiveFile(target);
        return;
    }

    TCustomPathSpecifier* type = Child.ArchiveFileType();
    if (Options & coOnlyAddLocal) {
        Child.AddToArchive = lzcOnlyAdd;
        Child.SetArchiveFileType(nullptr);
        Child.SetArchiveFile("");
    } else if (inheritsFrom(type, TpsContainerArchiveFile::StaticClass())) {
        Child.AddToArchive = lzcOnlyAdd;
    } else if (inheritsFrom(type, TpsInstallSource::StaticClass())) {
        TInstallContainer* engine = InstallEngineContainer();
        const std::string base = directoryOf(engine ? engine->GetArchivePath() : GetArchivePath());
        const std::string target = base + Child.ArchiveFile();
        Child.AddToArchive = lzcOverwrite;
        Child.SetArchiveFileType(nullptr);
        Child.SetArchiveFile(target);
    } else if (Options & coRelocateArchives) {
        const std::string target = ArchiveDirectory + withoutDrive(Child.GetArchivePath());
        Child.AddToArchive = lzcOverwrite;
        Child.SetArchiveFileType(nullptr);
        Child.SetArchiveFile(target);
    }
}

std::int64_t TFileContainer::SizeTotal(bool IncludedOnly, bool WithSubContainers)
{
    return WithSubContainers ? SizeOfSubtree(!IncludedOnly) : SizeOfOwnFiles(!IncludedOnly);
}

std::int64_t TFileContainer::ArchiveSizeTotal(bool All)
{
    std::int64_t total = 0;
    for (int i = 0; i < ChildCount(); ++i) {
        TInstallObject* child = Children(i);
        if (auto* container = dynamic_cast<TFileContainer*>(child))
            total += container->ArchiveSizeTotal(All);
        else if (IsInstallFile(child) && (All || child->IsIncludedForInstallType()))
            total += static_cast<TFileRelated*>(child)->InstallArchiveSize();
    }
    return total;
}

std::string TFileContainer::LocalArchivePath()
{
    if (!win::text::trim(LocalFile).empty() && win::Machine::hasCurrent()
        && win::Machine::current().fileExists(LocalFile))
        return LocalFile;
    std::string found = FindLocalFile();
    if (found.empty())
        throw IEFileContainer("%s has not yet downloaded the archive file and therefore cannot retrieve the path of "
                              "the archive file",
            { Name() });
    return found;
}

void TFileContainer::ReadInfoFromSourceAll()
{
    ui::BusyCursor busy;
    for (TInstallObject* child : childrenOf(*this)) {
        if (auto* container = dynamic_cast<TFileContainer*>(child))
            container->ReadInfoFromSourceAll();
        else if (IsInstallFile(child))
            static_cast<TFileRelated*>(child)->ReadInfoFromSource();
    }
}

bool TFileContainer::NeedsContainerDownload()
{
    // Without an engine the files count as coming from a net distribution.
    TCustomInstall* engine = CurrentInstall();
    if (engine && engine->DistributeType() == dtTraditional)
        return false;
    for (int i = 0; i < InstallFileCount(); ++i) {
        TFileRelated* file = InstallFiles(i);
        if (file->Net && file->IsIncludedForInstallType() && !file->NetLocation())
            return true;
    }
    return false;
}

int TFileContainer::InstallFileCount() const
{
    int count = 0;
    for (int i = 0; i < ChildCount(); ++i)
        if (IsInstallFile(Children(i)))
            ++count;
    return count;
}

TFileRelated* TFileContainer::InstallFiles(int Index) const
{
    int n = 0;
    for (int i = 0; i < ChildCount(); ++i)
        if (IsInstallFile(Children(i)) && n++ == Index)
            return static_cast<TFileRelated*>(Children(i));
    throw IEFileContainer("%s has no install file number %d", { Name(), Index });
}

TFileRelated* TFileContainer::FindFileBySource(std::string_view Path) const
{
    for (int i = 0; i < InstallFileCount(); ++i) {
        TFileRelated* file = InstallFiles(i);
        if (win::text::equalsNoCase(file->SourcePath(), Path))
            return file;
    }
    return nullptr;
}

bool TFileContainer::HasNetFile() const
{
    for (int i = 0; i < InstallFileCount(); ++i)
        if (InstallFiles(i)->Net)
            return true;
    return false;
}

} // namespace installlib
