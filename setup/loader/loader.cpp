#include "setup/loader/loader.h"

#include "platform/ui/message_service.h"
#include "platform/win/program.h"
#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/singlesetup.h"
#include "setup/installlib/staletemporaries.h"

#include <stdexcept>

namespace tavixloader {

namespace {

using namespace installlib;

// A failure of the loader, its text naming the file and the cause.
class LoaderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The length of the program header the loader's own file begins with;
// every byte after it belongs to a self-extracting setup.
size_t programHeaderLength(const std::string& bytes)
{
    if (!win::hostProgramOf(bytes))
        return bytes.size();
    return bytes.find('\n', win::kProgramFileMagic.size()) + 1;
}

// Where setup.1 lies: inside the self-extracting file (its trailer read),
// or beside a bare loader.
struct SetupArchive {
    bool selfExtracting = false;
    TSelfExtractInfo info;
    std::string path; // the file that holds setup.1
};

SetupArchive findSetupArchive(win::Machine& machine, const std::string& self, const std::string& sourceDir)
{
    SetupArchive found;
    std::string bytes;
    if (!machine.readFile(self, bytes))
        throw LoaderError("Cannot read the setup program " + self + ": " + win::errorText(win::lastError()));
    const size_t trailerSize = size_t(kSelfExtractTrailerSize);
    const size_t header = programHeaderLength(bytes);
    if (bytes.size() >= header + trailerSize
        && bytes.compare(bytes.size() - trailerSize + 1, kSelfExtractSignature.size(), kSelfExtractSignature) == 0) {
        found.selfExtracting = true;
        found.path = self;
        found.info = TSelfExtractInfo::FromBytes(std::string_view(bytes).substr(bytes.size() - trailerSize));
        const auto end = std::int64_t(bytes.size() - trailerSize);
        const TSelfExtractInfo& info = found.info;
        if (info.Setup1First <= 0 || info.Setup1Last < info.Setup1First || info.Setup1Last >= end)
            throw LoaderError("The self-extracting setup " + self
                + " is damaged: the table at its end points outside the file. Copy " + ExtractFileName(self) + " again.");
        return found;
    }
    if (bytes.size() > header)
        throw LoaderError("The self-extracting setup " + self
            + " is damaged or incomplete: the table at its end that locates the setup archive is missing. Copy "
            + ExtractFileName(self) + " again.");
    found.path = AddBackslash(sourceDir) + "setup.1";
    if (!machine.fileExists(found.path))
        throw LoaderError("The setup archive " + found.path + " is missing. It must be in the same folder as "
            + ExtractFileName(self) + ".");
    return found;
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
    throw LoaderError("Cannot create a folder for the setup in the temporary folder " + RemoveBackslash(temp) + ": "
        + win::errorText(win::lastError()));
}

// Unpacks every member of the setup archive into folder; the setup
// program's path there.
std::string unpack(const SetupArchive& source, const std::string& folder)
{
    TQrleCompress archive;
    std::vector<std::string> members;
    try {
        archive.SetCompressedFile(source.path);
        archive.ArchiveName = "setup.1";
        if (source.selfExtracting)
            archive.Offset = source.info.Setup1First;
        if (archive.MemberCount() < 1)
            throw LoaderError("The setup archive in " + source.path + " holds no setup program.");
        for (int i = 0; i < archive.MemberCount(); ++i)
            members.push_back(archive.Headers().GetFileHeaders(i).SourcePath);
    } catch (const LoaderError&) {
        throw;
    } catch (const std::exception& e) {
        throw LoaderError("The setup archive in " + source.path + " is damaged: " + e.what());
    }
    archive.ExtractDirectory = folder;
    archive.Overwrite = owAlways;
    archive.SetFilesToProcess(members);
    try {
        if (!archive.ExtractFiles())
            throw LoaderError("Unpacking the setup from " + source.path + " into " + folder + " was stopped.");
    } catch (const EqcDiskFull& e) {
        throw LoaderError("There is not enough room in the temporary folder " + folder + " to unpack the setup from "
            + source.path + ". " + e.what() + " Free some space on that drive and start the setup again.");
    } catch (const LoaderError&) {
        throw;
    } catch (const std::exception& e) {
        // The archive's own text names the archive, the member and the file.
        throw LoaderError(std::string("Cannot unpack the setup. ") + e.what());
    }
    return AddBackslash(folder) + ExtractFileName(members.front());
}

int runLoader(win::Machine& Machine, const std::string& Self, const std::vector<std::string>& Arguments,
    const TSetupLauncher& Launch)
{
    win::Machine* machine = &Machine;
    if (Self.empty() || !machine->fileExists(Self))
        throw LoaderError("The setup program " + Self + " is not on the machine.");
    // Taken before anything is unpacked, and handed on to the setup: no
    // other loader unpacks while this setup starts and runs.
    const TSetupHold setupHold(*machine, false);
    if (!setupHold.Holding())
        throw LoaderError(setupHold.Refusal());
    const std::string self = machine->fullPathName(Self);
    const std::string sourceDir = RemoveBackslash(ExtractFilePath(self));
    bool toDisk = false;
    for (const auto& argument : Arguments)
        toDisk = toDisk || win::text::equalsNoCase(argument, "*TODISK");

    const bool started = InstallLibraryStarted();
    if (!started)
        InstallLibraryStartup();
    SetupArchive source;
    std::string setupProgram, folder;
    // Held while the setup runs from it: another setup's clean-up of what
    // killed runs left behind leaves a held folder alone.
    win::Machine::Hold inUse;
    try {
        source = findSetupArchive(*machine, self, sourceDir);
        folder = newTempFolder(*machine);
        inUse = machine->hold(folder);
        setupProgram = unpack(source, folder);
    } catch (...) {
        if (!folder.empty())
            RemoveFolderTree(folder); // with what was unpacked so far
        if (!started)
            InstallLibraryShutdown();
        throw;
    }
    if (!started)
        InstallLibraryShutdown();

    TSetupStart start { setupProgram, { "-s" + sourceDir }, folder, {} };
    if (source.selfExtracting)
        start.Arguments.push_back("-e" + ExtractFileName(self));
    start.Arguments.push_back("-c");
    if (toDisk)
        start.Arguments.push_back("-f");
    start.Arguments.insert(start.Arguments.end(), Arguments.begin(), Arguments.end());
    if (std::string handOn = setupHold.HandOn(); !handOn.empty())
        start.Environment.push_back(std::move(handOn));
    machine->setCurrentDirectory(folder);
    // The folder goes however the setup ended, unless its restart needs it.
    int result;
    try {
        result = Launch(start);
    } catch (...) {
        inUse.release();
        RemoveEndedLoaderFolder(folder);
        throw;
    }
    inUse.release();
    RemoveEndedLoaderFolder(folder);
    return result;
}

} // namespace

int RunLoader(win::Machine& Machine, const std::string& Self, const std::vector<std::string>& Arguments,
    const TSetupLauncher& Launch)
{
    try {
        return runLoader(Machine, Self, Arguments, Launch);
    } catch (const std::exception& e) {
        ui::MessageService::current().error(kLoaderCaption, e.what());
        return 1;
    }
}

} // namespace tavixloader
