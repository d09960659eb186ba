// Cross-checks with pxlib, an independent reader and writer of the format,
// on tables without blobs (its blob handling is not trustworthy).

#include "platform/paradox/paradox.h"
#include "tests/support/temp_dir.h"

// pxlib's header has no C++ linkage block of its own.
extern "C" {
#include <paradox.h>
}

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using tavix::testing::TempDir;

namespace {

constexpr double kDateDelta = 693594; // pxlib counts days from 1 January of year 1 as day 1

std::string pxErrors;

void collectError(pxdoc_t*, int, const char* msg, void*)
{
    pxErrors += msg;
    pxErrors += '\n';
}

// One value as pxlib sees it, normalised to our Value alternatives.
paradox::Value fromPx(const pxval_t* v, paradox::FieldType type)
{
    using paradox::FieldType;
    if (v->isnull)
        return {};
    switch (type) {
    case FieldType::Alpha:
        return std::string(v->value.str.val, static_cast<std::size_t>(v->value.str.len));
    case FieldType::Date:
        return static_cast<double>(v->value.lval) - kDateDelta;
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
        return static_cast<std::int64_t>(v->value.lval);
    case FieldType::Number:
    case FieldType::Currency:
        return v->value.dval;
    case FieldType::Logical:
        return v->value.lval != 0;
    case FieldType::Time:
        return static_cast<double>(v->value.lval) / 86400000.0;
    case FieldType::Bytes: {
        const auto* p = reinterpret_cast<const std::uint8_t*>(v->value.str.val);
        return paradox::Blob(p, p + v->value.str.len);
    }
    default:
        return {};
    }
}

struct PxTable {
    std::vector<std::string> names;
    std::vector<std::vector<paradox::Value>> records;
};

PxTable readWithPxlib(const std::filesystem::path& file, const std::vector<paradox::FieldType>& types)
{
    PxTable out;
    pxErrors.clear();
    pxdoc_t* doc = PX_new2(collectError, nullptr, nullptr, nullptr);
    if (PX_open_file(doc, file.c_str()) < 0) {
        ADD_FAILURE() << "pxlib cannot open " << file << ": " << pxErrors;
        PX_delete(doc);
        return out;
    }
    PX_set_targetencoding(doc, "UTF-8");
    const int nf = PX_get_num_fields(doc);
    for (int i = 0; i < nf; ++i)
        out.names.push_back(PX_get_field(doc, i)->px_fname);
    const int nr = PX_get_num_records(doc);
    for (int r = 0; r < nr; ++r) {
        pxval_t** vals = PX_retrieve_record(doc, r);
        if (!vals) {
            ADD_FAILURE() << "pxlib cannot read record " << r << ": " << pxErrors;
            break;
        }
        std::vector<paradox::Value> rec;
        for (int i = 0; i < nf; ++i) {
            rec.push_back(fromPx(vals[i], types.at(static_cast<std::size_t>(i))));
            if (!vals[i]->isnull && (types[i] == paradox::FieldType::Alpha || types[i] == paradox::FieldType::Bytes))
                doc->free(doc, vals[i]->value.str.val);
            doc->free(doc, vals[i]);
        }
        doc->free(doc, vals);
        out.records.push_back(std::move(rec));
    }
    PX_close(doc);
    PX_delete(doc);
    return out;
}

paradox::Table blobLessTable()
{
    using paradox::FieldType;
    paradox::Table t;
    t.fields = { { "Identificacao", FieldType::Alpha, 20 }, { "Fabricante", FieldType::Alpha, 40 },
        { "Vceo", FieldType::Number, 8 }, { "Preco", FieldType::Currency, 8 }, { "Pinos", FieldType::Short, 2 },
        { "Estoque", FieldType::Long, 4 }, { "Lancamento", FieldType::Date, 4 }, { "Ativo", FieldType::Logical, 1 },
        { "Hora", FieldType::Time, 4 }, { "Serie", FieldType::AutoInc, 4 }, { "Marca", FieldType::Bytes, 4 } };
    t.keyFieldCount = 1;
    for (int i = 0; i < 700; ++i) {
        std::vector<paradox::Value> r(t.fields.size());
        r[0] = "2N" + std::to_string(1000 + i);
        if (i % 5)
            r[1] = std::string(i % 2 ? "Semicondutores Ltda. São Paulo" : "Acme \"Quoted\" Parts");
        if (i % 7)
            r[2] = i * 0.1234 - 20;
        r[3] = i % 3 ? paradox::Value(i * 1.25) : paradox::Value();
        r[4] = std::int64_t { i % 2 ? -i : i };
        r[5] = std::int64_t { i * 100000 - 7 };
        r[6] = 35000.0 + i;
        r[7] = i % 2 == 0;
        r[8] = (i % 48) / 48.0;
        r[9] = std::int64_t { i + 1 };
        r[10] = paradox::Blob { static_cast<std::uint8_t>(i % 255 + 1), 1, 0, 2 }; // pxlib takes a leading 0 for blank
        t.records.push_back(std::move(r));
    }
    return t;
}

std::vector<paradox::FieldType> typesOf(const paradox::Table& t)
{
    std::vector<paradox::FieldType> v;
    for (const auto& f : t.fields)
        v.push_back(f.type);
    return v;
}

} // namespace

// Catches our writer and reader agreeing with each other on a wrong layout: a
// second implementation must see the same names and values.
TEST(ParadoxPxlib, ReadsOurBlobLessTablesLikeWeDo)
{
    TempDir dir;
    const paradox::Table t = blobLessTable();
    for (int kib : { 1, 2, 4 }) {
        paradox::WriteOptions o;
        o.blockSizeKiB = kib;
        writeTable(dir / "ours.DB", t, o);
        const paradox::Table ours = paradox::readTable(dir / "ours.DB");
        const PxTable px = readWithPxlib(dir / "ours.DB", typesOf(t));
        ASSERT_EQ(px.names.size(), t.fields.size());
        for (std::size_t i = 0; i < t.fields.size(); ++i)
            EXPECT_EQ(px.names[i], t.fields[i].name);
        ASSERT_EQ(px.records.size(), ours.records.size()) << kib;
        for (std::size_t r = 0; r < ours.records.size(); ++r)
            for (std::size_t f = 0; f < t.fields.size(); ++f) {
                // pxlib reads a blank number or currency as 0.
                const bool blankNumber = std::holds_alternative<std::monostate>(ours.records[r][f])
                    && (t.fields[f].type == paradox::FieldType::Number
                        || t.fields[f].type == paradox::FieldType::Currency);
                EXPECT_EQ(px.records[r][f], blankNumber ? paradox::Value(0.0) : ours.records[r][f])
                    << "block " << kib << " record " << r << " field " << f;
            }
    }
}

// Catches a reader that only understands its own writer's files.
TEST(ParadoxPxlib, ReadsATableWrittenByPxlib)
{
    TempDir dir;
    const std::filesystem::path file = dir / "foreign.db";
    pxErrors.clear();
    pxdoc_t* doc = PX_new2(collectError, nullptr, nullptr, nullptr);
    struct Def {
        const char* name;
        char type;
        int len;
    };
    const Def defs[] = { { "Codigo", pxfAlpha, 12 }, { "Valor", pxfNumber, 8 }, { "Qtd", pxfShort, 2 },
        { "Total", pxfLong, 4 }, { "Dia", pxfDate, 4 }, { "Ok", pxfLogical, 1 } };
    const int nf = 6;
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, nf * sizeof(pxfield_t), "fields"));
    for (int i = 0; i < nf; ++i) {
        fields[i].px_fname = PX_strdup(doc, defs[i].name);
        fields[i].px_ftype = defs[i].type;
        fields[i].px_flen = defs[i].len;
        fields[i].px_fdc = 0;
    }
    ASSERT_GE(PX_create_file(doc, fields, nf, file.c_str(), pxfFileTypNonIndexDB), 0) << pxErrors;
    PX_set_parameter(doc, "codepage", "1252");
    PX_set_inputencoding(doc, "UTF-8");
    const int rs = PX_get_recordsize(doc);
    std::vector<char> rec(static_cast<std::size_t>(rs));
    const int count = 300;
    for (int i = 0; i < count; ++i) {
        std::memset(rec.data(), 0, rec.size());
        std::string code = "BC" + std::to_string(500 + i);
        PX_put_data_alpha(doc, rec.data(), 12, code.data());
        if (i % 4)
            PX_put_data_double(doc, rec.data() + 12, 8, i * -0.5 + 3);
        PX_put_data_short(doc, rec.data() + 20, 2, static_cast<short>(i - 150));
        PX_put_data_long(doc, rec.data() + 22, 4, i * 1000);
        PX_put_data_long(doc, rec.data() + 26, 4, static_cast<int>(kDateDelta) + 36000 + i);
        PX_put_data_byte(doc, rec.data() + 30, 1, static_cast<char>(i % 2));
        ASSERT_GE(PX_put_record(doc, rec.data()), 0) << pxErrors;
    }
    PX_close(doc);
    PX_delete(doc);

    const paradox::Table t = paradox::readTable(file);
    ASSERT_EQ(t.fields.size(), 6u);
    EXPECT_EQ(t.fields[0].name, "Codigo");
    EXPECT_EQ(t.fields[0].size, 12);
    EXPECT_EQ(t.keyFieldCount, 0);
    ASSERT_EQ(t.records.size(), static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto& r = t.records[static_cast<std::size_t>(i)];
        EXPECT_EQ(r[0], paradox::Value("BC" + std::to_string(500 + i)));
        if (i % 4)
            EXPECT_EQ(r[1], paradox::Value(i * -0.5 + 3));
        else
            EXPECT_TRUE(std::holds_alternative<std::monostate>(r[1]));
        EXPECT_EQ(r[2], paradox::Value(std::int64_t { i - 150 }));
        EXPECT_EQ(r[3], paradox::Value(std::int64_t { i * 1000 }));
        EXPECT_EQ(r[4], paradox::Value(36000.0 + i));
        EXPECT_EQ(r[5], paradox::Value(i % 2 == 1));
    }
}
