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
// a program of the machine, which takes on the loader's hold of one setup
// at a time (singlesetup.h). When the setup has ended, however it ended,
// the folder goes, unless a restart still needs it. A loader started from
// a link or a file manager has no console, so failures go to a message box.

#include "platform/win/machine.h"

#include <functional>
#include <string>
#include <vector>

namespace tavixloader {

struct TSetupStart {
    std::string Program; // the unpacked setup program
    std::vector<std::string> Arguments;
    std::string Folder; // where it was unpacked; its working folder
    std::vector<std::string> Environment; // "NAME=value" for the setup (the hold it takes on)
};

// Starts the unpacked setup; its result is the loader's.
using TSetupLauncher = std::function<int(const TSetupStart& Start)>;

// The caption of the loader's message boxes.
inline constexpr const char* kLoaderCaption = "Setup";

// Self is the loader's own file on machine (which must be the current
// machine). Every failure (another setup running, no setup archive, a
// damaged one, no room to unpack it, a setup that cannot be started) is
// shown in an error box of ui::MessageService::current() naming the file
// and the cause, and the result is then 1.
int RunLoader(win::Machine& Machine, const std::string& Self, const std::vector<std::string>& Arguments,
    const TSetupLauncher& Launch);

} // namespace tavixloader
