#include "viewer/app/sparam_reader.h"

#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_math.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

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

std::string quoted(std::string_view s)
{
    return "\"" + std::string(s) + "\"";
}

SParamReadResult failure(std::string message)
{
    SParamReadResult r;
    r.message = std::move(message);
    return r;
}

} // namespace

TSParamTokenizer::TSParamTokenizer(std::string_view text, std::vector<std::string>& memo)
    : text_(text)
    , memo_(memo)
{
}

bool TSParamTokenizer::readRawLine(std::string_view& out)
{
    if (pos_ >= text_.size())
        return false;
    const char* start = text_.data() + pos_;
    std::size_t rest = text_.size() - pos_;
    const void* nl = std::memchr(start, '\n', rest);
    std::size_t len = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - start) : rest;
    pos_ += nl ? len + 1 : len;
    if (len > 0 && start[len - 1] == '\r')
        --len;
    out = std::string_view(start, len);
    ++lineNo_;
    return true;
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

inline double fromDb(double m)
{
    return std::pow(10.0, m / 20.0);
}

void readRecords(TSParamTokenizer& tok, SParameterData& d, const std::string& formatToken)
{
    const int n = d.ports;
    const bool db = formatToken == "DB";
    const bool ri = formatToken == "RI";
    const auto curves = static_cast<std::size_t>(n * n);
    d.points.assign(curves, {});
    auto& pts = d.points;
    int recordLine = 0;
    try {
        while (!tok.ReadDataLine()) {
            recordLine = tok.LineNumber();
            std::string_view recordText = tok.CurrentLine();
            double f = tok.NextNumber();
            if (n == 2 && !pts[0].empty()) {
                // A noise block follows the data: its frequencies start again
                // at or below the last one and its lines hold five numbers.
                double last = pts[0].back().Freq;
                if (f < last || (f == last && countTokens(recordText) == 5)) {
                    d.noiseDropped = true;
                    while (!tok.ReadDataLine()) { }
                    break;
                }
            }
            if (n == 2) {
                double v[8];
                for (double& x : v)
                    x = tok.NextNumber();
                if (db)
                    for (int k = 0; k < 8; k += 2)
                        v[k] = fromDb(v[k]);
                if (d.kind == 'S' && !ri) {
                    for (std::size_t k = 0; k < 4; ++k) {
                        SParamPolar p = canonicalPolar(v[2 * k], v[2 * k + 1]);
                        pts[k].push_back(MakePoint(f, p.mag, p.angle));
                    }
                } else {
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
                        pts[k].push_back(MakePoint(f, p.mag, p.angle));
                    }
                }
            } else {
                for (std::size_t k = 0; k < curves; ++k) {
                    double a = tok.NextNumber(), b = tok.NextNumber();
                    if (db)
                        a = fromDb(a);
                    if (ri) {
                        SParamPolar p = ToPolar({ a, b });
                        pts[k].push_back(MakePoint(f, p.mag, p.angle));
                    } else {
                        pts[k].push_back(MakePoint(f, a, b));
                    }
                }
            }
        }
    } catch (SParamReadError& e) {
        if (e.endOfText)
            throw SParamReadError(recordLine, "the record that starts here ends early (end of file)");
        throw;
    }
    if (pts[0].empty())
        throw SParamReadError(tok.LineNumber(), "no data follows the option line");
}

} // namespace

SParamReadResult ReadSParameterText(std::string_view text, int ports)
{
    if (ports < 1 || ports > 99)
        return failure(msg::kInvalidFileType);
    SParamReadResult result;
    SParameterData& d = result.data;
    d.ports = ports;
    TSParamTokenizer tok(text, d.comments);

    if (tok.ReadDataLine())
        return failure(msg::kDescriptorMissing);
    std::string option = upper(tok.CurrentLine());
    if (option.empty() || option.front() != '#')
        return failure(msg::kDescriptorMissing);
    const int optionLine = tok.LineNumber();
    // Every option sits on the option line itself: a missing one must not
    // take the first numbers of the data in its place.
    auto tokens = optionTokens(std::string_view(option).substr(1));
    auto token = [&](std::size_t i) { return i < tokens.size() ? tokens[i] : std::string_view(); };

    d.units = std::string(token(0));
    std::string_view kindToken = token(1);
    char kind = kindToken.empty() ? '\0' : kindToken.front();
    if ((kind == 'H' || kind == 'Y' || kind == 'Z') && ports != 2)
        return failure(std::string(1, kind) + msg::kOnlyS2P);
    if (kind != 'H' && kind != 'S' && kind != 'Y' && kind != 'Z')
        return failure(msg::kUnsupportedFileType);
    d.kind = kind;
    std::string formatToken(token(2));
    d.format = formatToken == "MA" ? sfMA : formatToken == "DB" ? sfDB : sfRI;
    if (token(3) != "R")
        return failure(msg::kImpedanceSpecifier);

    try {
        std::string_view z0 = token(4);
        if (z0.empty())
            throw SParamReadError(optionLine, "the reference impedance is missing");
        if (!ParseNumber(z0, d.impedance))
            throw SParamReadError(optionLine, quoted(z0) + " is not a number");
        if (!(d.impedance > 0))
            throw SParamReadError(optionLine, "the reference impedance must be above zero");
        readRecords(tok, d, formatToken);
    } catch (SParamReadError& e) {
        SParamReadResult r
            = failure(std::string(msg::kInputError) + "\nLine " + std::to_string(e.line) + ": " + e.what());
        r.line = e.line;
        return r;
    }
    if (d.noiseDropped)
        result.notice = msg::kNoiseNotKept;
    result.ok = true;
    return result;
}

bool ReadWholeFile(const std::string& path, std::string& out, std::string& error)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "Cannot open file \"" + path + "\". " + std::strerror(errno) + ".";
        return false;
    }
    out.clear();
    bool ok = true;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0)
            out.reserve(static_cast<std::size_t>(size));
        std::fseek(f, 0, SEEK_SET);
    }
    char buf[1 << 16];
    for (;;) {
        std::size_t got = std::fread(buf, 1, sizeof buf, f);
        out.append(buf, got);
        if (got < sizeof buf) {
            if (std::ferror(f)) {
                error = "Read error on file \"" + path + "\". " + std::strerror(errno) + ".";
                ok = false;
            }
            break;
        }
    }
    std::fclose(f);
    return ok;
}

SParamReadResult ReadSParameterFile(const std::string& path)
{
    int ports = PortCountFromPath(path);
    if (ports < 0)
        return failure(msg::kInvalidFileType);
    std::string text, error;
    if (!ReadWholeFile(path, text, error))
        return failure(error);
    return ReadSParameterText(text, ports);
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
