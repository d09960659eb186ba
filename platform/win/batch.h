#pragma once

// The command interpreter of the emulated machine: runs the small batch
// files that setup programs leave behind (clean-up after an install, file
// moves at the next start). It knows the few commands such files use and
// works only through the Machine, so nothing outside its root is touched.
//
//   win::BatchInterpreter batch(machine);
//   auto result = batch.runFile("C:\\TEMP\\bat1.bat");
//   win::installBatchRunner(machine);   // WinExec of a .BAT runs it
//
// Commands (without case; "@" in front and blank lines are ignored):
//   REM ..., :: ..., ECHO ..., CLS, PAUSE     nothing happens
//   ERASE | DEL [/switches] path               deletes files (wildcards allowed)
//   DELTREE [/Y] path                          deletes files or whole directories
//   MOVE src dst, COPY src dst, REN src name   as their names say
//   MD | MKDIR path, RD | RMDIR [/S] [/Q] path
//   EXIT                                       stops the batch
// A command that fails, or one the interpreter does not know, is recorded
// with its line and the batch goes on, as the real command interpreter
// would after printing its message.

#include "platform/win/machine.h"

#include <functional>
#include <string>
#include <vector>

namespace win {

struct BatchResult {
    struct Failure {
        int line = 0; // 1-based
        std::string command; // the line as written
        std::string message;
    };
    int commandsRun = 0; // commands carried out without failure
    std::vector<Failure> failures;
    bool ok() const { return failures.empty(); }
};

class BatchInterpreter {
public:
    explicit BatchInterpreter(Machine& machine)
        : machine_(machine)
    {
    }

    // Reads the whole file first (a batch may erase itself) and runs it.
    // A file that cannot be read gives one failure on line 0.
    BatchResult runFile(const std::string& path);
    // Runs the lines of text; relative paths are taken from the machine's
    // current directory.
    BatchResult runText(const std::string& text);

private:
    bool runLine(const std::string& line, std::string& message, bool& stop);
    bool erase(const std::vector<std::string>& args, std::string& message);
    bool deltree(const std::vector<std::string>& args, std::string& message);
    bool move(const std::vector<std::string>& args, std::string& message);
    bool copy(const std::vector<std::string>& args, std::string& message);
    // MOVE and COPY alike: two paths, a target directory takes the source's
    // name, and a failure is reported with the source as written.
    bool transfer(const std::vector<std::string>& args, std::string& message, const char* failure,
        const std::function<bool(const std::string& from, const std::string& to)>& carryOut);
    bool rename(const std::vector<std::string>& args, std::string& message);
    bool makeDir(const std::vector<std::string>& args, std::string& message);
    bool removeDir(const std::vector<std::string>& args, std::string& message);
    // Deletes a directory with everything below it; read-only entries too.
    bool removeTree(const std::string& directory);
    std::string full(const std::string& path) const;
    // The directory a wildcard path searches, with its final backslash;
    // empty when it cannot be resolved.
    std::string searchDirectory(const std::string& path) const;

    Machine& machine_;
};

// Splits a command line into words; double quotes group blanks and are
// removed.
std::vector<std::string> splitBatchWords(const std::string& line);

// Makes WinExec of a ".BAT" file run it through the interpreter; any other
// program goes to next (when set). Results of the runs are kept in results
// when it is given.
void installBatchRunner(
    Machine& machine, Machine::ProgramRunner next = {}, std::vector<BatchResult>* results = nullptr);

} // namespace win
