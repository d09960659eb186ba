#pragma once

// TUninstallEXE: the install file of the uninstall program. It is installed
// like any other file and, when its container has processed it, writes the
// product's entry in the Windows list of installed programs (the key
// "Uninstall\<product>" below the local machine's
// Software\Microsoft\Windows\CurrentVersion: "DisplayName" and
// "UninstallString"). It does not add itself to the "Files" list the other
// install files write: the uninstall program removes itself last.

#include "setup/installlib/installfile.h"

#include <functional>
#include <string>
#include <string_view>

namespace installlib {

class IEUninstallEXE : public IException {
public:
    using IException::IException;
};

// The name of the uninstall program in the library directory and on the user's machine.
inline constexpr const char* kUninstallProgramName = "uninstall.exe";

// Finds the install library's directory on the build machine (no trailing
// backslash); raises when there is none. The build mode may put its own
// search in place; the default takes the running program's directory when it
// holds the library's marker file "Q32V40.TXT".
using TLibraryDirectoryLookup = std::function<std::string()>;
void SetLibraryDirectoryLookup(TLibraryDirectoryLookup Lookup);
std::string LookUpLibraryDirectory();

class TUninstallEXE : public TCustomInstallFile {
public:
    INSTALLLIB_CLASS_INFO()
    // Net True. In design mode, "uninstall.exe" from the library directory
    // when it is there (a failed lookup is ignored).
    explicit TUninstallEXE(TComponent* Owner = nullptr);
    // Tells the engine not to add a new uninstall program to the script.
    ~TUninstallEXE() override;

    // "DisplayName" = the trimmed product name; "UninstallString" = the
    // destination directory, a backslash and DestName in double quotes, one
    // blank and the trimmed product name; the folders made for the program
    // go into the entry's folder record. Without an engine raises
    // IEUninstallEXE.
    void WriteUninstallInfo(std::string_view Key) override;

    // Installs the program ahead of the container walk, where the walk would
    // install it, so that the entry never names an uninstall program that is
    // not there yet; the walk then passes it by.
    void InstallAhead();
    void ProcessContainer() override;

private:
    bool installedAhead_ = false;
};

// Registers TUninstallEXE and TGrabCall by name (library start-up).
void RegisterUninstallClasses();

} // namespace installlib
