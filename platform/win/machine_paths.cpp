// Windows path strings of the emulated machine: parsing, folding of "." and
// "..", and their host files, found component by component without case.

#include "platform/win/machine.h"
#include "platform/win/text.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

namespace {

bool reservedChar(char c, bool wildcards)
{
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32)
        return true;
    switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '|':
        return true;
    case '?':
    case '*':
        return !wildcards;
    default:
        return false;
    }
}

bool deviceName(const std::string& part)
{
    std::string base = text::toUpper(part.substr(0, part.find('.')));
    static const char* names[] = { "CON", "PRN", "AUX", "NUL" };
    for (const char* n : names)
        if (base == n)
            return true;
    if (base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '1'
        && base[3] <= '9')
        return true;
    return false;
}

// The host entry of dir whose name matches name without case; an exact match wins.
std::optional<std::string> findEntry(const fs::path& dir, const std::string& name)
{
    std::error_code ec;
    if (fs::exists(dir / name, ec) || fs::is_symlink(dir / name, ec))
        return name;
    std::optional<std::string> found;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (text::equalsNoCase(entry, name))
            return entry;
    }
    return found;
}

} // namespace

std::string Machine::ParsedPath::text() const
{
    std::string out(1, drive);
    out += ":\\";
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += '\\';
        out += parts[i];
    }
    return out;
}

bool Machine::parse(const std::string& pathIn, ParsedPath& out, bool wildcardsInLast) const
{
    std::string path = pathIn;
    std::replace(path.begin(), path.end(), '/', '\\');
    if (path.empty()) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (path.rfind("\\\\", 0) == 0) { // UNC and \\?\ forms: no network here
        setLastError(ERROR_BAD_NETPATH);
        return false;
    }
    ParsedPath base;
    ParsedPath current;
    current.drive = currentDir_[0];
    current.parts = text::splitNonEmpty(currentDir_.substr(2), '\\');
    std::string rest;
    if (path.size() >= 2 && path[1] == ':') {
        if (!std::isalpha(static_cast<unsigned char>(path[0]))) {
            setLastError(ERROR_INVALID_NAME);
            return false;
        }
        base.drive = text::upper(path[0]);
        rest = path.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            if (base.drive == current.drive)
                base = current;
        }
    } else if (path[0] == '\\') {
        base.drive = current.drive;
        rest = path;
    } else {
        base = current;
        rest = path;
    }
    std::vector<std::string> parts = text::splitNonEmpty(rest, '\\');
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string part = parts[i];
        bool last = i + 1 == parts.size();
        if (part == ".")
            continue;
        if (part == "..") {
            // At the drive's root ".." stays there, as on Windows.
            if (!base.parts.empty())
                base.parts.pop_back();
            continue;
        }
        for (char c : part)
            if (reservedChar(c, wildcardsInLast && last)) {
                setLastError(ERROR_INVALID_NAME);
                return false;
            }
        // Windows drops trailing dots and blanks of a name.
        while (!part.empty() && (part.back() == '.' || part.back() == ' '))
            part.pop_back();
        if (part.empty())
            continue;
        if (deviceName(part)) {
            setLastError(ERROR_INVALID_NAME);
            return false;
        }
        base.parts.push_back(part);
    }
    if (base.text().size() > MAX_PATH_LENGTH) {
        setLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    out = base;
    return true;
}

bool Machine::resolveParsed(const ParsedPath& p, fs::path& host) const
{
    const DriveInfo* d = driveOf(p.drive);
    if (!d) {
        setLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (!driveFolderSafe(*d)) {
        setLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    fs::path h = d->host;
    bool exists = true;
    for (const auto& part : p.parts) {
        if (exists) {
            auto entry = findEntry(h, part);
            if (entry) {
                h /= *entry;
                std::error_code ec;
                // A host link could lead out of the root.
                if (fs::is_symlink(h, ec)) {
                    setLastError(ERROR_ACCESS_DENIED);
                    return false;
                }
                continue;
            }
            exists = false;
        }
        h /= part;
    }
    host = h;
    return true;
}

bool Machine::driveFolderSafe(const DriveInfo& drive) const
{
    // A drive inside the root is checked from the root down, so that no
    // folder on the way (drives, drives/C) is a link out of it; a drive
    // mapped onto a host folder outside the root is checked itself.
    std::vector<fs::path> folders;
    const fs::path rel = drive.host.lexically_normal().lexically_relative(root_.lexically_normal());
    if (!rel.empty() && *rel.begin() != ".." && rel != ".") {
        fs::path at = root_;
        for (const auto& part : rel) {
            at /= part;
            folders.push_back(at);
        }
    } else {
        folders.push_back(drive.host);
    }
    for (const auto& folder : folders) {
        struct stat st { };
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

namespace {

// Opens rel beneath dirFd one component at a time, none of them a link
// (for kernels without openat2).
int openByComponents(int dirFd, const fs::path& rel, int flags, mode_t mode)
{
    std::vector<std::string> parts;
    for (const auto& part : rel)
        if (part != ".")
            parts.push_back(part.string());
    if (parts.empty())
        return ::openat(dirFd, ".", flags | O_CLOEXEC, mode);
    int at = ::dup(dirFd);
    for (size_t i = 0; at >= 0 && i + 1 < parts.size(); ++i) {
        if (parts[i] == "..") {
            ::close(at);
            errno = EXDEV;
            return -1;
        }
        const int next = ::openat(at, parts[i].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int saved = errno;
        ::close(at);
        errno = saved;
        at = next;
    }
    if (at < 0)
        return -1;
    const int fd = ::openat(at, parts.back().c_str(), flags | O_NOFOLLOW | O_CLOEXEC, mode);
    const int saved = errno;
    ::close(at);
    errno = saved;
    return fd;
}

} // namespace

int Machine::openBeneath(const fs::path& host, int flags, mode_t mode) const
{
    const DriveInfo* d = driveOfHost(host);
    if (!d || !driveFolderSafe(*d)) {
        errno = EACCES;
        return -1;
    }
    const int dirFd = ::open(d->host.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0)
        return -1;
    const fs::path rel = host.lexically_normal().lexically_relative(d->host.lexically_normal());
    const std::string relText = rel.empty() ? std::string(".") : rel.string();
    struct open_how how { };
    how.flags = uint64_t(flags | O_CLOEXEC);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    int fd = int(::syscall(SYS_openat2, dirFd, relText.c_str(), &how, sizeof how));
    if (fd < 0 && errno == ENOSYS)
        fd = openByComponents(dirFd, rel, flags, mode);
    const int saved = errno;
    ::close(dirFd);
    errno = saved;
    return fd;
}

bool Machine::resolve(const std::string& path, fs::path& host) const
{
    ParsedPath p;
    return parse(path, p) && resolveParsed(p, host);
}

bool Machine::resolveExisting(const std::string& path, fs::path& host) const
{
    if (!resolve(path, host))
        return false;
    std::error_code ec;
    if (fs::exists(host, ec))
        return true;
    setLastError(fs::is_directory(host.parent_path(), ec) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return false;
}

std::string Machine::fullPathName(const std::string& path) const
{
    ParsedPath p;
    if (!parse(path, p))
        return {};
    return p.text();
}

bool Machine::setCurrentDirectory(const std::string& path)
{
    ParsedPath p;
    fs::path host;
    if (!parse(path, p) || !resolveParsed(p, host))
        return false;
    std::error_code ec;
    if (!fs::is_directory(host, ec)) {
        setLastError(fs::exists(host, ec) ? ERROR_DIRECTORY : ERROR_PATH_NOT_FOUND);
        return false;
    }
    currentDir_ = p.text();
    return true;
}

} // namespace win
