#include "platform/win/shelllink.h"

#include "platform/win/errors.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace win {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046} as stored.
constexpr unsigned char kLinkClsid[16]
    = { 0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 };

constexpr uint32_t HasLinkTargetIDList = 0x1;
constexpr uint32_t HasLinkInfo = 0x2;
constexpr uint32_t HasName = 0x4;
constexpr uint32_t HasRelativePath = 0x8;
constexpr uint32_t HasWorkingDir = 0x10;
constexpr uint32_t HasArguments = 0x20;
constexpr uint32_t HasIconLocation = 0x40;
constexpr uint32_t IsUnicode = 0x80;

constexpr uint32_t VolumeIDAndLocalBasePath = 0x1;
constexpr uint32_t kShowNormal = 1;
constexpr uint32_t ERROR_INVALID_DATA = 13;

// Code page 1252 at 0x80..0x9F (0 where the code page has no character);
// 0xA0..0xFF are the same as Unicode.
constexpr char16_t kCp1252High[32] = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122,
    0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

// The code page 1252 byte of a UTF-16 unit; false when it has none.
bool toCp1252(char16_t c, unsigned char& out)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        out = static_cast<unsigned char>(c);
        return true;
    }
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == c && c != 0) {
            out = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    return false;
}

char16_t fromCp1252(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0)
        return kCp1252High[b - 0x80] ? kCp1252High[b - 0x80] : char16_t(0xFFFD);
    return char16_t(b);
}

void put16(std::string& out, uint32_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

void set32(std::string& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

void putUtf16(std::string& out, const std::u16string& s)
{
    for (char16_t c : s)
        put16(out, c);
}

// One StringData entry: count of UTF-16 units, then the units.
void putCountedText(std::string& out, const std::string& text)
{
    const std::u16string units = text::utf8ToUtf16(text);
    if (units.size() > 0xFFFF)
        throw std::length_error("text too long");
    put16(out, uint32_t(units.size()));
    putUtf16(out, units);
}

// "C:\A\B\L.LNK" and "C:\A\C\X.EXE" give "..\C\X.EXE"; empty across drives.
std::string relativePath(const std::string& linkPath, const std::string& target)
{
    if (linkPath.size() < 3 || target.size() < 3 || linkPath[1] != ':' || target[1] != ':'
        || text::upper(linkPath[0]) != text::upper(target[0]))
        return {};
    std::vector<std::string> from = text::splitNonEmpty(linkPath.substr(2), '\\');
    if (from.empty())
        return {};
    from.pop_back(); // the link file itself
    const std::vector<std::string> to = text::splitNonEmpty(target.substr(2), '\\');
    size_t common = 0;
    while (common < from.size() && common < to.size() && text::equalsNoCase(from[common], to[common]))
        ++common;
    std::string out;
    for (size_t i = common; i < from.size(); ++i)
        out += "..\\";
    if (out.empty())
        out = ".\\";
    for (size_t i = common; i < to.size(); ++i)
        out += to[i] + (i + 1 < to.size() ? "\\" : "");
    return out;
}

std::string linkInfo(const std::string& target, const ShellLinkContext& context)
{
    const std::u16string wide = text::utf8ToUtf16(target);
    std::string ansi;
    bool representable = true;
    for (char16_t c : wide) {
        unsigned char b = '?';
        if (!toCp1252(c, b))
            representable = false;
        ansi.push_back(char(b));
    }
    const uint32_t headerSize = representable ? 0x1C : 0x24;

    std::string volume;
    put32(volume, 0); // VolumeIDSize, set below
    put32(volume, context.driveType);
    put32(volume, context.driveSerial);
    put32(volume, 0x10); // VolumeLabelOffset
    volume.push_back('\0'); // empty label
    set32(volume, 0, uint32_t(volume.size()));

    const uint32_t volumeOffset = headerSize;
    const uint32_t basePathOffset = volumeOffset + uint32_t(volume.size());
    const uint32_t suffixOffset = basePathOffset + uint32_t(ansi.size()) + 1;
    const uint32_t basePathUnicodeOffset = suffixOffset + 1;
    const uint32_t suffixUnicodeOffset = basePathUnicodeOffset + 2 * uint32_t(wide.size()) + 2;

    std::string info;
    put32(info, 0); // LinkInfoSize, set below
    put32(info, headerSize);
    put32(info, VolumeIDAndLocalBasePath);
    put32(info, volumeOffset);
    put32(info, basePathOffset);
    put32(info, 0); // CommonNetworkRelativeLinkOffset
    put32(info, suffixOffset);
    if (!representable) {
        put32(info, basePathUnicodeOffset);
        put32(info, suffixUnicodeOffset);
    }
    info += volume;
    info += ansi;
    info.push_back('\0');
    info.push_back('\0'); // empty common path suffix
    if (!representable) {
        putUtf16(info, wide);
        put16(info, 0);
        put16(info, 0); // empty Unicode suffix
    }
    set32(info, 0, uint32_t(info.size()));
    return info;
}

class Reader {
public:
    Reader(const std::string& bytes, const std::string& source)
        : bytes_(bytes)
        , source_(source)
    {
    }
    [[noreturn]] void fail(const std::string& why) const
    {
        throw ShellLinkError("The shortcut " + source_ + " is damaged: " + why);
    }
    // Fails unless [at, at + n) lies inside the file.
    void need(size_t at, size_t n, const char* what) const
    {
        if (at > bytes_.size() || bytes_.size() - at < n)
            fail(std::string(what) + " reaches past the end of the file");
    }
    uint32_t u16(size_t at) const
    {
        need(at, 2, "a field");
        return uint32_t(byte(at)) | uint32_t(byte(at + 1)) << 8;
    }
    uint32_t u32(size_t at) const
    {
        need(at, 4, "a field");
        return uint32_t(byte(at)) | uint32_t(byte(at + 1)) << 8 | uint32_t(byte(at + 2)) << 16
            | uint32_t(byte(at + 3)) << 24;
    }
    unsigned char byte(size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
    // A NUL-terminated code page 1252 text starting at at, ending before end.
    std::string ansiz(size_t at, size_t end, const char* what) const
    {
        std::u16string out;
        for (size_t i = at;; ++i) {
            if (i >= end)
                fail(std::string(what) + " has no end inside its structure");
            if (byte(i) == 0)
                break;
            out.push_back(fromCp1252(byte(i)));
        }
        return text::utf16ToUtf8(out);
    }
    std::string utf16z(size_t at, size_t end, const char* what) const
    {
        std::u16string out;
        for (size_t i = at;; i += 2) {
            if (i + 2 > end)
                fail(std::string(what) + " has no end inside its structure");
            const char16_t c = char16_t(u16(i));
            if (c == 0)
                break;
            out.push_back(c);
        }
        return text::utf16ToUtf8(out);
    }
    size_t size() const { return bytes_.size(); }

private:
    const std::string& bytes_;
    const std::string& source_;
};

} // namespace

std::string encodeShellLink(const ShellLink& link, const ShellLinkContext& context)
{
    const std::string relative = link.target.empty() ? std::string() : relativePath(context.linkPath, link.target);
    uint32_t flags = IsUnicode;
    if (!link.target.empty())
        flags |= HasLinkInfo;
    if (!link.description.empty())
        flags |= HasName;
    if (!relative.empty())
        flags |= HasRelativePath;
    if (!link.workingDirectory.empty())
        flags |= HasWorkingDir;
    if (!link.arguments.empty())
        flags |= HasArguments;
    if (!link.iconPath.empty())
        flags |= HasIconLocation;

    std::string out;
    put32(out, kHeaderSize);
    out.append(reinterpret_cast<const char*>(kLinkClsid), sizeof kLinkClsid);
    put32(out, flags);
    put32(out, context.fileAttributes);
    out.append(24, '\0'); // creation, access and write times: not set
    put32(out, context.fileSize);
    put32(out, static_cast<uint32_t>(link.iconIndex));
    put32(out, kShowNormal);
    put16(out, link.hotKey);
    out.append(10, '\0'); // reserved

    if (flags & HasLinkInfo)
        out += linkInfo(link.target, context);
    if (flags & HasName)
        putCountedText(out, link.description);
    if (flags & HasRelativePath)
        putCountedText(out, relative);
    if (flags & HasWorkingDir)
        putCountedText(out, link.workingDirectory);
    if (flags & HasArguments)
        putCountedText(out, link.arguments);
    if (flags & HasIconLocation)
        putCountedText(out, link.iconPath);
    put32(out, 0); // terminal block
    return out;
}

ShellLink decodeShellLink(const std::string& bytes, const std::string& source)
{
    Reader r(bytes, source);
    if (bytes.size() < kHeaderSize)
        r.fail("it is shorter than a link header");
    if (r.u32(0) != kHeaderSize || !std::equal(kLinkClsid, kLinkClsid + 16, bytes.begin() + 4,
            [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); }))
        r.fail("it is not a shell link file");
    const uint32_t flags = r.u32(0x14);
    ShellLink link;
    link.iconIndex = static_cast<int32_t>(r.u32(0x38));
    link.hotKey = static_cast<uint16_t>(r.u16(0x40));
    size_t at = kHeaderSize;

    if (flags & HasLinkTargetIDList) {
        const size_t listSize = r.u16(at);
        at += 2;
        r.need(at, listSize, "the target ID list");
        const size_t end = at + listSize;
        size_t item = at;
        for (;;) {
            if (item + 2 > end)
                r.fail("the target ID list has no terminator");
            const size_t itemSize = r.u16(item);
            if (itemSize == 0)
                break;
            if (itemSize < 2 || itemSize > end - item)
                r.fail("an item of the target ID list reaches past the list");
            item += itemSize;
        }
        at = end;
    }

    if (flags & HasLinkInfo) {
        const size_t base = at;
        const size_t infoSize = r.u32(base);
        r.need(base, infoSize, "the link information");
        const size_t headerSize = infoSize >= 8 ? r.u32(base + 4) : 0;
        if (infoSize < 0x1C || (headerSize != 0x1C && headerSize < 0x24) || headerSize > infoSize)
            r.fail("the link information has a bad header size");
        const size_t end = base + infoSize;
        const uint32_t infoFlags = r.u32(base + 8);
        auto offset = [&](size_t field, const char* what) {
            const size_t value = r.u32(base + field);
            if (value < headerSize || value >= infoSize)
                r.fail(std::string(what) + " lies outside the link information");
            return base + value;
        };
        if (infoFlags & VolumeIDAndLocalBasePath) {
            const size_t volume = offset(12, "the volume id");
            const size_t volumeSize = r.u32(volume);
            if (volumeSize <= 0x10 || volumeSize > end - volume)
                r.fail("the volume id has a bad size");
            const size_t labelOffset = r.u32(volume + 12);
            if (labelOffset >= volumeSize)
                r.fail("the volume label lies outside the volume id");
            if (labelOffset == 0x14)
                r.need(volume, 0x14, "the volume id");
            else
                r.ansiz(volume + labelOffset, volume + volumeSize, "the volume label");
            std::string path = r.ansiz(offset(16, "the local base path"), end, "the local base path");
            std::string suffix = r.ansiz(offset(24, "the common path suffix"), end, "the common path suffix");
            if (headerSize >= 0x24) {
                path = r.utf16z(offset(28, "the Unicode base path"), end, "the Unicode base path");
                suffix = r.utf16z(offset(32, "the Unicode path suffix"), end, "the Unicode path suffix");
            }
            link.target = path + suffix;
        }
        at = end;
    }

    auto text = [&]() {
        const size_t count = r.u16(at);
        at += 2;
        std::u16string units;
        if (flags & IsUnicode) {
            r.need(at, 2 * count, "a text");
            for (size_t i = 0; i < count; ++i)
                units.push_back(char16_t(r.u16(at + 2 * i)));
            at += 2 * count;
        } else {
            r.need(at, count, "a text");
            for (size_t i = 0; i < count; ++i)
                units.push_back(fromCp1252(r.byte(at + i)));
            at += count;
        }
        return text::utf16ToUtf8(units);
    };
    if (flags & HasName)
        link.description = text();
    if (flags & HasRelativePath)
        text();
    if (flags & HasWorkingDir)
        link.workingDirectory = text();
    if (flags & HasArguments)
        link.arguments = text();
    if (flags & HasIconLocation)
        link.iconPath = text();

    // Extra data blocks up to the terminal block, which ends the file.
    for (;;) {
        r.need(at, 4, "the terminal block");
        const size_t blockSize = r.u32(at);
        if (blockSize < 4) {
            at += 4;
            break;
        }
        if (blockSize < 8)
            r.fail("an extra data block is too small");
        r.need(at, blockSize, "an extra data block");
        at += blockSize;
    }
    if (at != bytes.size())
        r.fail("bytes follow the terminal block");
    return link;
}

bool writeShellLink(Machine& machine, const std::string& path, const ShellLink& link)
{
    if (path.size() > MAX_PATH_LENGTH) {
        setLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    ShellLinkContext context;
    context.linkPath = machine.fullPathName(path);
    if (!link.target.empty()) {
        const uint32_t attributes = machine.fileAttributes(link.target);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            context.fileAttributes = attributes;
            context.fileSize = uint32_t(machine.fileSize(link.target).value_or(0) & 0xFFFFFFFFu);
        }
        const std::string full = machine.fullPathName(link.target);
        for (const DriveInfo& d : machine.drives())
            if (!full.empty() && text::upper(full[0]) == d.letter) {
                context.driveType = d.removable ? 2 : 3;
                // A serial number of its own for each drive of the machine.
                context.driveSerial = 0x1C7A0000u | uint32_t(uint8_t(d.letter)) << 8 | 0x5E;
            }
    }
    std::string bytes;
    try {
        bytes = encodeShellLink(link, context);
    } catch (const std::length_error&) {
        setLastError(ERROR_INVALID_DATA);
        return false;
    }
    return machine.writeFile(path, bytes);
}

ShellLink readShellLink(const Machine& machine, const std::string& path)
{
    std::string bytes;
    if (!machine.readFile(path, bytes))
        throw ShellLinkError("The shortcut " + path + " cannot be read (error " + std::to_string(lastError()) + ")");
    return decodeShellLink(bytes, path);
}

} // namespace win
