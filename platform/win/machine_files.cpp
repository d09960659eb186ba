// File operations of the emulated machine.

#include "platform/win/dosdate.h"
#include "platform/win/file.h"
#include "platform/win/hostfile.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

using hostfile::ScopedFd;

namespace {

// The stems of the temporary files of writeFile and copyFile, for their
// names and for finding what killed writers left, whatever file they wrote.
// The ":" is one no Windows name holds, so no file of a program on the
// machine is taken for one; the name does not grow with the file's.
const std::string kWriteTemp = "tavix:write", kCopyTemp = "tavix:copy";
const std::vector<std::string> kWritersTemps { kWriteTemp, kCopyTemp };

bool hostIsReadOnly(const fs::path& host)
{
    struct stat st { };
    return ::lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

} // namespace

bool Machine::statBeneath(const fs::path& host, struct stat& st) const
{
    ScopedFd entry { openBeneath(host, O_PATH) };
    return entry.fd >= 0 && ::fstat(entry.fd, &st) == 0;
}

bool Machine::fileExists(const std::string& path) const
{
    fs::path host;
    struct stat st { };
    return resolve(path, host) && statBeneath(host, st) && S_ISREG(st.st_mode);
}

bool Machine::directoryExists(const std::string& path) const
{
    fs::path host;
    struct stat st { };
    return resolve(path, host) && statBeneath(host, st) && S_ISDIR(st.st_mode);
}

uint32_t Machine::fileAttributes(const std::string& path) const
{
    fs::path host;
    if (!resolveExisting(path, host))
        return INVALID_FILE_ATTRIBUTES;
    std::error_code ec;
    if (fs::is_directory(host, ec))
        return FILE_ATTRIBUTE_DIRECTORY;
    return FILE_ATTRIBUTE_ARCHIVE | (hostIsReadOnly(host) ? FILE_ATTRIBUTE_READONLY : 0);
}

bool Machine::setFileAttributes(const std::string& path, uint32_t attributes)
{
    fs::path host;
    if (!resolveExisting(path, host))
        return false;
    std::error_code ec;
    if (fs::is_directory(host, ec))
        return true;
    // Changed through a descriptor opened beneath the drive: a link swapped
    // in on the way does not pass the change to a file outside. A file with
    // a second hard link may be someone else's (outside the machine, too).
    ScopedFd file { openBeneath(host, O_RDONLY) };
    struct stat st { };
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || (S_ISREG(st.st_mode) && st.st_nlink > 1)
        || ::fchmod(file.fd,
               (attributes & FILE_ATTRIBUTE_READONLY) ? (st.st_mode & 07777 & ~S_IWUSR)
                                                      : (st.st_mode & 07777) | S_IWUSR)
            != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

std::optional<uint64_t> Machine::fileSize(const std::string& path) const
{
    fs::path host;
    if (!resolveExisting(path, host))
        return std::nullopt;
    struct stat st { };
    if (!statBeneath(host, st) || !S_ISREG(st.st_mode)) {
        setLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    return uint64_t(st.st_size);
}

std::optional<uint32_t> Machine::fileDate(const std::string& path) const
{
    fs::path host;
    if (!resolveExisting(path, host))
        return std::nullopt;
    struct stat st { };
    if (!statBeneath(host, st)) {
        setLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    return timeToDosDateTime(st.st_mtime);
}

bool Machine::setFileDate(const std::string& path, uint32_t dosDateTime)
{
    File f;
    if (!f.open(*this, path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING))
        return false;
    return f.setDosDateTime(dosDateTime);
}

bool Machine::isInUseHost(const fs::path& host) const
{
    return inUse_.count(host.lexically_normal().string()) > 0;
}

void Machine::setInUse(const std::string& path, bool inUse)
{
    fs::path host;
    if (!resolve(path, host))
        return;
    const std::string key = host.lexically_normal().string();
    const std::string name = fullPathName(path);
    updateConfig([&] {
        if (inUse)
            inUse_[key] = name;
        else
            inUse_.erase(key);
    });
}

bool Machine::isInUse(const std::string& path) const
{
    fs::path host;
    return resolve(path, host) && isInUseHost(host);
}

void Machine::removeKilledWritersTemps(const std::string& folder)
{
    fs::path host;
    if (!resolveExisting(folder, host))
        return;
    const int dirFd = openBeneath(host, O_PATH | O_DIRECTORY);
    if (dirFd < 0)
        return;
    hostfile::removeDeadWritersTemps(host, kWritersTemps, dirFd);
    ::close(dirFd);
}

std::unique_ptr<hostfile::ExclusiveLock> Machine::lockNames() const
{
    auto lock = std::make_unique<hostfile::ExclusiveLock>(root_ / "names.lock");
    if (lock->locked())
        return lock;
    setLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

bool Machine::lockDrive(const DriveInfo* drive, std::unique_ptr<hostfile::ExclusiveLock>& lock) const
{
    if (!drive || !drive->capacity)
        return true;
    lock = std::make_unique<hostfile::ExclusiveLock>(root_ / ("drive-" + std::string(1, drive->letter) + ".lock"));
    if (lock->locked())
        return true;
    setLastError(ERROR_ACCESS_DENIED);
    return false;
}

bool Machine::putInPlace(
    int dirFd, const fs::path& tmp, const std::string& path, const fs::path& expected, bool failIfExists)
{
    const auto names = lockNames();
    if (!names)
        return false;
    fs::path host;
    if (!resolve(path, host))
        return false;
    if (host.parent_path() != expected.parent_path()) {
        setLastError(ERROR_ACCESS_DENIED); // the folder changed meanwhile
        return false;
    }
    struct stat st { };
    const bool exists = statBeneath(host, st);
    if (exists && failIfExists) {
        setLastError(ERROR_FILE_EXISTS);
        return false;
    }
    if (exists && host.filename() != expected.filename()) {
        // Made meanwhile under another case: that file is the one replaced.
        if (S_ISDIR(st.st_mode)) {
            setLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (!checkWritable(host, true))
            return false;
    }
    if (::renameat(dirFd, tmp.filename().c_str(), dirFd, host.filename().c_str()) != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

// Whether an existing file may be written over, replaced or deleted.
bool Machine::checkWritable(const fs::path& host, bool forDelete) const
{
    if (hostIsReadOnly(host)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (isInUseHost(host) || isRunningHost(host) || (forDelete && openBlocksDelete(host))) {
        setLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    return true;
}

bool Machine::registerOpen(const fs::path& host, uint32_t access, uint32_t share, uint64_t& id)
{
    std::lock_guard lock(openMutex_);
    auto& list = open_[host.lexically_normal().string()];
    for (const auto& e : list) {
        bool conflict = ((access & GENERIC_READ) && !(e.share & FILE_SHARE_READ))
            || ((access & GENERIC_WRITE) && !(e.share & FILE_SHARE_WRITE))
            || ((e.access & GENERIC_READ) && !(share & FILE_SHARE_READ))
            || ((e.access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE));
        if (conflict) {
            setLastError(ERROR_SHARING_VIOLATION);
            return false;
        }
    }
    id = nextOpenId_++;
    list.push_back(OpenEntry { id, access, share });
    return true;
}

void Machine::unregisterOpen(const fs::path& host, uint64_t id)
{
    std::lock_guard lock(openMutex_);
    auto it = open_.find(host.lexically_normal().string());
    if (it == open_.end())
        return;
    auto& list = it->second;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const OpenEntry& e) { return e.id == id; }), list.end());
    if (list.empty())
        open_.erase(it);
}

bool Machine::openBlocksDelete(const fs::path& host) const
{
    std::lock_guard lock(openMutex_);
    auto it = open_.find(host.lexically_normal().string());
    if (it == open_.end())
        return false;
    for (const auto& e : it->second)
        if (!(e.share & FILE_SHARE_DELETE))
            return true;
    return false;
}

bool Machine::deleteFile(const std::string& path)
{
    fs::path host;
    if (!resolveExisting(path, host))
        return false;
    std::error_code ec;
    if (fs::is_directory(host, ec)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!checkWritable(host, true))
        return false;
    ScopedFd folder { openBeneath(host.parent_path(), O_PATH | O_DIRECTORY) };
    if (folder.fd < 0 || ::unlinkat(folder.fd, host.filename().c_str(), 0) != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool Machine::moveFile(const std::string& from, const std::string& to)
{
    return moveFileEx(from, to, 0);
}

bool Machine::moveFileEx(const std::string& from, const std::string& to, uint32_t flags)
{
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        if (kind_ != WindowsKind::NT4 && kind_ != WindowsKind::NT35) {
            setLastError(ERROR_CALL_NOT_IMPLEMENTED);
            return false;
        }
        std::string src = fullPathName(from);
        if (src.empty())
            return false;
        std::string dst;
        if (!to.empty()) {
            dst = fullPathName(to);
            if (dst.empty())
                return false;
            dst = ((flags & MOVEFILE_REPLACE_EXISTING) ? "!\\??\\" : "\\??\\") + dst;
        }
        RegKey key;
        long rc
            = registry_->createKey(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", key);
        // Read and appended under one lock of the registry: a move that
        // another program schedules meanwhile is not lost.
        if (rc == ERROR_SUCCESS)
            rc = registry_->updateValue(key, "PendingFileRenameOperations", [&](std::optional<RegValue>& pending) {
                std::vector<std::string> items;
                if (pending)
                    items = pending->strings();
                items.push_back("\\??\\" + src);
                items.push_back(dst);
                pending = RegValue::multiString("PendingFileRenameOperations", items);
                return true;
            });
        if (rc != ERROR_SUCCESS) {
            setLastError(uint32_t(rc));
            return false;
        }
        return true;
    }
    if (to.empty()) {
        setLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    fs::path src, dst;
    ParsedPath dp;
    if (!resolveExisting(from, src) || !parse(to, dp) || !resolveParsed(dp, dst))
        return false;
    std::error_code ec;
    bool sameEntry = src.lexically_normal() == dst.lexically_normal();
    if (sameEntry) // a change of case only
        dst = dst.parent_path() / dp.parts.back();
    if (!fs::is_directory(dst.parent_path(), ec)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (isInUseHost(src) || isRunningHost(src) || openBlocksDelete(src)) {
        setLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    const bool dstExisted = !sameEntry && fs::exists(dst, ec);
    if (dstExisted) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING) || fs::is_directory(dst, ec) || fs::is_directory(src, ec)) {
            setLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        if (!checkWritable(dst, true))
            return false;
    }
    const DriveInfo* sd = driveOfHost(src);
    const DriveInfo* dd = driveOfHost(dst);
    if (sd != dd) {
        if (!(flags & MOVEFILE_COPY_ALLOWED) || fs::is_directory(src, ec)) {
            setLastError(ERROR_NOT_SAME_DEVICE);
            return false;
        }
        if (!copyFile(from, to, false))
            return false;
        return deleteFile(from);
    }
    const auto names = lockNames();
    if (!names)
        return false;
    // Looked up again under the names lock: a file another program made
    // meanwhile under another case is not doubled.
    if (fs::path again;
        !sameEntry && !dstExisted && resolveParsed(dp, again) && again.parent_path() == dst.parent_path()) {
        struct stat st { };
        if (statBeneath(again, st)) {
            if (!(flags & MOVEFILE_REPLACE_EXISTING) || S_ISDIR(st.st_mode) || fs::is_directory(src, ec)) {
                setLastError(ERROR_ALREADY_EXISTS);
                return false;
            }
            if (!checkWritable(again, true))
                return false;
        }
        dst = again;
    }
    ScopedFd srcFolder { openBeneath(src.parent_path(), O_PATH | O_DIRECTORY) };
    ScopedFd dstFolder { openBeneath(dst.parent_path(), O_PATH | O_DIRECTORY) };
    if (srcFolder.fd < 0 || dstFolder.fd < 0
        || ::renameat(srcFolder.fd, src.filename().c_str(), dstFolder.fd, dst.filename().c_str()) != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool Machine::copyFile(const std::string& from, const std::string& to, bool failIfExists)
{
    fs::path src, dst;
    if (!resolveExisting(from, src))
        return false;
    std::error_code ec;
    if (fs::is_directory(src, ec)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (!resolve(to, dst))
        return false;
    if (!fs::is_directory(dst.parent_path(), ec)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    bool exists = fs::exists(dst, ec);
    if (exists) {
        if (fs::is_directory(dst, ec)) {
            setLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (failIfExists) {
            setLastError(ERROR_FILE_EXISTS);
            return false;
        }
        if (!checkWritable(dst, true))
            return false;
    }
    // The source is read while others may have it open for reading only.
    uint64_t readId = 0;
    if (!registerOpen(src, GENERIC_READ, FILE_SHARE_READ, readId))
        return false;
    struct Unregister {
        Machine* m;
        fs::path p;
        uint64_t id;
        ~Unregister() { m->unregisterOpen(p, id); }
    } unregister { this, src, readId };

    uint64_t size = fs::file_size(src, ec);
    const DriveInfo* drive = driveOfHost(dst);
    std::unique_ptr<hostfile::ExclusiveLock> driveLock;
    if (!lockDrive(drive, driveLock))
        return false;
    if (drive && drive->capacity && size > driveFree(*drive) + (exists ? fs::file_size(dst, ec) : 0)) {
        setLastError(ERROR_DISK_FULL);
        return false;
    }
    // Both ends are opened beneath their drives without following a link.
    const int in = openBeneath(src, O_RDONLY);
    const int dirFd = in < 0 ? -1 : openBeneath(dst.parent_path(), O_PATH | O_DIRECTORY);
    fs::path tmp;
    // What killed writers left in the folder goes with the next write into it.
    if (dirFd >= 0)
        hostfile::removeDeadWritersTemps(dst.parent_path(), kWritersTemps, dirFd);
    const int out = dirFd < 0 ? -1 : hostfile::createTemp(dst.parent_path(), kCopyTemp, tmp, dirFd);
    bool ok = out >= 0;
    if (ok) {
        char buffer[65536];
        for (ssize_t n; ok && (n = ::read(in, buffer, sizeof buffer)) != 0;) {
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0 && ::write(out, buffer, size_t(n)) == n;
        }
        struct stat st { };
        if (ok && ::fstat(in, &st) == 0) {
            struct timespec times[2] = { st.st_atim, st.st_mtim };
            ::futimens(out, times);
            ::fchmod(out, st.st_mode & 07777);
        }
        ok = ::close(out) == 0 && ok;
        if (!ok)
            setLastError(ERROR_ACCESS_DENIED);
        else
            ok = putInPlace(dirFd, tmp, to, dst, failIfExists && !exists);
        if (!ok)
            ::unlinkat(dirFd, tmp.filename().c_str(), 0);
    } else {
        setLastError(ERROR_ACCESS_DENIED);
    }
    if (in >= 0)
        ::close(in);
    if (dirFd >= 0)
        ::close(dirFd);
    return ok;
}

bool Machine::createDirectory(const std::string& path)
{
    const auto names = lockNames();
    if (!names)
        return false;
    fs::path host;
    if (!resolve(path, host))
        return false;
    std::error_code ec;
    if (fs::exists(host, ec)) {
        setLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!fs::is_directory(host.parent_path(), ec)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    ScopedFd parent { openBeneath(host.parent_path(), O_PATH | O_DIRECTORY) };
    if (parent.fd < 0 || ::mkdirat(parent.fd, host.filename().c_str(), 0755) != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

bool Machine::forceDirectories(const std::string& path)
{
    ParsedPath p;
    if (!parse(path, p))
        return false;
    const auto names = lockNames();
    if (!names)
        return false;
    ParsedPath step;
    step.drive = p.drive;
    for (const auto& part : p.parts) {
        step.parts.push_back(part);
        fs::path host;
        if (!resolveParsed(step, host))
            return false;
        std::error_code ec;
        if (fs::is_directory(host, ec))
            continue;
        if (fs::exists(host, ec)) {
            setLastError(ERROR_ALREADY_EXISTS);
            return false;
        }
        ScopedFd parent { openBeneath(host.parent_path(), O_PATH | O_DIRECTORY) };
        if (parent.fd < 0 || (::mkdirat(parent.fd, host.filename().c_str(), 0755) != 0 && errno != EEXIST)) {
            setLastError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    if (!driveOf(p.drive)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

bool Machine::removeDirectory(const std::string& path)
{
    fs::path host;
    if (!resolveExisting(path, host))
        return false;
    std::error_code ec;
    if (!fs::is_directory(host, ec)) {
        setLastError(ERROR_DIRECTORY);
        return false;
    }
    // A folder that no listing shows anything in is not kept by what killed
    // writers left there.
    if (ScopedFd folder { openBeneath(host, O_PATH | O_DIRECTORY) }; folder.fd >= 0)
        hostfile::removeDeadWritersTemps(host, kWritersTemps, folder.fd);
    if (!fs::is_empty(host, ec)) {
        setLastError(ERROR_DIR_NOT_EMPTY);
        return false;
    }
    if (const DriveInfo* d = driveOfHost(host); d && d->host.lexically_normal() == host.lexically_normal()) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    ScopedFd parent { openBeneath(host.parent_path(), O_PATH | O_DIRECTORY) };
    if (parent.fd < 0 || ::unlinkat(parent.fd, host.filename().c_str(), AT_REMOVEDIR) != 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

std::vector<FindData> Machine::findFiles(const std::string& pattern) const
{
    std::vector<FindData> out;
    ParsedPath p;
    if (!parse(pattern, p, true))
        return out;
    if (p.parts.empty()) {
        setLastError(ERROR_FILE_NOT_FOUND);
        return out;
    }
    std::string mask = p.parts.back();
    p.parts.pop_back();
    fs::path dir;
    if (!resolveParsed(p, dir))
        return out;
    // Listed through a descriptor opened beneath the drive: a folder
    // swapped for a link lists nothing from outside.
    const int dirFd = openBeneath(dir, O_RDONLY | O_DIRECTORY);
    DIR* listing = dirFd < 0 ? nullptr : ::fdopendir(dirFd);
    if (!listing) {
        if (dirFd >= 0)
            ::close(dirFd);
        setLastError(ERROR_PATH_NOT_FOUND);
        return out;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !text::wildcardMatch(mask, name)
            || hostfile::isTempName(name, kWritersTemps))
            continue;
        struct stat st { };
        if (::fstatat(::dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode))
            continue;
        FindData f;
        f.name = name;
        if (S_ISDIR(st.st_mode)) {
            f.attributes = FILE_ATTRIBUTE_DIRECTORY;
        } else {
            f.attributes = FILE_ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0 : FILE_ATTRIBUTE_READONLY);
            f.size = uint64_t(st.st_size);
        }
        f.dosDateTime = timeToDosDateTime(st.st_mtime);
        out.push_back(std::move(f));
    }
    ::closedir(listing);
    std::sort(out.begin(), out.end(),
        [](const FindData& a, const FindData& b) { return text::compareNoCase(a.name, b.name) < 0; });
    if (out.empty())
        setLastError(ERROR_FILE_NOT_FOUND);
    return out;
}

std::string Machine::searchPath(const std::string& fileName) const
{
    if (fileName.find_first_of("\\/:") != std::string::npos) {
        if (fileExists(fileName))
            return fullPathName(fileName);
        setLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    for (const std::string& dir : { currentDir_, windowsDir_, systemDir_ }) {
        std::string candidate = (dir.back() == '\\' ? dir : dir + "\\") + fileName;
        if (fileExists(candidate))
            return candidate;
    }
    setLastError(ERROR_FILE_NOT_FOUND);
    return {};
}

std::string Machine::tempFileName(const std::string& directory, const std::string& prefix, uint32_t unique)
{
    if (!directoryExists(directory)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return {};
    }
    std::string base = (directory.back() == '\\' ? directory : directory + "\\") + prefix.substr(0, 3);
    auto nameFor = [&](uint32_t n) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", n & 0xFFFF);
        return base + hex + ".TMP";
    };
    if (unique != 0)
        return nameFor(unique);
    if (tempCounter_ == 0)
        tempCounter_ = uint32_t(::getpid() + std::chrono::steady_clock::now().time_since_epoch().count()) & 0xFFFF;
    for (int tries = 0; tries < 0x10000; ++tries) {
        tempCounter_ = (tempCounter_ + 1) & 0xFFFF;
        if (tempCounter_ == 0)
            continue;
        std::string name = nameFor(tempCounter_);
        fs::path host;
        if (!resolve(name, host))
            return {};
        // Beneath the drive, as every other call: a folder swapped for a
        // link since the check does not take the file outside the root.
        const int fd = openBeneath(host, O_CREAT | O_EXCL | O_WRONLY);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) {
            setLastError(ERROR_ACCESS_DENIED);
            return {};
        }
    }
    setLastError(ERROR_FILE_EXISTS);
    return {};
}

std::string Machine::shortPathName(const std::string& path) const
{
    fs::path host;
    if (!resolveExisting(path, host))
        return {};
    return path;
}

bool Machine::readFile(const std::string& path, std::string& bytes) const
{
    File f;
    if (!f.open(const_cast<Machine&>(*this), path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING))
        return false;
    bytes.clear();
    char buffer[65536];
    for (;;) {
        uint32_t got = 0;
        if (!f.read(buffer, sizeof buffer, got))
            return false;
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    return true;
}

bool Machine::writeFile(const std::string& path, const std::string& bytes)
{
    fs::path host;
    if (!resolve(path, host))
        return false;
    std::error_code ec;
    if (!fs::is_directory(host.parent_path(), ec)) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    bool exists = fs::exists(host, ec);
    if (exists) {
        if (fs::is_directory(host, ec)) {
            setLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        if (!checkWritable(host, true))
            return false;
    }
    const DriveInfo* drive = driveOfHost(host);
    std::unique_ptr<hostfile::ExclusiveLock> driveLock;
    if (!lockDrive(drive, driveLock))
        return false;
    if (drive && drive->capacity && bytes.size() > driveFree(*drive) + (exists ? fs::file_size(host, ec) : 0)) {
        setLastError(ERROR_DISK_FULL);
        return false;
    }
    // The temporary file and the rename go through a handle of the folder
    // opened beneath the drive, so a folder swapped for a link is not followed.
    const int dirFd = openBeneath(host.parent_path(), O_PATH | O_DIRECTORY);
    if (dirFd < 0) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    fs::path tmp;
    // What killed writers left in the folder goes with the next write into it.
    hostfile::removeDeadWritersTemps(host.parent_path(), kWritersTemps, dirFd);
    int fd = hostfile::createTemp(host.parent_path(), kWriteTemp, tmp, dirFd);
    bool ok = fd >= 0;
    if (ok) {
        ok = hostfile::writeAll(fd, bytes);
        ok = ::close(fd) == 0 && ok;
        if (!ok)
            setLastError(ERROR_ACCESS_DENIED);
        else
            ok = putInPlace(dirFd, tmp, path, host, false);
        if (!ok)
            ::unlinkat(dirFd, tmp.filename().c_str(), 0);
    } else {
        setLastError(ERROR_ACCESS_DENIED);
    }
    ::close(dirFd);
    return ok;
}

std::optional<Registry::Edit> Machine::deleteAtRestartEdit(const std::string& path)
{
    if (kind_ != WindowsKind::NT4 && kind_ != WindowsKind::NT35) {
        setLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return std::nullopt;
    }
    const std::string full = fullPathName(path);
    if (full.empty())
        return std::nullopt;
    return Registry::Edit { Registry::Edit::Kind::AppendStrings, RootKey::LocalMachine,
        "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
        RegValue::multiString("PendingFileRenameOperations", { "\\??\\" + full, "" }) };
}

} // namespace win
