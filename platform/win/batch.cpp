#include "platform/win/batch.h"

#include "platform/win/text.h"

#include <cstdint>
#include <sstream>

namespace win {

namespace {

bool hasWildcards(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

bool isSwitch(const std::string& s)
{
    return s.size() >= 2 && s[0] == '/';
}

// The arguments without their switches, and the switch letters (upper case).
void splitSwitches(const std::vector<std::string>& args, std::vector<std::string>& plain, std::string& switches)
{
    for (size_t i = 1; i < args.size(); ++i) {
        if (isSwitch(args[i]))
            switches += text::toUpper(args[i].substr(1, 1));
        else
            plain.push_back(args[i]);
    }
}

// Splits a command's arguments and checks that it got between `least` and
// `most` plain arguments; otherwise sets the usual message and fails.
bool commandArguments(const std::vector<std::string>& args, size_t least, size_t most, std::vector<std::string>& paths,
    std::string& switches, std::string& message)
{
    splitSwitches(args, paths, switches);
    if (paths.size() < least || paths.size() > most) {
        message = "Required parameter missing";
        return false;
    }
    return true;
}

// What follows the last backslash or slash; the whole path without one.
std::string namePart(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

std::string failureText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + errorText(lastError());
}

} // namespace

std::vector<std::string> splitBatchWords(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

BatchResult BatchInterpreter::runFile(const std::string& path)
{
    std::string bytes;
    if (!machine_.readFile(path, bytes)) {
        BatchResult result;
        result.failures.push_back({ 0, path, failureText("Cannot read", path) });
        return result;
    }
    return runText(bytes);
}

BatchResult BatchInterpreter::runText(const std::string& text)
{
    BatchResult result;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string message;
        bool stop = false;
        std::string trimmed = text::trim(line);
        if (!trimmed.empty() && trimmed[0] == '@')
            trimmed = text::trim(trimmed.substr(1));
        if (trimmed.empty())
            continue;
        if (runLine(trimmed, message, stop))
            ++result.commandsRun;
        else
            result.failures.push_back({ number, line, message });
        if (stop)
            break;
    }
    return result;
}

bool BatchInterpreter::runLine(const std::string& line, std::string& message, bool& stop)
{
    if (line.rfind("::", 0) == 0)
        return true;
    auto args = splitBatchWords(line);
    if (args.empty())
        return true;
    std::string command = text::toUpper(args[0]);
    if (command == "REM" || command == "ECHO" || command.rfind("ECHO.", 0) == 0 || command == "CLS"
        || command == "PAUSE")
        return true;
    if (command == "EXIT") {
        stop = true;
        return true;
    }
    if (command == "ERASE" || command == "DEL")
        return erase(args, message);
    if (command == "DELTREE")
        return deltree(args, message);
    if (command == "MOVE")
        return move(args, message);
    if (command == "COPY")
        return copy(args, message);
    if (command == "REN" || command == "RENAME")
        return rename(args, message);
    if (command == "MD" || command == "MKDIR")
        return makeDir(args, message);
    if (command == "RD" || command == "RMDIR")
        return removeDir(args, message);
    message = "Bad command or file name: " + args[0];
    return false;
}

std::string BatchInterpreter::full(const std::string& path) const
{
    return machine_.fullPathName(path);
}

bool BatchInterpreter::erase(const std::vector<std::string>& args, std::string& message)
{
    std::vector<std::string> paths;
    std::string switches;
    if (!commandArguments(args, 1, SIZE_MAX, paths, switches, message))
        return false;
    bool ok = true;
    for (const auto& path : paths) {
        if (!hasWildcards(path)) {
            std::string target = full(path);
            if (target.empty() || !machine_.deleteFile(target)) {
                message = failureText("Cannot delete", path);
                ok = false;
            }
            continue;
        }
        std::string dir = searchDirectory(path);
        if (dir.empty()) {
            message = failureText("Cannot delete", path);
            ok = false;
            continue;
        }
        // The pattern's files only; ERASE leaves directories alone.
        for (const auto& entry : machine_.findFiles(dir + namePart(path))) {
            if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            if (!machine_.deleteFile(dir + entry.name)) {
                message = failureText("Cannot delete", dir + entry.name);
                ok = false;
            }
        }
    }
    return ok;
}

std::string BatchInterpreter::searchDirectory(const std::string& path) const
{
    size_t slash = path.find_last_of("\\/");
    std::string dir = slash == std::string::npos ? machine_.currentDirectory() : full(path.substr(0, slash + 1));
    if (!dir.empty() && dir.back() != '\\')
        dir += "\\";
    return dir;
}

bool BatchInterpreter::removeTree(const std::string& directory)
{
    bool ok = true;
    for (const auto& entry : machine_.findFiles(directory + "\\*")) {
        std::string path = directory + "\\" + entry.name;
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = removeTree(path) && ok;
        } else {
            machine_.setFileAttributes(path, FILE_ATTRIBUTE_NORMAL);
            ok = machine_.deleteFile(path) && ok;
        }
    }
    return machine_.removeDirectory(directory) && ok;
}

bool BatchInterpreter::deltree(const std::vector<std::string>& args, std::string& message)
{
    std::vector<std::string> paths;
    std::string switches;
    if (!commandArguments(args, 1, SIZE_MAX, paths, switches, message))
        return false;
    bool ok = true;
    for (const auto& path : paths) {
        std::vector<std::string> targets;
        if (hasWildcards(path)) {
            std::string dir = searchDirectory(path);
            if (!dir.empty())
                for (const auto& entry : machine_.findFiles(dir + namePart(path)))
                    targets.push_back(dir + entry.name);
        } else {
            targets.push_back(full(path));
        }
        for (const auto& target : targets) {
            // A drive's root is never removed, whatever the batch asks.
            if (target.empty() || target.size() <= 3) {
                message = "Cannot delete " + path;
                ok = false;
                continue;
            }
            bool done;
            if (machine_.directoryExists(target)) {
                done = removeTree(target);
            } else if (machine_.fileExists(target)) {
                machine_.setFileAttributes(target, FILE_ATTRIBUTE_NORMAL);
                done = machine_.deleteFile(target);
            } else {
                continue; // DELTREE says nothing about what is not there
            }
            if (!done) {
                message = failureText("Cannot delete", target);
                ok = false;
            }
        }
    }
    return ok;
}

bool BatchInterpreter::move(const std::vector<std::string>& args, std::string& message)
{
    return transfer(args, message, "Cannot move", [this](const std::string& from, const std::string& to) {
        return machine_.moveFileEx(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
    });
}

bool BatchInterpreter::copy(const std::vector<std::string>& args, std::string& message)
{
    return transfer(args, message, "Cannot copy",
        [this](const std::string& from, const std::string& to) { return machine_.copyFile(from, to, false); });
}

bool BatchInterpreter::transfer(const std::vector<std::string>& args, std::string& message, const char* failure,
    const std::function<bool(const std::string& from, const std::string& to)>& carryOut)
{
    std::vector<std::string> paths;
    std::string switches;
    if (!commandArguments(args, 2, 2, paths, switches, message))
        return false;
    std::string from = full(paths[0]);
    std::string to = full(paths[1]);
    if (!to.empty() && machine_.directoryExists(to)) {
        size_t slash = from.find_last_of('\\');
        to += "\\" + from.substr(slash + 1);
    }
    if (from.empty() || to.empty() || !carryOut(from, to)) {
        message = failureText(failure, paths[0]);
        return false;
    }
    return true;
}

bool BatchInterpreter::rename(const std::vector<std::string>& args, std::string& message)
{
    if (args.size() != 3 || args[2].find_first_of("\\/:") != std::string::npos) {
        message = "Invalid parameter";
        return false;
    }
    std::string from = full(args[1]);
    size_t slash = from.find_last_of('\\');
    if (from.empty() || slash == std::string::npos || !machine_.moveFile(from, from.substr(0, slash + 1) + args[2])) {
        message = failureText("Cannot rename", args[1]);
        return false;
    }
    return true;
}

bool BatchInterpreter::makeDir(const std::vector<std::string>& args, std::string& message)
{
    if (args.size() != 2) {
        message = "Required parameter missing";
        return false;
    }
    std::string path = full(args[1]);
    if (path.empty() || !machine_.forceDirectories(path)) {
        message = failureText("Cannot create", args[1]);
        return false;
    }
    return true;
}

bool BatchInterpreter::removeDir(const std::vector<std::string>& args, std::string& message)
{
    std::vector<std::string> paths;
    std::string switches;
    if (!commandArguments(args, 1, 1, paths, switches, message))
        return false;
    std::string path = full(paths[0]);
    bool tree = switches.find('S') != std::string::npos;
    bool done = !path.empty() && path.size() > 3 && (tree ? removeTree(path) : machine_.removeDirectory(path));
    if (!done) {
        message = failureText("Cannot remove", paths[0]);
        return false;
    }
    return true;
}

void installBatchRunner(Machine& machine, Machine::ProgramRunner next, std::vector<BatchResult>* results)
{
    Machine* target = &machine;
    machine.setProgramRunner(
        [target, next = std::move(next), results](const std::string& program, const std::string& line, int show) {
            size_t dot = program.find_last_of('.');
            std::string ext = dot == std::string::npos ? std::string() : text::toUpper(program.substr(dot));
            if (ext == ".BAT") {
                BatchInterpreter batch(*target);
                auto result = batch.runFile(program);
                if (results)
                    results->push_back(std::move(result));
            } else if (next) {
                next(program, line, show);
            }
        });
}

} // namespace win
