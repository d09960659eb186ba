#pragma once

// An open file of the emulated machine (CreateFile, ReadFile, WriteFile, ...).
// Share modes are checked against the other files open on the same Machine.

#include "platform/win/machine.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace win {

constexpr int FILE_BEGIN = 0;
constexpr int FILE_CURRENT = 1;
constexpr int FILE_END = 2;

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // access: GENERIC_READ and/or GENERIC_WRITE; share: FILE_SHARE_*;
    // disposition: CREATE_NEW ... TRUNCATE_EXISTING. False with the last error
    // (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_FILE_EXISTS,
    // ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_INVALID_NAME).
    bool open(Machine& machine, const std::string& path, uint32_t access, uint32_t share, uint32_t disposition);
    bool isOpen() const { return fd_ >= 0; }
    void close();

    // A short count at the end of the file is success.
    bool read(void* buffer, uint32_t count, uint32_t& done);
    // At a full drive writes what fits and fails with ERROR_DISK_FULL.
    bool write(const void* buffer, uint32_t count, uint32_t& done);
    // The new position, or -1 (ERROR_NEGATIVE_SEEK, ERROR_INVALID_HANDLE).
    int64_t seek(int64_t offset, int origin);
    int64_t position() const;
    int64_t size() const;
    bool setEndOfFile();
    // Sets aside host disk blocks for a file about to be written up to
    // `bytes`, without changing its size (so no drive capacity is taken).
    // Only a hint: where the host cannot, writes go on as before. Replacing
    // a file with a renamed, preallocated one spares the file system a
    // flush at the rename.
    void reserve(int64_t bytes);

    // Last-write time as a DOS stamp (date high word, time low word), local time.
    std::optional<uint32_t> dosDateTime() const;
    bool setDosDateTime(uint32_t stamp);

    const std::string& path() const { return path_; }
    const std::filesystem::path& hostPath() const { return host_; }

private:
    Machine* machine_ = nullptr;
    int fd_ = -1;
    uint64_t openId_ = 0;
    uint32_t access_ = 0;
    std::string path_;
    std::filesystem::path host_;
};

} // namespace win
