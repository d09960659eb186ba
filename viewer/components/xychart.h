#pragma once

// The XY chart component's model: named, coloured curves of (x, y) points,
// each against the left or the right axis, markers, the view (zoom, pan,
// ranges), the layout values that the last drawing computed and the pointer
// state. It includes no widget code; ui/xychartwidget.h shows it on screen
// and DrawChart paints it onto any TChartCanvas.

#include "platform/rtl/hugepage.h"
#include "viewer/components/chartcanvas.h"
#include "viewer/components/chartinput.h"
#include "viewer/components/colors.h"
#include "viewer/components/smithchart.h"

#include <functional>
#include <string>
#include <vector>

namespace viewer::xy {

using smith::kNone;
using smith::NextColour;
using smith::NextSymbol;
using smith::TDrawTarget;
using smith::Tmarker;

struct TPoint {
    double X = 0.0;
    double Y = 0.0;
};

using TPointList = std::vector<TPoint, rtl::HugePageAllocator<TPoint>>;

struct Tcurve {
    TPointList Points;
    std::string Legend;
    bool Enabled = false;
    TColor Color = clBlack;
    // Plotted against RYmin..RYmax instead of the left axis.
    bool RightAxis = false;
};

class TXYChart;

using TOnCurveChanged = std::function<void(TXYChart& sender, int curve, const std::string& name, TColor col)>;
using TOnPointChanged = std::function<void(TXYChart& sender, double Fx, double FY)>;
using TonDeltaChanged = std::function<void(TXYChart& sender, double Dx, double DY)>;

// What the drawing computes and the pointer reads.
struct TXYLayout {
    int PlotLeft = 0;
    int PlotRight = 0;
    int PlotTop = 0;
    int PlotBottom = 0;
    int PlotWidth = 0;
    int PlotHeight = 0;
    double ShownXmin = 0.0;
    double ShownXrange = 0.0;
    double ShownYmin = 0.0;
    double ShownYmax = 0.0;
    double ShownYrange = 0.0;
};

struct TXYView {
    double CentreValueX = 0.0;
    double CentreValueY = 0.0;
    double Zoom = 100.0; // horizontal, percent
    double ZoomY = 100.0; // vertical, percent
    // Copies taken at each button press.
    double CentreValueX0 = 0.0;
    double CentreValueY0 = 0.0;
    double Zoom0 = 100.0;
    double ZoomY0 = 100.0;
};

struct TXYPointerState {
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
    int PressX = 0;
    int PressY = 0;
    bool MarkerDrag = false;
    int LastDx = 0;
    int LastDy = 0;
};

// The marks the pointer puts over the chart image on screen: a frame (or,
// with a reference set, a triangle) on the point under the pointer and a
// frame on the reference point. They are never drawn into the chart image.
struct THoverMarks {
    bool Visible = false;
    int X = 0;
    int Y = 0;
    bool Triangle = false;
    bool RefVisible = false;
    int RefPx = 0;
    int RefPy = 0;
};

// The control that shows an XY chart: a chart host that also redraws the
// hover marks over the unchanged chart image.
class TXYChartHost : public TChartHost {
public:
    virtual void HoverMarksChanged() = 0;
};

class TXYChart {
public:
    explicit TXYChart(TXYChartHost* host = nullptr);
    ~TXYChart();
    TXYChart(const TXYChart&) = delete;
    TXYChart& operator=(const TXYChart&) = delete;

    void SetHost(TXYChartHost* host) { host_ = host; }
    TXYChartHost* Host() const { return host_; }

    // The control's size (200 x 150 at creation). Resize is the control's
    // resize handler: it runs ResetView.
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Resize(int width, int height);
    bool visible() const { return visible_; }
    void Setvisible(bool v) { visible_ = v; }

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
    const std::string& YUnits() const { return yUnits_; }
    void SetYUnits(const std::string& v) { yUnits_ = v; }
    int LineWidth() const { return lineWidth_; }
    void SetLineWidth(int v) { lineWidth_ = v; }
    TColor BackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(TColor v) { backgroundColor_ = v; }
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor v) { borderColor_ = v; }

    const TChartFont& TitleFont() const { return titleFont_; }
    void SetTitleFont(const TChartFont& f); // paints
    const TChartFont& AnnotationFont() const { return annotationFont_; }
    void SetAnnotationFont(const TChartFont& f); // paints

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& v) { title_ = v; }
    const std::string& LeftTitle() const { return leftTitle_; }
    void SetLeftTitle(const std::string& v) { leftTitle_ = v; }
    const std::string& RightTitle() const { return rightTitle_; }
    void SetRightTitle(const std::string& v) { rightTitle_ = v; }
    const std::string& XTitle() const { return xTitle_; }
    void SetXTitle(const std::string& v) { xTitle_ = v; }

    bool Showmarkers() const { return showmarkers_; }
    void SetShowmarkers(bool v); // paints
    bool ShowRightAxis() const { return showRightAxis_; }
    void SetShowRightAxis(bool v); // paints
    bool ShowLeftAxis() const { return showLeftAxis_; }
    void SetShowLeftAxis(bool v); // paints
    bool ColouredTraces() const { return colouredTraces_; }
    void SetColouredTraces(bool v); // paints
    bool Autoupdate() const { return autoupdate_; }
    void SetAutoupdate(bool v) { autoupdate_ = v; }
    bool ShowHorizLines() const { return showHorizLines_; }
    void SetShowHorizLines(bool v) { showHorizLines_ = v; }
    bool ShowVertLines() const { return showVertLines_; }
    void SetShowVertLines(bool v) { showVertLines_ = v; }
    bool Showbanner() const { return showbanner_; }
    void SetShowbanner(bool v) { showbanner_ = v; }
    // Stored only.
    bool Autoscale() const { return autoscale_; }
    void SetAutoscale(bool v) { autoscale_ = v; }

    TColor GraphColor() const { return graphColor_; }
    void SetGraphColor(TColor v) { graphColor_ = v; }
    int MarkerSize() const { return markerSize_; }
    void SetMarkerSize(int v) { markerSize_ = v; }
    int Digits() const { return digits_; }
    void SetDigits(int v) { digits_ = v; }

    // Percent of the width; values outside 0 <= m < 50 are refused, but the
    // four pixel margins are recomputed from the width in every case.
    double Margin() const { return margin_; }
    void SetMargin(double m); // paints

    // Grid intervals; the drawing raises values below 1 to 1.
    int Yinterval() const { return yinterval_; }
    void SetYinterval(int v) { yinterval_ = v; }
    int Xinterval() const { return xinterval_; }
    void SetXinterval(int v) { xinterval_ = v; }

    double Zoom() const { return view_.Zoom; }
    void SetZoom(double v); // paints

    double Impedance() const { return impedance_; }
    void SetImpedance(double v) { impedance_ = v; }

    // Reading LYmin/LYmax gives the displayed limits; writing LYmin, LYmax,
    // Xmin or Xmax always resets the view, then paints once more.
    double LYmin() const;
    void SetLYmin(double v);
    double LYmax() const;
    void SetLYmax(double v);
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
    int GridType() const { return gridType_; }
    void SetGridType(int v) { gridType_ = v; }
    int markerDigits() const { return markerDigits_; }
    void SetmarkerDigits(int v) { markerDigits_ = v; }

    TOnCurveChanged OnCurveChanged;
    TOnPointChanged OnPointChanged;
    TonDeltaChanged OnDeltaChanged;

    // ---- routines (indices are 0-based) ----
    int CurveCount() const { return static_cast<int>(curves_.size()); }
    void ClearCurves();
    int AddCurve(const std::string& name, TColor colour, bool rightAxis);
    void AddPoint(int curve, double X, double Y);
    // Leaves the variables alone (and returns false) for a bad index.
    bool GetPoint(int curve, int index, double& X, double& Y) const;
    void SetCurveVisible(int curve, bool visible);
    // Out of range: an empty name and white.
    void GetCurveInfo(int curve, std::string& name, TColor& colour) const;
    int FindCurve(const std::string& name) const;
    void ClearMarkers();
    int FindMarker(int curve, int point) const;
    void ResetView();
    void PanBy(int dx, int dy);
    void ZoomBy(int dx, int dy);
    void DrawChart(TChartCanvas& canvas, int W, int H, int left, int right, int top, int bottom,
        TDrawTarget target = TDrawTarget::dtOther);
    // The chart at the control's size on the clipboard as SVG and PNG.
    // Needs a running GUI application.
    void CopyToClipboard();
    void Paint();
    void Invalidate();

    // ---- pointer ----
    void HitTest(int x, int y);
    void RestoreHoverMark();
    // The pointer left the control: the hover mark goes and OnCurveChanged
    // reports that no curve is under the pointer.
    void PointerLeft();
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    const THoverMarks& HoverMarks() const { return hover_; }

    // ---- data and state for the drawing and the pointer ----
    const std::vector<Tcurve>& Curves() const { return curves_; }
    const Tcurve* CurveAt(int curve) const;
    const TPoint* PointAt(int curve, int index) const;
    std::vector<Tmarker>& Markers() { return markers_; }
    const std::vector<Tmarker>& Markers() const { return markers_; }
    // The layout of the last screen drawing, which the pointer reads.
    TXYLayout& Layout() { return layout_; }
    const TXYLayout& Layout() const { return layout_; }
    // The layout of the last drawing, whatever surface it went to.
    const TXYLayout& DrawnLayout() const { return drawnLayout_; }
    TXYView& View() { return view_; }
    const TXYView& View() const { return view_; }
    TXYPointerState& PointerState() { return pointer_; }
    const TXYPointerState& PointerState() const { return pointer_; }

    // The banner's picture, stretched into the banner's left box.
    const TChartPicture& BannerPicture() const { return bannerPicture_; }
    void SetBannerPicture(const TChartPicture& p) { bannerPicture_ = p; }

private:
    friend class TXYChartPainter;

    void paintIfAuto();
    void setMarginsFromPercent();
    // The pixel of a value pair on a curve's axis; false when it cannot be
    // placed (no drawing yet, empty range).
    bool ValueToPixel(const Tcurve& curve, double X, double Y, int& px, int& py) const;

    TXYChartHost* host_ = nullptr;
    int width_ = 200;
    int height_ = 150;
    bool visible_ = true;

    int leftMargin_ = 0;
    int rightMargin_ = 0;
    int topMargin_ = 0;
    int bottomMargin_ = 0;
    std::string units_;
    std::string yUnits_;
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
    bool showLeftAxis_ = true;
    bool colouredTraces_ = false;
    bool autoupdate_ = true;
    bool showHorizLines_ = true;
    bool showVertLines_ = true;
    bool showbanner_ = false;
    bool autoscale_ = false;
    TColor graphColor_ = clBlack;
    int markerSize_ = 4;
    int digits_ = 3;
    double margin_ = 0.0;
    int yinterval_ = 10;
    int xinterval_ = 10;
    double impedance_ = 0.0;
    double lymin_ = -5.0;
    double lymax_ = 5.0;
    double rymin_ = -5.0;
    double rymax_ = 5.0;
    double xmin_ = 0.0;
    double xmax_ = 10.0;
    bool showInfo_ = false;
    bool showLegend_ = false;
    bool showTitle_ = false;
    bool showZ0_ = false;
    int gridType_ = 0;
    int markerDigits_ = 3;

    std::vector<Tcurve> curves_;
    std::vector<Tmarker> markers_;
    TXYLayout layout_;
    TXYLayout drawnLayout_;
    TXYView view_;
    TXYPointerState pointer_;
    THoverMarks hover_;
    TChartPicture bannerPicture_;
};

int IntMax(int a, int b);
double DoubleMax(double a, double b);
double DoubleMin(double a, double b);

} // namespace viewer::xy

namespace viewer {
using xy::TXYChart;
}
