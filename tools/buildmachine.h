#pragma once

// Lays out the build machine of the setup on an emulated Windows machine
// (setup/tavixsetup/buildlayout.h names every place):
//   C:\Tavix\Setup      the setup program and BUILD.INF ("c:\build")
//   C:\Quorle\Lib       the install library's folder: its marker file, the
//                       loader (QuorleLoadProgram.exe), the uninstall program,
//                       the engine's configuration library (IDAPINST.DLL) and
//                       configuration template, found through the build
//                       tools' library search path
//   the engine's folder its libraries and language drivers, named by the
//                       engine's DLLPATH
//   C:\Tavix\Product    the cross-reference program, its tables (data),
//                       readme (library), help pages and pictures (Help)
//   C:\Tavix\System     the shared system library the product installs
// The programs are program files of the machine that stand for the host
// programs given. Needs a QGuiApplication (the pictures are drawn with
// fonts). Throws std::runtime_error naming what could not be written.

#include "platform/win/machine.h"

#include <filesystem>

namespace sampledata {

struct BuildMachinePrograms {
    std::filesystem::path setup; // tavixsetup
    std::filesystem::path loader;
    std::filesystem::path uninstall;
    std::filesystem::path product; // tavixcat
    std::filesystem::path engineConfigLibrary; // the engine's configuration library (a host shared object)
};

void seedBuildMachine(win::Machine& machine, const BuildMachinePrograms& programs);

// The shared system library as the product ships it: a PE image whose
// version resource says 4.72.3110.0.
std::string systemLibraryImage();

// An engine library or language driver as the build machine has it: a PE
// image whose version resource says 4.0.0.1 and names the file.
std::string engineFileImage(const std::string& name);

// The engine's configuration template in the library folder.
std::string engineConfigTemplate();

} // namespace sampledata
