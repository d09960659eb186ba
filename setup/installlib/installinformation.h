#pragma once

// The identity of the product being installed; held by the install engine.

#include <string>

namespace installlib {

class TInstallInformation {
public:
    std::string CompanyName = "My Company";
    std::string ProductName = "My product";
    std::string Version = "1.0";

    void Assign(const TInstallInformation& other) { *this = other; }
    bool operator==(const TInstallInformation&) const = default;
};

} // namespace installlib
