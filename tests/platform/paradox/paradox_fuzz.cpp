// libFuzzer target over the Paradox table reader. The input is a table and
// its blob file: a 32-bit little-endian length, that many bytes of .DB, and
// the rest as the .MB (none when the rest is empty). Reading must give the
// table or paradox::Error; every record holds one value of its field's kind
// per field, and a damaged value names a record and field that exist. A
// table read whole that the writer takes is written and read back the same.
//
//   clang builds only:  paradox_fuzz -runs=20000 corpus/

#include "platform/paradox/paradox.h"
#include "tests/support/fuzz_seeds.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace paradox;

namespace {

tavix::fuzzing::TScratchFolder& folder()
{
    static tavix::fuzzing::TScratchFolder f("paradox_fuzz");
    return f;
}

using tavix::fuzzing::check;

void writeBytes(const std::filesystem::path& file, const char* data, std::size_t size)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

std::string readBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool fits(FieldType type, const Value& v)
{
    if (std::holds_alternative<std::monostate>(v))
        return true;
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return std::holds_alternative<std::string>(v);
    case FieldType::Number:
    case FieldType::Currency:
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::Timestamp:
        return std::holds_alternative<double>(v);
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
        return std::holds_alternative<std::int64_t>(v);
    case FieldType::Logical:
        return std::holds_alternative<bool>(v);
    default:
        return std::holds_alternative<Blob>(v);
    }
}

// Doubles compare by their bits, so that a NaN read from a file equals
// itself; times are stored to the millisecond, so a file's fraction of one
// may go.
bool sameValue(FieldType type, const Value& a, const Value& b)
{
    if (std::holds_alternative<double>(a) && std::holds_alternative<double>(b)) {
        const double x = std::get<double>(a), y = std::get<double>(b);
        if ((type == FieldType::Time || type == FieldType::Timestamp) && std::isfinite(x))
            return std::fabs(x - y) <= 1.0 / 86400000.0;
        return std::memcmp(&x, &y, sizeof(double)) == 0;
    }
    return a == b;
}

bool sameRecord(const std::vector<FieldDef>& fields, std::span<const Value> x, std::span<const Value> y)
{
    if (x.size() != y.size())
        return false;
    for (std::size_t f = 0; f < x.size(); ++f)
        if (!sameValue(fields[f].type, x[f], y[f]))
            return false;
    return true;
}

// The same records; in any order for a keyed table, whose records the
// writer stores sorted by key however the file had them.
bool sameRecords(const std::vector<FieldDef>& fields, bool keyed, const Records& a, const Records& b)
{
    if (a.size() != b.size())
        return false;
    std::vector<bool> used(b.size());
    for (std::size_t r = 0; r < a.size(); ++r) {
        if (!keyed) {
            if (!sameRecord(fields, a[r], b[r]))
                return false;
            continue;
        }
        bool found = false;
        for (std::size_t q = 0; q < b.size() && !found; ++q)
            if (!used[q] && sameRecord(fields, a[r], b[q]))
                used[q] = found = true;
        if (!found)
            return false;
    }
    return true;
}

std::string pack(const std::string& db, const std::string& mb)
{
    const auto n = static_cast<std::uint32_t>(db.size());
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += char((n >> (8 * i)) & 0xFF);
    return out + db + mb;
}

// Small tables written by the project's writer: keyed with memos and blobs
// held in the .MB, and plain without blob fields.
std::vector<tavix::fuzzing::Seed> seeds()
{
    std::vector<tavix::fuzzing::Seed> out;
    const std::filesystem::path db = folder().dir / "seed.db";
    const std::filesystem::path mb = folder().dir / "seed.mb";

    Table keyed;
    keyed.fields = { { "Code", FieldType::Alpha, 8 }, { "Gain", FieldType::Number, 8 },
        { "Notes", FieldType::Memo, 10 }, { "Picture", FieldType::Graphic, 0 }, { "Made", FieldType::Date, 4 },
        { "Stock", FieldType::Short, 2 }, { "Ok", FieldType::Logical, 1 } };
    keyed.keyFieldCount = 1;
    keyed.records = { { std::string("BC548"), 110.0, std::string(300, 'n'), Blob(200, 7), 36526.0,
                          std::int64_t(12), true },
        { std::string("BF245"), 2.5, std::string("short"), std::monostate {}, std::monostate {}, std::int64_t(-3),
            false },
        { std::string("2N3055"), std::monostate {}, std::string(5000, 'm'), Blob(40, 1), 40000.0,
            std::monostate {}, std::monostate {} } };
    WriteOptions options;
    options.blockSizeKiB = 1;
    writeTable(db, keyed, options);
    out.push_back({ "keyed", pack(readBytes(db), readBytes(mb)) });

    Table plain;
    plain.fields = { { "Name", FieldType::Alpha, 20 }, { "Count", FieldType::Long, 4 },
        { "When", FieldType::Timestamp, 8 }, { "Price", FieldType::Currency, 8 } };
    plain.records = { { std::string("Zener \xC3\xA9"), std::int64_t(1), 45000.5, 1.25 },
        { std::monostate {}, std::int64_t(2), std::monostate {}, 99.0 } };
    options.codePage = 850;
    writeTable(db, plain, options);
    out.push_back({ "plain", pack(readBytes(db), {}) });

    std::filesystem::remove_all(folder().dir);
    std::filesystem::create_directories(folder().dir);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    std::size_t dbSize = size;
    if (size >= 4) {
        const std::uint32_t n = data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
        bytes += 4;
        size -= 4;
        dbSize = std::min<std::size_t>(n, size);
    }
    const std::filesystem::path db = folder().dir / "t.db";
    const std::filesystem::path mb = folder().dir / "t.mb";
    writeBytes(db, bytes, dbSize);
    if (size > dbSize)
        writeBytes(mb, bytes + dbSize, size - dbSize);
    else
        std::filesystem::remove(mb);

    try {
        Table structure = readStructure(db);
        check(structure.records.empty());
        check(structure.keyFieldCount >= 0 && structure.keyFieldCount <= int(structure.fields.size()));
    } catch (const Error&) {
    }
    try {
        Table table = readTable(db);
        check(table.keyFieldCount >= 0 && table.keyFieldCount <= int(table.fields.size()));
        for (auto record : table.records) {
            check(record.size() == table.fields.size());
            for (std::size_t f = 0; f < record.size(); ++f)
                check(fits(table.fields[f].type, record[f]));
        }
        for (const DamagedValue& d : table.damaged) {
            check(d.record < table.records.size());
            check(d.field >= 0 && d.field < int(table.fields.size()));
            check(std::holds_alternative<std::monostate>(table.records[d.record][std::size_t(d.field)]));
            check(table.damage(d.record, d.field) != nullptr);
        }
        if (table.damaged.empty()) {
            const std::filesystem::path copy = folder().dir / "copy.db";
            bool written = true;
            try {
                writeTable(copy, table);
            } catch (const Error&) {
                written = false; // a table the writer cannot store (types, text, keys)
            }
            if (written) {
                Table again;
                try {
                    again = readTable(copy);
                } catch (const Error&) {
                    std::abort(); // the writer's own table does not read
                }
                check(again.fields.size() == table.fields.size());
                for (std::size_t f = 0; f < table.fields.size(); ++f)
                    check(again.fields[f].name == table.fields[f].name && again.fields[f].type == table.fields[f].type
                        && again.fields[f].size == table.fields[f].size);
                check(again.keyFieldCount == table.keyFieldCount);
                check(sameRecords(table.fields, table.keyFieldCount > 0, table.records, again.records));
            }
        }
    } catch (const Error&) {
    }
    return 0;
}
