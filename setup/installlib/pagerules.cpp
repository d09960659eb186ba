#include "setup/installlib/pagerules.h"

#include "platform/win/errors.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/filerelated.h"
#include "setup/installlib/format.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installcontainer.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/openfolder.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/programmanager.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

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

// Names in the order Windows lists them to the user: by the collation of
// the machine's language, where letters with accents stand beside their
// base letter (not after "z") and case does not count.
void sortForUser(std::vector<std::string>& Names)
{
    // Primary language of a Windows language ID, and its ISO 639 code.
    static const std::map<int, const char*> codes { { 0x01, "ar" }, { 0x02, "bg" }, { 0x03, "ca" }, { 0x04, "zh" },
        { 0x05, "cs" }, { 0x06, "da" }, { 0x07, "de" }, { 0x08, "el" }, { 0x09, "en" }, { 0x0A, "es" }, { 0x0B, "fi" },
        { 0x0C, "fr" }, { 0x0D, "he" }, { 0x0E, "hu" }, { 0x0F, "is" }, { 0x10, "it" }, { 0x11, "ja" }, { 0x12, "ko" },
        { 0x13, "nl" }, { 0x14, "nb" }, { 0x15, "pl" }, { 0x16, "pt" }, { 0x18, "ro" }, { 0x19, "ru" }, { 0x1A, "hr" },
        { 0x1B, "sk" }, { 0x1D, "sv" }, { 0x1E, "th" }, { 0x1F, "tr" }, { 0x22, "uk" }, { 0x24, "sl" }, { 0x25, "et" },
        { 0x26, "lv" }, { 0x27, "lt" }, { 0x2A, "vi" } };
    const auto language = codes.find(UserDefaultLangId().value_or(0x0409) & 0x3FF);
    QCollator collator(QLocale(QString::fromLatin1(language == codes.end() ? "en" : language->second)));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(Names.begin(), Names.end(), [&](const std::string& a, const std::string& b) {
        return collator.compare(QString::fromStdString(a), QString::fromStdString(b)) < 0;
    });
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
    // Typed as on other systems: the drive may be right, the separator is not.
    if (path.find('/') != std::string::npos)
        return TranslateFormat(
            "%s separates its folders with /. Separate them with \\ instead, as in C:\\Program Files.", { path });
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

std::string DestinationError(TInstallContainer& Engine, win::Machine& Machine)
{
    const std::string path = DestinationText(Engine);
    std::string error = DestinationPathError(path, &Machine);
    if (!error.empty())
        return error;
    const std::string destination = path.size() > 3 ? RemoveBackslash(path) : path;

    // The deepest level that is there of Folder (the destination or a
    // folder of the product's files below it) must be a folder that takes
    // new files.
    std::set<std::string> probed;
    auto folderError = [&](const std::string& Folder) -> std::string {
        std::string level = Folder;
        uint32_t error = 0; // a level that is there but cannot be reached (a link)
        for (; level.size() > 3; level = RemoveBackslash(ExtractFilePath(level))) {
            const uint32_t attributes = Machine.fileAttributes(level);
            if (attributes == win::INVALID_FILE_ATTRIBUTES) {
                error = win::lastError();
                if (error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND) {
                    error = 0;
                    continue;
                }
                break;
            }
            if (attributes & win::FILE_ATTRIBUTE_DIRECTORY)
                break;
            return level == destination
                ? TranslateFormat("%s is a file, not a directory.", { level })
                : TranslateFormat("Cannot install into %s: %s is a file, not a directory.", { destination, level });
        }
        if (!probed.insert(win::text::toUpper(level)).second)
            return {};
        const std::string probe = error ? std::string() : Machine.tempFileName(level, "TVX");
        if (probe.empty()) {
            const std::string why = win::errorText(error ? error : win::lastError());
            return level == destination ? TranslateFormat("The directory %s cannot be written: %s", { level, why })
                                        : TranslateFormat("Cannot install into %s, because the directory %s cannot be "
                                                          "written: %s",
                                            { destination, level, why });
        }
        Machine.deleteFile(probe);
        return {};
    };
    if (error = folderError(destination); !error.empty())
        return error;

    // Every file of the product below the destination must stay within the
    // longest path Windows takes.
    const std::string below = win::text::toUpper(AddBackslash(destination));
    std::size_t deepest = 0;
    for (int i = 0; i < InstallFileList().Count(); ++i)
        if (auto* file = dynamic_cast<TFileRelated*>(InstallFileList().Items(i))) {
            const std::string installed = file->InstalledFilePath();
            if (!win::text::toUpper(installed).starts_with(below))
                continue;
            deepest = std::max(deepest, installed.size());
            if (error = folderError(RemoveBackslash(ExtractFilePath(installed))); !error.empty())
                return error;
        }
    if (deepest > win::MAX_PATH_LENGTH) {
        const int room = static_cast<int>(destination.size() - (deepest - win::MAX_PATH_LENGTH));
        return TranslateFormat("The directory %s is too long for this program: its deepest file would have a path of "
                               "%d characters, and Windows takes at most %d. Choose a directory of at most %d "
                               "characters.",
            { destination, static_cast<int>(deepest), static_cast<int>(win::MAX_PATH_LENGTH), room });
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
        made = MissingFolders(machine, directory);
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
    // A drive's root keeps its backslash: "C:" alone is no full path.
    SetDestination(Engine, directory.size() > 3 ? RemoveBackslash(directory) : directory);
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
    sortForUser(folders);
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
