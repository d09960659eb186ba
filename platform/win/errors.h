#pragma once

// Windows error codes of the emulated machine and its per-thread "last
// error", as GetLastError would report them.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace win {

constexpr uint32_t ERROR_SUCCESS = 0;
constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_INVALID_HANDLE = 6;
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr uint32_t ERROR_INVALID_DRIVE = 15;
constexpr uint32_t ERROR_NOT_SAME_DEVICE = 17;
constexpr uint32_t ERROR_NO_MORE_FILES = 18;
constexpr uint32_t ERROR_NOT_READY = 21;
constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr uint32_t ERROR_HANDLE_EOF = 38;
constexpr uint32_t ERROR_BAD_NETPATH = 53;
constexpr uint32_t ERROR_FILE_EXISTS = 80;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
constexpr uint32_t ERROR_INVALID_NAME = 123;
constexpr uint32_t ERROR_NEGATIVE_SEEK = 131;
constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr uint32_t ERROR_BAD_PATHNAME = 161;
constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
constexpr uint32_t ERROR_MORE_DATA = 234;
constexpr uint32_t ERROR_NO_MORE_ITEMS = 259;
constexpr uint32_t ERROR_DIRECTORY = 267;
constexpr uint32_t ERROR_KEY_DELETED = 1018;
constexpr uint32_t ERROR_BADDB = 1009;
constexpr uint32_t ERROR_NOT_ALL_ASSIGNED = 1300;
constexpr uint32_t ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr uint32_t ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr uint32_t ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// The error of the last failed call on this thread (like GetLastError).
uint32_t lastError();
void setLastError(uint32_t code);

// A short English text for a code ("The system cannot find the file specified.").
std::string errorText(uint32_t code);

// The machine's own configuration or registry store cannot be used (corrupt
// file, unwritable root). The message names the file and, where known, the line.
class MachineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace win
