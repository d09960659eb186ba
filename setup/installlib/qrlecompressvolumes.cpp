// The archive component's volume sets and plain copies.

#include "platform/ui/message_service.h"
#include "platform/win/dosdate.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/qrlecompressfiles.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace installlib {

using namespace qrlefiles;

namespace {

constexpr std::uint32_t kCopyBlock = 8192; // blocks of splitting and plain copies
constexpr int kVolumeTries = 4;
constexpr int kMaxVolume = 255; // volume numbers are one byte in the header

} // namespace

// --- volumes ---

std::string TQrleCompress::volumeName(const std::string& base, int number) const
{
    return changeFileExt(base, "." + std::to_string(number));
}

namespace {

// The set and disk number a disk's identity file names; false without one.
bool readVolumeMark(const std::string& Directory, std::string& Set, int& Number)
{
    std::string bytes;
    if (!machine().readFile(AddBackslash(Directory) + TQrleCompress::VolumeSetFile, bytes))
        return false;
    const size_t blank = bytes.find(' ');
    if (blank == std::string::npos)
        return false;
    Set = bytes.substr(0, blank);
    Number = std::atoi(bytes.c_str() + blank + 1);
    return !Set.empty() && Number > 0;
}

// Volumes on a drive whose disks are swapped; a set copied into one folder
// of a fixed disk holds the identity file of one disk only.
bool onRemovableDrive(const std::string& Path)
{
    const std::string full = machine().fullPathName(Path);
    for (const win::DriveInfo& drive : machine().drives())
        if (!full.empty() && std::toupper(static_cast<unsigned char>(full[0])) == drive.letter)
            return drive.removable;
    return false;
}

std::string newVolumeSet()
{
    std::random_device random;
    char text[24];
    std::snprintf(text, sizeof text, "%08X%08X", random(), random());
    return text;
}

} // namespace

int TQrleCompress::VolumeOnDisk(const std::string& Directory) const
{
    std::string set;
    int number = 0;
    return !VolumeSet.empty() && readVolumeMark(Directory, set, number) && set == VolumeSet ? number : 0;
}

void TQrleCompress::markVolume(const std::string& Directory, int Number)
{
    const std::string file = AddBackslash(Directory) + VolumeSetFile;
    if (!machine().writeFile(file, VolumeSet + " " + std::to_string(Number) + "\r\n"))
        fail("Cannot create the file %s", { file });
}

std::string TQrleCompress::wrongDisk(const std::string& Volume, int Number, bool Writing)
{
    std::string set;
    int number = 0;
    if (!Writing && !onRemovableDrive(Volume))
        return {};
    if (!readVolumeMark(RemoveBackslash(ExtractFilePath(Volume)), set, number)) {
        if (!Writing)
            return {};
        return TranslateFormat("The disk in the drive is not disk #%d of this set: it holds %s of another set.",
            { Number, ExtractFileName(Volume) });
    }
    if (Number == 1 && VolumeSet.empty() && number == 1)
        VolumeSet = set; // reading: the set is the first disk's
    if (!VolumeSet.empty() && set != VolumeSet)
        return TranslateFormat(
            "The disk in the drive is not disk #%d of this set: it belongs to another set of disks.", { Number });
    if (number != Number)
        return TranslateFormat("The disk in the drive is disk #%d of this set, not disk #%d.", { number, Number });
    return {};
}

void TQrleCompress::openVolume(win::File& file, std::string& name, int number, std::uint32_t access, bool volumeNaming)
{
    win::Machine& m = machine();
    std::string wrong;
    // The disk put in after the last question is looked at too.
    for (int attempt = 0;; ++attempt) {
        file.close();
        if (volumeNaming)
            name = volumeName(name, number);
        wrong.clear();
        if (m.fileExists(name)) {
            wrong = volumeNaming ? wrongDisk(name, number, (access & win::GENERIC_WRITE) != 0) : std::string();
            if (wrong.empty()) {
                if (!file.open(m, name, access, kShareAll, win::OPEN_EXISTING))
                    fail("Cannot open the compressed file %s", { name });
                currentVolume_ = number;
                return;
            }
            if (attempt < kVolumeTries && OnNewDisk)
                ui::MessageService::current().warning({}, wrong); // before the disk is asked for again
        }
        if (attempt == kVolumeTries || !OnNewDisk) {
            if (!wrong.empty())
                fail(wrong);
            if (!OnNewDisk)
                fail("Could not open the correct disk file %d", { number });
            fail("Cannot open the compressed file %s", { name });
        }
        std::string path = RemoveBackslash(ExtractFilePath(name));
        OnNewDisk(*this, number, path);
        // A Cancel in the new-disk question ends the operation as an abort.
        if (Abort)
            raiseAborted();
        name = AddBackslash(path) + ExtractFileName(name);
    }
}

// --- volumes ---

bool TQrleCompress::SplitIntoVolumes(std::string_view Directory, std::string_view FileName)
{
    Abort = false;
    bool aborted = false;
    try {
        ensureDirectory();
        win::Machine& m = machine();
        if (headers_.TableFlag != 0)
            fail("The archive %s is already split into volumes", { compressedFile_ });
        const std::string name(FileName);
        if (!sameText(changeFileExt(name, ".1"), name))
            fail("The first volume %s must have the extension .1", { name });
        int volume = 1;
        resetTotals();

        win::File source;
        if (!source.open(m, compressedFile_, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING))
            fail("Cannot open the compressed file %s", { compressedFile_ });
        std::string directory(Directory);
        const std::string firstVolume = AddBackslash(directory) + name;
        if (VolumeSet.empty())
            VolumeSet = newVolumeSet();
        markVolume(directory, 1);
        win::File out;
        if (!out.open(m, firstVolume, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS))
            fail("Cannot create the file %s", { firstVolume });

        std::vector<TFileHeader> table;
        for (int i = 0; i < headers_.Count(); ++i)
            table.push_back(headers_.GetFileHeaders(i));
        // Until the set is complete the first volume announces no members,
        // so an interrupted split never leaves a table pointing at wrong data.
        auto writeTable = [&](bool complete) {
            writeCountBlock(out, complete ? static_cast<std::int32_t>(table.size()) : 0, 1);
            for (std::size_t i = 0; i < table.size(); ++i) {
                table[i].NextHeader = static_cast<std::int32_t>(kArchiveCountSize + (i + 1) * kFileHeaderSize);
                writeHeader(out, table[i]);
            }
        };
        writeTable(false);

        std::vector<unsigned char> block(kCopyBlock);
        for (TFileHeader& h : table) {
            fillStatsFromHeader(h);
            const std::int64_t start = std::int64_t(Offset) + h.DataOffset;
            std::int64_t remaining = std::int64_t(h.EndOffset) + 1 - h.DataOffset;
            if (source.seek(start, win::FILE_BEGIN) != start)
                raiseCorrupt();
            std::int32_t dataOffset = clampInt32(out.position());
            int firstOfMember = volume;
            std::int64_t memberWritten = 0;
            while (remaining > 0) {
                if (Abort)
                    raiseAborted();
                std::uint32_t want = static_cast<std::uint32_t>(std::min<std::int64_t>(remaining, kCopyBlock));
                std::uint32_t got = 0;
                if (!source.read(block.data(), want, got) || got != want)
                    raiseCorrupt();
                ui::MessageService::current().processMessages();
                std::uint32_t written = 0;
                out.write(block.data(), got, written);
                if (written < got) {
                    const bool startsOnNewVolume = memberWritten == 0 && written == 0;
                    out.close();
                    if (++volume > kMaxVolume)
                        fail("The archive %s needs more than %d volumes", { compressedFile_, kMaxVolume });
                    if (!OnNewDisk)
                        fail("There was no event handler for the OnNewDisk event, therefore no new disk could be "
                             "inserted");
                    // A disk this run has written already would lose its volume.
                    for (int attempt = 0;; ++attempt) {
                        OnNewDisk(*this, volume, directory);
                        if (Abort)
                            raiseAborted();
                        std::string set;
                        int number = 0;
                        if (!readVolumeMark(directory, set, number) || set != VolumeSet || number >= volume)
                            break;
                        const std::string again = TranslateFormat(
                            "The disk in the drive is disk #%d of this set. Insert a new disk for disk #%d.",
                            { number, volume });
                        if (attempt + 1 == kVolumeTries)
                            fail(again);
                        ui::MessageService::current().warning({}, again);
                    }
                    markVolume(directory, volume);
                    const std::string next = AddBackslash(directory) + volumeName(name, volume);
                    if (!out.open(m, next, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS))
                        fail("Cannot create the file %s", { next });
                    std::uint32_t rest = 0;
                    if (!out.write(block.data() + written, got - written, rest) || rest != got - written)
                        fail("There is too little space on this disk to operate");
                    // A member that begins on the new disk records it, not the end of the old one.
                    if (startsOnNewVolume) {
                        firstOfMember = volume;
                        dataOffset = 0;
                    }
                }
                remaining -= got;
                memberWritten += got;
                stats_.FileBytesDone = clampInt32(memberWritten);
                totalDone_ += got;
                stats_.TotalBytesDone = clampInt32(totalDone_);
                stats_.FilePercent = percentOf(memberWritten, stats_.CompressedSize);
                stats_.TotalPercent = percentOf(totalDone_, stats_.TotalCompressed);
                fireStatus();
            }
            h.DataOffset = dataOffset;
            h.FirstVolume = static_cast<std::uint8_t>(firstOfMember);
            h.EndOffset = clampInt32(out.position() - 1);
            h.LastVolume = static_cast<std::uint8_t>(volume);
        }
        out.close();
        source.close();

        // The final offsets and volumes go into the table on the first disk.
        std::string first = firstVolume;
        openVolume(out, first, 1, win::GENERIC_READ | win::GENERIC_WRITE, true);
        writeTable(true);
    } catch (const EqcAborted&) {
        aborted = true;
    } catch (...) {
        Abort = true;
        throw;
    }
    if (aborted && OnAborted)
        OnAborted(this);
    return !aborted;
}

// --- plain copies ---

bool TQrleCompress::CopyPlain(std::string_view Source, std::string_view Target)
{
    Offset = 0;
    Abort = false;
    win::Machine& m = machine();
    const std::string source(Source);
    ExtractDirectory = RemoveBackslash(ExtractFilePath(Target));
    DestinationName = ExtractFileName(Target);
    std::string target(Target);

    stats_ = TlzhFileStats();
    stats_.FileName = source;
    if (m.fileExists(target)) {
        switch (TVersionResource::IsFileNewerByName(source, target, Overwrite)) {
        case orReplace:
            if (OnReplace) {
                OnReplace(*this, stats_);
                std::string name = SafeMemberFileName(DestinationName);
                if (name.empty())
                    fail("The file name <%s> is not a valid file name", { DestinationName });
                target = AddBackslash(ExtractDirectory) + name;
            }
            break;
        case orSame:
        case orKeep:
            return true;
        default:
            fail("Error comparing file versions in TQrleCompress");
        }
    }
    return copyPlainBlocks(source, target);
}

bool TQrleCompress::copyPlainBlocks(const std::string& source, const std::string& target)
{
    win::Machine& m = machine();
    win::File in;
    if (!in.open(m, source, win::GENERIC_READ, kShareAll, win::OPEN_EXISTING))
        fail("Cannot open the file %s", { source });
    const std::int64_t size = in.size();
    stats_.FileSize = clampInt32(size);
    TempTarget temp(target);
    temp.file.reserve(size);

    std::vector<unsigned char> block(kCopyBlock);
    std::int64_t copied = 0;
    for (;;) {
        if (Abort)
            return false; // the temporary file goes, the old target stays
        std::uint32_t got = 0;
        if (!in.read(block.data(), kCopyBlock, got))
            fail("Cannot open the file %s", { source });
        std::uint32_t written = 0;
        if (got > 0 && (!temp.file.write(block.data(), got, written) || written != got)) {
            noteShortWrite(target, size - copied - written);
            FullDisk(); // when the handler returns, the size check reports the loss
        }
        copied += written;
        stats_.FileBytesDone = clampInt32(copied);
        stats_.TotalBytesDone = stats_.FileBytesDone;
        stats_.FilePercent = percentOf(copied, size);
        stats_.TotalPercent = stats_.FilePercent;
        fireStatus();
        ui::MessageService::current().processMessages();
        if (got < kCopyBlock)
            break;
    }
    if (copied != size)
        fail("The copy of the file %s is incomplete", { source });
    std::optional<std::uint32_t> stamp = in.dosDateTime();
    in.close();
    stats_.Finished = 1;
    fireStatus();
    stats_.Finished = 0;
    temp.commit(target, stamp.value_or(win::dateTimeToDosDateTime(0)), "Cannot set the date of the file just copied.");
    return true;
}

} // namespace installlib
