#include "platform/win/file.h"

#include "platform/win/dosdate.h"
#include "platform/win/hostfile.h"

#include <algorithm>
#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

File::~File()
{
    close();
}

File::File(File&& other) noexcept
{
    *this = std::move(other);
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        machine_ = other.machine_;
        fd_ = other.fd_;
        openId_ = other.openId_;
        access_ = other.access_;
        path_ = std::move(other.path_);
        host_ = std::move(other.host_);
        other.fd_ = -1;
        other.machine_ = nullptr;
    }
    return *this;
}

bool File::open(Machine& machine, const std::string& path, uint32_t access, uint32_t share, uint32_t disposition)
{
    close();
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING
        || (disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE))) {
        setLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // An open that may make the file looks up its name and makes it in one
    // step, so that programs making one name in different cases make one file.
    std::unique_ptr<hostfile::ExclusiveLock> names;
    if (disposition != OPEN_EXISTING && disposition != TRUNCATE_EXISTING) {
        names = machine.lockNames();
        if (!names)
            return false;
    }
    fs::path host;
    if (!machine.resolve(path, host))
        return false;
    std::error_code ec;
    if (!fs::is_directory(host.parent_path(), ec)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    bool exists = fs::exists(host, ec);
    if (exists && fs::is_directory(host, ec)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING)) {
        setLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    if (exists && disposition == CREATE_NEW) {
        setLastError(ERROR_FILE_EXISTS);
        return false;
    }
    bool truncate = exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    if (exists && ((access & GENERIC_WRITE) || truncate) && !machine.checkWritable(host, false))
        return false;
    if (!machine.registerOpen(host, access, share, openId_))
        return false;

    int flags = O_CLOEXEC;
    if (((access & GENERIC_WRITE) && (access & GENERIC_READ)) || (truncate && !(access & GENERIC_WRITE)))
        flags |= O_RDWR;
    else if (access & GENERIC_WRITE)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    if (!exists)
        flags |= O_CREAT | O_EXCL;
    // Opened beneath the drive's folder without following a link, so a
    // folder swapped for one since the checks above leads nowhere.
    int fd = machine.openBeneath(host, flags, 0644);
    if (fd < 0) {
        machine.unregisterOpen(host, openId_);
        setLastError(errno == EEXIST ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED);
        return false;
    }
    // A file with a second hard link may be someone else's file (outside
    // the machine, too): it is not written through. The check comes before
    // the truncation.
    struct stat st { };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)
        || (exists && ((access & GENERIC_WRITE) || truncate) && st.st_nlink > 1)) {
        ::close(fd);
        machine.unregisterOpen(host, openId_);
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (truncate && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        machine.unregisterOpen(host, openId_);
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    machine_ = &machine;
    fd_ = fd;
    access_ = access;
    path_ = path;
    host_ = host;
    // As Windows: opening an existing file "always" succeeds with this note.
    setLastError((exists && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS)) ? ERROR_ALREADY_EXISTS
                                                                                          : ERROR_SUCCESS);
    return true;
}

void File::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        if (machine_)
            machine_->unregisterOpen(host_, openId_);
    }
    machine_ = nullptr;
}

bool File::read(void* buffer, uint32_t count, uint32_t& done)
{
    done = 0;
    if (fd_ < 0) {
        setLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!(access_ & GENERIC_READ)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    char* out = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            setLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (n == 0)
            break;
        done += uint32_t(n);
    }
    return true;
}

bool File::write(const void* buffer, uint32_t count, uint32_t& done)
{
    done = 0;
    if (fd_ < 0) {
        setLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!(access_ & GENERIC_WRITE)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    uint32_t allowed = count;
    // Checked and written in one step of the drive's writers.
    const DriveInfo* d = machine_->driveOfHost(host_);
    std::unique_ptr<hostfile::ExclusiveLock> driveLock;
    if (!machine_->lockDrive(d, driveLock))
        return false;
    if (d && d->capacity) {
        // The file grows by its new end less its old size: a write after a
        // seek past the end takes the gap too.
        const int64_t pos = position(), end = std::max<int64_t>(size(), 0) + int64_t(machine_->driveFree(*d));
        allowed = pos >= end ? 0 : uint32_t(std::min<int64_t>(count, end - pos));
    }
    const char* in = static_cast<const char*>(buffer);
    while (done < allowed) {
        ssize_t n = ::write(fd_, in + done, allowed - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            setLastError(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED);
            return false;
        }
        done += uint32_t(n);
    }
    if (done < count) {
        setLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

void File::reserve(int64_t bytes)
{
    if (fd_ >= 0 && (access_ & GENERIC_WRITE) && bytes > 0)
        (void)::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, bytes);
}

int64_t File::seek(int64_t offset, int origin)
{
    if (fd_ < 0) {
        setLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    int64_t base = origin == FILE_BEGIN ? 0 : origin == FILE_CURRENT ? position() : origin == FILE_END ? size() : -1;
    if (base < 0) {
        setLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (base + offset < 0) {
        setLastError(ERROR_NEGATIVE_SEEK);
        return -1;
    }
    off_t r = ::lseek(fd_, off_t(base + offset), SEEK_SET);
    if (r < 0) {
        setLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return r;
}

int64_t File::position() const
{
    return fd_ < 0 ? -1 : int64_t(::lseek(fd_, 0, SEEK_CUR));
}

int64_t File::size() const
{
    struct stat st { };
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool File::setEndOfFile()
{
    if (fd_ < 0 || !(access_ & GENERIC_WRITE)) {
        setLastError(fd_ < 0 ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return false;
    }
    const DriveInfo* d = machine_->driveOfHost(host_);
    std::unique_ptr<hostfile::ExclusiveLock> driveLock;
    if (!machine_->lockDrive(d, driveLock))
        return false;
    const int64_t end = position(), old = size();
    if (d && d->capacity && end > old && uint64_t(end - old) > machine_->driveFree(*d)) {
        setLastError(ERROR_DISK_FULL);
        return false;
    }
    if (::ftruncate(fd_, end) != 0) {
        setLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

std::optional<uint32_t> File::dosDateTime() const
{
    struct stat st { };
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        setLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    return timeToDosDateTime(st.st_mtime);
}

bool File::setDosDateTime(uint32_t stamp)
{
    if (fd_ < 0 || !(access_ & GENERIC_WRITE)) {
        setLastError(fd_ < 0 ? ERROR_INVALID_HANDLE : ERROR_ACCESS_DENIED);
        return false;
    }
    auto t = dosDateTimeToTime(stamp);
    if (!t) {
        setLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    struct timespec times[2];
    times[0].tv_sec = *t;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    if (::futimens(fd_, times) != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

} // namespace win
