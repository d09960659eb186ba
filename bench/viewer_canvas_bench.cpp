// How long a chart curve of many points takes to stroke onto the screen's
// back buffer: the canvas's chunked polyline against one long QPainter
// polyline, and the two-port conversion that every file line goes through.

#include "viewer/components/qtchartcanvas.h"
#include "viewer/components/vectormath.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <vector>

namespace {

std::vector<viewer::TCanvasPoint> Curve(int n)
{
    std::vector<viewer::TCanvasPoint> pts;
    pts.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i * 0.02;
        pts.push_back({ static_cast<int>(400 + 350 * std::cos(t) * std::sin(t * 0.37)),
            static_cast<int>(300 + 250 * std::sin(t)) });
    }
    return pts;
}

void BM_CanvasPolyline(benchmark::State& state)
{
    QImage img(800, 600, QImage::Format_RGB32);
    const auto pts = Curve(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        img.fill(Qt::white);
        viewer::TQtChartCanvas canvas(&img, true);
        canvas.SetPen({ viewer::clRed, static_cast<int>(state.range(1)), viewer::TPenStyle::psSolid });
        canvas.Polyline(pts);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CanvasPolyline)->ArgsProduct({ { 1601, 10001 }, { 1, 2 } })->Unit(benchmark::kMillisecond);

void BM_OneLongPainterPolyline(benchmark::State& state)
{
    QImage img(800, 600, QImage::Format_RGB32);
    const auto pts = Curve(static_cast<int>(state.range(0)));
    QPolygonF poly;
    for (const auto& p : pts)
        poly << QPointF(p.x + 0.5, p.y + 0.5);
    for (auto _ : state) {
        img.fill(Qt::white);
        QPainter painter(&img);
        painter.setRenderHint(QPainter::Antialiasing, true);
        QPen pen(Qt::red, static_cast<int>(state.range(1)));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.drawPolyline(poly);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OneLongPainterPolyline)->ArgsProduct({ { 1601, 10001 }, { 1, 2 } })->Unit(benchmark::kMillisecond);

void BM_ZToSConversion(benchmark::State& state)
{
    viewer::TComplex a { 0.8, 0.1 }, b { 0.05, -0.02 }, c { 2.5, 0.3 }, d { 1.2, -0.4 };
    for (auto _ : state) {
        viewer::TComplex x11 = a, x12 = b, x21 = c, x22 = d;
        viewer::ZToS(x11, x12, x21, x22);
        benchmark::DoNotOptimize(x11);
        benchmark::DoNotOptimize(x22);
    }
}
BENCHMARK(BM_ZToSConversion);

} // namespace

BENCHMARK_MAIN();
