#include "viewer/components/xychart.h"

#include "platform/rtl/mathx.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace viewer::xy {

TXYChart::TXYChart(TXYChartHost* host)
    : host_(host)
{
    titleFont_ = TChartFont { "Arial", 10, 0, clBlack };
    annotationFont_ = titleFont_;
    view_.CentreValueX = (xmin_ + xmax_) / 2;
    view_.CentreValueY = (lymin_ + lymax_) / 2;
    // Margin starts at 0 without its setter: the pixel margins are 0 too.
}

TXYChart::~TXYChart() = default;

void TXYChart::Resize(int width, int height)
{
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    ResetView();
}

void TXYChart::Invalidate()
{
    if (autoupdate_ && host_)
        host_->Invalidate();
}

void TXYChart::Paint()
{
    // The hover marks sit on the old image; the new one does not keep them.
    hover_ = THoverMarks {};
    if (host_)
        host_->PaintNow();
}

void TXYChart::paintIfAuto()
{
    if (autoupdate_)
        Paint();
}

void TXYChart::SetTitleFont(const TChartFont& f)
{
    titleFont_ = f;
    paintIfAuto();
}

void TXYChart::SetAnnotationFont(const TChartFont& f)
{
    annotationFont_ = f;
    paintIfAuto();
}

void TXYChart::SetShowmarkers(bool v)
{
    showmarkers_ = v;
    paintIfAuto();
}

void TXYChart::SetShowRightAxis(bool v)
{
    showRightAxis_ = v;
    paintIfAuto();
}

void TXYChart::SetShowLeftAxis(bool v)
{
    showLeftAxis_ = v;
    paintIfAuto();
}

void TXYChart::SetColouredTraces(bool v)
{
    colouredTraces_ = v;
    paintIfAuto();
}

void TXYChart::setMarginsFromPercent()
{
    const int m = rtl::RoundPx(width_ * margin_ / 100.0);
    leftMargin_ = rightMargin_ = topMargin_ = bottomMargin_ = m;
}

void TXYChart::SetMargin(double m)
{
    if (m >= 0 && m < 50)
        margin_ = m;
    setMarginsFromPercent();
    paintIfAuto();
}

void TXYChart::SetZoom(double v)
{
    view_.Zoom = v;
    paintIfAuto();
}

double TXYChart::LYmin() const
{
    const double range = (lymax_ - lymin_) * view_.ZoomY / 100.0;
    return view_.CentreValueY - range / 2;
}

double TXYChart::LYmax() const
{
    const double range = (lymax_ - lymin_) * view_.ZoomY / 100.0;
    return view_.CentreValueY - range / 2 + range;
}

void TXYChart::SetLYmin(double v)
{
    lymin_ = v;
    ResetView();
    paintIfAuto();
}

void TXYChart::SetLYmax(double v)
{
    lymax_ = v;
    ResetView();
    paintIfAuto();
}

void TXYChart::SetXmin(double v)
{
    xmin_ = v;
    ResetView();
    paintIfAuto();
}

void TXYChart::SetXmax(double v)
{
    xmax_ = v;
    ResetView();
    paintIfAuto();
}

// ---- curves and points ----

const Tcurve* TXYChart::CurveAt(int curve) const
{
    if (curve < 0 || curve >= CurveCount())
        return nullptr;
    return &curves_[static_cast<std::size_t>(curve)];
}

const TPoint* TXYChart::PointAt(int curve, int index) const
{
    const Tcurve* c = CurveAt(curve);
    if (!c || index < 0 || index >= static_cast<int>(c->Points.size()))
        return nullptr;
    return &c->Points[static_cast<std::size_t>(index)];
}

void TXYChart::ClearCurves()
{
    curves_.clear();
    // Nothing may keep pointing into the curves that are gone.
    pointer_.RefSet = false;
    pointer_.SelectedCurve = pointer_.SelectedPoint = kNone;
    pointer_.ReportedCurve = pointer_.ReportedPoint = kNone;
    pointer_.HitFound = false;
    RestoreHoverMark();
    ClearMarkers();
}

int TXYChart::AddCurve(const std::string& name, TColor colour, bool rightAxis)
{
    Tcurve c;
    c.Legend = name;
    c.Color = colour;
    c.RightAxis = rightAxis;
    curves_.push_back(std::move(c));
    return CurveCount() - 1;
}

void TXYChart::AddPoint(int curve, double X, double Y)
{
    if (curve < 0 || curve >= CurveCount())
        return;
    // A y that is not a number marks a value that does not exist at X (a
    // gain the device has not there): the line breaks at it and the pointer
    // passes over it. Infinite values and an x that is not a number are
    // kept out: they would break every drawing and every read-out.
    if (!std::isfinite(X) || std::isinf(Y))
        return;
    curves_[static_cast<std::size_t>(curve)].Points.push_back(TPoint { X, Y });
    paintIfAuto();
}

bool TXYChart::GetPoint(int curve, int index, double& X, double& Y) const
{
    const TPoint* p = PointAt(curve, index);
    if (!p)
        return false;
    X = p->X;
    Y = p->Y;
    return true;
}

void TXYChart::SetCurveVisible(int curve, bool visible)
{
    if (curve >= 0 && curve < CurveCount())
        curves_[static_cast<std::size_t>(curve)].Enabled = visible;
}

void TXYChart::GetCurveInfo(int curve, std::string& name, TColor& colour) const
{
    const Tcurve* c = CurveAt(curve);
    if (!c) {
        name.clear();
        colour = clWhite;
        return;
    }
    name = c->Legend;
    colour = c->Color;
}

int TXYChart::FindCurve(const std::string& name) const
{
    for (int i = CurveCount() - 1; i >= 0; --i)
        if (curves_[static_cast<std::size_t>(i)].Legend == name)
            return i;
    return -1;
}

void TXYChart::ClearMarkers()
{
    markers_.clear();
    pointer_.MarkerDrag = false;
}

int TXYChart::FindMarker(int curve, int point) const
{
    for (std::size_t i = 0; i < markers_.size(); ++i)
        if (markers_[i].Curve == curve && markers_[i].Point == point)
            return static_cast<int>(i);
    return -1;
}

void TXYChart::ResetView()
{
    view_.CentreValueX = (xmin_ + xmax_) / 2;
    view_.CentreValueY = (lymin_ + lymax_) / 2;
    view_.Zoom = view_.ZoomY = 100.0;
    view_.Zoom0 = 100.0;
    Paint();
}

int IntMax(int a, int b)
{
    return a > b ? a : b;
}
double DoubleMax(double a, double b)
{
    return a > b ? a : b;
}
double DoubleMin(double a, double b)
{
    return a < b ? a : b;
}

} // namespace viewer::xy
