#include "platform/paradox/paradox.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace paradox;
using tavix::testing::readFile;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

namespace {

// A keyed table with several data blocks and blobs in every place they can live.
Table sample()
{
    Table t;
    t.fields = { { "Codigo", FieldType::Alpha, 12 }, { "Valor", FieldType::Number, 8 }, { "Qtd", FieldType::Short, 2 },
        { "Nota", FieldType::Memo, 8 }, { "Figura", FieldType::Blob, 4 }, { "Dia", FieldType::Date, 4 } };
    t.keyFieldCount = 1;
    for (int i = 0; i < 90; ++i) {
        std::string memo(static_cast<std::size_t>(i % 3 == 0 ? 5 : i % 3 == 1 ? 100 + i : 2100 + i), 'a' + i % 26);
        Blob pic(static_cast<std::size_t>(i % 2 ? 3 : 600 + 50 * i), static_cast<std::uint8_t>(i));
        t.records.push_back({ "P" + std::to_string(1000 + i), i * 1.5, std::int64_t { i }, memo, pic, 30000.0 + i });
    }
    return t;
}

std::string messageOf(const std::filesystem::path& file)
{
    try {
        readTable(file);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

// Rewrites a file in place. Truncating to zero first makes some file systems
// flush on close, which slows a loop of thousands of rewrites to a crawl.
void overwrite(const std::filesystem::path& file, const std::string& bytes)
{
    if (!std::filesystem::exists(file)) {
        writeFile(file, bytes);
        return;
    }
    std::FILE* f = std::fopen(file.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    std::filesystem::resize_file(file, bytes.size());
}

void setU16(std::string& s, std::size_t at, unsigned v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

} // namespace

// Catches damaged tables that crash, hang or fail without saying which file is bad.
TEST(ParadoxDamage, BrokenFilesGiveAnErrorNamingTheFile)
{
    TempDir dir;
    const auto db = dir / "parts.DB";
    writeTable(db, sample(), { 1252, 1, "" });
    const std::string good = readFile(db);
    const std::string mb = readFile(dir / "parts.MB");

    EXPECT_NE(messageOf(dir / "none.DB").find("none.DB"), std::string::npos);

    writeFile(db, "just some text, not a table");
    EXPECT_NE(messageOf(db).find("parts.DB"), std::string::npos);

    writeFile(db, good.substr(0, 100));
    EXPECT_NE(messageOf(db).find("parts.DB"), std::string::npos);

    // Cut inside the data blocks: the chain runs off the end.
    writeFile(db, good.substr(0, good.size() - 700));
    EXPECT_NE(messageOf(db).find("beyond the end"), std::string::npos);

    // The second block leads back to the first.
    std::string loop = good;
    const std::size_t header = static_cast<unsigned char>(good[2]) | (static_cast<unsigned char>(good[3]) << 8);
    setU16(loop, header + 1024, 1);
    writeFile(db, loop);
    EXPECT_NE(messageOf(db).find("loops"), std::string::npos);

    // The chain ends early: the records of the later blocks would be lost unseen.
    std::string cut = good;
    setU16(cut, header, 0);
    writeFile(db, cut);
    EXPECT_NE(messageOf(db).find("records but the data blocks hold"), std::string::npos);

    // Record size that does not match the fields.
    std::string size = good;
    setU16(size, 0, 7);
    writeFile(db, size);
    EXPECT_NE(messageOf(db).find("record size"), std::string::npos);

    // Blob file missing or cut short: the table still reads; the blobs that
    // live there are NULL and listed as damaged, naming the blob file, and
    // every other value is intact.
    writeFile(db, good);
    const Table whole = readTable(db);
    EXPECT_TRUE(whole.damaged.empty());
    for (const bool cut : { false, true }) {
        if (cut)
            writeFile(dir / "parts.MB", mb.substr(0, mb.size() / 2));
        else
            std::filesystem::remove(dir / "parts.MB");
        const Table t = readTable(db);
        ASSERT_EQ(t.records.size(), 90u);
        ASSERT_FALSE(t.damaged.empty());
        for (const DamagedValue& d : t.damaged) {
            EXPECT_NE(d.what.find("parts.MB"), std::string::npos) << d.what;
            EXPECT_TRUE(std::holds_alternative<std::monostate>(t.records[d.record][d.field]));
            EXPECT_EQ(t.damage(d.record, d.field), &d);
        }
        for (std::size_t r = 0; r < t.records.size(); ++r)
            for (std::size_t f = 0; f < t.fields.size(); ++f)
                if (!t.damage(r, static_cast<int>(f))) {
                    EXPECT_EQ(t.records[r][f], whole.records[r][f]) << r << "," << f;
                }
    }

    writeFile(dir / "parts.MB", mb);
    EXPECT_EQ(readTable(db).records.size(), 90u);
    EXPECT_TRUE(readTable(db).damaged.empty());
}

// Catches any damage that escapes as a crash, a foreign exception, an endless
// loop or a huge allocation: each mutated table either reads or throws Error.
TEST(ParadoxDamage, MutatedFilesOnlyEverThrowError)
{
    TempDir dir;
    const auto db = dir / "fuzz.DB";
    const auto mbFile = dir / "fuzz.MB";
    writeTable(db, sample(), { 850, 1, "" });
    const std::string good = readFile(db);
    const std::string mb = readFile(mbFile);
    std::mt19937 rng(20261208);
    auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng); };

    int errors = 0, reads = 0;
    std::string onDiskDb, onDiskMb; // rewrite only what changed: the blob file is the bulk
    auto attempt = [&](const std::string& dbBytes, const std::string& mbBytes, const std::string& what) {
        if (dbBytes != onDiskDb)
            overwrite(db, onDiskDb = dbBytes);
        if (mbBytes != onDiskMb)
            overwrite(mbFile, onDiskMb = mbBytes);
        try {
            const Table t = readTable(db);
            ++reads;
            EXPECT_LE(t.records.size(), 1000u) << what;
            for (const DamagedValue& d : t.damaged) {
                EXPECT_LT(d.record, t.records.size()) << what;
                EXPECT_NE(d.what.find("fuzz."), std::string::npos) << what;
            }
        } catch (const Error& e) {
            ++errors;
            EXPECT_NE(std::string(e.what()).find("fuzz."), std::string::npos) << what;
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << e.what();
        }
    };

    for (int round = 0; round < 1500; ++round) {
        std::string d = good;
        const int flips = 1 + static_cast<int>(pick(8));
        // Header bytes are the densest in meaning, so half the flips go there.
        for (int k = 0; k < flips; ++k) {
            const std::size_t at = round % 2 ? pick(0x200) : pick(d.size());
            d[at] = static_cast<char>(d[at] ^ (1 << pick(8)));
        }
        attempt(d, mb, "db bit flips, round " + std::to_string(round));
    }
    for (int round = 0; round < 600; ++round) {
        std::string m = mb;
        for (int k = 0; k < 1 + static_cast<int>(pick(6)); ++k) {
            const std::size_t at = pick(m.size());
            m[at] = static_cast<char>(m[at] ^ (1 << pick(8)));
        }
        attempt(good, m, "mb bit flips, round " + std::to_string(round));
    }
    for (std::size_t cut = 0; cut < good.size(); cut += 97)
        attempt(good.substr(0, cut), mb, "db cut at " + std::to_string(cut));
    for (std::size_t cut = 0; cut < mb.size(); cut += 331)
        attempt(good, mb.substr(0, cut), "mb cut at " + std::to_string(cut));
    // Block links and header counts set to values that point anywhere.
    const std::size_t header = static_cast<unsigned char>(good[2]) | (static_cast<unsigned char>(good[3]) << 8);
    const unsigned nasty[] = { 0, 1, 2, 3, 0x7FFF, 0x8000, 0xFFFF };
    for (std::size_t block = 0; (block + 1) * 1024 + header <= good.size(); ++block)
        for (unsigned v : nasty)
            for (std::size_t field : { 0u, 4u }) {
                std::string d = good;
                setU16(d, header + block * 1024 + field, v);
                attempt(d, mb, "block " + std::to_string(block + 1) + " word " + std::to_string(field));
            }
    for (std::size_t at : { 0x00u, 0x02u, 0x06u, 0x08u, 0x0Eu, 0x21u, 0x23u, 0x6Au })
        for (unsigned v : nasty) {
            std::string d = good;
            setU16(d, at, v);
            attempt(d, mb, "header word " + std::to_string(at));
        }
    // Blob pointers of records overwritten with arbitrary values.
    for (int round = 0; round < 400; ++round) {
        std::string d = good;
        // Records are 58 bytes: the memo's tail starts at 30, the picture's at 44.
        const std::size_t record = header + 6 + pick(17) * 58;
        const std::size_t tail = record + (round % 2 ? 30 : 44);
        for (std::size_t k = 0; k < 8; ++k)
            d[tail + k] = static_cast<char>(pick(256));
        attempt(d, mb, "blob pointer, round " + std::to_string(round));
    }
    EXPECT_GT(errors, 100);
    EXPECT_GT(reads, 10);
}
