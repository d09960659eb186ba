// The registry's values and its REGEDIT4 text.

#include "platform/win/errors.h"
#include "platform/win/registry_store.h"

#include <cstdio>

namespace win {

namespace {

const char* const kRootNames[] = { "HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER", "HKEY_DYN_DATA",
    "HKEY_LOCAL_MACHINE", "HKEY_USERS" };

std::vector<std::string> splitKeyPath(const std::string& path)
{
    return text::splitNonEmpty(path, '\\');
}

std::string hexByte(uint8_t b)
{
    char s[4];
    std::snprintf(s, sizeof s, "%02x", b);
    return s;
}

std::string quote(const std::string& s)
{
    std::string out = "\"";
    for (char c : s) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string rootKeyName(RootKey root)
{
    int i = int(root);
    return (i >= 0 && i < 6) ? kRootNames[i] : "HKEY_CURRENT_USER";
}

std::optional<RootKey> rootKeyFromName(const std::string& name)
{
    for (int i = 0; i < 6; ++i)
        if (text::equalsNoCase(name, kRootNames[i]))
            return RootKey(i);
    static const std::pair<const char*, RootKey> shortNames[]
        = { { "HKCR", RootKey::ClassesRoot }, { "HKCC", RootKey::CurrentConfig }, { "HKCU", RootKey::CurrentUser },
              { "HKDD", RootKey::DynData }, { "HKLM", RootKey::LocalMachine }, { "HKU", RootKey::Users } };
    for (auto& [n, r] : shortNames)
        if (text::equalsNoCase(name, n))
            return r;
    return std::nullopt;
}

// --- RegValue ---

RegValue RegValue::string(const std::string& name, const std::string& textValue, bool expand)
{
    RegValue v;
    v.name = name;
    v.type = expand ? REG_EXPAND_SZ : REG_SZ;
    v.data.assign(textValue.begin(), textValue.end());
    v.data.push_back(0);
    return v;
}

RegValue RegValue::dword(const std::string& name, uint32_t value)
{
    RegValue v;
    v.name = name;
    v.type = REG_DWORD;
    for (int i = 0; i < 4; ++i)
        v.data.push_back(uint8_t(value >> (8 * i)));
    return v;
}

RegValue RegValue::binary(const std::string& name, const std::vector<uint8_t>& bytes)
{
    RegValue v;
    v.name = name;
    v.type = REG_BINARY;
    v.data = bytes;
    return v;
}

RegValue RegValue::multiString(const std::string& name, const std::vector<std::string>& items)
{
    RegValue v;
    v.name = name;
    v.type = REG_MULTI_SZ;
    for (const auto& item : items) {
        v.data.insert(v.data.end(), item.begin(), item.end());
        v.data.push_back(0);
    }
    v.data.push_back(0);
    return v;
}

std::string RegValue::text() const
{
    std::string s(data.begin(), data.end());
    return s.substr(0, s.find('\0'));
}

uint32_t RegValue::dwordValue() const
{
    if (data.size() != 4)
        return 0;
    return uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 | uint32_t(data[3]) << 24;
}

std::vector<std::string> RegValue::strings() const
{
    // Items end with a NUL and the list with one more; empty items in the
    // middle are kept (delayed deletes are pairs with an empty target).
    std::string s(data.begin(), data.end());
    if (s.size() <= 1)
        return {};
    if (s.size() >= 2 && s[s.size() - 1] == '\0' && s[s.size() - 2] == '\0')
        s.pop_back();
    std::vector<std::string> out;
    size_t start = 0;
    while (start < s.size()) {
        size_t end = s.find('\0', start);
        if (end == std::string::npos)
            end = s.size();
        out.push_back(s.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string RegKey::fullName() const
{
    return path.empty() ? rootKeyName(root) : rootKeyName(root) + "\\" + path;
}

static void serializeKey(std::string& out, const std::string& fullName, const std::vector<RegValue>& values)
{
    out += "[" + fullName + "]\r\n";
    for (const auto& v : values) {
        std::string line = v.name.empty() ? "@=" : quote(v.name) + "=";
        bool plainText = false;
        if (v.type == REG_SZ && !v.data.empty() && v.data.back() == 0) {
            plainText = true;
            for (size_t i = 0; i + 1 < v.data.size(); ++i)
                if (v.data[i] == 0 || v.data[i] == '\r' || v.data[i] == '\n')
                    plainText = false;
        }
        if (plainText) {
            line += quote(std::string(v.data.begin(), v.data.end() - 1));
        } else if (v.type == REG_DWORD && v.data.size() == 4) {
            char s[16];
            std::snprintf(s, sizeof s, "dword:%08x", v.dwordValue());
            line += s;
        } else {
            if (v.type == REG_BINARY) {
                line += "hex:";
            } else {
                char s[16];
                std::snprintf(s, sizeof s, "hex(%x):", v.type);
                line += s;
            }
            for (size_t i = 0; i < v.data.size(); ++i) {
                line += hexByte(v.data[i]);
                if (i + 1 < v.data.size()) {
                    line += ',';
                    if (line.size() > 76) {
                        out += line + "\\\r\n";
                        line = "  ";
                    }
                }
            }
        }
        out += line + "\r\n";
    }
    out += "\r\n";
}

void Registry::writeKey(std::string& out, const std::string& fullName, const Key* key)
{
    serializeKey(out, fullName, key->values);
    for (const auto& sub : key->subkeys)
        writeKey(out, fullName + "\\" + sub->name, sub.get());
}

namespace {

struct ParseError {
    int line;
    std::string what;
};

// A quoted REGEDIT4 string starting at s[i] == '"'; i ends after the closing quote.
std::string parseQuoted(const std::string& s, size_t& i, int lineNo)
{
    std::string out;
    ++i;
    while (i < s.size() && s[i] != '"') {
        if (s[i] == '\\' && i + 1 < s.size())
            ++i;
        out += s[i++];
    }
    if (i >= s.size())
        throw ParseError { lineNo, "unterminated string" };
    ++i;
    return out;
}

std::vector<uint8_t> parseHexList(const std::string& s, int lineNo)
{
    std::vector<uint8_t> out;
    for (const auto& item : text::splitNonEmpty(s, ',')) {
        std::string t = text::trim(item);
        if (t.empty())
            continue;
        if (t.size() > 2 || !std::isxdigit(static_cast<unsigned char>(t[0]))
            || (t.size() == 2 && !std::isxdigit(static_cast<unsigned char>(t[1]))))
            throw ParseError { lineNo, "bad hex byte \"" + t + "\"" };
        out.push_back(uint8_t(std::stoul(t, nullptr, 16)));
    }
    return out;
}

} // namespace

// Reads REGEDIT4 text into an empty store; a fault names the file and line.
void Registry::parseText(const std::string& bytes, Store& store, const std::string& fileName)
{
    for (int i = 0; i < 6; ++i)
        store.roots[i].name = rootKeyName(RootKey(i));
    try {
        const std::vector<std::string> lines = text::splitLines(bytes);
        size_t i = 0;
        while (i < lines.size() && text::trim(lines[i]).empty())
            ++i;
        if (i >= lines.size() || text::trim(lines[i]) != "REGEDIT4")
            throw ParseError { int(i + 1), "the first line must be REGEDIT4" };
        ++i;
        Key* current = nullptr;
        for (; i < lines.size(); ++i) {
            int lineNo = int(i + 1);
            std::string line = text::trim(lines[i]);
            if (line.empty() || line[0] == ';')
                continue;
            if (line[0] == '[') {
                if (line.back() != ']')
                    throw ParseError { lineNo, "a key line must end with ]" };
                std::string name = line.substr(1, line.size() - 2);
                bool remove = !name.empty() && name[0] == '-';
                if (remove)
                    name = name.substr(1);
                auto parts = splitKeyPath(name);
                std::optional<RootKey> root = parts.empty() ? std::nullopt : rootKeyFromName(parts[0]);
                if (!root)
                    throw ParseError { lineNo, "unknown root key in \"" + name + "\"" };
                Key* k = &store.roots[int(*root)];
                Key* parent = nullptr;
                for (size_t p = 1; p < parts.size() && k; ++p) {
                    parent = k;
                    Key* next = k->child(parts[p]);
                    k = next ? next : (remove ? nullptr : k->addChild(parts[p]));
                }
                if (remove) {
                    if (k && parent)
                        parent->subkeys.erase(std::find_if(parent->subkeys.begin(), parent->subkeys.end(),
                            [k](const std::unique_ptr<Key>& c) { return c.get() == k; }));
                    current = nullptr;
                } else {
                    current = k;
                }
                continue;
            }
            // A value line, possibly continued with a trailing backslash (hex data).
            while (
                !line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos && i + 1 < lines.size())
                line = line.substr(0, line.size() - 1) + text::trim(lines[++i]);
            if (!current)
                throw ParseError { lineNo, "a value outside of any key" };
            RegValue v;
            size_t p = 0;
            if (line[0] == '@') {
                p = 1;
            } else if (line[0] == '"') {
                v.name = parseQuoted(line, p, lineNo);
            } else {
                throw ParseError { lineNo, "cannot read \"" + line + "\"" };
            }
            while (p < line.size() && line[p] == ' ')
                ++p;
            if (p >= line.size() || line[p] != '=')
                throw ParseError { lineNo, "\"=\" expected" };
            std::string data = text::trim(line.substr(p + 1));
            if (data == "-") {
                current->values.erase(std::remove_if(current->values.begin(), current->values.end(),
                                          [&](const RegValue& x) { return text::equalsNoCase(x.name, v.name); }),
                    current->values.end());
                continue;
            }
            if (!data.empty() && data[0] == '"') {
                size_t q = 0;
                std::string s = parseQuoted(data, q, lineNo);
                if (q != data.size())
                    throw ParseError { lineNo, "text after the closing quote" };
                v = RegValue::string(v.name, s);
            } else if (data.rfind("dword:", 0) == 0) {
                std::string digits = data.substr(6);
                if (digits.empty() || digits.size() > 8
                    || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    throw ParseError { lineNo, "bad dword \"" + digits + "\"" };
                v = RegValue::dword(v.name, uint32_t(std::stoul(digits, nullptr, 16)));
            } else if (data.rfind("hex:", 0) == 0) {
                v = RegValue::binary(v.name, parseHexList(data.substr(4), lineNo));
            } else if (data.rfind("hex(", 0) == 0) {
                size_t close = data.find("):");
                std::string typeDigits = close == std::string::npos ? "" : data.substr(4, close - 4);
                if (typeDigits.empty() || typeDigits.size() > 8
                    || typeDigits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                    throw ParseError { lineNo, "bad value type in \"" + data.substr(0, 12) + "\"" };
                v.type = uint32_t(std::stoul(typeDigits, nullptr, 16));
                v.data = parseHexList(data.substr(close + 2), lineNo);
            } else {
                throw ParseError { lineNo, "cannot read the value data \"" + data + "\"" };
            }
            if (RegValue* existing = current->value(v.name)) {
                existing->type = v.type;
                existing->data = v.data;
            } else {
                current->values.push_back(std::move(v));
            }
        }
    } catch (const ParseError& e) {
        throw MachineError(fileName + ": line " + std::to_string(e.line) + ": " + e.what);
    } catch (const std::exception& e) {
        throw MachineError(fileName + ": " + e.what());
    }
}

} // namespace win
