#pragma once

// The build settings the install engine carries for its -b mode. Only
// BuildDirectory is read by the build; the rest are stored design settings,
// kept and streamed unchanged.

#include <string>

namespace installlib {

class TBuildInfo {
public:
    bool AddUninstallOnCreate = true;
    std::string AppName;
    std::string AppURL;
    std::string BuildDirectory = "c:\\build";
    std::string CredentialsFile;
    std::string OCXName = "qlsetup";
    std::string PrivateKeyFile;
    bool SignCode = false;
    std::string URLPath;

    // Copies every field.
    void Assign(const TBuildInfo& Source) { *this = Source; }
    bool operator==(const TBuildInfo&) const = default;
};

} // namespace installlib
