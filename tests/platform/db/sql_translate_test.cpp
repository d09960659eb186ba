#include <gtest/gtest.h>

#include "platform/db/dataset.h"
#include "platform/db/sql_translate.h"

namespace {

std::string translate(const std::string& sql)
{
    const db::ParsedSql p = db::parseLocalSql(sql);
    std::vector<std::string> names;
    for (const auto& t : p.tables)
        names.push_back("T:" + t.fileName);
    return db::toSqlite(p, names);
}

// Catches double-quoted literals read as SQLite identifiers (which would
// compare a column with itself) and table files that are not mapped.
TEST(SqlTranslate, LiteralsAndTableFilesOfTheProgramsTexts)
{
    EXPECT_EQ(translate("select * from transistores.db where identificacao = \"BC547\""),
        "select * from \"T:transistores.db\" AS \"transistores\" where identificacao = 'BC547'");
    EXPECT_EQ(translate("select * from diodosr.db where vr >= 1.000 and vr <= 1.100 and  io >= 2.000"),
        "select * from \"T:diodosr.db\" AS \"diodosr\" where vr >= 1.000 and vr <= 1.100 and  io >= 2.000");
    EXPECT_EQ(translate("SELECT * FROM Transistores.DB WHERE Polaridade = \"NPN\""),
        "SELECT * FROM \"T:Transistores.DB\" AS \"Transistores\" WHERE Polaridade = 'NPN'");
}

// Catches a quote inside a value that ends the literal early or changes
// the statement.
TEST(SqlTranslate, QuotedValuesStayOneLiteral)
{
    EXPECT_EQ(db::QuotedSqlString("BC547"), "\"BC547\"");
    EXPECT_EQ(db::QuotedSqlString("12\" rack"), "\"12\"\" rack\"");
    const std::string evil = "X\" or \"1\"=\"1";
    EXPECT_EQ(translate("select * from t.db where a = " + db::QuotedSqlString(evil)),
        "select * from \"T:t.db\" AS \"t\" where a = 'X\" or \"1\"=\"1'");
    EXPECT_EQ(
        translate("select * from t.db where a = \"it's\""), "select * from \"T:t.db\" AS \"t\" where a = 'it''s'");
    EXPECT_EQ(
        translate("select * from t.db where a = 'single'"), "select * from \"T:t.db\" AS \"t\" where a = 'single'");
    EXPECT_THROW(db::parseLocalSql("select * from t.db where a = \"open"), db::EDatabaseError);
}

// Catches aliases, quoted table names and quoted column names handled the
// wrong way round.
TEST(SqlTranslate, AliasesJoinsAndQuotedNames)
{
    EXPECT_EQ(translate("select t.\"Tipo de uso\" from \"transistores.db\" t"),
        "select t.\"Tipo de uso\" from \"T:transistores.db\" t");
    EXPECT_EQ(translate("select a.x from a.db as a join b.db on a.k = b.k"),
        "select a.x from \"T:a.db\" as a join \"T:b.db\" AS \"b\" on a.k = b.k");
    EXPECT_EQ(translate("select a.x from a.db a, reparos where a.k = reparos.k"),
        "select a.x from \"T:a.db\" a, \"T:reparos\" AS \"reparos\" where a.k = reparos.k");
    EXPECT_EQ(translate("select count(*) from (select * from x.db) where y = \"from\""),
        "select count(*) from (select * from \"T:x.db\" AS \"x\") where y = 'from'");
}

// Catches whole-row queries not recognised (slow path) or recognised where
// the rows are not table rows (wrong results).
TEST(SqlTranslate, WholeRowQueriesAreRecognised)
{
    auto p = db::parseLocalSql("select * from transistores.db");
    EXPECT_TRUE(p.wholeRows);
    EXPECT_TRUE(p.everyRow);
    p = db::parseLocalSql("select * from transistores.db t where t.vceo > 1 order by vceo");
    EXPECT_TRUE(p.wholeRows);
    EXPECT_FALSE(p.everyRow);
    EXPECT_EQ(db::toSqlite(p, { "pdx" }, "rowid"), "select rowid from \"pdx\" t where t.vceo > 1 order by vceo");
    // One table without an order of its own comes in key (row id) order.
    p = db::parseLocalSql("select x, y from a.db where x > 1;");
    EXPECT_FALSE(p.wholeRows);
    EXPECT_TRUE(p.keyOrder);
    EXPECT_EQ(db::toSqlite(p, { "pdx" }, "oid"), "select x, y from \"pdx\" AS \"a\" where x > 1\nORDER BY oid;");
    p = db::parseLocalSql("select * from a.db where x = 1 -- note");
    EXPECT_EQ(
        db::toSqlite(p, { "pdx" }, "rowid"), "select rowid from \"pdx\" AS \"a\" where x = 1 -- note\nORDER BY rowid");
    EXPECT_FALSE(db::parseLocalSql("select count(*) from (select * from a.db)").keyOrder);
    EXPECT_FALSE(db::parseLocalSql("select * from a.db limit 3").keyOrder);
    EXPECT_FALSE(db::parseLocalSql("select distinct * from a.db").wholeRows);
    EXPECT_FALSE(db::parseLocalSql("select * from a.db, b.db").wholeRows);
    EXPECT_FALSE(db::parseLocalSql("select * from a.db group by x").wholeRows);
    EXPECT_FALSE(db::parseLocalSql("select x from a.db").wholeRows);
}

} // namespace
