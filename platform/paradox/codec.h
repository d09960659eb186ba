#pragma once

// Pieces shared by the reader and the writer: type codes, the stored form of
// numbers (big-endian with the sign bit turned so that bytes sort like
// values, all zeros meaning blank), header offsets and code page tables.

#include "platform/paradox/paradox.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>

namespace paradox::detail {

// Header offsets shared by .DB and .PX files.
inline constexpr std::size_t kRecordSize = 0x00;
inline constexpr std::size_t kHeaderSize = 0x02;
inline constexpr std::size_t kFileType = 0x04;
inline constexpr std::size_t kBlockSizeCode = 0x05;
inline constexpr std::size_t kNumRecords = 0x06;
inline constexpr std::size_t kUsedBlocks = 0x0A;
inline constexpr std::size_t kFileBlocks = 0x0C;
inline constexpr std::size_t kFirstBlock = 0x0E;
inline constexpr std::size_t kLastBlock = 0x10;
inline constexpr std::size_t kIndexRoot = 0x1E;
inline constexpr std::size_t kIndexLevels = 0x20;
inline constexpr std::size_t kNumFields = 0x21;
inline constexpr std::size_t kKeyFields = 0x23;
inline constexpr std::size_t kEncryption1 = 0x25;
inline constexpr std::size_t kSortOrder = 0x29;
inline constexpr std::size_t kChangeCount1 = 0x2D;
inline constexpr std::size_t kFileVersion = 0x39;
inline constexpr std::size_t kMaxBlocks = 0x3A;
inline constexpr std::size_t kAutoInc = 0x49;
inline constexpr std::size_t kFirstFreeBlock = 0x4D;
inline constexpr std::size_t kFileVersion2 = 0x58;
inline constexpr std::size_t kFileVersion3 = 0x5A;
inline constexpr std::size_t kEncryption2 = 0x5C;
inline constexpr std::size_t kHiFieldId = 0x64;
inline constexpr std::size_t kHiFieldIdInfo = 0x66;
inline constexpr std::size_t kCodePage = 0x6A;
inline constexpr std::size_t kFieldInfo4 = 0x78; // 4.x and later tables
inline constexpr std::size_t kFieldInfo3 = 0x58; // 3.x tables and index files

inline constexpr std::size_t kBlockHeader = 6;
inline constexpr std::size_t kMbChunk = 4096;
inline constexpr std::size_t kSubHeader = 12; // type 3 block header
inline constexpr std::size_t kSubFirstData = 0x150; // after the 64 five-byte pointers
inline constexpr std::size_t kSubThreshold = 2048; // smaller blobs share a type 3 block
inline constexpr int kBlobTail = 10; // offset, length, modification number

inline constexpr int kTableNameShort = 79; // up to version 5
inline constexpr int kTableNameLong = 261; // version 7

std::uint8_t typeCode(FieldType type);
bool fieldTypeFromCode(std::uint8_t code, FieldType& out);
bool isBlobType(FieldType type);
// Size of the field in the record; for blob fields leader plus 10.
int storedSize(const FieldDef& field);

inline std::uint16_t get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// Stored integers: big-endian two's complement with the sign bit inverted.
inline bool allZero(const std::uint8_t* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        if (p[i])
            return false;
    return true;
}
inline std::int64_t getStoredInt(const std::uint8_t* p, int n)
{
    std::uint64_t v = p[0] ^ 0x80u;
    for (int i = 1; i < n; ++i)
        v = (v << 8) | p[i];
    // Sign-extend from n bytes.
    const int shift = 64 - 8 * n;
    return static_cast<std::int64_t>(v << shift) >> shift;
}
inline void putStoredInt(std::uint8_t* p, std::int64_t value, int n)
{
    auto v = static_cast<std::uint64_t>(value);
    for (int i = n - 1; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>(v);
        v >>= 8;
    }
    p[0] ^= 0x80;
}
// Stored doubles: big-endian; positive numbers get the sign bit set,
// negative numbers have every bit inverted.
inline double getStoredDouble(const std::uint8_t* p)
{
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    if (v & 0x8000000000000000ull)
        v &= 0x7FFFFFFFFFFFFFFFull;
    else
        v = ~v;
    double d;
    std::memcpy(&d, &v, 8);
    return d;
}
inline void putStoredDouble(std::uint8_t* p, double d)
{
    std::uint64_t v;
    std::memcpy(&v, &d, 8);
    if (v & 0x8000000000000000ull)
        v = ~v;
    else
        v |= 0x8000000000000000ull;
    for (int i = 7; i >= 0; --i) {
        p[i] = static_cast<std::uint8_t>(v);
        v >>= 8;
    }
}

// Day number 1 is 1 January of the year 1; rtl::TDateTime 0 is 30 December 1899.
inline constexpr std::int64_t kDateDelta = 693594;

// One code page's bytes as UTF-8 and back.
struct CodePage {
    int number = 0;
    std::array<std::string, 256> toUtf8;
    std::array<bool, 256> ascii {}; // byte maps to itself
    std::unordered_map<char32_t, std::uint8_t> fromUnicode;
};
// The table for `codePage` (437 for 0); nullptr when iconv does not know it.
const CodePage* codePage(int number);
// UTF-8 to the code page; false when a character has no byte or the text is not UTF-8.
bool encodeText(const CodePage& cp, std::string_view utf8, std::string& out);

} // namespace paradox::detail
