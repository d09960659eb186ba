#pragma once

// The registered type codes of the install objects and the information codes
// of the two message paths: negative codes are broadcast down to the direct
// children of a container, positive codes pass up the container chain to the
// engine.

namespace installlib {

// --- type codes (a container's children stand sorted by them) ---
constexpr int tcInstallGroup = 500;
constexpr int tcFileContainer = 1000; // also directories, the engine, the database-engine installer
constexpr int tcInstallFile = 2000; // also the uninstall program
constexpr int tcOdbcDrivers = 2750;
constexpr int tcOdbcSources = 2875;
constexpr int tcBdeAliases = 3000;
constexpr int tcIniFiles = 4000;
constexpr int tcShellLinkGroup = 7000;
constexpr int tcShellLink = 8000;
constexpr int tcRegistryKeys = 8500;
constexpr int tcLastPass = 8700;
constexpr int tcNeverInstalled = 9000; // dialogs, dialog managers, hook objects

// Only children of this type code or more receive a broadcast.
constexpr int tcBroadcastReceiver = 2000;

// One of the engine's passes after the walk of the tree: every object of the
// type code, in registry order, under the status text (none when null).
struct TTypePass {
    int TypeCode;
    const char* StatusText;
};

inline constexpr TTypePass EngineTypePasses[] = {
    { tcOdbcDrivers, "Installing ODBC drivers..." },
    { tcOdbcSources, "Installing ODBC sources..." },
    { tcBdeAliases, "Installing Borland Database Engine aliases..." },
    { tcShellLinkGroup, "Installing shell links..." },
    { tcShellLink, "Installing shell links..." },
    { tcIniFiles, "Installing INI files..." },
    { tcRegistryKeys, "Installing registry keys..." },
    { tcLastPass, nullptr },
};

// --- information codes going down (broadcast) ---
constexpr int icIncluded = -999;
constexpr int icFileProgress = -998; // TFileStatusParameter
constexpr int icReplacing = -997; // the file
constexpr int icWorkFinished = -996;
constexpr int icGoodInstallation = -995;
constexpr int icBadInstallation = -994;
constexpr int icNextDiskNeeded = -993; // two-entry list with TDiskParameter
constexpr int icContainerInstallStarts = -992;
constexpr int icProgramFolder = -991;
constexpr int icProcessBegins = -990;
constexpr int icProcessEnded = -989;
constexpr int icDownloadProgress = -988; // TDownloadStatusParameter
constexpr int icReboot = -987;
constexpr int icRunBegins = -986;
constexpr int icBeforeArchiveInfo = -984;
constexpr int icAfterArchiveInfo = -983;
constexpr int icWelcome = -982;
constexpr int icLicense = -981;
constexpr int icBeforeInstall = -980;
constexpr int icAfterGoodInstall = -979;
constexpr int icAfterBadInstall = -978;
constexpr int icReadme = -977;
constexpr int icRunSecond = -976;
constexpr int icRunThird = -975;
constexpr int icPushStatusText = -974; // TMessageParameter
constexpr int icPopStatusText = -973;
constexpr int icProcessShellLink = -970;
constexpr int icProcessShellLinkGroup = -969;
constexpr int icSelectDestination = -966;

// --- information codes going up (information chain) ---
constexpr int icFileInstalled = 1001; // the file
constexpr int icFileInstallBegins = 1002;
constexpr int icFileInUse = 1003;
constexpr int icFileCompressBegins = 1004;
constexpr int icFileCompressEnded = 1005;
constexpr int icFileCopyBegins = 1006;
constexpr int icFileCopyEnded = 1007;
constexpr int icInstallProgress = 1008; // two-entry list with TFileStatusParameter
constexpr int icCompressProgress = 1009;
constexpr int icCopyProgress = 1010;
constexpr int icNewDisk = 1011; // two-entry list with TDiskParameter
constexpr int icContainerWorkBegins = 1012; // the container
constexpr int icContainerWorkEnded = 1013;
constexpr int icDataReceived = 1014; // TDownloadStatusParameter
constexpr int icFileInstallAborted = 1015; // the file
constexpr int icFileKept = 1016; // the file

} // namespace installlib
