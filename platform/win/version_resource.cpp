#include "platform/win/version_resource.h"

#include "platform/win/text.h"

#include <cstring>

namespace win {

namespace {

uint16_t u16(std::string_view d, size_t at)
{
    return uint16_t(uint8_t(d[at]) | uint8_t(d[at + 1]) << 8);
}

uint32_t u32(std::string_view d, size_t at)
{
    return uint32_t(u16(d, at)) | uint32_t(u16(d, at + 2)) << 16;
}

bool fits(std::string_view d, size_t at, size_t n)
{
    return at <= d.size() && n <= d.size() - at;
}

size_t align4(size_t n)
{
    return (n + 3) & ~size_t(3);
}

// One block of the version tree: key, kind, value and children, all as
// slices of the block's own bytes.
struct Block {
    std::u16string key;
    uint16_t type = 0;
    std::string_view value;
    std::vector<Block> children;
};

// Reads the block at the start of data (offsets relative to data, whose
// start is 32-bit aligned in the resource). False when it does not fit.
bool readBlock(std::string_view data, Block& out, int depth)
{
    if (depth > 6 || data.size() < 6)
        return false;
    size_t length = u16(data, 0);
    size_t valueLength = u16(data, 2);
    out.type = u16(data, 4);
    if (length < 6 || length > data.size())
        return false;
    data = data.substr(0, length);
    size_t p = 6;
    out.key.clear();
    for (;;) {
        if (!fits(data, p, 2))
            return false;
        char16_t c = char16_t(u16(data, p));
        p += 2;
        if (c == 0)
            break;
        out.key.push_back(c);
    }
    p = align4(p);
    size_t valueBytes = out.type == 1 ? valueLength * 2 : valueLength;
    if (p > data.size())
        p = data.size();
    // Some writers count text values in bytes; never read past the block.
    if (valueBytes > data.size() - p)
        valueBytes = data.size() - p;
    out.value = data.substr(p, valueBytes);
    p = align4(p + valueBytes);
    out.children.clear();
    while (p + 6 <= data.size()) {
        Block child;
        size_t childLength = u16(data, p);
        if (childLength == 0 || !readBlock(data.substr(p), child, depth + 1))
            break;
        out.children.push_back(std::move(child));
        p = align4(p + childLength);
    }
    return true;
}

std::string valueText(std::string_view v)
{
    std::u16string s;
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
        char16_t c = char16_t(u16(v, i));
        if (c == 0)
            break;
        s.push_back(c);
    }
    return text::utf16ToUtf8(s);
}

} // namespace

std::optional<VersionResource> VersionResource::fromBlock(std::string_view block)
{
    Block root;
    if (!readBlock(block, root, 0) || text::utf16ToUtf8(root.key) != "VS_VERSION_INFO")
        return std::nullopt;
    VersionResource r;
    r.block_ = std::string(block.substr(0, u16(block, 0)));
    return r;
}

std::optional<VersionResource> VersionResource::fromPeImage(std::string_view image)
{
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z')
        return std::nullopt;
    size_t pe = u32(image, 0x3C);
    if (!fits(image, pe, 24) || image.substr(pe, 4) != std::string_view("PE\0\0", 4))
        return std::nullopt;
    size_t sections = u16(image, pe + 6);
    size_t optSize = u16(image, pe + 20);
    size_t opt = pe + 24;
    if (!fits(image, opt, optSize) || optSize < 2)
        return std::nullopt;
    uint16_t magic = u16(image, opt);
    size_t dirs, countAt;
    if (magic == 0x10B) {
        dirs = 96;
        countAt = 92;
    } else if (magic == 0x20B) {
        dirs = 112;
        countAt = 108;
    } else {
        return std::nullopt;
    }
    if (optSize < dirs + 3 * 8 || u32(image, opt + countAt) < 3)
        return std::nullopt;
    uint32_t resRva = u32(image, opt + dirs + 2 * 8);
    if (resRva == 0)
        return std::nullopt;
    size_t table = opt + optSize;
    if (!fits(image, table, sections * 40))
        return std::nullopt;

    // File offset and bytes available there for an RVA.
    auto map = [&](uint32_t rva, size_t& offset, size_t& avail) {
        for (size_t i = 0; i < sections; ++i) {
            size_t s = table + i * 40;
            uint32_t vsize = u32(image, s + 8), va = u32(image, s + 12);
            uint32_t rawSize = u32(image, s + 16), rawPtr = u32(image, s + 20);
            uint32_t span = std::max(vsize, rawSize);
            if (rva >= va && rva - va < span) {
                uint32_t delta = rva - va;
                if (delta >= rawSize || rawPtr > image.size())
                    return false;
                offset = size_t(rawPtr) + delta;
                if (offset > image.size())
                    return false;
                avail = std::min<size_t>(rawSize - delta, image.size() - offset);
                return true;
            }
        }
        return false;
    };
    size_t base, baseAvail;
    if (!map(resRva, base, baseAvail))
        return std::nullopt;
    std::string_view rsrc = image.substr(base, baseAvail);

    // Entry of a resource directory: the one with the id, or the first when id < 0.
    auto entry = [&](size_t dir, long id, uint32_t& target) {
        if (!fits(rsrc, dir, 16))
            return false;
        size_t count = size_t(u16(rsrc, dir + 12)) + u16(rsrc, dir + 14);
        for (size_t i = 0; i < count; ++i) {
            size_t e = dir + 16 + i * 8;
            if (!fits(rsrc, e, 8))
                return false;
            uint32_t name = u32(rsrc, e);
            if (id < 0 || (!(name & 0x80000000u) && name == uint32_t(id))) {
                target = u32(rsrc, e + 4);
                return true;
            }
        }
        return false;
    };
    uint32_t t;
    if (!entry(0, 16, t) || !(t & 0x80000000u)) // RT_VERSION
        return std::nullopt;
    size_t nameDir = t & 0x7FFFFFFFu;
    if (!entry(nameDir, 1, t) && !entry(nameDir, -1, t))
        return std::nullopt;
    if (!(t & 0x80000000u))
        return std::nullopt;
    if (!entry(t & 0x7FFFFFFFu, -1, t) || (t & 0x80000000u))
        return std::nullopt;
    if (!fits(rsrc, t, 16))
        return std::nullopt;
    uint32_t dataRva = u32(rsrc, t), dataSize = u32(rsrc, t + 4);
    size_t dataAt, dataAvail;
    if (!map(dataRva, dataAt, dataAvail) || dataSize > dataAvail)
        return std::nullopt;
    return fromBlock(image.substr(dataAt, dataSize));
}

bool VersionResource::queryValue(const std::string& subBlock, std::string& value, bool* isText) const
{
    Block node;
    if (!readBlock(block_, node, 0))
        return false;
    for (const auto& part : text::splitNonEmpty(subBlock, '\\')) {
        const Block* next = nullptr;
        for (const auto& c : node.children)
            if (text::equalsNoCase(text::utf16ToUtf8(c.key), part)) {
                next = &c;
                break;
            }
        if (!next)
            return false;
        Block copy = *next;
        node = std::move(copy);
    }
    bool textual = node.type == 1 && !subBlock.empty() && subBlock != "\\";
    if (isText)
        *isText = textual;
    value = textual ? valueText(node.value) : std::string(node.value);
    return true;
}

std::optional<FixedFileInfo> VersionResource::fixedInfo() const
{
    std::string v;
    if (!queryValue("\\", v) || v.size() < 52 || u32(v, 0) != 0xFEEF04BDu)
        return std::nullopt;
    FixedFileInfo f;
    uint32_t* fields[] = { &f.signature, &f.structVersion, &f.fileVersionMS, &f.fileVersionLS, &f.productVersionMS,
        &f.productVersionLS, &f.fileFlagsMask, &f.fileFlags, &f.fileOS, &f.fileType, &f.fileSubtype, &f.fileDateMS,
        &f.fileDateLS };
    for (size_t i = 0; i < 13; ++i)
        *fields[i] = u32(v, i * 4);
    return f;
}

std::vector<std::pair<uint16_t, uint16_t>> VersionResource::translations() const
{
    std::vector<std::pair<uint16_t, uint16_t>> out;
    std::string v;
    if (!queryValue("\\VarFileInfo\\Translation", v))
        return out;
    for (size_t i = 0; i + 4 <= v.size(); i += 4)
        out.emplace_back(u16(v, i), u16(v, i + 2));
    return out;
}

std::optional<std::string> VersionResource::stringValue(const std::string& table, const std::string& name) const
{
    std::string v;
    bool isText = false;
    if (!queryValue("\\StringFileInfo\\" + table + "\\" + name, v, &isText) || !isText)
        return std::nullopt;
    return v;
}

// --- writing ---

namespace {

void put16(std::string& s, uint16_t v)
{
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}

void put32(std::string& s, uint32_t v)
{
    put16(s, uint16_t(v & 0xFFFF));
    put16(s, uint16_t(v >> 16));
}

void pad4(std::string& s)
{
    while (s.size() % 4)
        s.push_back('\0');
}

void set16(std::string& s, size_t at, uint16_t v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}

void set32(std::string& s, size_t at, uint32_t v)
{
    set16(s, at, uint16_t(v & 0xFFFF));
    set16(s, at + 2, uint16_t(v >> 16));
}

// valueLength: in characters for text values, bytes for binary ones.
std::string makeBlock(const std::string& key, uint16_t type, const std::string& value, uint16_t valueLength,
    const std::vector<std::string>& children)
{
    std::string b;
    put16(b, 0);
    put16(b, valueLength);
    put16(b, type);
    for (char16_t c : text::utf8ToUtf16(key))
        put16(b, uint16_t(c));
    put16(b, 0);
    pad4(b);
    b += value;
    for (const auto& child : children) {
        pad4(b);
        b += child;
    }
    set16(b, 0, uint16_t(b.size()));
    return b;
}

} // namespace

std::vector<std::pair<uint16_t, uint16_t>> VersionSpec::usEnglishTranslation()
{
    return { { uint16_t(0x0409), uint16_t(1252) } };
}

std::string buildVersionBlock(const VersionSpec& stamp)
{
    std::string fixed;
    put32(fixed, 0xFEEF04BD);
    put32(fixed, 0x00010000);
    put32(fixed, uint32_t(stamp.fileVersion[0]) << 16 | stamp.fileVersion[1]);
    put32(fixed, uint32_t(stamp.fileVersion[2]) << 16 | stamp.fileVersion[3]);
    put32(fixed, uint32_t(stamp.productVersion[0]) << 16 | stamp.productVersion[1]);
    put32(fixed, uint32_t(stamp.productVersion[2]) << 16 | stamp.productVersion[3]);
    put32(fixed, 0x3F);
    put32(fixed, stamp.fileFlags);
    put32(fixed, stamp.fileOS);
    put32(fixed, stamp.fileType);
    put32(fixed, stamp.fileSubtype);
    put32(fixed, 0);
    put32(fixed, 0);

    std::vector<std::string> top;
    if (!stamp.stringTables.empty()) {
        std::vector<std::string> tables;
        for (const auto& table : stamp.stringTables) {
            std::vector<std::string> strings;
            for (const auto& [name, value] : table.strings) {
                std::string v;
                std::u16string u = text::utf8ToUtf16(value);
                for (char16_t c : u)
                    put16(v, uint16_t(c));
                put16(v, 0);
                strings.push_back(makeBlock(name, 1, v, uint16_t(u.size() + 1), {}));
            }
            tables.push_back(makeBlock(table.key, 1, {}, 0, strings));
        }
        top.push_back(makeBlock("StringFileInfo", 1, {}, 0, tables));
    }
    if (!stamp.translations.empty()) {
        std::string pairs;
        for (auto [lang, cp] : stamp.translations) {
            put16(pairs, lang);
            put16(pairs, cp);
        }
        top.push_back(
            makeBlock("VarFileInfo", 1, {}, 0, { makeBlock("Translation", 0, pairs, uint16_t(pairs.size()), {}) }));
    }
    return makeBlock("VS_VERSION_INFO", 0, fixed, uint16_t(fixed.size()), top);
}

std::string buildPeImage(const std::string& versionBlock, uint16_t language)
{
    const uint32_t fileAlign = 0x200, sectionAlign = 0x1000, rsrcRva = 0x1000;
    bool withResource = !versionBlock.empty();

    std::string rsrc;
    if (withResource) {
        // Three directory levels (type, name, language), one entry each, then
        // the data entry and the data.
        auto dir = [&](uint32_t id, uint32_t target) {
            put32(rsrc, 0);
            put32(rsrc, 0);
            put16(rsrc, 0);
            put16(rsrc, 0);
            put16(rsrc, 0);
            put16(rsrc, 1);
            put32(rsrc, id);
            put32(rsrc, target);
        };
        dir(16, 0x80000000u | 24);
        dir(1, 0x80000000u | 48);
        dir(language, 72);
        put32(rsrc, rsrcRva + 88);
        put32(rsrc, uint32_t(versionBlock.size()));
        put32(rsrc, 0);
        put32(rsrc, 0);
        rsrc += versionBlock;
    }
    uint32_t rawSize = uint32_t((rsrc.size() + fileAlign - 1) / fileAlign * fileAlign);
    uint32_t virtSize = uint32_t((rsrc.size() + sectionAlign - 1) / sectionAlign * sectionAlign);

    std::string img(0x40, '\0');
    img[0] = 'M';
    img[1] = 'Z';
    set32(img, 0x3C, 0x40);
    img += std::string("PE\0\0", 4);
    put16(img, 0x14C); // i386
    put16(img, withResource ? 1 : 0); // sections
    put32(img, 0); // time stamp
    put32(img, 0); // symbol table
    put32(img, 0); // symbols
    put16(img, 96 + 16 * 8); // optional header size
    put16(img, 0x0102); // executable, 32-bit
    size_t opt = img.size();
    put16(img, 0x10B); // PE32
    img.push_back(6); // linker version
    img.push_back(0);
    put32(img, 0); // size of code
    put32(img, rawSize); // size of initialised data
    put32(img, 0); // size of uninitialised data
    put32(img, 0); // entry point
    put32(img, sectionAlign); // base of code
    put32(img, sectionAlign); // base of data
    put32(img, 0x400000); // image base
    put32(img, sectionAlign);
    put32(img, fileAlign);
    put16(img, 4); // OS version
    put16(img, 0);
    put16(img, 0); // image version
    put16(img, 0);
    put16(img, 4); // subsystem version
    put16(img, 0);
    put32(img, 0); // Win32 version
    put32(img, sectionAlign + virtSize); // size of image
    put32(img, fileAlign); // size of headers
    put32(img, 0); // checksum
    put16(img, 2); // GUI subsystem
    put16(img, 0); // DLL characteristics
    put32(img, 0x100000); // stack reserve
    put32(img, 0x1000); // stack commit
    put32(img, 0x100000); // heap reserve
    put32(img, 0x1000); // heap commit
    put32(img, 0); // loader flags
    put32(img, 16); // data directories
    for (int i = 0; i < 16; ++i) {
        bool res = withResource && i == 2;
        put32(img, res ? rsrcRva : 0);
        put32(img, res ? uint32_t(rsrc.size()) : 0);
    }
    (void)opt;
    if (withResource) {
        std::string name(".rsrc\0\0\0", 8);
        img += name;
        put32(img, uint32_t(rsrc.size())); // virtual size
        put32(img, rsrcRva);
        put32(img, rawSize);
        put32(img, fileAlign); // raw data pointer
        put32(img, 0);
        put32(img, 0);
        put16(img, 0);
        put16(img, 0);
        put32(img, 0x40000040u); // initialised data, readable
    }
    img.resize(fileAlign, '\0');
    rsrc.resize(rawSize, '\0');
    return img + rsrc;
}

} // namespace win
