#pragma once

// Helpers shared by the archive component's source files: its error texts,
// name handling in the old library's manner, progress arithmetic, the count
// block and headers, and the temporary file that extraction and plain
// copies write before renaming it over their target. Internal to the archive.

#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "setup/installlib/archiveformat.h"
#include "setup/installlib/format.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace installlib::qrlefiles {

constexpr std::uint32_t kShareAll = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

// Raises EQrleCompress with the translated, formatted text.
[[noreturn]] void fail(std::string_view format, const FormatArgs& args = {});

win::Machine& machine();

bool sameText(std::string_view a, std::string_view b); // ASCII letters without case
bool isBlank(std::string_view s);
// ext replaces the name's extension, or is appended when it has none.
std::string changeFileExt(std::string_view path, std::string_view ext);

// done of total in percent, halves to even, 0 for an empty total.
std::uint8_t percentOf(std::int64_t done, std::int64_t total);
// part / whole x 100, halves to even, 0 for a zero whole.
std::int32_t ratioOf(std::int64_t part, std::int64_t whole);
std::int32_t clampInt32(std::int64_t v);

// Write at position 0, or at the current position; a short write raises
// "Could not write the file headers for the compressed file".
void writeCountBlock(win::File& archive, std::int32_t count, std::uint8_t flag);
void writeHeader(win::File& archive, const TFileHeader& header);

// A temporary file beside a target that is removed unless it was renamed
// into place. Its name is the machine's temporary name with the prefix
// "QRL" (kTempPrefix); while it exists this program holds it, so that a
// later run can tell the leftover of a killed run (see staletemporaries.h).
inline constexpr const char* kTempPrefix = "QRL";

class TempTarget {
public:
    // Creates the target's directory when missing; raises "Cannot create
    // the file %s" (the target) when the temporary file cannot be made.
    explicit TempTarget(const std::string& target);
    ~TempTarget();
    TempTarget(const TempTarget&) = delete;
    TempTarget& operator=(const TempTarget&) = delete;

    const std::string& path() const { return path_; }
    // Closes the file, stamps it and renames it over target.
    void commit(const std::string& target, std::uint32_t dosDate, std::string_view dateError);

    win::File file;

private:
    std::string path_;
    win::Machine::Hold hold_;
};

} // namespace installlib::qrlefiles
