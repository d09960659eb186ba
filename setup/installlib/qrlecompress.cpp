#include "setup/installlib/qrlecompress.h"

#include "platform/rtl/mathx.h"
#include "platform/ui/message_service.h"
#include "platform/win/dosdate.h"
#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "setup/installlib/format.h"
#include "setup/installlib/qrlecompressfiles.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace installlib {

using namespace qrlefiles;

namespace {

// Inflate output and input, and deflate input and output. The abort check,
// the message pump and the write run once per inflate output block (well
// under a millisecond of work).
constexpr std::uint32_t kInflateOut = 262144;
constexpr std::uint32_t kInflateIn = 65536;
constexpr std::uint32_t kDeflateIn = 65536;
constexpr std::uint32_t kDeflateOut = 65536;
constexpr std::int64_t kDeflateMaxRatio = 1032;

// Ends the zlib stream however the member ends.
struct DeflateStream {
    z_stream z {};
    bool live = false;
    ~DeflateStream()
    {
        if (live)
            deflateEnd(&z);
    }
};

// Members are zlib streams; they are inflated with ISA-L, which reads the
// zlib header, checks the Adler-32 at the end and runs at well over zlib's
// own speed. A stream with a preset dictionary is not one of ours.
const char* inflateError(int rc)
{
    switch (rc) {
    case ISAL_INVALID_BLOCK:
        return "invalid block type";
    case ISAL_INVALID_SYMBOL:
        return "invalid code";
    case ISAL_INVALID_LOOKBACK:
        return "invalid distance too far back";
    case ISAL_INVALID_WRAPPER:
        return "incorrect header check";
    case ISAL_UNSUPPORTED_METHOD:
        return "unknown compression method";
    case ISAL_INCORRECT_CHECKSUM:
        return "incorrect data check";
    case ISAL_NEED_DICT:
        return "needs a preset dictionary";
    }
    return "invalid data";
}

// A byte count as people read it: "900 bytes", "12 KB", "3.4 MB".
std::string byteCountText(std::int64_t bytes)
{
    char text[32];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%lld KB", static_cast<long long>((bytes + 1023) / 1024));
    else
        std::snprintf(text, sizeof text, "%.1f MB", std::ceil(bytes * 10.0 / (1024 * 1024)) / 10);
    return text;
}

} // namespace

std::string DiskFullText(const std::string& Path, std::int64_t Needed)
{
    const std::string drive = Path.size() >= 2 && Path[1] == ':' ? Path.substr(0, 2) : Path;
    std::optional<std::uint64_t> free = machine().diskFreeSpace(Path);
    const std::int64_t more = free ? Needed - static_cast<std::int64_t>(*free) : -1;
    if (Needed < 0 || more <= 0)
        return TranslateFormat("The disk in drive %s is full.", { drive });
    return TranslateFormat(
        "The disk in drive %s is full: at least %s more free space is needed.", { drive, byteCountText(more) });
}

int ZlibLevel(TCompressionLevel Level)
{
    switch (Level) {
    case colNone:
        return Z_NO_COMPRESSION;
    case colFastest:
        return Z_BEST_SPEED;
    case colDefault:
        return Z_DEFAULT_COMPRESSION;
    case colMax:
        return Z_BEST_COMPRESSION;
    }
    return Z_DEFAULT_COMPRESSION;
}

TQrleCompress::TQrleCompress(TComponent* Owner)
    : TComponent(Owner)
{
    idMap_.fill(-1);
}

TQrleCompress::~TQrleCompress() = default;

void TQrleCompress::SetCompressedFile(std::string_view Name)
{
    if (sameText(Name, compressedFile_))
        return;
    if (directoryRead_ && !sameText(changeFileExt(Name, ".1"), changeFileExt(compressedFile_, ".1")))
        directoryRead_ = false;
    compressedFile_ = std::string(Name);
}

void TQrleCompress::SetFilesToProcess(std::vector<std::string>& List)
{
    List.erase(std::remove_if(List.begin(), List.end(), [](const std::string& s) { return isBlank(s); }), List.end());
    filesToProcess_ = List;
}

void TQrleCompress::SetFilesToProcess(const std::vector<std::string>& List)
{
    std::vector<std::string> copy = List;
    SetFilesToProcess(copy);
}

// --- directory ---

void TQrleCompress::ReadDirectory()
{
    win::File archive;
    win::Machine& m = machine();
    if (compressedFile_.empty() || !m.fileExists(compressedFile_)
        || !archive.open(m, compressedFile_, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING))
        fail("Cannot open the compressed file %s", { compressedFile_ });
    readDirectoryFrom(archive);
}

std::string TQrleCompress::archiveText() const
{
    return Offset == 0 || ArchiveName.empty() ? compressedFile_
                                              : TranslateFormat("%s in %s", { ArchiveName, compressedFile_ });
}

void TQrleCompress::raiseDamaged(const std::string& target, const TFileHeader& header, std::string_view why) const
{
    fail("%s cannot be unpacked, because the member %s of the archive %s is damaged (%s).",
        { target, ExtractFileName(header.SourcePath), archiveText(), std::string(why) });
}

void TQrleCompress::noteShortWrite(const std::string& path, std::int64_t left)
{
    shortWritePath_ = path;
    shortWriteLeft_ = left;
}

void TQrleCompress::raiseCorrupt() const
{
    fail("Could not read the file headers for the compressed file. The Archive file could possible be corrupt");
}

void TQrleCompress::readDirectoryFrom(win::File& archive)
{
    directoryRead_ = false;
    idMap_.fill(-1);
    headers_.Clear();
    headers_.TableFlag = 0;

    const std::int64_t length = archive.size();
    std::uint8_t block[kArchiveCountSize];
    std::uint32_t done = 0;
    if (Offset < 0 || archive.seek(Offset, win::FILE_BEGIN) != Offset || !archive.read(block, sizeof block, done)
        || done != sizeof block)
        fail("Could not read the file header count for the compressed file");
    const std::int32_t count = GetInt32(block);
    const std::uint8_t flag = block[4];

    try {
        // Every number below comes from the file: each is checked against
        // the file's length before it is used.
        const std::int64_t first = std::int64_t(Offset) + kArchiveCountSize;
        if (count < 0 || flag > 1 || count > (length - first) / kFileHeaderSize)
            raiseCorrupt();
        std::int64_t p = first;
        std::uint8_t bytes[kFileHeaderSize];
        for (std::int32_t i = 0; i < count; ++i) {
            if (p + kFileHeaderSize > length || archive.seek(p, win::FILE_BEGIN) != p
                || !archive.read(bytes, kFileHeaderSize, done) || done != kFileHeaderSize)
                raiseCorrupt();
            TFileHeader h;
            if (!h.Decode(bytes))
                raiseCorrupt();
            h.ReadFromArchive = true;

            const int firstVolume = h.FirstVolumeNumber(), lastVolume = h.LastVolumeNumber();
            const std::int64_t dataStart = std::int64_t(Offset) + h.DataOffset;
            const std::int64_t dataEnd = std::int64_t(Offset) + h.EndOffset; // inclusive
            const std::int64_t next = std::int64_t(Offset) + h.NextHeader;
            bool sound = h.Size >= 0 && h.DataOffset >= 0 && h.EndOffset >= -1 && firstVolume <= lastVolume
                && (flag == 1 || lastVolume == 1) && (firstVolume != lastVolume || h.DataOffset <= h.EndOffset + 1)
                && (firstVolume != 1 || dataStart <= length)
                && (lastVolume != 1 || dataEnd < length)
                // The chain only moves forward, so it cannot loop.
                && next >= p + kFileHeaderSize && next <= length;
            if (!sound)
                raiseCorrupt();
            headers_.Add(h);
            p = next;
        }
    } catch (const EQrleCompress&) {
        headers_.Clear();
        raiseCorrupt();
    }
    headers_.TableFlag = flag;
    for (int i = 0; i < headers_.Count(); ++i) {
        std::int32_t id = headers_.GetFileHeaders(i).ID;
        if (id >= 0 && id < kMemberIdCount)
            idMap_[std::size_t(id)] = i;
    }
    directoryRead_ = true;
}

void TQrleCompress::ensureDirectory()
{
    if (!directoryRead_)
        ReadDirectory();
}

int TQrleCompress::MemberCount()
{
    if (!directoryRead_ && mode_ != Mode::Adding)
        ReadDirectory();
    return headers_.Count();
}

void TQrleCompress::GetMemberStats(int Index, TlzhFileStats& Stats)
{
    if (!directoryRead_ && mode_ != Mode::Adding)
        ReadDirectory();
    if (Index < 0 || Index >= headers_.Count())
        fail("Tried to access the %dth file. This file is not defined", { Index });
    resetTotals();
    fillStatsFromHeader(headers_.GetFileHeaders(Index));
    Stats = stats_;
}

int TQrleCompress::MemberIndexOfID(int ID)
{
    ensureDirectory();
    if (ID < 0 || ID >= kMemberIdCount)
        return -1;
    return idMap_[std::size_t(ID)];
}

// --- status ---

void TQrleCompress::resetTotals()
{
    stats_ = TlzhFileStats();
    totalDone_ = 0;
    std::int64_t size = 0, compressed = 0;
    for (int i = 0; i < headers_.Count(); ++i) {
        size += headers_.GetFileHeaders(i).Size;
        compressed += headers_.GetFileHeaders(i).CompressedSize;
    }
    stats_.TotalSize = clampInt32(size);
    stats_.TotalCompressed = clampInt32(compressed);
    stats_.TotalRatio = ratioOf(stats_.TotalCompressed, stats_.TotalSize);
}

void TQrleCompress::fillStatsFromHeader(const TFileHeader& header)
{
    stats_.FileName = header.SourcePath;
    stats_.FileSize = header.Size;
    stats_.CompressedSize = header.CompressedSize;
    stats_.Ratio = ratioOf(header.CompressedSize, header.Size);
    stats_.Header = header;
    stats_.FilePercent = 0;
    stats_.FileBytesDone = 0;
    stats_.Finished = 0;
}

void TQrleCompress::updatePercents(std::int32_t fileBase)
{
    stats_.TotalBytesDone = clampInt32(totalDone_ + stats_.FileBytesDone);
    stats_.FilePercent = percentOf(stats_.FileBytesDone, fileBase);
    stats_.TotalPercent = percentOf(stats_.TotalBytesDone, stats_.TotalSize);
}

void TQrleCompress::fireStatus()
{
    if (OnStatus)
        OnStatus(*this, stats_);
}

void TQrleCompress::raiseAborted()
{
    throw EqcAborted(TranslateText("Operation aborted by user"));
}

void TQrleCompress::pumpAndCheckAbort()
{
    if (Abort)
        raiseAborted();
    ui::MessageService::current().processMessages();
}

void TQrleCompress::FullDisk()
{
    if (OnFullDisk)
        OnFullDisk(this);
    else
        throw EqcDiskFull(DiskFullText(
            shortWritePath_, shortWriteLeft_ < 0 ? -1 : shortWriteLeft_ + (BytesToFollow ? BytesToFollow() : 0)));
}

// --- adding ---

bool TQrleCompress::AddFiles(bool Append, int ID)
{
    Abort = false;
    mode_ = Mode::Adding;
    headers_.TableFlag = 0;
    Offset = 0;
    bool aborted = false;
    win::File archive;
    try {
        win::Machine& m = machine();
        std::string dir = RemoveBackslash(ExtractFilePath(compressedFile_));
        if (!dir.empty() && !m.directoryExists(dir))
            m.forceDirectories(dir);

        // Every line is checked before the archive is touched, so a bad
        // line never leaves a truncated archive behind.
        std::vector<TFileHeader> fresh;
        std::int64_t totalSize = 0;
        for (const std::string& line : filesToProcess_) {
            TFileHeader h;
            h.SourcePath = GetDelimitedItem(line, 1);
            if (isBlank(h.SourcePath))
                fail("Tried to add an invalid file header");
            if (h.SourcePath.size() > std::size_t(kMaxSourcePathLength))
                fail("The path %s is longer than %d characters and cannot be stored in the archive",
                    { h.SourcePath, kMaxSourcePathLength });
            win::File source;
            if (!source.open(m, h.SourcePath, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING))
                fail("Cannot open the file %s", { h.SourcePath });
            std::optional<std::uint32_t> stamp = source.dosDateTime();
            std::optional<rtl::TDateTime> date = stamp ? win::dosDateTimeToDateTime(*stamp) : std::nullopt;
            h.Date = date.value_or(0.0);
            std::int64_t size = source.size();
            // Only executable images carry a version resource; asking the
            // reader about any other file would read it whole for nothing.
            char magic[2] = {};
            std::uint32_t got = 0;
            bool image = source.read(magic, 2, got) && got == 2 && magic[0] == 'M' && magic[1] == 'Z';
            source.close();
            if (size > INT32_MAX)
                fail("The file %s is too large to be stored in the archive", { h.SourcePath });
            h.Size = static_cast<std::int32_t>(size);
            if (image) {
                TVersionResource& reader = SharedVersionResource();
                reader.SetFileName(h.SourcePath);
                h.Version = reader.VersionInfo().FileVersion;
            }
            // The header holds 20 characters of the version; more are cut.
            if (h.Version.size() > std::size_t(kMaxVersionLength))
                h.Version.resize(std::size_t(kMaxVersionLength));
            h.Number = static_cast<std::int32_t>(fresh.size()) + 1;
            totalSize += size;
            fresh.push_back(std::move(h));
        }

        if (Append && m.fileExists(compressedFile_)) {
            if (!archive.open(
                    m, compressedFile_, win::GENERIC_READ | win::GENERIC_WRITE, kShareAll, win::OPEN_EXISTING))
                fail("Cannot open the compressed file %s", { compressedFile_ });
            readDirectoryFrom(archive);
            directoryRead_ = false;
            if (headers_.TableFlag != 0)
                fail("The archive %s is split into volumes and cannot be added to", { compressedFile_ });
        } else {
            headers_.Clear();
            idMap_.fill(-1);
            if (compressedFile_.empty()
                || !archive.open(m, compressedFile_, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS))
                fail("Cannot create the file %s", { compressedFile_ });
        }
        const int oldCount = headers_.Count();

        stats_ = TlzhFileStats();
        totalDone_ = 0;
        stats_.TotalSize = clampInt32(totalSize);
        writeCountBlock(archive, oldCount, 0);
        archive.seek(0, win::FILE_END);

        // The count at the start covers only members written completely; a
        // member that fails is cut off again, so the archive stays valid.
        std::int64_t validEnd = archive.position();
        for (std::size_t k = 0; k < fresh.size(); ++k) {
            int index = headers_.Count();
            TFileHeader& header = headers_.Add(fresh[k]);
            try {
                addOneMember(archive, header, index, ID);
                writeCountBlock(archive, oldCount + static_cast<std::int32_t>(k) + 1, 0);
                validEnd = archive.seek(0, win::FILE_END);
            } catch (...) {
                headers_.Delete(index);
                if (archive.seek(validEnd, win::FILE_BEGIN) == validEnd)
                    archive.setEndOfFile();
                try {
                    writeCountBlock(archive, oldCount + static_cast<std::int32_t>(k), 0);
                } catch (const EQrleCompress&) {
                    // The count already excludes this member.
                }
                throw;
            }
        }
    } catch (const EqcAborted&) {
        aborted = true;
    } catch (const EAbort&) {
    } catch (...) {
        Abort = true;
        archive.close();
        directoryRead_ = false;
        filesToProcess_.clear();
        mode_ = Mode::Idle;
        throw;
    }
    archive.close();
    directoryRead_ = false;
    filesToProcess_.clear();
    mode_ = Mode::Idle;
    if (aborted && OnAborted)
        OnAborted(this);
    return !aborted;
}

void TQrleCompress::addOneMember(win::File& archive, TFileHeader& header, int index, int id)
{
    win::Machine& m = machine();
    win::File source;
    if (!source.open(m, header.SourcePath, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING))
        fail("Cannot open the file %s", { header.SourcePath });

    const std::int64_t headerPos = archive.position();
    writeHeader(archive, header);
    header.DataOffset = clampInt32(archive.position());
    fillStatsFromHeader(header);
    stats_.CompressedSize = 0;
    if (OnBeforeAdding)
        OnBeforeAdding(*this, stats_);

    DeflateStream stream;
    if (deflateInit2(&stream.z, ZlibLevel(CompressionLevel), Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        fail("Could not start the compression of the file %s", { header.SourcePath });
    stream.live = true;

    inBlock_.resize(std::max<std::size_t>(inBlock_.size(), kDeflateIn));
    outBlock_.resize(std::max<std::size_t>(outBlock_.size(), kDeflateOut));
    std::vector<unsigned char>& in = inBlock_;
    std::vector<unsigned char>& out = outBlock_;
    std::int64_t consumed = 0;
    auto step = [&] {
        pumpAndCheckAbort();
        stats_.FileBytesDone = clampInt32(consumed);
        stats_.CompressedSize = clampInt32(archive.position());
        updatePercents(stats_.FileSize);
        fireStatus();
    };
    int flush = Z_NO_FLUSH;
    do {
        std::uint32_t got = 0;
        if (!source.read(in.data(), kDeflateIn, got))
            fail("Cannot read the file %s", { header.SourcePath });
        flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.z.next_in = in.data();
        stream.z.avail_in = got;
        do {
            stream.z.next_out = out.data();
            stream.z.avail_out = kDeflateOut;
            deflate(&stream.z, flush);
            std::uint32_t have = kDeflateOut - stream.z.avail_out;
            std::uint32_t written = 0;
            if (have > 0 && (!archive.write(out.data(), have, written) || written != have)) {
                noteShortWrite(compressedFile_, -1); // the packed size is not known ahead
                FullDisk();
                // The handler returned, but the member's data is incomplete.
                throw EqcDiskFull(DiskFullText(compressedFile_, -1));
            }
        } while (stream.z.avail_out == 0);
        consumed += got;
        if (got > 0)
            step();
    } while (flush != Z_FINISH);

    const std::int64_t end = archive.position();
    if (end > INT32_MAX)
        fail("The compressed file %s would grow past 2 GB", { compressedFile_ });
    // The file may have changed since the line was examined: the header
    // records what was packed.
    header.Size = clampInt32(consumed);
    stats_.FileSize = header.Size;
    stats_.CompressedSize = static_cast<std::int32_t>(end);
    stats_.Ratio = ratioOf(stats_.CompressedSize, stats_.FileSize);
    stats_.Finished = 1;
    step();
    stats_.Finished = 0;

    header.EndOffset = static_cast<std::int32_t>(end - 1);
    header.NextHeader = static_cast<std::int32_t>(end);
    header.CompressedSize = static_cast<std::int32_t>(end);
    header.ID = id;
    if (archive.seek(headerPos, win::FILE_BEGIN) != headerPos)
        fail("Could not write the file headers for the compressed file");
    writeHeader(archive, header);
    archive.seek(end, win::FILE_BEGIN);
    if (id >= 0 && id < kMemberIdCount)
        idMap_[std::size_t(id)] = index;
    stats_.Header = header;
    if (OnAfterAdding)
        OnAfterAdding(*this, stats_);
    stats_.TotalCompressed = clampInt32(std::int64_t(stats_.TotalCompressed) + (end - headerPos) + 1);
    totalDone_ += consumed;
}

// --- extracting ---

bool TQrleCompress::ExtractFiles()
{
    Abort = false;
    mode_ = Mode::Extracting;
    bool aborted = false;
    try {
        ensureDirectory();
        currentVolume_ = 0;
        resetTotals();
        for (const std::string& line : filesToProcess_) {
            SkipMember = false;
            std::string wanted = GetDelimitedItem(line, 1);
            const TFileHeader* found = nullptr;
            for (int i = 0; i < headers_.Count() && !found; ++i)
                if (sameText(headers_.GetFileHeaders(i).SourcePath, wanted))
                    found = &headers_.GetFileHeaders(i);
            if (!found)
                fail("%s cannot be unpacked, because the archive %s holds no member %s.",
                    { AddBackslash(ExtractDirectory)
                            + (isBlank(DestinationName) ? ExtractFileName(wanted) : DestinationName),
                        archiveText(), ExtractFileName(wanted) });
            TFileHeader header = *found;
            extractOneMember(header);
            DestinationName.clear();
        }
    } catch (const EqcAborted&) {
        aborted = true;
    } catch (const EAbort&) {
    } catch (...) {
        Abort = true;
        filesToProcess_.clear();
        DestinationName.clear();
        mode_ = Mode::Idle;
        throw;
    }
    filesToProcess_.clear();
    DestinationName.clear();
    mode_ = Mode::Idle;
    if (aborted && OnAborted)
        OnAborted(this);
    return !aborted;
}

void TQrleCompress::extractOneMember(const TFileHeader& header)
{
    win::Machine& m = machine();
    fillStatsFromHeader(header);
    // The stored path is split at "\" and "/" only: "C:evil" stays as it is
    // and is refused below instead of becoming "evil".
    if (isBlank(DestinationName))
        DestinationName = header.SourcePath.substr(header.SourcePath.find_last_of("\\/") + 1);
    if (OnBeforeExtracting)
        OnBeforeExtracting(*this, stats_);

    auto targetFor = [&] {
        std::string name = SafeMemberFileName(DestinationName);
        if (name.empty())
            fail("The file name <%s> of a member of the archive <%s> is not a valid file name",
                { DestinationName, archiveText() });
        return AddBackslash(ExtractDirectory) + name;
    };
    std::string target = targetFor();

    bool write = true;
    if (m.fileExists(target)) {
        switch (CompareForOverwrite(header.Version, target, Overwrite, header.Date)) {
        case orReplace:
            if (OnReplace) {
                OnReplace(*this, stats_);
                target = targetFor();
            }
            break;
        case orSame:
        case orKeep:
            write = false;
            break;
        default:
            fail("Error comparing file versions in TQrleCompress");
        }
    }
    if (SkipMember)
        write = false;
    if (!write) {
        stats_.Finished = 1;
        fireStatus();
        stats_.Finished = 0;
        return;
    }

    TempTarget temp(target);
    // Room for the whole file up front; a member in one volume can claim no
    // more than deflate's greatest expansion of its stored bytes.
    if (header.FirstVolumeNumber() == header.LastVolumeNumber())
        temp.file.reserve(std::min<std::int64_t>(
            header.Size, (std::int64_t(header.EndOffset) + 1 - header.DataOffset) * kDeflateMaxRatio));
    inflateMember(header, temp.file, target);
    stats_.Finished = 1;
    fireStatus();
    stats_.Finished = 0;
    // Also where a full disk's handler returned and bytes were lost.
    if (temp.file.size() != header.Size)
        fail("%s cannot be unpacked, because its size does not match the member %s of the archive %s.",
            { target, ExtractFileName(header.SourcePath), archiveText() });
    totalDone_ += header.Size;
    temp.commit(target, win::dateTimeToDosDateTime(header.Date), "Cannot set the date of the file just extracted.");
}

void TQrleCompress::inflateMember(const TFileHeader& header, win::File& target, const std::string& targetPath)
{
    const int lastVolume = header.LastVolumeNumber();
    win::File volume;
    openVolume(volume, compressedFile_, header.FirstVolumeNumber(), win::GENERIC_READ, headers_.TableFlag != 0);
    const std::int64_t start = std::int64_t(Offset) + header.DataOffset;
    if (start > volume.size() || volume.seek(start, win::FILE_BEGIN) != start)
        raiseCorrupt();

    auto stream = std::make_unique<inflate_state>();
    isal_inflate_init(stream.get());
    stream->crc_flag = ISAL_ZLIB;

    inBlock_.resize(std::max<std::size_t>(inBlock_.size(), kInflateIn));
    outBlock_.resize(std::max<std::size_t>(outBlock_.size(), kInflateOut));
    std::vector<unsigned char>& in = inBlock_;
    std::vector<unsigned char>& out = outBlock_;
    std::int64_t produced = 0;
    bool inputDone = false;
    for (;;) {
        if (stream->avail_in == 0 && !inputDone) {
            // In the last volume the member ends at its end offset; in the
            // others it runs to the end of the file.
            std::int64_t limit
                = currentVolume_ >= lastVolume ? std::int64_t(Offset) + header.EndOffset + 1 : volume.size();
            std::int64_t want = std::clamp<std::int64_t>(limit - volume.position(), 0, kInflateIn);
            std::uint32_t got = 0;
            if (want > 0 && !volume.read(in.data(), static_cast<std::uint32_t>(want), got))
                fail("Cannot read the compressed file %s", { compressedFile_ });
            if (got == 0) {
                if (currentVolume_ < lastVolume) {
                    openVolume(volume, compressedFile_, currentVolume_ + 1, win::GENERIC_READ, headers_.TableFlag != 0);
                    continue;
                }
                inputDone = true; // what the inflater still holds may yet end the stream
            }
            stream->next_in = in.data();
            stream->avail_in = got;
        }
        stream->next_out = out.data();
        stream->avail_out = kInflateOut;
        const std::uint32_t inBefore = stream->avail_in;
        int rc = isal_inflate(stream.get());
        if (rc < 0 || rc == ISAL_NEED_DICT)
            raiseDamaged(targetPath, header, inflateError(rc));
        const bool ended = stream->block_state == ISAL_BLOCK_FINISH;
        std::uint32_t have = kInflateOut - stream->avail_out;
        if (have == 0 && !ended && stream->avail_in == inBefore)
            raiseDamaged(targetPath, header, inputDone ? "the data ends early" : "no progress");
        if (have > 0) {
            // A member never yields more than its recorded size.
            produced += have;
            if (produced > header.Size)
                raiseDamaged(targetPath, header, "its size does not match its header");
            pumpAndCheckAbort();
            std::uint32_t written = 0;
            if (!target.write(out.data(), have, written) || written != have) {
                noteShortWrite(targetPath, std::int64_t(header.Size) - stats_.FileBytesDone - written);
                FullDisk(); // when the handler returns, the size check reports the loss
            }
            stats_.FileBytesDone = clampInt32(stats_.FileBytesDone + std::int64_t(written));
            updatePercents(stats_.FileSize);
            fireStatus();
        }
        if (ended)
            return;
    }
}

} // namespace installlib
