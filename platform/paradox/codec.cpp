#include "platform/paradox/codec.h"

#include <iconv.h>

#include <map>
#include <memory>
#include <mutex>

namespace paradox::detail {

std::uint8_t typeCode(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return 0x01;
    case FieldType::Date:
        return 0x02;
    case FieldType::Short:
        return 0x03;
    case FieldType::Long:
        return 0x04;
    case FieldType::Currency:
        return 0x05;
    case FieldType::Number:
        return 0x06;
    case FieldType::Logical:
        return 0x09;
    case FieldType::Memo:
        return 0x0C;
    case FieldType::Blob:
        return 0x0D;
    case FieldType::FormattedMemo:
        return 0x0E;
    case FieldType::Ole:
        return 0x0F;
    case FieldType::Graphic:
        return 0x10;
    case FieldType::Time:
        return 0x14;
    case FieldType::Timestamp:
        return 0x15;
    case FieldType::AutoInc:
        return 0x16;
    case FieldType::Bcd:
        return 0x17;
    case FieldType::Bytes:
        return 0x18;
    }
    return 0;
}

bool fieldTypeFromCode(std::uint8_t code, FieldType& out)
{
    static constexpr FieldType all[] = { FieldType::Alpha, FieldType::Date, FieldType::Short, FieldType::Long,
        FieldType::Currency, FieldType::Number, FieldType::Logical, FieldType::Memo, FieldType::Blob,
        FieldType::FormattedMemo, FieldType::Ole, FieldType::Graphic, FieldType::Time, FieldType::Timestamp,
        FieldType::AutoInc, FieldType::Bcd, FieldType::Bytes };
    for (FieldType t : all)
        if (typeCode(t) == code) {
            out = t;
            return true;
        }
    return false;
}

bool isBlobType(FieldType type)
{
    return type == FieldType::Memo || type == FieldType::Blob || type == FieldType::FormattedMemo
        || type == FieldType::Ole || type == FieldType::Graphic;
}

int storedSize(const FieldDef& field)
{
    switch (field.type) {
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::Time:
    case FieldType::AutoInc:
        return 4;
    case FieldType::Short:
        return 2;
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Timestamp:
        return 8;
    case FieldType::Logical:
        return 1;
    case FieldType::Bcd:
        return 17;
    default:
        return field.size;
    }
}

namespace {

std::string utf8Of(char32_t c)
{
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// Next code point of UTF-8 text; false on a malformed sequence.
bool nextCodePoint(std::string_view s, std::size_t& i, char32_t& c)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra;
    if (b0 < 0x80) {
        c = b0;
        extra = 0;
    } else if ((b0 & 0xE0) == 0xC0) {
        c = b0 & 0x1F;
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        c = b0 & 0x0F;
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        c = b0 & 0x07;
        extra = 3;
    } else {
        return false;
    }
    if (i + extra >= s.size())
        return false;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (b & 0x3F);
    }
    i += extra + 1;
    return true;
}

std::unique_ptr<CodePage> buildCodePage(int number)
{
    const std::string name = "CP" + std::to_string(number);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    auto cp = std::make_unique<CodePage>();
    cp->number = number;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char outBuf[16];
        char* inPtr = &in;
        std::size_t inLeft = 1;
        char* outPtr = outBuf;
        std::size_t outLeft = sizeof outBuf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char32_t c = static_cast<char32_t>(b); // bytes the page leaves undefined pass through as Latin-1
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)
            && sizeof outBuf - outLeft == 4) {
            const auto* u = reinterpret_cast<const unsigned char*>(outBuf);
            c = static_cast<char32_t>(u[0] | (u[1] << 8) | (u[2] << 16) | (u[3] << 24));
        }
        cp->toUtf8[b] = utf8Of(c);
        cp->ascii[b] = c == static_cast<char32_t>(b) && b < 0x80;
        cp->fromUnicode.emplace(c, static_cast<std::uint8_t>(b));
    }
    iconv_close(cd);
    return cp;
}

} // namespace

const CodePage* codePage(int number)
{
    if (number == 0)
        number = 437;
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    std::lock_guard lock(mutex);
    auto it = pages.find(number);
    if (it == pages.end())
        it = pages.emplace(number, buildCodePage(number)).first;
    return it->second.get();
}

bool encodeText(const CodePage& cp, std::string_view utf8, std::string& out)
{
    out.clear();
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80 && cp.ascii[b]) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        char32_t c;
        if (!nextCodePoint(utf8, i, c))
            return false;
        auto it = cp.fromUnicode.find(c);
        if (it == cp.fromUnicode.end())
            return false;
        out += static_cast<char>(it->second);
    }
    return true;
}

} // namespace paradox::detail
