#include "platform/win/shelllink.h"

#include "platform/win/errors.h"
#include "platform/win/machine.h"

namespace win {

namespace {

constexpr char kMagic[8] = { 'T', 'V', 'X', 'L', 'I', 'N', 'K', 0x1A };
constexpr uint16_t kLayoutVersion = 1;
constexpr uint32_t ERROR_INVALID_DATA = 13;

void put16(std::string& out, uint16_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xFF));
}

uint32_t byteSum(const std::string& bytes, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    return sum;
}

class Reader {
public:
    Reader(const std::string& bytes, const std::string& source)
        : bytes_(bytes)
        , source_(source)
    {
    }
    uint32_t number(int size)
    {
        need(size_t(size));
        uint32_t v = 0;
        for (int i = 0; i < size; ++i)
            v |= uint32_t(static_cast<unsigned char>(bytes_[pos_ + size_t(i)])) << (8 * i);
        pos_ += size_t(size);
        return v;
    }
    std::string text()
    {
        const size_t n = number(2);
        need(n);
        std::string s = bytes_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    size_t pos() const { return pos_; }
    [[noreturn]] void fail(const std::string& why) const
    {
        throw ShellLinkError("The shortcut " + source_ + " is damaged: " + why);
    }

private:
    void need(size_t n) const
    {
        if (bytes_.size() - pos_ < n)
            fail("it ends too early");
    }
    const std::string& bytes_;
    const std::string& source_;
    size_t pos_ = 0;
};

} // namespace

std::string encodeShellLink(const ShellLink& link)
{
    std::string out(kMagic, sizeof kMagic);
    put16(out, kLayoutVersion);
    put16(out, link.hotKey);
    put32(out, static_cast<uint32_t>(link.iconIndex));
    for (const std::string* s :
        { &link.target, &link.arguments, &link.workingDirectory, &link.iconPath, &link.description }) {
        put16(out, static_cast<uint16_t>(s->size()));
        out += *s;
    }
    put32(out, byteSum(out, out.size()));
    return out;
}

ShellLink decodeShellLink(const std::string& bytes, const std::string& source)
{
    Reader r(bytes, source);
    if (bytes.size() < sizeof kMagic || bytes.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0)
        r.fail("it is not a shortcut file");
    for (size_t i = 0; i < sizeof kMagic; ++i)
        r.number(1);
    if (r.number(2) != kLayoutVersion)
        r.fail("unknown layout version");
    ShellLink link;
    link.hotKey = static_cast<uint16_t>(r.number(2));
    link.iconIndex = static_cast<int32_t>(r.number(4));
    link.target = r.text();
    link.arguments = r.text();
    link.workingDirectory = r.text();
    link.iconPath = r.text();
    link.description = r.text();
    const size_t summed = r.pos();
    if (r.number(4) != byteSum(bytes, summed))
        r.fail("the check sum does not match");
    if (r.pos() != bytes.size())
        r.fail("bytes follow the check sum");
    return link;
}

bool writeShellLink(Machine& machine, const std::string& path, const ShellLink& link)
{
    if (path.size() > MAX_PATH_LENGTH) {
        setLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    for (const std::string* s :
        { &link.target, &link.arguments, &link.workingDirectory, &link.iconPath, &link.description })
        if (s->size() > 0xFFFF) {
            setLastError(ERROR_INVALID_DATA);
            return false;
        }
    return machine.writeFile(path, encodeShellLink(link));
}

ShellLink readShellLink(const Machine& machine, const std::string& path)
{
    std::string bytes;
    if (!machine.readFile(path, bytes))
        throw ShellLinkError("The shortcut " + path + " cannot be read (error " + std::to_string(lastError()) + ")");
    return decodeShellLink(bytes, path);
}

} // namespace win
