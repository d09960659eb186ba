#include "platform/win/registry.h"

#include "platform/win/errors.h"
#include "platform/win/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

namespace {

const char* const kRootNames[] = { "HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER", "HKEY_DYN_DATA",
    "HKEY_LOCAL_MACHINE", "HKEY_USERS" };

std::vector<std::string> splitKeyPath(const std::string& path)
{
    return text::splitNonEmpty(path, '\\');
}

std::string joinPath(const std::string& a, const std::string& b)
{
    std::string out;
    for (const auto& part : splitKeyPath(a + "\\" + b)) {
        if (!out.empty())
            out += '\\';
        out += part;
    }
    return out;
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

// --- the store ---

struct Registry::Key {
    std::string name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<Key>> subkeys; // sorted without case

    Key* child(const std::string& n) const
    {
        for (const auto& k : subkeys)
            if (text::equalsNoCase(k->name, n))
                return k.get();
        return nullptr;
    }
    Key* addChild(const std::string& n)
    {
        auto k = std::make_unique<Key>();
        k->name = n;
        Key* raw = k.get();
        auto at = std::lower_bound(subkeys.begin(), subkeys.end(), n,
            [](const std::unique_ptr<Key>& a, const std::string& b) { return text::compareNoCase(a->name, b) < 0; });
        subkeys.insert(at, std::move(k));
        return raw;
    }
    RegValue* value(const std::string& n)
    {
        for (auto& v : values)
            if (text::equalsNoCase(v.name, n))
                return &v;
        return nullptr;
    }
};

struct Registry::Store {
    Key roots[6];
    // What the file looked like when it was last read or written.
    bool known = false;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec mtime { };
};

class Registry::Lock {
public:
    Lock(int fd, bool exclusive)
        : fd_(fd)
    {
        while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) { }
    }
    ~Lock() { ::flock(fd_, LOCK_UN); }

private:
    int fd_;
};

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

// --- Registry ---

Registry::Registry(fs::path file, fs::path lockFile)
    : file_(std::move(file))
    , lockFile_(std::move(lockFile))
    , store_(std::make_unique<Store>())
{
    lockFd_ = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0)
        throw MachineError("Cannot open the registry lock " + lockFile_.string());
    try {
        std::lock_guard guard(mutex_);
        Lock lock(lockFd_, true);
        refreshLocked();
        if (!store_->known)
            saveLocked();
    } catch (...) {
        ::close(lockFd_);
        throw;
    }
}

Registry::~Registry()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

void Registry::refreshLocked()
{
    struct stat st { };
    if (::stat(file_.c_str(), &st) != 0) {
        // No store yet (or removed): an empty registry.
        if (store_->known)
            store_ = std::make_unique<Store>();
        for (int i = 0; i < 6; ++i)
            store_->roots[i].name = kRootNames[i];
        store_->known = false;
        return;
    }
    if (store_->known && st.st_ino == store_->inode && st.st_size == store_->size
        && st.st_mtim.tv_sec == store_->mtime.tv_sec && st.st_mtim.tv_nsec == store_->mtime.tv_nsec)
        return;

    std::ifstream in(file_, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (!in && !in.eof())
        throw MachineError(file_.string() + ": cannot be read");
    std::string bytes = buffer.str();

    auto fresh = std::make_unique<Store>();
    for (int i = 0; i < 6; ++i)
        fresh->roots[i].name = kRootNames[i];
    try {
        std::vector<std::string> lines;
        {
            size_t start = 0;
            while (start < bytes.size()) {
                size_t end = bytes.find('\n', start);
                if (end == std::string::npos)
                    end = bytes.size();
                std::string line = bytes.substr(start, end - start);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                lines.push_back(line);
                start = end + 1;
            }
        }
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
                Key* k = &fresh->roots[int(*root)];
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
        throw MachineError(file_.string() + ": line " + std::to_string(e.line) + ": " + e.what);
    } catch (const std::exception& e) {
        throw MachineError(file_.string() + ": " + e.what());
    }
    fresh->known = true;
    fresh->inode = st.st_ino;
    fresh->size = st.st_size;
    fresh->mtime = st.st_mtim;
    store_ = std::move(fresh);
}

void Registry::saveLocked()
{
    std::string out = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < 6; ++i) {
        if (store_->roots[i].name.empty())
            store_->roots[i].name = kRootNames[i];
        writeKey(out, kRootNames[i], &store_->roots[i]);
    }
    fs::path tmp = file_;
    tmp += ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    size_t done = 0;
    while (ok && done < out.size()) {
        ssize_t n = ::write(fd, out.data() + done, out.size() - done);
        if (n <= 0)
            ok = false;
        else
            done += size_t(n);
    }
    if (fd >= 0) {
        ok = ::fsync(fd) == 0 && ok;
        ::close(fd);
    }
    if (ok)
        ok = ::rename(tmp.c_str(), file_.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        store_->known = false; // read the file again next time; this change is lost
        store_->inode = 0;
        throw MachineError("Cannot write the registry store " + file_.string());
    }
    struct stat st { };
    if (::stat(file_.c_str(), &st) == 0) {
        store_->known = true;
        store_->inode = st.st_ino;
        store_->size = st.st_size;
        store_->mtime = st.st_mtim;
    }
}

Registry::Key* Registry::find(RootKey root, const std::string& path)
{
    int r = int(root);
    if (r < 0 || r > 5)
        return nullptr;
    Key* k = &store_->roots[r];
    for (const auto& part : splitKeyPath(path)) {
        k = k->child(part);
        if (!k)
            return nullptr;
    }
    return k;
}

bool Registry::isReadOnly(RootKey root, const std::string& path) const
{
    if (readOnly_.empty())
        return false;
    std::string name = text::toUpper(RegKey(root, joinPath(path, "")).fullName());
    for (const auto& ro : readOnly_)
        if (name == ro || (name.size() > ro.size() && name.compare(0, ro.size(), ro) == 0 && name[ro.size()] == '\\'))
            return true;
    return false;
}

void Registry::setKeyReadOnly(RootKey root, const std::string& key, bool readOnly)
{
    std::lock_guard guard(mutex_);
    std::string name = text::toUpper(RegKey(root, joinPath(key, "")).fullName());
    if (readOnly)
        readOnly_.insert(name);
    else
        readOnly_.erase(name);
}

// The stored spelling of a key's path.
std::string Registry::storedPath(Key* rootKey, const std::string& path)
{
    std::string out;
    Key* k = rootKey;
    for (const auto& part : text::splitNonEmpty(path, '\\')) {
        Key* next = k ? k->child(part) : nullptr;
        if (!out.empty())
            out += '\\';
        out += next ? next->name : part;
        k = next;
    }
    return out;
}

long Registry::openKey(const RegKey& base, const std::string& subKey, bool write, RegKey& out)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, false);
    refreshLocked();
    if (!find(base.root, base.path))
        return ERROR_KEY_DELETED;
    std::string path = joinPath(base.path, subKey);
    if (!find(base.root, path))
        return ERROR_FILE_NOT_FOUND;
    out = RegKey(base.root, storedPath(&store_->roots[int(base.root)], path), write);
    return ERROR_SUCCESS;
}

long Registry::createKey(const RegKey& base, const std::string& subKey, RegKey& out, bool* created)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, true);
    refreshLocked();
    if (created)
        *created = false;
    int r = int(base.root);
    if (r < 0 || r > 5)
        return ERROR_INVALID_PARAMETER;
    if (!find(base.root, base.path))
        return ERROR_KEY_DELETED;
    std::string path = joinPath(base.path, subKey);
    Key* k = &store_->roots[r];
    std::string sofar;
    bool made = false;
    for (const auto& part : splitKeyPath(path)) {
        sofar = sofar.empty() ? part : sofar + "\\" + part;
        Key* next = k->child(part);
        if (!next) {
            if (isReadOnly(base.root, sofar))
                return made ? (saveLocked(), long(ERROR_ACCESS_DENIED)) : long(ERROR_ACCESS_DENIED);
            next = k->addChild(part);
            made = true;
        }
        k = next;
    }
    if (made)
        saveLocked();
    if (created)
        *created = made;
    out = RegKey(base.root, storedPath(&store_->roots[r], path), true);
    return ERROR_SUCCESS;
}

bool Registry::keyExists(const RegKey& base, const std::string& subKey)
{
    RegKey k;
    return openKey(base, subKey, false, k) == ERROR_SUCCESS;
}

long Registry::enumKeys(const RegKey& key, std::vector<std::string>& names)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, false);
    refreshLocked();
    names.clear();
    Key* k = find(key.root, key.path);
    if (!k)
        return ERROR_KEY_DELETED;
    for (const auto& sub : k->subkeys)
        names.push_back(sub->name);
    return ERROR_SUCCESS;
}

long Registry::enumValues(const RegKey& key, std::vector<RegValue>& values)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, false);
    refreshLocked();
    values.clear();
    Key* k = find(key.root, key.path);
    if (!k)
        return ERROR_KEY_DELETED;
    values = k->values;
    return ERROR_SUCCESS;
}

long Registry::queryValue(const RegKey& key, const std::string& name, RegValue& out)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, false);
    refreshLocked();
    Key* k = find(key.root, key.path);
    if (!k)
        return ERROR_KEY_DELETED;
    RegValue* v = k->value(name);
    if (!v)
        return ERROR_FILE_NOT_FOUND;
    out = *v;
    return ERROR_SUCCESS;
}

long Registry::mutate(const RegKey& key, bool needWrite, const std::function<long(Key&)>& change)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, true);
    refreshLocked();
    if (needWrite && (!key.writable || isReadOnly(key.root, key.path)))
        return ERROR_ACCESS_DENIED;
    Key* k = find(key.root, key.path);
    if (!k)
        return ERROR_KEY_DELETED;
    long rc = change(*k);
    if (rc == ERROR_SUCCESS)
        saveLocked();
    return rc;
}

long Registry::setValue(const RegKey& key, const RegValue& value)
{
    return mutate(key, true, [&](Key& k) {
        if (RegValue* existing = k.value(value.name)) {
            existing->type = value.type;
            existing->data = value.data;
        } else {
            k.values.push_back(value);
        }
        return long(ERROR_SUCCESS);
    });
}

long Registry::deleteValue(const RegKey& key, const std::string& name)
{
    return mutate(key, true, [&](Key& k) {
        auto it = std::find_if(
            k.values.begin(), k.values.end(), [&](const RegValue& v) { return text::equalsNoCase(v.name, name); });
        if (it == k.values.end())
            return long(ERROR_FILE_NOT_FOUND);
        k.values.erase(it);
        return long(ERROR_SUCCESS);
    });
}

long Registry::deleteKey(const RegKey& base, const std::string& subKey)
{
    return removeKey(base, subKey, false);
}

long Registry::deleteTree(const RegKey& base, const std::string& subKey)
{
    return removeKey(base, subKey, true);
}

long Registry::removeKey(const RegKey& base, const std::string& subKey, bool withSubkeys)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, true);
    refreshLocked();
    if (!find(base.root, base.path))
        return ERROR_KEY_DELETED;
    auto parts = splitKeyPath(joinPath(base.path, subKey));
    if (parts.empty() || splitKeyPath(subKey).empty())
        return ERROR_INVALID_PARAMETER;
    std::string path = joinPath(base.path, subKey);
    Key* k = find(base.root, path);
    if (!k)
        return ERROR_FILE_NOT_FOUND;
    if (!withSubkeys && !k->subkeys.empty())
        return ERROR_ACCESS_DENIED;
    // A read-only key anywhere in the tree refuses the delete.
    std::string name = text::toUpper(RegKey(base.root, path).fullName());
    for (const auto& ro : readOnly_)
        if (ro == name || (ro.size() > name.size() && ro.compare(0, name.size(), name) == 0 && ro[name.size()] == '\\')
            || isReadOnly(base.root, path))
            return ERROR_ACCESS_DENIED;
    parts.pop_back();
    std::string parentPath;
    for (const auto& p : parts)
        parentPath = parentPath.empty() ? p : parentPath + "\\" + p;
    Key* parent = find(base.root, parentPath);
    parent->subkeys.erase(std::find_if(
        parent->subkeys.begin(), parent->subkeys.end(), [k](const std::unique_ptr<Key>& c) { return c.get() == k; }));
    saveLocked();
    return ERROR_SUCCESS;
}

std::string Registry::readString(RootKey root, const std::string& key, const std::string& name, const std::string& def)
{
    RegKey k;
    RegValue v;
    if (openKey(root, key, false, k) != ERROR_SUCCESS || queryValue(k, name, v) != ERROR_SUCCESS || !v.isString())
        return def;
    return v.text();
}

uint32_t Registry::readDWord(RootKey root, const std::string& key, const std::string& name, uint32_t def)
{
    RegKey k;
    RegValue v;
    if (openKey(root, key, false, k) != ERROR_SUCCESS || queryValue(k, name, v) != ERROR_SUCCESS || v.type != REG_DWORD
        || v.data.size() != 4)
        return def;
    return v.dwordValue();
}

long Registry::writeString(RootKey root, const std::string& key, const std::string& name, const std::string& value)
{
    RegKey k;
    long rc = createKey(root, key, k);
    return rc != ERROR_SUCCESS ? rc : setValue(k, RegValue::string(name, value));
}

long Registry::writeDWord(RootKey root, const std::string& key, const std::string& name, uint32_t value)
{
    RegKey k;
    long rc = createKey(root, key, k);
    return rc != ERROR_SUCCESS ? rc : setValue(k, RegValue::dword(name, value));
}

std::string Registry::exportText()
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, false);
    refreshLocked();
    std::string out = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < 6; ++i)
        writeKey(out, kRootNames[i], &store_->roots[i]);
    return out;
}

} // namespace win
