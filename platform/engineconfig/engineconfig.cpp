#include "platform/engineconfig/engineconfig.h"

#include "platform/win/text.h"

namespace engineconfig {

using win::text::equalsNoCase;

const std::string* Block::Value(const std::string& ValueName) const
{
    for (const auto& [name, text] : Values)
        if (equalsNoCase(name, ValueName))
            return &text;
    return nullptr;
}

void Block::SetValue(const std::string& ValueName, const std::string& Text)
{
    for (auto& [name, text] : Values)
        if (equalsNoCase(name, ValueName)) {
            text = Text;
            return;
        }
    Values.emplace_back(ValueName, Text);
}

Block* Configuration::Find(const std::string& Kind, const std::string& Name)
{
    for (Block& block : Blocks)
        if (equalsNoCase(block.Kind, Kind) && equalsNoCase(block.Name, Name))
            return &block;
    return nullptr;
}

const Block* Configuration::Find(const std::string& Kind, const std::string& Name) const
{
    return const_cast<Configuration*>(this)->Find(Kind, Name);
}

Block& Configuration::Ensure(const std::string& Kind, const std::string& Name)
{
    if (Block* block = Find(Kind, Name))
        return *block;
    Blocks.push_back({ win::text::toUpper(Kind), Name, {} });
    return Blocks.back();
}

namespace {

bool startsWithWord(const std::string& line, const char* word, std::string& rest)
{
    const size_t n = std::char_traits<char>::length(word);
    if (line.size() < n || !equalsNoCase(std::string_view(line).substr(0, n), word))
        return false;
    if (line.size() == n) {
        rest.clear();
        return true;
    }
    if (line[n] != ' ')
        return false;
    rest = win::text::trim(std::string_view(line).substr(n + 1));
    return true;
}

} // namespace

std::optional<Configuration> Parse(const std::string& Text, std::string& Error)
{
    const std::vector<std::string> lines = win::text::splitLines(Text);
    if (lines.empty() || win::text::trimRight(lines[0]) != kFormatLine) {
        Error = "line 1: not an engine configuration";
        return std::nullopt;
    }
    Configuration config;
    Block* current = nullptr;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string line = win::text::trimRight(lines[i]);
        const std::string where = "line " + std::to_string(i + 1) + ": ";
        if (line.empty() || line[0] == ';')
            continue;
        if (line.rfind("  ", 0) == 0) {
            const std::string entry = line.substr(2);
            const size_t eq = entry.find('=');
            if (!current || eq == std::string::npos || win::text::trim(entry.substr(0, eq)).empty()) {
                Error = where + (current ? "a value needs a name and \"=\"" : "a value outside a block");
                return std::nullopt;
            }
            const std::string name = win::text::trim(entry.substr(0, eq));
            if (current->Value(name)) {
                Error = where + "the value " + name + " is given twice";
                return std::nullopt;
            }
            current->Values.emplace_back(name, entry.substr(eq + 1));
            continue;
        }
        std::string rest;
        std::string kind;
        if (startsWithWord(line, "SYSTEM", rest) && rest.empty())
            kind = "SYSTEM";
        else if (startsWithWord(line, "DRIVER", rest) && !rest.empty())
            kind = "DRIVER";
        else if (startsWithWord(line, "ALIAS", rest) && !rest.empty())
            kind = "ALIAS";
        else {
            Error = where + "expected SYSTEM, DRIVER <name> or ALIAS <name>";
            return std::nullopt;
        }
        if (config.Find(kind, rest)) {
            Error = where + "the block " + line + " is given twice";
            return std::nullopt;
        }
        config.Blocks.push_back({ kind, rest, {} });
        current = &config.Blocks.back();
    }
    return config;
}

std::string Format(const Configuration& Config)
{
    std::string out = std::string(kFormatLine) + "\r\n";
    for (const Block& block : Config.Blocks) {
        out += block.Kind;
        if (!block.Name.empty())
            out += " " + block.Name;
        out += "\r\n";
        for (const auto& [name, text] : block.Values)
            out += "  " + name + "=" + text + "\r\n";
    }
    return out;
}

Configuration Merge(const Configuration& Template, const Configuration& Existing, const std::string& LanguageCode)
{
    Configuration result = Existing;
    for (const Block& block : Template.Blocks) {
        Block& into = result.Ensure(block.Kind, block.Name);
        for (const auto& [name, text] : block.Values)
            if (!into.Value(name))
                into.Values.emplace_back(name, text);
    }
    if (!LanguageCode.empty())
        result.Ensure("SYSTEM", "").SetValue("LANGUAGE", LanguageCode);
    return result;
}

} // namespace engineconfig
