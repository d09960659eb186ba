#pragma once

// The text of an INI file with the private-profile rules: sections and keys
// match without case, blanks around keys and values are dropped, every other
// line (comments, blank lines, lines without "=") is kept as it stands.

#include <optional>
#include <string>
#include <vector>

namespace win {

class IniDocument {
public:
    explicit IniDocument(const std::string& bytes = {});

    // The first matching section's value, trimmed (quotes are left on).
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // 1-based line of that value, 0 when missing.
    int lineOf(const std::string& section, const std::string& key) const;
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(const std::string& section) const;
    // Every "key=value" pair of the section in order (keys may repeat).
    std::vector<std::pair<std::string, std::string>> entries(const std::string& section) const;

    void setValue(const std::string& section, const std::string& key, const std::string& value);
    // True when something was removed.
    bool removeKey(const std::string& section, const std::string& key);
    bool removeSection(const std::string& section);

    // Lines joined with CR LF, ending with one.
    std::string text() const;
    const std::vector<std::string>& lines() const { return lines_; }

    // A section header line gives its name.
    static std::optional<std::string> sectionOf(const std::string& line);
    // A "key=value" line gives its trimmed key and value.
    static bool splitEntry(const std::string& line, std::string& key, std::string& value);

private:
    int findSection(const std::string& section) const; // index of the header line, -1
    int sectionEnd(int header) const; // index after its last line
    std::vector<std::string> lines_;
};

} // namespace win
