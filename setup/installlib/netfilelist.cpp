// The net file list "filelist.lst": written by a net build beside the net
// archives, downloaded by the install to learn the size, date and version
// of each product file kept on the server.
//
// Layout: int32 record count, then one 72-byte record per file (int32 size,
// double date-time, the component Name in 40 bytes and the version in 20,
// each NUL-terminated), all little-endian.

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/routines.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace installlib {

namespace {

constexpr size_t kNameField = 40;
constexpr size_t kVersionField = 20;

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

std::uint32_t get32(const std::string& Bytes, size_t At)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(static_cast<unsigned char>(Bytes[At + size_t(i)])) << (8 * i);
    return v;
}

// A NUL-terminated text in a fixed field (all of it when there is no NUL).
std::string fieldText(const std::string& Bytes, size_t At, size_t Size)
{
    const std::string field = Bytes.substr(At, Size);
    return field.substr(0, field.find('\0'));
}

TCustomInstallFile* fileNamed(const std::string& Name)
{
    TCustomInstallFileList& files = InstallFileList();
    for (int i = 0; i < files.Count(); ++i) {
        auto* file = dynamic_cast<TCustomInstallFile*>(files.Items(i));
        if (file && win::text::equalsNoCase(file->Name(), Name))
            return file;
    }
    return nullptr;
}

} // namespace

void TCustomInstall::WriteFileList()
{
    const std::string directory = directoryOf(GetArchivePath()) + "\\" + GetNetPath();
    if (!machine().directoryExists(directory) && !machine().forceDirectories(directory))
        throw IEInstall("Cannot create the directory %s for the list of files", { directory });
    const std::string list = directory + "\\filelist.lst";

    std::vector<const TCustomInstallFile*> compressed;
    TCustomInstallFileList& files = InstallFileList();
    for (int i = 0; i < files.Count(); ++i) {
        auto* file = dynamic_cast<TCustomInstallFile*>(files.Items(i));
        if (!file || !file->Compressed)
            continue;
        // A cut name would never be found again by the install.
        if (file->Name().size() >= kNameField)
            throw IEInstall("The name %s is too long for the list of files; it may have at most %d characters",
                { file->Name(), int(kNameField - 1) });
        compressed.push_back(file);
    }
    std::string bytes(4, '\0');
    const auto count = std::uint32_t(compressed.size());
    for (int i = 0; i < 4; ++i)
        bytes[size_t(i)] = char((count >> (8 * i)) & 0xFF);
    for (const TCustomInstallFile* file : compressed)
        bytes += file->NetFileRecord();

    // Written beside the list and renamed over it, so that a failed write
    // leaves the list of the last build as it was.
    const std::string temporary = machine().tempFileName(directory, "fl");
    if (temporary.empty())
        throw IEInstall("Cannot write the list of files %s", { list });
    bool written = machine().writeFile(temporary, bytes);
    if (written && !machine().moveFileEx(temporary, list, win::MOVEFILE_REPLACE_EXISTING))
        written = (!machine().fileExists(list) || machine().deleteFile(list)) && machine().moveFile(temporary, list);
    if (!written) {
        machine().deleteFile(temporary);
        throw IEInstall("Cannot write the list of files %s", { list });
    }
}

void TCustomInstall::ReadFileList()
{
    TCustomNetInstallLocation* location = FindNetLocation();
    if (!location)
        throw IEInstallNetLocNil("Could not find a net install location for %s", { Name() });
    const std::string temporary = GetTempBatchFile(true);
    try {
        location->Download("filelist.lst", temporary);
        if (NetUserAbort())
            throw EAIUserAbort();
        std::string bytes;
        if (!machine().readFile(temporary, bytes) || bytes.size() < 4)
            throw IEInstall("Cannot read the remote list of files: %s", { temporary });
        const auto count = std::int32_t(get32(bytes, 0));
        // A negative count is as damaged as a short record.
        if (count < 0 || (bytes.size() - 4) / kNetFileRecordSize < size_t(count))
            throw IEInstall("Cannot read the remote list of files: %s", { temporary });
        for (std::int32_t i = 0; i < count; ++i) {
            const size_t at = 4 + size_t(i) * kNetFileRecordSize;
            TCustomInstallFile* file = fileNamed(fieldText(bytes, at + 12, kNameField));
            if (!file)
                continue;
            file->FileSize = std::int32_t(get32(bytes, at));
            const std::uint64_t bits = std::uint64_t(get32(bytes, at + 4)) | std::uint64_t(get32(bytes, at + 8)) << 32;
            std::memcpy(&file->FileDate, &bits, sizeof bits);
            file->SetVersion(fieldText(bytes, at + 52, kVersionField));
        }
    } catch (...) {
        machine().deleteFile(temporary);
        throw;
    }
    machine().deleteFile(temporary);
}

} // namespace installlib
