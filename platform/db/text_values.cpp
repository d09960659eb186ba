#include "platform/db/text_values.h"

#include <cctype>

#include "platform/rtl/format.h"

namespace db {

std::string trimmed(std::string_view s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(" \t\r\n");
    return std::string(s.substr(b, e - b + 1));
}

bool textToFloat(const std::string& text, double& value)
{
    return rtl::TryStrToFloat(text, value, '.')
        || rtl::TryStrToFloat(text, value, rtl::formatSettings().decimalSeparator);
}

std::optional<bool> textToBoolean(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (c == 'T' || c == 'Y')
        return true;
    if (c == 'F' || c == 'N')
        return false;
    return std::nullopt;
}

} // namespace db
