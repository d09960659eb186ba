#include "platform/win/hostfile.h"

#include <atomic>
#include <csignal>
#include <optional>
#include <string_view>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win::hostfile {

namespace {

std::atomic<unsigned> g_counter { 0 };

} // namespace

int createTemp(const fs::path& dir, const std::string& stem, fs::path& created, int dirFd)
{
    for (int tries = 0; tries < 1000; ++tries) {
        const std::string name = "." + stem + "." + std::to_string(::getpid()) + "-"
            + std::to_string(g_counter.fetch_add(1, std::memory_order_relaxed)) + ".tmp";
        const int flags = O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC;
        const int fd = dirFd >= 0 ? ::openat(dirFd, name.c_str(), flags, 0644)
                                  : ::open((dir / name).c_str(), flags, 0644);
        if (fd >= 0) {
            created = dir / name;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return ::fsync(fd) == 0;
}

namespace {

// The writer's process id when name is "." + stem + ".<pid>-<n>.tmp"; a
// stem that ends with "*" stands for every stem it begins.
std::optional<long> writerOf(const std::string& name, const std::string& stem)
{
    const bool anyEnd = stem.ends_with('*');
    const std::string prefix = "." + (anyEnd ? stem.substr(0, stem.size() - 1) : stem + ".");
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 || !name.ends_with(".tmp"))
        return std::nullopt;
    std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    if (anyEnd) {
        const size_t dot = middle.rfind('.');
        if (dot == std::string::npos || dot == 0)
            return std::nullopt;
        middle = middle.substr(dot + 1);
    }
    const size_t dash = middle.find('-');
    const auto digits = [](std::string_view s) {
        return !s.empty() && s.size() <= 18 && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string::npos || !digits(std::string_view(middle).substr(0, dash))
        || !digits(std::string_view(middle).substr(dash + 1)))
        return std::nullopt;
    return std::stol(middle.substr(0, dash));
}

std::optional<long> writerOf(const std::string& name, const std::vector<std::string>& stems)
{
    for (const std::string& stem : stems)
        if (const std::optional<long> writer = writerOf(name, stem))
            return writer;
    return std::nullopt;
}

void removeTemps(const fs::path& dir, const std::vector<std::string>& stems, int dirFd, bool onlyDeadWriters)
{
    std::error_code ec;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::optional<long> writer = writerOf(name, stems);
        std::error_code ec2;
        if (!writer || it->is_symlink(ec2) || !it->is_regular_file(ec2))
            continue;
        if (onlyDeadWriters && (::kill(pid_t(*writer), 0) == 0 || errno != ESRCH))
            continue; // a live writer, or one that cannot be told
        if (dirFd >= 0)
            ::unlinkat(dirFd, name.c_str(), 0);
        else
            ::unlink(it->path().c_str());
    }
}

} // namespace

void removeLeftoverTemps(const fs::path& file)
{
    removeTemps(file.parent_path(), { file.filename().string() }, -1, false);
}

void removeDeadWritersTemps(const fs::path& dir, const std::vector<std::string>& stems, int dirFd)
{
    removeTemps(dir, stems, dirFd, true);
}

bool isTempName(const std::string& name, const std::vector<std::string>& stems)
{
    return writerOf(name, stems).has_value();
}

ExclusiveLock::ExclusiveLock(const fs::path& file)
    : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644))
{
    while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0 && errno == EINTR) { }
}

ExclusiveLock::~ExclusiveLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool replaceAtomically(const fs::path& file, const std::string& bytes)
{
    fs::path tmp;
    const int fd = createTemp(file.parent_path(), file.filename().string(), tmp);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes);
    const int saved = errno;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), file.c_str()) == 0)
        return true;
    const int error = ok ? errno : saved;
    ::unlink(tmp.c_str());
    errno = error;
    return false;
}

} // namespace win::hostfile
