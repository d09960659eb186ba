#pragma once

// The viewer's settings file, kept next to the program as an INI file: the
// recent-file list (section "recent", keys "file0" ...) and the capture
// driver libraries (section "drivers", display name "=" library path).

#include <string>
#include <vector>

namespace viewer {

class TViewerSettings {
public:
    explicit TViewerSettings(std::string path);

    // The program's path with its extension replaced by ".ini" (added when
    // it has none).
    static std::string PathForProgram(const std::string& programPath);

    const std::string& Path() const { return path_; }

    // Creates the file with the line "[recent]" when it is missing, then
    // reads both sections. On failure the lists stay empty and the text
    // says what went wrong; nothing is written over an unreadable file.
    std::string Load();

    // Lines of the drivers section as they stand ("name=path").
    std::vector<std::string> Drivers;
    // Values of the recent section in file order.
    std::vector<std::string> Recent;

    // Replaces the recent section with "file0" ... for `recent`, keeping
    // every other line of the file; written to a temporary file and
    // renamed. An empty list leaves the file alone. Empty text on success.
    std::string SaveRecent(const std::vector<std::string>& recent) const;

    // Removes every line of the recent section, keeping its header and
    // the rest of the file. Empty text on success.
    std::string EraseRecent() const;

    // Writes "name=path" into the drivers section, replacing the key of the
    // same name (compared ignoring case), and re-reads Drivers. Empty text
    // on success; on failure the file is as it was.
    std::string WriteDriver(const std::string& name, const std::string& path);
    // Deletes the key `name` from the drivers section and re-reads Drivers.
    std::string DeleteDriver(const std::string& name);

private:
    std::string path_;
};

// Writes `text` to a temporary file beside `path` and renames it into
// place. Empty text on success.
std::string WriteTextAtomically(const std::string& path, const std::string& text);

} // namespace viewer
