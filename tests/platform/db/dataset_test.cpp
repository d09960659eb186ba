#include <gtest/gtest.h>

#include <fstream>

#include "platform/db/dataset.h"
#include "tests/platform/db/db_fixture.h"

using namespace dbtest;
using db::TDataEvent;

namespace {

class TableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db::ClearTableCache();
        dir.write("transistores.DB", transistorTable(sampleTransistors()));
        table.SetDatabaseName(dir.databaseName());
        table.SetTableName("Transistores.db");
        table.AfterScroll = [this](db::TDataSet& ds) {
            ++scrolls;
            scrolledTo.push_back(ds.FieldByName("Identificacao").AsString());
        };
    }

    std::string id() { return table.FieldByName("Identificacao").AsString(); }

    DataDir dir;
    db::TTable table { "TabelaTransistores" };
    int scrolls = 0;
    std::vector<std::string> scrolledTo;
};

// Catches a cursor that leaves key order, a wrong Eof/Bof, or AfterScroll
// firing on moves that do not change the record (or not firing on Open/First).
TEST_F(TableTest, CursorWalksKeyOrderAndFiresAfterScrollOnRealMoves)
{
    table.Open();
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(id(), "2N3055");
    EXPECT_TRUE(table.Bof());
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.RecordCount(), 6);

    std::vector<std::string> order;
    for (table.First(); !table.Eof(); table.Next())
        order.push_back(id());
    EXPECT_EQ(order, (std::vector<std::string> { "2N3055", "BC547", "BC548", "BC557", "BD139", "TIP31" }));
    // First fires; five real moves fire; the Next on the last record only sets Eof.
    EXPECT_EQ(scrolls, 1 + 1 + 5);

    scrolls = 0;
    table.Next();
    table.MoveBy(0);
    table.SetRecNo(table.RecNo());
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(table.RecNo(), 6);

    table.First();
    table.First(); // the old engine re-positions and fires again
    table.Prior();
    EXPECT_EQ(scrolls, 2);
    EXPECT_TRUE(table.Bof());

    EXPECT_EQ(table.MoveBy(10), 5);
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(id(), "TIP31");
    EXPECT_EQ(table.MoveBy(-2), -2);
    EXPECT_EQ(id(), "BC557");
    table.SetRecNo(2);
    EXPECT_EQ(id(), "BC547");
    table.Last();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(scrolls, 6);
}

// Catches an empty table that crashes on open or reads garbage.
TEST_F(TableTest, EmptyTableOpensFiresOnceAndReadsNull)
{
    dir.write("vazia.db", transistorTable({}));
    db::TTable empty("Vazia");
    int fired = 0;
    empty.AfterScroll = [&](db::TDataSet&) { ++fired; };
    empty.SetDatabaseName(dir.databaseName());
    empty.SetTableName("vazia");
    empty.Open();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.Eof() && empty.Bof());
    EXPECT_EQ(empty.RecNo(), 0);
    EXPECT_EQ(empty.FieldByName("Vceo").AsFloat(), 0.0);
    EXPECT_TRUE(empty.FieldByName("Identificacao").IsNull());
    empty.Next();
    EXPECT_EQ(fired, 1);
    empty.FindNearest({ "BC" });
    EXPECT_EQ(empty.RecNo(), 0);
}

// Catches key searches that miss the nearest key, fold case, or move the
// cursor when an exact search fails.
TEST_F(TableTest, FindKeyAndFindNearestFollowThePrimaryIndex)
{
    table.Open();
    scrolls = 0;
    EXPECT_TRUE(table.FindKey({ "BD139" }));
    EXPECT_EQ(id(), "BD139");
    EXPECT_EQ(scrolls, 1);

    EXPECT_FALSE(table.FindKey({ "BC5" })); // exact: a prefix is not a match
    EXPECT_EQ(id(), "BD139");
    EXPECT_EQ(scrolls, 1);

    table.FindNearest({ "BC5" });
    EXPECT_EQ(id(), "BC547");
    table.FindNearest({ "BC549" });
    EXPECT_EQ(id(), "BC557");
    table.FindNearest({ "0" }); // before the first key
    EXPECT_EQ(id(), "2N3055");
    EXPECT_FALSE(table.Eof());
    table.FindNearest({ "" }); // an empty quick-search box goes to the first record
    EXPECT_EQ(table.RecNo(), 1);
    table.FindNearest({ "ZZZ" }); // after the last key: last record, Eof
    EXPECT_EQ(id(), "TIP31");
    EXPECT_TRUE(table.Eof());
    // ASCII order: small letters sort after every capital.
    table.FindNearest({ "bc547" });
    EXPECT_EQ(id(), "TIP31");
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(scrolls, 1 + 6);

    // The key-editing path the picture lookup uses.
    table.SetKey();
    EXPECT_EQ(table.State(), db::TDataSetState::dsSetKey);
    table.FieldByName("Identificacao").SetAsString("2N3055");
    EXPECT_EQ(table.FieldByName("Identificacao").AsString(), "2N3055"); // reads the key buffer
    EXPECT_TRUE(table.GotoKey());
    EXPECT_EQ(table.State(), db::TDataSetState::dsBrowse);
    EXPECT_EQ(table.RecNo(), 1);

    table.SetKey();
    EXPECT_THROW(table.FieldByName("Uso").SetAsString("x"), db::EDatabaseError); // not a key field
    table.Cancel();
    EXPECT_THROW(table.FieldByName("Identificacao").SetAsString("x"), db::EDatabaseError); // not in key state
    EXPECT_THROW(table.GotoKey(), db::EDatabaseError);
}

// Catches number keys searched as text ("10" between "1" and "2").
TEST(TableKeys, NumberKeysCompareByValue)
{
    db::ClearTableCache();
    DataDir dir;
    std::vector<std::vector<paradox::Value>> rows;
    for (double k : { 100.0, 2.0, 10.0, 9.5 })
        rows.push_back({ k, std::string("n") + std::to_string(static_cast<int>(k)) });
    dir.write("numeros.db",
        makeTable({ { "Numero", paradox::FieldType::Number, 8 }, { "Nome", paradox::FieldType::Alpha, 10 } }, 1, rows));
    db::TTable t("Numeros");
    t.SetDatabaseName(dir.databaseName());
    t.SetTableName("numeros");
    t.Open();
    EXPECT_EQ(t.FieldByName("Numero").AsFloat(), 2.0);
    t.FindNearest({ "9.6" });
    EXPECT_EQ(t.FieldByName("Numero").AsFloat(), 10.0);
    EXPECT_TRUE(t.FindKey({ "100" }));
    EXPECT_EQ(t.FieldByName("Nome").AsString(), "n100");
    EXPECT_THROW(t.FindKey({ "abc" }), db::EDatabaseError);
}

// Catches fields that read NULL as garbage, lose blob bytes, or dangle
// after the dataset closes and opens again.
TEST_F(TableTest, FieldsReadValuesNullsAndBlobs)
{
    auto parts = sampleTransistors();
    parts.push_back({ "MJ2955", "", "PNP", 60, -1, 115, "" }); // Ic not given
    dir.write("transistores.DB", transistorTable(parts));
    table.Open();
    ASSERT_TRUE(table.FindKey({ "MJ2955" }));
    db::TField& ic = table.FieldByName("IC"); // names ignore case
    EXPECT_TRUE(ic.IsNull());
    EXPECT_EQ(ic.AsFloat(), 0.0);
    EXPECT_EQ(ic.AsString(), "");
    EXPECT_EQ(table.FieldByName("Uso").AsString(), "");
    EXPECT_EQ(table.FieldByName("Pd").AsInteger(), 115);
    EXPECT_EQ(table.FieldByName("Pd").DisplayText(), "115");
    EXPECT_EQ(ic.DataType(), db::TFieldType::ftFloat);

    ASSERT_TRUE(table.FindKey({ "BD139" }));
    EXPECT_EQ(table.FieldByName("Pd").AsString(), "12.5");
    EXPECT_EQ(table.FieldByName("Pd").AsInteger(), 12); // halves to even
    EXPECT_EQ(table.FieldByName("Encapsulamento").AsStringAt(table.RecordCount()), " TO-220 ");
    EXPECT_EQ(table.FieldByName("Vceo").AsFloatAt(1), 60.0);

    table.Close();
    EXPECT_TRUE(ic.IsNull()); // still a valid object, reads as NULL
    EXPECT_THROW(table.FieldByName("Ic"), db::EDatabaseError);
    table.Open();
    EXPECT_EQ(&table.FieldByName("Ic"), &ic);
    EXPECT_EQ(ic.AsFloat(), 15.0);

    // Pictures: blob bytes larger than the record's leader come back whole.
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    dir.write("Graficos.db",
        makeTable({ { "Identificacao", paradox::FieldType::Alpha, 20 }, { "Figura", paradox::FieldType::Blob, 10 } }, 1,
            { { std::string("TO-92"), paradox::Blob(bytes) }, { std::string("vazio"), std::monostate {} } }));
    db::TTable graficos("TabelaGraficos");
    graficos.SetReadOnly(true);
    graficos.SetDatabaseName(dir.databaseName());
    graficos.SetTableName("Graficos.db");
    graficos.Open();
    ASSERT_TRUE(graficos.FindKey({ "TO-92" }));
    EXPECT_EQ(graficos.FieldByName("Figura").AsBytes(), bytes);
    EXPECT_EQ(graficos.FieldByName("Figura").DisplayText(), "(BLOB)");
    ASSERT_TRUE(graficos.FindKey({ "vazio" }));
    EXPECT_TRUE(graficos.FieldByName("Figura").AsBytes().empty());
    graficos.First();
    EXPECT_THROW(graficos.FieldByName("Figura").AsFloat(), db::EDatabaseError);
}

// Catches a rating stored as text that silently reads as 0 instead of failing.
TEST(TableFields, TextThatIsNoNumberRaisesNamingTheField)
{
    db::ClearTableCache();
    DataDir dir;
    dir.write("diodosz.db",
        makeTable(
            { { "Identificacao", paradox::FieldType::Alpha, 20 }, { "Tolerancia", paradox::FieldType::Alpha, 5 } }, 1,
            { { std::string("1N4733"), std::string("-") }, { std::string("1N4734"), std::string(" 5 ") } }));
    db::TTable t("TabelaDiodosZ");
    t.SetDatabaseName(dir.databaseName());
    t.SetTableName("diodosz.db");
    t.Open();
    try {
        t.FieldByName("Tolerancia").AsFloat();
        FAIL() << "no error";
    } catch (const db::EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Tolerancia"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("TabelaDiodosZ"), std::string::npos);
    }
    t.Next();
    EXPECT_EQ(t.FieldByName("Tolerancia").AsFloat(), 5.0);
}

// Catches views that are not told about opening, scrolling and closing, or
// that are called after they unregistered.
TEST_F(TableTest, LinksHearOpenScrollCloseAndUnregister)
{
    std::vector<TDataEvent> events;
    auto link = std::make_unique<db::TDataLink>(&table, [&](TDataEvent e) { events.push_back(e); });
    std::vector<TDataEvent> seenByHandler;
    table.AfterScroll = [&](db::TDataSet&) { seenByHandler = events; };
    table.Open();
    // Views are told first, then AfterScroll runs.
    EXPECT_EQ(seenByHandler, std::vector<TDataEvent> { TDataEvent::deOpened });
    table.Next();
    table.MoveBy(0);
    table.Close();
    EXPECT_EQ(events, (std::vector<TDataEvent> { TDataEvent::deOpened, TDataEvent::deScrolled, TDataEvent::deClosed }));

    link.reset();
    table.Open(); // no call into the destroyed link
    EXPECT_EQ(events.size(), 3u);

    db::TDataLink survivor;
    {
        db::TTable shortLived("x");
        survivor.SetDataSet(&shortLived);
        EXPECT_EQ(survivor.DataSet(), &shortLived);
    }
    EXPECT_EQ(survivor.DataSet(), nullptr);
}

// Catches errors that do not say which file or field is wrong, and
// operations on a dataset in the wrong state.
TEST_F(TableTest, ErrorsNameTheFileTableAndField)
{
    db::TTable missing("TabelaBDR");
    missing.SetDatabaseName(dir.databaseName());
    missing.SetTableName("Reparos.db");
    try {
        missing.Open();
        FAIL() << "no error";
    } catch (const db::EDatabaseError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("TabelaBDR"), std::string::npos);
        EXPECT_NE(m.find("Reparos.db"), std::string::npos);
        EXPECT_NE(m.find("does not exist"), std::string::npos);
    }
    EXPECT_FALSE(missing.Active());

    {
        std::ofstream out(dir.file("diodosr.db"), std::ios::binary);
        out << "this is not a table at all";
    }
    db::TTable corrupt("TabelaDiodosR");
    corrupt.SetDatabaseName(dir.databaseName());
    corrupt.SetTableName("DiodosR.db");
    try {
        corrupt.Open();
        FAIL() << "no error";
    } catch (const db::EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("diodosr.db"), std::string::npos) << e.what();
    }

    table.Open();
    try {
        table.FieldByName("Vcbo");
        FAIL() << "no error";
    } catch (const db::EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "TabelaTransistores: Field 'Vcbo' not found");
    }
    EXPECT_THROW(table.Field(7), db::EDatabaseError);
    EXPECT_THROW(table.SetTableName("other.db"), db::EDatabaseError);
    EXPECT_THROW(table.SetDatabaseName("/"), db::EDatabaseError);
    table.Close();
    EXPECT_THROW(table.Next(), db::EDatabaseError);
}

// Catches a reopened table that keeps showing the old file, and a refresh
// that loses the user's place.
TEST_F(TableTest, RefreshReadsTheChangedFileAndKeepsTheKey)
{
    table.Open();
    ASSERT_TRUE(table.FindKey({ "BC557" }));
    std::vector<TDataEvent> events;
    db::TDataLink link(&table, [&](TDataEvent e) { events.push_back(e); });

    table.Refresh(); // unchanged file: nothing happens
    EXPECT_TRUE(events.empty());

    auto parts = sampleTransistors();
    parts.push_back({ "BC550", "Low noise", "NPN", 45, 0.1, 0.5, "TO-92" });
    parts.push_back({ "BC107", "General", "NPN", 45, 0.1, 0.3, "TO-18" });
    dir.write("transistores.DB", transistorTable(parts));
    std::filesystem::last_write_time(
        dir.file("transistores.DB"), std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    table.Refresh();
    EXPECT_EQ(events, std::vector<TDataEvent> { TDataEvent::deDataChanged });
    EXPECT_EQ(table.RecordCount(), 8);
    EXPECT_EQ(id(), "BC557");
    EXPECT_EQ(table.RecNo(), 6);
}

} // namespace
