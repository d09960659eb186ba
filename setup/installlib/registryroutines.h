#pragma once

// Registry, INI and naming routines of the install library, and the shell
// folders. Registry roots are passed as numbers (0 classes root, 1 current
// config, 2 current user, 3 dynamic data, 4 local machine, 5 users); key
// paths that begin with "\" are absolute, others relative to the open key.
// Each routine opens its own registry object and frees it.

#include "setup/installlib/component.h"
#include "setup/installlib/registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace installlib {

// A registry write of the install failed.
class EIRCannotWriteValue : public Exception {
public:
    using Exception::Exception;
};

// The root of a root number; false (root unchanged) for any other number.
bool RootFromNumber(int Number, win::RootKey& Root);
// The number of a root; Default for a root outside the table.
int NumberFromRoot(win::RootKey Root, int Default);

class TqrleRegistry : public TRegistry {
public:
    using TRegistry::TRegistry;

    // Not CanCreate, or an empty Key: opens the existing key for reading and
    // writing. CanCreate: opens the key when it exists, else creates it.
    // The opened key becomes current.
    bool OpenKey(std::string_view Key, bool CanCreate) override;
    // A key of its own, without changing the current key; empty on failure.
    std::optional<win::RegKey> OpenKeyAllAccess(std::string_view Key);
    std::optional<win::RegKey> OpenKeyRead(std::string_view Key);
    bool KeyExists(std::string_view Key);
    // Deletes every subkey (depth first) and then Key; returns whether the
    // last delete succeeded. The current key is kept.
    bool DeleteKeyRecursive(std::string_view Key);
};

// Raise EIRCannotWriteValue when the key cannot be opened or created or the
// write fails.
void RegistryWriteString(int Root, std::string_view Key, std::string_view Name, std::string_view Value);
void RegistryWriteInteger(int Root, std::string_view Key, std::string_view Name, int Value);
// Default unless the key and the value exist with the right type. Never raise.
std::string RegistryReadString(int Root, std::string_view Key, std::string_view Name, std::string_view Default);
int RegistryReadInteger(int Root, std::string_view Key, std::string_view Name, int Default);
// Deletes Key with everything below it; a missing key and every error are
// ignored.
void RegistryDeleteKeyTree(int Root, std::string_view Key);

// The local machine's RunOnce key, and the key under which setup runs keep
// their run records (absolute paths).
inline constexpr const char* kRunOnceKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kRunRecordsKey = "\\SOFTWARE\\Quorle\\Install";

// Writes Command under the local machine's RunOnce key as Name (Numbered
// false, overwriting) or as the first free of Name, Name1, Name2, ...
// Returns false when the key cannot be opened or the write fails.
bool AddRunOnceValue(std::string_view Name, std::string_view Command, bool Numbered);

// The value of Key in Section of an INI file (a bare name is in the Windows
// directory); empty when missing; at most 1023 characters.
std::string ReadIniValue(std::string_view FileName, std::string_view Section, std::string_view Key);

// Names Component Name, or the first of Name1, Name2, ... that no other
// component of its owner has. A Name that is no valid component name raises
// EComponentError at once (no numbered form of it could be valid either).
void SetUniqueName(TComponent& Component, std::string_view Name);

// Shell folders, without trailing backslash, from the registry or their
// defaults (the Windows directory or the current drive).
std::string GetStartMenuDir();
std::string GetProgramsDir();
std::string GetDesktopDir();
std::string GetStartupDir();
std::string GetProgramFilesDir();
std::string GetCommonFilesDir();

} // namespace installlib
