// Build mode: BUILD.INF, the setup archive, the loader copy and the
// compress of the whole tree into the distribution's archives.

#include "setup/installlib/buildmode.h"

#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/application.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/staletemporaries.h"
#include "setup/installlib/uninstalllog.h"

#include <memory>
#include <vector>

namespace installlib {

namespace {

constexpr int kCurrentUser = 2;
constexpr int kLocalMachine = 4;

win::Machine& machine()
{
    return win::Machine::current();
}

std::string fileNameOf(std::string_view Path)
{
    const size_t slash = Path.find_last_of("\\:");
    return std::string(slash == std::string_view::npos ? Path : Path.substr(slash + 1));
}

// The lines of a text file as a string list loads them.
std::vector<std::string> textLines(const std::string& Bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < Bytes.size(); ++i) {
        const char c = Bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < Bytes.size() && Bytes[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string replaceNoCase(std::string Text, std::string_view What, std::string_view With)
{
    if (What.empty())
        return Text;
    const std::string upperWhat = win::text::toUpper(What);
    size_t from = 0;
    for (;;) {
        const size_t at = win::text::toUpper(Text).find(upperWhat, from);
        if (at == std::string::npos)
            return Text;
        Text.replace(at, What.size(), With);
        from = at + With.size();
    }
}

// Packs one file into setup.1 through a temporary install file.
void packIntoSetupArchive(const std::string& Source, const std::string& Setup1, TlzhCommand Command)
{
    auto file = std::make_unique<TInstallFile>(nullptr, Source);
    file->Net = false;
    file->AddToArchive = Command;
    file->SetArchiveFileType(nullptr);
    file->SetArchiveFile(Setup1);
    file->CompressFile();
}

constexpr std::string_view kStagingPrefix = "~QBUILD";
constexpr std::string_view kStagingExtension = ".TMP";
// In a build's folder: the files its move-in replaces, kept until it is done.
constexpr std::string_view kAsideFolder = "~QOLD.TMP";

// ~QBUILD<n>.TMP: the folder a build writes into.
bool isStagingName(const std::string& Name)
{
    const std::string name = win::text::toUpper(Name);
    if (name.size() <= kStagingPrefix.size() + kStagingExtension.size() || !name.starts_with(kStagingPrefix)
        || !name.ends_with(kStagingExtension))
        return false;
    const std::string digits
        = name.substr(kStagingPrefix.size(), name.size() - kStagingPrefix.size() - kStagingExtension.size());
    return digits.find_first_not_of("0123456789") == std::string::npos;
}

// A new folder in Directory for a build to write into: ~QBUILD1.TMP, ...
std::string stagingFolder(const std::string& Directory)
{
    for (int n = 1;; ++n) {
        const std::string folder = AddBackslash(Directory) + std::string(kStagingPrefix) + std::to_string(n)
            + std::string(kStagingExtension);
        if (!machine().directoryExists(folder) && !machine().fileExists(folder))
            return folder;
    }
}

// The files below Folder, in its subfolders too, relative to it; the files
// a move-in put aside are not among them.
void listFiles(const std::string& Folder, const std::string& Prefix, std::vector<std::string>& Files)
{
    for (const win::FindData& found : machine().findFiles(AddBackslash(Folder) + "*")) {
        if (found.attributes & win::FILE_ATTRIBUTE_DIRECTORY) {
            if (Prefix.empty() && found.name == kAsideFolder)
                continue;
            listFiles(AddBackslash(Folder) + found.name, Prefix + found.name + "\\", Files);
        } else {
            Files.push_back(Prefix + found.name);
        }
    }
}

bool moveFile(const std::string& From, const std::string& To)
{
    win::Machine& m = machine();
    return m.forceDirectories(RemoveBackslash(ExtractFilePath(To))) && m.moveFileEx(From, To, 0);
}

// Moves the build written in Staging into Target, all or nothing: first the
// files it replaces (and Target's files.1 when the build made none) go aside
// into the staging folder, then the new ones go in. On a failure what
// moved goes back, and the error says whether Target is as it was.
void moveBuildInto(const std::string& Staging, const std::string& Target, bool WithFiles)
{
    win::Machine& m = machine();
    if (!m.forceDirectories(Target))
        throw IEInstall("Cannot create the build directory %s: %s", { Target, win::errorText(win::lastError()) });
    const std::string from = AddBackslash(Staging);
    const std::string to = AddBackslash(Target);
    const std::string aside = from + std::string(kAsideFolder) + "\\";
    std::vector<std::string> files;
    listFiles(Staging, {}, files);
    std::vector<std::string> replaced = files;
    if (!WithFiles)
        replaced.push_back("files.1");
    std::vector<std::string> movedAside, movedIn;
    auto putBack = [&](const std::string& Failed, uint32_t Error) {
        bool restored = true;
        for (auto name = movedIn.rbegin(); name != movedIn.rend(); ++name)
            restored = moveFile(to + *name, from + *name) && restored;
        for (auto name = movedAside.rbegin(); name != movedAside.rend(); ++name)
            restored = moveFile(aside + *name, to + *name) && restored;
        if (restored)
            throw IEInstall("Cannot move the new %s into %s: %s The build directory holds the files it held before.",
                { Failed, Target, win::errorText(Error) });
        throw IEInstall("Cannot move the new %s into %s: %s Files of the earlier build that could not be put back are "
                        "in %s.",
            { Failed, Target, win::errorText(Error), RemoveBackslash(aside) });
    };
    for (const std::string& name : replaced) {
        if (!m.fileExists(to + name))
            continue;
        // A read-only file is not replaced, as a move over it would not be.
        if (m.fileAttributes(to + name) & win::FILE_ATTRIBUTE_READONLY)
            putBack(name, win::ERROR_ACCESS_DENIED);
        if (!moveFile(to + name, aside + name))
            putBack(name, win::lastError());
        movedAside.push_back(name);
    }
    for (const std::string& name : files) {
        if (!moveFile(from + name, to + name))
            putBack(name, win::lastError());
        movedIn.push_back(name);
    }
}

// Removes the folders of earlier builds into Target that no longer run
// (killed): one whose move-in had begun is finished first, so Target never
// stays half old, half new.
void removeEndedBuilds(const std::string& Target)
{
    win::Machine& m = machine();
    for (const win::FindData& found : m.findFiles(AddBackslash(Target) + "~QBUILD*.TMP")) {
        const std::string folder = AddBackslash(Target) + found.name;
        if (!(found.attributes & win::FILE_ATTRIBUTE_DIRECTORY) || !isStagingName(found.name) || m.isHeld(folder))
            continue;
        if (m.directoryExists(AddBackslash(folder) + std::string(kAsideFolder))) {
            std::vector<std::string> files;
            listFiles(folder, {}, files);
            for (const std::string& name : files)
                m.moveFileEx(AddBackslash(folder) + name, AddBackslash(Target) + name, win::MOVEFILE_REPLACE_EXISTING);
        }
        RemoveFolderTree(folder);
    }
}

} // namespace

std::string FindQuorleDir(bool RaiseIfMissing)
{
    const std::string searchPath
        = RegistryReadString(kCurrentUser, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, std::string_view());
    const std::string root = RemoveBackslash(
        win::text::trim(RegistryReadString(kLocalMachine, kBuildToolsKey, kBuildToolsRootValue, std::string_view())));
    std::vector<std::string> entries;
    SplitDelimited(searchPath, ';', entries);
    for (std::string entry : entries) {
        entry = win::text::trim(replaceNoCase(entry, kBuildToolsRootMacro, root));
        if (entry.empty())
            continue;
        const std::string directory = RemoveBackslash(entry);
        if (machine().fileExists(AddBackslash(directory) + std::string(kQuorleMarkerFile)))
            return directory;
    }
    if (RaiseIfMissing)
        throw IENoQuorlePath("The Quorle library directory (the one holding %s) was not found on the library search "
                             "path",
            { std::string(kQuorleMarkerFile) });
    return {};
}

void TCustomInstall::BuildFromBuildInf()
{
    try {
        const std::string buildInf = AddBackslash(OwnDirectory()) + "BUILD.INF";
        std::string bytes;
        if (!machine().fileExists(buildInf) || !machine().readFile(buildInf, bytes))
            throw IEInstall("Need to have a BUILD.INF file in this directory with the first line specifying the "
                            "build directory");
        const std::vector<std::string> lines = textLines(bytes);
        // A blank first line would build into the root of the current drive.
        if (lines.empty() || win::text::trim(lines[0]).empty())
            throw IEInstall("Must be 1 line in BUILD.INF. This line should specify the build directory");
        BuildSetup(ProgramFile(), win::text::trim(lines[0]), true);
    } catch (const std::exception& e) {
        failed_ = true;
        ui::MessageService::current().error(Application().Title, e.what());
    }
    Application().Terminate();
}

void TCustomInstall::BuildSetup(std::string_view SetupProgram, std::string_view BuildDir, bool SelfExtracting)
{
    if (SelfExtracting && !useLoadingProgram_)
        throw IEInstall("Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall is "
                        "set to False");
    // Written aside and moved in when all of it is there: a failed build
    // leaves the build directory as it was.
    const std::string target = RemoveBackslash(BuildDir);
    if (machine().directoryExists(target))
        removeEndedBuilds(target);
    const std::string staging = stagingFolder(target);
    std::vector<std::string> created;
    if (!CreateFolders(staging, created))
        throw IEInstall("Cannot create the build directory %s: %s", { staging, win::errorText(win::lastError()) });
    // Held while this build runs: a later build leaves the folder alone.
    win::Machine::Hold running = machine().hold(staging);
    try {
        buildInto(SetupProgram, staging, SelfExtracting);
        moveBuildInto(staging, target, machine().fileExists(AddBackslash(staging) + "files.1"));
    } catch (...) {
        // Files of the earlier build that could not be put back stay with it.
        std::vector<std::string> kept;
        listFiles(AddBackslash(staging) + std::string(kAsideFolder), {}, kept);
        if (kept.empty())
            RemoveFolderTree(staging);
        for (auto dir = created.rbegin(); dir != created.rend(); ++dir)
            machine().removeDirectory(*dir); // only those it made, and only when empty
        throw;
    }
    RemoveFolderTree(staging);
}

void TCustomInstall::buildInto(std::string_view SetupProgram, const std::string& BuildDir, bool SelfExtracting)
{
    const std::string directory = AddBackslash(BuildDir);
    const std::string setupExe = directory + "setup.exe";
    const std::string setup1 = directory + "setup.1";
    const std::string files1 = directory + "files.1";

    CopyLoaderProgram(BuildDir, SetupProgram);

    const TArchiveSettings saved = SaveArchiveSettings();
    try {
        SetArchiveFileType(nullptr);
        SetArchiveFile(files1);
        // files.1 is made anew: members of an earlier build must not stay in it.
        AddToArchive = lzcOverwrite;
        TCustomInstallFileList& files = InstallFileList();
        for (int i = 0; i < files.Count(); ++i) {
            if (auto* file = dynamic_cast<TCustomInstallFile*>(files.Items(i))) {
                file->Compressed = false;
                file->CompressedInto.clear();
            }
        }
        switch (distributeType_) {
        case dtTraditional:
            Compress(coRelocateArchives | coBuild | coForceNetFilesLocal | coIncludeExcluded);
            break;
        case dtWeb:
            Compress(coRelocateArchives | coBuild | coForceFilesNet | coIncludeExcluded);
            WriteFileList();
            break;
        case dtTraditionalNet:
            Compress(coRelocateArchives | coBuild | coIncludeExcluded);
            WriteFileList();
            break;
        }
    } catch (...) {
        RestoreArchiveSettings(saved);
        throw;
    }
    RestoreArchiveSettings(saved);

    if (SelfExtracting)
        WriteSelfExtractor(setupExe, setup1, files1);
}

void TCustomInstall::CopyLoaderProgram(std::string_view BuildDir, std::string_view SetupProgram)
{
    if (!useLoadingProgram_) {
        const std::string target = AddBackslash(BuildDir) + fileNameOf(SetupProgram);
        if (!machine().forceDirectories(std::string(BuildDir))
            || !machine().copyFile(std::string(SetupProgram), target, false))
            throw IEInstall("Cannot copy the installation application from %s to %s", { SetupProgram, target });
        return;
    }

    try {
        CreateSetupArchive(BuildDir, SetupProgram);
    } catch (const EqcDiskFull&) {
        throw IEInstall("The disk that you have specified has been determined to be either too full or is corrupt "
                        "while trying to copy the SETUP.1 archive file. You should probably clear all files off of "
                        "the drive. Minimally, you should leave enough space on the drive for the SETUP.1 archive "
                        "file.");
    }
    std::string quorleDir;
    try {
        quorleDir = FindQuorleDir(true);
    } catch (const std::exception&) {
        throw IEInstall("The HKEY_LOCAL_MACHINE | %s key in the registry is either missing or points to an invalid "
                        "Quorle directory",
            { "\\Software\\Brenlow\\Q32V40" });
    }
    const std::string loader = AddBackslash(quorleDir) + std::string(kLoaderProgram);
    if (!machine().fileExists(loader))
        throw IEInstall("The loader program %s was not found", { loader });
    const std::string target = AddBackslash(BuildDir) + "setup.exe";
    if (!machine().copyFile(loader, target, false))
        throw IEInstall("Cannot copy the loading program from %s to %s", { loader, target });
}

void TCustomInstall::CreateSetupArchive(std::string_view BuildDir, std::string_view SetupProgram)
{
    if (win::text::trim(SetupProgram).empty())
        throw IEInstall("Cannot create setup file. Executable is blank");
    const std::string program(SetupProgram);
    if (!machine().fileExists(program))
        throw IEInstall("TInstall: Cannot find the executable file %s", { program });
    const std::string setup1 = AddBackslash(BuildDir) + "setup.1";
    packIntoSetupArchive(program, setup1, lzcOverwrite);
    for (const std::string& entry : presetupFiles_) {
        if (!machine().fileExists(entry))
            throw IEInstall("TInstall: Cannot find the executable file %s", { entry });
        packIntoSetupArchive(entry, setup1, lzcOnlyAdd);
    }
}

} // namespace installlib
