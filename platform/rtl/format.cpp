#include "platform/rtl/format.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace rtl {

namespace {

// A value as 0.d1d2d3... x 10^exp, digits without trailing zeros; zero has
// no digits.
struct Decimal {
    std::string digits;
    int exp = 0;
    bool negative = false;
    bool zero() const { return digits.empty(); }
};

void stripTrailingZeros(Decimal& d)
{
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        d.exp = 0;
}

Decimal toDecimal(double v)
{
    Decimal d;
    d.negative = std::signbit(v);
    v = std::fabs(v);
    if (v == 0.0 || !std::isfinite(v))
        return d;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17e", v); // 18 significant digits, as the old library kept
    std::string s(buf);
    auto e = s.find('e');
    d.digits.push_back(s[0]);
    d.digits.append(s.substr(2, e - 2));
    d.exp = std::atoi(s.c_str() + e + 1) + 1;
    stripTrailingZeros(d);
    return d;
}

// Keeps `keep` significant digits, rounding half away from zero.
void roundSignificant(Decimal& d, int keep)
{
    if (d.zero() || static_cast<int>(d.digits.size()) <= keep)
        return;
    if (keep < 0) {
        d.digits.clear();
        d.exp = 0;
        return;
    }
    bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') {
            d.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    stripTrailingZeros(d);
}

void roundDecimals(Decimal& d, int decimals) { roundSignificant(d, d.exp + decimals); }

char digitAt(const Decimal& d, int i) // i-th digit (0-based from the first significant)
{
    return (i >= 0 && i < static_cast<int>(d.digits.size())) ? d.digits[i] : '0';
}

// Integer digits of d (no leading zeros, empty for |d| < 1).
std::string integerDigits(const Decimal& d)
{
    std::string s;
    for (int i = 0; i < d.exp; ++i)
        s.push_back(digitAt(d, i));
    return s;
}

// First n decimal digits of d.
std::string decimalDigits(const Decimal& d, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s.push_back(digitAt(d, d.exp + i));
    return s;
}

std::string group(const std::string& intDigits, char sep)
{
    std::string out;
    int n = static_cast<int>(intDigits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.push_back(sep);
        out.push_back(intDigits[i]);
    }
    return out;
}

std::string scientificGeneral(const Decimal& d, const FormatSettings& fs)
{
    std::string s;
    if (d.negative)
        s.push_back('-');
    s.push_back(d.digits[0]);
    if (d.digits.size() > 1) {
        s.push_back(fs.decimalSeparator);
        s.append(d.digits.substr(1));
    }
    s.push_back('E');
    s.append(std::to_string(d.exp - 1));
    return s;
}

struct Picture {
    std::string prefix, suffix;
    int intPlaceholders = 0;
    int minInt = 0;
    int requiredDecimals = 0;
    int maxDecimals = 0;
    bool thousands = false;
    bool scientific = false;
    bool expPlus = false;
    int expDigits = 0;
    bool hasDecimalPoint = false;
};

std::vector<std::string> splitSections(std::string_view picture)
{
    std::vector<std::string> out(1);
    char quote = 0;
    for (char c : picture) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            out.emplace_back();
            continue;
        }
        out.back().push_back(c);
    }
    return out;
}

Picture parsePicture(const std::string& sec)
{
    Picture p;
    bool seenPlaceholder = false, afterPoint = false, firstZeroSeen = false;
    int intSinceFirstZero = 0;
    int decimalPos = 0;
    std::string literal;
    auto flushLiteral = [&] {
        if (literal.empty())
            return;
        (seenPlaceholder ? p.suffix : p.prefix) += literal;
        literal.clear();
    };
    for (size_t i = 0; i < sec.size(); ++i) {
        char c = sec[i];
        if (c == '"' || c == '\'') {
            size_t j = sec.find(c, i + 1);
            if (j == std::string::npos)
                j = sec.size();
            literal += sec.substr(i + 1, j - i - 1);
            i = j;
            continue;
        }
        if (p.scientific) {
            literal.push_back(c);
            continue;
        }
        if (c == '0' || c == '#') {
            if (seenPlaceholder && !p.suffix.empty()) {
                // a literal between placeholders stays after the number
            }
            flushLiteral();
            seenPlaceholder = true;
            if (afterPoint) {
                ++decimalPos;
                if (c == '0')
                    p.requiredDecimals = decimalPos;
                p.maxDecimals = decimalPos;
            } else {
                ++p.intPlaceholders;
                if (c == '0')
                    firstZeroSeen = true;
                if (firstZeroSeen)
                    ++intSinceFirstZero;
            }
        } else if (c == '.' && !afterPoint) {
            flushLiteral();
            afterPoint = true;
            p.hasDecimalPoint = true;
        } else if (c == ',') {
            p.thousands = true;
        } else if ((c == 'E' || c == 'e') && i + 1 < sec.size() && (sec[i + 1] == '+' || sec[i + 1] == '-')) {
            flushLiteral();
            p.scientific = true;
            p.expPlus = sec[i + 1] == '+';
            i += 2;
            while (i < sec.size() && sec[i] == '0') {
                ++p.expDigits;
                ++i;
            }
            --i;
        } else {
            literal.push_back(c);
        }
    }
    flushLiteral();
    p.minInt = intSinceFirstZero;
    return p;
}

std::string applyPicture(const Picture& p, double value, bool withSign, const FormatSettings& fs)
{
    Decimal d = toDecimal(value);
    std::string body;
    if (p.scientific) {
        int sigInt = std::max(1, p.intPlaceholders);
        int exponent = 0;
        if (!d.zero()) {
            roundSignificant(d, sigInt + p.maxDecimals);
            exponent = d.exp - sigInt;
            d.exp = sigInt;
        }
        std::string intPart = integerDigits(d);
        std::string dec = decimalDigits(d, p.maxDecimals);
        while (static_cast<int>(dec.size()) > p.requiredDecimals && dec.back() == '0')
            dec.pop_back();
        body = intPart.empty() ? "0" : intPart;
        if (!dec.empty())
            body += fs.decimalSeparator + dec;
        std::string e = std::to_string(std::abs(exponent));
        while (static_cast<int>(e.size()) < p.expDigits)
            e.insert(e.begin(), '0');
        body += 'E';
        if (exponent < 0)
            body += '-';
        else if (p.expPlus)
            body += '+';
        body += e;
    } else {
        roundDecimals(d, p.maxDecimals);
        std::string intPart = integerDigits(d);
        while (static_cast<int>(intPart.size()) < p.minInt)
            intPart.insert(intPart.begin(), '0');
        std::string dec = decimalDigits(d, p.maxDecimals);
        while (static_cast<int>(dec.size()) > p.requiredDecimals && dec.back() == '0')
            dec.pop_back();
        body = p.thousands ? group(intPart, fs.thousandSeparator) : intPart;
        if (!dec.empty())
            body += fs.decimalSeparator + dec;
    }
    std::string out;
    if (withSign && d.negative && !d.zero())
        out.push_back('-');
    return out + p.prefix + body + p.suffix;
}

} // namespace

FormatSettings& formatSettings()
{
    static FormatSettings settings = [] {
        FormatSettings s;
        if (const lconv* lc = std::localeconv()) {
            if (lc->decimal_point && lc->decimal_point[0])
                s.decimalSeparator = lc->decimal_point[0];
            if (lc->thousands_sep && lc->thousands_sep[0])
                s.thousandSeparator = lc->thousands_sep[0];
            else
                s.thousandSeparator = s.decimalSeparator == ',' ? '.' : ',';
        }
        return s;
    }();
    return settings;
}

void loadFormatSettingsFromLocale()
{
    FormatSettings s;
    if (const lconv* lc = std::localeconv()) {
        if (lc->decimal_point && lc->decimal_point[0])
            s.decimalSeparator = lc->decimal_point[0];
        s.thousandSeparator = (lc->thousands_sep && lc->thousands_sep[0]) ? lc->thousands_sep[0]
                                                                           : (s.decimalSeparator == ',' ? '.' : ',');
    }
    formatSettings() = s;
}

std::string FormatFloat(std::string_view picture, double value, const FormatSettings& fs)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    std::vector<std::string> sections = splitSections(picture);
    std::string section = sections[0];
    bool withSign = true;
    if (value < 0 && sections.size() > 1 && !sections[1].empty()) {
        section = sections[1];
        withSign = false;
        value = -value;
    }
    Picture p = parsePicture(section);
    if (p.intPlaceholders == 0 && p.maxDecimals == 0 && !p.scientific && !p.hasDecimalPoint)
        return p.prefix + FloatToStr(value, fs) + p.suffix;
    if (sections.size() > 2 && !sections[2].empty()) {
        Decimal d = toDecimal(value);
        roundDecimals(d, p.maxDecimals);
        if (d.zero())
            return applyPicture(parsePicture(sections[2]), 0.0, true, fs);
    }
    return applyPicture(p, value, withSign, fs);
}

std::string FormatFloat(std::string_view picture, double value)
{
    return FormatFloat(picture, value, formatSettings());
}

std::string FloatToStrGeneral(double value, int precision, const FormatSettings& fs)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    precision = std::clamp(precision, 1, 18);
    Decimal d = toDecimal(value);
    roundSignificant(d, precision);
    if (d.zero())
        return "0";
    if (d.exp > precision || d.exp < -3)
        return scientificGeneral(d, fs);
    std::string s;
    if (d.negative)
        s.push_back('-');
    std::string intPart = integerDigits(d);
    s += intPart.empty() ? "0" : intPart;
    int decimals = static_cast<int>(d.digits.size()) - d.exp;
    if (decimals > 0) {
        s.push_back(fs.decimalSeparator);
        s += decimalDigits(d, decimals);
    }
    return s;
}

std::string FloatToStr(double value, const FormatSettings& fs) { return FloatToStrGeneral(value, 15, fs); }
std::string FloatToStr(double value) { return FloatToStr(value, formatSettings()); }

std::string FloatToStrFixed(double value, int precision, int digits, const FormatSettings& fs)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    Decimal d = toDecimal(value);
    if (d.exp > precision)
        return FloatToStrGeneral(value, precision, fs);
    roundSignificant(d, std::min(precision, d.exp + digits));
    std::string s;
    if (d.negative && !d.zero())
        s.push_back('-');
    std::string intPart = integerDigits(d);
    s += intPart.empty() ? "0" : intPart;
    if (digits > 0) {
        s.push_back(fs.decimalSeparator);
        s += decimalDigits(d, digits);
    }
    return s;
}

std::string FloatToStrFixed(double value, int precision, int digits)
{
    return FloatToStrFixed(value, precision, digits, formatSettings());
}

bool TryStrToFloat(std::string_view text, double& value, char decimalSeparator)
{
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return false;
    std::string buf;
    if (decimalSeparator != '.') {
        buf.assign(text);
        for (char& c : buf) {
            if (c == decimalSeparator)
                c = '.';
            else if (c == '.')
                return false;
        }
        text = buf;
    }
    double v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size())
        return false;
    value = v;
    return true;
}

} // namespace rtl
