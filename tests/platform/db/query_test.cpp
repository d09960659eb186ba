#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/db/dataset.h"
#include "platform/db/table_cache.h"
#include "platform/rtl/format.h"
#include "tests/platform/db/db_fixture.h"

using namespace dbtest;

namespace {

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db::ClearTableCache();
        dir.write("Transistores.db", transistorTable(sampleTransistors()));
        query.SetDatabaseName(dir.databaseName());
    }

    std::vector<std::string> run(const std::string& sql)
    {
        query.Close();
        query.SQL().Clear();
        query.SQL().Add(sql);
        query.Open();
        std::vector<std::string> ids;
        for (query.First(); !query.Eof(); query.Next())
            ids.push_back(query.FieldByName("Identificacao").AsString());
        return ids;
    }

    // The similar/nearest text exactly as the main window builds it.
    static std::string similar(double vceo, double ic, double pd, int percent)
    {
        auto num = [](double x) {
            std::string s = rtl::FormatFloat("####0.000", x, rtl::FormatSettings {});
            return s;
        };
        const double f = percent * 0.01 + 1;
        return "select * from transistores.db where vceo >= " + num(vceo) + " and vceo <= " + num(vceo * f)
            + " and ic >= " + num(ic) + " and ic <= " + num(ic * f) + " and pd >= " + num(pd)
            + " and pd <= " + num(pd * f);
    }

    using Ids = std::vector<std::string>;
    DataDir dir;
    db::TQuery query { "PesquisarTransistores" };
};

// Catches wrong rows or a wrong order (the engine gives key order) for the
// texts the data module and the main window run.
TEST_F(QueryTest, TheProgramsTextsGiveTheRightRowsInKeyOrder)
{
    int scrolls = 0;
    query.AfterScroll = [&](db::TDataSet&) { ++scrolls; };
    EXPECT_EQ(run("select * from transistores.db"), (Ids { "2N3055", "BC547", "BC548", "BC557", "BD139", "TIP31" }));
    EXPECT_EQ(query.FieldCount(), 7);
    EXPECT_EQ(query.Fields()[3]->FieldName(), "Vceo");
    EXPECT_EQ(query.Fields()[3]->DataType(), db::TFieldType::ftFloat);

    EXPECT_EQ(
        run("select * from transistores.db where identificacao = " + db::QuotedSqlString("BC557")), Ids { "BC557" });
    EXPECT_EQ(query.FieldByName("Polaridade").AsString(), "PNP");

    // BC547 (45 V, 0.1 A, 0.5 W) at 0 %: itself and its twin BC557.
    EXPECT_EQ(run(similar(45, 0.1, 0.5, 0)), (Ids { "BC547", "BC557" }));
    // At 100 % on the power transistor TIP31 (40 V, 3 A, 40 W): BD139 has too little Ic.
    EXPECT_EQ(run(similar(40, 3, 40, 100)), Ids { "TIP31" });
    // 400 %: 2N3055 (60 V, 15 A, 115 W) fits; numbers compare as numbers (115 < 200).
    EXPECT_EQ(run(similar(40, 3, 40, 400)), (Ids { "2N3055", "TIP31" }));
    EXPECT_EQ(run(similar(45, 0.1, 0.5, 0) + " and polaridade = " + db::QuotedSqlString("NPN")), Ids { "BC547" });
    EXPECT_EQ(run(similar(45, 0.1, 0.5, 0) + " and polaridade = " + db::QuotedSqlString("NPN")
                  + " and uso = " + db::QuotedSqlString("General")),
        Ids { "BC547" });
    EXPECT_EQ(run("SELECT * FROM TRANSISTORES.DB WHERE VCEO >= 45 AND Uso = \"General\""), (Ids { "BC547", "BC557" }));
    EXPECT_GE(scrolls, 8); // every open moves to the first row and fires
}

// Catches a part code with a double quote that breaks the statement or
// widens it to other rows.
TEST_F(QueryTest, ValuesWithQuotesMatchOnlyThemselves)
{
    auto parts = sampleTransistors();
    parts.push_back({ "X\"1", "Odd", "NPN", 1, 1, 1, "" });
    dir.write("Transistores.db", transistorTable(parts));
    EXPECT_EQ(
        run("select * from transistores.db where identificacao = " + db::QuotedSqlString("X\"1")), Ids { "X\"1" });
    EXPECT_TRUE(
        run("select * from transistores.db where identificacao = " + db::QuotedSqlString("X\" or \"1\"=\"1")).empty());
    EXPECT_TRUE(run("select * from transistores.db where identificacao = " + db::QuotedSqlString("it's")).empty());
}

// Catches the diode texts (two blanks after "and") and NULL ratings matching
// a range.
TEST_F(QueryTest, DiodeTextsAndMissingRatings)
{
    std::vector<std::vector<paradox::Value>> rows = {
        { std::string("1N4001"), 50.0, 1000.0, 3.0 },
        { std::string("1N4004"), 400.0, 1000.0, 3.0 },
        { std::string("1N4007"), 1000.0, 1000.0, std::monostate {} },
        { std::string("1N5408"), 1000.0, 3000.0, 5.0 },
    };
    dir.write("DiodosR.db",
        makeTable({ { "Identificacao", paradox::FieldType::Alpha, 20 }, { "Vr", paradox::FieldType::Number, 8 },
                      { "Io", paradox::FieldType::Number, 8 }, { "Pd", paradox::FieldType::Number, 8 } },
            1, rows));
    EXPECT_EQ(run("select * from diodosr.db where vr >= 400.000 and vr <= 1000.000 and  io >= 1000.000 and io <= "
                  "2000.000 and  pd >= 0.000 and pd <= 10.000"),
        Ids { "1N4004" });
    EXPECT_EQ(
        run("select * from diodosr.db where vr >= 400.000 and vr <= 1000.000"), (Ids { "1N4004", "1N4007", "1N5408" }));
    // Descending order asked for explicitly is kept.
    EXPECT_EQ(run("select * from diodosr.db where io >= 0 order by io desc, identificacao"),
        (Ids { "1N5408", "1N4001", "1N4004", "1N4007" }));
}

// Catches computed columns losing their names, types or values, and LIKE
// folding case unlike the old engine.
TEST_F(QueryTest, GeneralSelectsAndLike)
{
    query.SQL().Add("select identificacao, vceo * 2 as dobro, count(*) as n from transistores.db");
    query.SQL().Add("where uso like \"Gen%\" group by identificacao order by dobro desc, identificacao");
    query.Open();
    ASSERT_EQ(query.RecordCount(), 3);
    EXPECT_EQ(query.FieldByName("Identificacao").AsString(), "BC547");
    EXPECT_EQ(query.FieldByName("Identificacao").DataType(), db::TFieldType::ftString);
    EXPECT_EQ(query.FieldByName("dobro").AsFloat(), 90.0);
    EXPECT_EQ(query.FieldByName("n").AsInteger(), 1);
    query.Last();
    EXPECT_EQ(query.FieldByName("Identificacao").AsString(), "BC548");

    EXPECT_TRUE(run("select * from transistores.db where uso like \"gen%\"").empty());
}

// Catches SQL errors that do not carry the engine's text and the statement,
// missing tables that do not name the file, and statements that write.
TEST_F(QueryTest, BadStatementsRaiseClearErrors)
{
    auto message = [&](const std::string& sql) -> std::string {
        try {
            run(sql);
        } catch (const db::EDatabaseError& e) {
            return e.what();
        }
        return "no error";
    };
    std::string m = message("select * form transistores.db");
    EXPECT_NE(m.find("PesquisarTransistores"), std::string::npos) << m;
    EXPECT_NE(m.find("syntax error"), std::string::npos) << m;
    EXPECT_NE(m.find("select * form transistores.db"), std::string::npos) << m;

    m = message("select * from transistores.db where vcbo > 1");
    EXPECT_NE(m.find("vcbo"), std::string::npos) << m;

    m = message("select * from diodosz.db");
    EXPECT_NE(m.find("diodosz.db"), std::string::npos) << m;
    EXPECT_NE(m.find("does not exist"), std::string::npos) << m;

    EXPECT_NE(message("delete from transistores.db"), "no error");
    EXPECT_NE(message("select 1; select 2"), "no error");
    EXPECT_NE(message("attach database 'x.sqlite' as x"), "no error");
    EXPECT_FALSE(std::filesystem::exists("x.sqlite"));
    query.SQL().Clear();
    EXPECT_THROW(query.Open(), db::EDatabaseError);
    EXPECT_FALSE(query.Active());
    // The table still answers after the failures.
    EXPECT_EQ(run("select * from transistores.db where identificacao = \"TIP31\""), Ids { "TIP31" });
}

// Catches a query that keeps running after its SQL changed.
TEST_F(QueryTest, ChangingTheSqlClosesTheQuery)
{
    run("select * from transistores.db");
    ASSERT_TRUE(query.Active());
    query.SQL().Add("where vceo > 1");
    EXPECT_FALSE(query.Active());
}

// Catches a cache that re-reads unchanged files on every query, or keeps
// serving a file that changed.
TEST_F(QueryTest, TableDataIsReusedUntilTheFileChanges)
{
    const auto file = db::resolveTableFile(dir.databaseName(), "transistores");
    const auto first = db::loadTable(file);
    EXPECT_EQ(db::loadTable(file), first);

    EXPECT_EQ(run("select * from transistores.db where vceo >= 60"), (Ids { "2N3055", "BD139" }));
    db::TTable table("TabelaTransistores");
    table.SetDatabaseName(dir.databaseName());
    table.SetTableName("transistores");
    table.Open();
    EXPECT_EQ(db::loadTable(file), first);

    auto parts = sampleTransistors();
    parts[0].vceo = 100; // TIP31
    dir.write("Transistores.db", transistorTable(parts));
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(10));
    EXPECT_EQ(run("select * from transistores.db where vceo >= 60"), (Ids { "2N3055", "BD139", "TIP31" }));
    EXPECT_NE(db::loadTable(file), first);
    // The open table keeps the rows it opened with until it is refreshed.
    ASSERT_TRUE(table.FindKey({ "TIP31" }));
    EXPECT_EQ(table.FieldByName("Vceo").AsFloat(), 40.0);
    table.Refresh();
    EXPECT_EQ(table.FieldByName("Vceo").AsFloat(), 100.0);
}

} // namespace
