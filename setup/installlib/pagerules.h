#pragma once

// What the library's ready-made pages decide without a window: the rules
// for a destination directory and a program folder, what the destination
// and program folder pages read from and write into the install tree, the
// reboot question's answer, and the status window's message stack and size.
// The Qt pages (ui/wizardpages.h, ui/progresswindows.h) show these.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace win {
class Machine;
}

namespace installlib {

class TInstallContainer;

// --- destination directory ---

// The longest destination directory: file names of 8.3 must still fit
// below it within the 260 characters of a Windows path.
inline constexpr int MaxDestinationLength = 247;

// Why Path cannot be the destination directory (empty, not a full path with
// a drive, too long, a character or folder name Windows refuses, and with
// Machine given a drive the machine does not have); empty when it can.
std::string DestinationPathError(std::string_view Path, const win::Machine* Machine = nullptr);

// Why the engine's destination cannot take the product, checked when Next
// is pressed: the rules above, a file where the destination or one of its
// folders would be, a folder that cannot be written, or a file of the
// product whose path below the destination would pass the longest path
// Windows takes; empty when it can. Looking for write access leaves
// nothing behind.
std::string DestinationError(TInstallContainer& Engine, win::Machine& Machine);

// The destination as the page shows it: the engine's destination path.
std::string DestinationText(TInstallContainer& Engine);
// A typed or chosen destination becomes the whole destination (no path
// specifier in front of it).
void SetDestination(TInstallContainer& Engine, std::string_view Path);

// Asks the user for a folder, starting at Directory (which need not exist);
// True with the chosen folder in Directory.
using TFolderBrowser = std::function<bool(std::string& Directory)>;
// Browse: the browser starts at the destination; a chosen folder becomes the
// destination without a trailing backslash (a drive's root keeps it). A
// browser can preselect only a
// folder that exists, so the destination's missing folders are made for the
// time it runs and removed afterwards when they are still empty; a
// destination that cannot be made starts the browser at its nearest
// existing folder.
bool BrowseDestination(TInstallContainer& Engine, const TFolderBrowser& Browser);

// --- program folder ---

// Why Name cannot be the program folder (empty, "." or "..", a separator
// that does not join two folder names, a character that Windows or the
// Program Manager's command syntax refuses); empty when it can.
std::string ProgramFolderError(std::string_view Name);

// The folders the user may choose from, sorted as the machine's language
// compares names (without case): the Program Manager's groups on Win32s and
// NT 3.5x, else the folders of the Programs menu.
std::vector<std::string> ExistingProgramFolders();

// The name the folder page shows for Group: the last folder of its DestDir
// when it lies in the Programs menu, else empty.
std::string ProgramFolderText(TInstallContainer& Group);
// The group goes to "\" Name in the Programs menu.
void SetProgramFolder(TInstallContainer& Group, std::string_view Name);

// --- reboot question ---

// The answer the reboot page shows: 0 "Yes" when the engine's Reboot is
// set, 1 "No" otherwise (also without an engine).
int RebootChoice();
// Index 0 sets the engine's Reboot, any other clears it.
void ChooseReboot(int Index);

// --- status window ---

// The status messages: each push shows its text, each pop goes back to the
// one before.
class TStatusMessageStack {
public:
    void Push(std::string Text);
    // False when the stack was empty (nothing changed).
    bool Pop();
    bool Empty() const { return messages_.empty(); }
    int Count() const { return static_cast<int>(messages_.size()); }
    // The top message; empty when there is none.
    std::string Current() const { return messages_.empty() ? std::string() : messages_.back(); }

private:
    std::vector<std::string> messages_;
};

// The status window's size and place for one message.
struct TStatusLayout {
    int Left = 0;
    int Width = 0;
    int Height = 0;
    int LabelTop = 0;
    int LabelWidth = 0;
    int LabelHeight = 0;
    bool WordWrap = false;
    bool operator==(const TStatusLayout&) const = default;
};

// The window is as wide as the message on one line plus Frame (the lefts
// of the panels and the label, and a margin) and centred on the screen.
// A message too wide for the screen wraps at the widest the screen allows,
// and the window grows to the wrapped height. Measure gives the text's
// width and height, on one line for a wrap width of 0.
struct TTextSize {
    int Width = 0;
    int Height = 0;
};
TStatusLayout LayoutStatusWindow(const std::function<TTextSize(int WrapWidth)>& Measure, int Frame, int ClientHeight,
    int ScreenWidth);

} // namespace installlib
