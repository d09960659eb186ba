#pragma once

// The rows an open dataset walks: either positions in a cached table (in key
// order) or rows of its own (query results that are not whole table rows).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/db/table_cache.h"
#include "platform/paradox/paradox.h"

namespace db {

class RecordSource {
public:
    // A whole table in key order.
    explicit RecordSource(std::shared_ptr<const LoadedTable> table);
    // Some rows of a table, given by key-order positions.
    RecordSource(std::shared_ptr<const LoadedTable> table, std::vector<std::uint32_t> positions);
    // Rows of their own.
    RecordSource(std::vector<paradox::FieldDef> fields, std::vector<std::vector<paradox::Value>> rows);

    const std::vector<paradox::FieldDef>& fields() const { return fields_; }
    std::size_t count() const;
    const paradox::Value& value(std::size_t row, std::size_t column) const;
    std::span<const paradox::Value> row(std::size_t row) const;
    // The damage of a value that could not be read from its table, or null.
    const paradox::DamagedValue* damage(std::size_t row, std::size_t column) const;
    // The cached table behind the rows, or null for rows of their own.
    const std::shared_ptr<const LoadedTable>& table() const { return table_; }

private:
    std::vector<paradox::FieldDef> fields_;
    std::shared_ptr<const LoadedTable> table_;
    bool allRows_ = false;
    std::vector<std::uint32_t> positions_;
    std::vector<std::vector<paradox::Value>> rows_;
};

} // namespace db
