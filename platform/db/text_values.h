#pragma once

// Field values typed as text: what the fields and the key buffer of a table
// accept, read the same way in both.

#include <optional>
#include <string>
#include <string_view>

namespace db {

// `s` without leading and trailing blanks (space, tab, CR, LF).
std::string trimmed(std::string_view s);

// A number written with a point or with the user's decimal separator.
bool textToFloat(const std::string& text, double& value);

// A truth value by its first letter: T or Y true, F or N false, in either
// case; nothing for any other text.
std::optional<bool> textToBoolean(std::string_view text);

} // namespace db
