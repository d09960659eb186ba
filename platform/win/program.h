#pragma once

// Programs of the emulated machine. There are no Windows programs here: a
// program file on the machine (setup.exe, uninstall.exe, tavixcat.exe)
// stands for a host program. Its first bytes are a short header naming the
// host executable; anything may follow (a self-extracting setup carries its
// archives and trailer behind it). Starting such a file runs the host
// program with the Windows command line split into arguments, in the host
// folder of the machine's current directory, and tells it the machine's
// root, its own path on the machine and its working folder through the
// environment:
//
//   TAVIX_WINROOT      the machine's root folder on the host
//   TAVIX_WINPROGRAM   the program file's Windows path ("C:\TEMP\QS1\setup.exe")
//   TAVIX_WINCWD       the Windows working folder
//
//   machine->writeFile("C:\\Tools\\setup.exe", win::programFileBytes("/usr/bin/tavixsetup"));
//   win::installProgramRunner(*machine);      // WinExec now starts host programs
//   machine->winExec("C:\\Tools\\setup.exe -b", win::SW_SHOW);
//
// A program started this way calls openProgramMachine() to open the same
// machine with its module file name and current directory set.

#include "platform/win/machine.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

// The first line of every program file.
inline constexpr std::string_view kProgramFileMagic = "TAVIX-PROGRAM 1\n";

// The bytes of a program file that stands for hostProgram (an absolute
// host path).
std::string programFileBytes(const std::filesystem::path& hostProgram);

// The host program the header of bytes names; empty when bytes do not
// begin with a program header.
std::optional<std::filesystem::path> hostProgramOf(std::string_view bytes);

// The host program a program file of the machine stands for; empty when
// the file cannot be read or is no program file.
std::optional<std::filesystem::path> hostProgramOfFile(const Machine& machine, const std::string& path);

// Splits a Windows command line into words as a program's start-up code
// does: blanks separate words, double quotes group them, a backslash
// escapes a quote only when it stands right before one (2n backslashes and
// a quote give n backslashes and a grouping quote, 2n+1 give n and a
// literal quote). The first word (the program) is taken up to the next
// blank or closing quote without any escapes.
std::vector<std::string> splitCommandLine(std::string_view line);

struct HostRunOptions {
    // Wait until the program ends (its exit code is returned); otherwise
    // it runs on by itself and 0 is returned when it started.
    bool wait = true;
    // Extra environment settings for the program ("NAME=value").
    std::vector<std::string> environment;
};

// Runs the host program that the program file stands for with arguments,
// in the host folder of workingDirectory (a Windows path; the machine's
// root when it does not resolve). -1 when the file is no program file or
// the host program cannot be started; 127 from a program that could not
// be executed.
int runProgramFile(Machine& machine, const std::string& program, const std::vector<std::string>& arguments,
    const std::string& workingDirectory, const HostRunOptions& options = {});

// What the runner below did with each start.
struct ProgramRun {
    std::string program; // the Windows path that was started
    std::vector<std::string> arguments;
    std::string workingDirectory;
    int result = 0; // exit code (or -1 not a program file, -2 a batch file with failures)
};

// Makes WinExec start program files as host programs and run ".BAT" files
// through the machine's command interpreter; anything else is only
// recorded. Each start is appended to runs when given.
void installProgramRunner(Machine& machine, HostRunOptions options = {}, std::vector<ProgramRun>* runs = nullptr);

// Opens the machine a program of the machine runs on: the root given on its
// command line, else TAVIX_WINROOT, else the user's default root; its
// module file and current directory from TAVIX_WINPROGRAM and TAVIX_WINCWD
// when they are set. Throws MachineError as Machine::open does.
std::shared_ptr<Machine> openProgramMachine(const std::string& commandLineRoot = {});

} // namespace win
