#pragma once

// Paradox table files: the .DB data file, its primary index .PX and the blob
// file .MB. Tables are read whole into memory; they are small enough and the
// program only browses them.

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/rtl/hugepage.h"

namespace paradox {

// Field types as the .DB header codes them.
//
// What each type gives as a Value (NULL is always std::monostate):
//   Alpha, Memo                  std::string, UTF-8 (converted from the table's code page);
//                                an empty alpha or memo is stored as NULL and reads as NULL
//   Number, Currency             double
//   Date                         double, day count since 30 December 1899 (rtl::TDateTime), whole days
//   Time                         double, fraction of a day
//   Timestamp                    double, day count since 30 December 1899 with the time as the fraction
//   Short, Long, AutoInc         std::int64_t
//   Logical                      bool
//   Blob, Graphic, Ole,          Blob, the raw bytes; an empty blob is stored as NULL
//   FormattedMemo, Bytes         (Bytes: the field's fixed bytes)
//   Bcd                          Blob, the 17 stored bytes undecoded (not written by writeTable)
enum class FieldType {
    Alpha,
    Date,
    Short,
    Long,
    Currency,
    Number,
    Logical,
    Memo,
    Blob,
    FormattedMemo,
    Ole,
    Graphic,
    Time,
    Timestamp,
    AutoInc,
    Bcd,
    Bytes
};

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Alpha;
    // Alpha length in bytes (1..255); for blob fields the leader size, the part
    // of the blob kept in the record (0..240, memo 1..240); byte count; BCD
    // digits; for the fixed-size types their record size (short 2,
    // long/date/time 4, number 8, ...).
    int size = 0;
};

using Blob = std::vector<std::uint8_t>;
using Value = std::variant<std::monostate, std::string, double, std::int64_t, bool, Blob>;

// The records of a table, stored as one block of values (record after
// record) so that a large table is a few huge-page allocations rather than
// one small block per record, which costs far more to touch the first time.
// A record is seen as a span of its values; every record has the same
// number of values, set by the first one added.
class Records {
public:
    using Row = std::vector<Value>;

    template <class V> class Iter {
    public:
        using value_type = std::span<V>;
        using difference_type = std::ptrdiff_t;
        using iterator_category = std::forward_iterator_tag;
        Iter() = default;
        Iter(V* values, std::size_t width, std::size_t index)
            : values_(values)
            , width_(width)
            , index_(index)
        {
        }
        std::span<V> operator*() const { return { values_ + index_ * width_, width_ }; }
        Iter& operator++()
        {
            ++index_;
            return *this;
        }
        Iter operator++(int)
        {
            Iter old = *this;
            ++index_;
            return old;
        }
        bool operator==(const Iter& o) const { return index_ == o.index_; }

    private:
        V* values_ = nullptr;
        std::size_t width_ = 0;
        std::size_t index_ = 0;
    };

    Records() = default;
    Records(std::initializer_list<Row> rows) { assign(rows.begin(), rows.end()); }
    Records(const std::vector<Row>& rows) { assign(rows.begin(), rows.end()); }
    Records& operator=(std::initializer_list<Row> rows)
    {
        assign(rows.begin(), rows.end());
        return *this;
    }
    Records& operator=(const std::vector<Row>& rows)
    {
        assign(rows.begin(), rows.end());
        return *this;
    }

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Values per record (0 until the first record is added).
    std::size_t width() const { return width_; }

    std::span<Value> operator[](std::size_t i) { return { values_.data() + i * width_, width_ }; }
    std::span<const Value> operator[](std::size_t i) const { return { values_.data() + i * width_, width_ }; }
    std::span<Value> back() { return (*this)[count_ - 1]; }
    std::span<const Value> back() const { return (*this)[count_ - 1]; }

    Iter<Value> begin() { return { values_.data(), width_, 0 }; }
    Iter<Value> end() { return { values_.data(), width_, count_ }; }
    Iter<const Value> begin() const { return { values_.data(), width_, 0 }; }
    Iter<const Value> end() const { return { values_.data(), width_, count_ }; }

    void reserve(std::size_t records, std::size_t width)
    {
        setWidth(width);
        values_.reserve(records * width);
    }
    void clear()
    {
        values_.clear();
        count_ = 0;
    }

    // Adds a record of `width` blank values and gives it.
    std::span<Value> appendBlank(std::size_t width)
    {
        setWidth(width);
        values_.resize(values_.size() + width);
        ++count_;
        return back();
    }
    // Throws std::invalid_argument when the record's size differs from the others'.
    void append(std::span<const Value> row)
    {
        setWidth(row.size());
        values_.insert(values_.end(), row.begin(), row.end());
        ++count_;
    }
    void push_back(Row&& row)
    {
        setWidth(row.size());
        values_.insert(values_.end(), std::make_move_iterator(row.begin()), std::make_move_iterator(row.end()));
        ++count_;
    }
    void push_back(const Row& row) { append(row); }

    // The records as vectors of their own.
    std::vector<Row> rows() const
    {
        std::vector<Row> out;
        out.reserve(count_);
        for (auto r : *this)
            out.emplace_back(r.begin(), r.end());
        return out;
    }

    bool operator==(const Records& o) const
    {
        return count_ == o.count_ && (count_ == 0 || width_ == o.width_) && values_ == o.values_;
    }

private:
    template <class It> void assign(It first, It last)
    {
        clear();
        width_ = 0;
        for (; first != last; ++first)
            append(*first);
    }
    void setWidth(std::size_t width)
    {
        if (count_ == 0)
            width_ = width;
        else if (width != width_)
            throw std::invalid_argument(
                "a record of " + std::to_string(width) + " values among records of " + std::to_string(width_));
    }

    std::vector<Value, rtl::HugePageAllocator<Value>> values_;
    std::size_t width_ = 0;
    std::size_t count_ = 0;
};

// A value that could not be read (a blob or memo whose data is damaged or
// missing). The record holds NULL there; `what` names the file and the fault.
struct DamagedValue {
    std::size_t record = 0;
    int field = 0;
    std::string what;
    // The file the value could not be read from (the .MB file, or the .DB
    // file for a value kept in the record).
    std::filesystem::path file;
};

struct Table {
    std::vector<FieldDef> fields;
    // The first keyFieldCount fields form the primary key (0: no primary index).
    int keyFieldCount = 0;
    // Each record holds one Value per field. readTable gives them in file
    // order, which is primary-key order for a keyed table.
    Records records;

    // Damaged values in record order; each damages only its own field.
    std::vector<DamagedValue> damaged;

    // Index of the field named `name` (compared without case), or -1.
    int fieldIndex(std::string_view name) const;
    // The damage of a record's field, or null.
    const DamagedValue* damage(std::size_t record, int field) const;
};

// Every failure to read or write a table. The message names the file and what is wrong.
class Error : public std::runtime_error {
public:
    Error(const std::filesystem::path& file, const std::string& what);
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
};

// Reads a .DB file and, when the table has blob fields whose data does not
// fit the record, the .MB file beside it (found without case). A .DB file
// missing under the given name is looked for without case in its folder.
// Records come from the data block chain; a damaged, truncated or foreign
// file and a chain that loops or disagrees with the header's record count
// throw Error. A blob or memo whose data cannot be found (a pointer that
// leads nowhere, a missing or foreign .MB file) is read as NULL and listed
// in the table's `damaged` values.
Table readTable(const std::filesystem::path& dbFile);

// Only the header: the field list and key field count, no records.
Table readStructure(const std::filesystem::path& dbFile);

struct WriteOptions {
    // DOS code page that text is stored in: 437, 850 or 1252 (the Windows
    // "ANSI" page; the header then records code page 1252).
    int codePage = 1252;
    // Data block size in KiB: 1, 2, 3, 4, 16 or 32.
    int blockSizeKiB = 2;
    // Table title stored in the header; empty means the file's stem.
    std::string tableName;
};

// Writes dbFile and beside it the .PX of a keyed table and the .MB of a table
// with blob fields (holding the blobs longer than their leader), each to a
// temporary file renamed into place once all are written; a .PX or .MB left
// from an earlier table of that name that the new one lacks is removed.
// Records of a keyed table are stored sorted by key in the "ascii" sort
// order (alpha by code-page bytes, numbers by value); equal keys are an
// Error, and key fields cannot be blobs. Values must match their field's type
// (monostate is NULL; an int64 is accepted for number fields, a double
// holding a whole value for integer fields, a string's bytes for binary
// blobs); text too long for its field or outside the code page is an Error,
// never cut short.
void writeTable(const std::filesystem::path& dbFile, const Table& table, const WriteOptions& options = {});

// Finds `relative` below `base` comparing every path component without case
// ("data\\Transistores.db" finds data/transistores.DB). Both '\\' and '/'
// separate components. Gives nullopt when some component is missing. An exact
// match is preferred over a case-folded one.
std::optional<std::filesystem::path> resolveNoCase(const std::filesystem::path& base, std::string_view relative);

// Name of a field type as shown to users ("Alpha", "Number", ...).
const char* fieldTypeName(FieldType type);

} // namespace paradox
