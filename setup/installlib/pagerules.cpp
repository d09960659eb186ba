#include "setup/installlib/pagerules.h"

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/format.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installcontainer.h"
#include "setup/installlib/openfolder.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/programmanager.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace installlib {

namespace {

// Characters the Program Manager's command strings give a meaning of their
// own (command brackets, argument lists, quotes) and the tab and line ends
// of its group file.
constexpr std::string_view ProgramManagerSyntax = "[](),\"";

// The parts of S between the separators, empty ones included.
std::vector<std::string> splitAll(std::string_view S, char Separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = S.find(Separator, start);
        parts.emplace_back(S.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// Why one folder name of a path cannot be; empty when it can.
std::string folderPartError(std::string_view Part)
{
    std::string error = FolderNameError(Part);
    if (!error.empty())
        return error;
    if (Part != win::text::trim(Part))
        return TranslateFormat("The folder name \"%s\" begins or ends with a blank", { std::string(Part) });
    if (Part.back() == '.')
        return TranslateFormat("The folder name \"%s\" ends with a dot", { std::string(Part) });
    return {};
}

bool isProgramMenu(const TInstallContainer& Group)
{
    return Group.DestDirType() && Group.DestDirType()->ClassType().InheritsFrom(TpsProgramMenu::StaticClass());
}

} // namespace

// --- destination directory ---------------------------------------------------------

std::string DestinationPathError(std::string_view Path, const win::Machine* Machine)
{
    // Blanks around the path are refused rather than trimmed: the page
    // stores the text as it was typed.
    const std::string path(Path);
    if (win::text::trim(path).empty())
        return TranslateText("Please enter the directory to install into.");
    if (path.size() < 3 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':' || path[2] != '\\')
        return TranslateFormat(
            "%s is not a full path. The directory must begin with a drive, as in C:\\Program Files.", { path });
    if (static_cast<int>(path.size()) > MaxDestinationLength)
        return TranslateFormat("The directory is longer than %d characters.", { MaxDestinationLength });
    if (Machine) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
        const auto drives = Machine->drives();
        if (std::none_of(drives.begin(), drives.end(), [&](const win::DriveInfo& d) { return d.letter == letter; }))
            return TranslateFormat("There is no drive %s: on this computer. Choose a directory on one of its drives.",
                { std::string(1, letter) });
    }
    if (path.size() == 3)
        return {}; // a drive's root
    for (const std::string& part : splitAll(RemoveBackslash(std::string_view(path).substr(3)), '\\')) {
        if (part.empty())
            return TranslateFormat("%s contains an empty folder name (two backslashes together).", { path });
        std::string error = folderPartError(part);
        if (!error.empty())
            return error;
    }
    return {};
}

std::string DestinationText(TInstallContainer& Engine)
{
    return Engine.GetDestPath();
}

void SetDestination(TInstallContainer& Engine, std::string_view Path)
{
    Engine.SetDestDirType(nullptr);
    Engine.SetDestDir(Path);
}

bool BrowseDestination(TInstallContainer& Engine, const TFolderBrowser& Browser)
{
    if (!Browser)
        return false;
    std::string directory = Engine.GetDestPath();
    win::Machine& machine = win::Machine::current();
    // The folders made only so that the browser can preselect the
    // destination, deepest first.
    std::vector<std::string> made;
    if (DestinationPathError(directory, &machine).empty()) {
        for (std::string level = RemoveBackslash(directory); level.size() > 3 && !machine.directoryExists(level);
             level = RemoveBackslash(ExtractFilePath(level)))
            made.push_back(level);
        try {
            if (!made.empty())
                CreateFolderPath(machine, made.front());
        } catch (const EOFDCreateFolder&) {
            made.clear(); // nothing was made: the browser starts further up
        }
    }
    struct RemoveMade {
        win::Machine& machine;
        const std::vector<std::string>& made;
        ~RemoveMade()
        {
            for (const std::string& level : made)
                if (!machine.removeDirectory(level))
                    break; // something was put inside it: it and its parents stay
        }
    } removeMade { machine, made };
    if (!Browser(directory))
        return false;
    SetDestination(Engine, RemoveBackslash(directory));
    return true;
}

// --- program folder ----------------------------------------------------------------

std::string ProgramFolderError(std::string_view Name)
{
    const std::string name(Name);
    if (win::text::trim(name).empty())
        return TranslateText("Please enter the name of the program folder.");
    for (char c : name)
        if (ProgramManagerSyntax.find(c) != std::string_view::npos || c == '\t')
            return TranslateFormat("A program folder name cannot contain any of these characters: %s",
                { "[ ] ( ) , \" \\ / : * ? < > |" });
    // A sub-folder path (Vendor\Product) is taken; a backslash at either end
    // or two together would name a folder outside the Programs menu's own
    // folders or none at all.
    for (const std::string& part : splitAll(name, '\\')) {
        if (part.empty())
            return TranslateFormat(
                "%s is not a folder name: a backslash may only stand between two folder names.", { name });
        std::string error = folderPartError(part);
        if (!error.empty())
            return error;
    }
    return {};
}

std::vector<std::string> ExistingProgramFolders()
{
    std::vector<std::string> folders;
    const int kind = GetWindowsKind();
    if (kind != wkWindows95 && kind != wkWindowsNT4) {
        ProgramManager().GetGroups(folders);
        std::erase_if(folders, [](const std::string& s) { return win::text::trim(s).empty(); });
    } else {
        folders = ListFolders(win::Machine::current(), GetProgramsDir());
    }
    std::sort(
        folders.begin(), folders.end(), [](const auto& a, const auto& b) { return win::text::compareNoCase(a, b) < 0; });
    return folders;
}

std::string ProgramFolderText(TInstallContainer& Group)
{
    if (!isProgramMenu(Group))
        return {};
    const std::string dir = RemoveBackslash(Group.DestDir());
    const auto slash = dir.find_last_of('\\');
    return slash == std::string::npos ? dir : dir.substr(slash + 1);
}

void SetProgramFolder(TInstallContainer& Group, std::string_view Name)
{
    Group.SetDestDirType(StandardSpecifier<TpsProgramMenu>());
    Group.SetDestDir("\\" + std::string(Name));
}

// --- reboot question ---------------------------------------------------------------

int RebootChoice()
{
    TCustomInstall* install = CurrentInstall();
    return install && install->Reboot ? 0 : 1;
}

void ChooseReboot(int Index)
{
    if (TCustomInstall* install = CurrentInstall())
        install->Reboot = Index == 0;
}

// --- status window -----------------------------------------------------------------

void TStatusMessageStack::Push(std::string Text)
{
    messages_.push_back(std::move(Text));
}

bool TStatusMessageStack::Pop()
{
    if (messages_.empty())
        return false;
    messages_.pop_back();
    return true;
}

TStatusLayout LayoutStatusWindow(
    const std::function<TTextSize(int WrapWidth)>& Measure, int Frame, int ClientHeight, int ScreenWidth)
{
    // Room left free on each side of the screen for a wrapped message.
    constexpr int ScreenMargin = 16;
    // Space above and below a wrapped message that no longer fits the
    // window's normal height.
    constexpr int WrapMargin = 10;
    TStatusLayout out;
    TTextSize line = Measure(0);
    out.Width = line.Width + Frame;
    out.Height = ClientHeight;
    out.LabelWidth = line.Width;
    out.LabelHeight = line.Height;
    const int widest = std::max(Frame + 1, ScreenWidth - 2 * ScreenMargin);
    if (ScreenWidth > 0 && out.Width > widest) {
        out.WordWrap = true;
        out.Width = widest;
        out.LabelWidth = widest - Frame;
        TTextSize wrapped = Measure(out.LabelWidth);
        out.LabelHeight = wrapped.Height;
        out.Height = std::max(ClientHeight, wrapped.Height + 2 * WrapMargin);
    }
    out.LabelTop = static_cast<int>(std::nearbyint(out.Height / 2.0 - out.LabelHeight / 2.0));
    out.Left = static_cast<int>(std::nearbyint(ScreenWidth / 2.0 - out.Width / 2.0));
    return out;
}

} // namespace installlib
