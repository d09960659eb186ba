// Holds, named holds and the notes of running programs of the emulated
// machine.

#include "platform/win/hostfile.h"
#include "platform/win/machine.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

using hostfile::ScopedFd;

// Holds are shared host file locks (flock) on a descriptor of their own,
// so they end with the process that took them, and an exclusive try from
// any descriptor tells whether one is still there.
Machine::Hold::Hold(Hold&& other) noexcept
    : fd_(other.fd_)
{
    other.fd_ = -1;
}

Machine::Hold& Machine::Hold::operator=(Hold&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void Machine::Hold::release()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int Machine::openToLock(const std::string& path) const
{
    fs::path host;
    return resolveExisting(path, host) ? openBeneath(host, O_RDONLY | O_CLOEXEC) : -1;
}

Machine::Hold Machine::hold(const std::string& path) const
{
    Hold held;
    const int fd = openToLock(path);
    if (fd < 0)
        return held;
    while (::flock(fd, LOCK_SH) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            return held;
        }
    }
    held.fd_ = fd;
    return held;
}

bool Machine::isHeld(const std::string& path) const
{
    const int fd = openToLock(path);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// A running program's hold is a plain hold plus a shared lock of one byte
// far beyond any file's end (open file description locks, which neither
// flock nor the holds of temporary files touch), so only it makes the file
// in use.
namespace {
constexpr off_t kRunningByte = off_t(1) << 62;

struct flock runningLock(short type)
{
    struct flock lock { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kRunningByte;
    lock.l_len = 1;
    return lock;
}
} // namespace

Machine::Hold Machine::holdRunning(const std::string& path) const
{
    Hold held = hold(path);
    struct flock lock = runningLock(F_RDLCK);
    if (held.holding() && ::fcntl(held.fd_, F_OFD_SETLK, &lock) != 0)
        held.release();
    return held;
}

bool Machine::isRunningHost(const fs::path& host) const
{
    ScopedFd file { openBeneath(host, O_RDONLY | O_CLOEXEC) };
    struct flock lock = runningLock(F_WRLCK);
    return file.fd >= 0 && ::fcntl(file.fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

Machine::Hold Machine::holdName(const std::string& name) const
{
    // One lock file a name, below the root beside the machine's own locks.
    std::string file;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.')
            file += char(c);
        else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            file += code;
        }
    }
    Hold held;
    const fs::path folder = root_ / "mutexes";
    ::mkdir(folder.c_str(), 0755);
    ScopedFd dir { ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW) };
    const int fd
        = dir.fd < 0 ? -1 : ::openat(dir.fd, (file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return held;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) {
            ::close(fd);
            setLastError(errno == EWOULDBLOCK ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
            return held;
        }
    }
    held.fd_ = fd;
    return held;
}

// Notes of running programs: "<root>/running/<maker's pid>-<n>", each
// locked (flock) by the process that waits for or watches the program, and
// holding "<pid> <1 for a process group>" once it is started. A note whose
// lock is free names a program that has ended.
namespace {

std::atomic<unsigned> g_noteCounter { 0 };
// This program's threads make and sweep notes in turn: a note is locked
// before another thread can take it for one that has ended.
std::mutex g_notesMutex;

bool lockIsFree(int fd)
{
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

} // namespace

Machine::Hold Machine::noteRunning() const
{
    Hold note;
    const fs::path folder = root_ / "running";
    ::mkdir(folder.c_str(), 0755);
    ScopedFd dir { ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW) };
    if (dir.fd < 0)
        return note;
    // Notes of ended programs go first: this program's own, and those of
    // makers that have ended (a live maker may be between making its note
    // and locking it).
    const std::lock_guard guard(g_notesMutex);
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long maker = std::atol(name.c_str());
        if (maker <= 0 || maker == ::getpid() || (::kill(pid_t(maker), 0) != 0 && errno == ESRCH)) {
            ScopedFd old { ::openat(dir.fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW) };
            if (old.fd >= 0 && lockIsFree(old.fd))
                ::unlinkat(dir.fd, name.c_str(), 0);
        }
    }
    for (int tries = 0; tries < 1000 && note.fd_ < 0; ++tries) {
        const std::string name = std::to_string(::getpid()) + "-" + std::to_string(g_noteCounter++);
        const int fd = ::openat(dir.fd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            break;
        if (::flock(fd, LOCK_SH) == 0)
            note.fd_ = fd;
        else
            ::close(fd);
    }
    return note;
}

void Machine::setRunning(const Hold& note, int pid, bool group) const
{
    if (!note.holding())
        return;
    const std::string text = std::to_string(pid) + (group ? " 1\n" : " 0\n");
    (void)!::pwrite(note.fd_, text.data(), text.size(), 0);
}

void Machine::endRunningPrograms() const
{
    const fs::path folder = root_ / "running";
    ScopedFd dir { ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW) };
    if (dir.fd < 0)
        return;
    struct Running {
        int fd;
        std::string name;
        pid_t target;
    };
    std::vector<Running> running;
    std::error_code ec;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const int fd = ::openat(dir.fd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        char text[64] = {};
        long pid = 0;
        int group = 0;
        if (lockIsFree(fd) || ::pread(fd, text, sizeof text - 1, 0) <= 0
            || std::sscanf(text, "%ld %d", &pid, &group) != 2 || pid <= 1
            || (group ? pid_t(pid) == ::getpgrp() : pid_t(pid) == ::getpid())) {
            // Ended (or being started, or this very program): nothing to end.
            if (lockIsFree(fd))
                ::unlinkat(dir.fd, name.c_str(), 0);
            ::close(fd);
            continue;
        }
        const pid_t target = group ? -pid_t(pid) : pid_t(pid);
        ::kill(target, SIGTERM);
        running.push_back({ fd, name, target });
    }
    // A program that does not end when asked is ended by force.
    for (int round = 0; round < 2 && !running.empty(); ++round) {
        for (int wait = 0; wait < 250 && !running.empty(); ++wait) {
            std::erase_if(running, [&](const Running& r) {
                if (!lockIsFree(r.fd))
                    return false;
                ::unlinkat(dir.fd, r.name.c_str(), 0);
                ::close(r.fd);
                return true;
            });
            if (!running.empty())
                ::usleep(20000);
        }
        for (const Running& r : running)
            ::kill(r.target, SIGKILL);
    }
    for (const Running& r : running)
        ::close(r.fd);
}

} // namespace win
