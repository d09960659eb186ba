#include "setup/installlib/archiveformat.h"

#include "setup/installlib/exceptions.h"
#include "setup/installlib/format.h"
#include "setup/installlib/translator.h"

#include <cstring>

namespace installlib {

namespace {

// Field offsets within the 172-byte header.
constexpr int kNumber = 0;
constexpr int kDate = 4;
constexpr int kLastVolume = 12;
constexpr int kEndOffset = 16;
constexpr int kSourcePath = 20;
constexpr int kNextHeader = 124;
constexpr int kSize = 128;
constexpr int kDataOffset = 132;
constexpr int kCompressedSize = 136;
constexpr int kFirstVolume = 140;
constexpr int kID = 144;
constexpr int kVersion = 148;

void putDouble(std::uint8_t* p, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

double getDouble(const std::uint8_t* p)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= std::uint64_t(p[i]) << (8 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

bool getShortString(const std::uint8_t* p, int maxLength, std::string& out)
{
    if (p[0] > maxLength)
        return false;
    out.assign(reinterpret_cast<const char*>(p + 1), p[0]);
    return true;
}

void putShortString(std::uint8_t* p, int maxLength, const std::string& s, std::string_view tooLong)
{
    if (s.size() > std::size_t(maxLength))
        throw EQrleCompress(TranslateFormat(tooLong, { s, maxLength }));
    p[0] = static_cast<std::uint8_t>(s.size());
    std::memcpy(p + 1, s.data(), s.size());
}

bool isBlank(std::string_view s)
{
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    return true;
}

// 1 January 1980 and 1 January 2108 as day counts: the range of a DOS date.
constexpr double kFirstDosDay = 29221.0;
constexpr double kPastLastDosDay = 76337.0;

} // namespace

void PutInt32(std::uint8_t* p, std::int32_t v)
{
    auto u = static_cast<std::uint32_t>(v);
    p[0] = static_cast<std::uint8_t>(u);
    p[1] = static_cast<std::uint8_t>(u >> 8);
    p[2] = static_cast<std::uint8_t>(u >> 16);
    p[3] = static_cast<std::uint8_t>(u >> 24);
}

std::int32_t GetInt32(const std::uint8_t* p)
{
    std::uint32_t u
        = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    return static_cast<std::int32_t>(u);
}

bool TFileHeader::Decode(const std::uint8_t* bytes)
{
    std::memcpy(raw_.data(), bytes, raw_.size());
    Number = GetInt32(bytes + kNumber);
    Date = getDouble(bytes + kDate);
    LastVolume = bytes[kLastVolume];
    EndOffset = GetInt32(bytes + kEndOffset);
    NextHeader = GetInt32(bytes + kNextHeader);
    Size = GetInt32(bytes + kSize);
    DataOffset = GetInt32(bytes + kDataOffset);
    CompressedSize = GetInt32(bytes + kCompressedSize);
    FirstVolume = bytes[kFirstVolume];
    ID = GetInt32(bytes + kID);
    // A date a DOS date stamp cannot hold is damage (0 stands for "no date").
    if (!(Date == 0.0 || (Date >= kFirstDosDay && Date < kPastLastDosDay)))
        return false;
    return getShortString(bytes + kSourcePath, kMaxSourcePathLength, SourcePath)
        && getShortString(bytes + kVersion, kMaxVersionLength, Version);
}

TFileHeader::Bytes TFileHeader::Encode() const
{
    Bytes b = raw_;
    PutInt32(b.data() + kNumber, Number);
    putDouble(b.data() + kDate, Date);
    b[kLastVolume] = LastVolume;
    PutInt32(b.data() + kEndOffset, EndOffset);
    putShortString(b.data() + kSourcePath, kMaxSourcePathLength, SourcePath,
        "The path %s is longer than %d characters and cannot be stored in the archive");
    PutInt32(b.data() + kNextHeader, NextHeader);
    PutInt32(b.data() + kSize, Size);
    PutInt32(b.data() + kDataOffset, DataOffset);
    PutInt32(b.data() + kCompressedSize, CompressedSize);
    b[kFirstVolume] = FirstVolume;
    PutInt32(b.data() + kID, ID);
    // The version field holds 20 characters; a longer version text is cut.
    putShortString(b.data() + kVersion, kMaxVersionLength, Version.substr(0, std::size_t(kMaxVersionLength)),
        "The version %s is longer than %d characters and cannot be stored in the archive");
    return b;
}

TFileHeader& TFileHeaders::GetFileHeaders(int Index)
{
    if (Index < 0 || Index >= Count())
        throw EQrleCompress(
            TranslateFormat("%d is an invalid TFileHeader index in TFileHeaders.GetFileHeaders", { Index }));
    return *headers_[std::size_t(Index)];
}

const TFileHeader& TFileHeaders::GetFileHeaders(int Index) const
{
    return const_cast<TFileHeaders*>(this)->GetFileHeaders(Index);
}

TFileHeader& TFileHeaders::Add(const TFileHeader& Header)
{
    if (isBlank(Header.SourcePath))
        throw EQrleCompress(TranslateText("Tried to add an invalid file header"));
    headers_.push_back(std::make_unique<TFileHeader>(Header));
    return *headers_.back();
}

void TFileHeaders::Delete(int Index)
{
    GetFileHeaders(Index);
    headers_.erase(headers_.begin() + Index);
}

std::string SafeMemberFileName(std::string_view Path)
{
    std::size_t cut = Path.find_last_of("\\/");
    std::string_view name = cut == std::string_view::npos ? Path : Path.substr(cut + 1);
    bool onlyDotsAndBlanks = true;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        // ":" would name a drive or a stream; control characters are no file names.
        if (u < 0x20 || c == ':')
            return {};
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    // Windows drops trailing dots and blanks, so ". ." is "." in disguise.
    if (name.empty() || onlyDotsAndBlanks)
        return {};
    return std::string(name);
}

} // namespace installlib
