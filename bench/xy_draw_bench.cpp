// One full redraw of a 1200 x 900 XY chart with 8 curves of 100,000
// points each, half on the right axis, onto the screen's back buffer; and
// one hover hit test over the same curves.

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/xychart.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <string>

namespace {

constexpr int kW = 1200;
constexpr int kH = 900;
constexpr int kCurves = 8;
constexpr int kPoints = 100000;

void Fill(viewer::TXYChart& chart)
{
    chart.SetAutoupdate(false);
    chart.SetXmin(0);
    chart.SetXmax(20);
    chart.SetLYmin(0);
    chart.SetLYmax(4);
    chart.SetRYmin(-30);
    chart.SetRYmax(30);
    chart.SetShowRightAxis(true);
    chart.SetShowmarkers(true);
    chart.SetColouredTraces(true);
    chart.SetShowLegend(true);
    viewer::TColor colour = viewer::clRed;
    for (int c = 0; c < kCurves; ++c) {
        const bool right = c % 2 == 1;
        const int k = chart.AddCurve("C" + std::to_string(c), colour, right);
        colour = viewer::xy::NextColour(colour);
        for (int i = 0; i < kPoints; ++i) {
            const double f = 20.0 * i / (kPoints - 1);
            const double y = right ? 25 - 2.5 * f + std::sin(i * 0.01) : 0.3 * c + 3 * (1 - std::exp(-f / 4));
            chart.AddPoint(k, f, y);
        }
        chart.SetCurveVisible(k, true);
    }
}

void BM_XYChartRedraw(benchmark::State& state)
{
    viewer::TXYChart chart;
    Fill(chart);
    QImage img(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        img.fill(Qt::white);
        viewer::TQtChartCanvas canvas(&img);
        chart.DrawChart(canvas, kW, kH, 0, 0, 0, 0, viewer::xy::TDrawTarget::dtScreen);
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints);
}
BENCHMARK(BM_XYChartRedraw)->Unit(benchmark::kMillisecond);

void BM_XYChartHover(benchmark::State& state)
{
    viewer::TXYChart chart;
    Fill(chart);
    QImage img(kW, kH, QImage::Format_RGB32);
    {
        viewer::TQtChartCanvas canvas(&img);
        chart.DrawChart(canvas, kW, kH, 0, 0, 0, 0, viewer::xy::TDrawTarget::dtScreen);
    }
    int x = kW / 3;
    for (auto _ : state) {
        chart.HitTest(x, kH / 2);
        x = x == kW / 3 ? kW / 2 : kW / 3;
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kPoints);
}
BENCHMARK(BM_XYChartHover)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
