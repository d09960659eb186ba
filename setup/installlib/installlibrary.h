#pragma once

// The install library's single instances, made by InstallLibraryStartup and
// freed by InstallLibraryShutdown (the program calls both, once, around
// everything else). Outside that time the accessors raise EQuorleAbnormal,
// and components freed then simply skip the lists.
//
// Made in this order: the unique-ID table, the self-registration retry list,
// the list of library forms, the list of all install files, the shared
// archive component, the install-container registry, the path-specifier
// lists; start-up also registers the library's classes by name.

#include "setup/installlib/installcontainer.h"
#include "setup/installlib/pathspecifiers.h"

#include <array>
#include <cstdint>
#include <vector>

namespace installlib {

class TQrleCompress;

// 2000 one-byte slots and a terminator, all 0 at start.
using TUniqueIdTable = std::array<std::uint8_t, 2001>;

void InstallLibraryStartup();
void InstallLibraryShutdown();
bool InstallLibraryStarted();

TUniqueIdTable& UniqueIdTable();
TCustomInstallFileList& SelfRegisterRetryList();
std::vector<TComponent*>& LibraryForms();
TCustomInstallFileList& InstallFileList();
TQrleCompress& SharedArchive();
TInstallContainerList& InstallContainerList();

// Null instead of raising when the library is not started (for destructors).
TInstallContainerList* InstallContainerListIfStarted();
TPathSpecifierList* PathSpecifierListIfStarted();
TStandardPathSpecList* StandardPathSpecListIfStarted();

} // namespace installlib
