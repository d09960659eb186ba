#pragma once

// Shortcut files (.LNK) on the emulated machine, in a binary layout of our
// own. The machine has no shell object; this layer writes and reads back what
// an installer gives a shortcut: target, arguments, working folder, icon,
// description and hot key.
//
// Layout (all numbers little-endian):
//   8 bytes   magic "TVXLINK" followed by 0x1A
//   u16       layout version, 1
//   u16       hot key (virtual key in the low byte, modifiers in the high byte)
//   i32       icon index
//   5 texts   target, arguments, working folder, icon path, description;
//             each a u16 byte count followed by that many UTF-8 bytes
//   u32       sum of every byte before it, modulo 2^32
// Nothing follows the sum.

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
    uint16_t hotKey = 0;
    bool operator==(const ShellLink&) const = default;
};

// A shortcut file that is not in the layout above (short, wrong magic or
// version, bad sum, trailing bytes) or cannot be read; what() names the file.
class ShellLinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string encodeShellLink(const ShellLink& link);
// Throws ShellLinkError naming source.
ShellLink decodeShellLink(const std::string& bytes, const std::string& source);

// Writes through a temporary file and rename. False with the machine's last
// error (ERROR_FILENAME_EXCED_RANGE for a path of more than 259 characters,
// ERROR_INVALID_DATA for a text longer than 65535 bytes, the file errors).
bool writeShellLink(Machine& machine, const std::string& path, const ShellLink& link);
// Throws ShellLinkError when the file is missing or damaged.
ShellLink readShellLink(const Machine& machine, const std::string& path);

} // namespace win
