#pragma once

// Where the setup's files lie on the build machine (an emulated machine
// laid out by the build-machine seeder, tools/buildmachine.h) and the names
// the install script gives them. The script takes every product file from
// these folders when it builds (-b); on the target machine only the archives
// are read.

#include <string_view>

namespace tavixsetup {

// The setup program and BUILD.INF beside it.
inline constexpr std::string_view kSetupDir = "C:\\Tavix\\Setup";
inline constexpr std::string_view kSetupProgramName = "tavixsetup.exe";
// The first line of BUILD.INF: where -b writes setup.exe, setup.1 and files.1.
inline constexpr std::string_view kBuildDirectory = "c:\\build";

// The install library's folder: its marker, the loader, the uninstall
// program, the engine's configuration library and configuration template.
inline constexpr std::string_view kLibraryDir = "C:\\Quorle\\Lib";
inline constexpr std::string_view kBuildToolsRoot = "C:\\Quorle";
// The library search path as the build tools keep it.
inline constexpr std::string_view kLibrarySearchPath = "$(BUILDROOT)\\Bin;$(BUILDROOT)\\Lib";
inline constexpr std::string_view kUninstallProgramName = "uninstall.exe";
inline constexpr std::string_view kEngineConfigLibraryName = "IDAPINST.DLL";
inline constexpr std::string_view kEngineConfigTemplateName = "idapi32_40.cnf";

// The database engine's folder on the build machine (its DLLPATH).
inline constexpr std::string_view kEngineSourceDir = "C:\\Program Files\\Borland\\Common Files\\BDE";

// The product's source folders.
inline constexpr std::string_view kProductDir = "C:\\Tavix\\Product";
inline constexpr std::string_view kProductDataDir = "C:\\Tavix\\Product\\data";
inline constexpr std::string_view kProductLibraryDir = "C:\\Tavix\\Product\\library";
inline constexpr std::string_view kProductHelpDir = "C:\\Tavix\\Product\\Help";
inline constexpr std::string_view kProductPicturesDir = "C:\\Tavix\\Product\\Help\\Imagens";
inline constexpr std::string_view kProgramName = "tavixcat.exe";
// The shared system library the product needs.
inline constexpr std::string_view kSystemLibraryDir = "C:\\Tavix\\System";
inline constexpr std::string_view kSystemLibraryName = "SHLWAPI.dll";

// The product as the script names it on the target machine.
inline constexpr std::string_view kCompanyName = "Tavixsoft";
inline constexpr std::string_view kProductName = "Tavix Electronics 1.01a - Demo";
inline constexpr std::string_view kProductVersion = "1.01a";

} // namespace tavixsetup
