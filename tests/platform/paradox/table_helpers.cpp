#include "tests/platform/paradox/table_helpers.h"

#include "tests/support/temp_dir.h"

#include <cstdint>
#include <cstring>
#include <functional>

namespace testhelp {

namespace {

unsigned u16(const std::string& s, std::size_t at)
{
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}

// Index numbers are stored big-endian with the sign bit turned.
int stored16(const std::string& s, std::size_t at)
{
    return static_cast<std::int16_t>(
        ((static_cast<unsigned char>(s[at]) ^ 0x80) << 8) | static_cast<unsigned char>(s[at + 1]));
}

} // namespace

IndexCheck checkPrimaryIndex(const std::filesystem::path& dbFile, const std::filesystem::path& pxFile)
{
    IndexCheck out;
    const std::string db = tavix::testing::readFile(dbFile);
    const std::string px = tavix::testing::readFile(pxFile);
    const std::size_t dbHeader = u16(db, 2), dbBlock = static_cast<unsigned char>(db[5]) * 1024u, rs = u16(db, 0);
    const std::size_t pxHeader = u16(px, 2), pxBlock = static_cast<unsigned char>(px[5]) * 1024u, irs = u16(px, 0);
    const std::size_t keyLen = irs - 6;
    const unsigned root = u16(px, 0x1E);
    out.levels = static_cast<unsigned char>(px[0x20]);
    std::string lastKey;
    std::function<bool(unsigned, int)> walk = [&](unsigned block, int level) -> bool {
        const std::size_t at = pxHeader + (block - 1) * pxBlock;
        if (block == 0 || at + pxBlock > px.size()) {
            out.error = "index block " + std::to_string(block) + " is outside the file";
            return false;
        }
        const int count = static_cast<std::int16_t>(u16(px, at + 4)) / static_cast<int>(irs) + 1;
        for (int e = 0; e < count; ++e) {
            const std::size_t rec = at + 6 + e * irs;
            const std::string key = px.substr(rec, keyLen);
            const int target = stored16(px, rec + keyLen);
            const int stats = stored16(px, rec + keyLen + 2);
            if (level > 1) {
                if (!walk(static_cast<unsigned>(target), level - 1))
                    return false;
                continue;
            }
            const std::size_t data = dbHeader + (target - 1) * dbBlock;
            if (target < 1 || data + dbBlock > db.size()) {
                out.error = "data block " + std::to_string(target) + " is outside the table";
                return false;
            }
            if (db.compare(data + 6, keyLen, key) != 0) {
                out.error = "data block " + std::to_string(target) + " does not start with its index key";
                return false;
            }
            const int records = static_cast<std::int16_t>(u16(db, data + 4)) / static_cast<int>(rs) + 1;
            if (records != stats) {
                out.error = "data block " + std::to_string(target) + " count differs from the index";
                return false;
            }
            if (!lastKey.empty() && !(lastKey < key)) {
                out.error = "index keys do not ascend";
                return false;
            }
            lastKey = key;
            out.recordsCounted += static_cast<std::size_t>(records);
        }
        return true;
    };
    walk(root, out.levels);
    return out;
}

} // namespace testhelp
