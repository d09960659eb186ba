#include "setup/installlib/format.h"

#include "setup/installlib/exceptions.h"
#include "setup/installlib/translator.h"

#include <cstdio>

namespace installlib {

namespace {

constexpr int kMaxWidth = 1024;

bool readNumber(std::string_view f, std::size_t& i, int& value)
{
    if (i >= f.size() || f[i] < '0' || f[i] > '9')
        return false;
    value = 0;
    while (i < f.size() && f[i] >= '0' && f[i] <= '9') {
        value = value * 10 + (f[i] - '0');
        if (value > kMaxWidth)
            return false;
        ++i;
    }
    return true;
}

std::string digitsOf(std::uint64_t v, bool hex)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, hex ? "%llX" : "%llu", static_cast<unsigned long long>(v));
    return buf;
}

// Values read with %u or %x that were given signed are shown as the 32-bit
// word when they fit one (as -1 shows as FFFFFFFF), else as 64 bits.
std::uint64_t asWord(const FormatArg& a)
{
    if (!a.isSigned())
        return a.asUnsigned();
    std::int64_t v = a.asSigned();
    if (v < 0 && v >= INT32_MIN)
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    return static_cast<std::uint64_t>(v);
}

} // namespace

bool TryFormat(std::string_view f, const FormatArgs& args, std::string& out)
{
    out.clear();
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < f.size()) {
        char c = f[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i >= f.size())
            return false;
        if (f[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // [index:][-][width][.precision]type
        std::size_t start = i;
        int number = 0;
        if (readNumber(f, i, number) && i < f.size() && f[i] == ':')
            next = static_cast<std::size_t>(number), ++i;
        else
            i = start;
        bool left = false;
        if (i < f.size() && f[i] == '-')
            left = true, ++i;
        int width = 0;
        if (i < f.size() && f[i] >= '0' && f[i] <= '9' && !readNumber(f, i, width))
            return false;
        int precision = -1;
        if (i < f.size() && f[i] == '.') {
            ++i;
            if (!readNumber(f, i, precision))
                return false;
        }
        if (i >= f.size())
            return false;
        char type = f[i++];
        if (next >= args.size())
            return false;
        const FormatArg& a = args[next++];
        std::string text;
        switch (type) {
        case 's':
        case 'S':
            if (!a.isText())
                return false;
            text = a.asText();
            if (precision >= 0 && text.size() > static_cast<std::size_t>(precision))
                text.resize(static_cast<std::size_t>(precision));
            break;
        case 'd':
        case 'D':
        case 'u':
        case 'U':
        case 'x':
        case 'X': {
            if (a.isText())
                return false;
            bool hex = type == 'x' || type == 'X';
            bool negative = false;
            std::uint64_t magnitude;
            if (type == 'd' || type == 'D') {
                if (a.isSigned() && a.asSigned() < 0) {
                    negative = true;
                    magnitude = static_cast<std::uint64_t>(-(a.asSigned() + 1)) + 1;
                } else {
                    magnitude = a.isSigned() ? static_cast<std::uint64_t>(a.asSigned()) : a.asUnsigned();
                }
            } else {
                magnitude = asWord(a);
            }
            text = digitsOf(magnitude, hex);
            if (precision > 0 && text.size() < static_cast<std::size_t>(precision))
                text.insert(0, static_cast<std::size_t>(precision) - text.size(), '0');
            if (negative)
                text.insert(0, 1, '-');
            break;
        }
        default:
            return false;
        }
        if (text.size() < static_cast<std::size_t>(width)) {
            std::string pad(static_cast<std::size_t>(width) - text.size(), ' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return true;
}

std::string Format(std::string_view format, const FormatArgs& args)
{
    std::string out;
    if (!TryFormat(format, args, out))
        throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
    return out;
}

std::string TranslateFormat(std::string_view englishFormat, const FormatArgs& args)
{
    std::string out;
    std::string translated = TranslateText(englishFormat);
    if (TryFormat(translated, args, out))
        return out;
    if (TryFormat(englishFormat, args, out))
        return out;
    return std::string(englishFormat);
}

} // namespace installlib
