#include "platform/db/sql_engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <numeric>
#include <string_view>

#include "platform/db/dataset.h"
#include "platform/db/record_source.h"
#include "platform/db/sql_translate.h"
#include "platform/db/table_cache.h"

namespace db {

namespace {

using paradox::FieldType;

// Declared column types: the first word gives SQLite the affinity (numbers
// compare as numbers, text as text), the rest brings back the Paradox type
// and size for query results.
struct TypeName {
    FieldType type;
    const char* declared;
};
constexpr TypeName kTypeNames[] = {
    { FieldType::Alpha, "TEXT_ALPHA" },
    { FieldType::Date, "REAL_DATE" },
    { FieldType::Short, "INT_SHORT" },
    { FieldType::Long, "INT_LONG" },
    { FieldType::Currency, "REAL_CURRENCY" },
    { FieldType::Number, "REAL_NUMBER" },
    { FieldType::Logical, "INT_LOGICAL" },
    { FieldType::Memo, "TEXT_MEMO" },
    { FieldType::Blob, "BLOB_BLOB" },
    { FieldType::FormattedMemo, "TEXT_FMTMEMO" },
    { FieldType::Ole, "BLOB_OLE" },
    { FieldType::Graphic, "BLOB_GRAPHIC" },
    { FieldType::Time, "REAL_TIME" },
    { FieldType::Timestamp, "REAL_TIMESTAMP" },
    { FieldType::AutoInc, "INT_AUTOINC" },
    { FieldType::Bcd, "REAL_BCD" },
    { FieldType::Bytes, "BLOB_BYTES" },
};

std::string declaredType(const paradox::FieldDef& f)
{
    for (const TypeName& t : kTypeNames)
        if (t.type == f.type)
            return std::string(t.declared) + "_" + std::to_string(f.size);
    return "BLOB";
}

bool fieldFromDeclared(const char* declared, paradox::FieldDef& f)
{
    if (!declared)
        return false;
    const std::string_view d(declared);
    const auto sep = d.rfind('_');
    if (sep == std::string_view::npos)
        return false;
    for (const TypeName& t : kTypeNames) {
        if (d.substr(0, sep) == t.declared) {
            f.type = t.type;
            f.size = std::atoi(std::string(d.substr(sep + 1)).c_str());
            return true;
        }
    }
    return false;
}

enum class ColumnClass { Number, Text, Other };

ColumnClass classOf(FieldType t)
{
    switch (t) {
    case FieldType::Alpha:
    case FieldType::Memo:
    case FieldType::FormattedMemo:
        return ColumnClass::Text;
    case FieldType::Blob:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Bytes:
        return ColumnClass::Other;
    default:
        return ColumnClass::Number;
    }
}

double numberOf(const paradox::Value& v, bool& ok)
{
    ok = true;
    if (const double* d = std::get_if<double>(&v)) {
        ok = !std::isnan(*d);
        return *d;
    }
    if (const std::int64_t* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    if (const bool* b = std::get_if<bool>(&v))
        return *b ? 1.0 : 0.0;
    ok = false;
    return 0;
}

// A column's values laid out flat for scanning, built on first use: numbers
// as doubles (NaN for NULL, which no comparison matches) or pointers to the
// text (null for NULL).
struct ColumnData {
    bool built = false;
    std::vector<double> numbers;
    std::vector<const std::string*> texts;
};

struct TableVtab : sqlite3_vtab {
    std::shared_ptr<const LoadedTable> table;
    std::vector<ColumnData> columns;

    const ColumnData& column(std::size_t col)
    {
        ColumnData& data = columns[col];
        if (data.built)
            return data;
        const std::size_t n = table->rowCount();
        if (classOf(table->table.fields[col].type) == ColumnClass::Number) {
            data.numbers.resize(n);
            for (std::size_t p = 0; p < n; ++p) {
                bool ok = false;
                const double d = numberOf(table->row(p)[col], ok);
                data.numbers[p] = ok ? d : std::numeric_limits<double>::quiet_NaN();
            }
        } else {
            data.texts.resize(n);
            for (std::size_t p = 0; p < n; ++p)
                data.texts[p] = std::get_if<std::string>(&table->row(p)[col]);
        }
        data.built = true;
        return data;
    }
};

struct TableCursor : sqlite3_vtab_cursor {
    bool all = true;
    std::vector<std::uint32_t> candidates;
    std::size_t i = 0;
    std::size_t n = 0;
    std::size_t position() const { return all ? i : candidates[i]; }
};

class Engine {
public:
    Engine();
    ~Engine();
    std::shared_ptr<const RecordSource> run(const std::string& databaseName, const std::string& sql);
    void clear();

    sqlite3* db() const { return db_; }
    std::shared_ptr<const LoadedTable> takePending(int id)
    {
        auto it = pending_.find(id);
        if (it == pending_.end())
            return nullptr;
        auto t = it->second;
        pending_.erase(it);
        return t;
    }

private:
    std::string tableFor(const std::shared_ptr<const LoadedTable>& table);
    void exec(const std::string& sql);

    sqlite3* db_ = nullptr;
    std::mutex mutex_;
    struct Registered {
        std::shared_ptr<const LoadedTable> table;
        std::string name;
    };
    std::map<std::string, Registered> tables_; // by file path
    std::map<int, std::shared_ptr<const LoadedTable>> pending_;
    int nextId_ = 1;
};

// --- the virtual table module ---------------------------------------------

int vtabConnect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err)
{
    auto* engine = static_cast<Engine*>(aux);
    auto table = argc >= 4 ? engine->takePending(std::atoi(argv[3])) : nullptr;
    if (!table) {
        *err = sqlite3_mprintf("table data is not available");
        return SQLITE_ERROR;
    }
    std::string ddl = "CREATE TABLE x(";
    for (std::size_t i = 0; i < table->table.fields.size(); ++i) {
        const auto& f = table->table.fields[i];
        if (i)
            ddl += ", ";
        ddl += '"';
        for (char c : f.name) {
            ddl += c;
            if (c == '"')
                ddl += '"';
        }
        ddl += "\" " + declaredType(f);
    }
    ddl += ")";
    const int rc = sqlite3_declare_vtab(db, ddl.c_str());
    if (rc != SQLITE_OK) {
        *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto* vt = new TableVtab();
    vt->table = std::move(table);
    vt->columns.resize(vt->table->table.fields.size());
    *out = vt;
    return SQLITE_OK;
}

int vtabDisconnect(sqlite3_vtab* vt)
{
    delete static_cast<TableVtab*>(vt);
    return SQLITE_OK;
}

char opCode(unsigned char op)
{
    switch (op) {
    case SQLITE_INDEX_CONSTRAINT_EQ:
        return 'E';
    case SQLITE_INDEX_CONSTRAINT_GT:
        return 'G';
    case SQLITE_INDEX_CONSTRAINT_GE:
        return 'g';
    case SQLITE_INDEX_CONSTRAINT_LT:
        return 'L';
    case SQLITE_INDEX_CONSTRAINT_LE:
        return 'l';
    default:
        return 0;
    }
}

int vtabBestIndex(sqlite3_vtab* base, sqlite3_index_info* info)
{
    auto* vt = static_cast<TableVtab*>(base);
    const auto& fields = vt->table->table.fields;
    const double rows = std::max<double>(1.0, static_cast<double>(vt->table->rowCount()));

    // Every comparison of a column with a value is handed to xFilter, which
    // narrows the rows with them. SQLite checks each constraint again on the
    // rows we give, so giving more rows than match is never wrong.
    std::string plan;
    int used = 0;
    bool keyEquality = false;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        const char op = opCode(c.op);
        if (!c.usable || c.iColumn < 0 || !op)
            continue;
        const ColumnClass cls = classOf(fields[static_cast<std::size_t>(c.iColumn)].type);
        if (cls == ColumnClass::Other)
            continue;
        if (cls == ColumnClass::Text) {
            const char* coll = sqlite3_vtab_collation(info, i);
            if (coll && sqlite3_stricmp(coll, "BINARY") != 0)
                continue;
        }
        if (!plan.empty())
            plan += ',';
        plan += op + std::to_string(c.iColumn);
        info->aConstraintUsage[i].argvIndex = ++used;
        if (op == 'E' && c.iColumn == 0 && vt->table->table.keyFieldCount > 0)
            keyEquality = true;
    }
    if (used == 0) {
        info->estimatedCost = rows * 4;
        info->estimatedRows = static_cast<sqlite3_int64>(rows);
        return SQLITE_OK;
    }
    info->idxStr = sqlite3_mprintf("%s", plan.c_str());
    info->needToFreeIdxStr = 1;
    if (keyEquality) {
        info->estimatedCost = std::log2(rows) + 1;
        info->estimatedRows = 1;
    } else {
        info->estimatedCost = rows / (1 + used);
        info->estimatedRows = static_cast<sqlite3_int64>(std::max(1.0, rows / (4.0 * used)));
    }
    return SQLITE_OK;
}

int vtabOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    *out = new TableCursor();
    return SQLITE_OK;
}

int vtabClose(sqlite3_vtab_cursor* cur)
{
    delete static_cast<TableCursor*>(cur);
    return SQLITE_OK;
}

// One comparison from the plan, with a value of the column's own kind.
struct Condition {
    char op;
    std::size_t column;
    bool numeric;
    double number;
    std::string_view text;
};

template <typename T> bool holds(char op, const T& v, const T& bound)
{
    switch (op) {
    case 'E':
        return v == bound;
    case 'G':
        return v > bound;
    case 'g':
        return v >= bound;
    case 'L':
        return v < bound;
    default:
        return v <= bound;
    }
}

int vtabFilter(sqlite3_vtab_cursor* base, int, const char* idxStr, int argc, sqlite3_value** argv)
{
    auto* cur = static_cast<TableCursor*>(base);
    auto* vt = static_cast<TableVtab*>(cur->pVtab);
    const LoadedTable& table = *vt->table;
    cur->i = 0;
    cur->all = true;
    cur->candidates.clear();
    cur->n = table.rowCount();
    if (!idxStr || argc == 0)
        return SQLITE_OK;

    std::vector<Condition> conditions;
    const char* p = idxStr;
    for (int k = 0; k < argc && *p; ++k) {
        Condition c {};
        c.op = *p++;
        c.column = static_cast<std::size_t>(std::strtoul(p, const_cast<char**>(&p), 10));
        if (*p == ',')
            ++p;
        c.numeric = classOf(table.table.fields[c.column].type) == ColumnClass::Number;
        const int type = sqlite3_value_type(argv[k]);
        // A value of the other kind compares by SQLite's affinity rules:
        // leave that comparison to SQLite alone.
        if (c.numeric && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) {
            c.number = sqlite3_value_double(argv[k]);
        } else if (!c.numeric && type == SQLITE_TEXT) {
            c.text = std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(argv[k])),
                static_cast<std::size_t>(sqlite3_value_bytes(argv[k])));
        } else {
            continue;
        }
        conditions.push_back(c);
    }
    if (conditions.empty())
        return SQLITE_OK;

    // Rows are in key order, so conditions on the first key field give a
    // range by binary search; the rest are checked row by row.
    std::size_t lo = 0;
    std::size_t hi = table.rowCount();
    std::vector<const Condition*> scan;
    const bool textKey = table.table.keyFieldCount > 0 && classOf(table.table.fields[0].type) == ColumnClass::Text;
    for (const Condition& c : conditions) {
        if (!(textKey && c.column == 0)) {
            scan.push_back(&c);
            continue;
        }
        const auto& texts = vt->column(0).texts;
        // NULL keys come first; then the texts ascending.
        auto before = [&](std::size_t i, bool orEqual) {
            if (!texts[i])
                return true;
            const int cmp = std::string_view(*texts[i]).compare(c.text);
            return orEqual ? cmp <= 0 : cmp < 0;
        };
        auto firstNotBefore = [&](bool orEqual) {
            std::size_t a = 0, b = texts.size();
            while (a < b) {
                const std::size_t m = a + (b - a) / 2;
                if (before(m, orEqual))
                    a = m + 1;
                else
                    b = m;
            }
            return a;
        };
        const std::size_t lb = firstNotBefore(false); // first >= value
        const std::size_t ub = firstNotBefore(true); // first > value
        switch (c.op) {
        case 'E':
            lo = std::max(lo, lb);
            hi = std::min(hi, ub);
            break;
        case 'G':
            lo = std::max(lo, ub);
            break;
        case 'g':
            lo = std::max(lo, lb);
            break;
        case 'L':
            hi = std::min(hi, lb);
            break;
        default:
            hi = std::min(hi, ub);
            break;
        }
    }
    std::vector<const ColumnData*> data;
    for (const Condition* c : scan)
        data.push_back(&vt->column(c->column));

    cur->all = false;
    for (std::size_t row = lo; row < hi; ++row) {
        bool match = true;
        for (std::size_t k = 0; k < scan.size() && match; ++k) {
            const Condition& c = *scan[k];
            if (c.numeric) {
                match = holds(c.op, data[k]->numbers[row], c.number);
            } else {
                const std::string* t = data[k]->texts[row];
                match = t && holds(c.op, std::string_view(*t), c.text);
            }
        }
        if (match)
            cur->candidates.push_back(static_cast<std::uint32_t>(row));
    }
    cur->n = cur->candidates.size();
    return SQLITE_OK;
}

int vtabNext(sqlite3_vtab_cursor* base)
{
    ++static_cast<TableCursor*>(base)->i;
    return SQLITE_OK;
}

int vtabEof(sqlite3_vtab_cursor* base)
{
    auto* cur = static_cast<TableCursor*>(base);
    return cur->i >= cur->n;
}

int vtabColumn(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int column)
{
    auto* cur = static_cast<TableCursor*>(base);
    auto* vt = static_cast<TableVtab*>(cur->pVtab);
    const paradox::Value& v = vt->table->row(cur->position())[static_cast<std::size_t>(column)];
    // The rows outlive the statement (the table holds them), so no copies.
    if (const auto* s = std::get_if<std::string>(&v))
        sqlite3_result_text(ctx, s->data(), static_cast<int>(s->size()), SQLITE_STATIC);
    else if (const auto* d = std::get_if<double>(&v))
        sqlite3_result_double(ctx, *d);
    else if (const auto* i = std::get_if<std::int64_t>(&v))
        sqlite3_result_int64(ctx, *i);
    else if (const auto* b = std::get_if<bool>(&v))
        sqlite3_result_int(ctx, *b ? 1 : 0);
    else if (const auto* blob = std::get_if<paradox::Blob>(&v)) {
        if (blob->empty())
            sqlite3_result_zeroblob(ctx, 0);
        else
            sqlite3_result_blob(ctx, blob->data(), static_cast<int>(blob->size()), SQLITE_STATIC);
    } else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int vtabRowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid)
{
    *rowid = static_cast<sqlite3_int64>(static_cast<TableCursor*>(base)->position()) + 1;
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module m {};
    m.iVersion = 1;
    m.xCreate = vtabConnect;
    m.xConnect = vtabConnect;
    m.xBestIndex = vtabBestIndex;
    m.xDisconnect = vtabDisconnect;
    m.xDestroy = vtabDisconnect;
    m.xOpen = vtabOpen;
    m.xClose = vtabClose;
    m.xFilter = vtabFilter;
    m.xNext = vtabNext;
    m.xEof = vtabEof;
    m.xColumn = vtabColumn;
    m.xRowid = vtabRowid;
    return m;
}

const sqlite3_module kModule = makeModule();

// Statements from the program may only read.
int readOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtCloser>;

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && sqlite3_strnicmp(a.data(), b.data(), static_cast<int>(a.size())) == 0;
}

// --- the engine -------------------------------------------------------------

Engine::Engine()
{
    if (sqlite3_open(":memory:", &db_) != SQLITE_OK)
        throw EDatabaseError("Cannot start the SQL engine: " + std::string(sqlite3_errmsg(db_)));
    sqlite3_create_module(db_, "tavix_paradox", &kModule, this);
    // LIKE tells capitals from small letters, as the old engine did.
    exec("PRAGMA case_sensitive_like = ON");
}

Engine::~Engine()
{
    sqlite3_close_v2(db_);
}

void Engine::exec(const std::string& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string message = err ? err : "unknown error";
        sqlite3_free(err);
        throw EDatabaseError(message + ".\nSQL: " + sql);
    }
}

std::string Engine::tableFor(const std::shared_ptr<const LoadedTable>& table)
{
    const std::string key = table->file.lexically_normal().string();
    auto it = tables_.find(key);
    if (it != tables_.end()) {
        if (it->second.table == table)
            return it->second.name;
        exec("DROP TABLE \"" + it->second.name + "\"");
        tables_.erase(it);
    }
    const int id = nextId_++;
    const std::string name = "pdx_" + std::to_string(id);
    pending_[id] = table;
    try {
        exec("CREATE VIRTUAL TABLE \"" + name + "\" USING tavix_paradox(" + std::to_string(id) + ")");
    } catch (...) {
        pending_.erase(id);
        throw;
    }
    tables_[key] = Registered { table, name };
    return name;
}

void Engine::clear()
{
    std::lock_guard lock(mutex_);
    for (const auto& [key, reg] : tables_)
        exec("DROP TABLE \"" + reg.name + "\"");
    tables_.clear();
}

std::shared_ptr<const RecordSource> Engine::run(const std::string& databaseName, const std::string& sql)
{
    std::lock_guard lock(mutex_);
    ParsedSql parsed = parseLocalSql(sql);

    std::vector<std::shared_ptr<const LoadedTable>> loaded;
    std::vector<std::string> names;
    for (const SqlTableRef& ref : parsed.tables) {
        try {
            loaded.push_back(loadTable(resolveTableFile(databaseName, ref.fileName)));
        } catch (const EDatabaseError& e) {
            throw EDatabaseError(std::string(e.what()) + "\nSQL: " + sql);
        }
        names.push_back(tableFor(loaded.back()));
    }
    if (parsed.everyRow)
        return std::make_shared<RecordSource>(loaded.front());

    // Whole rows come back as row ids into the cached table (no copies), and
    // one-table queries in row-id (key) order, through whichever spelling of
    // the row id no field hides.
    std::string rowIdColumn;
    if (parsed.wholeRows || parsed.keyOrder) {
        for (const char* candidate : { "rowid", "_rowid_", "oid" }) {
            if (loaded.front()->table.fieldIndex(candidate) < 0) {
                rowIdColumn = candidate;
                break;
            }
        }
    }
    const std::string text = toSqlite(parsed, names, rowIdColumn);

    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    sqlite3_set_authorizer(db_, readOnlyAuthorizer, nullptr);
    const int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &raw, &tail);
    sqlite3_set_authorizer(db_, nullptr, nullptr);
    Stmt stmt(raw);
    if (rc != SQLITE_OK)
        throw EDatabaseError("Invalid SQL: " + std::string(sqlite3_errmsg(db_)) + ".\nSQL: " + sql);
    if (!stmt)
        throw EDatabaseError("Invalid SQL: the text holds no statement.\nSQL: " + sql);
    for (; tail && *tail; ++tail)
        if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';')
            throw EDatabaseError("Invalid SQL: only one statement can run at a time.\nSQL: " + sql);

    auto stepError
        = [&] { return EDatabaseError("SQL failed: " + std::string(sqlite3_errmsg(db_)) + ".\nSQL: " + sql); };

    if (!rowIdColumn.empty() && parsed.wholeRows) {
        std::vector<std::uint32_t> positions;
        int step;
        while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW)
            positions.push_back(static_cast<std::uint32_t>(sqlite3_column_int64(stmt.get(), 0) - 1));
        if (step != SQLITE_DONE)
            throw stepError();
        return std::make_shared<RecordSource>(loaded.front(), std::move(positions));
    }

    const int columns = sqlite3_column_count(stmt.get());
    std::vector<paradox::FieldDef> fields(static_cast<std::size_t>(columns));
    std::vector<bool> typed(fields.size(), false);
    for (int c = 0; c < columns; ++c) {
        auto& f = fields[static_cast<std::size_t>(c)];
        const char* name = sqlite3_column_name(stmt.get(), c);
        f.name = name ? name : "Column" + std::to_string(c + 1);
        // Two columns of one name get "_1", "_2", ... as the old library named them.
        for (int suffix = 1;; ++suffix) {
            const bool taken = std::any_of(fields.begin(), fields.begin() + c,
                [&](const paradox::FieldDef& o) { return equalNoCase(o.name, f.name); });
            if (!taken)
                break;
            f.name = std::string(name ? name : "Column") + "_" + std::to_string(suffix);
        }
        typed[static_cast<std::size_t>(c)] = fieldFromDeclared(sqlite3_column_decltype(stmt.get(), c), f);
    }

    std::vector<std::vector<paradox::Value>> rows;
    int step;
    while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        std::vector<paradox::Value> row(fields.size());
        for (int c = 0; c < columns; ++c) {
            const auto col = static_cast<std::size_t>(c);
            auto& f = fields[col];
            switch (sqlite3_column_type(stmt.get(), c)) {
            case SQLITE_INTEGER:
                if (typed[col] && f.type == FieldType::Logical)
                    row[col] = sqlite3_column_int64(stmt.get(), c) != 0;
                else if (typed[col] && classOf(f.type) == ColumnClass::Number && f.type != FieldType::Short
                    && f.type != FieldType::Long && f.type != FieldType::AutoInc)
                    row[col] = static_cast<double>(sqlite3_column_int64(stmt.get(), c));
                else
                    row[col] = static_cast<std::int64_t>(sqlite3_column_int64(stmt.get(), c));
                if (!typed[col]) {
                    f.type = FieldType::Long;
                    f.size = 4;
                    typed[col] = true;
                }
                break;
            case SQLITE_FLOAT:
                row[col] = sqlite3_column_double(stmt.get(), c);
                if (!typed[col] || f.type == FieldType::Long) {
                    f.type = FieldType::Number; // an expression that gave whole numbers before
                    f.size = 8;
                    typed[col] = true;
                }
                break;
            case SQLITE_TEXT: {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), c));
                row[col] = std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), c)));
                if (!typed[col]) {
                    f.type = FieldType::Alpha;
                    f.size = 255;
                    typed[col] = true;
                }
                break;
            }
            case SQLITE_BLOB: {
                const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt.get(), c));
                row[col] = paradox::Blob(p, p + sqlite3_column_bytes(stmt.get(), c));
                if (!typed[col]) {
                    f.type = FieldType::Blob;
                    f.size = 0;
                    typed[col] = true;
                }
                break;
            }
            default:
                break; // NULL
            }
        }
        rows.push_back(std::move(row));
    }
    if (step != SQLITE_DONE)
        throw stepError();
    for (std::size_t c = 0; c < fields.size(); ++c) {
        if (!typed[c]) { // only NULLs: call it text
            fields[c].type = FieldType::Alpha;
            fields[c].size = 255;
        }
    }
    return std::make_shared<RecordSource>(std::move(fields), std::move(rows));
}

Engine& engine()
{
    static Engine e;
    return e;
}

} // namespace

std::shared_ptr<const RecordSource> runLocalSql(const std::string& databaseName, const std::string& sql)
{
    return engine().run(databaseName, sql);
}

void clearSqlTables()
{
    engine().clear();
}

} // namespace db
