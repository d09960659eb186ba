#include "platform/db/dataset.h"

#include "platform/db/record_source.h"
#include "platform/db/sql_engine.h"
#include "platform/db/table_cache.h"

namespace db {

void TStrings::Clear()
{
    lines_.clear();
    if (OnChange)
        OnChange();
}

void TStrings::Add(std::string line)
{
    lines_.push_back(std::move(line));
    if (OnChange)
        OnChange();
}

std::string TStrings::Text() const
{
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\n";
    return text;
}

void TStrings::SetText(std::string_view text)
{
    lines_.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines_.emplace_back(line);
        pos = end + 1;
    }
    if (OnChange)
        OnChange();
}

TQuery::TQuery(std::string name)
    : TDataSet(std::move(name))
{
    sql_.OnChange = [this] { Close(); };
}

std::string TQuery::DisplayName() const
{
    return Name().empty() ? std::string("Query") : Name();
}

void TQuery::SetDatabaseName(std::string dir)
{
    CheckInactive("change the database name");
    databaseName_ = std::move(dir);
}

std::shared_ptr<const RecordSource> TQuery::OpenRecords()
{
    std::string text = sql_.Text();
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.pop_back();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos)
        throw EDatabaseError(DisplayName() + ": No SQL statement available");
    try {
        return runLocalSql(databaseName_, text);
    } catch (const EDatabaseError& e) {
        throw EDatabaseError(DisplayName() + ": " + e.what());
    }
}

std::string QuotedSqlString(std::string_view value)
{
    std::string out = "\"";
    for (char c : value) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

void ClearTableCache()
{
    clearSqlTables();
    clearLoadedTables();
}

} // namespace db
