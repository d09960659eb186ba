// tavix_win: the emulated Windows machine for people.
//
//   tavix_win [--winroot DIR] run <program or .LNK link> [arguments...]
//       starts a program of the machine (a link: its target with the link's
//       arguments and working folder) and waits for it; the program's exit
//       code is the tool's
//   tavix_win [--winroot DIR] restart
//       the next start of Windows: the programs still running on the
//       machine are ended, files replaced at restart are moved (a move
//       that still cannot be done waits for the next restart) and the
//       RunOnce commands (a setup finishing its install) run
//   tavix_win [--winroot DIR] installed
//       what is installed: each uninstall entry's name and command
//
// The machine's root is DIR, else TAVIX_WINROOT, else the user's default root.

#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "platform/win/registry.h"
#include "platform/win/shelllink.h"
#include "platform/win/text.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

int usage()
{
    std::fprintf(stderr,
        "usage: tavix_win [--winroot DIR] run <program or link> [arguments...]\n"
        "       tavix_win [--winroot DIR] restart\n"
        "       tavix_win [--winroot DIR] installed\n");
    return 2;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 2 ? 3 : slash);
}

int run(win::Machine& machine, std::string target, std::vector<std::string> arguments)
{
    target = machine.fullPathName(target);
    std::string workingFolder = folderOf(target);
    if (win::text::toUpper(target).ends_with(".LNK")) {
        const win::ShellLink link = win::readShellLink(machine, target);
        std::vector<std::string> linkArguments = win::splitCommandLine("x " + link.arguments);
        linkArguments.erase(linkArguments.begin());
        linkArguments.insert(linkArguments.end(), arguments.begin(), arguments.end());
        arguments = std::move(linkArguments);
        target = link.target;
        workingFolder = link.workingDirectory.empty() ? folderOf(target) : link.workingDirectory;
    }
    if (!machine.fileExists(target)) {
        std::fprintf(stderr, "tavix_win: %s is not on the machine\n", target.c_str());
        return 1;
    }
    if (!win::hostProgramOfFile(machine, target)) {
        std::filesystem::path host;
        machine.resolve(target, host);
        std::fprintf(stderr, "tavix_win: %s is no program of the machine; the file is %s\n", target.c_str(),
            host.c_str());
        return 1;
    }
    machine.setCurrentDirectory(workingFolder);
    return win::runProgramFile(machine, target, arguments, workingFolder);
}

int restart(win::Machine& machine)
{
    std::vector<win::ProgramRun> runs;
    win::installProgramRunner(machine, {}, &runs);
    machine.restart();
    for (const auto& r : runs) {
        std::string line = r.program;
        for (const auto& a : r.arguments)
            line += " " + a;
        std::printf("Ran %s (%d)\n", line.c_str(), r.result);
    }
    std::printf("Windows was restarted.\n");
    return 0;
}

int installed(win::Machine& machine)
{
    win::Registry& registry = machine.registry();
    win::RegKey key;
    std::vector<std::string> names;
    if (registry.openKey(win::RootKey::LocalMachine, kUninstallKey, false, key) == win::ERROR_SUCCESS)
        registry.enumKeys(key, names);
    for (const auto& name : names) {
        win::RegKey entry;
        win::RegValue display, command;
        if (registry.openKey(key, name, false, entry) != win::ERROR_SUCCESS)
            continue;
        const bool hasName = registry.queryValue(entry, "DisplayName", display) == win::ERROR_SUCCESS;
        const bool hasCommand = registry.queryValue(entry, "UninstallString", command) == win::ERROR_SUCCESS;
        std::printf("%s\n    uninstall: %s\n", hasName ? display.text().c_str() : name.c_str(),
            hasCommand ? command.text().c_str() : "(none)");
    }
    if (names.empty())
        std::printf("Nothing is installed.\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string root;
    if (args.size() >= 2 && args[0] == "--winroot") {
        root = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        return usage();
    try {
        auto machine = win::Machine::open(win::Machine::defaultRoot(root));
        win::Machine::setCurrent(machine);
        int code;
        if (args[0] == "run" && args.size() >= 2)
            code = run(*machine, args[1], std::vector<std::string>(args.begin() + 2, args.end()));
        else if (args[0] == "restart" && args.size() == 1)
            code = restart(*machine);
        else if (args[0] == "installed" && args.size() == 1)
            code = installed(*machine);
        else
            code = usage();
        win::Machine::setCurrent(nullptr);
        return code;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavix_win: %s\n", e.what());
        return 1;
    }
}
