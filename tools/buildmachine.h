#pragma once

// Lays out the build machine of the setup on an emulated Windows machine
// (setup/tavixsetup/buildlayout.h names every place):
//   C:\Tavix\Setup      the setup program and BUILD.INF ("c:\build")
//   C:\Quorle\Lib       the install library's folder: its marker file, the
//                       loader (QuorleLoadProgram.exe), the uninstall program,
//                       found through the build tools' library search path
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
};

void seedBuildMachine(win::Machine& machine, const BuildMachinePrograms& programs);

// The shared system library as the product ships it: a PE image whose
// version resource says 4.72.3110.0.
std::string systemLibraryImage();

} // namespace sampledata
