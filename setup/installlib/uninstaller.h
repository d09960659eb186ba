#pragma once

// The work of the uninstall program: removes one product, on the current
// emulated machine, by the entry the install left under the key
// "Uninstall\<product>" of the local machine's
// Software\Microsoft\Windows\CurrentVersion.
//
//   TUninstallReport report = UninstallProduct("Tavix Electronics");
//
// The entry must be one this library wrote: "DisplayName" equal to the
// product name, "UninstallString" made of the uninstall program's path
// (quoted, or unquoted as older entries have it), one blank and the product
// name, and at least one "Files" or "ActiveX" list or the record of the
// folders the install made.
// Anything else is refused with EUninstall before a file is touched.
//
// Then, for every file and link the lists name ("Files", "Files1", ...,
// "ActiveX"), and the uninstall program itself at the end:
// - an entry that is no plain absolute file path (relative, wildcards, "."
//   or "..", a directory) is left alone and reported;
// - a file with a "SharedDLLs" counter that the entry's own "SharedDLLs"
//   list names loses one for every time the list names it (each install of
//   the product counted once) and stays while the counter is above zero;
//   the counter never goes below zero, it is removed; a counter above zero
//   that the entry does not name belongs to another product: the file and
//   its counter stay as they are;
// - a counter the entry names for a file its lists do not (the install found
//   the file and kept it) is released, and the file stays;
// - a file in the Windows directory tree without a counter is left (other
//   programs may use it), and so is a file in the root of a drive;
// - a self-registered file unregisters itself first (" /UNREGSERVER" or
//   "DllUnregisterServer");
// - a file that is no longer the one the install wrote (its size or hash
//   differs from the entry's "FileStamps", uninstalllog.h) stays where it is
//   and is reported; a file without a stamp is taken as before;
// - a file in use is removed at the next start of Windows;
// - its help-file registration goes when it names the file's directory.
// Folders: when the entry records the folders the install created
// ("Folders"), those go when empty, deepest first, and one that holds only
// what goes at the next start of Windows goes then as well; nothing else.
// An entry written before that record has the folders left empty removed up
// to, never including, the system's own folders (drive roots, Windows,
// System, Program Files, Common Files, the start menu, desktop and temporary
// folders). Last the entry is deleted, in one step with the shared counters
// and the engine's use count (and the uninstall program's removal at the
// next start), so that a run stopped part-way and run again releases each
// count once; when a file could not be removed, the entry stays (with the
// uninstall program) and its lists name only what is left, for a second run,
// rewritten in that one step as well. A running uninstall program is queued
// for the next start in that step; one not running goes after it.
// Links of the user's own that the install kept aside ("KeptLinks",
// uninstalllog.h) are put back, and a setup of the product waiting for the
// next start to finish (the entry's "QuorleResume") is withdrawn before
// any file goes, in a step of its own: its RunOnce command and run record,
// then its Temp folder. A later setup's newer copy
// of a removed file, waiting for the restart, goes with its move.

#include "setup/installlib/exceptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace installlib {

// The entry is missing, damaged or not one of this library's: nothing was removed.
class EUninstall : public Exception {
public:
    using Exception::Exception;
};

struct TUninstallReport {
    std::string Key; // the entry's key
    std::vector<std::string> Removed; // files and links deleted
    std::vector<std::string> RemovedAtRestart; // in use: deleted at the next start
    std::vector<std::string> RemovedDirectories;
    std::vector<std::string> Kept; // "path: reason"
    // Changed since the install wrote them (or kept by a later setup): left
    // where they are, "path: reason".
    std::vector<std::string> Changed;
    std::vector<std::string> Problems; // "entry: reason"
    std::vector<std::string> Left; // could not be removed; still listed in the entry
    // The user's own links the install kept aside, put back: "path: reason".
    std::vector<std::string> PutBack;
};

inline constexpr const char* kUninstallListKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

TUninstallReport UninstallProduct(std::string_view ProductName);

// Takes back what a first install of the product wrote before it failed or
// was cancelled, as UninstallProduct does, from the entry the run started
// under the product's key as the engine names it (which may still lack its
// name and command). Nothing when there is no such entry.
TUninstallReport UndoFailedInstall(std::string_view ProductName);

} // namespace installlib
