// The loader a setup starts with (loader.h): started as setup.exe, it
// unpacks setup.1 into a new folder below the machine's Temp folder, starts
// the setup program there as a program of the emulated machine
// (win/program.h), waits for it and ends with its exit code. The machine's
// root and its own path on the machine come from the environment, or
//
//   loader --winroot DIR --self C:\path\setup.exe [arguments]

#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "setup/loader/loader.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::string root, self;
    std::vector<std::string> passOn;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--winroot" && i + 1 < argc)
            root = argv[++i];
        else if (arg == "--self" && i + 1 < argc)
            self = argv[++i];
        else
            passOn.push_back(arg);
    }
    try {
        auto machine = win::openProgramMachine(root);
        win::Machine::setCurrent(machine);
        if (self.empty())
            self = machine->moduleFileName();
        const int code = tavixloader::RunLoader(*machine, self, passOn, [&](const tavixloader::TSetupStart& start) {
            const int result = win::runProgramFile(*machine, start.Program, start.Arguments, start.Folder);
            if (result < 0)
                throw std::runtime_error(start.Program + " is no program of this machine");
            return result;
        });
        win::Machine::setCurrent(nullptr);
        return code;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "loader: %s\n", e.what());
        return 1;
    }
}
