#include "platform/db/record_source.h"

namespace db {

RecordSource::RecordSource(std::shared_ptr<const LoadedTable> table)
    : fields_(table->table.fields)
    , table_(std::move(table))
    , allRows_(true)
{
}

RecordSource::RecordSource(std::shared_ptr<const LoadedTable> table, std::vector<std::uint32_t> positions)
    : fields_(table->table.fields)
    , table_(std::move(table))
    , positions_(std::move(positions))
{
}

RecordSource::RecordSource(std::vector<paradox::FieldDef> fields, std::vector<std::vector<paradox::Value>> rows)
    : fields_(std::move(fields))
    , rows_(std::move(rows))
{
}

std::size_t RecordSource::count() const
{
    if (!table_)
        return rows_.size();
    return allRows_ ? table_->rowCount() : positions_.size();
}

std::span<const paradox::Value> RecordSource::row(std::size_t row) const
{
    if (!table_)
        return rows_[row];
    return table_->row(allRows_ ? row : positions_[row]);
}

const paradox::DamagedValue* RecordSource::damage(std::size_t r, std::size_t column) const
{
    if (!table_)
        return nullptr;
    return table_->damage(allRows_ ? r : positions_[r], column);
}

const paradox::Value& RecordSource::value(std::size_t r, std::size_t column) const
{
    return row(r)[column];
}

} // namespace db
