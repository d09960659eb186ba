#pragma once

// Host files the machine writes for itself (its configuration, the registry
// store, the temporary copies behind a whole-file write): every temporary
// file is created exclusively under a name no other writer uses, never
// through a symbolic link, and put in place by one rename.

#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace win::hostfile {

// A descriptor closed when it goes.
struct ScopedFd {
    int fd;
    ~ScopedFd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Creates "<dir>/.<stem>.<pid>-<n>.tmp" with O_CREAT | O_EXCL | O_NOFOLLOW
// (mode 0644) and returns its descriptor and path; -1 with errno set when
// it cannot be made. dirFd, when not -1, is an open descriptor of dir: the
// file is then made beneath it (openat), so a link swapped in for dir
// after it was checked is not followed.
int createTemp(const std::filesystem::path& dir, const std::string& stem, std::filesystem::path& created,
    int dirFd = -1);

// Writes all of bytes to fd and flushes them to the disk.
bool writeAll(int fd, const std::string& bytes);

// Writes file through a temporary file of its folder and a rename, so a
// crash or a concurrent reader sees either the old or the new file whole.
// False (errno set) on failure; the temporary file is then removed.
bool replaceAtomically(const std::filesystem::path& file, const std::string& bytes);

// Removes the temporary files that replaceAtomically(file, ...) calls left
// when their program was killed: "<dir>/.<file name>.<pid>-<n>.tmp" and
// nothing else. Only for a file whose every writer holds one lock, called
// while holding it: no temporary file of a live writer can exist then.
void removeLeftoverTemps(const std::filesystem::path& file);

// Removes what createTemp(dir, stem, ...) made for a program that is no
// longer running (its process id in the name names no process): the
// leftovers of killed writers of one file, or of every file whose stem
// begins with it when a stem ends with "*". One look through dir for all
// stems; dirFd as for createTemp.
void removeDeadWritersTemps(const std::filesystem::path& dir, const std::vector<std::string>& stems, int dirFd = -1);

// Whether name is one that createTemp(dir, stem, ...) makes, for any of
// stems (matched as in removeDeadWritersTemps), whoever made it.
bool isTempName(const std::string& name, const std::vector<std::string>& stems);

// An exclusive lock (flock) on a lock file, held while the object lives, so
// that programs sharing the file take turns. The file is made when missing,
// never through a link: locked() is false (errno set) when it cannot be
// opened.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const std::filesystem::path& file);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    bool locked() const { return fd_ >= 0; }

private:
    int fd_;
};

} // namespace win::hostfile
