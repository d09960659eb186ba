#include "viewer/app/numeric_grid.h"

#include "platform/rtl/format.h"
#include "viewer/components/vectormath.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace viewer {

namespace {

const char* const kSuffixA[3] = { "(Mag)", "(DB)", "(Re)" };
const char* const kSuffixB[3] = { "(Ang)", "(Ang)", "(im)" };

// A zero magnitude has no decibel value; the grid shows the floor that
// stands for zero power and keeps the stored 0.
double toDb(double mag)
{
    return mag > 0 ? 20.0 * std::log10(mag) : smith::kZeroDb;
}

void toMagAngle(int format, double& a, double& b)
{
    if (format == kGridDbAngle) {
        a = std::pow(10.0, a / 20.0);
    } else if (format == kGridReIm) {
        TComplex p = RectToPolar({ a, b });
        a = p.re;
        b = p.im;
    }
}

void fromMagAngle(int format, double& a, double& b)
{
    if (format == kGridDbAngle) {
        a = toDb(a);
    } else if (format == kGridReIm) {
        TComplex r = PolarToRect({ a, b });
        a = r.re;
        b = r.im;
    }
}

bool readNumber(const std::string& text, double& value)
{
    return rtl::TryStrToFloat(text, value, '.') && std::isfinite(value);
}

bool isAngleColumn(int format, int column)
{
    return format != kGridReIm && column > 0 && column % 2 == 0;
}

} // namespace

bool GridKeyAllowed(char32_t ch)
{
    // Control characters are editing keys (Backspace, Delete, Ctrl+C ...),
    // not text: they always reach the editor.
    if (ch < 0x20 || (ch >= 0x7F && ch <= 0x9F))
        return true;
    return (ch >= U'0' && ch <= U'9') || ch == U'+' || ch == U'-' || ch == U'.' || ch == U'E' || ch == U'e';
}

std::string GridNumberText(double value)
{
    static const rtl::FormatSettings dot { '.', ',' };
    return rtl::FloatToStr(value, dot);
}

std::string GridFittedText(const std::string& text, int width, const std::function<int(const std::string&)>& measure)
{
    if (measure(text) <= width)
        return text;
    // A number loses digits of its mantissa, never its exponent or its
    // integer digits: a cut text would read as another value.
    static const rtl::FormatSettings dot { '.', ',' };
    double value = 0;
    if (readNumber(text, value))
        for (int digits = 14; digits >= 1; --digits) {
            std::string shorter = rtl::FloatToStrGeneral(value, digits, dot);
            if (measure(shorter) <= width)
                return shorter;
        }
    // Nothing that reads right fits: marks that read as no number.
    std::string marks = "#";
    while (measure(marks + "#") <= width)
        marks += "#";
    return marks;
}

TNumericGrid::TNumericGrid(TSmithChart& chart)
    : chart_(chart)
{
}

void TNumericGrid::Fill()
{
    Refill();
    format_ = kGridMagAngle;
}

void TNumericGrid::Refill()
{
    curves_ = chart_.CurveCount();
    legends_.clear();
    stamp_.clear();
    std::size_t rows = 0;
    for (int c = 0; c < curves_; ++c) {
        const smith::Tcurve* curve = chart_.CurveAt(c);
        legends_.push_back(curve->Legend);
        stamp_.push_back(curve->Points.data());
        rows = std::max(rows, curve->Points.size());
    }
    sourceRows_ = static_cast<std::uint32_t>(rows);
    nextId_ = sourceRows_;
    rows_.resize(rows);
    std::iota(rows_.begin(), rows_.end(), 0u);
    clearEdits();
}

bool TNumericGrid::InSync() const
{
    if (chart_.CurveCount() != curves_)
        return false;
    for (int c = 0; c < curves_; ++c) {
        const smith::Tcurve* curve = chart_.CurveAt(c);
        if (curve->Points.data() != stamp_[static_cast<std::size_t>(c)] || curve->Points.size() > sourceRows_
            || curve->Legend != legends_[static_cast<std::size_t>(c)])
            return false;
    }
    return true;
}

void TNumericGrid::clearEdits()
{
    texts_.clear();
    pairs_.clear();
    freqs_.clear();
    touched_.clear();
    structureChanged_ = false;
}

std::string TNumericGrid::Header(int column) const
{
    if (column == 0)
        return "Frequency";
    if (column < 0 || column >= ColumnCount())
        return {};
    const std::string& legend = legends_[static_cast<std::size_t>((column - 1) / 2)];
    return legend + ((column - 1) % 2 == 0 ? kSuffixA[format_] : kSuffixB[format_]);
}

std::string TNumericGrid::CurveName(int column) const
{
    if (column <= 0 || column >= ColumnCount())
        return {};
    return legends_[static_cast<std::size_t>((column - 1) / 2)];
}

const smith::TPoint* TNumericGrid::sourcePoint(std::uint32_t id, int curve) const
{
    if (id >= sourceRows_)
        return nullptr;
    return chart_.PointAt(curve, static_cast<int>(id));
}

bool TNumericGrid::baseFreq(std::uint32_t id, double& f) const
{
    if (auto it = freqs_.find(id); it != freqs_.end()) {
        f = it->second;
        return true;
    }
    for (int c = 0; c < curves_; ++c)
        if (const smith::TPoint* p = sourcePoint(id, c)) {
            f = p->Freq;
            return true;
        }
    return false;
}

bool TNumericGrid::basePair(std::uint32_t id, int curve, int format, double& a, double& b) const
{
    if (!pairs_.empty())
        if (auto it = pairs_.find(pairKey(id, curve)); it != pairs_.end()) {
            a = it->second.a;
            b = it->second.b;
            if (it->second.format != format) {
                toMagAngle(it->second.format, a, b);
                fromMagAngle(format, a, b);
            }
            return true;
        }
    const smith::TPoint* p = sourcePoint(id, curve);
    if (!p)
        return false;
    switch (format) {
    case kGridDbAngle:
        a = toDb(p->Mag);
        b = p->Angle;
        break;
    case kGridReIm:
        a = p->Re;
        b = p->Im;
        break;
    default:
        a = p->Mag;
        b = p->Angle;
        break;
    }
    return true;
}

std::string TNumericGrid::CellText(int row, int column) const
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
        return {};
    const std::uint32_t id = rows_[static_cast<std::size_t>(row)];
    if (!texts_.empty())
        if (auto it = texts_.find(cellKey(id, column)); it != texts_.end())
            return it->second;
    double v = 0;
    if (column == 0) {
        if (!baseFreq(id, v))
            return {};
    } else {
        double a, b;
        if (!basePair(id, (column - 1) / 2, format_, a, b))
            return {};
        v = (column - 1) % 2 == 0 ? a : b;
    }
    return GridNumberText(v);
}

std::string TNumericGrid::FrequencyStatus(int row) const
{
    return "Freq " + CellText(row, 0) + " " + chart_.Units();
}

bool TNumericGrid::SetCellText(int row, int column, const std::string& text)
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
        return false;
    if (text == CellText(row, column))
        return false;
    const std::uint32_t id = rows_[static_cast<std::size_t>(row)];
    texts_[cellKey(id, column)] = text;
    touched_.insert(id);
    return true;
}

bool TNumericGrid::cellValue(int row, int column, double& value, TGridError& error) const
{
    const std::uint32_t id = rows_[static_cast<std::size_t>(row)];
    auto fail = [&](std::string message) {
        error.row = row;
        error.column = column;
        error.message = std::move(message);
        return false;
    };
    if (!texts_.empty())
        if (auto it = texts_.find(cellKey(id, column)); it != texts_.end()) {
            if (readNumber(it->second, value))
                return true;
            return fail("'" + it->second + "' is not a valid floating point value (row " + std::to_string(row + 1)
                + ", column " + Header(column) + ").");
        }
    bool found;
    if (column == 0) {
        found = baseFreq(id, value);
    } else {
        double a, b;
        found = basePair(id, (column - 1) / 2, format_, a, b);
        value = (column - 1) % 2 == 0 ? a : b;
    }
    if (!found)
        return fail("Row " + std::to_string(row + 1) + " has no value in column " + Header(column) + ".");
    return true;
}

bool TNumericGrid::rowValues(int row, std::vector<double>& values, TGridError& error) const
{
    values.assign(static_cast<std::size_t>(ColumnCount()), 0.0);
    for (int c = 0; c < ColumnCount(); ++c)
        if (!cellValue(row, c, values[static_cast<std::size_t>(c)], error))
            return false;
    return true;
}

bool TNumericGrid::SetFormat(int format, TGridError& error)
{
    if (format < kGridMagAngle || format > kGridReIm || format == format_)
        return true;
    // Every typed cell is read before anything changes; the first bad one
    // in grid order is reported.
    if (!texts_.empty()) {
        std::unordered_map<std::uint32_t, int> rowOf;
        for (std::size_t r = 0; r < rows_.size(); ++r)
            if (touched_.count(rows_[r]))
                rowOf[rows_[r]] = static_cast<int>(r);
        TGridError first;
        for (const auto& [key, text] : texts_) {
            const int row = rowOf.at(static_cast<std::uint32_t>(key / static_cast<std::uint64_t>(ColumnCount())));
            const int column = static_cast<int>(key % static_cast<std::uint64_t>(ColumnCount()));
            double v;
            TGridError e;
            if (!cellValue(row, column, v, e)
                && (first.row < 0 || row < first.row || (row == first.row && column < first.column)))
                first = e;
        }
        if (first.row >= 0) {
            error = first;
            return false;
        }
        // Each pair with a typed cell becomes a value in the old format.
        std::vector<std::pair<std::uint32_t, int>> typedPairs;
        std::vector<std::pair<std::uint32_t, double>> typedFreqs;
        std::unordered_set<std::uint64_t> seen;
        for (const auto& [key, text] : texts_) {
            const auto id = static_cast<std::uint32_t>(key / static_cast<std::uint64_t>(ColumnCount()));
            const int column = static_cast<int>(key % static_cast<std::uint64_t>(ColumnCount()));
            if (column == 0) {
                double f = 0;
                readNumber(text, f);
                typedFreqs.emplace_back(id, f);
            } else if (seen.insert(pairKey(id, (column - 1) / 2)).second) {
                typedPairs.emplace_back(id, (column - 1) / 2);
            }
        }
        std::vector<std::pair<std::uint64_t, TPairValue>> values;
        for (auto [id, curve] : typedPairs) {
            const int row = rowOf.at(id);
            TPairValue v { format_, 0, 0 };
            TGridError e;
            if (!cellValue(row, 2 * curve + 1, v.a, e) || !cellValue(row, 2 * curve + 2, v.b, e)) {
                error = e;
                return false;
            }
            values.emplace_back(pairKey(id, curve), v);
        }
        for (auto& [key, v] : values)
            pairs_[key] = v;
        for (auto [id, f] : typedFreqs)
            freqs_[id] = f;
        texts_.clear();
    }
    format_ = format;
    return true;
}

void TNumericGrid::insertRow(int at, const std::vector<double>& values, const std::function<void(int)>& aboutToInsert)
{
    if (aboutToInsert)
        aboutToInsert(at);
    const std::uint32_t id = nextId_++;
    freqs_[id] = values[0];
    for (int c = 0; c < curves_; ++c)
        pairs_[pairKey(id, c)]
            = { format_, values[static_cast<std::size_t>(2 * c + 1)], values[static_cast<std::size_t>(2 * c + 2)] };
    touched_.insert(id);
    rows_.insert(rows_.begin() + at, id);
    structureChanged_ = true;
}

bool TNumericGrid::InsertBefore(int row, TGridError& error, const std::function<void(int)>& aboutToInsert)
{
    if (row < 0 || row >= RowCount())
        return false;
    std::vector<double> next, prev;
    if (!rowValues(row, next, error))
        return false;
    if (row == 0) {
        for (double& v : next)
            v /= 2;
        insertRow(0, next, aboutToInsert);
        return true;
    }
    if (!rowValues(row - 1, prev, error))
        return false;
    for (int c = 0; c < ColumnCount(); ++c) {
        double& p = prev[static_cast<std::size_t>(c)];
        const double n = next[static_cast<std::size_t>(c)];
        p = isAngleColumn(format_, c) ? smith::MeanAngle(p, n) : p + (n - p) / 2;
    }
    insertRow(row, prev, aboutToInsert);
    return true;
}

bool TNumericGrid::InsertAfter(int row, TGridError& error, const std::function<void(int)>& aboutToInsert)
{
    if (row < 0 || row >= RowCount())
        return false;
    std::vector<double> here, next;
    if (!rowValues(row, here, error))
        return false;
    // After the last row there is nothing to average with: the row is copied.
    if (row == RowCount() - 1) {
        insertRow(row + 1, here, aboutToInsert);
        return true;
    }
    if (!rowValues(row + 1, next, error))
        return false;
    for (int c = 0; c < ColumnCount(); ++c) {
        double& h = here[static_cast<std::size_t>(c)];
        const double n = next[static_cast<std::size_t>(c)];
        h = isAngleColumn(format_, c) ? smith::MeanAngle(h, n) : h + (n - h) / 2;
    }
    insertRow(row + 1, here, aboutToInsert);
    return true;
}

bool TNumericGrid::DeleteRow(int row)
{
    if (RowCount() <= 2 || row < 0 || row >= RowCount())
        return false;
    const std::uint32_t id = rows_[static_cast<std::size_t>(row)];
    rows_.erase(rows_.begin() + row);
    if (touched_.erase(id)) {
        for (int c = 0; c < ColumnCount(); ++c)
            texts_.erase(cellKey(id, c));
        for (int c = 0; c < curves_; ++c)
            pairs_.erase(pairKey(id, c));
        freqs_.erase(id);
    }
    structureChanged_ = true;
    return true;
}

bool TNumericGrid::WriteBack(TGridError& error, bool& changed)
{
    changed = false;
    if (!Modified())
        return true;
    const std::size_t n = rows_.size();
    std::vector<smith::TPointList> out(static_cast<std::size_t>(curves_));
    for (auto& list : out)
        list.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
        const std::uint32_t id = rows_[r];
        const int row = static_cast<int>(r);
        if (id < sourceRows_ && !touched_.count(id)) {
            for (int c = 0; c < curves_; ++c) {
                const smith::TPoint* p = sourcePoint(id, c);
                if (!p) {
                    error = { row, 2 * c + 1,
                        "Row " + std::to_string(row + 1) + " has no value in column " + Header(2 * c + 1) + "." };
                    return false;
                }
                out[static_cast<std::size_t>(c)].push_back(*p);
            }
            continue;
        }
        double f;
        if (!cellValue(row, 0, f, error))
            return false;
        for (int c = 0; c < curves_; ++c) {
            double a, b;
            const bool typed
                = !texts_.empty() && (texts_.count(cellKey(id, 2 * c + 1)) || texts_.count(cellKey(id, 2 * c + 2)));
            if (typed) {
                if (!cellValue(row, 2 * c + 1, a, error) || !cellValue(row, 2 * c + 2, b, error))
                    return false;
                toMagAngle(format_, a, b);
            } else if (!basePair(id, c, kGridMagAngle, a, b)) {
                error = { row, 2 * c + 1,
                    "Row " + std::to_string(row + 1) + " has no value in column " + Header(2 * c + 1) + "." };
                return false;
            }
            if (!std::isfinite(a) || !std::isfinite(b)) {
                error = { row, 2 * c + 1,
                    "The value in row " + std::to_string(row + 1) + ", column " + Header(2 * c + 1)
                        + " is out of range." };
                return false;
            }
            smith::TPoint p { f, a, b, 0, 0 };
            TComplex z;
            PolarToRectInPlace(z, a, b);
            p.Re = z.re;
            p.Im = z.im;
            out[static_cast<std::size_t>(c)].push_back(p);
        }
    }

    for (int c = 0; c < curves_ && !changed; ++c) {
        const auto& old = chart_.CurveAt(c)->Points;
        const auto& now = out[static_cast<std::size_t>(c)];
        changed = old.size() != now.size()
            || !std::equal(old.begin(), old.end(), now.begin(), [](const smith::TPoint& x, const smith::TPoint& y) {
                   return x.Freq == y.Freq && x.Mag == y.Mag && x.Angle == y.Angle;
               });
    }
    if (changed) {
        const std::vector<std::string> legends = legends_;
        chart_.ClearCurves();
        TColor colour = clRed;
        for (int c = 0; c < curves_; ++c) {
            if (c > 0)
                colour = smith::NextColour(colour);
            const int index = chart_.AddCurve(legends[static_cast<std::size_t>(c)], colour);
            chart_.CurveAt(index)->Points = std::move(out[static_cast<std::size_t>(c)]);
            chart_.SetCurveVisible(index, true);
        }
        chart_.SetDataChanged(true);
        if (chart_.OnDataChanged)
            chart_.OnDataChanged(chart_);
    }
    Refill();
    return true;
}

} // namespace viewer
