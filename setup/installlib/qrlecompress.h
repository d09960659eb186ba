#pragma once

// TQrleCompress: the install archive component. At build time it packs files
// into an archive (one zlib stream per file behind its member header) and
// copies a finished archive onto a set of numbered volumes; at install time
// it reads the directory and extracts members by name under the overwrite
// rules. Progress, new disks, replacement and abort go through its events;
// long loops let pending window messages run (ui::MessageService) so that a
// Cancel button can set Abort. Files are Windows paths on
// win::Machine::current().
//
//   TQrleCompress archive;
//   archive.SetCompressedFile("C:\\Build\\files.1");
//   archive.SetFilesToProcess({"S:\\Product\\tavixcat.exe"});
//   archive.AddFiles(false, 17);                         // 17: the caller's ID
//   archive.ExtractDirectory = "C:\\Program Files\\Tavix";
//   archive.Overwrite = owVersionDate;
//   archive.SetFilesToProcess({"S:\\Product\\tavixcat.exe"});
//   archive.ExtractFiles();
//
// Extracted and copied files are written to a temporary file beside the
// target and renamed over it only when complete and verified, so a failure
// or an abort leaves the old file as it was.

#include "setup/installlib/archiveformat.h"
#include "setup/installlib/component.h"
#include "setup/installlib/versionresource.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace win {
class File;
}

namespace installlib {

enum TCompressionLevel : int { colNone, colFastest, colDefault, colMax };

// zlib's level for each TCompressionLevel (0, 1, -1, 9).
int ZlibLevel(TCompressionLevel Level);

// "The disk is full" naming the drive of Path and, when Needed (bytes) is
// known, how much more room its drive must free for them.
std::string DiskFullText(const std::string& Path, std::int64_t Needed);

// Progress and member information passed to the events.
struct TlzhFileStats {
    std::uint8_t FilePercent = 0;
    std::int32_t FileBytesDone = 0;
    std::string FileName; // the member's source path
    std::int32_t CompressedSize = 0; // header field "compressed size"
    std::int32_t Ratio = 0; // CompressedSize / FileSize x 100
    std::int32_t FileSize = 0;
    TFileHeader Header;
    std::uint8_t Finished = 0; // 1 while reporting a finished or skipped member
    std::uint8_t TotalPercent = 0;
    std::int32_t TotalBytesDone = 0;
    std::int32_t TotalCompressed = 0;
    std::int32_t TotalRatio = 0;
    std::int32_t TotalSize = 0;
};

class TQrleCompress;

using TQrleNotifyEvent = std::function<void(TComponent* Sender)>;
using TlzhFileStatsEvent = std::function<void(TQrleCompress& QrleCompress, TlzhFileStats& FileStats)>;
// Path is the directory the volume is looked for (or written) in, without a
// trailing backslash; the handler may change it.
using TlzhNewDiskEvent = std::function<void(TQrleCompress& QrleCompress, int DiskNumber, std::string& Path)>;

class TQrleCompress : public TComponent {
public:
    explicit TQrleCompress(TComponent* Owner = nullptr);
    ~TQrleCompress() override;

    // --- properties ---
    // Set to stop the running operation at its next block; every operation
    // clears it when it starts, and adding, extracting and splitting set it
    // when they fail.
    bool Abort = false;
    TCompressionLevel CompressionLevel = colMax;
    std::string ExtractDirectory;
    std::int32_t Offset = 0; // start of the archive within CompressedFile
    TOverwriteType Overwrite = owAlways;
    // The identity of a volume set. SplitIntoVolumes writes it, with the
    // disk's number, into VolumeSetFile beside each volume it makes (a new
    // one when empty), and writes the final table only into the first
    // volume of its own set. Reading a set from a removable drive, the
    // identity beside the first volume is taken; a disk whose file names
    // another set or another number is said to be wrong and asked for again
    // (a disk without the file, of an older set, cannot be told and is used).
    std::string VolumeSet;
    static constexpr const char* VolumeSetFile = "files.id";
    // The number of the volume of this set that the disk in Directory
    // holds by its identity file, 0 for none.
    int VolumeOnDisk(const std::string& Directory) const;

    const std::string& CompressedFile() const { return compressedFile_; }
    // Keeps the directory already read when the new name is another volume
    // of the same set (same name with the extension ".1").
    void SetCompressedFile(std::string_view Name);

    // Files to add, or members to extract (the first ';' field counts).
    const std::vector<std::string>& FilesToProcess() const { return filesToProcess_; }
    // Deletes the lines that are blank after trimming from List itself, then copies it.
    void SetFilesToProcess(std::vector<std::string>& List);
    void SetFilesToProcess(const std::vector<std::string>& List);

    // Name under which the current member is written; empty = its own file name.
    std::string DestinationName;
    // The archive's own name ("setup.1", "files.1") for messages, when it
    // lies inside another file (a non-zero Offset in a self-extracting setup).
    std::string ArchiveName;
    // Asked when the disk is full: the bytes the caller still writes to the
    // same drive after this operation (the rest of an install), which the
    // message counts in the room it asks for.
    std::function<std::int64_t()> BytesToFollow;
    // Set by an event handler to leave the current member unwritten.
    bool SkipMember = false;

    // --- events ---
    TQrleNotifyEvent OnAborted;
    TlzhFileStatsEvent OnAfterAdding;
    TlzhFileStatsEvent OnBeforeAdding;
    TlzhFileStatsEvent OnBeforeExtracting;
    TlzhFileStatsEvent OnAfterExtracting; // no operation fires it
    TlzhFileStatsEvent OnListing; // no operation fires it
    TQrleNotifyEvent OnFullDisk;
    TlzhNewDiskEvent OnNewDisk;
    TlzhFileStatsEvent OnReplace;
    TlzhFileStatsEvent OnStatus;

    // --- operations ---
    // Number of members; reads the directory first unless it is read or
    // the component is adding.
    int MemberCount();
    // Fills Stats with the member's header and the archive's totals. Raises
    // EQrleCompress for an index outside 0..MemberCount-1.
    void GetMemberStats(int Index, TlzhFileStats& Stats);
    // The index of the last member added with ID, or -1 when there is none.
    int MemberIndexOfID(int ID);
    // Reads and checks the member count and the header chain of
    // CompressedFile. Raises EQrleCompress when the file cannot be opened or
    // anything in it does not fit the file.
    void ReadDirectory();
    // Packs FilesToProcess into CompressedFile, after its old members when
    // Append is set and the archive exists, giving each new member ID. The
    // member count always covers only members written completely. Returns
    // false when stopped by Abort (OnAborted has fired).
    bool AddFiles(bool Append, int ID);
    // Extracts the members named in FilesToProcess into ExtractDirectory
    // under the Overwrite rule. Returns false when stopped by Abort.
    bool ExtractFiles();
    // Copies the single-file archive CompressedFile onto volumes, the first
    // being Directory\FileName (which must carry the extension ".1"); a full
    // disk asks OnNewDisk for the next one. Returns false when stopped by Abort.
    bool SplitIntoVolumes(std::string_view Directory, std::string_view FileName);
    // Copies Source to Target uncompressed under the Overwrite rule. Returns
    // false when stopped by Abort; Target is then as it was.
    bool CopyPlain(std::string_view Source, std::string_view Target);
    // A write came up short: OnFullDisk when assigned, else EqcDiskFull
    // naming the drive and the room still needed.
    virtual void FullDisk();

    // The headers read by the last ReadDirectory (or built by AddFiles).
    const TFileHeaders& Headers() const { return headers_; }
    bool DirectoryRead() const { return directoryRead_; }

private:
    enum class Mode { Idle, Adding, Extracting };

    void ensureDirectory();
    void readDirectoryFrom(win::File& archive);
    void resetTotals();
    void fillStatsFromHeader(const TFileHeader& header);
    void updatePercents(std::int32_t fileBase);
    void fireStatus();
    void pumpAndCheckAbort();
    void raiseAborted();
    [[noreturn]] void raiseCorrupt() const;
    std::string volumeName(const std::string& base, int number) const;
    void openVolume(win::File& file, std::string& name, int number, std::uint32_t access, bool volumeNaming);
    // Why the disk holding Volume is not disk Number of this set; empty
    // when it is, or when that cannot be told (Writing: only a disk marked
    // as this set's is).
    std::string wrongDisk(const std::string& Volume, int Number, bool Writing);
    void markVolume(const std::string& Directory, int Number);

    void addOneMember(win::File& archive, TFileHeader& header, int index, int id);
    void extractOneMember(const TFileHeader& header);
    void inflateMember(const TFileHeader& header, win::File& target, const std::string& targetPath);
    // The archive as messages name it: its file, or its name in the file
    // that holds it.
    std::string archiveText() const;
    // A member that cannot be unpacked into target.
    [[noreturn]] void raiseDamaged(const std::string& target, const TFileHeader& header, std::string_view why) const;
    // Notes what a short write was writing, for FullDisk: the file, and the
    // bytes it still needed (negative: unknown).
    void noteShortWrite(const std::string& path, std::int64_t left);
    bool copyPlainBlocks(const std::string& source, const std::string& target);

    std::string compressedFile_;
    std::vector<std::string> filesToProcess_;
    TFileHeaders headers_;
    std::array<std::int32_t, kMemberIdCount> idMap_ {};
    bool directoryRead_ = false;
    Mode mode_ = Mode::Idle;
    int currentVolume_ = 0;
    TlzhFileStats stats_;
    std::int64_t totalDone_ = 0;
    std::string shortWritePath_;
    std::int64_t shortWriteLeft_ = -1;
    // Block buffers kept from member to member: fresh ones per member cost
    // a heap grow and trim and new pages each time.
    std::vector<unsigned char> inBlock_, outBlock_;
};

} // namespace installlib
