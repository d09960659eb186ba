#include "viewer/app/sparam_writer.h"

#include "platform/rtl/atomic_file.h"

#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_math.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>

namespace viewer {

SParamSource SourceFromChart(const TSmithChart& chart, int ports, std::string& error)
{
    SParamSource src;
    src.ports = ports;
    src.units = chart.Units();
    src.impedance = chart.Impedance();
    error.clear();
    if (ports < 1 || ports > 99) {
        error = "The data has no port count.";
        return src;
    }
    std::map<std::string, std::vector<int>, std::less<>> byLegend; // curve indices in index order
    for (int c = 0; c < chart.CurveCount(); ++c)
        byLegend[chart.CurveAt(c)->Legend].push_back(c);
    const int count = ports == 2 ? 4 : ports * ports;
    src.curves.assign(static_cast<std::size_t>(count), nullptr);
    std::map<std::string, int, std::less<>> seen; // matrix positions met so far per legend
    // In row order, so that the k-th position naming a legend takes its k-th curve.
    for (int i = 1; i <= ports; ++i) {
        for (int j = 1; j <= ports; ++j) {
            std::string legend = "S" + std::to_string(i) + std::to_string(j);
            int rank = seen[legend]++;
            auto it = byLegend.find(legend);
            if (it == byLegend.end() || rank >= static_cast<int>(it->second.size())) {
                error = "The curve " + legend + " is missing.";
                return src;
            }
            const auto& points = chart.CurveAt(it->second[static_cast<std::size_t>(rank)])->Points;
            src.curves[static_cast<std::size_t>(CurveIndex(ports, i, j))] = &points;
        }
    }
    for (const auto* c : src.curves)
        if (c->size() != src.curves[0]->size()) {
            error = "The curves do not all have the same number of points.";
            return src;
        }
    return src;
}

SParamSource SourceFromData(const SParameterData& data)
{
    SParamSource src;
    src.ports = data.ports;
    src.units = data.units;
    src.impedance = data.impedance;
    for (const auto& c : data.points)
        src.curves.push_back(&c);
    return src;
}

void WriteComplexValue(TComplex g, int dataFormat, int digits, std::string& line)
{
    // A magnitude that the chosen decimals would write with fewer than three
    // significant digits (or as zero) goes in exponent form, with at least
    // three; angles and dB values keep the chosen decimals.
    const double floor = FixedPointFloor(digits);
    const int mantissa = std::max(digits, 2);
    auto append = [&](double v, bool exponent) {
        if (exponent)
            AppendExponent(line, v, mantissa);
        else
            AppendFixed(line, v, digits);
        line.push_back(' ');
    };
    if (dataFormat == sfRI) {
        const bool small = std::fabs(g.re) < floor && std::fabs(g.im) < floor && std::hypot(g.re, g.im) < floor
            && (g.re != 0 || g.im != 0);
        append(g.re, small);
        append(g.im, small);
        return;
    }
    SParamPolar p = ToPolar(g);
    if (dataFormat == sfDB)
        append(p.mag > 0 ? 20.0 * std::log10(p.mag) : kZeroPowerDb, false);
    else
        append(p.mag, p.mag > 0 && p.mag < floor);
    append(p.angle, false);
}

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = char(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

std::string trimmed(const std::string& s)
{
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

constexpr std::size_t kChunk = 1 << 20;

// Builds the records point by point: the matrix of point k in curve order,
// re-normalised and converted as chosen, then laid out by port count.
class RecordWriter {
public:
    RecordWriter(const SParamSource& src, const SParamWriteSettings& s, const TextSink& sink)
        : src_(src)
        , s_(s)
        , sink_(sink)
        , n_(src.ports)
        , renormalise_(src.impedance > 0 && src.impedance / s.newImpedance != 1.0)
    {
        out_.reserve(kChunk + 65536);
    }

    // Empty on success, else why the data cannot be written.
    std::string writeAll()
    {
        const std::size_t count = src_.pointCount();
        const std::size_t curves = src_.curves.size();
        values_.resize(curves);
        for (std::size_t k = 0; k < count; ++k) {
            for (std::size_t c = 0; c < curves; ++c) {
                const smith::TPoint& p = (*src_.curves[c])[k];
                values_[c] = { p.Re, p.Im };
            }
            bool renormalised = transform();
            bool finite = true;
            for (const TComplex& v : values_)
                finite = finite && std::isfinite(v.re) && std::isfinite(v.im);
            if (!renormalised || !finite) {
                std::string f;
                AppendFrequency(f, (*src_.curves[0])[k].Freq, 0);
                if (!renormalised)
                    return "The data at frequency " + f + " cannot be re-normalised to " + trimmed(s_.impedanceText)
                        + " ohms.";
                return std::string(1, "SYZH"[s_.parameterType & 3])
                    + " parameters cannot be written: the data at frequency " + f + " has no such form.";
            }
            const double freq = (*src_.curves[0])[k].Freq;
            // A reader takes a two-port's rows from a falling frequency on
            // for noise parameters.
            if (n_ == 2 && k > 0 && freq < (*src_.curves[0])[k - 1].Freq) {
                std::string f, before;
                AppendFrequency(f, freq, s_.digits);
                AppendFrequency(before, (*src_.curves[0])[k - 1].Freq, s_.digits);
                return "The frequencies of a two-port file must not fall: " + f + " " + src_.units + " follows "
                    + before + " " + src_.units + ".";
            }
            writeRecord(freq);
            if (out_.size() >= kChunk) {
                sink_(out_);
                out_.clear();
            }
        }
        if (!out_.empty())
            sink_(out_);
        out_.clear();
        return {};
    }

private:
    // Re-normalises the whole matrix, then converts a two-port to Y, Z or H.
    // False when the matrix cannot be re-normalised.
    bool transform()
    {
        if (renormalise_) {
            const auto N = static_cast<std::size_t>(n_);
            matrix_.resize(N * N);
            for (int i = 1; i <= n_; ++i)
                for (int j = 1; j <= n_; ++j) {
                    const TComplex& v = values_[static_cast<std::size_t>(CurveIndex(n_, i, j))];
                    matrix_[static_cast<std::size_t>((i - 1) * n_ + (j - 1))] = { v.re, v.im };
                }
            if (!RenormaliseS(matrix_, n_, src_.impedance, s_.newImpedance))
                return false;
            for (int i = 1; i <= n_; ++i)
                for (int j = 1; j <= n_; ++j) {
                    const auto& v = matrix_[static_cast<std::size_t>((i - 1) * n_ + (j - 1))];
                    values_[static_cast<std::size_t>(CurveIndex(n_, i, j))] = { v.real(), v.imag() };
                }
        }
        if (n_ == 2 && s_.parameterType != 0) {
            TComplex m[4] = { values_[0], values_[2], values_[1], values_[3] }; // 11, 12, 21, 22
            SToTwoPort(s_.parameterType, m);
            values_[0] = m[0];
            values_[1] = m[2];
            values_[2] = m[1];
            values_[3] = m[3];
        }
        return true;
    }

    void value(std::size_t curve) { WriteComplexValue(values_[curve], s_.dataFormat, s_.digits, out_); }

    void writeRecord(double freq)
    {
        std::size_t lineStart = out_.size();
        AppendFrequency(out_, freq, s_.digits);
        out_.push_back(' ');
        const std::size_t indent = out_.size() - lineStart;
        if (n_ <= 2) {
            for (std::size_t c = 0; c < values_.size(); ++c)
                value(c);
            out_.push_back('\n');
        } else if (n_ == 3) {
            WriteThreePortData(indent);
        } else {
            WriteNPortData(indent);
        }
    }

    // Three lines per record, one matrix row each, rows 2 and 3 indented
    // to the width of the frequency field.
    void WriteThreePortData(std::size_t indent)
    {
        for (int i = 0; i < 3; ++i) {
            if (i > 0)
                out_.append(indent, ' ');
            for (int j = 0; j < 3; ++j)
                value(static_cast<std::size_t>(i * 3 + j));
            out_.push_back('\n');
        }
    }

    // Four pairs a line, running on across matrix rows; the line in hand is
    // written after the last pair (only the indent when n is even).
    void WriteNPortData(std::size_t indent)
    {
        int c = 0;
        const std::size_t total = static_cast<std::size_t>(n_ * n_);
        for (std::size_t k = 0; k < total; ++k) {
            value(k);
            if (++c == 4) {
                out_.push_back('\n');
                out_.append(indent, ' ');
                c = 0;
            }
        }
        out_.push_back('\n');
    }

    const SParamSource& src_;
    const SParamWriteSettings& s_;
    const TextSink& sink_;
    const int n_;
    const bool renormalise_;
    std::string out_;
    std::vector<TComplex> values_;
    std::vector<std::complex<double>> matrix_;
};

} // namespace

std::string WriteSParameterText(const SParamSource& src, const SParamWriteSettings& s, const TextSink& sink)
{
    if (src.ports < 1 || src.ports > 99
        || src.curves.size() != static_cast<std::size_t>(src.ports == 2 ? 4 : src.ports * src.ports))
        return "The data has no port count.";
    if (src.pointCount() == 0)
        return "There are no points to save.";
    if (s.parameterType != 0 && src.ports != 2)
        return std::string(1, "SYZH"[s.parameterType & 3]) + msg::kTypeOnlyS2P;
    if (!(s.newImpedance > 0))
        return msg::kBadImpedance;
    if (s.dataFormat < 0 || s.dataFormat > 2 || s.digits < 0 || s.digits > 15)
        return "The data format or the digits are out of range.";

    std::string head;
    bool marked = false;
    for (const auto& line : s.memo)
        if (sameIgnoringCase(line, kCreatedMarker))
            marked = true;
    if (!marked) {
        head += std::string("!") + kCreatedMarker + "\n";
        head += "! Date: " + s.date + " Time: " + s.time + "\n";
    }
    // A comment that already starts with a blank goes back as it was read.
    for (const auto& line : s.memo)
        head += (!line.empty() && line.front() == ' ' ? "!" : "! ") + line + "\n";
    static const char* const kinds[] = { "S ", "Y ", "Z ", "H " };
    static const char* const formats[] = { "MA R ", "DB R ", "RI R " };
    head += "# " + src.units + " " + kinds[s.parameterType & 3] + formats[s.dataFormat] + trimmed(s.impedanceText)
        + "\n";
    sink(head);
    return RecordWriter(src, s, sink).writeAll();
}

std::string SaveFileAtomically(const std::string& path, const std::function<std::string(const TextSink&)>& produce)
{
    return rtl::WriteFileAtomically(path, produce);
}

} // namespace viewer
