#include "platform/win/machine.h"

#include "platform/win/hostfile.h"
#include "platform/win/ini_document.h"
#include "platform/win/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace win {

namespace {

std::shared_ptr<Machine> g_current;
std::mutex g_currentMutex;

const char* kindName(WindowsKind kind)
{
    switch (kind) {
    case WindowsKind::Win32s:
        return "Win32s";
    case WindowsKind::Win95:
        return "95";
    case WindowsKind::NT35:
        return "NT35";
    case WindowsKind::NT4:
        return "NT4";
    }
    return "NT4";
}

uint32_t defaultBuild(WindowsKind kind)
{
    switch (kind) {
    case WindowsKind::Win32s:
        return 0;
    case WindowsKind::Win95:
        return 950;
    case WindowsKind::NT35:
        return 1057;
    case WindowsKind::NT4:
        return 1381;
    }
    return 1381;
}

std::string readHostFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Writes through a uniquely named temporary file and a rename, so a crash
// leaves either the old or the new file and a reader never sees a torn one.
void writeHostFileAtomically(const fs::path& file, const std::string& bytes)
{
    if (!hostfile::replaceAtomically(file, bytes))
        throw MachineError("Cannot replace " + file.string() + ": " + std::strerror(errno));
}

// The exclusive lock of machine.ini's read-change-write, across processes.
class ConfigLock : hostfile::ExclusiveLock {
public:
    explicit ConfigLock(const fs::path& file)
        : ExclusiveLock(file)
    {
        if (!locked())
            throw MachineError("Cannot open the machine lock " + file.string());
    }
};

// A relative drive folder stays inside the root: no ".." leads out of it.
bool staysInside(const fs::path& relative)
{
    const fs::path normal = relative.lexically_normal();
    return !normal.empty() && normal != "." && *normal.begin() != "..";
}

// Makes the drive folder (a folder inside the root from the root down, each
// step a real folder and never a link); the reason when it cannot be used.
// A link is always refused; a plain file in the way only when mustBeFolder
// (mapping a drive onto one leaves a drive that refuses every new entry).
std::string makeDriveFolder(const fs::path& root, const fs::path& host, bool mustBeFolder = true)
{
    std::vector<fs::path> steps;
    const fs::path rel = host.lexically_normal().lexically_relative(root.lexically_normal());
    if (!rel.empty() && *rel.begin() != ".." && rel != ".") {
        fs::path at = root;
        for (const auto& part : rel)
            steps.push_back(at /= part);
    } else {
        std::error_code ec;
        fs::create_directories(host, ec);
        steps.push_back(host);
    }
    for (const auto& step : steps) {
        struct stat st { };
        if (::lstat(step.c_str(), &st) != 0) {
            // Another program opening the same new root may make it first.
            if ((::mkdir(step.c_str(), 0755) != 0 && errno != EEXIST) || ::lstat(step.c_str(), &st) != 0)
                return "cannot create " + step.string();
        }
        if (S_ISLNK(st.st_mode))
            return step.string() + " is a link";
        if (!S_ISDIR(st.st_mode))
            return mustBeFolder ? step.string() + " is not a folder" : std::string();
    }
    return {};
}

bool isAbsoluteWinPath(const std::string& s)
{
    return s.size() >= 3 && std::isalpha(static_cast<unsigned char>(s[0])) && s[1] == ':' && s[2] == '\\';
}

} // namespace

Machine::Machine(fs::path root)
    : root_(std::move(root))
{
}

Machine::~Machine() = default;

fs::path Machine::defaultRoot(const std::string& commandLineRoot)
{
    if (!commandLineRoot.empty())
        return fs::path(commandLineRoot);
    if (const char* env = std::getenv("TAVIX_WINROOT"); env && *env)
        return fs::path(env);
    fs::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        data = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        data = fs::path(home) / ".local" / "share";
    else
        data = fs::temp_directory_path();
    return data / "tavix" / "winroot";
}

void Machine::setCurrent(std::shared_ptr<Machine> machine)
{
    std::lock_guard lock(g_currentMutex);
    g_current = std::move(machine);
}

Machine& Machine::current()
{
    std::lock_guard lock(g_currentMutex);
    if (!g_current)
        throw MachineError("No emulated Windows machine has been opened");
    return *g_current;
}

bool Machine::hasCurrent()
{
    std::lock_guard lock(g_currentMutex);
    return g_current != nullptr;
}

std::shared_ptr<Machine> Machine::open(const fs::path& rootIn, const MachineSeed& seedValues)
{
    std::error_code ec;
    fs::path root = fs::absolute(rootIn, ec);
    if (ec)
        root = rootIn;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root))
        throw MachineError("Cannot create the machine folder " + root.string());
    std::shared_ptr<Machine> m(new Machine(root));
    bool fresh = !fs::exists(root / "machine.ini");
    if (fresh) {
        m->seed(seedValues);
    } else {
        // machine.ini is only written under the machine lock.
        ConfigLock lock(root / "machine.lock");
        hostfile::removeLeftoverTemps(root / "machine.ini");
    }
    m->loadConfig();
    // What killed writers left in the system folders goes before any
    // program lists them.
    m->removeKilledWritersTemps(m->windowsDir_);
    m->removeKilledWritersTemps(m->systemDir_);
    bool registryFresh = !fs::exists(root / "registry.reg");
    m->registry_ = std::make_unique<Registry>(root / "registry.reg", root / "registry.lock");
    if (registryFresh) {
        // The shell folders and program directories the install library reads.
        Registry& reg = *m->registry_;
        const std::string cv = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
        if (m->kind_ == WindowsKind::Win95 || m->kind_ == WindowsKind::NT4) {
            std::string profile
                = m->kind_ == WindowsKind::NT4 ? m->windowsDir_ + "\\Profiles\\" + seedValues.userName : m->windowsDir_;
            const std::string sf = cv + "\\Explorer\\Shell Folders";
            reg.writeString(RootKey::CurrentUser, sf, "Desktop", profile + "\\Desktop");
            reg.writeString(RootKey::CurrentUser, sf, "Programs", profile + "\\Start Menu\\Programs");
            reg.writeString(RootKey::CurrentUser, sf, "Start Menu", profile + "\\Start Menu");
            reg.writeString(RootKey::CurrentUser, sf, "Startup", profile + "\\Start Menu\\Programs\\Startup");
            reg.writeString(RootKey::CurrentUser, sf, "Personal", "C:\\My Documents");
            if (m->kind_ == WindowsKind::NT4) {
                std::string all = m->windowsDir_ + "\\Profiles\\All Users";
                reg.writeString(RootKey::LocalMachine, sf, "Common Desktop", all + "\\Desktop");
                reg.writeString(RootKey::LocalMachine, sf, "Common Programs", all + "\\Start Menu\\Programs");
                reg.writeString(RootKey::LocalMachine, sf, "Common Start Menu", all + "\\Start Menu");
                reg.writeString(RootKey::LocalMachine, sf, "Common Startup", all + "\\Start Menu\\Programs\\Startup");
            }
            reg.writeString(RootKey::LocalMachine, cv, "ProgramFilesDir", "C:\\Program Files");
            reg.writeString(RootKey::LocalMachine, cv, "CommonFilesDir", "C:\\Program Files\\Common Files");
            std::vector<RegValue> values;
            RegKey key;
            if (reg.openKey(RootKey::CurrentUser, sf, false, key) == ERROR_SUCCESS && reg.enumValues(key, values) == 0)
                for (const auto& v : values)
                    m->forceDirectories(v.text());
            m->forceDirectories("C:\\Program Files\\Common Files");
        }
        RegKey created;
        reg.createKey(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", created);
        reg.createKey(RootKey::CurrentUser, "Software", created);
        reg.createKey(RootKey::LocalMachine, "SOFTWARE\\Classes", created);
    }
    return m;
}

void Machine::seed(const MachineSeed& s)
{
    updateConfig([&] { seedValues(s); });
    loadConfig();
    forceDirectories(windowsDir_);
    forceDirectories(systemDir_);
    forceDirectories(tempDir_);
    // Only when missing, under the lock of every INI write: another program
    // opening the same new root may have written keys into it already.
    const hostfile::ExclusiveLock lock(root_ / "profile.lock");
    if (lock.locked() && !fileExists(windowsDir_ + "\\WIN.INI"))
        writeFile(windowsDir_ + "\\WIN.INI", "[windows]\r\nload=\r\nrun=\r\n\r\n[Desktop]\r\n");
}

void Machine::seedValues(const MachineSeed& s)
{
    if (fs::exists(root_ / "machine.ini"))
        return; // another program seeded the root meanwhile
    kind_ = s.kind;
    build_ = defaultBuild(s.kind);
    switch (s.kind) {
    case WindowsKind::Win32s:
    case WindowsKind::Win95:
        windowsDir_ = "C:\\WINDOWS";
        systemDir_ = "C:\\WINDOWS\\SYSTEM";
        break;
    case WindowsKind::NT35:
        windowsDir_ = "C:\\WINNT35";
        systemDir_ = "C:\\WINNT35\\system32";
        break;
    case WindowsKind::NT4:
        windowsDir_ = "C:\\WINNT";
        systemDir_ = "C:\\WINNT\\system32";
        break;
    }
    tempDir_ = "C:\\TEMP";
    languageId_ = s.languageId;
    currentDir_ = "C:\\";
    drives_.clear();
    drives_['A'] = DriveInfo { 'A', "drives/A", 1457664, true };
    drives_['C'] = DriveInfo { 'C', "drives/C", 0, false };
    drives_['S'] = DriveInfo { 'S', "drives/S", 0, false };
}

void Machine::loadConfig()
{
    const fs::path file = root_ / "machine.ini";
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        throw MachineError(file.string() + ": missing");
    IniDocument ini(readHostFile(file));
    auto fail = [&](const std::string& section, const std::string& key, const std::string& what) -> MachineError {
        int line = ini.lineOf(section, key);
        std::string where
            = file.string() + (line ? ": line " + std::to_string(line) : std::string(": [" + section + "]"));
        return MachineError(where + ": " + what);
    };
    auto need = [&](const std::string& key) {
        auto v = ini.value("Machine", key);
        if (!v || v->empty())
            throw fail("Machine", key, "no value for " + key);
        return *v;
    };
    auto number = [&](const std::string& section, const std::string& key, int base) -> uint64_t {
        std::string v = *ini.value(section, key);
        char* end = nullptr;
        errno = 0;
        unsigned long long n = std::strtoull(v.c_str(), &end, base);
        if (v.empty() || *end || errno || v[0] == '-')
            throw fail(section, key, "\"" + v + "\" is not a number");
        return n;
    };

    std::string kind = need("Kind");
    if (text::equalsNoCase(kind, "Win32s"))
        kind_ = WindowsKind::Win32s;
    else if (text::equalsNoCase(kind, "95"))
        kind_ = WindowsKind::Win95;
    else if (text::equalsNoCase(kind, "NT35"))
        kind_ = WindowsKind::NT35;
    else if (text::equalsNoCase(kind, "NT4"))
        kind_ = WindowsKind::NT4;
    else
        throw fail("Machine", "Kind", "unknown Windows kind \"" + kind + "\" (Win32s, 95, NT35 or NT4)");
    need("Build");
    build_ = uint32_t(number("Machine", "Build", 10));
    auto dir = [&](const std::string& key) {
        std::string v = need(key);
        if (!isAbsoluteWinPath(v))
            throw fail("Machine", key, "\"" + v + "\" is not a full Windows path");
        while (v.size() > 3 && v.back() == '\\')
            v.pop_back();
        return v;
    };
    windowsDir_ = dir("WindowsDir");
    systemDir_ = dir("SystemDir");
    tempDir_ = dir("TempDir");
    need("LanguageId");
    uint64_t lang = number("Machine", "LanguageId", 16);
    if (lang > 0xFFFF)
        throw fail("Machine", "LanguageId", "language id out of range");
    languageId_ = uint16_t(lang);
    currentDir_ = ini.value("Machine", "CurrentDir").value_or("C:\\");
    if (!isAbsoluteWinPath(currentDir_))
        throw fail("Machine", "CurrentDir", "\"" + currentDir_ + "\" is not a full Windows path");

    drives_.clear();
    for (const auto& section : ini.sectionNames()) {
        if (section.size() != 7 || !text::equalsNoCase(section.substr(0, 6), "Drive "))
            continue;
        char letter = text::upper(section[6]);
        if (letter < 'A' || letter > 'Z')
            throw fail(section, "Folder", "bad drive letter");
        DriveInfo d;
        d.letter = letter;
        auto folder = ini.value(section, "Folder");
        if (!folder || folder->empty())
            throw fail(section, "Folder", "no Folder for drive " + std::string(1, letter));
        fs::path host(*folder);
        if (!host.is_absolute() && !staysInside(host))
            throw fail(section, "Folder", "\"" + *folder + "\" leads out of the machine's folder");
        d.host = host.is_absolute() ? host : root_ / host;
        if (ini.value(section, "Capacity"))
            d.capacity = number(section, "Capacity", 10);
        if (ini.value(section, "Removable"))
            d.removable = number(section, "Removable", 10) != 0;
        if (const std::string why = makeDriveFolder(root_, d.host); !why.empty())
            throw fail(section, "Folder", why);
        drives_[letter] = d;
    }
    if (!drives_.count('C'))
        throw MachineError(file.string() + ": no [Drive C] section");

    inUse_.clear();
    for (const auto& [key, path] : ini.entries("InUse")) {
        fs::path host;
        if (resolve(path, host))
            inUse_[host.lexically_normal().string()] = fullPathName(path);
    }
}

void Machine::saveConfig() const
{
    std::string s;
    s += "; The emulated Windows machine of the Tavix setup.\r\n";
    s += "; Kind: Win32s, 95, NT35 or NT4. Drive folders are relative to this folder or absolute.\r\n";
    s += "[Machine]\r\n";
    s += "Kind=" + std::string(kindName(kind_)) + "\r\n";
    s += "Build=" + std::to_string(build_) + "\r\n";
    s += "WindowsDir=" + windowsDir_ + "\r\n";
    s += "SystemDir=" + systemDir_ + "\r\n";
    s += "TempDir=" + tempDir_ + "\r\n";
    char lang[8];
    std::snprintf(lang, sizeof lang, "%04X", languageId_);
    s += "LanguageId=" + std::string(lang) + "\r\n";
    s += "CurrentDir=" + currentDir_ + "\r\n";
    for (const auto& [letter, d] : drives_) {
        s += "\r\n[Drive " + std::string(1, letter) + "]\r\n";
        fs::path folder = d.host;
        std::error_code ec;
        fs::path rel = fs::relative(d.host, root_, ec);
        if (!ec && !rel.empty() && *rel.begin() != "..")
            folder = rel;
        s += "Folder=" + folder.generic_string() + "\r\n";
        s += "Capacity=" + std::to_string(d.capacity) + "\r\n";
        s += "Removable=" + std::string(d.removable ? "1" : "0") + "\r\n";
    }
    if (!inUse_.empty()) {
        s += "\r\n; Files held open by running programs (cleared by a restart).\r\n[InUse]\r\n";
        int n = 0;
        for (const auto& [host, path] : inUse_)
            s += "File" + std::to_string(++n) + "=" + path + "\r\n";
    }
    writeHostFileAtomically(root_ / "machine.ini", s);
}

void Machine::updateConfig(const std::function<void()>& change)
{
    ConfigLock lock(root_ / "machine.lock");
    // Other programs on the same root may have changed the file since it
    // was read: their marks and settings are kept. The current directory
    // is this program's own.
    if (fs::exists(root_ / "machine.ini")) {
        const std::string current = currentDir_;
        loadConfig();
        currentDir_ = current;
    }
    change();
    saveConfig();
}

void Machine::setWindowsKind(WindowsKind kind)
{
    updateConfig([&] {
        kind_ = kind;
        build_ = defaultBuild(kind);
    });
}

OsVersionInfo Machine::version() const
{
    OsVersionInfo v;
    v.build = build_;
    switch (kind_) {
    case WindowsKind::Win32s:
        v.platformId = VER_PLATFORM_WIN32s;
        v.major = 3;
        v.minor = 10;
        break;
    case WindowsKind::Win95:
        v.platformId = VER_PLATFORM_WIN32_WINDOWS;
        v.major = 4;
        v.minor = 0;
        break;
    case WindowsKind::NT35:
        v.platformId = VER_PLATFORM_WIN32_NT;
        v.major = 3;
        v.minor = 51;
        break;
    case WindowsKind::NT4:
        v.platformId = VER_PLATFORM_WIN32_NT;
        v.major = 4;
        v.minor = 0;
        v.csdVersion = "Service Pack 6";
        break;
    }
    return v;
}

std::string Machine::tempPath() const
{
    return tempDir_.back() == '\\' ? tempDir_ : tempDir_ + "\\";
}

void Machine::setUserDefaultLangId(uint16_t id)
{
    updateConfig([&] { languageId_ = id; });
}

std::vector<DriveInfo> Machine::drives() const
{
    std::vector<DriveInfo> out;
    for (const auto& [letter, d] : drives_)
        out.push_back(d);
    return out;
}

void Machine::mapDrive(char letter, const fs::path& hostFolder, uint64_t capacity, bool removable)
{
    letter = text::upper(letter);
    if (letter < 'A' || letter > 'Z')
        throw MachineError("Bad drive letter");
    if (!hostFolder.is_absolute() && !staysInside(hostFolder))
        throw MachineError("The drive folder " + hostFolder.string() + " leads out of the machine's folder");
    DriveInfo d { letter, hostFolder.is_absolute() ? hostFolder : root_ / hostFolder, capacity, removable };
    if (const std::string why = makeDriveFolder(root_, d.host, false); !why.empty())
        throw MachineError("Cannot use the drive folder of " + std::string(1, letter) + ": " + why);
    updateConfig([&] { drives_[letter] = d; });
}

void Machine::setDriveCapacity(char letter, uint64_t capacity)
{
    updateConfig([&] {
        auto it = drives_.find(text::upper(letter));
        if (it == drives_.end())
            throw MachineError("No drive " + std::string(1, letter) + ":");
        it->second.capacity = capacity;
    });
}

const DriveInfo* Machine::driveOf(char letter) const
{
    auto it = drives_.find(text::upper(letter));
    return it == drives_.end() ? nullptr : &it->second;
}

const DriveInfo* Machine::driveOfHost(const fs::path& host) const
{
    const DriveInfo* best = nullptr;
    size_t bestLen = 0;
    std::string h = host.lexically_normal().string();
    for (const auto& [letter, d] : drives_) {
        std::string base = d.host.lexically_normal().string();
        if (h.compare(0, base.size(), base) == 0 && (h.size() == base.size() || h[base.size()] == '/')
            && base.size() >= bestLen) {
            best = &d;
            bestLen = base.size();
        }
    }
    return best;
}

uint64_t Machine::driveUsed(const DriveInfo& drive) const
{
    uint64_t used = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(drive.host, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec) && !it->is_symlink(ec))
            used += it->file_size(ec);
    }
    return used;
}

std::optional<uint64_t> Machine::diskFreeSpace(const std::string& path) const
{
    ParsedPath p;
    if (!parse(path, p))
        return std::nullopt;
    const DriveInfo* d = driveOf(p.drive);
    if (!d) {
        setLastError(ERROR_INVALID_DRIVE);
        return std::nullopt;
    }
    if (d->capacity == 0) {
        std::error_code ec;
        auto space = fs::space(d->host, ec);
        return ec ? uint64_t(0) : uint64_t(space.available);
    }
    return driveFree(*d);
}

uint64_t Machine::driveFree(const DriveInfo& drive) const
{
    const uint64_t used = driveUsed(drive);
    return used >= drive.capacity ? 0 : drive.capacity - used;
}

fs::path Machine::swapDisk(char letter)
{
    const DriveInfo* d = driveOf(letter);
    if (!d)
        throw MachineError("No drive " + std::string(1, letter) + ":");
    std::error_code ec;
    for (int n = 1;; ++n) {
        fs::path taken = d->host;
        taken += "." + std::to_string(n);
        if (fs::exists(taken, ec))
            continue;
        fs::rename(d->host, taken, ec);
        if (ec || !makeDriveFolder(root_, d->host).empty())
            throw MachineError("Cannot swap the disk in " + d->host.string());
        return taken;
    }
}

} // namespace win
