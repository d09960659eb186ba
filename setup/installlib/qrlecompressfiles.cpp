#include "setup/installlib/qrlecompressfiles.h"

#include "platform/rtl/mathx.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/routines.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace installlib::qrlefiles {

void fail(std::string_view format, const FormatArgs& args)
{
    throw EQrleCompress(TranslateFormat(format, args));
}

win::Machine& machine()
{
    return win::Machine::current();
}

static char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

bool isBlank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

static std::size_t nameStart(std::string_view path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string_view::npos ? 0 : cut + 1;
}

std::string changeFileExt(std::string_view path, std::string_view ext)
{
    std::size_t start = nameStart(path);
    std::size_t dot = path.rfind('.');
    std::string base(dot == std::string_view::npos || dot < start ? path : path.substr(0, dot));
    return base + std::string(ext);
}

std::uint8_t percentOf(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return 0;
    double v = rtl::RoundHalfEven(double(done) * 100.0 / double(total));
    return static_cast<std::uint8_t>(std::clamp(v, 0.0, 100.0));
}

std::int32_t ratioOf(std::int64_t part, std::int64_t whole)
{
    if (whole == 0)
        return 0;
    double v = rtl::RoundHalfEven(double(part) / double(whole) * 100.0);
    return static_cast<std::int32_t>(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

std::int32_t clampInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

void writeCountBlock(win::File& archive, std::int32_t count, std::uint8_t flag)
{
    std::uint8_t block[kArchiveCountSize];
    PutInt32(block, count);
    block[4] = flag;
    std::uint32_t done = 0;
    if (archive.seek(0, win::FILE_BEGIN) != 0 || !archive.write(block, sizeof block, done) || done != sizeof block)
        fail("Could not write the file headers for the compressed file");
}

void writeHeader(win::File& archive, const TFileHeader& header)
{
    TFileHeader::Bytes bytes = header.Encode();
    std::uint32_t done = 0;
    if (!archive.write(bytes.data(), kFileHeaderSize, done) || done != kFileHeaderSize)
        fail("Could not write the file headers for the compressed file");
}

TempTarget::TempTarget(const std::string& target)
{
    win::Machine& m = machine();
    std::string dir = RemoveBackslash(ExtractFilePath(target));
    if (!dir.empty() && !m.directoryExists(dir))
        m.forceDirectories(dir);
    path_ = m.tempFileName(dir, kTempPrefix);
    if (!path_.empty())
        hold_ = m.hold(path_);
    // tempFileName made the file empty; truncating it again would make ext4
    // flush it to disk at close (its guard for files replaced by truncation).
    if (path_.empty() || !file.open(m, path_, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::OPEN_EXISTING))
        fail("Cannot create the file %s", { target });
}

TempTarget::~TempTarget()
{
    file.close();
    if (!path_.empty())
        machine().deleteFile(path_);
}

void TempTarget::commit(const std::string& target, std::uint32_t dosDate, std::string_view dateError)
{
    // Stamped through the open handle: no second open of the file by name.
    bool stamped = file.setDosDateTime(dosDate);
    file.close();
    if (!stamped)
        fail(dateError);
    win::Machine& m = machine();
    if (!m.moveFileEx(path_, target, win::MOVEFILE_REPLACE_EXISTING))
        fail("Cannot create the file %s", { target });
    path_.clear();
    hold_.release();
}

} // namespace installlib::qrlefiles
