// One full redraw of a 1200 x 900 Smith chart with 16 curves of 10,000
// points each onto the screen's back buffer, beside QPainter stroking the
// same points as bare polylines; and the same curves in the rectangular
// views, against both axes.

#include "platform/rtl/mathx.h"
#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/smithchart.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kW = 1200;
constexpr int kH = 900;
constexpr int kCurves = 16;
constexpr int kPoints = 10000;

// Measured-looking curves: each spirals in from near the rim with a little
// ripple, turning several times over the band.
void Fill(viewer::TSmithChart& chart)
{
    viewer::TColor colour = viewer::clRed;
    for (int c = 0; c < kCurves; ++c) {
        const int k = chart.AddCurve("S" + std::to_string(c), colour);
        colour = viewer::smith::NextColour(colour);
        for (int i = 0; i < kPoints; ++i) {
            const double t = static_cast<double>(i) / (kPoints - 1);
            const double mag = (0.95 - 0.7 * t) * (1 + 0.02 * std::sin(i * 0.05)) * (1 - 0.03 * c);
            chart.AddPoint(k, 0.1 + 20 * t, mag, 30 * c - 1440 * t);
        }
        chart.SetCurveVisible(k, true);
    }
    chart.SetShowmarkers(true);
    chart.SetColouredTraces(true);
    chart.SetShowLegend(true);
}

void BM_SmithChartRedraw(benchmark::State& state)
{
    viewer::TSmithChart chart;
    chart.SetChartType(static_cast<viewer::smith::Tcharttype>(state.range(0)));
    Fill(chart);
    QImage img(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        viewer::TQtChartCanvas canvas(&img);
        chart.DrawChart(canvas, kW, kH, 0, 0, 0, 0, viewer::smith::TDrawTarget::dtScreen);
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints);
}
BENCHMARK(BM_SmithChartRedraw)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The rectangular views (3 Logmag .. 7 GridX) with the right axis on, so
// that every curve is drawn twice: solid against the left axis and dotted
// against the right one. The curves are traced on several threads, so the
// time that counts is the wall clock's.
void BM_SmithRectRedraw(benchmark::State& state)
{
    viewer::TSmithChart chart;
    const auto view = static_cast<viewer::smith::Tcharttype>(state.range(0));
    chart.SetChartType(view);
    Fill(chart);
    chart.SetXmax(20.1);
    if (view == viewer::smith::Tcharttype::Logmag) {
        chart.SetLYmin(-30);
        chart.SetLYmax(5);
    } else {
        chart.SetLYmin(-3);
        chart.SetLYmax(3);
        chart.SetRYmin(-3);
        chart.SetRYmax(3);
    }
    chart.SetShowRightAxis(true);
    QImage img(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        viewer::TQtChartCanvas canvas(&img);
        chart.DrawChart(canvas, kW, kH, 0, 0, 0, 0, viewer::smith::TDrawTarget::dtScreen);
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints * 2);
}
BENCHMARK(BM_SmithRectRedraw)->DenseRange(3, 7)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same points, placed where the chart puts them, as one QPainter
// polyline per curve: what stroking alone costs.
void BM_BarePolylines(benchmark::State& state)
{
    viewer::TSmithChart chart;
    Fill(chart);
    {
        QImage probe(kW, kH, QImage::Format_RGB32);
        viewer::TQtChartCanvas canvas(&probe);
        chart.DrawChart(canvas, kW, kH, 0, 0, 0, 0, viewer::smith::TDrawTarget::dtScreen);
    }
    const auto& l = chart.Layout();
    const double R = std::abs(l.ChartRadius);
    std::vector<QPolygonF> polys;
    for (const auto& curve : chart.Curves()) {
        QPolygonF poly;
        for (const auto& p : curve.Points)
            poly << QPointF(l.ChartCentreX + rtl::RoundHalfEven(p.Re * R) + 0.5,
                l.ChartCentreY - rtl::RoundHalfEven(p.Im * R) + 0.5);
        polys.push_back(poly);
    }
    QImage img(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        painter.setRenderHint(QPainter::Antialiasing, state.range(0) != 0);
        for (const QPolygonF& poly : polys) {
            painter.setPen(QPen(Qt::red, 1));
            painter.drawPolyline(poly);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints);
}
BENCHMARK(BM_BarePolylines)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Text needs fonts, and fonts need an application.
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
