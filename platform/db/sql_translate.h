#pragma once

// Local SQL (the old engine's dialect) to SQLite: double-quoted text is a
// string literal, tables are named as files ("transistores.db", a bare name,
// or a double-quoted name in the FROM list), everything else passes as it is.

#include <cstddef>
#include <string>
#include <vector>

namespace db {

struct SqlToken {
    enum Kind { Space, Word, Number, SingleQuoted, DoubleQuoted, Symbol };
    Kind kind;
    std::size_t pos;
    std::size_t len;
};

struct SqlTableRef {
    std::string fileName; // as written, e.g. "transistores.db"
    std::size_t first; // token range [first, last) that names it
    std::size_t last;
    bool hasAlias = false;
    int depth = 0; // parentheses around it
};

struct ParsedSql {
    std::string text;
    std::vector<SqlToken> tokens;
    std::vector<SqlTableRef> tables;
    // "select * from <one table> [alias] [where ...] [order by ...]": the
    // rows are whole table rows and can be fetched by row id alone.
    bool wholeRows = false;
    std::size_t starToken = 0;
    // ... and there is nothing after the table: every row, no SQL needed.
    bool everyRow = false;
    // One table, no ORDER BY, grouping, DISTINCT, LIMIT or set operation:
    // the old engine gave such rows in key order, so the SQLite text asks
    // for row-id order.
    bool keyOrder = false;
};

// Splits and classifies the text; raises EDatabaseError on an unterminated
// string literal.
ParsedSql parseLocalSql(std::string text);

// The SQLite text: table references become tableNames[i] (with the file's
// base name as alias unless the SQL gives one). When rowIdColumn is set, the
// "*" of a whole-rows query becomes that column and a key-order query gets
// "ORDER BY" that column.
std::string toSqlite(
    const ParsedSql& parsed, const std::vector<std::string>& tableNames, const std::string& rowIdColumn = {});

// Base name of a table file without directory and extension ("transistores").
std::string tableBaseName(const std::string& fileName);

} // namespace db
