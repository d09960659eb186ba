#pragma once

// The setup program's command line: -b build, -f floppies, -d debug run,
// -e<file> started by that self-extracting file, -r resume after a reboot,
// -s<dir> source directory, -c clean up the setup's own files. Each argument
// begins with "-" or "*"; "*" arguments with an unknown letter are ignored
// (the self-extractor passes its own, such as *TODISK).

#include <string>
#include <vector>

namespace installlib {

enum TCommandLineFlag { clBuild, clFloppies, clDebug, clSelfExtract, clReboot, clSource, clCleanup, clFlagCount };

class TInstallCommandLine {
public:
    bool Has(TCommandLineFlag Flag) const { return given_[Flag]; }
    // The argument from its third character on (empty when not given).
    const std::string& Value(TCommandLineFlag Flag) const { return values_[Flag]; }

    // Clears everything, then reads the arguments in order; a repeated flag
    // keeps its last value. A bad argument raises IException with the
    // invalid-parameter message (the values read before it stay set).
    void Parse(const std::vector<std::string>& Arguments);
    void Clear();

private:
    bool given_[clFlagCount] = {};
    std::string values_[clFlagCount];
};

} // namespace installlib
