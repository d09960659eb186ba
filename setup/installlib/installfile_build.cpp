// The build side of an install file (compress, plain copy, reading size,
// date and version) and the design rules its setters apply.

#include "setup/installlib/installfile.h"

#include "platform/win/dosdate.h"
#include "platform/win/file.h"
#include "platform/win/text.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/filecontainer.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/ordertrace.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/typecodes.h"

#include <cstdint>
#include <cstdio>

namespace installlib {

namespace {

win::Machine& machine()
{
    return win::Machine::current();
}

bool isBlank(std::string_view s)
{
    return win::text::trim(s).empty();
}

// The upper-cased extension with its point; empty without one.
std::string upperExtension(std::string_view name)
{
    size_t dot = name.find_last_of(".\\:");
    if (dot == std::string_view::npos || name[dot] != '.')
        return {};
    return win::text::toUpper(name.substr(dot));
}

std::string directoryOf(std::string_view path)
{
    size_t slash = path.find_last_of('\\');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash));
}

TDistributeType distributeType()
{
    TCustomInstall* install = CurrentInstall();
    return install ? install->DistributeType() : dtTraditionalNet;
}

bool declaresSelfRegistration(const std::string& path)
{
    win::VersionResource resource;
    if (!machine().fileVersionInfo(path, resource))
        return false;
    auto translations = resource.translations();
    if (translations.empty())
        return false;
    char table[9];
    std::snprintf(table, sizeof table, "%04X%04X", translations[0].first, translations[0].second);
    return resource.stringValue(table, "OLESelfRegister").has_value();
}

const char* const kArchiveBlank = "Cannot either compress or decompress the following file because it's archive file "
                                  "property is blank. File is :%s";

} // namespace

// --- archive paths and information ---

std::string TCustomInstallFile::GetArchivePath()
{
    const TDistributeType dist = distributeType();
    if ((dist == dtWeb || (dist != dtTraditional && Net)) && state_ == ifsInstall) {
        if (NeedsOwnArchive() && HasFetchedArchive())
            return LocalFile.empty() ? FindLocalFile() : LocalFile;
        if (auto* fc = dynamic_cast<TFileContainer*>(Container()); fc && fc->HasFetchedArchive())
            return fc->LocalArchivePath();
    }
    return TFileRelated::GetArchivePath();
}

void TCustomInstallFile::ReadInfoFromArchive()
{
    if (InfoFromArchive)
        return;
    const TDistributeType dist = distributeType();
    std::string path;
    if (dist == dtTraditional || (dist == dtTraditionalNet && !Net)) {
        path = TFileRelated::GetArchivePath();
    } else if (NeedsOwnArchive() && HasFetchedArchive()) {
        path = LocalFile.empty() ? FindLocalFile() : LocalFile;
    } else {
        auto* fc = dynamic_cast<TFileContainer*>(Container());
        if (!fc)
            throw IECustomInstallFile("%s cannot perform ReadInfoFromArchive because either no container is assigned "
                                      "or the container is not TFileContainer",
                { Name() });
        // A net file whose container fetches its archive only when it
        // installs has nothing to read yet: the net file list gave its size,
        // date and version, and the fetched archive is read at its install.
        if (!fc->HasFetchedArchive())
            return;
        path = fc->LocalArchivePath();
    }
    if (isBlank(path))
        throw IECustomInstallFile(kArchiveBlank, { fileName_ });

    TQrleCompress own;
    TQrleCompress* archive = &own;
    if (TQrleCompress& shared = SharedArchive(); win::text::equalsNoCase(shared.CompressedFile(), path))
        archive = &shared;
    else
        own.SetCompressedFile(path);
    const int index = archive->MemberIndexOfID(uniqueId_);
    if (index < 0)
        return; // the archive holds no member of this file
    const TFileHeader& header = archive->Headers().GetFileHeaders(index);
    ArchiveSize = header.CompressedSize;
    FileDate = header.Date;
    FileSize = header.Size;
    SetVersion(header.Version);
    InfoFromArchive = true;
}

void TCustomInstallFile::ReadInfoFromSource()
{
    win::File file;
    const std::string source = SourcePath();
    if (!file.open(
            machine(), source, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING))
        throw IECustomInstallFile(
            "Could not open or find the following file when trying to read the Size, Date, and Version :%s",
            { source });
    const std::int64_t size = file.size();
    FileSize = size > INT32_MAX ? INT32_MAX : std::int32_t(size);
    FileDate = 0;
    if (auto stamp = file.dosDateTime())
        FileDate = win::dosDateTimeToDateTime(*stamp).value_or(0);
    file.close();
    TVersionResource& reader = SharedVersionResource();
    reader.SetFileName(source);
    SetVersion(reader.VersionInfo().FileVersion);
}

bool TCustomInstallFile::DeclaresSelfRegistration()
{
    return declaresSelfRegistration(SourcePath());
}

// --- build-time work ---

void TCustomInstallFile::CompressFile()
{
    state_ = ifsCompress;
    TQrleCompress& archive = SharedArchive();
    auto finish = [&] {
        archive.OnAborted = nullptr;
        archive.OnStatus = nullptr;
        state_ = ifsNone;
        try {
            Broadcast(icWorkFinished, nullptr);
        } catch (...) {
            archive.Abort = true;
            throw;
        }
    };
    try {
        if (OnBeforeCompress)
            OnBeforeCompress(this);
        SendUp(icFileCompressBegins, this);
        const std::string path = GetArchivePath();
        if (isBlank(path))
            throw IECustomInstallFile(kArchiveBlank, { fileName_ });
        if (!Include)
            throw EAbort();
        const std::string dir = directoryOf(path);
        if (!dir.empty() && !machine().directoryExists(dir) && !machine().forceDirectories(dir))
            throw IECustomInstallFile("Cannot create the directory %s for the archive of %s", { dir, Name() });
        archive.SetCompressedFile(path);
        archive.OnAborted = [this](TComponent*) { ArchiveAborted(); };
        archive.OnStatus = [this](TQrleCompress&, TlzhFileStats& stats) { ArchiveStatus(stats); };
        archive.SetFilesToProcess(std::vector<std::string> { SourcePath() });
        archive.AddFiles(AddToArchive == lzcOnlyAdd, uniqueId_);
        TraceFileOrder(TOrderTrace::Compress, Name(), fileName_);
        Compressed = true;
        CompressedInto = path;
        if (OnAfterCompress)
            OnAfterCompress(this);
        SendUp(icFileCompressEnded, this);
    } catch (const EAbort&) {
        // ends this file only
    } catch (...) {
        try {
            finish();
        } catch (...) {
        }
        throw;
    }
    finish();
}

void TCustomInstallFile::CopyFile()
{
    state_ = ifsCopying;
    TQrleCompress& archive = SharedArchive();
    auto finish = [&] {
        archive.OnStatus = nullptr;
        state_ = ifsNone;
        Broadcast(icWorkFinished, nullptr);
    };
    try {
        if (OnBeforeCopy)
            OnBeforeCopy(this);
        SendUp(icFileCopyBegins, this);
        if (!Include)
            throw EAbort();
        CheckDestDirNotBlank();
        const std::string destDir = GetDestPath();
        if (!machine().directoryExists(destDir) && !machine().forceDirectories(destDir))
            throw IECustomInstallFile("Cannot create the directory %s for %s: %s",
                { destDir, DestinationPath(), win::errorText(win::lastError()) });
        archive.Overwrite = OverwriteMode;
        archive.OnStatus = [this](TQrleCompress&, TlzhFileStats& stats) { ArchiveStatus(stats); };
        // A stopped copy leaves no partial file and is reported, not taken
        // for a finished one.
        if (!archive.CopyPlain(SourcePath(), DestinationPath()))
            throw EAIUserAbort();
        if (OnAfterCopy)
            OnAfterCopy(this);
        SendUp(icFileCopyEnded, this);
    } catch (const EAbort&) {
    } catch (...) {
        try {
            finish();
        } catch (...) {
        }
        throw;
    }
    finish();
}

// --- design rules ---

TCustomInstallFile::Proposal TCustomInstallFile::current() const
{
    return Proposal { Container(), fileName_, destName_, includeFromDir_, DestDir(), DestDirType(), fileType_,
        activeX_ };
}

void TCustomInstallFile::applyRules(Proposal p)
{
    const Proposal old = current();
    if (p.Container && !ObjectIs(p.Container, "TFileContainer"))
        throw IECustomInstallFile("The following TInstallFile component %s requires the Container property to be a "
                                  "component descended from the TFileContainer component",
            { Name() });

    const bool sourceChanged = p.FileName != old.FileName || p.IncludeFromDir != old.IncludeFromDir;
    if (p.Container && (p.Container != old.Container || sourceChanged)) {
        const std::string source = AddBackslash(p.IncludeFromDir) + p.FileName;
        for (int i = 0; i < p.Container->ChildCount(); ++i) {
            auto* other = dynamic_cast<TCustomInstallFile*>(p.Container->Children(i));
            if (other && other != this && win::text::equalsNoCase(other->SourcePath(), source))
                throw IEfcDuplicateFile("There is already a file with the name :%s", { source });
        }
    }
    if (p.FileName != old.FileName && !isBlank(p.FileName))
        p.DestName = p.FileName;

    bool registerAsHelp = RegisterAsHelp;
    const std::string ext = upperExtension(p.FileName);
    if (sourceChanged) {
        registerAsHelp = ext == ".HLP" || ext == ".CNT";
        p.ActiveX = ext == ".OCX" || declaresSelfRegistration(AddBackslash(p.IncludeFromDir) + p.FileName);
    }
    if (p.ActiveX && p.ActiveX != old.ActiveX)
        p.FileType = iftSystemWideDLL;

    TOverwriteType overwrite = OverwriteMode;
    bool updateCounter = UpdateDLLCounter;
    if (p.DestDirType != old.DestDirType && ext.size() == 4
        && (ext == ".DLL" || ext == ".OCX" || ext == ".BLL" || ext == ".EXE")) {
        if (ObjectIs(p.DestDirType, "TpsWindow") || ObjectIs(p.DestDirType, "TpsBDEDLL"))
            overwrite = owVersionDate;
        else if (ObjectIs(p.DestDirType, "TpsSystem"))
            p.FileType = iftSystemWideDLL;
    }
    if (p.FileType != old.FileType) {
        switch (p.FileType) {
        case iftJustADLL:
        case iftApplicationSpecificDLL:
            overwrite = owVersionDate;
            break;
        case iftVendorSharedDLL:
        case iftSystemWideDLL:
            updateCounter = true;
            overwrite = owVersionDate;
            break;
        case iftNormal:
            break;
        }
    }
    switch (p.FileType) {
    case iftApplicationSpecificDLL:
        p.DestDirType = StandardSpecifier<TpsMainInstall>();
        p.DestDir = "\\System";
        break;
    case iftVendorSharedDLL:
        p.DestDirType = StandardSpecifier<TpsCommonFiles>();
        p.DestDir = "\\System";
        break;
    case iftSystemWideDLL:
        p.DestDirType = StandardSpecifier<TpsSystem>();
        p.DestDir.clear();
        break;
    case iftNormal:
    case iftJustADLL:
        break;
    }

    // The checks of the specifier and the container run before anything is stored.
    if (p.DestDirType != old.DestDirType)
        TFileRelated::SetDestDirType(p.DestDirType);
    if (p.Container != old.Container)
        TFileRelated::SetContainer(p.Container);
    includeFromDir_ = p.IncludeFromDir;
    fileName_ = p.FileName;
    if (p.DestDir != DestDir())
        TFileRelated::SetDestDir(p.DestDir);
    destName_ = p.DestName;
    fileType_ = p.FileType;
    activeX_ = p.ActiveX;
    RegisterAsHelp = registerAsHelp;
    OverwriteMode = overwrite;
    UpdateDLLCounter = updateCounter;
}

template <typename T, typename Store>
void TCustomInstallFile::propose(T Proposal::*field, T value, Store storeWhileLoading)
{
    if (IsLoading()) {
        storeWhileLoading(value);
        return;
    }
    Proposal p = current();
    p.*field = std::move(value);
    applyRules(p);
}

void TCustomInstallFile::SetFileName(std::string_view Value)
{
    propose(&Proposal::FileName, std::string(Value), [this](const auto& v) { fileName_ = v; });
}

void TCustomInstallFile::SetDestName(std::string_view Value)
{
    propose(&Proposal::DestName, std::string(Value), [this](const auto& v) { destName_ = v; });
}

void TCustomInstallFile::SetIncludeFromDir(std::string_view Value)
{
    propose(&Proposal::IncludeFromDir, std::string(Value), [this](const auto& v) { includeFromDir_ = v; });
}

void TCustomInstallFile::SetFileType(TInstallFileType Value)
{
    propose(&Proposal::FileType, Value, [this](const auto& v) { fileType_ = v; });
}

void TCustomInstallFile::SetActiveX(bool Value)
{
    propose(&Proposal::ActiveX, Value, [this](const auto& v) { activeX_ = v; });
}

void TCustomInstallFile::SetDestDir(std::string_view Value)
{
    propose(&Proposal::DestDir, std::string(Value), [this](const auto& v) { TFileRelated::SetDestDir(v); });
}

void TCustomInstallFile::SetDestDirType(TCustomPathSpecifier* Value)
{
    propose(&Proposal::DestDirType, Value, [this](const auto& v) { TFileRelated::SetDestDirType(v); });
}

void TCustomInstallFile::SetContainer(TInstallContainer* Value)
{
    propose(&Proposal::Container, Value, [this](const auto& v) { TFileRelated::SetContainer(v); });
}

} // namespace installlib
