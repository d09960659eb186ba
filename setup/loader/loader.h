#pragma once

// The loader's work: from the self-extracting setup file (the loader
// followed by setup.1, files.1 and the trailer) or from setup.1 beside a
// bare loader, unpack setup.1 into a new folder below the machine's Temp
// folder and start the setup program (the archive's first member) there
// with
//
//   -s<folder of setup.exe>  [-e<name of setup.exe>]  -c  [-f]  [arguments]
//
// (-e only for the self-extracting file, -f when the arguments hold
// *TODISK; the loader's own arguments follow). main.cpp starts the setup as
// a program of the machine.

#include "platform/win/machine.h"

#include <functional>
#include <string>
#include <vector>

namespace tavixloader {

struct TSetupStart {
    std::string Program; // the unpacked setup program
    std::vector<std::string> Arguments;
    std::string Folder; // where it was unpacked; its working folder
};

// Starts the unpacked setup; its result is the loader's.
using TSetupLauncher = std::function<int(const TSetupStart& Start)>;

// Self is the loader's own file on machine (which must be the current
// machine). Throws std::runtime_error when there is no setup archive or it
// cannot be unpacked.
int RunLoader(win::Machine& Machine, const std::string& Self, const std::vector<std::string>& Arguments,
    const TSetupLauncher& Launch);

} // namespace tavixloader
