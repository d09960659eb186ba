#include "platform/paradox/codec.h"
#include "platform/paradox/paradox.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace paradox {

using namespace detail;

namespace {

constexpr std::uint8_t kVersion = 0x0C; // written as 7.x tables: long, time, logical and bytes fields need it
constexpr std::size_t kHeaderUnit = 0x800;
constexpr const char* kSortOrderName = "ascii";

struct Context {
    const std::filesystem::path& file;
    const CodePage& cp;
};

std::string fieldLabel(const Table& t, std::size_t i)
{
    return "field " + std::to_string(i + 1) + " \"" + t.fields[i].name + "\"";
}

// Builds the .MB file: a 4 KiB header, then single-blob blocks for large
// blobs and shared 4 KiB blocks for small ones.
class MbBuilder {
public:
    explicit MbBuilder(const std::filesystem::path& file)
        : file_(file)
        , bytes_(kMbChunk, 0)
    {
        bytes_[0] = 0;
        put16(&bytes_[1], 1);
        put16(&bytes_[3], 1); // modification count
        put16(&bytes_[0x0B], 0x1000); // block unit
        put16(&bytes_[0x0D], 0x1000); // shared block size
        bytes_[0x10] = 0x10; // shared chunk size
        put16(&bytes_[0x11], 0x40); // pointers per shared block
        put16(&bytes_[0x13], kSubThreshold);
    }

    std::uint32_t add(const std::uint8_t* data, std::size_t len)
    {
        if (len >= kSubThreshold) {
            const std::size_t chunks = (len + 9 + kMbChunk - 1) / kMbChunk;
            if (chunks > 0xFFFF || bytes_.size() + chunks * kMbChunk > 0xFFFFFF00u)
                throw Error(file_, "a blob of " + std::to_string(len) + " bytes does not fit the blob file");
            const std::size_t off = bytes_.size();
            bytes_.resize(off + chunks * kMbChunk, 0);
            std::uint8_t* b = &bytes_[off];
            b[0] = 2;
            put16(b + 1, static_cast<std::uint32_t>(chunks));
            put32(b + 3, static_cast<std::uint32_t>(len));
            put16(b + 7, 1);
            std::memcpy(b + 9, data, len);
            return static_cast<std::uint32_t>(off) | 0xFF;
        }
        const std::size_t chunks = (len + 15) / 16;
        if (sub_ == 0 || nextEntry_ < 0 || nextData_ + chunks * 16 > kMbChunk) {
            if (bytes_.size() + kMbChunk > 0xFFFFFF00u)
                throw Error(file_, "the blobs do not fit one blob file");
            sub_ = bytes_.size();
            bytes_.resize(sub_ + kMbChunk, 0);
            bytes_[sub_] = 3;
            put16(&bytes_[sub_ + 1], 1);
            nextEntry_ = 63;
            nextData_ = kSubFirstData;
        }
        std::uint8_t* e = &bytes_[sub_ + kSubHeader + 5 * static_cast<std::size_t>(nextEntry_)];
        e[0] = static_cast<std::uint8_t>(nextData_ / 16);
        e[1] = static_cast<std::uint8_t>(chunks);
        put16(e + 2, 1);
        e[4] = static_cast<std::uint8_t>(len - (chunks - 1) * 16);
        std::memcpy(&bytes_[sub_ + nextData_], data, len);
        nextData_ += chunks * 16;
        return static_cast<std::uint32_t>(sub_) | static_cast<std::uint32_t>(nextEntry_--);
    }

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    const std::filesystem::path& file_;
    std::vector<std::uint8_t> bytes_;
    std::size_t sub_ = 0;
    int nextEntry_ = -1;
    std::size_t nextData_ = 0;
};

void checkFields(const std::filesystem::path& file, const Table& t, const CodePage& cp)
{
    if (t.fields.empty() || t.fields.size() > 255)
        throw Error(file, "a table needs 1 to 255 fields, not " + std::to_string(t.fields.size()));
    if (t.keyFieldCount < 0 || t.keyFieldCount > static_cast<int>(t.fields.size()))
        throw Error(file, "bad key field count " + std::to_string(t.keyFieldCount));
    for (std::size_t i = 0; i < t.fields.size(); ++i) {
        const FieldDef& f = t.fields[i];
        std::string encoded;
        if (f.name.empty() || !encodeText(cp, f.name, encoded) || encoded.size() > 25)
            throw Error(file, fieldLabel(t, i) + ": a field name has 1 to 25 characters of the code page");
        if (t.fieldIndex(f.name) != static_cast<int>(i))
            throw Error(file, fieldLabel(t, i) + ": the name is used twice");
        bool ok = true;
        switch (f.type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            ok = f.size >= 1 && f.size <= 255;
            break;
        case FieldType::Memo:
        case FieldType::FormattedMemo:
            ok = f.size >= 1 && f.size <= 240;
            break;
        case FieldType::Blob:
        case FieldType::Ole:
        case FieldType::Graphic:
            ok = f.size >= 0 && f.size <= 240;
            break;
        case FieldType::Bcd:
            throw Error(file, fieldLabel(t, i) + ": BCD fields cannot be written");
        default:
            break;
        }
        if (!ok)
            throw Error(file,
                fieldLabel(t, i) + ": bad size " + std::to_string(f.size) + " for a " + fieldTypeName(f.type)
                    + " field");
        if (static_cast<int>(i) < t.keyFieldCount && isBlobType(f.type))
            throw Error(file, fieldLabel(t, i) + ": a blob field cannot be part of the key");
    }
}

class RecordEncoder {
public:
    RecordEncoder(const std::filesystem::path& file, const Table& t, const CodePage& cp, MbBuilder* mb)
        : file_(file)
        , t_(t)
        , cp_(cp)
        , mb_(mb)
    {
        int off = 0;
        for (const FieldDef& f : t.fields) {
            offsets_.push_back(off);
            off += isBlobType(f.type) ? f.size + kBlobTail : storedSize(f);
        }
        recordSize_ = off;
    }

    int recordSize() const { return recordSize_; }
    const std::vector<int>& offsets() const { return offsets_; }

    void encode(std::span<const Value> rec, std::size_t recNo, std::uint8_t* out)
    {
        if (rec.size() != t_.fields.size())
            throw Error(file_,
                "record " + std::to_string(recNo + 1) + " has " + std::to_string(rec.size()) + " values for "
                    + std::to_string(t_.fields.size()) + " fields");
        for (std::size_t i = 0; i < rec.size(); ++i)
            encodeField(i, rec[i], recNo, out + offsets_[i]);
    }

private:
    [[noreturn]] void bad(std::size_t field, std::size_t recNo, const std::string& what) const
    {
        throw Error(file_, fieldLabel(t_, field) + " of record " + std::to_string(recNo + 1) + ": " + what);
    }

    std::int64_t integer(std::size_t i, const Value& v, std::size_t recNo, std::int64_t lo, std::int64_t hi) const
    {
        std::int64_t n = 0;
        if (auto p = std::get_if<std::int64_t>(&v))
            n = *p;
        else if (auto d = std::get_if<double>(&v)) {
            if (!(std::trunc(*d) == *d && *d >= -9.2e18 && *d <= 9.2e18))
                bad(i, recNo, "a whole number is needed");
            n = static_cast<std::int64_t>(*d);
        } else
            bad(i, recNo, "a number is needed");
        if (n < lo || n > hi)
            bad(i, recNo, "value " + std::to_string(n) + " is out of range");
        return n;
    }

    double real(std::size_t i, const Value& v, std::size_t recNo) const
    {
        if (auto d = std::get_if<double>(&v))
            return *d;
        if (auto p = std::get_if<std::int64_t>(&v))
            return static_cast<double>(*p);
        bad(i, recNo, "a number is needed");
    }

    void encodeField(std::size_t i, const Value& v, std::size_t recNo, std::uint8_t* p)
    {
        const FieldDef& f = t_.fields[i];
        if (std::holds_alternative<std::monostate>(v))
            return; // blank: all zeros
        switch (f.type) {
        case FieldType::Alpha: {
            auto s = std::get_if<std::string>(&v);
            if (!s)
                bad(i, recNo, "text is needed");
            if (!encodeText(cp_, *s, text_))
                bad(i, recNo, "the text has a character outside code page " + std::to_string(cp_.number));
            if (text_.size() > static_cast<std::size_t>(f.size))
                bad(i, recNo, "the text is longer than the field's " + std::to_string(f.size) + " characters");
            if (text_.find('\0') != std::string::npos)
                bad(i, recNo, "the text holds a NUL character");
            std::memcpy(p, text_.data(), text_.size());
            break;
        }
        case FieldType::Date: {
            const double d = real(i, v, recNo);
            const double day = std::floor(d) + static_cast<double>(kDateDelta);
            if (!(day >= 1 && day <= 3652059)) // 1 January 1 to 31 December 9999
                bad(i, recNo, "the date is out of range");
            putStoredInt(p, static_cast<std::int64_t>(day), 4);
            break;
        }
        case FieldType::Short:
            putStoredInt(p, integer(i, v, recNo, -32767, 32767), 2);
            break;
        case FieldType::Long:
        case FieldType::AutoInc:
            putStoredInt(p, integer(i, v, recNo, -2147483647, 2147483647), 4);
            break;
        case FieldType::Time: {
            const double d = real(i, v, recNo);
            if (!(d >= 0 && d < 1))
                bad(i, recNo, "a time is a fraction of a day");
            putStoredInt(p, std::llround(d * 86400000.0), 4);
            break;
        }
        case FieldType::Currency:
        case FieldType::Number:
            putStoredDouble(p, real(i, v, recNo));
            break;
        case FieldType::Timestamp: {
            const double d = real(i, v, recNo);
            const double ms = std::round((d + static_cast<double>(kDateDelta)) * 86400000.0);
            if (!(ms > 0 && ms < 3.2e17))
                bad(i, recNo, "the timestamp is out of range");
            putStoredDouble(p, ms);
            break;
        }
        case FieldType::Logical: {
            auto b = std::get_if<bool>(&v);
            if (!b)
                bad(i, recNo, "true or false is needed");
            p[0] = *b ? 0x81 : 0x80;
            break;
        }
        case FieldType::Bytes: {
            auto b = std::get_if<Blob>(&v);
            if (!b)
                bad(i, recNo, "bytes are needed");
            if (b->size() > static_cast<std::size_t>(f.size))
                bad(i, recNo, "more bytes than the field's " + std::to_string(f.size));
            std::copy(b->begin(), b->end(), p);
            break;
        }
        case FieldType::Bcd:
            bad(i, recNo, "BCD fields cannot be written");
        case FieldType::Memo:
        case FieldType::Blob:
        case FieldType::FormattedMemo:
        case FieldType::Ole:
        case FieldType::Graphic: {
            const std::uint8_t* data;
            std::size_t len;
            if (f.type == FieldType::Memo) {
                auto s = std::get_if<std::string>(&v);
                if (!s)
                    bad(i, recNo, "text is needed");
                if (!encodeText(cp_, *s, text_))
                    bad(i, recNo, "the text has a character outside code page " + std::to_string(cp_.number));
                data = reinterpret_cast<const std::uint8_t*>(text_.data());
                len = text_.size();
            } else if (auto b = std::get_if<Blob>(&v)) {
                data = b->data();
                len = b->size();
            } else if (auto s = std::get_if<std::string>(&v)) {
                data = reinterpret_cast<const std::uint8_t*>(s->data());
                len = s->size();
            } else {
                bad(i, recNo, "bytes are needed");
            }
            if (len == 0)
                return;
            if (len > 0x0FFFFFFF)
                bad(i, recNo, "the blob is too large");
            std::uint8_t* tail = p + f.size;
            const std::size_t lead = std::min<std::size_t>(len, static_cast<std::size_t>(f.size));
            std::memcpy(p, data, lead);
            if (len > static_cast<std::size_t>(f.size)) {
                put32(tail, mb_->add(data, len));
                put16(tail + 8, 1);
            }
            put32(tail + 4, static_cast<std::uint32_t>(len));
            break;
        }
        }
    }

    const std::filesystem::path& file_;
    const Table& t_;
    const CodePage& cp_;
    MbBuilder* mb_;
    std::vector<int> offsets_;
    int recordSize_ = 0;
    std::string text_;
};

// Lays records into chained data blocks of `bs` bytes.
std::vector<std::uint8_t> buildBlocks(const std::vector<const std::uint8_t*>& records, std::size_t rs, std::size_t bs,
    std::vector<std::size_t>& firstOfBlock)
{
    const std::size_t perBlock = (bs - kBlockHeader) / rs;
    const std::size_t nBlocks = (records.size() + perBlock - 1) / perBlock;
    std::vector<std::uint8_t> out(nBlocks * bs, 0);
    for (std::size_t b = 0; b < nBlocks; ++b) {
        std::uint8_t* blk = &out[b * bs];
        const std::size_t first = b * perBlock;
        const std::size_t count = std::min(perBlock, records.size() - first);
        put16(blk, b + 1 < nBlocks ? static_cast<std::uint32_t>(b + 2) : 0);
        put16(blk + 2, static_cast<std::uint32_t>(b));
        put16(blk + 4, static_cast<std::uint32_t>((count - 1) * rs));
        for (std::size_t r = 0; r < count; ++r)
            std::memcpy(blk + kBlockHeader + r * rs, records[first + r], rs);
        firstOfBlock.push_back(first);
    }
    return out;
}

void putTableName(std::vector<std::uint8_t>& h, std::size_t pos, const CodePage& cp, const std::string& name)
{
    std::string encoded;
    if (!encodeText(cp, name, encoded))
        encoded = "table";
    encoded.resize(std::min<std::size_t>(encoded.size(), kTableNameLong - 1));
    std::memcpy(&h[pos], encoded.data(), encoded.size());
}

void putCommonHeader(std::vector<std::uint8_t>& h, int recordSize, int fileType, int blockCode,
    std::uint32_t numRecords, std::size_t blocks)
{
    put16(&h[kRecordSize], static_cast<std::uint32_t>(recordSize));
    put16(&h[kHeaderSize], static_cast<std::uint32_t>(h.size()));
    h[kFileType] = static_cast<std::uint8_t>(fileType);
    h[kBlockSizeCode] = static_cast<std::uint8_t>(blockCode);
    put32(&h[kNumRecords], numRecords);
    put16(&h[kUsedBlocks], static_cast<std::uint32_t>(blocks));
    put16(&h[kFileBlocks], static_cast<std::uint32_t>(blocks));
    put16(&h[kFirstBlock], blocks ? 1 : 0);
    put16(&h[kLastBlock], static_cast<std::uint32_t>(blocks));
    h[kFileVersion] = kVersion;
    put16(&h[kMaxBlocks], static_cast<std::uint32_t>(blocks));
}

std::vector<std::uint8_t> buildIndex(const Table& t, const RecordEncoder& enc, const CodePage& cp, int blockCode,
    const std::vector<const std::uint8_t*>& sorted, const std::vector<std::size_t>& firstOfBlock,
    const std::string& tableName, const std::filesystem::path& pxFile)
{
    const std::size_t bs = static_cast<std::size_t>(blockCode) * 1024;
    const std::size_t keyLen = static_cast<std::size_t>(
        t.keyFieldCount < static_cast<int>(t.fields.size()) ? enc.offsets()[t.keyFieldCount] : enc.recordSize());
    const std::size_t irs = keyLen + 6;
    const std::size_t perBlock = (bs - kBlockHeader) / irs;
    if (perBlock < 2)
        throw Error(pxFile, "the key is too long for an index block");

    struct Entry {
        const std::uint8_t* key;
        std::size_t block;
        std::size_t count;
    };
    std::vector<Entry> level;
    const std::size_t rs = static_cast<std::size_t>(enc.recordSize());
    const std::size_t perData = (bs - kBlockHeader) / rs;
    for (std::size_t b = 0; b < firstOfBlock.size(); ++b) {
        const std::size_t first = firstOfBlock[b];
        level.push_back({ sorted[first], b + 1, std::min(perData, sorted.size() - first) });
    }

    std::vector<std::vector<std::uint8_t>> blocks;
    std::size_t root = 0;
    int levels = 0;
    std::size_t totalEntries = 0;
    while (!level.empty()) {
        ++levels;
        const std::size_t groups = (level.size() + perBlock - 1) / perBlock;
        const std::size_t firstNo = blocks.size() + 1;
        std::vector<Entry> upper;
        for (std::size_t g = 0; g < groups; ++g) {
            std::vector<std::uint8_t> blk(bs, 0);
            const std::size_t first = g * perBlock;
            const std::size_t count = std::min(perBlock, level.size() - first);
            put16(&blk[0], g + 1 < groups ? static_cast<std::uint32_t>(firstNo + g + 1) : 0);
            put16(&blk[2], g > 0 ? static_cast<std::uint32_t>(firstNo + g - 1) : 0);
            put16(&blk[4], static_cast<std::uint32_t>((count - 1) * irs));
            std::size_t sum = 0;
            for (std::size_t k = 0; k < count; ++k) {
                const Entry& e = level[first + k];
                std::uint8_t* r = &blk[kBlockHeader + k * irs];
                std::memcpy(r, e.key, keyLen);
                putStoredInt(r + keyLen, static_cast<std::int64_t>(e.block), 2);
                putStoredInt(r + keyLen + 2, static_cast<std::int64_t>(std::min<std::size_t>(e.count, 32767)), 2);
                putStoredInt(r + keyLen + 4, 0, 2);
                sum += e.count;
            }
            totalEntries += count;
            upper.push_back({ level[first].key, firstNo + g, sum });
            blocks.push_back(std::move(blk));
        }
        if (groups == 1) {
            root = firstNo;
            break;
        }
        level = std::move(upper);
    }
    if (blocks.size() > 0xFFFF)
        throw Error(pxFile, "too many index blocks; choose a larger block size");

    std::vector<std::uint8_t> h(kHeaderUnit, 0);
    putCommonHeader(h, static_cast<int>(irs), 1, blockCode, static_cast<std::uint32_t>(totalEntries), blocks.size());
    put16(&h[0x12], 1);
    h[0x2C] = 1;
    put16(&h[kIndexRoot], static_cast<std::uint32_t>(root));
    h[kIndexLevels] = static_cast<std::uint8_t>(levels);
    put16(&h[kNumFields], static_cast<std::uint32_t>(t.keyFieldCount));
    std::size_t pos = kFieldInfo3;
    for (int k = 0; k < t.keyFieldCount; ++k) {
        h[pos++] = typeCode(t.fields[k].type);
        h[pos++] = static_cast<std::uint8_t>(storedSize(t.fields[k]));
    }
    pos += 4; // table name pointer
    putTableName(h, pos, cp, tableName);

    std::vector<std::uint8_t> out = std::move(h);
    for (const auto& b : blocks)
        out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::vector<std::uint8_t> buildDbHeader(const Table& t, const CodePage& cp, int codePageNumber, int recordSize,
    int blockCode, std::uint32_t numRecords, std::size_t blocks, const std::string& tableName)
{
    const std::size_t n = t.fields.size();
    std::vector<std::string> names;
    std::size_t namesLen = 0;
    for (const FieldDef& f : t.fields) {
        std::string e;
        encodeText(cp, f.name, e);
        namesLen += e.size() + 1;
        names.push_back(std::move(e));
    }
    const std::size_t namesPos = kFieldInfo4 + 2 * n + 4 + 4 * n + kTableNameLong;
    const std::size_t numbersPos = namesPos + namesLen;
    const std::size_t used = numbersPos + 2 * n + std::strlen(kSortOrderName) + 1;
    std::vector<std::uint8_t> h((used + kHeaderUnit - 1) / kHeaderUnit * kHeaderUnit, 0);

    putCommonHeader(h, recordSize, t.keyFieldCount > 0 ? 0 : 2, blockCode, numRecords, blocks);
    put16(&h[kNumFields], static_cast<std::uint32_t>(n));
    put16(&h[kKeyFields], static_cast<std::uint32_t>(t.keyFieldCount));
    put32(&h[kEncryption1], 0xFF00FF00u);
    h[kSortOrder] = 0;
    h[kChangeCount1] = 1;
    put16(&h[0x3E], 0x1F0F);
    put32(&h[kAutoInc], 1);
    put16(&h[0x51], static_cast<std::uint32_t>(used));
    h[0x56] = 0x20;
    put16(&h[kFileVersion2], 0x0100 | kVersion);
    put16(&h[kFileVersion3], 0x0100 | kVersion);
    put16(&h[kHiFieldId], static_cast<std::uint32_t>(n + 1));
    put16(&h[kHiFieldIdInfo], static_cast<std::uint32_t>(numbersPos - kFileVersion2));
    put16(&h[kCodePage], static_cast<std::uint32_t>(codePageNumber));
    std::size_t pos = kFieldInfo4;
    for (const FieldDef& f : t.fields) {
        h[pos++] = typeCode(f.type);
        h[pos++] = static_cast<std::uint8_t>(isBlobType(f.type) ? f.size + kBlobTail : storedSize(f));
    }
    putTableName(h, kFieldInfo4 + 2 * n + 4 + 4 * n, cp, tableName);
    pos = namesPos;
    for (const std::string& e : names) {
        std::memcpy(&h[pos], e.data(), e.size());
        pos += e.size() + 1;
    }
    for (std::size_t i = 0; i < n; ++i)
        put16(&h[numbersPos + 2 * i], static_cast<std::uint32_t>(i + 1));
    std::memcpy(&h[numbersPos + 2 * n], kSortOrderName, std::strlen(kSortOrderName));
    return h;
}

// A file written beside its final name and renamed over it once all parts are written.
class StagedFile {
public:
    StagedFile(
        std::filesystem::path target, const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>* b = nullptr)
        : target_(std::move(target))
    {
        std::string pattern = target_.string() + ".tmp-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            throw Error(target_, std::string("cannot create a temporary file: ") + std::strerror(errno));
        temp_ = pattern;
        // mkstemp makes the file private; tables are as readable as any new file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        bool ok = ::fchmod(fd, 0666 & ~mask) == 0;
        ok = writeAll(fd, a) && (!b || writeAll(fd, *b)) && ok;
        ok = ::fsync(fd) == 0 && ok;
        const int err = errno;
        ok = ::close(fd) == 0 && ok;
        if (!ok) {
            std::error_code ec;
            std::filesystem::remove(temp_, ec);
            throw Error(target_, std::string("cannot write the file: ") + std::strerror(err));
        }
    }
    ~StagedFile()
    {
        if (!committed_) {
            std::error_code ec;
            std::filesystem::remove(temp_, ec);
        }
    }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    void commit()
    {
        std::error_code ec;
        std::filesystem::rename(temp_, target_, ec);
        if (ec)
            throw Error(target_, "cannot replace the file: " + ec.message());
        committed_ = true;
    }

private:
    static bool writeAll(int fd, const std::vector<std::uint8_t>& data)
    {
        std::size_t done = 0;
        while (done < data.size()) {
            const ssize_t w = ::write(fd, data.data() + done, data.size() - done);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += static_cast<std::size_t>(w);
        }
        return true;
    }

    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool committed_ = false;
};

std::filesystem::path sibling(const std::filesystem::path& dbFile, const char* ext)
{
    std::filesystem::path p = dbFile;
    return p.replace_extension(ext);
}

} // namespace

void writeTable(const std::filesystem::path& dbFile, const Table& t, const WriteOptions& options)
{
    const CodePage* cp = codePage(options.codePage);
    if (!cp || options.codePage <= 0 || options.codePage > 0xFFFF)
        throw Error(dbFile, "unknown code page " + std::to_string(options.codePage));
    const int blockCode = options.blockSizeKiB;
    if (!(blockCode >= 1 && blockCode <= 4) && blockCode != 16 && blockCode != 32)
        throw Error(dbFile, "block size " + std::to_string(blockCode) + " KiB is not 1, 2, 3, 4, 16 or 32");
    checkFields(dbFile, t, *cp);

    const std::filesystem::path mbFile = sibling(dbFile, ".MB");
    const std::filesystem::path pxFile = sibling(dbFile, ".PX");
    const bool hasBlobs
        = std::any_of(t.fields.begin(), t.fields.end(), [](const FieldDef& f) { return isBlobType(f.type); });
    MbBuilder mb(mbFile);
    RecordEncoder enc(dbFile, t, *cp, hasBlobs ? &mb : nullptr);
    const std::size_t rs = static_cast<std::size_t>(enc.recordSize());
    const std::size_t bs = static_cast<std::size_t>(blockCode) * 1024;
    if (rs > 0xFFFF || rs > bs - kBlockHeader)
        throw Error(dbFile,
            "records of " + std::to_string(rs) + " bytes do not fit a " + std::to_string(blockCode) + " KiB block");

    std::vector<std::uint8_t> recordBytes(t.records.size() * rs, 0);
    for (std::size_t r = 0; r < t.records.size(); ++r)
        enc.encode(t.records[r], r, &recordBytes[r * rs]);

    // The stored form of keys sorts like their values, so the key bytes give the order.
    std::vector<const std::uint8_t*> sorted(t.records.size());
    for (std::size_t r = 0; r < sorted.size(); ++r)
        sorted[r] = &recordBytes[r * rs];
    const std::size_t keyLen = t.keyFieldCount == 0           ? 0
        : t.keyFieldCount < static_cast<int>(t.fields.size()) ? static_cast<std::size_t>(enc.offsets()[t.keyFieldCount])
                                                              : rs;
    if (keyLen > 0) {
        std::stable_sort(sorted.begin(), sorted.end(),
            [keyLen](const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, keyLen) < 0; });
        for (std::size_t r = 1; r < sorted.size(); ++r)
            if (std::memcmp(sorted[r - 1], sorted[r], keyLen) == 0)
                throw Error(dbFile,
                    "two records have the same key (record " + std::to_string((sorted[r] - recordBytes.data()) / rs + 1)
                        + ")");
    }

    std::vector<std::size_t> firstOfBlock;
    const std::vector<std::uint8_t> blocks = buildBlocks(sorted, rs, bs, firstOfBlock);
    if (firstOfBlock.size() > 0xFFFF)
        throw Error(dbFile, "too many data blocks; choose a larger block size");
    const std::string tableName = options.tableName.empty() ? dbFile.stem().string() : options.tableName;
    const std::vector<std::uint8_t> header = buildDbHeader(t, *cp, options.codePage, static_cast<int>(rs), blockCode,
        static_cast<std::uint32_t>(t.records.size()), firstOfBlock.size(), tableName);

    std::vector<std::unique_ptr<StagedFile>> staged;
    if (hasBlobs)
        staged.push_back(std::make_unique<StagedFile>(mbFile, mb.bytes()));
    if (t.keyFieldCount > 0)
        staged.push_back(std::make_unique<StagedFile>(
            pxFile, buildIndex(t, enc, *cp, blockCode, sorted, firstOfBlock, tableName, pxFile)));
    staged.push_back(std::make_unique<StagedFile>(dbFile, header, &blocks));
    for (auto& s : staged)
        s->commit();

    // A blob or index file left from an earlier table of this name would no longer match it.
    std::error_code ec;
    if (!hasBlobs)
        std::filesystem::remove(mbFile, ec);
    if (t.keyFieldCount == 0)
        std::filesystem::remove(pxFile, ec);
}

} // namespace paradox
