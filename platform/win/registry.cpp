#include "platform/win/registry.h"

#include "platform/win/errors.h"
#include "platform/win/hostfile.h"
#include "platform/win/registry_store.h"
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

} // namespace

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

// --- Registry ---

Registry::Registry(fs::path file, fs::path lockFile)
    : file_(std::move(file))
    , lockFile_(std::move(lockFile))
    , store_(std::make_unique<Store>())
{
    // Never through a link: one planted here would make a file outside the root.
    lockFd_ = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (lockFd_ < 0)
        throw MachineError("Cannot open the registry lock " + lockFile_.string());
    try {
        std::lock_guard guard(mutex_);
        Lock lock(lockFd_, true);
        // Every writer of the store holds this lock: what a killed one left goes.
        hostfile::removeLeftoverTemps(file_);
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
            store_->roots[i].name = rootKeyName(RootKey(i));
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
    parseText(bytes, *fresh, file_.string());
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
            store_->roots[i].name = rootKeyName(RootKey(i));
        writeKey(out, rootKeyName(RootKey(i)), &store_->roots[i]);
    }
    // A uniquely named temporary file and a rename: a reader (or a writer
    // that does not hold the lock) never meets a half-written store.
    if (!hostfile::replaceAtomically(file_, out)) {
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

long Registry::updateValue(
    const RegKey& key, const std::string& name, const std::function<bool(std::optional<RegValue>& value)>& change)
{
    bool changed = false;
    const long rc = mutate(key, true, [&](Key& k) {
        auto it = std::find_if(
            k.values.begin(), k.values.end(), [&](const RegValue& v) { return text::equalsNoCase(v.name, name); });
        std::optional<RegValue> value;
        if (it != k.values.end())
            value = *it;
        if (!change(value))
            return -1L; // nothing to save
        changed = true;
        if (!value) {
            if (it != k.values.end())
                k.values.erase(it);
        } else if (it != k.values.end()) {
            it->type = value->type;
            it->data = value->data;
        } else {
            value->name = name;
            k.values.push_back(*value);
        }
        return long(ERROR_SUCCESS);
    });
    return rc == -1 && !changed ? long(ERROR_SUCCESS) : rc;
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

long Registry::writeValue(RootKey root, const std::string& key, const RegValue& value)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, true);
    refreshLocked();
    const int r = int(root);
    if (r < 0 || r > 5)
        return ERROR_INVALID_PARAMETER;
    // Checked before anything changes: the missing keys and the value are
    // made in memory and saved together, so no store ever holds the new key
    // without its value.
    if (isReadOnly(root, key))
        return ERROR_ACCESS_DENIED;
    Key* k = &store_->roots[r];
    for (const auto& part : splitKeyPath(key)) {
        Key* next = k->child(part);
        k = next ? next : k->addChild(part);
    }
    if (RegValue* existing = k->value(value.name)) {
        existing->type = value.type;
        existing->data = value.data;
    } else {
        k->values.push_back(value);
    }
    saveLocked();
    return ERROR_SUCCESS;
}

long Registry::writeString(RootKey root, const std::string& key, const std::string& name, const std::string& value)
{
    return writeValue(root, key, RegValue::string(name, value));
}

long Registry::writeDWord(RootKey root, const std::string& key, const std::string& name, uint32_t value)
{
    return writeValue(root, key, RegValue::dword(name, value));
}

std::string Registry::exportText()
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, false);
    refreshLocked();
    std::string out = "REGEDIT4\r\n\r\n";
    for (int i = 0; i < 6; ++i)
        writeKey(out, rootKeyName(RootKey(i)), &store_->roots[i]);
    return out;
}

long Registry::applyInOneStep(const std::vector<Edit>& edits)
{
    std::lock_guard guard(mutex_);
    Lock lock(lockFd_, true);
    refreshLocked();
    for (const Edit& edit : edits) {
        if (int(edit.root) < 0 || int(edit.root) > 5)
            return ERROR_INVALID_PARAMETER;
        if (isReadOnly(edit.root, edit.key))
            return ERROR_ACCESS_DENIED;
    }
    // A failed save has the store read again: none of the edits is kept.
    for (const Edit& edit : edits) {
        const auto parts = splitKeyPath(edit.key);
        if (edit.kind == Edit::Kind::DeleteTree) {
            if (parts.empty())
                continue;
            Key* parent = &store_->roots[int(edit.root)];
            for (size_t i = 0; parent && i + 1 < parts.size(); ++i)
                parent = parent->child(parts[i]);
            if (parent)
                std::erase_if(parent->subkeys,
                    [&](const std::unique_ptr<Key>& k) { return text::equalsNoCase(k->name, parts.back()); });
            continue;
        }
        Key* k = &store_->roots[int(edit.root)];
        for (const auto& part : parts) {
            Key* next = k ? k->child(part) : nullptr;
            const bool makes = edit.kind == Edit::Kind::SetValue || edit.kind == Edit::Kind::AppendStrings;
            k = next ? next : (makes && k ? k->addChild(part) : nullptr);
        }
        if (!k)
            continue;
        RegValue* existing = k->value(edit.value.name);
        if (edit.kind == Edit::Kind::DeleteValue) {
            if (existing)
                std::erase_if(
                    k->values, [&](const RegValue& v) { return text::equalsNoCase(v.name, edit.value.name); });
        } else if (edit.kind == Edit::Kind::RemovePairs) {
            if (!existing)
                continue;
            std::vector<std::string> items = existing->strings();
            const std::vector<std::string> gone = edit.value.strings();
            for (size_t g = 0; g + 1 < gone.size(); g += 2)
                for (size_t i = 0; i + 1 < items.size(); i += 2)
                    if (items[i] == gone[g] && items[i + 1] == gone[g + 1]) {
                        items.erase(items.begin() + i, items.begin() + i + 2);
                        break;
                    }
            if (items.empty())
                std::erase_if(
                    k->values, [&](const RegValue& v) { return text::equalsNoCase(v.name, edit.value.name); });
            else
                *existing = RegValue::multiString(edit.value.name, items);
        } else if (edit.kind == Edit::Kind::AppendStrings) {
            std::vector<std::string> items = existing ? existing->strings() : std::vector<std::string>();
            for (const std::string& item : edit.value.strings())
                items.push_back(item);
            const RegValue joined = RegValue::multiString(edit.value.name, items);
            if (existing)
                *existing = joined;
            else
                k->values.push_back(joined);
        } else if (existing) {
            existing->type = edit.value.type;
            existing->data = edit.value.data;
        } else {
            k->values.push_back(edit.value);
        }
    }
    saveLocked();
    return ERROR_SUCCESS;
}

} // namespace win
