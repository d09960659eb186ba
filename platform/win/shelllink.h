#pragma once

// Shortcut files (.LNK) on the emulated machine, in the shell's own binary
// link format (the published shell-link layout), so that any reader of that
// format, on Windows or elsewhere, finds the target, the working folder and
// the arguments.
//
// What is written (all numbers little-endian):
//   header     76 bytes: its size 0x4C, the shell-link class id, the link
//              flags (HasLinkInfo, IsUnicode and one flag per text present),
//              the target's attributes and size, the icon index, show
//              command 1 (normal window) and the hot key
//   LinkInfo   a volume id (drive type and serial number, empty label) and
//              the target as the local base path in code page 1252; when the
//              path holds a character that code page lacks, the header is
//              0x24 bytes long and the UTF-16 form follows as well
//   texts      description, the target relative to the link's folder (same
//              drive only), working folder, arguments and icon path, each a
//              count of UTF-16 code units and the UTF-16 LE text
//   terminal   four zero bytes
// The reader checks every size and offset against the file and takes the
// Unicode forms where they are present; a target ID list and extra data
// blocks written by others are checked and skipped.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace win {

class Machine;

struct ShellLink {
    std::string target;
    std::string arguments;
    std::string workingDirectory;
    std::string iconPath;
    int32_t iconIndex = 0;
    std::string description;
    uint16_t hotKey = 0; // virtual key in the low byte, modifiers (1 Shift, 2 Ctrl, 4 Alt) in the high byte
    bool operator==(const ShellLink&) const = default;
};

// What a link file records beside the link itself: where it lies (for the
// relative path) and what the target and its drive were when it was made.
struct ShellLinkContext {
    std::string linkPath; // "C:\...\APP.LNK"; empty: no relative path
    uint32_t fileAttributes = 0;
    uint32_t fileSize = 0;
    uint32_t driveType = 3; // 2 removable, 3 fixed
    uint32_t driveSerial = 0;
};

// A shortcut file that is not in the format above (short, a size or offset
// outside the file, wrong header, no terminal block, bytes after it) or
// cannot be read; what() names the file.
class ShellLinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ERROR_INVALID_DATA (a text of more than 65535 UTF-16 code units) is thrown
// as std::length_error.
std::string encodeShellLink(const ShellLink& link, const ShellLinkContext& context = {});
// Throws ShellLinkError naming source.
ShellLink decodeShellLink(const std::string& bytes, const std::string& source);

// Writes through a temporary file and rename, with the target's attributes
// and size and its drive taken from the machine. False with the machine's
// last error (ERROR_FILENAME_EXCED_RANGE for a path of more than 259
// characters, ERROR_INVALID_DATA for a text longer than 65535 UTF-16 units,
// the file errors).
bool writeShellLink(Machine& machine, const std::string& path, const ShellLink& link);
// Throws ShellLinkError when the file is missing or damaged.
ShellLink readShellLink(const Machine& machine, const std::string& path);

} // namespace win
