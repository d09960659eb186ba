#pragma once

// Small string helpers of the machine (internal). Case rules are those of
// Windows for ASCII letters; other bytes compare as they are.

#include <string>
#include <string_view>
#include <vector>

namespace win::text {

char upper(char c);
std::string toUpper(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
// <0, 0, >0 comparing without case.
int compareNoCase(std::string_view a, std::string_view b);
std::string trim(std::string_view s);
std::string trimRight(std::string_view s);
// Splits at sep, dropping empty parts.
std::vector<std::string> splitNonEmpty(std::string_view s, char sep);
// The lines of a text file, without their CR LF or LF; empty lines are kept,
// a final line break does not add an empty line.
std::vector<std::string> splitLines(std::string_view s);
// * and ? wildcards, without case.
bool wildcardMatch(std::string_view pattern, std::string_view name);
// UTF-8 and UTF-16 (little-endian code units); bad sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view s);
std::string utf16ToUtf8(std::u16string_view s);

} // namespace win::text
