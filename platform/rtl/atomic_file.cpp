#include "platform/rtl/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rtl {

namespace {

// A temporary file untouched for this long, and unlocked, is a leftover.
constexpr std::chrono::seconds kStaleAfter { 10 };
constexpr std::size_t kRandomChars = 6;

} // namespace

std::string TemporaryFilePrefix(const std::string& path)
{
    return path + ".~tmp";
}

int RemoveStaleTemporaryFiles(const std::string& path)
{
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    const std::string prefix = target.filename().string() + ".~tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    int removed = 0;
    const auto now = std::chrono::system_clock::now();
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + kRandomChars || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const int fd = ::openat(dirFd, name.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st;
        const bool plain = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
        const auto changed = std::chrono::system_clock::time_point(
            std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec));
        // A save in progress holds its lock; a fresh file may be one whose
        // save has not taken the lock yet.
        if (plain && now - changed >= kStaleAfter && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (::unlinkat(dirFd, name.c_str(), 0) == 0)
                ++removed;
        }
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

std::string WriteFileAtomically(
    const std::string& linkOrPath, const std::function<std::string(const TextSink&)>& produce)
{
    // A symbolic link is written through: its target gets the new text and
    // the link stays, as it would for a file opened and rewritten in place.
    std::string path = linkOrPath;
    std::string through;
    struct stat link;
    if (::lstat(linkOrPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* target = ::realpath(linkOrPath.c_str(), nullptr);
        if (!target)
            return "Cannot write file \"" + linkOrPath + "\": the link leads to no file. " + std::strerror(errno) + ".";
        path = target;
        std::free(target);
        through = " (the target of the link \"" + linkOrPath + "\")";
    }
    auto sysError = [&](const char* what) {
        return std::string(what) + " \"" + path + "\"" + through + ". " + std::strerror(errno) + ".";
    };
    RemoveStaleTemporaryFiles(path);
    // Keep the mode of the file being replaced; a new one gets the usual mode.
    mode_t mode;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    std::string tmp = TemporaryFilePrefix(path) + std::string(kRandomChars, 'X');
    int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0)
        return sysError("Cannot create file");
    ::flock(fd, LOCK_EX);
    std::string error;
    auto fail = [&](std::string e) {
        if (error.empty())
            error = std::move(e);
    };
    TextSink sink = [&](std::string_view text) {
        while (error.empty() && !text.empty()) {
            ssize_t w = ::write(fd, text.data(), text.size());
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                fail(sysError("Cannot write file"));
                return;
            }
            text.remove_prefix(static_cast<std::size_t>(w));
        }
    };
    std::string produced = produce(sink);
    if (!produced.empty())
        fail(produced);
    if (error.empty() && ::fchmod(fd, mode) != 0)
        fail(sysError("Cannot write file"));
    if (error.empty() && ::fsync(fd) != 0)
        fail(sysError("Cannot write file"));
    if (error.empty() && ::rename(tmp.c_str(), path.c_str()) != 0)
        fail(sysError("Cannot replace file"));
    if (!error.empty())
        ::unlink(tmp.c_str());
    if (::close(fd) != 0 && error.empty())
        error = sysError("Cannot write file");
    return error;
}

std::string WriteFileAtomically(const std::string& path, std::string_view text)
{
    return WriteFileAtomically(path, [text](const TextSink& sink) {
        sink(text);
        return std::string();
    });
}

} // namespace rtl
