#include "setup/installlib/uninstallexe.h"

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/grabcall.h"
#include "setup/installlib/install.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/uninstalllog.h"

#include <utility>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TUninstallEXE, TCustomInstallFile)

namespace {

// The file that marks the install library's directory.
const char* const kLibraryMarker = "Q32V40.TXT";

TLibraryDirectoryLookup& lookup()
{
    static TLibraryDirectoryLookup instance;
    return instance;
}

std::string defaultLibraryDirectory()
{
    // The build machine's library search path first, then the running
    // program's own directory.
    if (std::string dir = FindQuorleDir(false); !dir.empty())
        return dir;
    win::Machine& machine = win::Machine::current();
    const std::string program = machine.moduleFileName();
    const auto slash = program.find_last_of("\\/");
    if (slash != std::string::npos) {
        const std::string dir = program.substr(0, slash);
        if (machine.fileExists(dir + "\\" + kLibraryMarker))
            return dir;
    }
    throw IEUninstallEXE("The install library directory (the one holding %s) was not found", { kLibraryMarker });
}

} // namespace

void SetLibraryDirectoryLookup(TLibraryDirectoryLookup Lookup)
{
    lookup() = std::move(Lookup);
}

std::string LookUpLibraryDirectory()
{
    return lookup() ? lookup()() : defaultLibraryDirectory();
}

void RegisterUninstallClasses()
{
    RegisterClass(TUninstallEXE::StaticClass());
    RegisterClass(TGrabCall::StaticClass());
}

TUninstallEXE::TUninstallEXE(TComponent* Owner)
    : TCustomInstallFile(Owner)
{
    Net = true;
    if (!IsDesigning())
        return;
    std::string dir;
    try {
        dir = RemoveBackslash(LookUpLibraryDirectory());
    } catch (const std::exception&) {
        // Without the library directory the user picks the file by hand.
        return;
    }
    if (dir.empty() || !win::Machine::current().fileExists(AddBackslash(dir) + kUninstallProgramName))
        return;
    SetIncludeFromDir(dir);
    SetFileName(kUninstallProgramName);
    SetDestName(kUninstallProgramName);
}

TUninstallEXE::~TUninstallEXE()
{
    // Once the user has removed the uninstall program the engine must not
    // bring a new one back.
    if (TCustomInstall* engine = CurrentInstall())
        engine->BuildInfo.AddUninstallOnCreate = false;
}

void TUninstallEXE::InstallAhead()
{
    installedAhead_ = false;
    if (!IsIncludedForInstallType())
        return;
    for (auto* object = dynamic_cast<TInstallObject*>(Container()); object;
         object = dynamic_cast<TInstallObject*>(object->Container()))
        if (!object->IsIncludedForInstallType())
            return;
    // Past the check that its container was installed first.
    TInstallContainer::ProcessContainer();
    installedAhead_ = Installed();
}

void TUninstallEXE::ProcessContainer()
{
    if (std::exchange(installedAhead_, false))
        return;
    TCustomInstallFile::ProcessContainer();
}

void TUninstallEXE::WriteUninstallInfo(std::string_view Key)
{
    TInstallEngineInterface* engine = InstallEngine();
    if (!engine)
        throw IEUninstallEXE("%s could not write information about the uninstall to the registry because there "
                             "was no TInstall component",
            { Name() });
    const std::string product = win::text::trim(engine->ProductName());
    const std::string program = AddBackslash(RemoveBackslash(GetDestPath())) + DestName();
    // The program may be the first file into the product's folder.
    RecordFoldersCreated(Key);
    // An earlier install into another folder left its own uninstall
    // program there: it becomes one of the files to remove, so that
    // uninstall leaves nothing of either install.
    const std::string before = QuotedProgramOf(RegistryReadString(4, Key, "UninstallString", ""));
    if (!before.empty() && !win::text::equalsNoCase(before, program))
        ListInUninstallFiles(Key, before);
    RegistryWriteString(4, Key, "DisplayName", product);
    // Quoted: the program lies under "Program Files", whose blank would
    // otherwise end the program's name.
    RegistryWriteString(4, Key, "UninstallString", "\"" + program + "\" " + product);
}

} // namespace installlib
