#include "platform/paradox/paradox.h"
#include "tests/support/temp_dir.h"
#include "tools/sampledata.h"
#include "tools/samplepictures.h"
#include "tools/sampleproduct.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

using namespace paradox;
using tavix::testing::readFile;
using tavix::testing::TempDir;

namespace {

std::string trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

const std::string& str(const Value& v)
{
    static const std::string empty;
    auto p = std::get_if<std::string>(&v);
    return p ? *p : empty;
}

double number(const Value& v)
{
    return std::holds_alternative<double>(v) ? std::get<double>(v) : 0;
}

} // namespace

// Catches sample tables that do not read back as generated, under the file
// names the program opens.
TEST(SampleProduct, TablesReadBackExactly)
{
    TempDir dir;
    sampledata::writeSampleProduct(dir.path());
    const std::pair<const char*, Table> expected[] = {
        { "transistores.DB", sampledata::transistors() },
        { "diodosr.DB", sampledata::rectifiers() },
        { "diodosz.DB", sampledata::zeners() },
        { "Reparos.DB", sampledata::repairs() },
        { "graficos.DB", sampledata::pictures() },
    };
    for (const auto& [name, want] : expected) {
        const Table got = readTable(dir / "data" / name);
        ASSERT_EQ(got.fields.size(), want.fields.size()) << name;
        for (std::size_t i = 0; i < got.fields.size(); ++i) {
            EXPECT_EQ(got.fields[i].name, want.fields[i].name) << name;
            EXPECT_EQ(got.fields[i].type, want.fields[i].type) << name;
        }
        EXPECT_EQ(got.keyFieldCount, want.keyFieldCount) << name;
        // Stored in key order, so compare as sets of records.
        auto sortedRecords = [](std::vector<std::vector<Value>> r) {
            std::sort(r.begin(), r.end());
            return r;
        };
        EXPECT_EQ(sortedRecords(got.records.rows()), sortedRecords(want.records.rows())) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "transistores.PX"));
    EXPECT_TRUE(std::filesystem::exists(dir / "data" / "graficos.MB"));
    EXPECT_EQ(readFile(dir / "library" / "readme.rtf").rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(readFile(dir / "Help" / "visao_geral.html").find("</html>"), std::string::npos);
}

// Catches sample data that lost the rows the searches and picture lookups must cope with.
TEST(SampleProduct, HoldsTheAwkwardRows)
{
    const Table tr = sampledata::transistors();
    const Table dr = sampledata::rectifiers();
    const Table dz = sampledata::zeners();
    EXPECT_GE(tr.records.size(), 40u);
    EXPECT_LE(tr.records.size(), 80u);
    EXPECT_GE(dr.records.size(), 20u);
    EXPECT_LE(dr.records.size(), 40u);
    EXPECT_GE(dz.records.size(), 30u);
    EXPECT_LE(dz.records.size(), 50u);

    // The searched ratings are numbers.
    for (auto [t, names] : { std::pair { &tr, std::vector<const char*> { "Vceo", "Ic", "Pd" } },
             std::pair { &dr, std::vector<const char*> { "Vr", "Io", "Pd" } },
             std::pair { &dz, std::vector<const char*> { "Tn", "Iz", "Pd" } } })
        for (const char* n : names) {
            const int i = t->fieldIndex(n);
            ASSERT_GE(i, 0) << n;
            EXPECT_EQ(t->fields[i].type, FieldType::Number) << n;
        }

    const int vceo = tr.fieldIndex("Vceo"), ic = tr.fieldIndex("Ic"), pd = tr.fieldIndex("Pd");
    std::set<std::tuple<double, double, double>> seen;
    bool equalRatings = false, fourDecimals = false, quote = false, accented = false;
    for (const auto& r : tr.records) {
        equalRatings |= !seen.insert({ number(r[vceo]), number(r[ic]), number(r[pd]) }).second;
        for (int f : { vceo, ic, pd }) {
            const double thousandths = number(r[f]) * 1000;
            fourDecimals |= std::abs(thousandths - std::round(thousandths)) > 1e-6;
        }
        quote |= str(r[0]).find('"') != std::string::npos;
        accented |= str(r[tr.fieldIndex("Fabricante")]) == "Semicondutores Ltda. São Paulo";
    }
    EXPECT_TRUE(equalRatings);
    EXPECT_TRUE(fourDecimals);
    EXPECT_TRUE(quote);
    EXPECT_TRUE(accented);

    // Package keys: some carry blanks, every one has a picture.
    const Table pics = sampledata::pictures();
    std::set<std::string> pictured;
    for (const auto& r : pics.records)
        pictured.insert(str(r[0]));
    for (const char* key : { "abertura", "resistor", "cap_poli" })
        EXPECT_TRUE(pictured.count(key)) << key;
    int blanks = 0, missing = 0;
    for (const Table* t : { &tr, &dr, &dz }) {
        const int enc = t->fieldIndex("Encapsulamento");
        for (const auto& r : t->records) {
            const std::string key = str(r[enc]);
            blanks += key != trimmed(key);
            missing += pictured.count(trimmed(key)) == 0;
        }
    }
    EXPECT_GT(blanks, 0);
    EXPECT_EQ(missing, 0);

    // The repair quick search lower-cases what is typed and searches the company key.
    const Table rep = sampledata::repairs();
    EXPECT_GE(rep.records.size(), 10u);
    EXPECT_LE(rep.records.size(), 20u);
    for (const auto& r : rep.records) {
        std::string lower = str(r[0]);
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_EQ(str(r[0]), lower);
        EXPECT_TRUE(std::holds_alternative<Blob>(r[4]));
    }
}

// Catches pictures that the program's JPEG decoding could not show.
TEST(SampleProduct, PicturesAreJpegFileImages)
{
    const Table pics = sampledata::pictures();
    ASSERT_FALSE(pics.records.empty());
    for (const auto& r : pics.records) {
        const Blob& b = std::get<Blob>(r[1]);
        ASSERT_GT(b.size(), 4u);
        EXPECT_EQ(b[0], 0xFF);
        EXPECT_EQ(b[1], 0xD8);
        const QImage img = QImage::fromData(b.data(), static_cast<int>(b.size()), "JPG");
        EXPECT_FALSE(img.isNull()) << str(r[0]);
        EXPECT_GE(img.width(), 200) << str(r[0]);
    }
}

// Catches a generated table whose size, keys or repeatability a benchmark relies on.
TEST(SampleTransistorTable, MakesCountDistinctRepeatableParts)
{
    const Table a = sampledata::makeTransistorTable(5000, 7);
    const Table b = sampledata::makeTransistorTable(5000, 7);
    ASSERT_EQ(a.records.size(), 5000u);
    EXPECT_EQ(a.records, b.records);
    std::set<std::string> keys;
    for (const auto& r : a.records)
        keys.insert(str(r[0]));
    EXPECT_EQ(keys.size(), 5000u);
    TempDir dir;
    writeTable(dir / "transistores.DB", a);
    EXPECT_EQ(readTable(dir / "transistores.DB").records, a.records); // generated in key order
}

// Catches a tool that fails, or reports success without writing the folder.
TEST(SampleTool, WritesTheProductFolder)
{
    TempDir dir;
    const std::string cmd
        = std::string("\"") + TAVIX_MKSAMPLE + "\" \"" + (dir / "product").string() + "\" >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (const char* f : { "data/transistores.DB", "data/diodosr.DB", "data/diodosz.DB", "data/Reparos.DB",
             "data/graficos.DB", "data/graficos.MB", "library/readme.rtf", "Help/visao_geral.html", "Help/Imagens/logo.gif" })
        EXPECT_TRUE(std::filesystem::exists(dir / "product" / f)) << f;
    EXPECT_NE(std::system((std::string("\"") + TAVIX_MKSAMPLE + "\" >/dev/null 2>&1").c_str()), 0);
}
