#pragma once

// Datasets over Paradox tables: a cursor that walks the records of a table
// in primary-key order (TTable) or the rows of a local-SQL query (TQuery),
// with fields read by name from the current record.
//
// How the window code uses it:
//
//   db::TTable TabelaTransistores("TabelaTransistores");   // the name shows in errors
//   TabelaTransistores.AfterScroll = [this](db::TDataSet&) { TabelaTransistoresAfterScroll(); };
//   TabelaTransistores.SetDatabaseName(base + "\\data\\");  // '\\' and '/' both separate
//   TabelaTransistores.SetTableName("Transistores.db");      // found without case, ".db" optional
//   TabelaTransistores.Open();                               // moves to the first record, fires AfterScroll
//   std::string id = TabelaTransistores.FieldByName("Identificacao").AsString();
//   TabelaTransistores.FindNearest({"BC5"});                 // quick search
//
//   db::TQuery PesquisarTransistores("PesquisarTransistores");
//   PesquisarTransistores.SetDatabaseName(dir);
//   PesquisarTransistores.SQL().Clear();
//   PesquisarTransistores.SQL().Add("select * from transistores.db where identificacao = " +
//                                   db::QuotedSqlString(id));
//   PesquisarTransistores.Open();
//
// Views (grids, data-aware labels, memos) hold a db::TDataLink on a dataset;
// its OnEvent handler is told when the dataset opens, closes, scrolls or its
// data changes, and reads any row through TField::...At(recNo) without
// moving the cursor. A link unregisters itself when it is destroyed, and a
// dataset that is destroyed first detaches its links.
//
// AfterScroll fires, after the links were told:
//   - after Open (the cursor is on the first record, also when the dataset is empty);
//   - after First, Last, FindNearest/GotoNearest and a FindKey/GotoKey that
//     found its record, even when the cursor was already there;
//   - after Next, Prior, MoveBy and SetRecNo only when the current record
//     changed: Next on the last record sets Eof and fires nothing, MoveBy(0)
//     and a click on the current grid row fire nothing.
// It does not fire on Close, on Refresh, or on a FindKey that found nothing
// (the cursor stays where it was).
//
// Key order and key search: a table's records are browsed in the order of
// its primary index; text keys compare byte by byte (the tables' "ascii"
// sort order: capitals before small letters, no case folding), number keys
// by value, NULL before everything. FindNearest moves to the first record
// whose key is equal to or after the given values; an empty text is the
// blank key and finds the first record; a text after the last key leaves
// the cursor on the last record with Eof set.
//
// Local SQL: see QuotedSqlString and TQuery below; queries run on SQLite
// over the same cached table data, in key order unless the SQL says
// otherwise.
//
// Every failure is an EDatabaseError whose message names the dataset, the
// table file or the SQL text it is about.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/paradox/paradox.h"

namespace db {

class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string& message)
        : std::runtime_error(message)
    {
    }
};

// Field kinds as the old class library named them.
enum class TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftAutoInc,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftBoolean,
    ftDate,
    ftTime,
    ftDateTime,
    ftMemo,
    ftFmtMemo,
    ftBlob,
    ftGraphic,
    ftOle,
    ftBytes
};

enum class TDataSetState { dsInactive, dsBrowse, dsSetKey };

enum class TDataEvent {
    deOpened, // the dataset opened (rows and fields are new)
    deClosed, // the dataset closed or is being destroyed
    deScrolled, // the current record changed (or was re-positioned)
    deDataChanged // the rows were reloaded (Refresh)
};

class TDataSet;

// One column of a dataset. Reads go to the current record (or, with the
// ...At variants, to the record numbered recNo, 1-based). A NULL value reads
// as "" / 0 / false / no bytes. The object stays valid as long as its dataset
// lives, across Close and Open; while it is not among the open dataset's
// columns it reads as NULL.
class TField {
public:
    const std::string& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }
    int Index() const { return index_; } // position in Fields(), -1 when not open
    TDataSet& DataSet() const { return *dataset_; }

    bool IsNull() const;
    std::string AsString() const;
    // Text fields are parsed ('.' or the display decimal separator); a text
    // that is not a number raises EDatabaseError naming the field.
    double AsFloat() const;
    std::int64_t AsInteger() const; // floats round halves to even
    bool AsBoolean() const;
    // Blob, memo and text fields give their bytes (text as UTF-8).
    std::vector<std::uint8_t> AsBytes() const;
    // What a grid shows: numbers in the display format, "(Memo)"/"(MEMO)"-style
    // markers for blobs, dates as day/month/year.
    std::string DisplayText() const;

    bool IsNullAt(int recNo) const;
    std::string AsStringAt(int recNo) const;
    double AsFloatAt(int recNo) const;
    std::string DisplayTextAt(int recNo) const;

    // Only in key-editing state (TTable::SetKey) and only for key fields:
    // sets the value that GotoKey/GotoNearest search for.
    void SetAsString(std::string_view text);

    const paradox::Value& Value() const;
    const paradox::Value& ValueAt(int recNo) const;
    // Why the value of the current record (or of record recNo) could not be
    // read from its table, or null when it reads.
    const paradox::DamagedValue* Damage() const;
    const paradox::DamagedValue* DamageAt(int recNo) const;

private:
    friend class TDataSet;
    TField(TDataSet* dataset, std::string name)
        : dataset_(dataset)
        , name_(std::move(name))
    {
    }

    TDataSet* dataset_;
    std::string name_;
    TFieldType type_ = TFieldType::ftUnknown;
    int size_ = 0;
    int index_ = -1;
};

class TDataLink;

// Rows held by an open dataset; defined in the implementation.
class RecordSource;

class TDataSet {
public:
    explicit TDataSet(std::string name = {});
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // Component name, used in error messages.
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // The name errors give: the component name, else the table's.
    virtual std::string DisplayName() const;

    void Open();
    void Close();
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool active);
    TDataSetState State() const { return state_; }

    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by `distance` records (clamped); gives how far it really moved.
    int MoveBy(int distance);

    // 1-based number of the current record; 0 when closed or empty.
    int RecNo() const;
    void SetRecNo(int recNo);
    int RecordCount() const;
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return RecordCount() == 0; }
    // Values of the open dataset that could not be read: the first one of
    // each file they should come from, in record order.
    std::vector<paradox::DamagedValue> DamagedFiles() const;

    // Raises EDatabaseError "<dataset>: Field 'X' not found" when there is no
    // such column (the name is compared without case).
    TField& FieldByName(std::string_view name);
    TField* FindField(std::string_view name);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Field(int index) const; // raises EDatabaseError for an index out of range
    const std::vector<TField*>& Fields() const { return fields_; }

    std::function<void(TDataSet&)> AfterScroll;

protected:
    // Loads the rows; the dataset is inactive while it runs.
    virtual std::shared_ptr<const RecordSource> OpenRecords() = 0;
    void CheckInactive(const char* what) const;
    void CheckActive() const;
    void Notify(TDataEvent event);
    void DoAfterScroll();
    // Puts the cursor on `index` (0-based row) and sets the flags.
    void SetCursor(int index);
    void SetEofFlag() { eof_ = true; }
    // Replaces the rows of an open dataset, keeping the fields by name.
    void ReplaceRecords(std::shared_ptr<const RecordSource> records, int cursor);
    const RecordSource* Records() const { return records_.get(); }
    int CursorIndex() const { return cursor_; }
    void SetState(TDataSetState state) { state_ = state; }

private:
    friend class TField;
    friend class TDataLink;
    void BindFields();
    int RowOf(int recNo) const; // 0-based row for a 1-based recNo, -1 if none
    virtual const paradox::Value* KeyBufferValue(int fieldIndex) const;
    virtual void SetKeyBufferValue(int fieldIndex, std::string_view text);

    std::string name_;
    TDataSetState state_ = TDataSetState::dsInactive;
    std::shared_ptr<const RecordSource> records_;
    int cursor_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    std::vector<std::unique_ptr<TField>> allFields_; // every field ever made, kept for stable references
    std::vector<TField*> fields_; // the open dataset's columns in order
    std::vector<TDataLink*> links_;
};

// A view's connection to a dataset.
class TDataLink {
public:
    TDataLink() = default;
    explicit TDataLink(TDataSet* dataset, std::function<void(TDataEvent)> onEvent = {});
    ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    void SetDataSet(TDataSet* dataset);
    TDataSet* DataSet() const { return dataset_; }
    bool Active() const { return dataset_ && dataset_->Active(); }

    std::function<void(TDataEvent)> OnEvent;

private:
    friend class TDataSet;
    TDataSet* dataset_ = nullptr;
};

// A Paradox table read through its primary index.
class TTable : public TDataSet {
public:
    explicit TTable(std::string name = {});

    // Directory of the table; Windows-style "base\\data\\" joined by the
    // caller works. Changing it or the table name while open raises.
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(std::string dir);
    const std::string& TableName() const { return tableName_; }
    void SetTableName(std::string name); // "Graficos.db" or "graficos"
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    // The table file that Open would read (resolved without case); raises
    // "Table does not exist" when it is missing.
    std::string FileName() const;
    int IndexFieldCount() const;
    std::string DisplayName() const override;

    // Key search through the primary index. SetKey enters key-editing
    // state with an empty key; key fields then take values through
    // FieldByName(...).SetAsString; GotoKey / GotoNearest search for the
    // key fields set so far (a leading part of the key) and return to
    // browsing. FindKey and FindNearest do all three with the values given
    // in key-field order.
    void SetKey();
    bool GotoKey();
    void GotoNearest();
    void Cancel(); // leaves key-editing state without searching
    bool FindKey(std::initializer_list<std::string_view> values);
    void FindNearest(std::initializer_list<std::string_view> values);

    // Re-reads the table when its file changed since it was opened, keeps the
    // cursor on the same key (or the next one) and tells the links.
    void Refresh();

protected:
    std::shared_ptr<const RecordSource> OpenRecords() override;

private:
    const paradox::Value* KeyBufferValue(int fieldIndex) const override;
    void SetKeyBufferValue(int fieldIndex, std::string_view text) override;
    int SearchKey(bool nearest) const; // row, -1 when an exact search failed
    void SetKeyValues(std::initializer_list<std::string_view> values); // SetKey, then the values in key order

    std::string databaseName_;
    std::string tableName_;
    bool readOnly_ = false;
    std::vector<paradox::Value> keyBuffer_;
    int keyFieldsSet_ = 0;
};

// A list of text lines, as the SQL of a query.
class TStrings {
public:
    void Clear();
    void Add(std::string line);
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int i) const { return lines_.at(static_cast<std::size_t>(i)); }
    // Lines joined, each followed by a line break.
    std::string Text() const;
    void SetText(std::string_view text);

    std::function<void()> OnChange;

private:
    std::vector<std::string> lines_;
};

// Local SQL over the Paradox tables of DatabaseName. Table names carry
// ".db" (or stand bare, or in double quotes in the FROM list); text in
// double quotes is a string literal; keywords and names ignore case; rows
// come in the tables' key order unless the SQL orders them.
class TQuery : public TDataSet {
public:
    explicit TQuery(std::string name = {});

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(std::string dir);
    // Changing the SQL of an open query closes it.
    TStrings& SQL() { return sql_; }
    const TStrings& SQL() const { return sql_; }
    std::string DisplayName() const override;

protected:
    std::shared_ptr<const RecordSource> OpenRecords() override;

private:
    std::string databaseName_;
    TStrings sql_;
};

// A value as a local-SQL string literal: wrapped in double quotes, each
// double quote inside doubled ("12""" for 12"). The query translator turns
// it into the same text as an SQLite literal, so a value can neither end
// the literal early nor change the query.
std::string QuotedSqlString(std::string_view value);

// Drops the cached table data (tests; files are re-read on next use anyway
// when their size or modification time changed).
void ClearTableCache();

} // namespace db
