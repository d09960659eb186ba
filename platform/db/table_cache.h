#pragma once

// Table files read once and shared by every dataset and query that uses
// them; a file is read again when its size or modification time changed.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paradox/paradox.h"

namespace db {

struct LoadedTable {
    std::filesystem::path file;
    paradox::Table table;
    // keyOrder[i] is the record index of the i-th record in key order
    // (empty when the file already holds them in that order).
    std::vector<std::uint32_t> keyOrder;

    std::size_t rowCount() const { return table.records.size(); }
    std::size_t recordAt(std::size_t position) const { return keyOrder.empty() ? position : keyOrder[position]; }
    std::span<const paradox::Value> row(std::size_t position) const { return table.records[recordAt(position)]; }
    // The damage of the value at a key-order position, or null.
    const paradox::DamagedValue* damage(std::size_t position, std::size_t field) const
    {
        return table.damaged.empty() ? nullptr : table.damage(recordAt(position), static_cast<int>(field));
    }
};

// Joins a database directory ("base\\data\\", either separator) and a table
// name (".db" added when it has no extension) and finds the file without
// case. Raises EDatabaseError "Table does not exist" naming the path.
std::filesystem::path resolveTableFile(std::string_view databaseName, std::string_view tableName);

// The table's data, from the cache when the file is unchanged. Raises
// EDatabaseError naming the file when it cannot be read.
std::shared_ptr<const LoadedTable> loadTable(const std::filesystem::path& file);

void clearLoadedTables();

// Total order used for keys: NULL, then numbers by value, then text byte
// by byte, then blobs.
int compareValues(const paradox::Value& a, const paradox::Value& b);

} // namespace db
