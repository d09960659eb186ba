#pragma once

// What the folder browser needs without a window: the texts it borrows from
// the system libraries, the drives and folders of the emulated machine, the
// selection rules for a path, the rules for creating folders, and where the
// added create button and path edit are placed in the browse window.

#include "setup/installlib/exceptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {
class Machine;
}

namespace installlib {

// The texts of the folder browser, taken from the system libraries' string
// tables so that they follow the system's language.
class TOFDResourceStrings {
public:
    static std::string ButtonCaption(); // string 703 of "comdlg32.dll"
    static std::string InputCaption(); // the same text
    static std::string InputPrompt(); // string 8977 of "shell32.dll"
    static std::string DialogTitle(); // string 9248 of "shell32.dll", one empty argument
};

// A string of a system library's table; empty when the library or the string
// is missing. Texts longer than the 4096-character buffer are cut.
std::string LoadSystemString(std::string_view Library, int Id);

// A directory could not be created: an invalid path, a reserved name, a full
// or read-only drive, a file in the way.
class EOFDCreateFolder : public Exception {
public:
    using Exception::Exception;
};

// One drive of the machine as the browser lists it.
struct TOFDDrive {
    char Letter = 'C';
    std::string Path; // "C:\"
    std::string Text; // "C:"
    bool Removable = false;
};

std::vector<TOFDDrive> ListDrives(const win::Machine& Machine);
// The names of the folders directly inside Directory, sorted without case;
// empty for a missing directory.
std::vector<std::string> ListFolders(const win::Machine& Machine, const std::string& Directory);

// The path itself when it is an existing directory, else its nearest existing
// parent; empty when none exists (an unknown drive, a relative or blank text).
std::string NearestExistingDirectory(const win::Machine& Machine, std::string_view Path);
// What the tree is asked to select for Path: its nearest existing directory,
// with a trailing backslash only on a bare drive ("C:\"). Empty: select nothing.
std::string SelectionPath(const win::Machine& Machine, std::string_view Path);

// Why Name cannot be one new folder's name; empty when it can.
std::string FolderNameError(std::string_view Name);
// The levels of Path that are not there yet, deepest first: "C:\A\B" with
// only C:\A there gives C:\A\B. Drive roots never count.
std::vector<std::string> MissingFolders(const win::Machine& Machine, std::string_view Path);
// Creates Path with all its missing directories, or raises EOFDCreateFolder
// and creates nothing. Only absolute paths ("C:\...") are taken, so a typed
// relative text never lands in the program's current directory.
void CreateFolderPath(win::Machine& Machine, const std::string& Path);
// Parent with a trailing backslash followed by the checked Name; raises
// EOFDCreateFolder for a name that is no single valid folder name.
std::string NewFolderPath(const std::string& Parent, std::string_view Name);

// A rectangle relative to the browse window's top-left corner.
struct TOFDRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TOFDRect&) const = default;
};

// Where the added controls go, given what was found in the browse window.
struct TOFDPlacement {
    std::optional<TOFDRect> Tree; // moved up by 60 when the path edit is shown
    std::optional<TOFDRect> Button; // the create button's final rectangle
    std::optional<TOFDRect> Edit; // left, top and width of the path edit
};

TOFDPlacement PlaceAddedControls(const std::optional<TOFDRect>& Tree, const std::optional<TOFDRect>& Ok,
    const std::optional<TOFDRect>& Cancel, bool ShowCreateButton, bool ShowPathEdit);

} // namespace installlib
