#include "platform/help/help_file.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace help {

namespace {

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::optional<THelpFile> THelpFile::Open(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot find the help file " + path + ".";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = "Cannot read the help file " + path + ".";
        return std::nullopt;
    }
    return Parse(text.str(), std::filesystem::path(path).parent_path().string(), error);
}

std::optional<THelpFile> THelpFile::Parse(const std::string& text, const std::string& folder, std::string& error)
{
    THelpFile file;
    std::string section;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool first = true;
    while (std::getline(lines, line)) {
        ++number;
        line = trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = lower(trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = "The help file is damaged at line " + std::to_string(number) + ".";
            return std::nullopt;
        }
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (section == "options") {
            if (lower(key) == "title")
                file.title_ = value;
        } else if (section == "map") {
            int context = 0;
            const auto [end, ec] = std::from_chars(key.data(), key.data() + key.size(), context);
            if (ec != std::errc() || end != key.data() + key.size() || value.empty()) {
                error = "The help file is damaged at line " + std::to_string(number) + ".";
                return std::nullopt;
            }
            // A page name never climbs out of the help's folder.
            const std::filesystem::path page(value);
            for (const auto& part : page)
                if (part == "..") {
                    error = "The help file is damaged at line " + std::to_string(number) + ".";
                    return std::nullopt;
                }
            if (page.is_absolute()) {
                error = "The help file is damaged at line " + std::to_string(number) + ".";
                return std::nullopt;
            }
            file.pages_[context] = (std::filesystem::path(folder) / page).lexically_normal().string();
            if (first) {
                file.contents_ = context;
                first = false;
            }
        }
    }
    if (file.pages_.empty()) {
        error = "The help file lists no topics.";
        return std::nullopt;
    }
    return file;
}

std::string THelpFile::PageFor(int context) const
{
    const auto it = pages_.find(context);
    return it != pages_.end() ? it->second : pages_.at(contents_);
}

} // namespace help
