#include "platform/db/dataset.h"

#include <algorithm>

#include "platform/db/record_source.h"
#include "platform/db/table_cache.h"
#include "platform/db/text_values.h"
#include "platform/rtl/format.h"

namespace db {

namespace {

int compareKey(std::span<const paradox::Value> row, const std::vector<paradox::Value>& key, std::size_t n)
{
    for (std::size_t k = 0; k < n; ++k)
        if (const int c = compareValues(row[k], key[k]))
            return c;
    return 0;
}

// First row whose leading n key values are equal to or after `key`.
std::size_t lowerBound(const RecordSource& rows, const std::vector<paradox::Value>& key, std::size_t n)
{
    std::size_t lo = 0;
    std::size_t hi = rows.count();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (compareKey(rows.row(mid), key, n) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

} // namespace

TTable::TTable(std::string name)
    : TDataSet(std::move(name))
{
}

std::string TTable::DisplayName() const
{
    if (!Name().empty())
        return Name();
    return tableName_.empty() ? std::string("Table") : tableName_;
}

void TTable::SetDatabaseName(std::string dir)
{
    CheckInactive("change the database name");
    databaseName_ = std::move(dir);
}

void TTable::SetTableName(std::string name)
{
    CheckInactive("change the table name");
    tableName_ = std::move(name);
}

void TTable::SetReadOnly(bool readOnly)
{
    CheckInactive("change the read-only setting");
    readOnly_ = readOnly;
}

std::string TTable::FileName() const
{
    try {
        return resolveTableFile(databaseName_, tableName_).string();
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(DisplayName() + ": " + e.what());
    }
}

int TTable::IndexFieldCount() const
{
    const RecordSource* rows = Records();
    return rows && rows->table() ? rows->table()->table.keyFieldCount : 0;
}

std::shared_ptr<const RecordSource> TTable::OpenRecords()
{
    if (tableName_.empty())
        throw EDatabaseError(DisplayName() + ": Missing table name");
    try {
        return std::make_shared<RecordSource>(loadTable(resolveTableFile(databaseName_, tableName_)));
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(DisplayName() + ": " + e.what());
    }
}

void TTable::SetKey()
{
    CheckActive();
    if (IndexFieldCount() == 0)
        throw EDatabaseError(DisplayName() + ": Table has no primary key to search");
    keyBuffer_.assign(static_cast<std::size_t>(IndexFieldCount()), paradox::Value {});
    keyFieldsSet_ = 0;
    SetState(TDataSetState::dsSetKey);
}

void TTable::Cancel()
{
    if (State() == TDataSetState::dsSetKey)
        SetState(TDataSetState::dsBrowse);
}

const paradox::Value* TTable::KeyBufferValue(int fieldIndex) const
{
    if (State() != TDataSetState::dsSetKey || fieldIndex < 0 || fieldIndex >= static_cast<int>(keyBuffer_.size()))
        return nullptr;
    return &keyBuffer_[static_cast<std::size_t>(fieldIndex)];
}

void TTable::SetKeyBufferValue(int fieldIndex, std::string_view text)
{
    if (State() != TDataSetState::dsSetKey)
        throw EDatabaseError(DisplayName() + ": Dataset not in edit or insert mode");
    const TField& field = Field(fieldIndex);
    if (fieldIndex >= static_cast<int>(keyBuffer_.size()))
        throw EDatabaseError(DisplayName() + ": Field '" + field.FieldName() + "' is not a key field");

    paradox::Value value;
    switch (field.DataType()) {
    case TFieldType::ftString:
    case TFieldType::ftMemo:
    case TFieldType::ftFmtMemo:
        if (!text.empty()) // an empty text is a blank (NULL) key, before every other
            value = std::string(text);
        break;
    case TFieldType::ftBoolean: {
        const std::string t = trimmed(text);
        if (!t.empty()) {
            const std::optional<bool> b = textToBoolean(t);
            if (!b)
                throw EDatabaseError(
                    DisplayName() + ": '" + t + "' is not a valid boolean value for field '" + field.FieldName() + "'");
            value = *b;
        }
        break;
    }
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftOle:
    case TFieldType::ftBytes:
        throw EDatabaseError(DisplayName() + ": Field '" + field.FieldName() + "' cannot be a search key");
    default: {
        const std::string t = trimmed(text);
        double d = 0;
        if (!t.empty()) {
            if (!textToFloat(t, d))
                throw EDatabaseError(DisplayName() + ": '" + t + "' is not a valid floating point value for field '"
                    + field.FieldName() + "'");
            value = d;
        }
        break;
    }
    }
    keyBuffer_[static_cast<std::size_t>(fieldIndex)] = std::move(value);
    keyFieldsSet_ = std::max(keyFieldsSet_, fieldIndex + 1);
}

int TTable::SearchKey(bool nearest) const
{
    const RecordSource& rows = *Records();
    const std::size_t n = keyFieldsSet_ > 0 ? static_cast<std::size_t>(keyFieldsSet_) : keyBuffer_.size();
    const std::size_t r = lowerBound(rows, keyBuffer_, n);
    if (nearest)
        return static_cast<int>(r);
    if (r < rows.count() && compareKey(rows.row(r), keyBuffer_, n) == 0)
        return static_cast<int>(r);
    return -1;
}

bool TTable::GotoKey()
{
    if (State() != TDataSetState::dsSetKey)
        throw EDatabaseError(DisplayName() + ": Dataset not in key-editing state (SetKey first)");
    const int row = SearchKey(false);
    SetState(TDataSetState::dsBrowse);
    if (row < 0)
        return false;
    SetCursor(row);
    Notify(TDataEvent::deScrolled);
    DoAfterScroll();
    return true;
}

void TTable::GotoNearest()
{
    if (State() != TDataSetState::dsSetKey)
        throw EDatabaseError(DisplayName() + ": Dataset not in key-editing state (SetKey first)");
    const int row = SearchKey(true);
    SetState(TDataSetState::dsBrowse);
    SetCursor(row);
    if (row >= RecordCount())
        SetEofFlag(); // after the last key: stay on the last record
    Notify(TDataEvent::deScrolled);
    DoAfterScroll();
}

void TTable::SetKeyValues(std::initializer_list<std::string_view> values)
{
    SetKey();
    int i = 0;
    for (std::string_view v : values) {
        if (i >= IndexFieldCount())
            throw EDatabaseError(DisplayName() + ": More key values than key fields");
        SetKeyBufferValue(i++, v);
    }
}

bool TTable::FindKey(std::initializer_list<std::string_view> values)
{
    SetKeyValues(values);
    return GotoKey();
}

void TTable::FindNearest(std::initializer_list<std::string_view> values)
{
    SetKeyValues(values);
    GotoNearest();
}

void TTable::Refresh()
{
    CheckActive();
    Cancel();
    std::shared_ptr<const LoadedTable> loaded;
    try {
        loaded = loadTable(resolveTableFile(databaseName_, tableName_));
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(DisplayName() + ": " + e.what());
    }
    const RecordSource& old = *Records();
    if (loaded == old.table())
        return;
    auto fresh = std::make_shared<RecordSource>(loaded);
    int cursor = CursorIndex();
    const auto keys = static_cast<std::size_t>(loaded->table.keyFieldCount);
    if (cursor >= 0 && keys > 0 && old.table()->table.keyFieldCount == loaded->table.keyFieldCount) {
        const auto& row = old.row(static_cast<std::size_t>(cursor));
        const std::vector<paradox::Value> key(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(keys));
        cursor = static_cast<int>(lowerBound(*fresh, key, keys));
    }
    ReplaceRecords(std::move(fresh), cursor);
}

} // namespace db
