#include "viewer/app/viewer_settings.h"

#include "platform/rtl/atomic_file.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>

namespace viewer {

namespace fs = std::filesystem;

namespace {

std::string trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The section name of a "[name]" line, or false.
bool sectionName(const std::string& line, std::string& name)
{
    const std::string t = trimmed(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']')
        return false;
    name = trimmed(t.substr(1, t.size() - 2));
    return true;
}

bool readLines(const std::string& path, std::vector<std::string>& lines, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot read the settings file " + path;
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    if (in.bad()) {
        error = "Cannot read the settings file " + path;
        return false;
    }
    return true;
}

void parseLines(
    const std::vector<std::string>& lines, std::vector<std::string>& Drivers, std::vector<std::string>& Recent)
{
    Drivers.clear();
    Recent.clear();
    std::string section;
    for (const std::string& line : lines) {
        std::string name;
        if (sectionName(line, name)) {
            section = name;
            continue;
        }
        const std::string t = trimmed(line);
        if (t.empty() || t.front() == ';')
            continue;
        const auto eq = t.find('=');
        if (sameIgnoringCase(section, "drivers")) {
            if (eq != std::string::npos)
                Drivers.push_back(t);
        } else if (sameIgnoringCase(section, "recent")) {
            // The value after "=", whatever the key's length ("file10=" is
            // as good as "file1="); a line without one is no entry.
            if (eq == std::string::npos)
                continue;
            std::string value = trimmed(t.substr(eq + 1));
            if (!value.empty())
                Recent.push_back(value);
        }
    }
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// The key of a "key=value" line, trimmed.
std::string keyOf(const std::string& line)
{
    const auto eq = line.find('=');
    return trimmed(eq == std::string::npos ? line : line.substr(0, eq));
}

// Reads the file (a missing one is empty), lets `edit` change the lines of
// `section` (without its header) and writes the result back atomically.
// A section that is not there is appended when `edit` leaves lines in it.
std::string rewriteSection(const std::string& path, const std::string& section,
    const std::function<void(std::vector<std::string>&)>& edit, std::vector<std::string>* written)
{
    std::vector<std::string> lines;
    std::string error;
    std::error_code ec;
    if (fs::exists(path, ec) && !readLines(path, lines, error))
        return error; // never replace a file that could not be read
    bool found = false;
    std::size_t begin = lines.size();
    std::size_t end = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (!sectionName(lines[i], name))
            continue;
        if (!found && sameIgnoringCase(name, section)) {
            found = true;
            begin = i + 1;
        } else if (found) {
            end = i;
            break;
        }
    }
    std::vector<std::string> body;
    if (found)
        body.assign(
            lines.begin() + static_cast<std::ptrdiff_t>(begin), lines.begin() + static_cast<std::ptrdiff_t>(end));
    edit(body);
    std::vector<std::string> out;
    if (found) {
        out.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(begin));
        out.insert(out.end(), body.begin(), body.end());
        out.insert(out.end(), lines.begin() + static_cast<std::ptrdiff_t>(end), lines.end());
    } else {
        out = lines;
        if (!body.empty()) {
            out.push_back("[" + section + "]");
            out.insert(out.end(), body.begin(), body.end());
        }
    }
    if (out == lines) {
        if (written)
            *written = out;
        return {};
    }
    if (std::string e = WriteTextAtomically(path, joinLines(out)); !e.empty())
        return e;
    if (written)
        *written = out;
    return {};
}

// Edits the drivers section of the settings file at path and reads the
// drivers back from what was written; empty text on success.
std::string rewriteDrivers(const std::string& path, std::vector<std::string>& drivers,
    const std::function<void(std::vector<std::string>&)>& edit)
{
    std::vector<std::string> lines;
    if (std::string error = rewriteSection(path, "drivers", edit, &lines); !error.empty())
        return error;
    std::vector<std::string> recent;
    parseLines(lines, drivers, recent);
    return {};
}

} // namespace

TViewerSettings::TViewerSettings(std::string path)
    : path_(std::move(path))
{
}

std::string TViewerSettings::PathForProgram(const std::string& programPath)
{
    fs::path p(programPath);
    p.replace_extension(".ini");
    return p.string();
}

std::string WriteTextAtomically(const std::string& path, const std::string& text)
{
    // The writer's reason says why: a link that leads nowhere, a folder that
    // cannot be written.
    if (std::string reason = rtl::WriteFileAtomically(path, text); !reason.empty())
        return "Cannot write the settings file " + path + ". " + reason;
    return {};
}

std::string TViewerSettings::Load()
{
    Drivers.clear();
    Recent.clear();
    std::error_code ec;
    if (!fs::exists(path_, ec)) {
        if (std::string error = WriteTextAtomically(path_, "[recent]\n"); !error.empty())
            return error;
        return {};
    }
    std::vector<std::string> lines;
    std::string error;
    if (!readLines(path_, lines, error))
        return error;
    parseLines(lines, Drivers, Recent);
    return {};
}

std::string TViewerSettings::SaveRecent(const std::vector<std::string>& recent) const
{
    if (recent.empty())
        return {};
    std::vector<std::string> lines;
    std::string error;
    std::error_code ec;
    if (fs::exists(path_, ec) && !readLines(path_, lines, error))
        return error; // never replace a file that could not be read
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < recent.size(); ++i)
        entries.push_back("file" + std::to_string(i) + "=" + recent[i]);

    std::vector<std::string> out;
    bool inRecent = false;
    bool written = false;
    for (const std::string& line : lines) {
        std::string name;
        if (sectionName(line, name)) {
            inRecent = sameIgnoringCase(name, "recent");
            out.push_back(line);
            if (inRecent && !written) {
                out.insert(out.end(), entries.begin(), entries.end());
                written = true;
            }
            continue;
        }
        if (!inRecent)
            out.push_back(line);
    }
    if (!written) {
        out.push_back("[recent]");
        out.insert(out.end(), entries.begin(), entries.end());
    }
    std::ostringstream text;
    for (const std::string& line : out)
        text << line << "\n";
    return WriteTextAtomically(path_, text.str());
}

std::string TViewerSettings::EraseRecent() const
{
    return rewriteSection(
        path_, "recent",
        [](std::vector<std::string>& body) {
            // Comments and blank lines belong to no key; only entries go.
            std::erase_if(body, [](const std::string& line) { return line.find('=') != std::string::npos; });
        },
        nullptr);
}

std::string TViewerSettings::WriteDriver(const std::string& name, const std::string& path)
{
    return rewriteDrivers(path_, Drivers, [&](std::vector<std::string>& body) {
        bool replaced = false;
        for (auto it = body.begin(); it != body.end();) {
            if (it->find('=') != std::string::npos && sameIgnoringCase(keyOf(*it), trimmed(name))) {
                if (!replaced) {
                    *it = name + "=" + path;
                    replaced = true;
                    ++it;
                } else {
                    it = body.erase(it);
                }
            } else {
                ++it;
            }
        }
        if (!replaced) {
            // After the last entry, before any blank lines that end the section.
            auto at = body.end();
            while (at != body.begin() && trimmed(*(at - 1)).empty())
                --at;
            body.insert(at, name + "=" + path);
        }
    });
}

std::string TViewerSettings::DeleteDriver(const std::string& name)
{
    return rewriteDrivers(path_, Drivers, [&](std::vector<std::string>& body) {
        std::erase_if(body, [&](const std::string& line) {
            return line.find('=') != std::string::npos && sameIgnoringCase(keyOf(line), trimmed(name));
        });
    });
}

} // namespace viewer
