#include "platform/paradox/paradox.h"

namespace paradox {

void writeTable(const std::filesystem::path& dbFile, const Table&, const WriteOptions&)
{
    throw Error(dbFile, "writing tables is not built yet");
}

} // namespace paradox
