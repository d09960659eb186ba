#include <gtest/gtest.h>

#include <random>

#include "platform/db/dataset.h"
#include "tests/platform/db/db_fixture.h"

using namespace dbtest;

namespace {

std::vector<std::string> ids(db::TQuery& q, const std::string& sql)
{
    q.Close();
    q.SQL().Clear();
    q.SQL().Add(sql);
    q.Open();
    std::vector<std::string> out;
    for (q.First(); !q.Eof(); q.Next())
        out.push_back(q.FieldByName("Identificacao").AsString() + "|" + q.FieldByName("Uso").AsString());
    return out;
}

// The search narrows rows itself before SQLite sees them. Catches a
// narrowing that drops rows SQLite would have kept (bounds off by one,
// NULLs, key ranges, numbers against text): each WHERE must give the same
// rows as the same WHERE with every column behind a unary "+", which SQLite
// evaluates entirely on its own.
TEST(SqlFilter, NarrowedSearchesAgreeWithSqliteAlone)
{
    db::ClearTableCache();
    DataDir dir;
    std::mt19937 rng(7);
    std::vector<Transistor> parts;
    const char* uses[] = { "General", "Power", "Driver", "RF", "" };
    for (int i = 0; i < 400; ++i) {
        Transistor t;
        t.id = std::string(1, static_cast<char>('A' + rng() % 6)) + std::to_string(rng() % 1000) + "_"
            + std::to_string(i);
        t.uso = uses[rng() % 5];
        t.polaridade = rng() % 2 ? "NPN" : "PNP";
        t.vceo = rng() % 9 == 0 ? -1 : static_cast<double>(rng() % 50); // -1: NULL
        t.ic = (rng() % 2000) / 1000.0;
        t.pd = rng() % 7 == 0 ? -1 : (rng() % 100) / 4.0;
        parts.push_back(t);
    }
    dir.write("transistores.db", transistorTable(parts));
    db::TQuery q("Q");
    q.SetDatabaseName(dir.databaseName());

    const std::vector<std::string> wheres = {
        "vceo >= 10 and vceo <= 20",
        "vceo = 25",
        "vceo > 49 or vceo < 1",
        "vceo >= 10.000 and vceo <= 10.000 and ic >= 0.5 and ic <= 1.500 and pd >= 2.5 and pd <= 20",
        "pd < 3 and polaridade = \"PNP\"",
        "identificacao = \"C5_0\" or identificacao > \"F9\"",
        "identificacao >= \"B\" and identificacao < \"C\" and vceo >= 30",
        "identificacao <= \"A500\" and uso = \"Power\"",
        "uso > \"General\" and uso <= \"RF\"",
        "identificacao = 5",
        "vceo between 5 and 7",
        "vceo in (1, 2, 3) and ic >= 1",
        "pd is null and vceo <= 3",
    };
    for (const std::string& where : wheres) {
        std::string plain = where;
        for (const char* col : { "vceo", "ic", "pd", "identificacao", "uso", "polaridade" }) {
            std::string out;
            const std::string c = col;
            for (std::size_t i = 0; i < plain.size();) {
                if (plain.compare(i, c.size(), c) == 0 && (i == 0 || plain[i - 1] == ' ' || plain[i - 1] == '(')) {
                    out += "+" + c;
                    i += c.size();
                } else {
                    out += plain[i++];
                }
            }
            plain = out;
        }
        const auto narrowed = ids(q, "select * from transistores.db where " + where);
        const auto alone = ids(q, "select * from transistores.db where " + plain);
        EXPECT_EQ(narrowed, alone) << where << " vs " << plain;
    }
    EXPECT_FALSE(ids(q, "select * from transistores.db where vceo >= 10 and vceo <= 20").empty());
    // A number written as text still compares as a number with a number field.
    EXPECT_EQ(ids(q, "select * from transistores.db where vceo >= \"30\""),
        ids(q, "select * from transistores.db where vceo >= 30"));
}

// Catches joins (a column compared with another table's column) losing rows.
TEST(SqlFilter, JoinsBetweenTwoTables)
{
    db::ClearTableCache();
    DataDir dir;
    dir.write("transistores.db", transistorTable(sampleTransistors()));
    dir.write("graficos.db",
        makeTable({ { "Identificacao", paradox::FieldType::Alpha, 20 }, { "Largura", paradox::FieldType::Number, 8 } },
            1, { { std::string("TO-126"), 8.0 }, { std::string("TO-3"), 40.0 }, { std::string("TO-92"), 5.0 } }));
    db::TQuery q("Q");
    q.SetDatabaseName(dir.databaseName());
    q.SQL().Add("select t.identificacao, g.largura from transistores.db t join graficos.db g");
    q.SQL().Add("on g.identificacao = t.encapsulamento where g.largura >= 5 order by t.identificacao");
    q.Open();
    std::vector<std::string> rows;
    for (; !q.Eof(); q.Next())
        rows.push_back(q.Field(0).AsString() + "=" + q.Field(1).AsString());
    EXPECT_EQ(rows, (std::vector<std::string> { "2N3055=40", "BC547=5", "BC548=5", "BC557=5", "BD139=8" }));
}

} // namespace
