#pragma once

// Checks on written files that the reader itself does not make.

#include <cstddef>
#include <filesystem>
#include <string>

namespace testhelp {

struct IndexCheck {
    std::string error; // empty when the index is sound
    int levels = 0;
    std::size_t recordsCounted = 0;
};

// Walks the primary index from its root and checks that every leaf entry
// names a data block whose first record carries the entry's key and whose
// record count matches, and that keys ascend.
IndexCheck checkPrimaryIndex(const std::filesystem::path& dbFile, const std::filesystem::path& pxFile);

} // namespace testhelp
