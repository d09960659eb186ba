#include "setup/installlib/commandline.h"

#include "setup/installlib/exceptions.h"

#include <cctype>

namespace installlib {

namespace {

[[noreturn]] void invalidParameter(const std::string& argument)
{
    throw IException("Invalid parameter <%s>. Valid command line parameters are: -b (Build), -d (Debug), -f "
                     "(Transfer to floppies), -e (Called by self-extractor), -r (After reboot)",
        { argument });
}

bool flagOf(char letter, TCommandLineFlag& flag)
{
    switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'b':
        flag = clBuild;
        return true;
    case 'f':
        flag = clFloppies;
        return true;
    case 'd':
        flag = clDebug;
        return true;
    case 'e':
        flag = clSelfExtract;
        return true;
    case 'r':
        flag = clReboot;
        return true;
    case 's':
        flag = clSource;
        return true;
    case 'c':
        flag = clCleanup;
        return true;
    default:
        return false;
    }
}

} // namespace

void TInstallCommandLine::Clear()
{
    for (int i = 0; i < clFlagCount; ++i) {
        given_[i] = false;
        values_[i].clear();
    }
}

void TInstallCommandLine::Parse(const std::vector<std::string>& Arguments)
{
    Clear();
    for (const auto& argument : Arguments) {
        if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '*'))
            invalidParameter(argument);
        TCommandLineFlag flag;
        if (!flagOf(argument[1], flag)) {
            if (argument[0] == '*')
                continue;
            invalidParameter(argument);
        }
        given_[flag] = true;
        values_[flag] = argument.substr(2);
    }
}

} // namespace installlib
