#include "platform/win/ini_document.h"

#include "platform/win/text.h"

namespace win {

IniDocument::IniDocument(const std::string& bytes)
    : lines_(text::splitLines(bytes))
{
}

std::optional<std::string> IniDocument::sectionOf(const std::string& line)
{
    std::string t = text::trim(line);
    if (t.empty() || t[0] != '[')
        return std::nullopt;
    size_t close = t.find(']');
    return text::trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

bool IniDocument::splitEntry(const std::string& line, std::string& key, std::string& value)
{
    std::string t = text::trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    key = text::trim(t.substr(0, eq));
    value = text::trim(t.substr(eq + 1));
    return true;
}

int IniDocument::findSection(const std::string& section) const
{
    std::string wanted = text::trim(section);
    for (size_t i = 0; i < lines_.size(); ++i) {
        auto name = sectionOf(lines_[i]);
        if (name && text::equalsNoCase(*name, wanted))
            return int(i);
    }
    return -1;
}

int IniDocument::sectionEnd(int header) const
{
    size_t i = size_t(header) + 1;
    while (i < lines_.size() && !sectionOf(lines_[i]))
        ++i;
    return int(i);
}

int IniDocument::lineOf(const std::string& section, const std::string& key) const
{
    int h = findSection(section);
    if (h < 0)
        return 0;
    std::string wanted = text::trim(key);
    for (int i = h + 1, e = sectionEnd(h); i < e; ++i) {
        std::string k, v;
        if (splitEntry(lines_[size_t(i)], k, v) && text::equalsNoCase(k, wanted))
            return i + 1;
    }
    return 0;
}

std::optional<std::string> IniDocument::value(const std::string& section, const std::string& key) const
{
    int line = lineOf(section, key);
    if (line == 0)
        return std::nullopt;
    std::string k, v;
    splitEntry(lines_[size_t(line - 1)], k, v);
    return v;
}

std::vector<std::string> IniDocument::sectionNames() const
{
    std::vector<std::string> out;
    for (const auto& line : lines_)
        if (auto name = sectionOf(line))
            out.push_back(*name);
    return out;
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(const std::string& section) const
{
    std::vector<std::pair<std::string, std::string>> out;
    int h = findSection(section);
    if (h < 0)
        return out;
    for (int i = h + 1, e = sectionEnd(h); i < e; ++i) {
        std::string k, v;
        if (splitEntry(lines_[size_t(i)], k, v))
            out.emplace_back(k, v);
    }
    return out;
}

std::vector<std::string> IniDocument::keyNames(const std::string& section) const
{
    std::vector<std::string> out;
    for (auto& [k, v] : entries(section))
        out.push_back(k);
    return out;
}

void IniDocument::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    std::string entry = text::trim(key) + "=" + value;
    if (int line = lineOf(section, key)) {
        lines_[size_t(line - 1)] = entry;
        return;
    }
    int h = findSection(section);
    if (h < 0) {
        lines_.push_back("[" + text::trim(section) + "]");
        lines_.push_back(entry);
        return;
    }
    // After the section's last non-blank line, so blank separators stay last.
    int at = sectionEnd(h);
    while (at > h + 1 && text::trim(lines_[size_t(at - 1)]).empty())
        --at;
    lines_.insert(lines_.begin() + at, entry);
}

bool IniDocument::removeKey(const std::string& section, const std::string& key)
{
    int line = lineOf(section, key);
    if (line == 0)
        return false;
    lines_.erase(lines_.begin() + (line - 1));
    return true;
}

bool IniDocument::removeSection(const std::string& section)
{
    int h = findSection(section);
    if (h < 0)
        return false;
    lines_.erase(lines_.begin() + h, lines_.begin() + sectionEnd(h));
    return true;
}

std::string IniDocument::text() const
{
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += "\r\n";
    }
    return out;
}

} // namespace win
