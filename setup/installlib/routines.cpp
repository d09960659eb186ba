#include "setup/installlib/routines.h"

#include <cstdint>

namespace installlib {

std::string AddBackslash(std::string_view S)
{
    std::string r(S);
    if (!r.empty() && r.back() != '\\')
        r += '\\';
    return r;
}

std::string RemoveBackslash(std::string_view S)
{
    std::string r(S);
    if (!r.empty() && r.back() == '\\')
        r.pop_back();
    return r;
}

int CountDelimitedItems(std::string_view S, char Delimiter)
{
    if (S.empty())
        return 0;
    int n = 0;
    for (char c : S)
        if (c == Delimiter)
            ++n;
    if (S.back() != Delimiter)
        ++n;
    return n;
}

std::string GetDelimitedItem(std::string_view S, int N, char Delimiter)
{
    std::size_t start = 0;
    for (int field = 1; field < N; ++field) {
        std::size_t d = S.find(Delimiter, start);
        if (d == std::string_view::npos)
            return {};
        start = d + 1;
    }
    std::size_t end = S.find(Delimiter, start);
    return std::string(S.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

void SplitDelimited(std::string_view S, char Delimiter, std::vector<std::string>& List)
{
    List.clear();
    std::size_t start = 0;
    int count = CountDelimitedItems(S, Delimiter);
    for (int i = 0; i < count; ++i) {
        std::size_t end = S.find(Delimiter, start);
        if (end == std::string_view::npos) {
            List.emplace_back(S.substr(start));
            start = S.size();
        } else {
            List.emplace_back(S.substr(start, end - start));
            start = end + 1;
        }
    }
}

void TextAfterColon(std::string_view S, std::string& Result)
{
    std::size_t p = S.find(':');
    if (p != std::string_view::npos)
        Result = std::string(S.substr(p + 1));
}

bool TryStrToInt(std::string_view s, int& value)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    bool negative = false;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$')
        base = 16, ++i;
    else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X'))
        base = 16, i += 2;
    if (i >= s.size())
        return false;
    long long v = 0;
    for (; i < s.size(); ++i) {
        char c = lower(s[i]);
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return false;
        v = v * base + d;
        if (v > 0xFFFFFFFFLL)
            return false;
    }
    if (negative)
        v = -v;
    // Hexadecimal may give the whole 32-bit word ($FFFFFFFF is -1); decimal
    // must lie in the signed range.
    if (base == 10 && (v > 0x7FFFFFFFLL || v < -0x80000000LL))
        return false;
    if (base == 16 && v < -0x80000000LL)
        return false;
    value = static_cast<int>(static_cast<std::uint32_t>(v));
    return true;
}

std::string MakeValidFileName(std::string_view S)
{
    std::string r;
    r.reserve(S.size());
    for (char c : S) {
        switch (c) {
        case '/':
            r += '-';
            break;
        case '"':
        case '*':
        case ':':
        case ';':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            break;
        default:
            r += c;
        }
    }
    return r;
}

std::string ExtractFilePath(std::string_view Path)
{
    const std::size_t cut = Path.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? std::string_view() : Path.substr(0, cut + 1));
}

std::string ExtractFileName(std::string_view Path)
{
    const std::size_t cut = Path.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? Path : Path.substr(cut + 1));
}

} // namespace installlib
