#include "viewer/components/smithchart_trace.h"

#include "platform/rtl/mathx.h"
#include "viewer/components/smithchart_values.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <system_error>
#include <thread>

namespace viewer::smith {

namespace {

// Where a curve point goes when the vertical range it is scaled by is
// empty: so far up that it falls outside the clip.
constexpr double kOffRange = 2147483647.0;

// RoundHalfEven for a pixel position: the same whole number below 2^51,
// where every position that is drawn lies, without a branch; larger ones,
// far outside any canvas and cut off before drawing, come back as they are.
inline double RoundPosition(double v)
{
    constexpr double kShift = 6755399441055744.0; // 1.5 * 2^52
    const double r = (v + kShift) - kShift;
    return std::fabs(v) < 2251799813685248.0 ? r : v;
}

} // namespace

void TRectTracer::Trace(const Tcurve& curve, TRectTrace& left, TRectTrace& right)
{
    Place(curve);
    TracePass(leftY_, leftRow_, left);
    if (s_.RightAxis)
        TracePass(rightY_, rightRow_, right);
}

void TRectTracer::Place(const Tcurve& curve)
{
    const TPointList& points = curve.Points;
    const std::size_t n = points.size();
    const double left = s_.Left, xScale = s_.XScale, xmin = s_.ShownXmin, g = s_.DivisionWidth;
    // Pixels per unit of each axis (the pointer and the flags scale alike);
    // an empty range puts everything off the plot.
    const double bottom = s_.Bottom;
    const bool leftEmpty = s_.LeftSpan == 0.0, rightEmpty = s_.RightSpan == 0.0;
    const double yScale = s_.Height / s_.LeftSpan, rScale = s_.Height / s_.RightSpan;
    const double offsetY = curve.OffsetY, ymin = s_.LeftMin, rymin = s_.RightMin;
    const bool right = s_.RightAxis;
    const double xlo = -kCoordinateLimit, xhi = s_.W + kCoordinateLimit;
    const double ylo = -kCoordinateLimit, yhi = s_.H + kCoordinateLimit;
    auto pixel = [](double v, double lo, double hi) { return v >= lo && v <= hi ? static_cast<int>(v) : kNoPixel; };
    x_.resize(n);
    col_.resize(n);
    leftY_.resize(n);
    leftRow_.resize(n);
    rightY_.resize(right ? n : 0);
    rightRow_.resize(right ? n : 0);
    divisions_.clear();
    double* const xs = x_.data();
    int* const cols = col_.data();
    double* const ys = leftY_.data();
    int* const rows = leftRow_.data();
    double* const rys = rightY_.data();
    int* const rrows = rightRow_.data();
    double next = 0.0;
    WithRectValues(s_.View, [&](auto leftValue, auto rightValue) {
        for (std::size_t i = 0; i < n; ++i) {
            const TPoint& p = points[i];
            const double xd = (p.Freq - xmin) * xScale + left;
            const double x = RoundPosition(xd);
            xs[i] = x;
            cols[i] = pixel(x, xlo, xhi);
            if (xd - left >= next) {
                divisions_.push_back(i);
                next += g;
            }
            const double y
                = leftEmpty ? bottom - kOffRange : bottom - RoundPosition((leftValue(p) - offsetY - ymin) * yScale);
            ys[i] = y;
            rows[i] = pixel(y, ylo, yhi);
            if (right) {
                const double yr
                    = rightEmpty ? bottom - kOffRange : bottom - RoundPosition((rightValue(p) - rymin) * rScale);
                rys[i] = yr;
                rrows[i] = pixel(yr, ylo, yhi);
            }
        }
    });
}

// Symbols go at the first point that reaches each grid division, so there
// is at most one per division.
void TRectTracer::TracePass(const std::vector<double>& ys, const std::vector<int>& rows, TRectTrace& out)
{
    out_ = &out;
    out.Points.clear();
    out.Pieces.clear();
    out.PenSet = false;
    const std::size_t n = x_.size();
    const double* const xs = x_.data();
    const double* const yv = ys.data();
    const int* const cols = col_.data();
    const int* const rws = rows.data();
    auto division = divisions_.begin();
    // The last point placed, and whether it lies inside the guard box.
    bool havePrev = false, prevInside = false;
    std::size_t prev = 0;
    int pcol = 0, prow = 0;
    path_.clear();
    colOpen_ = false;
    // The open column is kept here while points stay in it (its x in
    // openX, kNoPixel when none is open) and handed back to the path before
    // anything else works on it.
    int openX = kNoPixel, low = 0, high = 0, last = 0;
    auto handBack = [&] {
        if (openX != kNoPixel) {
            colLow_ = low;
            colHigh_ = high;
            colLast_ = last;
        }
    };
    auto takeOver = [&] {
        openX = colOpen_ ? path_.back().x : kNoPixel;
        low = colLow_;
        high = colHigh_;
        last = colLast_;
    };
    for (std::size_t i = 0; i < n; ++i) {
        const int col = cols[i], row = rws[i];
        const bool inside = col != kNoPixel && row != kNoPixel;
        bool placed = inside;
        if (inside && prevInside && col == pcol && openX == col && last == prow) {
            // Most points stay in the open column of the one before.
            low = std::min(low, row);
            high = std::max(high, row);
            last = row;
        } else if (inside && prevInside) {
            handBack();
            if (path_.empty() || Tail() != TCanvasPoint { pcol, prow })
                MoveTo(pcol, prow);
            ColumnLineTo(col, row);
            takeOver();
        } else {
            // A point that cannot be placed breaks the line; one far outside
            // is cut at the guard box.
            placed = inside || (std::isfinite(xs[i]) && std::isfinite(yv[i]));
            if (placed && havePrev) {
                handBack();
                Segment(xs[prev], yv[prev], xs[i], yv[i]);
                takeOver();
            }
        }
        if (placed) {
            prev = i;
            pcol = col;
            prow = row;
        }
        havePrev = placed;
        prevInside = inside;

        if (division != divisions_.end() && *division == i) {
            ++division;
            if (s_.ShowMarkers && inside) {
                handBack();
                Flush();
                takeOver();
                TRectTrace::Piece symbol;
                symbol.Symbol = true;
                symbol.X = col;
                symbol.Y = row;
                out.Pieces.push_back(symbol);
            }
        }
    }
    handBack();
    Flush();
    if (!path_.empty()) {
        out.PenSet = true;
        out.Pen = path_.back();
    } else if (havePrev && prevInside) {
        out.PenSet = true;
        out.Pen = { pcol, prow };
    }
    path_.clear();
    out_ = nullptr;
}

void TRectTracer::MoveTo(int x, int y)
{
    Flush();
    path_.clear();
    path_.push_back({ x, y });
}

void TRectTracer::ColumnLineTo(int x, int y)
{
    if (colOpen_ && path_.back().x == x) {
        colLow_ = std::min(colLow_, y);
        colHigh_ = std::max(colHigh_, y);
        colLast_ = y;
        return;
    }
    CloseColumn();
    if (path_.empty() || path_.back().x != x)
        path_.push_back({ x, y });
    else if (path_.back().y == y)
        return;
    // The column begins at the path's last point.
    const int first = path_.back().y;
    colLow_ = std::min(first, y);
    colHigh_ = std::max(first, y);
    colLast_ = y;
    colOpen_ = true;
}

void TRectTracer::CloseColumn()
{
    if (!colOpen_)
        return;
    colOpen_ = false;
    // first[, low, high], last, or first[, high, low], last: whichever
    // goes over fewer pixels twice.
    const int x = path_.back().x;
    const bool lowFirst = path_.back().y <= colLast_;
    for (int v : { lowFirst ? colLow_ : colHigh_, lowFirst ? colHigh_ : colLow_, colLast_ })
        if (path_.back().y != v)
            path_.push_back({ x, v });
}

void TRectTracer::Flush()
{
    CloseColumn();
    if (path_.size() >= 2) {
        TRectTrace::Piece line;
        line.First = out_->Points.size();
        line.Count = path_.size();
        out_->Points.insert(out_->Points.end(), path_.begin(), path_.end());
        out_->Pieces.push_back(line);
        const TCanvasPoint last = path_.back();
        path_.clear();
        path_.push_back(last);
    }
}

// Pieces that run far outside are cut at a box well beyond the canvas, so
// that huge or off-range values cost nothing and nothing wraps around.
void TRectTracer::Segment(double x0, double y0, double x1, double y1)
{
    if (!InGuard(x0, y0) || !InGuard(x1, y1)) {
        // Cut at the box edge by edge, each crossing computed from the
        // fraction of the crossed axis so that values near the limits of a
        // double keep their precision.
        const double xmin = -kCoordinateLimit, xmax = s_.W + kCoordinateLimit;
        const double ymin = -kCoordinateLimit, ymax = s_.H + kCoordinateLimit;
        auto outcode = [&](double x, double y) {
            return (x < xmin ? 1 : x > xmax ? 2 : 0) | (y < ymin ? 4 : y > ymax ? 8 : 0);
        };
        int c0 = outcode(x0, y0), c1 = outcode(x1, y1);
        for (int pass = 0; (c0 | c1) != 0; ++pass) {
            if ((c0 & c1) != 0 || pass == 8)
                return;
            const int out = c0 != 0 ? c0 : c1;
            double x, y;
            if (out & 8) {
                x = x0 + (x1 - x0) * ((ymax - y0) / (y1 - y0));
                y = ymax;
            } else if (out & 4) {
                x = x0 + (x1 - x0) * ((ymin - y0) / (y1 - y0));
                y = ymin;
            } else if (out & 2) {
                y = y0 + (y1 - y0) * ((xmax - x0) / (x1 - x0));
                x = xmax;
            } else {
                y = y0 + (y1 - y0) * ((xmin - x0) / (x1 - x0));
                x = xmin;
            }
            x = rtl::RoundHalfEven(x);
            y = rtl::RoundHalfEven(y);
            if (!std::isfinite(x) || !std::isfinite(y))
                return;
            if (out == c0) {
                x0 = x;
                y0 = y;
                c0 = outcode(x0, y0);
            } else {
                x1 = x;
                y1 = y;
                c1 = outcode(x1, y1);
            }
        }
    }
    const int ix0 = static_cast<int>(x0), iy0 = static_cast<int>(y0);
    if (path_.empty() || Tail() != TCanvasPoint { ix0, iy0 })
        MoveTo(ix0, iy0);
    ColumnLineTo(static_cast<int>(x1), static_cast<int>(y1));
}

namespace {

int DefaultTraceThreads()
{
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 8u));
}

std::atomic<int> traceThreads { DefaultTraceThreads() };

} // namespace

void SetTraceThreads(int threads)
{
    traceThreads = std::max(threads, 1);
}

int TraceThreads()
{
    return traceThreads;
}

void TraceRectCurves(
    const TRectScales& scales, const std::vector<const Tcurve*>& curves, std::vector<TRectTrace>& traces, int threads)
{
    traces.resize(2 * curves.size());
    const std::size_t n = curves.size();
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        TRectTracer tracer(scales);
        for (std::size_t k; (k = next.fetch_add(1)) < n;)
            tracer.Trace(*curves[k], traces[2 * k], traces[2 * k + 1]);
    };
    const int helpers = std::min(std::max(threads, 1), static_cast<int>(n)) - 1;
    if (helpers <= 0) {
        work();
        return;
    }
    // A helper that fails (out of memory) hands its exception to the caller.
    std::vector<std::exception_ptr> failed(static_cast<std::size_t>(helpers));
    std::vector<std::thread> pool;
    pool.reserve(failed.size());
    for (std::size_t h = 0; h < failed.size(); ++h) {
        try {
            pool.emplace_back([&, h] {
                try {
                    work();
                } catch (...) {
                    failed[h] = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            break; // no more threads: those running and this one do the rest
        }
    }
    std::exception_ptr mine;
    try {
        work();
    } catch (...) {
        mine = std::current_exception();
    }
    for (std::thread& t : pool)
        t.join();
    if (mine)
        std::rethrow_exception(mine);
    for (const std::exception_ptr& e : failed)
        if (e)
            std::rethrow_exception(e);
}

} // namespace viewer::smith
