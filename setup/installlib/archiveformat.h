#pragma once

// The install archive's on-disk layout. All numbers are little-endian and
// every record is written field by field, so the bytes do not depend on the
// compiler's packing or the host's byte order.
//
//   0   int32   number of members
//   4   byte    table flag: 0 = header, data, header, data ...;
//               1 = all headers first (volume sets), then all data
//   5   ...     headers (TFileHeader, 172 bytes each) and zlib streams
//
// Positions inside the archive count from its start, which lies at the
// component's Offset within the file (non-zero in a self-extracting setup).

#include "platform/rtl/datetime.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace installlib {

inline constexpr int kArchiveCountSize = 5; // member count and table flag
inline constexpr int kFileHeaderSize = 172;
inline constexpr int kMaxSourcePathLength = 100;
inline constexpr int kMaxVersionLength = 20;
inline constexpr int kMemberIdCount = 2000; // IDs 0..1999 have a map entry

// One member header. The padding and the unused tail of the two strings
// are kept as read, so rewriting an old header changes only its fields.
class TFileHeader {
public:
    std::int32_t Number = 0; // 1-based within the add call that packed it
    rtl::TDateTime Date = 0; // modification time of the source
    std::uint8_t LastVolume = 0; // volume of the last data byte; 0 in a single file
    std::int32_t EndOffset = 0; // position of the last data byte in the last volume
    std::string SourcePath; // as given to the add call, at most 100 characters
    std::int32_t NextHeader = 0; // behind the data (flag 0) or behind this header (flag 1)
    std::int32_t Size = 0; // uncompressed size
    std::int32_t DataOffset = 0; // first byte of the zlib stream in the first volume
    std::int32_t CompressedSize = 0; // archive size once this member was written
    std::uint8_t FirstVolume = 0; // 0 reads as volume 1
    std::int32_t ID = 0; // the caller's identifier
    std::string Version; // file version, at most 20 characters

    // Set for headers read from the archive (old members while appending).
    bool ReadFromArchive = false;

    using Bytes = std::array<std::uint8_t, kFileHeaderSize>;

    // Fills the fields from 172 bytes. False (fields unspecified) when a
    // string's length byte exceeds its field.
    bool Decode(const std::uint8_t* bytes);
    // The 172 bytes: the bytes as read (zero for a new header) with the fields
    // written over them. Raises EQrleCompress when a string is too long.
    Bytes Encode() const;

    // The volumes with 0 read as 1.
    int FirstVolumeNumber() const { return FirstVolume == 0 ? 1 : FirstVolume; }
    int LastVolumeNumber() const { return LastVolume == 0 ? 1 : LastVolume; }

private:
    Bytes raw_ {};
};

// The ordered list of headers of one archive, with its table flag.
class TFileHeaders {
public:
    std::uint8_t TableFlag = 0;

    int Count() const { return static_cast<int>(headers_.size()); }
    // Raises EQrleCompress "%d is an invalid TFileHeader index ..." outside 0..Count-1.
    TFileHeader& GetFileHeaders(int Index);
    const TFileHeader& GetFileHeaders(int Index) const;
    // Raises EQrleCompress "Tried to add an invalid file header" for a header
    // whose trimmed source path is empty.
    TFileHeader& Add(const TFileHeader& Header);
    // Removes the header at Index (a member that could not be completed).
    void Delete(int Index);
    void Clear() { headers_.clear(); }

private:
    std::vector<std::unique_ptr<TFileHeader>> headers_;
};

// Little-endian helpers for the count block and the headers.
void PutInt32(std::uint8_t* p, std::int32_t v);
std::int32_t GetInt32(const std::uint8_t* p);

// The file name a member may be written under: the part behind the last "\"
// or "/". Empty when that is no plain name ("", ".", "..", a drive letter,
// NUL or another control character), so nothing is written outside the
// extract directory.
std::string SafeMemberFileName(std::string_view Path);

} // namespace installlib
