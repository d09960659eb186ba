#include "platform/paradox/paradox.h"

namespace paradox {

Table readStructure(const std::filesystem::path& dbFile)
{
    throw Error(dbFile, "reading tables is not built yet");
}

Table readTable(const std::filesystem::path& dbFile)
{
    throw Error(dbFile, "reading tables is not built yet");
}

} // namespace paradox
