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

// A new folder in Directory for a build to write into: ~QBUILD1.TMP, ...
std::string stagingFolder(const std::string& Directory)
{
    for (int n = 1;; ++n) {
        const std::string folder = AddBackslash(Directory) + "~QBUILD" + std::to_string(n) + ".TMP";
        if (!machine().directoryExists(folder) && !machine().fileExists(folder))
            return folder;
    }
}

// Moves what a build wrote in From over the files of the same names in To
// (folders too); files.1 goes from To when the build made none.
void moveBuildInto(const std::string& From, const std::string& To)
{
    win::Machine& m = machine();
    if (!m.forceDirectories(To))
        throw IEInstall("Cannot create the build directory %s: %s", { To, win::errorText(win::lastError()) });
    for (const win::FindData& found : m.findFiles(AddBackslash(From) + "*")) {
        const std::string from = AddBackslash(From) + found.name;
        const std::string to = AddBackslash(To) + found.name;
        if (found.attributes & win::FILE_ATTRIBUTE_DIRECTORY)
            moveBuildInto(from, to);
        else if (!m.moveFileEx(from, to, win::MOVEFILE_REPLACE_EXISTING))
            throw IEInstall("Cannot move the new %s into %s: %s", { found.name, To, win::errorText(win::lastError()) });
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
    const std::string staging = stagingFolder(target);
    std::vector<std::string> created;
    if (!CreateFolders(staging, created))
        throw IEInstall("Cannot create the build directory %s: %s", { staging, win::errorText(win::lastError()) });
    try {
        buildInto(SetupProgram, staging, SelfExtracting);
        const bool withFiles = machine().fileExists(AddBackslash(staging) + "files.1");
        moveBuildInto(staging, target);
        if (!withFiles)
            machine().deleteFile(AddBackslash(target) + "files.1");
    } catch (...) {
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
