#pragma once

// The emulated Windows machine that the setup program and its install
// library run against. There is no Windows here: one root folder on the host
// holds the whole machine, and nothing outside it is read or written (apart
// from a drive the user maps explicitly onto a host folder).
//
//   <root>/machine.ini     configuration: Windows kind and version, Windows,
//                          System and Temp directories, language, drives,
//                          in-use marks (machine.lock guards its updates)
//   <root>/registry.reg    the registry, REGEDIT4 text (registry.lock guards it)
//   <root>/profile.lock    guards every INI file's read-change-write
//   <root>/drives/C/...    the contents of drive C: (A: the floppy, S: sources)
//
// Using it:
//
//   auto machine = win::Machine::open(root);          // seeds a new root (NT 4)
//   win::Machine::setCurrent(machine);                 // for code that asks current()
//   win::File f;
//   if (!f.open(*machine, "C:\\Program Files\\X\\a.txt", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS))
//       report(win::lastError());                      // ERROR_PATH_NOT_FOUND, ...
//   machine->registry().createKey(win::RootKey::LocalMachine, "SOFTWARE\\X", key);
//   machine->writePrivateProfileString("Rename", "C:\\A.DLL", "C:\\A.1", "WININIT.INI");
//
// Paths are Windows path strings (drive letters, "\" separators; "/" is taken
// too). Components match without case and keep the case they were created
// with. Calls that can fail return false, an empty string or an empty
// optional and set the thread's last error (errors.h); registry calls return
// the error code as Win32 does. Strings are UTF-8.
//
// A Machine is meant for one thread; the registry may be used from several
// threads and processes at once (it locks its store). Files opened through
// win::File refer to their Machine, which must outlive them.

#include "platform/win/errors.h"
#include "platform/win/registry.h"

#include <cstdint>
#include <sys/stat.h>
#include <sys/types.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace win {

class VersionResource;
namespace hostfile {
class ExclusiveLock;
}

// The kinds of Windows the machine can report (numbers as the install
// library's Windows-kind query gives them).
enum class WindowsKind { Win32s = 0, Win95 = 1, NT4 = 2, NT35 = 3 };

constexpr uint32_t VER_PLATFORM_WIN32s = 0;
constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

// What GetVersionEx reports.
struct OsVersionInfo {
    uint32_t platformId = VER_PLATFORM_WIN32_NT;
    uint32_t major = 4, minor = 0, build = 1381;
    std::string csdVersion;
};

// CreateFile access, share and creation values.
constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t GENERIC_WRITE = 0x40000000u;
constexpr uint32_t FILE_SHARE_READ = 1;
constexpr uint32_t FILE_SHARE_WRITE = 2;
constexpr uint32_t FILE_SHARE_DELETE = 4;
constexpr uint32_t CREATE_NEW = 1;
constexpr uint32_t CREATE_ALWAYS = 2;
constexpr uint32_t OPEN_EXISTING = 3;
constexpr uint32_t OPEN_ALWAYS = 4;
constexpr uint32_t TRUNCATE_EXISTING = 5;

constexpr uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr uint32_t MOVEFILE_REPLACE_EXISTING = 1;
constexpr uint32_t MOVEFILE_COPY_ALLOWED = 2;
constexpr uint32_t MOVEFILE_DELAY_UNTIL_REBOOT = 4;

constexpr uint32_t EWX_LOGOFF = 0;
constexpr uint32_t EWX_SHUTDOWN = 1;
constexpr uint32_t EWX_REBOOT = 2;
constexpr uint32_t EWX_FORCE = 4;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;

// Longest path the machine takes (MAX_PATH without the terminator).
constexpr size_t MAX_PATH_LENGTH = 259;

// What a new root is seeded with. Ignored when the root already holds a machine.
struct MachineSeed {
    WindowsKind kind = WindowsKind::NT4;
    uint16_t languageId = 0x0409;
    std::string userName = "User";
};

struct DriveInfo {
    char letter = 'C';
    std::filesystem::path host; // absolute folder on the host
    uint64_t capacity = 0; // bytes; 0 = unlimited
    bool removable = false;
};

// One entry of a directory listing.
struct FindData {
    std::string name;
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint32_t dosDateTime = 0; // date in the high word, time in the low word
};

class Machine {
public:
    // Opens the machine kept in root, creating and seeding it when root holds
    // none. Throws MachineError when machine.ini or registry.reg is corrupt
    // or the root cannot be written.
    static std::shared_ptr<Machine> open(const std::filesystem::path& root, const MachineSeed& seed = {});

    // The root a program should use: the given command-line value, else
    // TAVIX_WINROOT, else <data home>/tavix/winroot.
    static std::filesystem::path defaultRoot(const std::string& commandLineRoot = {});

    // The machine the program runs on. current() throws MachineError when
    // none was set.
    static void setCurrent(std::shared_ptr<Machine> machine);
    static Machine& current();
    static bool hasCurrent();

    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // --- configuration (changes are written to machine.ini at once) ---
    WindowsKind windowsKind() const { return kind_; }
    // Changes the kind and the version it reports; the directories stay.
    void setWindowsKind(WindowsKind kind);
    OsVersionInfo version() const;
    std::string windowsDirectory() const { return windowsDir_; } // "C:\WINNT", no trailing "\"
    std::string systemDirectory() const { return systemDir_; } // "C:\WINNT\system32"
    std::string tempPath() const; // "C:\TEMP\", with trailing "\"
    uint16_t userDefaultLangId() const { return languageId_; }
    void setUserDefaultLangId(uint16_t id);

    std::vector<DriveInfo> drives() const;
    // Maps a drive letter onto a host folder (created when missing); a
    // relative folder is taken inside the root.
    void mapDrive(char letter, const std::filesystem::path& hostFolder, uint64_t capacity = 0, bool removable = false);
    void setDriveCapacity(char letter, uint64_t capacity);
    // Free bytes on the drive of path; empty for an unknown drive.
    std::optional<uint64_t> diskFreeSpace(const std::string& path) const;
    // "Inserts a new disk": the drive's present contents move to the host
    // folder that is returned (<drive folder>.1, .2, ...) and the drive is empty.
    std::filesystem::path swapDisk(char letter);

    // --- paths ---
    // The host path of a Windows path, components matched without case. False
    // with ERROR_INVALID_NAME (reserved characters), ERROR_PATH_NOT_FOUND
    // (unknown drive, UNC), ERROR_ACCESS_DENIED (a host link on the way) or
    // ERROR_FILENAME_EXCED_RANGE.
    bool resolve(const std::string& path, std::filesystem::path& host) const;
    // Absolute Windows form ("C:\A\B"), "." and ".." folded; empty on bad input.
    std::string fullPathName(const std::string& path) const;
    std::string currentDirectory() const { return currentDir_; }
    bool setCurrentDirectory(const std::string& path);

    // --- files ---
    bool fileExists(const std::string& path) const; // a file, not a directory
    bool directoryExists(const std::string& path) const;
    uint32_t fileAttributes(const std::string& path) const; // INVALID_FILE_ATTRIBUTES on failure
    // Only FILE_ATTRIBUTE_READONLY is kept; a read-only file refuses writing,
    // deleting and replacing with ERROR_ACCESS_DENIED.
    bool setFileAttributes(const std::string& path, uint32_t attributes);
    std::optional<uint64_t> fileSize(const std::string& path) const;
    // Last-write time as a DOS stamp in local time (date high word, time low word).
    std::optional<uint32_t> fileDate(const std::string& path) const;
    bool setFileDate(const std::string& path, uint32_t dosDateTime);

    bool deleteFile(const std::string& path);
    // Fails with ERROR_ALREADY_EXISTS when to exists.
    bool moveFile(const std::string& from, const std::string& to);
    // MOVEFILE_DELAY_UNTIL_REBOOT records the move for restart() on the NT
    // kinds (an empty to deletes: a file, or a folder that is empty by
    // then); the 95 family and Win32s answer
    // ERROR_CALL_NOT_IMPLEMENTED as they do.
    bool moveFileEx(const std::string& from, const std::string& to, uint32_t flags);
    // The registry edit by which restart() deletes path (a file, or a folder
    // empty by then), for Registry::applyInOneStep with other changes; none
    // on the kinds that move nothing at their start (ERROR_CALL_NOT_IMPLEMENTED).
    std::optional<Registry::Edit> deleteAtRestartEdit(const std::string& path);
    // Keeps the date stamp. A short copy at a full drive is removed again.
    bool copyFile(const std::string& from, const std::string& to, bool failIfExists);
    bool createDirectory(const std::string& path);
    // Creates the directory with all its missing parents.
    bool forceDirectories(const std::string& path);
    bool removeDirectory(const std::string& path);
    // Entries matching the wildcards (* and ?, without case) of the last
    // component, without "." and ".."; sorted without case. Empty with
    // ERROR_FILE_NOT_FOUND when nothing matches.
    std::vector<FindData> findFiles(const std::string& pattern) const;
    // Looks for a file name in the current, the Windows and the System
    // directory, in that order; its full path, or empty with ERROR_FILE_NOT_FOUND.
    std::string searchPath(const std::string& fileName) const;
    // GetTempFileName: creates "<dir>\<prefix, 3 chars><hex>.TMP" exclusively
    // and returns its path (unique != 0: that number, file not created).
    std::string tempFileName(const std::string& directory, const std::string& prefix, uint32_t unique = 0);
    // The machine has no 8.3 names: the short form of an existing path is the
    // path itself; empty with ERROR_FILE_NOT_FOUND when it does not exist.
    std::string shortPathName(const std::string& path) const;
    // Whole-file helpers; writeFile goes through a temporary file and rename.
    bool readFile(const std::string& path, std::string& bytes) const;
    bool writeFile(const std::string& path, const std::string& bytes);
    // Removes from folder the temporary files of writeFile and copyFile
    // calls whose program was killed (hidden host files that only they
    // make, and that no listing shows). Writing into a folder, removing it
    // and opening the machine (for the Windows and System directories) do
    // so too.
    void removeKilledWritersTemps(const std::string& folder);

    // Marks a file as in use by a running program: deleting, replacing,
    // renaming or opening it for writing fails with ERROR_SHARING_VIOLATION
    // until it is cleared or the machine restarts. The marks are kept in
    // machine.ini, so a program started later on the same root sees them.
    void setInUse(const std::string& path, bool inUse);
    bool isInUse(const std::string& path) const;

    // A running program holds its program file, and a program holds the
    // temporary files it is writing, for as long as it runs: hold() marks a
    // file (or folder) as held until the returned hold is released or the
    // program ends, however it ends; isHeld() tells whether any live program
    // on the same root (this one included) holds it. Holding changes no
    // other call: it only lets a later program tell its leftovers from the
    // live work of another.
    //
    // holdRunning() is the hold of a running program on its program file
    // (runProgramFile takes it): besides isHeld(), the file is in use while
    // it lasts, as an in-use mark makes it, as Windows keeps a running
    // program's file. holdName() is a named mutex of the machine: one live
    // program at a time holds a name; an empty hold with
    // ERROR_ALREADY_EXISTS while another (or another hold of this one)
    // holds it, and with ERROR_ACCESS_DENIED when the hold cannot be taken
    // at all (its lock cannot be made, e.g. a link stands in its place):
    // a caller that needs the hold refuses then too.
    class Hold {
    public:
        Hold() = default;
        ~Hold() { release(); }
        Hold(Hold&& other) noexcept;
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        void release();
        bool holding() const { return fd_ >= 0; }
        // The host descriptor behind it, -1 for none (a process that takes
        // it on keeps the hold after this one goes).
        int fd() const { return fd_; }

    private:
        friend class Machine;
        int fd_ = -1;
    };
    Hold hold(const std::string& path) const;
    bool isHeld(const std::string& path) const;
    Hold holdRunning(const std::string& path) const;
    Hold holdName(const std::string& name) const;

    // --- private profiles (INI files); a bare file name is in the Windows directory ---
    // The value of key in section, else def; trimmed, surrounding quotes
    // removed, cut to bufferSize - 1 characters.
    std::string getPrivateProfileString(const std::string& section, const std::string& key, const std::string& def,
        size_t bufferSize, const std::string& file) const;
    int getPrivateProfileInt(
        const std::string& section, const std::string& key, int def, const std::string& file) const;
    std::vector<std::string> profileSectionNames(const std::string& file) const;
    std::vector<std::string> profileKeyNames(const std::string& section, const std::string& file) const;
    // No value deletes the key, no key deletes the section. Programs on the
    // same root write INI files in turn, so none loses another's change.
    bool writePrivateProfileString(const std::string& section, const std::optional<std::string>& key,
        const std::optional<std::string>& value, const std::string& file);

    // --- registry ---
    Registry& registry() { return *registry_; }

    // --- version resources ---
    // The VS_VERSIONINFO of a PE file; false with ERROR_RESOURCE_TYPE_NOT_FOUND
    // when the file has none (or is no PE file), or the open error.
    bool fileVersionInfo(const std::string& path, VersionResource& out) const;

    // --- programs and restarts ---
    // The running program's own path on the machine (GetModuleFileName);
    // the program sets it at start, empty until then.
    std::string moduleFileName() const { return moduleFileName_; }
    void setModuleFileName(const std::string& path) { moduleFileName_ = path; }

    // WinExec: finds the program (first word, quoted or not; ".EXE" added
    // when it has no extension; looked up like searchPath), records the
    // command line, calls the runner when one is set and returns 33; below
    // 32 is the error (2 file not found, 3 path not found).
    using ProgramRunner = std::function<void(const std::string& program, const std::string& commandLine, int show)>;
    int winExec(const std::string& commandLine, int show);
    void setProgramRunner(ProgramRunner runner) { runner_ = std::move(runner); }
    const ProgramRunner& programRunner() const { return runner_; }
    const std::vector<std::string>& executedCommands() const { return executed_; }

    // ExitWindowsEx: records the request; fails (ERROR_ACCESS_DENIED) when
    // refused with setExitAllowed(false). On the NT kinds a shutdown or
    // reboot also needs the shutdown privilege enabled in the program's
    // token first (ERROR_PRIVILEGE_NOT_HELD otherwise), as Windows does.
    bool exitWindowsEx(uint32_t flags);
    void setExitAllowed(bool allowed) { exitAllowed_ = allowed; }
    bool rebootRequested() const { return rebootRequested_; }

    // OpenProcessToken, LookupPrivilegeValue and AdjustTokenPrivileges for
    // one privilege: false with ERROR_NO_SUCH_PRIVILEGE for an unknown name
    // (only "SeShutdownPrivilege" is known, without case) or
    // ERROR_NOT_ALL_ASSIGNED when the user does not hold it
    // (setPrivilegesHeld(false), an account without the right). The
    // enabled privilege lasts until restart().
    bool enablePrivilege(const std::string& name);
    void setPrivilegesHeld(bool held) { privilegesHeld_ = held; }
    bool shutdownPrivilegeEnabled() const { return shutdownPrivilege_; }

    // Simulates the next start of Windows: ends the programs running on the
    // machine (endRunningPrograms), clears the in-use marks and the reboot
    // request, applies WININIT.INI [Rename] (95 family) and the delayed
    // moves (NT), keeping for the next start a move that still cannot be
    // done (a file in use or read-only), then runs each RunOnce value of
    // the local machine in order through winExec and removes it once its
    // command has run. Cut short at any moment and run again, it loses no
    // move and no command.
    void restart();

    // Programs started on the machine are noted while they run, so that a
    // restart can end them. noteRunning() makes a note before the program
    // starts (it lasts while the returned hold, or a process that took its
    // descriptor, lives); setRunning() names the host process to end, or
    // the process group when group is set.
    Hold noteRunning() const;
    void setRunning(const Hold& note, int pid, bool group) const;
    // Ends every noted program that still runs (asked first, then forced)
    // and waits, a bounded time, until it has ended.
    void endRunningPrograms() const;

private:
    explicit Machine(std::filesystem::path root);
    friend class File;

    struct ParsedPath {
        char drive = 'C';
        std::vector<std::string> parts;
        std::string text() const; // "C:\A\B"
    };
    bool parse(const std::string& path, ParsedPath& out, bool wildcardsInLast = false) const;
    bool resolveParsed(const ParsedPath& p, std::filesystem::path& host) const;
    bool resolveExisting(const std::string& path, std::filesystem::path& host) const; // sets not-found errors
    // The drive's folder (and, inside the root, every folder down to it) is
    // a real folder, not a link.
    bool driveFolderSafe(const DriveInfo& drive) const;
    // open(2) of a host path of a drive, resolved beneath the drive's folder
    // with no link on the way (openat2 RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS),
    // so a folder swapped for a link after the checks is not followed. -1
    // with errno (ELOOP, EXDEV for a link) on failure.
    int openBeneath(const std::filesystem::path& host, int flags, mode_t mode = 0644) const;
    // Programs on the root look up a name and make an entry under it in
    // turn, so that one Windows name never gets two host files of
    // different case (null, with ERROR_ACCESS_DENIED, when the lock cannot
    // be had).
    std::unique_ptr<hostfile::ExclusiveLock> lockNames() const;
    // A drive with a capacity is checked and written in turn, so that no
    // two writers both pass the free-space check; lock stays null for other
    // drives. False, with ERROR_ACCESS_DENIED, when the lock cannot be had.
    bool lockDrive(const DriveInfo* drive, std::unique_ptr<hostfile::ExclusiveLock>& lock) const;
    // Renames the temporary file tmp of the folder dirFd to the file path
    // names, looked up again under the names lock (a file that another
    // program made meanwhile under another case is the one replaced).
    bool putInPlace(int dirFd, const std::filesystem::path& tmp, const std::string& path,
        const std::filesystem::path& expected, bool failIfExists);
    // The status of a host path of a drive, found as openBeneath finds it.
    bool statBeneath(const std::filesystem::path& host, struct stat& st) const;
    // A descriptor of its own on an existing file or folder, for hold() and isHeld(); -1 when none.
    int openToLock(const std::string& path) const;
    const DriveInfo* driveOf(char letter) const;
    const DriveInfo* driveOfHost(const std::filesystem::path& host) const;
    uint64_t driveUsed(const DriveInfo& drive) const;
    uint64_t driveFree(const DriveInfo& drive) const; // of a drive with a capacity
    bool checkWritable(const std::filesystem::path& host, bool forDelete) const;
    bool isInUseHost(const std::filesystem::path& host) const;
    bool isRunningHost(const std::filesystem::path& host) const;
    std::string profilePath(const std::string& file) const;
    // One delayed move at a restart; false when it waits for the next one
    // (kept holds the sources already kept for it).
    bool applyDelayedMove(
        const std::string& source, const std::string& dest, bool replace, const std::vector<std::string>& kept);
    void applyPendingMoves();
    void applyWininit();

    void loadConfig();
    void saveConfig() const;
    // Under the machine lock: reads machine.ini again, applies change and
    // writes the file back, so programs sharing the root lose no change.
    void updateConfig(const std::function<void()>& change);
    void seed(const MachineSeed& seed);
    void seedValues(const MachineSeed& seed);

    // Open files, for the share-mode checks.
    struct OpenEntry {
        uint64_t id;
        uint32_t access;
        uint32_t share;
    };
    bool registerOpen(const std::filesystem::path& host, uint32_t access, uint32_t share, uint64_t& id);
    void unregisterOpen(const std::filesystem::path& host, uint64_t id);
    bool openBlocksDelete(const std::filesystem::path& host) const;

    std::filesystem::path root_;
    WindowsKind kind_ = WindowsKind::NT4;
    uint32_t build_ = 1381;
    std::string windowsDir_, systemDir_, tempDir_;
    uint16_t languageId_ = 0x0409;
    std::map<char, DriveInfo> drives_;
    std::string currentDir_ = "C:\\";
    std::map<std::string, std::string> inUse_; // host path -> Windows path, kept in machine.ini
    mutable std::mutex openMutex_;
    std::map<std::string, std::vector<OpenEntry>> open_;
    uint64_t nextOpenId_ = 1;
    std::unique_ptr<Registry> registry_;
    std::string moduleFileName_;
    ProgramRunner runner_;
    std::vector<std::string> executed_;
    bool exitAllowed_ = true;
    bool rebootRequested_ = false;
    bool privilegesHeld_ = true;
    bool shutdownPrivilege_ = false;
    uint32_t tempCounter_ = 0;
};

} // namespace win
