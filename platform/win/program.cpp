#include "platform/win/program.h"

#include "platform/win/batch.h"
#include "platform/win/file.h"
#include "platform/win/text.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace win {

namespace {

// A header longer than this is no program header.
constexpr size_t kHeaderLimit = 4096;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The environment of the child: ours without the machine's three settings,
// then those and the extra ones.
std::vector<std::string> childEnvironment(const Machine& machine, const std::string& program,
    const std::string& workingDirectory, const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string_view entry(*e);
        if (entry.starts_with("TAVIX_WINROOT=") || entry.starts_with("TAVIX_WINPROGRAM=")
            || entry.starts_with("TAVIX_WINCWD="))
            continue;
        env.emplace_back(entry);
    }
    env.push_back("TAVIX_WINROOT=" + machine.root().string());
    env.push_back("TAVIX_WINPROGRAM=" + program);
    env.push_back("TAVIX_WINCWD=" + workingDirectory);
    for (const auto& entry : extra)
        env.push_back(entry);
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> out;
    for (auto& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

std::string programFileBytes(const std::filesystem::path& hostProgram)
{
    return std::string(kProgramFileMagic) + "host=" + hostProgram.string() + "\n";
}

std::optional<std::filesystem::path> hostProgramOf(std::string_view bytes)
{
    if (!bytes.starts_with(kProgramFileMagic))
        return std::nullopt;
    bytes.remove_prefix(kProgramFileMagic.size());
    size_t end = bytes.find('\n');
    if (end == std::string_view::npos || end > kHeaderLimit)
        return std::nullopt;
    std::string_view line = bytes.substr(0, end);
    if (!line.starts_with("host="))
        return std::nullopt;
    std::filesystem::path host(std::string(line.substr(5)));
    if (!host.is_absolute())
        return std::nullopt;
    return host;
}

std::optional<std::filesystem::path> hostProgramOfFile(const Machine& machine, const std::string& path)
{
    // Only the head is read (a self-extracting setup is large), through a
    // file opened beneath the drive as every read of the machine.
    File file;
    if (!file.open(const_cast<Machine&>(machine), path, GENERIC_READ,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING))
        return std::nullopt;
    std::string head(kHeaderLimit + kProgramFileMagic.size() + 8, '\0');
    uint32_t got = 0;
    if (!file.read(head.data(), uint32_t(head.size()), got))
        return std::nullopt;
    head.resize(got);
    return hostProgramOf(head);
}

std::vector<std::string> splitCommandLine(std::string_view line)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    if (i == line.size())
        return words;
    // The program name: no escapes, quotes only group.
    std::string program;
    if (line[i] == '"') {
        size_t close = line.find('"', i + 1);
        program = std::string(line.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1));
        i = close == std::string_view::npos ? line.size() : close + 1;
    }
    while (i < line.size() && !isBlank(line[i]))
        program += line[i++];
    words.push_back(program);

    for (;;) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::string word;
        bool quoted = false;
        while (i < line.size() && (quoted || !isBlank(line[i]))) {
            char c = line[i];
            if (c == '\\') {
                size_t count = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    word.append(count / 2, '\\');
                    if (count % 2) {
                        word += '"';
                        ++i;
                    }
                } else {
                    word.append(count, '\\');
                }
                continue;
            }
            if (c == '"') {
                // "" inside a quoted part is a literal quote.
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            word += c;
            ++i;
        }
        words.push_back(word);
    }
    return words;
}

int runProgramFile(Machine& machine, const std::string& program, const std::vector<std::string>& arguments,
    const std::string& workingDirectory, const HostRunOptions& options)
{
    auto host = hostProgramOfFile(machine, program);
    if (!host)
        return -1;
    std::string windowsProgram = machine.fullPathName(program);
    std::string cwd = machine.fullPathName(workingDirectory);
    std::filesystem::path hostCwd;
    if (cwd.empty() || !machine.resolve(cwd, hostCwd) || !machine.directoryExists(cwd)) {
        cwd.clear();
        hostCwd = machine.root();
    }

    // Everything the child needs is made before the fork: after it only
    // async-signal-safe calls are allowed.
    std::vector<std::string> argv { host->string() };
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> env = childEnvironment(machine, windowsProgram, cwd, options.environment);
    std::vector<char*> argvp = pointers(argv);
    std::vector<char*> envp = pointers(env);
    std::string hostPath = host->string();
    std::string hostDir = hostCwd.string();

    // A running program's file is held, and so in use, until the program
    // ends; its note lets a restart end it.
    Machine::Hold running = machine.holdRunning(windowsProgram);
    Machine::Hold note = machine.noteRunning();
    const int heldFd = running.fd(), noteFd = note.fd();
    // The detached program's process group comes back through this pipe.
    int started[2] = { -1, -1 };
    if (!options.wait && ::pipe2(started, O_CLOEXEC) != 0)
        return -1;
    pid_t pid = fork();
    if (pid < 0) {
        for (int fd : started)
            if (fd >= 0)
                ::close(fd);
        return -1;
    }
    if (pid == 0) {
        if (!options.wait) {
            // Detached: the intermediate child ends at once, so nobody has
            // to wait for the program itself.
            pid_t inner = fork();
            if (inner != 0) {
                (void)!write(started[1], &inner, sizeof inner);
                _exit(inner < 0 ? 127 : 0);
            }
            setsid();
            // A watcher stays for the program's lifetime with the hold of
            // its file and its note, and nothing else of ours open.
            pid_t program = fork();
            if (program != 0) {
                const int low = std::min(heldFd, noteFd), high = std::max(heldFd, noteFd);
                int from = 3;
                for (int keep : { low, high }) {
                    if (keep >= from) {
                        if (keep > from)
                            close_range(unsigned(from), unsigned(keep) - 1, 0);
                        from = keep + 1;
                    }
                }
                close_range(unsigned(from), ~0u, 0);
                while (program > 0 && waitpid(program, nullptr, 0) < 0 && errno == EINTR) { }
                _exit(0);
            }
        }
        if (chdir(hostDir.c_str()) != 0)
            _exit(127);
        execve(hostPath.c_str(), argvp.data(), envp.data());
        _exit(127);
    }
    if (options.wait) {
        machine.setRunning(note, int(pid), false);
    } else {
        ::close(started[1]);
        pid_t group = 0;
        while (::read(started[0], &group, sizeof group) < 0 && errno == EINTR) { }
        ::close(started[0]);
        if (group > 0)
            machine.setRunning(note, int(group), true);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (!options.wait)
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

void installProgramRunner(Machine& machine, HostRunOptions options, std::vector<ProgramRun>* runs)
{
    Machine* target = &machine;
    machine.setProgramRunner([target, options = std::move(options), runs](
                                 const std::string& program, const std::string& line, int) {
        std::vector<std::string> words = splitCommandLine(line);
        ProgramRun run;
        run.program = target->fullPathName(program);
        run.arguments.assign(words.empty() ? words.end() : words.begin() + 1, words.end());
        run.workingDirectory = target->currentDirectory();
        size_t dot = program.find_last_of('.');
        std::string ext = dot == std::string::npos ? std::string() : text::toUpper(program.substr(dot));
        if (ext == ".BAT") {
            BatchInterpreter batch(*target);
            run.result = batch.runFile(program).ok() ? 0 : -2;
        } else {
            run.result = runProgramFile(*target, program, run.arguments, run.workingDirectory, options);
        }
        if (runs)
            runs->push_back(std::move(run));
    });
}

std::shared_ptr<Machine> openProgramMachine(const std::string& commandLineRoot)
{
    auto machine = Machine::open(Machine::defaultRoot(commandLineRoot));
    if (const char* program = std::getenv("TAVIX_WINPROGRAM"); program && *program)
        machine->setModuleFileName(program);
    if (const char* cwd = std::getenv("TAVIX_WINCWD"); cwd && *cwd)
        machine->setCurrentDirectory(cwd);
    return machine;
}

} // namespace win
