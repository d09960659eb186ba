// The loader a setup starts with. Started as setup.exe, either as the
// self-extracting file (the loader followed by setup.1, files.1 and the
// trailer) or beside setup.1 and files.1, it unpacks setup.1 into a new
// folder below the machine's Temp folder and starts the setup program (the
// archive's first member) there with:
//
//   -s<folder of setup.exe>  [-e<name of setup.exe>]  -c  [-f]  [other arguments]
//
// -e only for the self-extracting file, -f when the loader was given
// *TODISK; every other argument is passed on after these. The loader waits
// for the setup and ends with its exit code. It runs as a program of the
// emulated machine (win/program.h): the machine's root and its own path on
// the machine come from the environment, or
//
//   loader --winroot DIR --self C:\path\setup.exe [arguments]

#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/routines.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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

int run(std::vector<std::string> args)
{
    std::string root, self;
    std::vector<std::string> passOn;
    bool toDisk = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--winroot" && i + 1 < args.size()) {
            root = args[++i];
        } else if (args[i] == "--self" && i + 1 < args.size()) {
            self = args[++i];
        } else if (win::text::equalsNoCase(args[i], "*TODISK")) {
            toDisk = true;
            passOn.push_back(args[i]);
        } else {
            passOn.push_back(args[i]);
        }
    }
    auto machine = win::openProgramMachine(root);
    win::Machine::setCurrent(machine);
    if (self.empty())
        self = machine->moduleFileName();
    if (self.empty() || !machine->fileExists(self))
        throw std::runtime_error("The loader does not know its own file on the machine (TAVIX_WINPROGRAM)");
    self = machine->fullPathName(self);
    const std::string sourceDir = RemoveBackslash(ExtractFilePath(self));

    InstallLibraryStartup();
    TSelfExtractInfo info;
    const bool selfExtracting = readTrailer(*machine, self, info);
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

    const std::string folder = newTempFolder(*machine);
    archive.ExtractDirectory = folder;
    archive.Overwrite = owAlways;
    archive.SetFilesToProcess(members);
    if (!archive.ExtractFiles())
        throw std::runtime_error("Unpacking the setup was stopped");
    const std::string setupProgram = AddBackslash(folder) + ExtractFileName(members.front());
    InstallLibraryShutdown();

    std::vector<std::string> setupArgs { "-s" + sourceDir };
    if (selfExtracting)
        setupArgs.push_back("-e" + ExtractFileName(self));
    setupArgs.push_back("-c");
    if (toDisk)
        setupArgs.push_back("-f");
    setupArgs.insert(setupArgs.end(), passOn.begin(), passOn.end());

    machine->setCurrentDirectory(folder);
    const int code = win::runProgramFile(*machine, setupProgram, setupArgs, folder);
    win::Machine::setCurrent(nullptr);
    if (code < 0)
        throw std::runtime_error(setupProgram + " is no program of this machine");
    return code;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "loader: %s\n", e.what());
        return 1;
    }
}
