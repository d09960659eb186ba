#pragma once

// TRegistry: a registry object with a root, a current key and its path, over
// the emulated machine's registry. TqrleRegistry (registryroutines.h) adds
// the library's key-path rules on top.

#include "platform/win/registry.h"
#include "setup/installlib/exceptions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace installlib {

// A failed registry read or write of the registry object.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    // Works on the registry of win::Machine::current() unless one is given
    // (win::MachineError when there is neither).
    explicit TRegistry(win::Registry* registry = nullptr);
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    win::RootKey RootKey() const { return root_; }
    // Changing the root closes the current key.
    void SetRootKey(win::RootKey root);

    const std::optional<win::RegKey>& CurrentKey() const { return current_; }
    const std::string& CurrentPath() const { return currentPath_; }
    // The store writes every change through at once; the flag is kept for
    // callers that set it.
    bool LazyWrite = true;

    virtual bool OpenKey(std::string_view Key, bool CanCreate);
    void CloseKey();

    bool ValueExists(std::string_view Name);
    // Missing value: empty text. A value that is no string raises
    // ERegistryException.
    std::string ReadString(std::string_view Name);
    // Missing value or one that is no double word raises ERegistryException.
    int ReadInteger(std::string_view Name);
    // A date-time or other double kept as 8 bytes of binary data. Missing
    // value or one of another type or size raises ERegistryException.
    double ReadFloat(std::string_view Name);
    void WriteString(std::string_view Name, std::string_view Value);
    void WriteInteger(std::string_view Name, int Value);
    void WriteFloat(std::string_view Name, double Value);
    bool DeleteValue(std::string_view Name);
    // Subkey names of the current key (empty when none is open).
    std::vector<std::string> GetKeyNames();
    std::vector<std::string> GetValueNames();
    // Deletes a key that has no subkeys; Key as OpenKey takes it.
    bool DeleteKey(std::string_view Key);

protected:
    win::Registry& Store() { return *registry_; }
    // The key a path starts from and the path below it: "\..." from the root,
    // anything else from the current key (the root when none is open).
    win::RegKey BaseFor(std::string_view Key, std::string& subKey) const;
    void ChangeKey(const win::RegKey& key, std::string path);

private:
    win::Registry* registry_;
    win::RootKey root_ = win::RootKey::CurrentUser;
    std::optional<win::RegKey> current_;
    std::string currentPath_;
};

} // namespace installlib
