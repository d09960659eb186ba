#pragma once

// The Smith chart component's model: named, coloured curves of frequency
// points, markers, the view (zoom, pan, ranges), the layout values that the
// last drawing computed and the pointer state. It includes no widget code;
// ui/smithchartwidget.h shows it on screen and DrawChart paints it onto any
// TChartCanvas (screen back buffer, printer, picture, SVG).

#include "platform/rtl/hugepage.h"
#include "viewer/components/chartcanvas.h"
#include "viewer/components/chartinput.h"
#include "viewer/components/colors.h"

#include <climits>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace viewer::smith {

// Index that stands for "no curve" or "no point".
constexpr int kNone = INT_MAX; // 2147483647

// Value that stands for a zero or undefined power in decibels.
constexpr double kZeroDb = -174.0;

// One frequency point. Re and Im always follow Mag and Angle.
struct TPoint {
    double Freq = 0.0;
    double Mag = 0.0;
    double Angle = 0.0; // degrees
    double Re = 0.0;
    double Im = 0.0;
};

// A curve's points. A file of a million points fills this right after
// allocating it, so its storage asks for huge pages (see rtl/hugepage.h).
using TPointList = std::vector<TPoint, rtl::HugePageAllocator<TPoint>>;

struct Tcurve {
    TPointList Points;
    std::string Legend;
    bool Enabled = false;
    TColor Color = clBlack;
    // Drag offset while the curve is being shifted: circle radii in the
    // circular views, left-axis units in the rectangular ones (OffsetX 0);
    // positive downwards on the screen.
    double OffsetX = 0.0;
    double OffsetY = 0.0;
};

struct Tmarker {
    int Curve = 0;
    int Point = 0;
    // Direction of the flag: 0 up, then clockwise in 45-degree steps.
    int Direction = 0;
};

enum class Tcharttype { Zsmith, Ysmith, Polar, Logmag, GridU, GridV, GridR, GridX };

inline bool IsCircular(Tcharttype t)
{
    return t < Tcharttype::Logmag;
}

enum class TMopts { moMA, moNorm, moRX };

class Tmoptions {
public:
    Tmoptions() = default;
    Tmoptions(std::initializer_list<TMopts> opts)
    {
        for (TMopts o : opts)
            Include(o);
    }
    bool Contains(TMopts o) const { return (bits_ & bit(o)) != 0; }
    void Include(TMopts o) { bits_ |= bit(o); }
    void Exclude(TMopts o) { bits_ &= ~bit(o); }
    bool Empty() const { return bits_ == 0; }
    bool operator==(const Tmoptions&) const = default;

private:
    static unsigned bit(TMopts o) { return 1u << static_cast<unsigned>(o); }
    unsigned bits_ = 0;
};

class TSmithChart;

using TOnCurveChanged = std::function<void(TSmithChart& sender, int curve, const std::string& name, TColor col)>;
// Fx and FY carry the real and imaginary parts.
using TOnPointChanged
    = std::function<void(TSmithChart& sender, double Freq, double Mag, double Angle, double Fx, double FY)>;
using TonDataChanged = std::function<void(TSmithChart& sender)>;
using TOnResize = std::function<void(TSmithChart& sender)>;

// Values that every drawing computes from the canvas size and that the
// pointer interaction reads afterwards; the last drawing wins, whatever
// surface it went to.
struct TSmithLayout {
    // Circle radius (negative in the admittance chart, which is drawn
    // mirrored) and centre in pixels; the radius is 0 until the first
    // drawing of a circular view.
    int ChartRadius = 0;
    int ChartCentreX = 0;
    int ChartCentreY = 0;
    // The plot area in pixels.
    int PlotLeft = 0;
    int PlotRight = 0;
    int PlotTop = 0;
    int PlotBottom = 0;
    int PlotWidth = 0;
    int PlotHeight = 0;
    // What the rectangular views show across the plot after zoom and pan.
    double ShownXmin = 0.0;
    double ShownXrange = 0.0;
    double ShownYmin = 0.0;
    double ShownYmax = 0.0;
    double ShownYrange = 0.0;
};

// Where a drawing goes. Only a drawing for the screen moves the layout that
// the pointer interaction reads; a print, preview or clipboard copy at
// another size must not shift the window's hit-test geometry.
enum class TDrawTarget { dtScreen, dtOther };

// Zoom and pan.
struct TSmithView {
    double PanX = 0.0; // shift of the circle in units of its radius
    double PanY = 0.0;
    double CentreValueX = 0.0; // x and left-axis value at the centre of the rectangular plot
    double CentreValueY = 0.0;
    double Zoom = 100.0; // percent; also the horizontal zoom of the rectangular views
    double ZoomY = 100.0; // vertical zoom of the rectangular views
    // Copies taken at each button press.
    double PanX0 = 0.0;
    double PanY0 = 0.0;
    double CentreValueX0 = 0.0;
    double CentreValueY0 = 0.0;
    double Zoom0 = 100.0;
    double ZoomY0 = 100.0;
};

// What the pointer has found, the reference point and the drags.
struct TSmithPointerState {
    int SelectedCurve = kNone;
    int SelectedPoint = kNone;
    bool HitFound = false;
    double HitX = 0.0;
    double HitY = 0.0;
    int ReportedCurve = kNone;
    int ReportedPoint = kNone;
    bool RefSet = false;
    int RefCurve = 0;
    int RefPoint = 0;
    double RefX = 0.0;
    double RefY = 0.0;
    // Press position and the curve and point pressed with Alt.
    int PressX = 0;
    int PressY = 0;
    int PressedCurve = kNone;
    int PressedPoint = kNone;
    bool PointDrag = false;
    bool CurveShift = false;
    bool MarkerDrag = false;
    // Displacement at the previous move.
    int LastDx = 0;
    int LastDy = 0;
};

// The hover marks, drawn over the chart image on the screen only: a frame
// (or, with a reference set, a triangle) around the point under the pointer
// and a frame around the reference point. Pixel centres of the marks.
struct THoverMarks {
    bool HitShown = false;
    bool HitTriangle = false;
    int HitX = 0;
    int HitY = 0;
    bool RefShown = false;
    int RefX = 0;
    int RefY = 0;
};

class TSmithChart {
public:
    explicit TSmithChart(TChartHost* host = nullptr);
    ~TSmithChart();
    TSmithChart(const TSmithChart&) = delete;
    TSmithChart& operator=(const TSmithChart&) = delete;

    void SetHost(TChartHost* host) { host_ = host; }
    TChartHost* Host() const { return host_; }

    // The control's size in pixels (200 x 150 at creation). Resize is the
    // control's resize handler: it fires OnResize, then runs ResetView.
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Resize(int width, int height);

    // ---- properties ----
    int LeftMargin() const { return leftMargin_; }
    void SetLeftMargin(int v) { leftMargin_ = v; }
    int RightMargin() const { return rightMargin_; }
    void SetRightMargin(int v) { rightMargin_ = v; }
    int TopMargin() const { return topMargin_; }
    void SetTopMargin(int v) { topMargin_ = v; }
    int BottomMargin() const { return bottomMargin_; }
    void SetBottomMargin(int v) { bottomMargin_ = v; }

    const std::string& Units() const { return units_; }
    void SetUnits(const std::string& v) { units_ = v; }
    int LineWidth() const { return lineWidth_; }
    void SetLineWidth(int v) { lineWidth_ = v; }
    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor v) { backgroundColor_ = v; }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v) { borderColor_ = v; }

    const TChartFont& TitleFont() const { return titleFont_; }
    void SetTitleFont(const TChartFont& f); // invalidates
    const TChartFont& AnnotationFont() const { return annotationFont_; }
    void SetAnnotationFont(const TChartFont& f); // invalidates

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& v) { title_ = v; }
    const std::string& LeftTitle() const { return leftTitle_; }
    void SetLeftTitle(const std::string& v) { leftTitle_ = v; }
    const std::string& RightTitle() const { return rightTitle_; }
    void SetRightTitle(const std::string& v) { rightTitle_ = v; }
    const std::string& XTitle() const { return xTitle_; }
    void SetXTitle(const std::string& v) { xTitle_ = v; }

    bool Showmarkers() const { return showmarkers_; }
    void SetShowmarkers(bool v); // invalidates
    bool ShowRightAxis() const { return showRightAxis_; }
    void SetShowRightAxis(bool v); // invalidates
    bool ColouredTraces() const { return colouredTraces_; }
    void SetColouredTraces(bool v); // invalidates
    bool Autoupdate() const { return autoupdate_; }
    void SetAutoupdate(bool v) { autoupdate_ = v; }

    TColor GraphColor() const { return graphColor_; }
    void SetGraphColor(TColor v) { graphColor_ = v; }
    int MarkerSize() const { return markerSize_; }
    void SetMarkerSize(int v) { markerSize_ = v; }
    int Digits() const { return digits_; }
    void SetDigits(int v) { digits_ = v; }

    // Percent of the width; values outside 0 <= m < 50 are refused, but the
    // four pixel margins are recomputed from the width in every case.
    double Margin() const { return margin_; }
    void SetMargin(double m);

    int Yinterval() const { return yinterval_; }
    void SetYinterval(int v) { yinterval_ = v; }
    int Xinterval() const { return xinterval_; }
    void SetXinterval(int v) { xinterval_ = v; }

    double Zoom() const { return view_.Zoom; }
    void SetZoom(double v); // paints
    int Detail() const { return detail_; }
    void SetDetail(int v); // paints

    Tcharttype ChartType() const { return chartType_; }
    // Clears the reference point and resets the view, whatever Autoupdate says.
    void SetChartType(Tcharttype t);

    double Impedance() const { return impedance_; }
    void SetImpedance(double v) { impedance_ = v; }

    // Reading gives the displayed limits (after zoom and pan); writing sets
    // the stored range and resets the view.
    double LYmin() const;
    void SetLYmin(double v);
    double LYmax() const;
    void SetLYmax(double v);
    // The stored left-axis range.
    double BaseLYmin() const { return lymin_; }
    double BaseLYmax() const { return lymax_; }
    double RYmin() const { return rymin_; }
    void SetRYmin(double v) { rymin_ = v; }
    double RYmax() const { return rymax_; }
    void SetRYmax(double v) { rymax_ = v; }
    double Xmin() const { return xmin_; }
    void SetXmin(double v);
    double Xmax() const { return xmax_; }
    void SetXmax(double v);

    bool ShowInfo() const { return showInfo_; }
    void SetShowInfo(bool v) { showInfo_ = v; }
    bool ShowLegend() const { return showLegend_; }
    void SetShowLegend(bool v) { showLegend_ = v; }
    bool ShowTitle() const { return showTitle_; }
    void SetShowTitle(bool v) { showTitle_ = v; }
    bool ShowZ0() const { return showZ0_; }
    void SetShowZ0(bool v) { showZ0_ = v; }

    // Grid line style: 0 dotted, 1 dashed, 2 solid.
    int GridType() const { return gridType_; }
    void SetGridType(int v) { gridType_ = v; }
    Tmoptions MarkerOptions() const { return markerOptions_; }
    void SetMarkerOptions(Tmoptions v) { markerOptions_ = v; }
    int markerDigits() const { return markerDigits_; }
    void SetmarkerDigits(int v) { markerDigits_ = v; }

    // Events; called only when assigned.
    TOnCurveChanged OnCurveChanged;
    TOnPointChanged OnPointChanged;
    TonDataChanged OnDataChanged;
    TOnResize OnResize;

    // Set by every edit of a point; the viewer clears it when it saves.
    bool DataChanged() const { return dataChanged_; }
    void SetDataChanged(bool v) { dataChanged_ = v; }

    // The platform identifier the drawing tests for its 16-bit coordinate
    // guard; 2 (no such limit) here.
    int PlatformId() const { return 2; }

    // ---- routines (indices are 0-based) ----
    int CurveCount() const { return static_cast<int>(curves_.size()); }
    // Points of curve 0; 0 when there is no curve.
    int PointCount() const;
    void ClearCurves();
    int AddCurve(const std::string& name, TColor colour);
    void AddPoint(int curve, double Freq, double Mag, double Angle);
    // Leaves the variables alone (and returns false) for a bad index.
    bool GetPoint(int curve, int index, double& Freq, double& Mag, double& Angle, double& Re, double& Im) const;
    void SetPoint(int curve, int index, double Freq, double Mag, double Angle);
    void GetSelectedPoint(int& curve, int& point) const;
    void DeletePoint(int index);
    void InsertPoint(int index);
    void SetCurveVisible(int curve, bool visible);
    void GetCurveInfo(int curve, std::string& name, TColor& colour) const;
    int FindCurve(const std::string& name) const;
    void SetCurveOffset(int curve, double OffsetX, double OffsetY);
    void ClearMarkers();
    int FindMarker(int curve, int point) const;
    void ResetView();
    void PanBy(int dx, int dy);
    void ZoomBy(int dx, int dy);
    // Draws the whole chart into (0, 0)-(W, H) of the canvas and stores the
    // four margins into the margin properties. The layout it computes is kept
    // in DrawnLayout(); with dtScreen it also becomes Layout().
    void DrawChart(TChartCanvas& canvas, int W, int H, int left, int right, int top, int bottom,
        TDrawTarget target = TDrawTarget::dtOther);
    // Places the chart, drawn at the control's size, on the clipboard as SVG
    // and as an image. Needs a running GUI application.
    void CopyToClipboard();
    // Repaints the control at once (through the host); the new image has no
    // hover marks on it.
    void Paint();
    // Schedules a repaint when Autoupdate is on.
    void Invalidate();

    // ---- pointer input, forwarded by the widget shell ----
    // Pixels of the control; shift holds the keys and the buttons held.
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // Finds the point under the pixel, moves the hover marks and reports a
    // change of curve or point through OnCurveChanged and OnPointChanged.
    void HitTest(int x, int y);
    // The pointer left the control: the hover mark goes and OnCurveChanged
    // reports that no curve is under the pointer.
    void PointerLeft();

    // The hover marks and their drawing onto the control's screen canvas.
    const THoverMarks& HoverMarks() const { return hover_; }
    void DrawHoverMarks(TChartCanvas& canvas) const;
    // Takes the mark off the point under the pointer.
    void RestoreHoverMark();

    // The geometry the hit test and the drags share, from the layout of the
    // last screen drawing. False while there is nothing drawn to go by (no
    // circle, no plot, or a broken range).
    bool PixelToValue(int X, int Y, double& x, double& y) const;
    bool ValueToPixel(double x, double y, int& X, int& Y) const;
    // What the current view plots for a point: (Re, Im) in the circular
    // views, (Freq, the left-axis value) in the rectangular ones.
    void PlottedValue(const TPoint& p, double& x, double& y) const;

    // ---- data and state for the drawing and the pointer interaction ----
    const std::vector<Tcurve>& Curves() const { return curves_; }
    // nullptr for a bad index.
    const Tcurve* CurveAt(int curve) const;
    Tcurve* CurveAt(int curve);
    // nullptr unless both indices are in range.
    const TPoint* PointAt(int curve, int index) const;
    std::vector<Tmarker>& Markers() { return markers_; }
    const std::vector<Tmarker>& Markers() const { return markers_; }

    // The layout of the last screen drawing, which the pointer reads.
    TSmithLayout& Layout() { return layout_; }
    const TSmithLayout& Layout() const { return layout_; }
    // The layout of the last drawing, whatever surface it went to.
    const TSmithLayout& DrawnLayout() const { return drawnLayout_; }
    TSmithView& View() { return view_; }
    const TSmithView& View() const { return view_; }
    TSmithPointerState& PointerState() { return pointer_; }
    const TSmithPointerState& PointerState() const { return pointer_; }

private:
    friend class TSmithChartPainter; // the drawing's internal routines

    void invalidateIfAuto();
    void paintIfAuto();
    bool layoutDrawn() const;
    void reportHit();
    void dragPoint(int X, int Y);
    void shiftCurve(int dx, int dy);
    void acceptCurveShift();
    void turnMarker(int dx, int dy);
    void hoverMarksChanged();
    void resetIfAuto();
    void setMarginsFromPercent();

    TChartHost* host_ = nullptr;
    int width_ = 200;
    int height_ = 150;

    int leftMargin_ = 0;
    int rightMargin_ = 0;
    int topMargin_ = 0;
    int bottomMargin_ = 0;
    std::string units_;
    int lineWidth_ = 1;
    TColor backgroundColor_ = clWhite;
    TColor borderColor_ = clWhite;
    TChartFont titleFont_;
    TChartFont annotationFont_;
    std::string title_;
    std::string leftTitle_ = "dB";
    std::string rightTitle_ = "Deg";
    std::string xTitle_ = "Freq (GHz)";
    bool showmarkers_ = false;
    bool showRightAxis_ = false;
    bool colouredTraces_ = false;
    bool autoupdate_ = true;
    TColor graphColor_ = clBlack;
    int markerSize_ = 4;
    int digits_ = 2;
    double margin_ = 2.0;
    int yinterval_ = 10;
    int xinterval_ = 10;
    int detail_ = 2;
    Tcharttype chartType_ = Tcharttype::Zsmith;
    double impedance_ = 0.0;
    double lymin_ = -50.0;
    double lymax_ = 0.0;
    double rymin_ = -180.0;
    double rymax_ = 180.0;
    double xmin_ = 0.0;
    double xmax_ = 10.0;
    bool showInfo_ = false;
    bool showLegend_ = false;
    bool showTitle_ = false;
    bool showZ0_ = false;
    int gridType_ = 0;
    Tmoptions markerOptions_;
    int markerDigits_ = 3;
    bool dataChanged_ = false;

    std::vector<Tcurve> curves_;
    std::vector<Tmarker> markers_;
    TSmithLayout layout_;
    TSmithLayout drawnLayout_;
    TSmithView view_;
    TSmithPointerState pointer_;
    THoverMarks hover_;
};

// The next trace colour of the fixed cycle: black, maroon, green, olive,
// navy, purple, teal, gray, silver, aqua, yellow, black; red, lime,
// fuchsia, blue, black; any other colour gives red.
TColor NextColour(TColor colour);
// The next of the six point symbols: n + 1, and 0 after 5.
int NextSymbol(int n);
// The mean of two angles in degrees along the shorter arc between them
// (179 and -179 give 180); the plain mean when they are at most half a
// turn apart.
double MeanAngle(double a, double b);

int IntMax(int a, int b);
int IntMin(int a, int b);
double DoubleMax(double a, double b);

} // namespace viewer::smith

namespace viewer {
using smith::TSmithChart;
}
