// The main window's re-normalise command, the two-port stability and
// power-gain charts on the XY chart, and the XY chart's status read-outs.

#include "platform/rtl/format.h"
#include "viewer/app/renormalise.h"
#include "viewer/app/save_options.h"
#include "viewer/app/sparam_files.h"
#include "viewer/app/status_text.h"
#include "viewer/app/twoport_analysis.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QAction>

namespace viewer {

namespace {

constexpr TColor kBlue = 0xFF0000; // red in the low byte
constexpr TColor kRed = 0x0000FF;
constexpr TColor kGreen = 0x008000;
constexpr TColor kMaroon = 0x000080;

} // namespace

void TMainForm::normbuttonClick()
{
    if (!WriteGridBack())
        return;
    auto& chart = smith_->Chart();
    std::string text = rtl::FloatToStr(chart.Impedance());
    if (!dialogs_->EditNormalise(text))
        return;
    double newZ0 = 0;
    if (!ParseSaveImpedance(text, newZ0)) {
        dialogs_->ShowMessage(kBadNormaliseImpedance);
        return;
    }
    if (std::string error = RenormaliseChart(chart, state_->PortCount, newZ0); !error.empty()) {
        dialogs_->ShowMessage(error);
        return;
    }
    chart.Paint();
    GridDataChanged();
    xy_->Chart().SetImpedance(newZ0);
    // Saving keeps the data at its new impedance unless the user asks for
    // another one.
    files_->Options().impedance = rtl::FloatToStr(newZ0);
    SetStatusPanel(6, rtl::FloatToStr(newZ0));
}

void TMainForm::RestoreViewCheck()
{
    // A refused chart command leaves the view as it was, and its menu check.
    QAction* item = Numeric;
    if (XYVisible()) {
        item = xy_->Chart().FindCurve("K") >= 0 ? Stability : PowerGain;
    } else if (SmithVisible()) {
        for (const TChartView& v : ChartViews())
            if (v.type == smith_->Chart().ChartType())
                item = v.action;
    }
    for (QAction* a : { ZSmith, YSmith, Polar, LogMag, UGrid, VGrid, RGrid, XGrid, Numeric, Stability, PowerGain })
        a->setChecked(a == item);
}

void TMainForm::PrepareXYChart(const char* leftTitle, double lymax)
{
    RightAxisButton->setEnabled(false);
    IncreaseDetailButton->setEnabled(false);
    DecreaseDetailButton->setEnabled(false);
    ScalesButton->setEnabled(true);
    const auto& s = smith_->Chart();
    auto& x = xy_->Chart();
    x.SetAutoupdate(false);
    x.SetLeftTitle(leftTitle);
    x.SetYUnits(leftTitle);
    x.SetLYmax(lymax);
    x.SetLYmin(0.0);
    x.SetXmin(s.Xmin());
    x.SetXmax(s.Xmax());
    x.SetColouredTraces(s.ColouredTraces());
    x.SetShowmarkers(s.Showmarkers());
    x.SetTitle(s.Title());
    // The frequencies are the Smith chart's, in its unit.
    x.SetUnits(s.Units());
    x.SetXTitle(s.XTitle());
    x.ClearCurves();
}

std::optional<TTwoPortCurves> TMainForm::StartTwoPortChart(
    TViewItem view, const char* missing, const char* leftTitle, double lymax)
{
    if (!WriteGridBack()) {
        RestoreViewCheck();
        return std::nullopt;
    }
    auto curves = TTwoPortCurves::Find(smith_->Chart());
    if (!curves) {
        RestoreViewCheck();
        dialogs_->ShowMessage(missing);
        return std::nullopt;
    }
    SelectView(view);
    PrepareXYChart(leftTitle, lymax);
    return curves;
}

void TMainForm::ShowXYCurves(const std::vector<std::string>& names)
{
    auto& x = xy_->Chart();
    x.SetAutoupdate(true);
    xy_->show();
    x.Paint();
    BuildCurveMenuFrom(names);
}

void TMainForm::Kfactor1Click()
{
    const auto curves = StartTwoPortChart(TViewItem::Stability, kNoStabilityData, "", 5.0);
    if (!curves)
        return;
    auto& x = xy_->Chart();
    const char* names[3] = { "K", "Det", "B1" };
    const TColor colours[3] = { kBlue, kRed, kGreen };
    for (int c = 0; c < 3; ++c)
        x.SetCurveVisible(x.AddCurve(names[c], colours[c], false), true);
    for (int i = 0; i < curves->PointCount(); ++i) {
        const TStabilityPoint p = curves->StabilityPoint(i);
        x.AddPoint(0, p.Freq, p.K);
        x.AddPoint(1, p.Freq, p.Det);
        x.AddPoint(2, p.Freq, p.B1);
    }
    ShowXYCurves({ names[0], names[1], names[2] });
}

void TMainForm::Gu1Click()
{
    const auto curves = StartTwoPortChart(TViewItem::PowerGain, kNoGainData, "dB", 50.0);
    if (!curves)
        return;
    auto& x = xy_->Chart();
    const char* names[4] = { "Gtumax", "Gtm", "Gmsg", "Gamax" };
    const TColor colours[4] = { kBlue, kRed, kGreen, kMaroon };
    for (int c = 0; c < 4; ++c)
        x.SetCurveVisible(x.AddCurve(names[c], colours[c], false), true);
    for (int i = 0; i < curves->PointCount(); ++i) {
        const TGainPoint g = curves->GainPoint(i);
        x.AddPoint(0, g.Freq, g.Gtumax);
        x.AddPoint(1, g.Freq, g.Gtm);
        x.AddPoint(2, g.Freq, g.Gmsg);
        x.AddPoint(3, g.Freq, g.Gamax);
    }
    ShowXYCurves({ names[0], names[1], names[2], names[3] });
}

void TMainForm::wireXYChart()
{
    auto& x = xy_->Chart();
    x.OnCurveChanged = [this](xy::TXYChart&, int, const std::string& name, TColor col) {
        SetSwatch(col);
        SetStatusPanel(0, name);
        for (int i = 2; i <= 4; ++i)
            SetStatusPanel(i, "");
    };
    x.OnPointChanged = [this](xy::TXYChart& chart, double fx, double fy) {
        SetStatusReadout(
            2, [&](const TStatusDigits& d) { return "Freq " + StatusNumber(fx, d.Freq) + smith_->Chart().Units(); });
        SetStatusReadout(3, [&](const TStatusDigits& d) { return StatusNumber(fy, d.Db) + chart.YUnits(); });
    };
    x.OnDeltaChanged = [this](xy::TXYChart& chart, double dx, double dy) {
        SetStatusReadout(4, [&](const TStatusDigits& d) {
            return "Delta: Freq " + StatusNumber(dx, d.Freq) + smith_->Chart().Units() + "  " + StatusNumber(dy, d.Db)
                + chart.YUnits();
        });
    };
}

} // namespace viewer
