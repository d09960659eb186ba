#pragma once

// The curves of the rectangular views traced into what the canvas draws:
// each point placed once for both axes, then each pass turned into
// polylines and point symbols. Tracing works on the chart's data alone, so
// that several curves can be traced at once on other threads while the
// drawing itself stays on the caller's.

#include "viewer/components/chartcanvas.h"
#include "viewer/components/smithchart.h"

#include <cstddef>
#include <vector>

namespace viewer::smith {

// The layout figures that place a curve's points.
struct TRectScales {
    Tcharttype View = Tcharttype::Logmag;
    int W = 0; // the canvas, for the guard box
    int H = 0;
    double Left = 0.0; // plot's left edge, pixels
    double ShownXmin = 0.0;
    double XScale = 0.0; // pixels per frequency unit
    double DivisionWidth = 0.0; // pixels per grid division
    double Bottom = 0.0; // plot's bottom edge, pixels
    double Height = 0.0;
    double LeftSpan = 0.0; // the left axis's shown range
    double LeftMin = 0.0;
    double RightSpan = 0.0;
    double RightMin = 0.0;
    bool RightAxis = false;
    bool ShowMarkers = false;
};

// What one pass of a curve draws, in order: polylines of `count` points
// from `first` in Points, and point symbols at (x, y).
struct TRectTrace {
    struct Piece {
        bool Symbol = false;
        int X = 0;
        int Y = 0;
        std::size_t First = 0;
        std::size_t Count = 0;
    };
    std::vector<TCanvasPoint> Points;
    std::vector<Piece> Pieces;
    // Where the pass leaves the pen, if anywhere.
    bool PenSet = false;
    TCanvasPoint Pen;
};

class TRectTracer {
public:
    // Curve points whose pixel position passes this box around the canvas
    // are cut at it.
    static constexpr double kCoordinateLimit = 32768.0;

    explicit TRectTracer(const TRectScales& scales)
        : s_(scales)
    {
    }

    // The curve against the left axis (with its drag offset) into left
    // and, with the right axis on, against the right one into right.
    void Trace(const Tcurve& curve, TRectTrace& left, TRectTrace& right);

private:
    static constexpr int kNoPixel = -2147483647 - 1;

    void Place(const Tcurve& curve);
    void TracePass(const std::vector<double>& ys, const std::vector<int>& rows, TRectTrace& out);

    // The path being traced. Points that share a pixel column (thousands
    // of them do, against frequency) are kept as the column's first, lowest,
    // highest and last, which cover the same pixels as the whole run; the
    // column stays open (its first point in the path, the rest held in
    // colLow_ .. colLast_) until the line leaves it or the path is flushed.
    void MoveTo(int x, int y);
    void ColumnLineTo(int x, int y);
    void CloseColumn();
    void Flush();
    TCanvasPoint Tail() const { return colOpen_ ? TCanvasPoint { path_.back().x, colLast_ } : path_.back(); }
    // One straight piece between two pixel positions (whole numbers,
    // possibly far outside or non-finite).
    void Segment(double x0, double y0, double x1, double y1);
    bool InGuard(double x, double y) const
    {
        return x >= -kCoordinateLimit && x <= s_.W + kCoordinateLimit && y >= -kCoordinateLimit
            && y <= s_.H + kCoordinateLimit;
    }

    TRectScales s_;
    TRectTrace* out_ = nullptr;
    std::vector<TCanvasPoint> path_;
    bool colOpen_ = false;
    int colLow_ = 0;
    int colHigh_ = 0;
    int colLast_ = 0;

    // The curve being traced, placed for both passes: each point's pixel
    // column and its pixel row against each axis (whole numbers, possibly
    // far outside or non-finite), the same as ints inside the guard box
    // (else kNoPixel), and the points where the line first reaches each
    // grid division.
    std::vector<double> x_;
    std::vector<int> col_;
    std::vector<double> leftY_;
    std::vector<int> leftRow_;
    std::vector<double> rightY_;
    std::vector<int> rightRow_;
    std::vector<std::size_t> divisions_;
};

// How many threads trace the curves of a large chart, the drawing thread
// among them (1: it alone). By default the machine's cores, at most 8.
void SetTraceThreads(int threads);
int TraceThreads();
// Charts of fewer points than this are traced on the drawing thread alone:
// starting threads would cost more than it saves.
constexpr std::size_t kPointsPerTraceThread = 20000;

// Traces curves[k] into traces[2k] (left axis) and traces[2k + 1] (right),
// on up to `threads` threads including the caller's.
void TraceRectCurves(
    const TRectScales& scales, const std::vector<const Tcurve*>& curves, std::vector<TRectTrace>& traces, int threads);

} // namespace viewer::smith
