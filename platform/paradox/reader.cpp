#include "platform/paradox/codec.h"
#include "platform/paradox/paradox.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace paradox {

using namespace detail;

namespace {

// A file opened for positioned reads.
class InputFile {
public:
    explicit InputFile(const std::filesystem::path& file)
        : file_(file)
        , fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_ < 0)
            throw Error(file, std::string("cannot open the file: ") + std::strerror(errno));
        struct stat st { };
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            throw Error(file, "not a readable file");
        }
        size_ = static_cast<std::size_t>(st.st_size);
    }
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    std::size_t size() const { return size_; }

    // Exactly `len` bytes at `offset`; a short read is an error (the file shrank).
    void readAt(std::size_t offset, std::size_t len, std::uint8_t* out) const
    {
        std::size_t done = 0;
        while (done < len) {
            const ssize_t n = ::pread(fd_, out + done, len - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Error(file_,
                    n < 0 ? std::string("cannot read the file: ") + std::strerror(errno)
                          : std::string("the file ends early"));
            done += static_cast<std::size_t>(n);
        }
    }

private:
    const std::filesystem::path& file_;
    int fd_;
    std::size_t size_ = 0;
};

// A whole (small) file in memory: the blob file. The buffer is not zeroed
// first, which would cost as much as the read.
class FileBytes {
public:
    FileBytes() = default;
    explicit FileBytes(const std::filesystem::path& file)
    {
        InputFile in(file);
        if (in.size() == 0)
            throw Error(file, "the file is empty");
        data_.reset(new std::uint8_t[in.size()]);
        size_ = in.size();
        in.readAt(0, size_, data_.get());
    }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
};

// Data blocks read through a window of consecutive blocks, reused as the
// chain moves on, so a large table is never held twice in memory.
class BlockReader {
public:
    BlockReader(const InputFile& in, std::size_t headerSize, std::size_t blockSize, std::size_t blocks)
        : in_(in)
        , hs_(headerSize)
        , bs_(blockSize)
        , blocks_(blocks)
        , window_(std::min<std::size_t>(
                      std::max<std::size_t>(kWindowBytes / blockSize, 1), std::max<std::size_t>(blocks, 1))
              * blockSize)
    {
    }

    // Block `n` (1-based, n <= blocks).
    const std::uint8_t* block(std::size_t n)
    {
        if (n < first_ || n >= first_ + count_) {
            first_ = n;
            count_ = std::min(window_.size() / bs_, blocks_ - n + 1);
            in_.readAt(hs_ + (n - 1) * bs_, count_ * bs_, window_.data());
        }
        return window_.data() + (n - first_) * bs_;
    }

private:
    static constexpr std::size_t kWindowBytes = 256 * 1024;
    const InputFile& in_;
    std::size_t hs_, bs_, blocks_;
    std::vector<std::uint8_t> window_;
    std::size_t first_ = 0, count_ = 0;
};

// The header block of a .DB file.
std::vector<std::uint8_t> readHeader(const std::filesystem::path& file, const InputFile& in)
{
    if (in.size() < kFieldInfo4)
        throw Error(file, "too short for a Paradox table header");
    std::vector<std::uint8_t> head(kFieldInfo4);
    in.readAt(0, head.size(), head.data());
    const std::size_t hs = get16(head.data() + kHeaderSize);
    if (hs < kFieldInfo4 || hs > in.size())
        throw Error(file, "header size " + std::to_string(hs) + " does not fit the file");
    head.resize(hs);
    in.readAt(kFieldInfo4, hs - kFieldInfo4, head.data() + kFieldInfo4);
    return head;
}

std::string hex(unsigned v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

struct Header {
    int recordSize = 0;
    int headerSize = 0;
    int blockSize = 0;
    int version = 0;
    int keyFields = 0;
    std::uint32_t numRecords = 0;
    int firstBlock = 0;
    const CodePage* cp = nullptr;
    std::vector<FieldDef> fields;
    std::vector<int> offsets; // of each field in the record
};

std::string decodeText(const CodePage& cp, const std::uint8_t* p, std::size_t n)
{
    std::size_t i = 0;
    while (i < n && cp.ascii[p[i]])
        ++i;
    if (i == n)
        return std::string(reinterpret_cast<const char*>(p), n);
    std::string s(reinterpret_cast<const char*>(p), i);
    s.reserve(n + 8);
    for (; i < n; ++i)
        s += cp.toUtf8[p[i]];
    return s;
}

Header parseHeader(const std::filesystem::path& file, const std::vector<std::uint8_t>& b)
{
    Header h;
    const std::uint8_t* d = b.data();
    h.recordSize = get16(d + kRecordSize);
    h.headerSize = get16(d + kHeaderSize);
    const int fileType = d[kFileType];
    if (fileType != 0 && fileType != 2)
        throw Error(file, "not a Paradox data table (file type " + std::to_string(fileType) + ")");
    const int code = d[kBlockSizeCode];
    if (!(code >= 1 && code <= 4) && code != 16 && code != 32)
        throw Error(file, "unknown data block size code " + std::to_string(code));
    h.blockSize = code * 1024;
    h.numRecords = get32(d + kNumRecords);
    h.firstBlock = get16(d + kFirstBlock);
    h.version = d[kFileVersion];
    if (h.headerSize < static_cast<int>(kFieldInfo4) || static_cast<std::size_t>(h.headerSize) > b.size())
        throw Error(file, "header size " + std::to_string(h.headerSize) + " does not fit the file");
    const bool v4 = h.version >= 5;
    if ((v4 ? get32(d + kEncryption2) : get32(d + kEncryption1)) != 0)
        throw Error(file, "the table is encrypted");
    const int numFields = get16(d + kNumFields);
    h.keyFields = get16(d + kKeyFields);
    if (numFields < 1 || numFields > 255)
        throw Error(file, "bad field count " + std::to_string(numFields));
    if (h.keyFields > numFields)
        throw Error(file, "more key fields (" + std::to_string(h.keyFields) + ") than fields");
    int cpNumber = v4 ? get16(d + kCodePage) : 437;
    h.cp = codePage(cpNumber);
    if (!h.cp)
        throw Error(file, "unknown code page " + std::to_string(cpNumber));

    const std::size_t infoPos = v4 ? kFieldInfo4 : kFieldInfo3;
    const std::size_t hs = static_cast<std::size_t>(h.headerSize);
    if (infoPos + 2 * static_cast<std::size_t>(numFields) > hs)
        throw Error(file, "field descriptions run past the header");
    int offset = 0;
    for (int i = 0; i < numFields; ++i) {
        const std::uint8_t tcode = d[infoPos + 2 * i];
        const int size = d[infoPos + 2 * i + 1];
        FieldDef f;
        if (!fieldTypeFromCode(tcode, f.type))
            throw Error(file, "field " + std::to_string(i + 1) + " has unknown type code " + hex(tcode));
        f.size = size;
        int stored = storedSize(f);
        bool sizeOk = true;
        if (f.type == FieldType::Alpha || f.type == FieldType::Bytes)
            sizeOk = size >= 1;
        else if (isBlobType(f.type))
            sizeOk = size >= kBlobTail + (f.type == FieldType::Memo ? 1 : 0) && size <= 250;
        else if (f.type != FieldType::Bcd)
            sizeOk = size == stored;
        if (!sizeOk)
            throw Error(file,
                "field " + std::to_string(i + 1) + " (" + fieldTypeName(f.type) + ") has bad size "
                    + std::to_string(size));
        if (isBlobType(f.type))
            f.size = size - kBlobTail;
        h.offsets.push_back(offset);
        offset += stored;
        h.fields.push_back(std::move(f));
    }
    if (offset != h.recordSize || h.recordSize == 0)
        throw Error(file,
            "record size " + std::to_string(h.recordSize) + " does not match the fields (" + std::to_string(offset)
                + ")");
    if (static_cast<std::size_t>(h.recordSize) > static_cast<std::size_t>(h.blockSize) - kBlockHeader)
        throw Error(file, "records are larger than a data block");

    const int nameLen = h.version >= 0x0C ? kTableNameLong : kTableNameShort;
    std::size_t pos
        = infoPos + 2 * numFields + 4 + 4 * numFields + nameLen; // table name and field name pointers, table name
    for (int i = 0; i < numFields; ++i) {
        if (pos >= hs)
            throw Error(file, "field names run past the header");
        const void* end = std::memchr(d + pos, 0, hs - pos);
        if (!end)
            throw Error(file, "field names run past the header");
        const std::size_t len = static_cast<const std::uint8_t*>(end) - (d + pos);
        h.fields[i].name = decodeText(*h.cp, d + pos, len);
        pos += len + 1;
    }
    return h;
}

class BlobSource {
public:
    explicit BlobSource(const std::filesystem::path& dbFile)
        : dbFile_(dbFile)
    {
    }

    // The blob whose pointer and length stand in the record's tail.
    const std::uint8_t* locate(std::uint32_t pointer, std::uint32_t length, int field, std::size_t record)
    {
        load();
        const std::uint32_t index = pointer & 0xFF;
        const std::size_t block = pointer & ~0xFFu;
        const auto& b = bytes_;
        auto fail = [&](const std::string& what) -> Error {
            return Error(mbFile_,
                "blob of field " + std::to_string(field + 1) + " in record " + std::to_string(record + 1) + ": "
                    + what);
        };
        if (block % kMbChunk != 0 || block == 0 || block >= b.size())
            throw fail("points to " + hex(static_cast<unsigned>(block)) + ", which is not a block of the file");
        const std::uint8_t* blk = b.data() + block;
        const std::size_t avail = b.size() - block;
        if (index == 0xFF) {
            if (avail < 9 || blk[0] != 2)
                throw fail("the block at " + hex(static_cast<unsigned>(block)) + " is not a single-blob block");
            const std::size_t blockLen = static_cast<std::size_t>(get16(blk + 1)) * kMbChunk;
            const std::uint32_t stored = get32(blk + 3);
            if (stored != length)
                throw fail("length " + std::to_string(length) + " differs from the block's " + std::to_string(stored));
            if (9 + static_cast<std::size_t>(length) > blockLen || 9 + static_cast<std::size_t>(length) > avail)
                throw fail("the data runs past its block or the file");
            return blk + 9;
        }
        if (index >= 64)
            throw fail("bad pointer index " + std::to_string(index));
        if (avail < kSubFirstData || blk[0] != 3)
            throw fail("the block at " + hex(static_cast<unsigned>(block)) + " is not a shared-blob block");
        const std::uint8_t* e = blk + kSubHeader + 5 * index;
        const std::size_t dataOffset = static_cast<std::size_t>(e[0]) * 16;
        const int chunks = e[1];
        const int last = e[4];
        if (dataOffset == 0 || chunks == 0 || last < 1 || last > 16)
            throw fail("the blob was deleted");
        const std::size_t len = static_cast<std::size_t>(chunks - 1) * 16 + last;
        if (len != length)
            throw fail("length " + std::to_string(length) + " differs from the block's " + std::to_string(len));
        if (dataOffset < kSubFirstData || dataOffset + len > kMbChunk || dataOffset + len > avail)
            throw fail("the data runs past its block or the file");
        return blk + dataOffset;
    }

private:
    void load()
    {
        if (loaded_)
            return;
        // A blob file that cannot be used fails every blob the same way.
        if (loadError_)
            throw *loadError_;
        try {
            const std::string name = dbFile_.stem().string() + ".mb";
            auto found = resolveNoCase(dbFile_.parent_path().empty() ? "." : dbFile_.parent_path(), name);
            mbFile_ = found ? *found : dbFile_.parent_path() / (dbFile_.stem().string() + ".MB");
            if (!found)
                throw Error(mbFile_, "the blob file of " + dbFile_.filename().string() + " is missing");
            bytes_ = FileBytes(mbFile_);
            if (bytes_.size() < 3 || bytes_.data()[0] != 0)
                throw Error(mbFile_, "not a Paradox blob file");
        } catch (const Error& e) {
            loadError_ = e;
            throw;
        }
        loaded_ = true;
    }

    std::filesystem::path dbFile_;
    std::filesystem::path mbFile_;
    FileBytes bytes_;
    bool loaded_ = false;
    std::optional<Error> loadError_;
};

class RecordDecoder {
public:
    RecordDecoder(const std::filesystem::path& file, const Header& h, std::vector<DamagedValue>& damaged)
        : file_(file)
        , h_(h)
        , blobs_(file)
        , damaged_(damaged)
    {
    }

    void decode(const std::uint8_t* rec, std::size_t recordNo, std::span<Value> out)
    {
        const std::size_t n = h_.fields.size();
        for (std::size_t i = 0; i < n; ++i) {
            const FieldDef& f = h_.fields[i];
            const std::uint8_t* p = rec + h_.offsets[i];
            Value& v = out[i];
            switch (f.type) {
            case FieldType::Alpha: {
                const void* z = std::memchr(p, 0, f.size);
                const std::size_t len = z ? static_cast<const std::uint8_t*>(z) - p : f.size;
                if (len)
                    v = decodeText(*h_.cp, p, len);
                break;
            }
            case FieldType::Date:
                if (!allZero(p, 4))
                    v = static_cast<double>(getStoredInt(p, 4) - kDateDelta);
                break;
            case FieldType::Short:
                if (!allZero(p, 2))
                    v = getStoredInt(p, 2);
                break;
            case FieldType::Long:
            case FieldType::AutoInc:
                if (!allZero(p, 4))
                    v = getStoredInt(p, 4);
                break;
            case FieldType::Time:
                if (!allZero(p, 4))
                    v = static_cast<double>(getStoredInt(p, 4)) / 86400000.0;
                break;
            case FieldType::Currency:
            case FieldType::Number:
                if (!allZero(p, 8))
                    v = getStoredDouble(p);
                break;
            case FieldType::Timestamp:
                if (!allZero(p, 8))
                    v = getStoredDouble(p) / 86400000.0 - static_cast<double>(kDateDelta);
                break;
            case FieldType::Logical:
                if (p[0])
                    v = (p[0] & 0x7F) != 0;
                break;
            case FieldType::Bcd:
                if (!allZero(p, 17))
                    v = Blob(p, p + 17);
                break;
            case FieldType::Bytes:
                if (!allZero(p, f.size))
                    v = Blob(p, p + f.size);
                break;
            case FieldType::Memo:
            case FieldType::Blob:
            case FieldType::FormattedMemo:
            case FieldType::Ole:
            case FieldType::Graphic:
                // A blob that cannot be read damages its own field only.
                try {
                    decodeBlob(f, static_cast<int>(i), p, recordNo, v);
                } catch (const Error& e) {
                    v = std::monostate();
                    damaged_.push_back({ recordNo, static_cast<int>(i), e.what(), e.file() });
                }
                break;
            }
        }
    }

private:
    void decodeBlob(const FieldDef& f, int index, const std::uint8_t* p, std::size_t recordNo, Value& v)
    {
        const std::uint8_t* tail = p + f.size;
        const std::uint32_t pointer = get32(tail);
        const std::uint32_t length = get32(tail + 4);
        if (length == 0)
            return;
        const std::uint8_t* data;
        if (pointer == 0) {
            if (length > static_cast<std::uint32_t>(f.size))
                throw Error(file_,
                    "blob of field " + std::to_string(index + 1) + " in record " + std::to_string(recordNo + 1)
                        + " is longer than its leader and has no blob file pointer");
            data = p;
        } else {
            data = blobs_.locate(pointer, length, index, recordNo);
        }
        if (f.type == FieldType::Memo)
            v = decodeText(*h_.cp, data, length);
        else
            v = Blob(data, data + length);
    }

    const std::filesystem::path& file_;
    const Header& h_;
    BlobSource blobs_;
    std::vector<DamagedValue>& damaged_;
};

// The file as named or, when that is missing, a file whose name differs only in case.
std::filesystem::path locate(const std::filesystem::path& requested)
{
    std::error_code ec;
    if (std::filesystem::exists(requested, ec))
        return requested;
    const auto parent = requested.parent_path();
    auto found = resolveNoCase(parent.empty() ? std::filesystem::path(".") : parent, requested.filename().string());
    if (!found)
        return requested;
    return parent.empty() ? found->filename() : *found;
}

} // namespace

Table readStructure(const std::filesystem::path& requested)
{
    const std::filesystem::path dbFile = locate(requested);
    const InputFile in(dbFile);
    Header h = parseHeader(dbFile, readHeader(dbFile, in));
    Table t;
    t.fields = std::move(h.fields);
    t.keyFieldCount = h.keyFields;
    return t;
}

Table readTable(const std::filesystem::path& requested)
{
    const std::filesystem::path dbFile = locate(requested);
    const InputFile in(dbFile);
    const Header h = parseHeader(dbFile, readHeader(dbFile, in));
    Table t;
    t.fields = h.fields;
    t.keyFieldCount = h.keyFields;

    const std::size_t hs = static_cast<std::size_t>(h.headerSize);
    const std::size_t bs = static_cast<std::size_t>(h.blockSize);
    const std::size_t physicalBlocks = (in.size() - hs) / bs;
    const std::size_t rs = static_cast<std::size_t>(h.recordSize);
    // Never trust the header's count further than the file could hold.
    t.records.reserve(
        std::min<std::size_t>(h.numRecords, physicalBlocks * ((bs - kBlockHeader) / rs)), h.fields.size());

    RecordDecoder decoder(dbFile, h, t.damaged);
    BlockReader blocks(in, hs, bs, physicalBlocks);
    std::vector<bool> visited(physicalBlocks + 1, false);
    std::size_t block = static_cast<std::size_t>(h.firstBlock);
    if (block == 0 && h.numRecords != 0)
        throw Error(dbFile, "the header counts " + std::to_string(h.numRecords) + " records but names no first block");
    while (block != 0) {
        if (block > physicalBlocks)
            throw Error(dbFile, "data block " + std::to_string(block) + " lies beyond the end of the file");
        if (visited[block])
            throw Error(dbFile, "the data block chain loops back to block " + std::to_string(block));
        visited[block] = true;
        const std::uint8_t* blk = blocks.block(block);
        const std::size_t next = get16(blk);
        const auto addSize = static_cast<std::int16_t>(get16(blk + 4));
        if (addSize >= 0) {
            const std::size_t count = static_cast<std::size_t>(addSize) / rs + 1;
            if (count * rs > bs - kBlockHeader)
                throw Error(dbFile, "data block " + std::to_string(block) + " claims more records than it holds");
            for (std::size_t r = 0; r < count; ++r) {
                const auto out = t.records.appendBlank(h.fields.size());
                decoder.decode(blk + kBlockHeader + r * rs, t.records.size() - 1, out);
            }
        }
        block = next;
    }
    // A chain cut short or run astray would otherwise lose records silently.
    if (t.records.size() != h.numRecords)
        throw Error(dbFile,
            "the header counts " + std::to_string(h.numRecords) + " records but the data blocks hold "
                + std::to_string(t.records.size()));
    return t;
}

} // namespace paradox
