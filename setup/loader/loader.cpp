#include "setup/loader/loader.h"

#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/routines.h"

#include <stdexcept>

namespace tavixloader {

namespace {

using namespace installlib;


using namespace installlib;

// The trailer of a self-extracting file, when the file ends in one whose
// offsets lie inside it.
bool readTrailer(win::Machine& machine, const std::string& self, TSelfExtractInfo& info)
{
    std::string bytes;
    if (!machine.readFile(self, bytes) || bytes.size() < size_t(kSelfExtractTrailerSize))
        return false;
    const std::string trailer = bytes.substr(bytes.size() - size_t(kSelfExtractTrailerSize));
    if (trailer.compare(1, kSelfExtractSignature.size(), kSelfExtractSignature) != 0)
        return false;
    info = TSelfExtractInfo::FromBytes(trailer);
    const auto end = std::int64_t(bytes.size()) - kSelfExtractTrailerSize;
    return info.Setup1First > 0 && info.Setup1Last >= info.Setup1First && info.Setup1Last < end;
}

// A new folder below Temp: QS1, QS2, ... the first that is not there.
std::string newTempFolder(win::Machine& machine)
{
    const std::string temp = AddBackslash(machine.tempPath());
    machine.forceDirectories(temp);
    for (int n = 1; n < 10000; ++n) {
        const std::string folder = temp + "QS" + std::to_string(n);
        if (!machine.directoryExists(folder) && !machine.fileExists(folder) && machine.createDirectory(folder))
            return folder;
    }
    throw std::runtime_error("Cannot create a folder for the setup in " + temp);
}

} // namespace

int RunLoader(win::Machine& Machine, const std::string& Self, const std::vector<std::string>& Arguments,
    const TSetupLauncher& Launch)
{
    win::Machine* machine = &Machine;
    if (Self.empty() || !machine->fileExists(Self))
        throw std::runtime_error("The loader's own file " + Self + " is not on the machine");
    const std::string self = machine->fullPathName(Self);
    const std::string sourceDir = RemoveBackslash(ExtractFilePath(self));
    bool toDisk = false;
    for (const auto& argument : Arguments)
        toDisk = toDisk || win::text::equalsNoCase(argument, "*TODISK");

    const bool started = InstallLibraryStarted();
    if (!started)
        InstallLibraryStartup();
    TSelfExtractInfo info;
    const bool selfExtracting = readTrailer(*machine, self, info);
    std::string setupProgram, folder;
    try {
        TQrleCompress archive;
        if (selfExtracting) {
            archive.SetCompressedFile(self);
            archive.Offset = info.Setup1First;
        } else {
            const std::string setup1 = AddBackslash(sourceDir) + "setup.1";
            if (!machine->fileExists(setup1))
                throw std::runtime_error("The setup archive " + setup1 + " is missing");
            archive.SetCompressedFile(setup1);
        }
        if (archive.MemberCount() < 1)
            throw std::runtime_error("The setup archive holds no setup program");
        std::vector<std::string> members;
        for (int i = 0; i < archive.MemberCount(); ++i)
            members.push_back(archive.Headers().GetFileHeaders(i).SourcePath);
        folder = newTempFolder(*machine);
        archive.ExtractDirectory = folder;
        archive.Overwrite = owAlways;
        archive.SetFilesToProcess(members);
        if (!archive.ExtractFiles())
            throw std::runtime_error("Unpacking the setup was stopped");
        setupProgram = AddBackslash(folder) + ExtractFileName(members.front());
    } catch (...) {
        if (!started)
            InstallLibraryShutdown();
        throw;
    }
    if (!started)
        InstallLibraryShutdown();

    TSetupStart start { setupProgram, { "-s" + sourceDir }, folder };
    if (selfExtracting)
        start.Arguments.push_back("-e" + ExtractFileName(self));
    start.Arguments.push_back("-c");
    if (toDisk)
        start.Arguments.push_back("-f");
    start.Arguments.insert(start.Arguments.end(), Arguments.begin(), Arguments.end());
    machine->setCurrentDirectory(folder);
    return Launch(start);
}

} // namespace tavixloader
