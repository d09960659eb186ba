#include "platform/paradox/paradox.h"
#include "tests/platform/paradox/table_helpers.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace paradox;
using tavix::testing::TempDir;

namespace {

Blob bytesOf(std::size_t n, unsigned seed)
{
    Blob b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return b;
}

std::string textOf(std::size_t n, char first)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += static_cast<char>(first + (i % 26));
    return s;
}

Table everyType()
{
    Table t;
    t.fields = {
        { "Codigo", FieldType::Alpha, 20 },
        { "Data", FieldType::Date, 4 },
        { "Curto", FieldType::Short, 2 },
        { "Longo", FieldType::Long, 4 },
        { "Preco", FieldType::Currency, 8 },
        { "Valor", FieldType::Number, 8 },
        { "Ativo", FieldType::Logical, 1 },
        { "Nota", FieldType::Memo, 20 },
        { "Dados", FieldType::Blob, 10 },
        { "Formatado", FieldType::FormattedMemo, 5 },
        { "Objeto", FieldType::Ole, 0 },
        { "Figura", FieldType::Graphic, 0 },
        { "Hora", FieldType::Time, 4 },
        { "Momento", FieldType::Timestamp, 8 },
        { "Contador", FieldType::AutoInc, 4 },
        { "Bytes", FieldType::Bytes, 6 },
    };
    t.keyFieldCount = 1;
    auto row = [&](std::string key) {
        std::vector<Value> r(t.fields.size());
        r[0] = std::move(key);
        return r;
    };
    // All blank but the key.
    t.records.push_back(row("A-blank"));
    // Ordinary values; memo and blob inside their leaders.
    auto r = row("B-values");
    r[1] = 35189.0; // 4 May 1996
    r[2] = std::int64_t { -32767 };
    r[3] = std::int64_t { 2147483647 };
    r[4] = -1234.5;
    r[5] = 0.0;
    r[6] = false;
    r[7] = std::string("short memo");
    r[8] = bytesOf(10, 1);
    r[9] = Blob { 1, 2, 3 };
    r[12] = 0.5;
    r[13] = 35189.25;
    r[14] = std::int64_t { 7 };
    r[15] = Blob { 0, 1, 2, 3, 0, 0 };
    t.records.push_back(r);
    // Blobs just past their leaders go to shared blocks of the blob file.
    r = row("C-shared");
    r[5] = -1e-300;
    r[6] = true;
    r[7] = textOf(21, 'a');
    r[8] = bytesOf(11, 2);
    r[10] = bytesOf(1, 3);
    r[11] = bytesOf(2047, 4);
    t.records.push_back(r);
    // Blobs from the threshold up get blocks of their own, also several 4 KiB long.
    r = row("D-single");
    r[5] = 1e300;
    r[7] = textOf(5000, 'A');
    r[8] = bytesOf(2048, 5);
    r[11] = bytesOf(100000, 6);
    t.records.push_back(r);
    return t;
}

Table reread(const TempDir& dir, const Table& t, const WriteOptions& o = {})
{
    writeTable(dir / "t.DB", t, o);
    return readTable(dir / "t.DB");
}

} // namespace

// Catches a field type, NULL or blob placement that does not survive writing and reading.
TEST(ParadoxRoundTrip, EveryFieldTypeAndBlobPlacement)
{
    TempDir dir;
    const Table t = everyType();
    const Table back = reread(dir, t);
    ASSERT_EQ(back.fields.size(), t.fields.size());
    EXPECT_EQ(back.keyFieldCount, 1);
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        EXPECT_EQ(back.fields[i].name, t.fields[i].name);
        EXPECT_EQ(back.fields[i].type, t.fields[i].type);
        EXPECT_EQ(back.fields[i].size, t.fields[i].size) << t.fields[i].name;
    }
    ASSERT_EQ(back.records.size(), t.records.size());
    for (std::size_t r = 0; r < t.records.size(); ++r)
        for (std::size_t f = 0; f < t.fields.size(); ++f) {
            const Value& want = t.records[r][f];
            const Value& got = back.records[r][f];
            if (t.fields[f].type == FieldType::Timestamp && std::holds_alternative<double>(want)) {
                ASSERT_TRUE(std::holds_alternative<double>(got));
                EXPECT_NEAR(std::get<double>(got), std::get<double>(want), 1e-8);
            } else {
                EXPECT_EQ(got, want) << "record " << r << " field " << t.fields[f].name;
            }
        }
    EXPECT_TRUE(std::filesystem::exists(dir / "t.MB"));
    EXPECT_TRUE(std::filesystem::exists(dir / "t.PX"));
}

// Catches empty values that come back as something other than NULL, and negative zero lost.
TEST(ParadoxRoundTrip, EmptyTextAndBlobsReadAsNull)
{
    TempDir dir;
    Table t;
    t.fields = { { "Nome", FieldType::Alpha, 5 }, { "Memo", FieldType::Memo, 1 }, { "Bin", FieldType::Blob, 0 },
        { "N", FieldType::Number, 8 } };
    t.records = { { std::string(), std::string(), Blob {}, -0.0 } };
    const Table back = reread(dir, t);
    ASSERT_EQ(back.records.size(), 1u);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(back.records[0][0]));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(back.records[0][1]));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(back.records[0][2]));
    ASSERT_TRUE(std::holds_alternative<double>(back.records[0][3]));
    EXPECT_TRUE(std::signbit(std::get<double>(back.records[0][3])));
}

// Catches records lost or reordered across block boundaries, and tables with no blocks at all.
TEST(ParadoxRoundTrip, EmptyAndManyBlockTablesKeepEveryRecordInKeyOrder)
{
    TempDir dir;
    Table empty;
    empty.fields = { { "Id", FieldType::Long, 4 } };
    empty.keyFieldCount = 1;
    EXPECT_TRUE(reread(dir, empty).records.empty());

    for (int kib : { 1, 2, 4, 16 }) {
        Table t;
        t.fields = { { "Id", FieldType::Long, 4 }, { "Nome", FieldType::Alpha, 30 }, { "Memo", FieldType::Memo, 4 } };
        t.keyFieldCount = 1;
        // Written in descending order with negative keys: the writer must sort by value.
        for (int i = 2999; i >= 0; --i)
            t.records.push_back({ std::int64_t { i - 1500 }, "part " + std::to_string(i),
                i % 3 ? Value(textOf(static_cast<std::size_t>(i % 300), 'a')) : Value() });
        WriteOptions o;
        o.blockSizeKiB = kib;
        const Table back = reread(dir, t, o);
        ASSERT_EQ(back.records.size(), 3000u) << kib;
        for (int i = 0; i < 3000; ++i) {
            ASSERT_EQ(back.records[i][0], Value(std::int64_t { i - 1500 })) << kib;
            EXPECT_EQ(back.records[i][1], Value("part " + std::to_string(i)));
            EXPECT_EQ(back.records[i][2], t.records[2999 - i][2]);
        }
    }
}

// Catches a primary index that does not lead to the data block holding each key.
TEST(ParadoxRoundTrip, PrimaryIndexLeadsToTheDataBlocks)
{
    TempDir dir;
    Table t;
    t.fields = { { "Codigo", FieldType::Alpha, 40 }, { "N", FieldType::Number, 8 } };
    t.keyFieldCount = 1;
    for (int i = 0; i < 20000; ++i)
        t.records.push_back({ "K" + std::to_string(100000 + i * 7 % 20000), double(i) });
    WriteOptions o;
    o.blockSizeKiB = 1; // many blocks and index levels
    writeTable(dir / "idx.DB", t, o);
    const auto check = testhelp::checkPrimaryIndex(dir / "idx.DB", dir / "idx.PX");
    EXPECT_EQ(check.error, "");
    EXPECT_GE(check.levels, 2);
    EXPECT_EQ(check.recordsCounted, 20000u);
}

// Catches a reader that only knows the newest header layout: tables of
// version 5 and before keep a 79-byte table name instead of 261 bytes.
TEST(ParadoxRoundTrip, ReadsTheOlderHeaderLayout)
{
    TempDir dir;
    Table t;
    t.fields = { { "Identificacao", FieldType::Alpha, 20 }, { "Vceo", FieldType::Number, 8 },
        { "Encapsulamento", FieldType::Alpha, 15 } };
    t.keyFieldCount = 1;
    t.records = { { std::string("2N3055"), 60.0, std::string("TO-3") }, { std::string("BC547B"), 45.0, Value() } };
    writeTable(dir / "new.DB", t);
    const std::string v7 = tavix::testing::readFile(dir / "new.DB");
    const std::size_t n = t.fields.size();
    const std::size_t namePos = 0x78 + 2 * n + 4 + 4 * n;
    std::string v5 = v7.substr(0, namePos) + v7.substr(namePos, 78) + '\0' + v7.substr(namePos + 261);
    v5.insert(0x800 - (261 - 79), std::string(261 - 79, '\0')); // the header block keeps its size
    v5[0x39] = 0x0A;
    tavix::testing::writeFile(dir / "old.DB", v5);
    ASSERT_EQ(v5.size(), v7.size());
    const Table back = readTable(dir / "old.DB");
    ASSERT_EQ(back.fields.size(), n);
    EXPECT_EQ(back.fields[2].name, "Encapsulamento");
    ASSERT_EQ(back.records.size(), 2u);
    EXPECT_EQ(back.records[1][0], Value("BC547B"));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(back.records[1][2]));
}

// Catches text mangled between UTF-8 and the DOS and Windows code pages.
TEST(ParadoxRoundTrip, CodePagesConvertAccentedText)
{
    TempDir dir;
    const std::string text = "Semicondutores Ltda. São Paulo ção ü ±";
    for (int cp : { 437, 850, 1252 }) {
        Table t;
        t.fields = { { "Fabricante", FieldType::Alpha, 60 }, { "Preço", FieldType::Memo, 10 } };
        std::string txt = cp == 437 ? "Fábrica Nürnberg ± ñ" : text; // 437 has no ã
        t.records = { { txt, txt + txt } };
        WriteOptions o;
        o.codePage = cp;
        const Table back = reread(dir, t, o);
        EXPECT_EQ(back.fields[1].name, "Preço") << cp;
        EXPECT_EQ(back.records[0][0], Value(txt)) << cp;
        EXPECT_EQ(back.records[0][1], Value(txt + txt)) << cp;
    }
    // A character the code page lacks is refused rather than written as something else.
    Table t;
    t.fields = { { "Nome", FieldType::Alpha, 20 } };
    t.records = { { std::string("São") } };
    WriteOptions o;
    o.codePage = 437;
    EXPECT_THROW(writeTable(dir / "bad.DB", t, o), Error);
}

// Catches values silently truncated, mistyped or duplicated keys written anyway.
TEST(ParadoxWriter, RefusesValuesThatDoNotFit)
{
    TempDir dir;
    auto attempt = [&](FieldDef f, Value v, int keys = 0) {
        Table t;
        t.fields = { f };
        t.keyFieldCount = keys;
        t.records = { { v } };
        if (keys)
            t.records.push_back({ v });
        writeTable(dir / "w.DB", t);
    };
    EXPECT_THROW(attempt({ "A", FieldType::Alpha, 3 }, std::string("abcd")), Error);
    EXPECT_THROW(attempt({ "S", FieldType::Short, 2 }, std::int64_t { 40000 }), Error);
    EXPECT_THROW(attempt({ "S", FieldType::Short, 2 }, std::int64_t { -32768 }), Error); // would read as blank
    EXPECT_THROW(attempt({ "L", FieldType::Long, 4 }, 1.5), Error);
    EXPECT_THROW(attempt({ "N", FieldType::Number, 8 }, std::string("1")), Error);
    EXPECT_THROW(attempt({ "B", FieldType::Logical, 1 }, std::int64_t { 1 }), Error);
    EXPECT_THROW(attempt({ "K", FieldType::Alpha, 5 }, std::string("x"), 1), Error);
    EXPECT_THROW(attempt({ "M", FieldType::Memo, 0 }, std::string("x")), Error);
    EXPECT_THROW(attempt({ "", FieldType::Alpha, 5 }, std::string("x")), Error);

    Table wide;
    for (int i = 0; i < 5; ++i)
        wide.fields.push_back({ "A" + std::to_string(i), FieldType::Alpha, 255 });
    WriteOptions small;
    small.blockSizeKiB = 1;
    EXPECT_THROW(writeTable(dir / "wide.DB", wide, small), Error); // a record wider than a block
    EXPECT_NO_THROW(writeTable(dir / "wide.DB", wide));
}

// Catches a failed write that damages the table already there or leaves temporary files.
TEST(ParadoxWriter, FailedWriteKeepsTheOldTable)
{
    TempDir dir;
    Table good;
    good.fields = { { "Id", FieldType::Short, 2 }, { "Memo", FieldType::Memo, 1 } };
    good.keyFieldCount = 1;
    good.records = { { std::int64_t { 1 }, std::string(3000, 'x') } };
    writeTable(dir / "keep.DB", good);
    const std::string db = tavix::testing::readFile(dir / "keep.DB");
    const std::string mb = tavix::testing::readFile(dir / "keep.MB");
    Table bad = good;
    bad.records.push_back({ std::int64_t { 2 }, std::int64_t { 5 } });
    EXPECT_THROW(writeTable(dir / "keep.DB", bad), Error);
    EXPECT_EQ(tavix::testing::readFile(dir / "keep.DB"), db);
    EXPECT_EQ(tavix::testing::readFile(dir / "keep.MB"), mb);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3); // DB, PX, MB
}
