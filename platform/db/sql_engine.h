#pragma once

// Runs local SQL on SQLite. Each table file that a query names becomes a
// virtual table over the cached rows (no copy), whose searched columns get
// sorted indexes on first use.

#include <memory>
#include <string>

namespace db {

class RecordSource;

// Parses, translates and runs `sql` against the tables of `databaseName`.
// Raises EDatabaseError with SQLite's text and the SQL on a bad statement.
std::shared_ptr<const RecordSource> runLocalSql(const std::string& databaseName, const std::string& sql);

// Forgets every virtual table (with ClearTableCache).
void clearSqlTables();

} // namespace db
