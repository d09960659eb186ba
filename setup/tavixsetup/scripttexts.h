#pragma once

// The licence agreement and the readme the setup's wizard shows.

#include <string>
#include <vector>

namespace tavixsetup {

std::vector<std::string> LicenseAgreementLines();
std::vector<std::string> ReadmeLines();

} // namespace tavixsetup
