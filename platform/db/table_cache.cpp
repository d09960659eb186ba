#include "platform/db/table_cache.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>

#include "platform/db/dataset.h"

namespace db {

namespace {

struct CacheEntry {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;
    std::shared_ptr<const LoadedTable> table;
};

std::mutex& cacheMutex()
{
    static std::mutex m;
    return m;
}

std::map<std::string, CacheEntry>& cache()
{
    static std::map<std::string, CacheEntry> entries;
    return entries;
}

int rank(const paradox::Value& v)
{
    switch (v.index()) {
    case 0:
        return 0; // NULL
    case 2:
    case 3:
    case 4:
        return 1; // double, int64, bool
    case 1:
        return 2; // text
    default:
        return 3; // blob
    }
}

double asNumber(const paradox::Value& v)
{
    if (const double* d = std::get_if<double>(&v))
        return *d;
    if (const std::int64_t* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    return std::get<bool>(v) ? 1.0 : 0.0;
}

bool keysInOrder(const paradox::Table& t)
{
    const auto keys = static_cast<std::size_t>(t.keyFieldCount);
    for (std::size_t r = 1; r < t.records.size(); ++r) {
        for (std::size_t k = 0; k < keys; ++k) {
            const int c = compareValues(t.records[r - 1][k], t.records[r][k]);
            if (c < 0)
                break;
            if (c > 0)
                return false;
        }
    }
    return true;
}

std::vector<std::uint32_t> sortByKey(const paradox::Table& t)
{
    std::vector<std::uint32_t> order(t.records.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto keys = static_cast<std::size_t>(t.keyFieldCount);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t k = 0; k < keys; ++k) {
            const int c = compareValues(t.records[a][k], t.records[b][k]);
            if (c != 0)
                return c < 0;
        }
        return false;
    });
    return order;
}

} // namespace

int compareValues(const paradox::Value& a, const paradox::Value& b)
{
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return ra < rb ? -1 : 1;
    switch (ra) {
    case 0:
        return 0;
    case 1: {
        const auto* ia = std::get_if<std::int64_t>(&a);
        const auto* ib = std::get_if<std::int64_t>(&b);
        if (ia && ib)
            return *ia < *ib ? -1 : (*ia > *ib ? 1 : 0);
        const double da = asNumber(a);
        const double db = asNumber(b);
        return da < db ? -1 : (da > db ? 1 : 0);
    }
    case 2: {
        const int c = std::get<std::string>(a).compare(std::get<std::string>(b));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    default: {
        const auto& ba = std::get<paradox::Blob>(a);
        const auto& bb = std::get<paradox::Blob>(b);
        if (std::lexicographical_compare(ba.begin(), ba.end(), bb.begin(), bb.end()))
            return -1;
        return ba == bb ? 0 : 1;
    }
    }
}

std::filesystem::path resolveTableFile(std::string_view databaseName, std::string_view tableName)
{
    std::string name(tableName);
    const auto lastSep = name.find_last_of("\\/");
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || (lastSep != std::string::npos && dot < lastSep))
        name += ".db";

    std::string full(databaseName);
    if (!full.empty() && full.back() != '\\' && full.back() != '/')
        full += '/';
    full += name;
    std::replace(full.begin(), full.end(), '\\', '/');

    std::optional<std::filesystem::path> found;
    if (!full.empty() && full.front() == '/')
        found = paradox::resolveNoCase("/", std::string_view(full).substr(1));
    else
        found = paradox::resolveNoCase(std::filesystem::current_path(), full);

    std::error_code ec;
    if (!found || !std::filesystem::is_regular_file(*found, ec))
        throw EDatabaseError("Table does not exist.\nFile: " + full);
    return *found;
}

std::shared_ptr<const LoadedTable> loadTable(const std::filesystem::path& file)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    const auto modified = std::filesystem::last_write_time(file, ec);
    if (ec)
        throw EDatabaseError("Table does not exist.\nFile: " + file.string() + "\n" + ec.message());

    const std::string key = file.lexically_normal().string();
    {
        std::lock_guard lock(cacheMutex());
        auto it = cache().find(key);
        if (it != cache().end() && it->second.size == size && it->second.modified == modified)
            return it->second.table;
    }

    auto loaded = std::make_shared<LoadedTable>();
    loaded->file = file;
    try {
        loaded->table = paradox::readTable(file);
    } catch (const paradox::Error& e) {
        throw EDatabaseError(e.what()); // names the file already
    } catch (const std::exception& e) {
        throw EDatabaseError(file.string() + ": " + e.what());
    }
    if (loaded->table.keyFieldCount > 0 && !keysInOrder(loaded->table))
        loaded->keyOrder = sortByKey(loaded->table);

    std::lock_guard lock(cacheMutex());
    cache()[key] = CacheEntry { size, modified, loaded };
    return loaded;
}

void clearLoadedTables()
{
    std::lock_guard lock(cacheMutex());
    cache().clear();
}

} // namespace db
