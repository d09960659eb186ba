#pragma once

// The registry of the emulated machine: six roots, keys matched without case
// and kept with their case, values in the order they were first written.
// It lives in <root>/registry.reg as REGEDIT4 text; every change is written
// to a temporary file and renamed into place under an exclusive flock on
// <root>/registry.lock, and a change made by another process is read back
// before the next call. The calls return Win32 error codes (0 = success).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace win {

// Roots by the numbers the install library passes.
enum class RootKey : int {
    ClassesRoot = 0,
    CurrentConfig = 1,
    CurrentUser = 2,
    DynData = 3,
    LocalMachine = 4,
    Users = 5
};

// "HKEY_LOCAL_MACHINE" and back (without case).
std::string rootKeyName(RootKey root);
std::optional<RootKey> rootKeyFromName(const std::string& name);

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_MULTI_SZ = 7;

// A value as RegQueryValueEx gives it: the data bytes in Windows layout
// (strings with their terminating NUL, multi-strings with the final double NUL).
struct RegValue {
    std::string name; // "" is the default value
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;

    static RegValue string(const std::string& name, const std::string& text, bool expand = false);
    static RegValue dword(const std::string& name, uint32_t value);
    static RegValue binary(const std::string& name, const std::vector<uint8_t>& bytes);
    static RegValue multiString(const std::string& name, const std::vector<std::string>& items);

    bool isString() const { return type == REG_SZ || type == REG_EXPAND_SZ; }
    std::string text() const; // up to the first NUL
    uint32_t dwordValue() const; // 0 unless 4 bytes
    std::vector<std::string> strings() const; // the items of a multi-string
};

// An open key: a root and a path below it ("" for the root itself).
struct RegKey {
    RootKey root = RootKey::CurrentUser;
    std::string path;
    bool writable = true;

    RegKey() = default;
    RegKey(RootKey r)
        : root(r)
    {
    } // NOLINT: a root is an open key
    RegKey(RootKey r, std::string p, bool w = true)
        : root(r)
        , path(std::move(p))
        , writable(w)
    {
    }
    std::string fullName() const; // "HKEY_LOCAL_MACHINE\SOFTWARE\X"
};

class Registry {
public:
    // Loads the store, creating an empty one when the file is missing.
    // Throws MachineError naming the file and line when it is corrupt.
    Registry(std::filesystem::path file, std::filesystem::path lockFile);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const std::filesystem::path& file() const { return file_; }

    // subKey is relative to base; a leading "\" is ignored. ERROR_FILE_NOT_FOUND
    // when the key does not exist.
    long openKey(const RegKey& base, const std::string& subKey, bool write, RegKey& out);
    // Opens or creates the key with its missing parents.
    long createKey(const RegKey& base, const std::string& subKey, RegKey& out, bool* created = nullptr);
    bool keyExists(const RegKey& base, const std::string& subKey);

    // Subkey names sorted without case, as Windows lists them.
    long enumKeys(const RegKey& key, std::vector<std::string>& names);
    // Values in insertion order.
    long enumValues(const RegKey& key, std::vector<RegValue>& values);
    long queryValue(const RegKey& key, const std::string& name, RegValue& out);
    // Replaces a value in its place or appends it.
    long setValue(const RegKey& key, const RegValue& value);
    long deleteValue(const RegKey& key, const std::string& name);
    // Reads a value and writes back what change leaves in it (no value
    // deletes it) under one lock of the store, so that no other program's
    // change comes between. change gets the value (empty when missing) and
    // returns false to leave the store as it is.
    long updateValue(
        const RegKey& key, const std::string& name, const std::function<bool(std::optional<RegValue>& value)>& change);
    // Deletes a key without subkeys (ERROR_ACCESS_DENIED otherwise, as NT does).
    long deleteKey(const RegKey& base, const std::string& subKey);
    // Deletes a key with everything below it.
    long deleteTree(const RegKey& base, const std::string& subKey);

    // Convenience readers: the value or def when missing or of another type.
    std::string readString(RootKey root, const std::string& key, const std::string& name, const std::string& def = {});
    uint32_t readDWord(RootKey root, const std::string& key, const std::string& name, uint32_t def = 0);
    // Creates the key and writes; returns the error code.
    long writeString(RootKey root, const std::string& key, const std::string& name, const std::string& text);
    long writeDWord(RootKey root, const std::string& key, const std::string& name, uint32_t value);

    // For failure tests: writes to the key and to keys below it, and their
    // deletion, fail with ERROR_ACCESS_DENIED (kept by this object only).
    void setKeyReadOnly(RootKey root, const std::string& key, bool readOnly);

    // The store as REGEDIT4 text (what the file holds).
    std::string exportText();

    // Several changes saved in one step, so that a process killed meanwhile
    // leaves the store as it was or with all of them. Nothing changes when
    // one of the keys is read-only (ERROR_ACCESS_DENIED).
    struct Edit {
        enum class Kind { SetValue, DeleteValue, DeleteTree, AppendStrings, RemovePairs } kind;
        RootKey root = RootKey::LocalMachine;
        std::string key;
        // SetValue; its name for DeleteValue; the items for AppendStrings;
        // for RemovePairs, pairs of items each taken once from the list as
        // it stands then (a list with no items left goes).
        RegValue value;
    };
    long applyInOneStep(const std::vector<Edit>& edits);

private:
    struct Key;
    struct Store;
    class Lock;
    static void writeKey(std::string& out, const std::string& fullName, const Key* key);
    static void parseText(const std::string& bytes, Store& store, const std::string& fileName);
    static std::string storedPath(Key* rootKey, const std::string& path);
    long removeKey(const RegKey& base, const std::string& subKey, bool withSubkeys);
    void refreshLocked();
    void saveLocked();
    bool isReadOnly(RootKey root, const std::string& path) const;
    Key* find(RootKey root, const std::string& path);
    long mutate(const RegKey& key, bool needWrite, const std::function<long(Key&)>& change);
    // Creates the missing keys of key and sets the value, in one save.
    long writeValue(RootKey root, const std::string& key, const RegValue& value);

    std::filesystem::path file_, lockFile_;
    int lockFd_ = -1;
    std::recursive_mutex mutex_;
    std::unique_ptr<Store> store_;
    std::set<std::string> readOnly_; // upper-cased full names
};

} // namespace win
