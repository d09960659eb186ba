#include "viewer/components/smithchart.h"

#include "platform/rtl/mathx.h"
#include "viewer/components/vectormath.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace viewer::smith {

namespace {

// Values that a conversion could not compute (inf or NaN) are never stored
// into a point: they would poison every drawing and every saved file.
double Finite(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

void Recompute(TPoint& p)
{
    TComplex z;
    PolarToRectInPlace(z, p.Mag, p.Angle);
    p.Re = z.re;
    p.Im = z.im;
}

} // namespace

TSmithChart::TSmithChart(TChartHost* host)
    : host_(host)
{
    titleFont_ = TChartFont { "Arial", 10, 0, clBlack };
    annotationFont_ = titleFont_;
    view_.CentreValueX = (xmin_ + xmax_) / 2;
    view_.CentreValueY = (lymin_ + lymax_) / 2;
    setMarginsFromPercent();
}

TSmithChart::~TSmithChart() = default;

void TSmithChart::Resize(int width, int height)
{
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    if (OnResize)
        OnResize(*this);
    ResetView();
}

// ---- setter classes ----

void TSmithChart::Invalidate()
{
    if (autoupdate_ && host_)
        host_->Invalidate();
}

void TSmithChart::invalidateIfAuto()
{
    Invalidate();
}

void TSmithChart::Paint()
{
    RestoreHoverMark();
    hover_.RefShown = false;
    if (host_)
        host_->PaintNow();
}

void TSmithChart::paintIfAuto()
{
    if (autoupdate_)
        Paint();
}

void TSmithChart::resetIfAuto()
{
    if (autoupdate_)
        ResetView();
}

void TSmithChart::SetTitleFont(const TChartFont& f)
{
    titleFont_ = f;
    invalidateIfAuto();
}

void TSmithChart::SetAnnotationFont(const TChartFont& f)
{
    annotationFont_ = f;
    invalidateIfAuto();
}

void TSmithChart::SetShowmarkers(bool v)
{
    showmarkers_ = v;
    invalidateIfAuto();
}

void TSmithChart::SetShowRightAxis(bool v)
{
    showRightAxis_ = v;
    invalidateIfAuto();
}

void TSmithChart::SetColouredTraces(bool v)
{
    colouredTraces_ = v;
    invalidateIfAuto();
}

void TSmithChart::setMarginsFromPercent()
{
    const int m = rtl::RoundPx(width_ * margin_ / 100.0);
    leftMargin_ = rightMargin_ = topMargin_ = bottomMargin_ = m;
}

void TSmithChart::SetMargin(double m)
{
    if (m >= 0 && m < 50)
        margin_ = m;
    setMarginsFromPercent();
    invalidateIfAuto();
}

void TSmithChart::SetZoom(double v)
{
    view_.Zoom = v;
    paintIfAuto();
}

void TSmithChart::SetDetail(int v)
{
    detail_ = v;
    paintIfAuto();
}

void TSmithChart::SetChartType(Tcharttype t)
{
    chartType_ = t;
    pointer_.RefSet = false;
    ResetView();
}

double TSmithChart::LYmin() const
{
    // The displayed window, as the rectangular drawing computes it.
    const double range = (lymax_ - lymin_) * view_.ZoomY / 100.0;
    return view_.CentreValueY - range / 2;
}

double TSmithChart::LYmax() const
{
    const double range = (lymax_ - lymin_) * view_.ZoomY / 100.0;
    return view_.CentreValueY - range / 2 + range;
}

void TSmithChart::SetLYmin(double v)
{
    lymin_ = v;
    resetIfAuto();
}

void TSmithChart::SetLYmax(double v)
{
    lymax_ = v;
    resetIfAuto();
}

void TSmithChart::SetXmin(double v)
{
    xmin_ = v;
    resetIfAuto();
}

void TSmithChart::SetXmax(double v)
{
    xmax_ = v;
    resetIfAuto();
}

// ---- curves and points ----

const Tcurve* TSmithChart::CurveAt(int curve) const
{
    if (curve < 0 || curve >= CurveCount())
        return nullptr;
    return &curves_[static_cast<std::size_t>(curve)];
}

Tcurve* TSmithChart::CurveAt(int curve)
{
    return const_cast<Tcurve*>(std::as_const(*this).CurveAt(curve));
}

const TPoint* TSmithChart::PointAt(int curve, int index) const
{
    const Tcurve* c = CurveAt(curve);
    if (!c || index < 0 || index >= static_cast<int>(c->Points.size()))
        return nullptr;
    return &c->Points[static_cast<std::size_t>(index)];
}

int TSmithChart::PointCount() const
{
    if (curves_.empty())
        return 0;
    return static_cast<int>(curves_.front().Points.size());
}

void TSmithChart::ClearCurves()
{
    curves_.clear();
    // Nothing may keep pointing into the curves that are gone.
    pointer_.RefSet = false;
    pointer_.SelectedCurve = pointer_.SelectedPoint = kNone;
    pointer_.ReportedCurve = pointer_.ReportedPoint = kNone;
    pointer_.PressedCurve = pointer_.PressedPoint = kNone;
    pointer_.HitFound = false;
    pointer_.PointDrag = pointer_.CurveShift = pointer_.MarkerDrag = false;
    ClearMarkers();
}

int TSmithChart::AddCurve(const std::string& name, TColor colour)
{
    Tcurve c;
    c.Legend = name;
    c.Color = colour;
    curves_.push_back(std::move(c));
    return CurveCount() - 1;
}

void TSmithChart::AddPoint(int curve, double Freq, double Mag, double Angle)
{
    Tcurve* c = CurveAt(curve);
    if (!c)
        return;
    TPoint p;
    p.Freq = Finite(Freq);
    p.Mag = Finite(Mag);
    p.Angle = Finite(Angle);
    Recompute(p);
    c->Points.push_back(p);
}

bool TSmithChart::GetPoint(int curve, int index, double& Freq, double& Mag, double& Angle, double& Re, double& Im) const
{
    const TPoint* p = PointAt(curve, index);
    if (!p)
        return false;
    Freq = p->Freq;
    Mag = p->Mag;
    Angle = p->Angle;
    Re = p->Re;
    Im = p->Im;
    return true;
}

void TSmithChart::SetPoint(int curve, int index, double Freq, double Mag, double Angle)
{
    Tcurve* c = CurveAt(curve);
    if (!c)
        return;
    if (index >= 0 && index < static_cast<int>(c->Points.size()) && std::isfinite(Freq) && std::isfinite(Mag)
        && std::isfinite(Angle)) {
        TPoint& p = c->Points[static_cast<std::size_t>(index)];
        p.Freq = Freq;
        p.Mag = Mag;
        p.Angle = Angle;
        Recompute(p);
    }
    dataChanged_ = true;
    if (OnDataChanged)
        OnDataChanged(*this);
}

void TSmithChart::DeletePoint(int index)
{
    if (index < 0)
        return;
    bool removed = false;
    for (Tcurve& c : curves_) {
        if (index < static_cast<int>(c.Points.size())) {
            c.Points.erase(c.Points.begin() + index);
            removed = true;
        }
    }
    if (!removed)
        return;
    // Markers on the deleted point go; those after it move up with their points.
    std::erase_if(markers_, [index](const Tmarker& m) { return m.Point == index; });
    for (Tmarker& m : markers_)
        if (m.Point > index)
            --m.Point;
    TSmithPointerState& s = pointer_;
    if (s.RefSet) {
        if (s.RefPoint == index)
            s.RefSet = false;
        else if (s.RefPoint > index)
            --s.RefPoint;
    }
    if (s.SelectedPoint != kNone) {
        if (s.SelectedPoint == index) {
            s.SelectedPoint = kNone;
            s.HitFound = false;
        } else if (s.SelectedPoint > index)
            --s.SelectedPoint;
    }
    s.ReportedPoint = kNone;
    s.PointDrag = false;
    s.PressedPoint = kNone;
}

void TSmithChart::InsertPoint(int index)
{
    if (index < 0)
        return;
    bool inserted = false;
    for (int ci = 0; ci < CurveCount(); ++ci) {
        Tcurve& c = curves_[static_cast<std::size_t>(ci)];
        const int n = static_cast<int>(c.Points.size());
        if (n == 0 || index > n)
            continue;
        TPoint prev; // zeros before the first point
        if (index > 0)
            prev = c.Points[static_cast<std::size_t>(index - 1)];
        // At the end there is no following point: the new point copies the last.
        const TPoint next = index < n ? c.Points[static_cast<std::size_t>(index)] : prev;
        c.Points.insert(c.Points.begin() + index, TPoint {});
        inserted = true;
        // Before the first point the zero point stands in: half of it, angle included.
        const double angle = index > 0 ? MeanAngle(prev.Angle, next.Angle) : prev.Angle + (next.Angle - prev.Angle) / 2;
        SetPoint(ci, index, prev.Freq + (next.Freq - prev.Freq) / 2, prev.Mag + (next.Mag - prev.Mag) / 2, angle);
    }
    if (!inserted)
        return;
    for (Tmarker& m : markers_)
        if (m.Point >= index)
            ++m.Point;
    TSmithPointerState& s = pointer_;
    if (s.RefSet && s.RefPoint >= index)
        ++s.RefPoint;
    if (s.SelectedPoint != kNone && s.SelectedPoint >= index)
        ++s.SelectedPoint;
    s.ReportedPoint = kNone;
    s.PointDrag = false;
    s.PressedPoint = kNone;
}

void TSmithChart::SetCurveVisible(int curve, bool visible)
{
    if (Tcurve* c = CurveAt(curve))
        c->Enabled = visible;
}

void TSmithChart::GetCurveInfo(int curve, std::string& name, TColor& colour) const
{
    const Tcurve* c = CurveAt(curve);
    if (!c) {
        name.clear();
        return;
    }
    name = c->Legend;
    colour = c->Color;
}

int TSmithChart::FindCurve(const std::string& name) const
{
    for (int i = CurveCount() - 1; i >= 0; --i)
        if (curves_[static_cast<std::size_t>(i)].Legend == name)
            return i;
    return -1;
}

void TSmithChart::SetCurveOffset(int curve, double OffsetX, double OffsetY)
{
    if (Tcurve* c = CurveAt(curve)) {
        c->OffsetX = Finite(OffsetX);
        c->OffsetY = Finite(OffsetY);
    }
}

void TSmithChart::ClearMarkers()
{
    markers_.clear();
    pointer_.MarkerDrag = false;
    Paint();
}

int TSmithChart::FindMarker(int curve, int point) const
{
    for (std::size_t i = 0; i < markers_.size(); ++i)
        if (markers_[i].Curve == curve && markers_[i].Point == point)
            return static_cast<int>(i);
    return -1;
}

void TSmithChart::ResetView()
{
    view_.PanX = view_.PanY = 0.0;
    view_.PanX0 = view_.PanY0 = 0.0;
    view_.CentreValueX0 = view_.CentreValueY0 = 0.0;
    view_.CentreValueX = (xmin_ + xmax_) / 2;
    view_.CentreValueY = (lymin_ + lymax_) / 2;
    view_.Zoom = view_.ZoomY = 100.0;
    view_.Zoom0 = 100.0;
    Paint();
}

// ---- free routines ----

TColor NextColour(TColor colour)
{
    switch (colour) {
    case clBlack:
        return clMaroon;
    case clMaroon:
        return clGreen;
    case clGreen:
        return clOlive;
    case clOlive:
        return clNavy;
    case clNavy:
        return clPurple;
    case clPurple:
        return clTeal;
    case clTeal:
        return clGray;
    case clGray:
        return clSilver;
    case clSilver:
        return clAqua;
    case clAqua:
        return clYellow;
    case clYellow:
        return clBlack;
    case clRed:
        return clLime;
    case clLime:
        return clFuchsia;
    case clFuchsia:
        return clBlue;
    case clBlue:
        return clBlack;
    default:
        return clRed;
    }
}

int NextSymbol(int n)
{
    return n >= 5 ? 0 : n + 1;
}

double MeanAngle(double a, double b)
{
    const double d = b - a;
    if (!(std::fabs(d) > 180.0))
        return a + d / 2;
    double m = std::remainder(a + std::remainder(d, 360.0) / 2, 360.0);
    return m <= -180.0 ? m + 360.0 : m;
}

int IntMax(int a, int b)
{
    return a > b ? a : b;
}
int IntMin(int a, int b)
{
    return a < b ? a : b;
}
double DoubleMax(double a, double b)
{
    return a > b ? a : b;
}

} // namespace viewer::smith
