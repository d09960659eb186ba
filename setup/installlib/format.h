#pragma once

// The library's own message formatter. Messages are written in English and
// translated before they are formatted, so a translator's text file decides
// the format string: the formatter therefore takes a typed argument list,
// accepts only the conversions the library's messages use and reports
// (instead of crashing) a format that does not fit its arguments.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace installlib {

// One argument of a message: a whole number or a text.
class FormatArg {
public:
    FormatArg(int v)
        : value_(static_cast<std::int64_t>(v))
    {
    }
    FormatArg(long v)
        : value_(static_cast<std::int64_t>(v))
    {
    }
    FormatArg(long long v)
        : value_(static_cast<std::int64_t>(v))
    {
    }
    FormatArg(unsigned v)
        : value_(static_cast<std::uint64_t>(v))
    {
    }
    FormatArg(unsigned long v)
        : value_(static_cast<std::uint64_t>(v))
    {
    }
    FormatArg(unsigned long long v)
        : value_(static_cast<std::uint64_t>(v))
    {
    }
    FormatArg(std::string v)
        : value_(std::move(v))
    {
    }
    FormatArg(std::string_view v)
        : value_(std::string(v))
    {
    }
    FormatArg(const char* v)
        : value_(std::string(v ? v : ""))
    {
    }

    bool isText() const { return std::holds_alternative<std::string>(value_); }
    bool isSigned() const { return std::holds_alternative<std::int64_t>(value_); }
    std::int64_t asSigned() const { return std::get<std::int64_t>(value_); }
    std::uint64_t asUnsigned() const { return std::get<std::uint64_t>(value_); }
    const std::string& asText() const { return std::get<std::string>(value_); }

private:
    std::variant<std::int64_t, std::uint64_t, std::string> value_;
};

using FormatArgs = std::vector<FormatArg>;

// Formats `format` with `args`. Conversions: %s (text), %d (signed), %u
// (unsigned), %x / %X (upper-case hexadecimal), %% (a percent sign), each
// with an optional argument index ("%1:s"), left alignment ("-"), width and
// precision ("%-8.3d"); width and precision are at most 1024. Returns false,
// leaving `out` unspecified, when the format is malformed, names a missing
// argument or pairs a conversion with an argument of the wrong kind. Extra
// arguments are allowed, so a translation may leave one out.
bool TryFormat(std::string_view format, const FormatArgs& args, std::string& out);

// As TryFormat; a format that does not fit raises EConvertError naming it.
std::string Format(std::string_view format, const FormatArgs& args);

// Translates `englishFormat` through the global translator, then formats it.
// When the translation does not fit the arguments the English format is used;
// when that does not fit either (a fault in the caller) the English format is
// returned unformatted. Never raises.
std::string TranslateFormat(std::string_view englishFormat, const FormatArgs& args);

} // namespace installlib
