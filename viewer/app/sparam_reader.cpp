#include "viewer/app/sparam_reader.h"

#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_math.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace viewer {

namespace {

// A failure while reading data: "Error in input file." with the line.
struct SParamReadError : std::runtime_error {
    SParamReadError(int line, const std::string& what, bool endOfText = false)
        : std::runtime_error(what)
        , line(line)
        , endOfText(endOfText)
    {
    }
    int line;
    bool endOfText; // the text ended inside a record
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    return s.substr(i);
}

std::string upper(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return r;
}

// Splits the option line (after the '#') into its tokens; a token that
// begins with '!' ends the line.
std::vector<std::string_view> optionTokens(std::string_view s)
{
    std::vector<std::string_view> tokens;
    for (;;) {
        s = trimLeft(s);
        if (s.empty() || s.front() == '!')
            break;
        std::size_t end = 0;
        while (end < s.size() && !isBlank(s[end]))
            ++end;
        tokens.push_back(s.substr(0, end));
        s.remove_prefix(end);
    }
    return tokens;
}

std::size_t countTokens(std::string_view s)
{
    std::size_t n = 0;
    for (;;) {
        s = trimLeft(s);
        if (s.empty() || s.front() == '!')
            return n;
        while (!s.empty() && !isBlank(s.front()))
            s.remove_prefix(1);
        ++n;
    }
}

// A token for a message, cut short when it is long.
std::string quoted(std::string_view s)
{
    constexpr std::size_t kShown = 40;
    return "\"" + std::string(s.substr(0, kShown)) + (s.size() > kShown ? "...\"" : "\"");
}

SParamReadResult failure(std::string message)
{
    SParamReadResult r;
    r.message = std::move(message);
    return r;
}

} // namespace

TSParamTokenizer::TSParamTokenizer(std::string_view text, std::vector<std::string>& memo)
    : size_(text.size())
    , text_(text)
    , memo_(memo)
{
}

TSParamTokenizer::TSParamTokenizer(std::FILE* file, std::vector<std::string>& memo)
    : file_(file)
    , memo_(memo)
{
    struct stat st;
    if (::fstat(::fileno(file), &st) == 0 && st.st_size > 0)
        size_ = static_cast<std::size_t>(st.st_size);
    // A small file needs no more than its own size (one byte more sees the end).
    buf_.resize(size_ > 0 ? std::min(kBlock, size_ + 1) : kBlock);
}

bool TSParamTokenizer::refill()
{
    if (!file_ || eof_)
        return false;
    // Keep the unread rest at the front, then fill the buffer behind it.
    std::size_t rest = text_.size() - pos_;
    if (rest > 0 && pos_ > 0)
        std::memmove(buf_.data(), buf_.data() + pos_, rest);
    consumed_ += pos_;
    pos_ = 0;
    if (rest > buf_.size() / 2)
        buf_.resize(buf_.size() * 2); // a line longer than half the buffer
    std::size_t got = 0;
    const int fd = ::fileno(file_);
    while (got < buf_.size() - rest) {
        ssize_t n = ::read(fd, buf_.data() + rest + got, buf_.size() - rest - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw SParamReadError(lineNo_ + 1, std::string("the file cannot be read: ") + std::strerror(errno));
        if (n == 0) {
            eof_ = true;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text_ = std::string_view(buf_.data(), rest + got);
    return got > 0;
}

bool TSParamTokenizer::readRawLine(std::string_view& out)
{
    std::size_t searched = 0; // bytes after pos_ already known to hold no line end
    for (;;) {
        std::size_t rest = text_.size() - pos_;
        const char* start = text_.data() + pos_;
        const void* nl = rest > searched ? std::memchr(start + searched, '\n', rest - searched) : nullptr;
        if (nl || eof_ || !file_) {
            if (rest == 0)
                return false;
            std::size_t len = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - start) : rest;
            lineOffset_ = consumed_ + pos_;
            pos_ += nl ? len + 1 : len;
            if (len > 0 && start[len - 1] == '\r')
                --len;
            out = std::string_view(start, len);
            ++lineNo_;
            return true;
        }
        searched = rest;
        refill();
    }
}

bool TSParamTokenizer::ReadDataLine()
{
    std::string_view raw;
    while (readRawLine(raw)) {
        raw = trimLeft(raw);
        if (raw.empty())
            continue;
        if (raw.front() == '!') {
            memo_.emplace_back(raw.substr(1));
            continue;
        }
        line_ = raw;
        return false;
    }
    line_ = {};
    return true;
}

std::string_view TSParamTokenizer::NextToken()
{
    line_ = trimLeft(line_);
    if (line_.empty() || line_.front() == '!') {
        if (ReadDataLine())
            return {};
    }
    std::size_t end = 0;
    while (end < line_.size() && !isBlank(line_[end]))
        ++end;
    std::string_view token = line_.substr(0, end);
    line_.remove_prefix(end < line_.size() ? end + 1 : end);
    return token;
}

double TSParamTokenizer::NextNumber()
{
    // Fast path: convert straight from the line and check that the number
    // fills its token; anything else goes the long way for its message.
    line_ = trimLeft(line_);
    if (!line_.empty() && line_.front() != '!') {
        const char* first = line_.data();
        const char* last = first + line_.size();
        const char* p = first;
        if (*p == '+' && p + 1 < last && p[1] != '-' && p[1] != '+')
            ++p;
        double v;
        const char* ptr = ParseNumberPrefix(p, last, v);
        if (ptr && (ptr == last || isBlank(*ptr)) && std::isfinite(v)) {
            line_.remove_prefix(static_cast<std::size_t>(ptr - first) + (ptr == last ? 0 : 1));
            return v;
        }
    }
    std::string_view token = NextToken();
    if (token.empty())
        throw SParamReadError(lineNo_, "the record ends early (end of file)", true);
    double v;
    if (!ParseNumber(token, v))
        throw SParamReadError(lineNo_, quoted(token) + " is not a number");
    return v;
}

namespace {

// Two-port angles come out as RectToPolar gives them; a value already in
// that form is kept as read instead of going round through sine and cosine.
inline SParamPolar canonicalPolar(double mag, double angle)
{
    if (mag > 0 && angle > -180.0 && angle <= 180.0)
        return { mag, angle };
    if (mag == 0)
        return { 0.0, 0.0 };
    return ToPolar(FromPolar(mag, angle));
}

// A point of the chart; a value too large for a double (a huge dB figure,
// say) is an error of its record, not an infinite point.
inline smith::TPoint checkedPoint(double f, SParamPolar p, const TSParamTokenizer& tok)
{
    if (!std::isfinite(p.mag) || !std::isfinite(p.angle))
        throw SParamReadError(tok.LineNumber(), "a value is out of range");
    return MakePoint(f, p.mag, p.angle);
}

inline double fromDb(double m)
{
    return std::pow(10.0, m / 20.0);
}

// Runs `readRecord(frequency, recordText)` for every record, each starting
// on a fresh line, until the text ends or it returns false. A text that
// ends inside a record, or holds no record, is an error.
template <class ReadRecord> void readRecords(TSParamTokenizer& tok, SParameterData& d, ReadRecord&& readRecord)
{
    const auto curves = static_cast<std::size_t>(d.ports * d.ports);
    d.points.assign(curves, {});
    auto& pts = d.points;
    int recordLine = 0;
    // After the first records, room for as many more as the rest of the text
    // holds at their mean size, so that the point lists are not copied as
    // they grow.
    constexpr std::size_t kSampleRecords = 32;
    std::size_t firstOffset = 0;
    try {
        while (!tok.ReadDataLine()) {
            const std::size_t have = pts[0].size();
            if (have == 0) {
                firstOffset = tok.LineOffset();
            } else if (have == kSampleRecords && tok.TextSize() > tok.LineOffset()) {
                double perRecord = double(tok.LineOffset() - firstOffset) / double(kSampleRecords);
                auto expected = static_cast<std::size_t>(double(tok.TextSize() - firstOffset) / perRecord * 1.2) + 16;
                for (auto& c : pts)
                    c.reserve(expected);
            }
            recordLine = tok.LineNumber();
            std::string_view recordText = tok.CurrentLine();
            double f = tok.NextNumber();
            if (!readRecord(f, recordLine, recordText))
                break;
        }
    } catch (SParamReadError& e) {
        if (e.endOfText)
            throw SParamReadError(recordLine, "the record that starts here ends early (end of file)");
        throw;
    }
    if (pts[0].empty())
        throw SParamReadError(tok.LineNumber(), "no data follows the option line");
}

// The next pair of a record (dB or linear magnitude and angle, or real and
// imaginary part) as magnitude and angle.
SParamPolar nextPolar(TSParamTokenizer& tok, bool db, bool ri)
{
    double a = tok.NextNumber(), b = tok.NextNumber();
    if (db)
        a = fromDb(a);
    return ri ? ToPolar({ a, b }) : SParamPolar { a, b };
}

// One and two ports: a record is the frequency and one pair, or four pairs
// in the order 11, 21, 12, 22. Two-port values of Y, Z or H files become S.
void ReadOneTwoPortData(TSParamTokenizer& tok, SParameterData& d, const std::string& formatToken)
{
    const bool db = formatToken == "DB";
    const bool ri = formatToken == "RI";
    auto& pts = d.points;
    if (d.ports == 1) {
        readRecords(tok, d, [&](double f, int, std::string_view) {
            pts[0].push_back(checkedPoint(f, nextPolar(tok, db, ri), tok));
            return true;
        });
        return;
    }
    readRecords(tok, d, [&](double f, int recordLine, std::string_view recordText) {
        if (!pts[0].empty()) {
            // A noise block follows the data: its frequencies start again
            // at or below the last one and its lines hold five numbers.
            // Any other line from there on is a fault of the file, not
            // noise data to pass over.
            // Counting the numbers costs time on every record: only a
            // frequency that does not rise can start the noise block.
            const double last = pts[0].back().Freq;
            const std::size_t count = f <= last ? countTokens(recordText) : 0;
            if (f < last || (f == last && count == 5)) {
                if (count != 5)
                    throw SParamReadError(recordLine,
                        "the frequency is below the one before, but the line holds " + std::to_string(count)
                            + " numbers, not the 5 of a noise parameter row");
                d.noiseDropped = true;
                while (!tok.ReadDataLine())
                    if (std::size_t n = countTokens(tok.CurrentLine()); n != 5)
                        throw SParamReadError(tok.LineNumber(),
                            "a noise parameter row holds 5 numbers, this line " + std::to_string(n));
                return false;
            }
        }
        double v[8];
        for (double& x : v)
            x = tok.NextNumber();
        if (db)
            for (int k = 0; k < 8; k += 2)
                v[k] = fromDb(v[k]);
        if (d.kind == 'S' && !ri) {
            for (std::size_t k = 0; k < 4; ++k) {
                SParamPolar p = canonicalPolar(v[2 * k], v[2 * k + 1]);
                pts[k].push_back(checkedPoint(f, p, tok));
            }
            return true;
        }
        TComplex c[4]; // file order 11, 21, 12, 22
        for (int k = 0; k < 4; ++k)
            c[k] = ri ? TComplex { v[2 * k], v[2 * k + 1] } : FromPolar(v[2 * k], v[2 * k + 1]);
        TComplex m[4] = { c[0], c[2], c[1], c[3] }; // 11, 12, 21, 22
        TwoPortToS(d.kind, m);
        const TComplex* order[4] = { &m[0], &m[2], &m[1], &m[3] }; // back to S11, S21, S12, S22
        for (std::size_t k = 0; k < 4; ++k) {
            if (!std::isfinite(order[k]->re) || !std::isfinite(order[k]->im))
                throw SParamReadError(recordLine, "the values of this record have no S-parameter form");
            SParamPolar p = ToPolar(*order[k]);
            pts[k].push_back(checkedPoint(f, p, tok));
        }
        return true;
    });
}

// Three ports or more: a record is the frequency and n * n pairs in row
// order, spread over any number of lines.
void ReadNPortData(TSParamTokenizer& tok, SParameterData& d, const std::string& formatToken)
{
    const bool db = formatToken == "DB";
    const bool ri = formatToken == "RI";
    auto& pts = d.points;
    const auto curves = static_cast<std::size_t>(d.ports * d.ports);
    readRecords(tok, d, [&](double f, int, std::string_view) {
        for (std::size_t k = 0; k < curves; ++k) {
            pts[k].push_back(checkedPoint(f, nextPolar(tok, db, ri), tok));
        }
        return true;
    });
}

} // namespace

namespace {

// Reads the option line and the records; the data and comments go into
// result.data, a failure into result.message.
void parse(TSParamTokenizer& tok, SParamReadResult& result)
{
    SParameterData& d = result.data;
    const int ports = d.ports;
    auto fail = [&](std::string message) { result.message = std::move(message); };
    try {
        if (tok.ReadDataLine())
            return fail(msg::kDescriptorMissing);
        std::string option = upper(tok.CurrentLine());
        // A version 2.0 file begins with its keyword lines, not the option
        // line.
        if (option.starts_with("[VERSION]"))
            return fail(msg::kVersion2NotRead);
        if (option.empty() || option.front() != '#')
            return fail(msg::kDescriptorMissing);
        const int optionLine = tok.LineNumber();
        // Every option sits on the option line itself: a missing one must not
        // take the first numbers of the data in its place.
        auto tokens = optionTokens(std::string_view(option).substr(1));
        auto token = [&](std::size_t i) { return i < tokens.size() ? tokens[i] : std::string_view(); };

        d.units = std::string(token(0));
        std::string_view kindToken = token(1);
        char kind = kindToken.empty() ? '\0' : kindToken.front();
        if ((kind == 'H' || kind == 'Y' || kind == 'Z') && ports != 2)
            return fail(std::string(1, kind) + msg::kOnlyS2P);
        if (kind != 'H' && kind != 'S' && kind != 'Y' && kind != 'Z')
            return fail(msg::kUnsupportedFileType);
        d.kind = kind;
        std::string formatToken(token(2));
        d.format = formatToken == "MA" ? sfMA : formatToken == "DB" ? sfDB : sfRI;
        if (token(3) != "R")
            return fail(msg::kImpedanceSpecifier);

        std::string_view z0 = token(4);
        if (z0.empty())
            throw SParamReadError(optionLine, "the reference impedance is missing");
        if (!ParseNumber(z0, d.impedance))
            throw SParamReadError(optionLine, quoted(z0) + " is not a number");
        if (!(d.impedance > 0))
            throw SParamReadError(optionLine, "the reference impedance must be above zero");
        if (ports <= 2)
            ReadOneTwoPortData(tok, d, formatToken);
        else
            ReadNPortData(tok, d, formatToken);
    } catch (SParamReadError& e) {
        result.line = e.line;
        return fail(std::string(msg::kInputError) + "\nLine " + std::to_string(e.line) + ": " + e.what());
    }
    if (d.noiseDropped)
        result.notice = msg::kNoiseNotKept;
    result.ok = true;
}

} // namespace

SParamReadResult ReadSParameterText(std::string_view text, int ports)
{
    if (ports < 1 || ports > 99)
        return failure(msg::kInvalidFileType);
    SParamReadResult result;
    result.data.ports = ports;
    TSParamTokenizer tok(text, result.data.comments);
    parse(tok, result);
    return result;
}

SParamReadResult ReadSParameterFile(const std::string& path)
{
    int ports = PortCountFromPath(path);
    if (ports < 0)
        return failure(msg::kInvalidFileType);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return failure("Cannot open file \"" + path + "\". " + std::strerror(errno) + ".");
    SParamReadResult result = ReadSParameterFile(f, ports);
    std::fclose(f);
    return result;
}

SParamReadResult ReadSParameterFile(std::FILE* file, int ports)
{
    if (ports < 1 || ports > 99)
        return failure(msg::kInvalidFileType);
    SParamReadResult result;
    result.data.ports = ports;
    TSParamTokenizer tok(file, result.data.comments);
    parse(tok, result);
    return result;
}

std::string CurveLegend(int ports, int index)
{
    int row, col;
    if (ports == 2) {
        row = index % 2 + 1;
        col = index / 2 + 1;
    } else {
        row = index / ports + 1;
        col = index % ports + 1;
    }
    return "S" + std::to_string(row) + std::to_string(col);
}

} // namespace viewer
