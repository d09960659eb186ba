#include "setup/installlib/openfolder.h"

#include "platform/win/errors.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/format.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <algorithm>
#include <cctype>

namespace installlib {

namespace {

struct TSystemString {
    const char* Library;
    int Id;
    const char* Text;
};

// The English string tables of the system libraries, as far as the library
// uses them. A language without its own table reads these.
constexpr TSystemString SystemStrings[] = {
    { "comdlg32.dll", 703, "New Folder" },
    { "shell32.dll", 8977, "Type the name of the new folder:" },
    { "shell32.dll", 9248, "Choose a folder%s" },
};

constexpr size_t StringBufferSize = 4096;

bool IsDriveRoot(std::string_view Path)
{
    return Path.size() >= 2 && std::isalpha(static_cast<unsigned char>(Path[0])) && Path[1] == ':'
        && (Path.size() == 2 || (Path.size() == 3 && (Path[2] == '\\' || Path[2] == '/')));
}

bool IsAbsolute(std::string_view Path)
{
    return Path.size() >= 3 && std::isalpha(static_cast<unsigned char>(Path[0])) && Path[1] == ':'
        && (Path[2] == '\\' || Path[2] == '/');
}

bool IsDeviceName(std::string_view Name)
{
    std::string base = win::text::toUpper(win::text::trim(Name.substr(0, Name.find('.'))));
    for (const char* n : { "CON", "PRN", "AUX", "NUL" })
        if (base == n)
            return true;
    return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '1'
        && base[3] <= '9';
}

[[noreturn]] void RaiseCreate(const std::string& Path, const std::string& Reason)
{
    throw EOFDCreateFolder(TranslateFormat("Cannot create the directory %s: %s", { Path, Reason }));
}

} // namespace

std::string LoadSystemString(std::string_view Library, int Id)
{
    for (const auto& s : SystemStrings)
        if (Id == s.Id && win::text::equalsNoCase(Library, s.Library)) {
            std::string text = s.Text;
            if (text.size() > StringBufferSize - 1)
                text.resize(StringBufferSize - 1);
            return text;
        }
    return {};
}

std::string TOFDResourceStrings::ButtonCaption()
{
    return LoadSystemString("comdlg32.dll", 703);
}
std::string TOFDResourceStrings::InputCaption()
{
    return LoadSystemString("comdlg32.dll", 703);
}
std::string TOFDResourceStrings::InputPrompt()
{
    return LoadSystemString("shell32.dll", 8977);
}

std::string TOFDResourceStrings::DialogTitle()
{
    std::string text;
    // A system text that does not take the argument is shown as it stands.
    const std::string format = LoadSystemString("shell32.dll", 9248);
    if (!TryFormat(format, { std::string() }, text))
        text = format;
    return text;
}

std::vector<TOFDDrive> ListDrives(const win::Machine& Machine)
{
    std::vector<TOFDDrive> out;
    for (const auto& d : Machine.drives()) {
        TOFDDrive drive;
        drive.Letter = win::text::upper(d.letter);
        drive.Text = std::string(1, drive.Letter) + ":";
        drive.Path = drive.Text + "\\";
        drive.Removable = d.removable;
        out.push_back(drive);
    }
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.Letter < b.Letter; });
    return out;
}

std::vector<std::string> ListFolders(const win::Machine& Machine, const std::string& Directory)
{
    std::vector<std::string> out;
    if (Directory.empty() || !Machine.directoryExists(Directory))
        return out;
    for (const auto& f : Machine.findFiles(AddBackslash(Directory) + "*"))
        if (f.attributes & win::FILE_ATTRIBUTE_DIRECTORY)
            out.push_back(f.name);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return win::text::compareNoCase(a, b) < 0; });
    return out;
}

std::string NearestExistingDirectory(const win::Machine& Machine, std::string_view Path)
{
    std::string path = win::text::trim(Path);
    // Each step drops the last component, so the loop ends on every input.
    while (!path.empty()) {
        if (IsAbsolute(path) || IsDriveRoot(path)) {
            const std::string probe = IsDriveRoot(path) ? path.substr(0, 2) + "\\" : path;
            if (Machine.directoryExists(probe))
                return path;
        }
        const size_t slash = path.find_last_of("\\/");
        if (slash == std::string::npos)
            return {};
        path.resize(slash);
    }
    return {};
}

std::string SelectionPath(const win::Machine& Machine, std::string_view Path)
{
    std::string nearest = NearestExistingDirectory(Machine, Path);
    if (nearest.empty())
        return {};
    return nearest.size() > 3 ? RemoveBackslash(nearest) : AddBackslash(nearest);
}

std::string FolderNameError(std::string_view Name)
{
    const std::string trimmed = win::text::trim(Name);
    if (trimmed.empty())
        return TranslateText("The folder name is empty");
    if (trimmed == "." || trimmed == "..")
        return TranslateFormat("%s is not a folder name", { trimmed });
    for (char c : trimmed) {
        if (static_cast<unsigned char>(c) < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return TranslateFormat(
                "A folder name cannot contain any of these characters: %s", { "\\ / : * ? \" < > |" });
    }
    if (IsDeviceName(trimmed))
        return TranslateFormat("%s is a reserved device name", { trimmed });
    return {};
}

std::vector<std::string> MissingFolders(const win::Machine& Machine, std::string_view Path)
{
    std::vector<std::string> missing;
    // Each step drops the last level, so the loop ends on every input.
    for (std::string level = RemoveBackslash(win::text::trim(Path));
         level.size() > 3 && !Machine.directoryExists(level); level = RemoveBackslash(ExtractFilePath(level)))
        missing.push_back(level);
    return missing;
}

void CreateFolderPath(win::Machine& Machine, const std::string& Path)
{
    const std::string path = RemoveBackslash(win::text::trim(Path));
    if (IsDriveRoot(path)) {
        if (!Machine.directoryExists(path.substr(0, 2) + "\\"))
            RaiseCreate(Path, win::errorText(win::ERROR_PATH_NOT_FOUND));
        return;
    }
    if (!IsAbsolute(path))
        RaiseCreate(Path, TranslateText("The path must begin with a drive, as in C:\\Folder"));
    if (Machine.directoryExists(path))
        return;
    // Every component is checked before the first directory is made, so a
    // bad name further down leaves no half-made path behind.
    std::vector<std::string> parts = win::text::splitNonEmpty(std::string_view(path).substr(3), '\\');
    for (const auto& part : parts) {
        std::string error = FolderNameError(part);
        if (error.empty() && part != win::text::trimRight(part))
            error = TranslateFormat("%s ends in a blank", { part });
        if (!error.empty())
            RaiseCreate(Path, error);
    }
    const auto free = Machine.diskFreeSpace(path.substr(0, 3));
    if (!free)
        RaiseCreate(Path, win::errorText(win::ERROR_PATH_NOT_FOUND));
    if (*free == 0)
        RaiseCreate(Path, win::errorText(win::ERROR_DISK_FULL));
    if (!Machine.forceDirectories(path))
        RaiseCreate(Path, win::errorText(win::lastError()));
}

std::string NewFolderPath(const std::string& Parent, std::string_view Name)
{
    const std::string error = FolderNameError(Name);
    if (!error.empty())
        RaiseCreate(AddBackslash(Parent) + std::string(Name), error);
    return AddBackslash(Parent) + win::text::trim(Name);
}

TOFDPlacement PlaceAddedControls(const std::optional<TOFDRect>& Tree, const std::optional<TOFDRect>& Ok,
    const std::optional<TOFDRect>& Cancel, bool ShowCreateButton, bool ShowPathEdit)
{
    TOFDPlacement out;
    out.Tree = Tree;
    if (ShowCreateButton) {
        TOFDRect r { 20, 230, 140, 253 };
        if (Ok && Cancel)
            r = { 2 * Ok->Left - Cancel->Left, Ok->Top - 22, Ok->Right + Ok->Left - Cancel->Left, Ok->Bottom - 22 };
        // The button lines up with the tree's left edge and keeps its right edge.
        if (Tree)
            r.Left = Tree->Left;
        out.Button = r;
    }
    if (ShowPathEdit) {
        TOFDRect r { 20, 230, 140, 253 };
        if (out.Tree)
            out.Tree->Bottom -= 60;
        if (Ok && out.Tree)
            r = { out.Tree->Left, out.Tree->Bottom + 15, out.Tree->Right, out.Tree->Bottom + 28 };
        out.Edit = r;
    }
    // Without the path edit the button sits where the tree ends: the tree
    // gives way, so that its last folders stay visible and clickable.
    constexpr int Gap = 6;
    if (out.Button && out.Tree && !ShowPathEdit && out.Tree->Bottom > out.Button->Top - Gap
        && out.Button->Top - Gap > out.Tree->Top)
        out.Tree->Bottom = out.Button->Top - Gap;
    return out;
}

} // namespace installlib
