// The self-extracting setup file: joining the loader and the archives with
// the trailer at build time, reading the trailer at install time, and
// copying the joined file onto floppies (-f).

#include "setup/installlib/buildmode.h"

#include "platform/ui/message_service.h"
#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "setup/installlib/application.h"
#include "setup/installlib/install.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace installlib {

namespace {

constexpr std::uint32_t kChunk = 8192;

win::Machine& machine()
{
    return win::Machine::current();
}

std::string directoryOf(std::string_view Path)
{
    const size_t slash = Path.find_last_of("\\:");
    if (slash == std::string_view::npos)
        return {};
    return RemoveBackslash(Path.substr(0, slash + 1));
}

void put32(std::string& Bytes, size_t At, std::int32_t Value)
{
    const auto v = std::uint32_t(Value);
    for (int i = 0; i < 4; ++i)
        Bytes[At + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

std::int32_t get32(std::string_view Bytes, size_t At)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(Bytes[At + size_t(i)])) << (8 * i);
    return std::int32_t(v);
}

// Copies Count bytes of Source from its present position to Target in
// chunks, letting window messages run after each; the bytes written.
std::int64_t copyBytes(win::File& Source, win::File& Target, std::int64_t Count, bool ProcessMessages)
{
    std::vector<char> block(kChunk);
    std::int64_t done = 0;
    while (done < Count) {
        const auto want = std::uint32_t(std::min<std::int64_t>(Count - done, kChunk));
        std::uint32_t got = 0;
        if (!Source.read(block.data(), want, got) || got == 0)
            break;
        std::uint32_t written = 0;
        Target.write(block.data(), got, written);
        done += written;
        if (ProcessMessages)
            ui::MessageService::current().processMessages();
        if (written < got)
            break;
    }
    return done;
}

// Appends all of File to Target; IEInstall when less than all of it arrives.
void appendWhole(win::File& Target, const std::string& File, const std::string& SetupExe)
{
    win::File source;
    if (!source.open(machine(), File, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING))
        throw IEInstall(
            "Cannot create the self-extracting exe because %s could not be loaded onto %s", { File, SetupExe });
    const std::int64_t size = source.size();
    if (copyBytes(source, Target, size, false) < size)
        throw IEInstall(
            "Cannot create the self-extracting exe because %s could not be loaded onto %s", { File, SetupExe });
}

// An offset that the trailer can hold.
std::int32_t trailerOffset(std::int64_t Position, const std::string& SetupExe)
{
    if (Position < 0 || Position > INT32_MAX)
        throw IEInstall("Cannot create the self-extracting exe %s because it would be larger than 2 GB", { SetupExe });
    return std::int32_t(Position);
}

// Target on the floppy := Count bytes of Source from Offset. A short write
// removes the piece written, so no cut-off file is left on the disk.
void copyToFloppy(
    win::File& Source, std::int64_t Offset, std::int64_t Count, const std::string& Target, std::string_view Failure)
{
    win::File target;
    if (Source.seek(Offset, win::FILE_BEGIN) != Offset)
        throw IEInstall(Failure);
    // A file that cannot be replaced (read-only, in use) is no lack of room.
    if (!target.open(machine(), Target, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS))
        throw IEInstall("Cannot create %s: %s", { Target, win::errorText(win::lastError()) });
    if (copyBytes(Source, target, Count, true) != Count) {
        target.close();
        machine().deleteFile(Target);
        throw IEInstall(Failure);
    }
}

} // namespace

TSelfExtractInfo TSelfExtractInfo::FromBytes(std::string_view Bytes)
{
    if (Bytes.size() < size_t(kSelfExtractTrailerSize))
        throw IEInstall("The self-extracting information has %d bytes instead of %d",
            { int(Bytes.size()), kSelfExtractTrailerSize });
    TSelfExtractInfo info;
    info.Setup1First = get32(Bytes, 16);
    info.Setup1Last = get32(Bytes, 20);
    info.Files1First = get32(Bytes, 24);
    info.Files1Last = get32(Bytes, 28);
    return info;
}

std::string TSelfExtractInfo::Bytes() const
{
    std::string bytes(kSelfExtractTrailerSize, '\0');
    bytes[0] = char(kSelfExtractSignature.size());
    bytes.replace(1, kSelfExtractSignature.size(), kSelfExtractSignature);
    put32(bytes, 16, Setup1First);
    put32(bytes, 20, Setup1Last);
    put32(bytes, 24, Files1First);
    put32(bytes, 28, Files1Last);
    return bytes;
}

void TCustomInstall::WriteSelfExtractor(std::string_view SetupExe, std::string_view Setup1, std::string_view Files1)
{
    const std::string setupExe(SetupExe);
    const std::string setup1(Setup1);
    const std::string files1(Files1);
    // Joined in a temporary file renamed over setup.exe at the end: a full
    // disk or a missing archive leaves the bare loader, never a setup.exe
    // whose trailer is missing or points at bytes that are not there.
    const std::string temporary = machine().tempFileName(directoryOf(setupExe), "sx");
    if (temporary.empty())
        throw IEInstall(
            "Cannot create the self-extracting exe because %s could not be loaded onto %s", { setup1, setupExe });
    try {
        win::File joined;
        if (!joined.open(machine(), temporary, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS))
            throw IEInstall(
                "Cannot create the self-extracting exe because %s could not be loaded onto %s", { setup1, setupExe });
        appendWhole(joined, setupExe, setupExe);

        TSelfExtractInfo info;
        info.Setup1First = trailerOffset(joined.position(), setupExe);
        appendWhole(joined, setup1, setupExe);
        info.Setup1Last = trailerOffset(joined.position() - 1, setupExe);
        if (machine().fileExists(files1)) {
            info.Files1First = trailerOffset(joined.position(), setupExe);
            appendWhole(joined, files1, setupExe);
            info.Files1Last = trailerOffset(joined.position() - 1, setupExe);
        }
        const std::string trailer = info.Bytes();
        std::uint32_t written = 0;
        if (!joined.write(trailer.data(), std::uint32_t(trailer.size()), written) || written != trailer.size())
            throw IEInstall("Cannot create the self-extracting exe because %s could not be loaded onto %s",
                { "the self-extracting information", setupExe });
        joined.close();
        if (!machine().moveFileEx(temporary, setupExe, win::MOVEFILE_REPLACE_EXISTING)
            && !(machine().deleteFile(setupExe) && machine().moveFile(temporary, setupExe)))
            throw IEInstall("Cannot create the self-extracting exe because %s could not be loaded onto %s",
                { temporary, setupExe });
    } catch (...) {
        machine().deleteFile(temporary);
        throw;
    }
}

std::string TCustomInstall::ReadSelfExtractInfo(std::string_view Path)
{
    std::string trailer(kSelfExtractTrailerSize, '\0');
    win::File file;
    bool read = file.open(machine(), std::string(Path), win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
        win::OPEN_EXISTING);
    if (read) {
        std::uint32_t done = 0;
        read = file.size() >= kSelfExtractTrailerSize && file.seek(-kSelfExtractTrailerSize, win::FILE_END) >= 0
            && file.read(trailer.data(), kSelfExtractTrailerSize, done) && done == kSelfExtractTrailerSize;
    }
    if (!read)
        throw IEInstall("Could not read the extraction info from the archive file %s when trying to find the correct "
                        "offset into the self extracting file",
            { Path });
    return trailer;
}

void TCustomInstall::TransferToFloppies(std::string_view Drive)
{
    ui::MessageService& messages = ui::MessageService::current();
    messages.pushBusyCursor();
    std::string written;
    try {
        if (!CommandLine().Has(clSelfExtract))
            throw IEInstall("Sorry... You can only transfer this installation to floppies through the "
                            "self-extracting file. Usage example: setup.exe *TODISK");
        const std::string source = SetupOriginPath();
        const TSelfExtractInfo info = TSelfExtractInfo::FromBytes(ReadSelfExtractInfo(source));
        std::string root = AddBackslash(Drive);
        if (!root.empty())
            root[0] = char(std::toupper(static_cast<unsigned char>(root[0])));
        int disks = 1;

        win::File file;
        if (!file.open(
                machine(), source, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING))
            throw IEInstall("Could not read the extraction info from the archive file %s when trying to find the "
                            "correct offset into the self extracting file",
                { source });
        const std::int64_t size = file.size();
        // Offsets that do not lie in the file would copy garbage onto the disks.
        if (info.Setup1First <= 0 || info.Setup1Last < info.Setup1First || info.Setup1Last >= size
            || info.Files1First < 0 || (info.Files1First > 0 && info.Files1First >= size))
            throw IEInstall("Could not read the extraction info from the archive file %s when trying to find the "
                            "correct offset into the self extracting file",
                { source });

        PushStatusText(TranslateText("Transferring this installation to floppies. Please wait..."));
        try {
            copyToFloppy(file, 0, info.Setup1First, root + "setup.exe",
                "Cannot create setup.exe on the A drive. Probably not enough room");
            copyToFloppy(file, info.Setup1First, std::int64_t(info.Setup1Last) - info.Setup1First + 1, root + "setup.1",
                "Cannot create setup.1 on the A drive. Probably not enough room");
        } catch (...) {
            PopStatusText();
            throw;
        }
        PopStatusText();
        file.close();

        if (info.Files1First > 0) {
            TQrleCompress splitter;
            splitter.SetCompressedFile(source);
            splitter.Offset = info.Files1First;
            splitter.OnNewDisk = [&](TQrleCompress&, int DiskNumber, std::string&) {
                messages.popBusyCursor();
                const ui::Answer answer = messages.show(ui::MessageKind::Question, Application().Title,
                    TranslateFormat("Please insert disk #%d", { DiskNumber }), ui::Buttons::OkCancel);
                messages.pushBusyCursor();
                if (answer == ui::Answer::Cancel)
                    throw IEInstall("Aborted by user");
                disks = std::max(disks, DiskNumber);
            };
            splitter.OnStatus = [&](TQrleCompress&, TlzhFileStats&) { messages.processMessages(); };
            try {
                if (!splitter.SplitIntoVolumes(RemoveBackslash(root), "files.1"))
                    throw IEInstall("Aborted by user");
            } catch (...) {
                // The volume on the disk in the drive is unfinished (the one
                // being written, or the last one when the next disk was
                // refused): it goes, so no cut-off archive is left. A disk
                // of another set keeps its files.
                if (const int volume = splitter.VolumeOnDisk(RemoveBackslash(root)); volume > 0) {
                    machine().deleteFile(root + "files." + std::to_string(volume));
                    machine().deleteFile(root + TQrleCompress::VolumeSetFile);
                }
                throw;
            }
        }
        // What is on which disk, so that they can be labelled.
        written = info.Files1First > 0 ? "setup.exe, setup.1 and files.1 on disk 1" : "setup.exe and setup.1 on disk 1";
        for (int volume = 2; volume <= disks; ++volume)
            written += Format(", files.%d on disk %d", { volume, volume });
        written = TranslateFormat("This installation was transferred to %d disk(s): %s.", { disks, written });
    } catch (const std::exception& e) {
        failed_ = true;
        messages.popBusyCursor();
        messages.error(Application().Title, e.what());
        Application().Terminate();
        return;
    }
    messages.popBusyCursor();
    messages.information(Application().Title, written);
    Application().Terminate();
}

} // namespace installlib
