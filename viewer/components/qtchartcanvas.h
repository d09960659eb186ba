#pragma once

// The chart canvas on a QPainter: images (the screen's back buffer), PDF
// printers, pictures and SVG generators alike.

#include "viewer/components/chartcanvas.h"

#include <memory>

class QColor;
class QPainter;
class QPaintDevice;

namespace viewer {

QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

class TQtChartCanvas : public TChartCanvas {
public:
    // Paints with a painter that the caller has begun on its device.
    explicit TQtChartCanvas(QPainter& painter, bool antialias = true);
    // Begins a painter of its own on the device and ends it when destroyed.
    explicit TQtChartCanvas(QPaintDevice* device, bool antialias = true);
    ~TQtChartCanvas() override;
    TQtChartCanvas(const TQtChartCanvas&) = delete;
    TQtChartCanvas& operator=(const TQtChartCanvas&) = delete;

    QPainter& Painter() { return *painter_; }
    bool IsActive() const;

    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    void Polygon(const std::vector<TCanvasPoint>& points) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void FrameRect(int left, int top, int right, int bottom) override;
    void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
    void Polyline(const std::vector<TCanvasPoint>& points) override;
    void StretchDraw(int left, int top, int right, int bottom, const TChartPicture& picture) override;
    int TextWidth(const std::string& text) override;
    int TextHeight(const std::string& text) override;
    void SetClipRect(int left, int top, int right, int bottom) override;
    void RemoveClip() override;

    // Points per chunk when a long polyline is stroked with a pen that is
    // outlined as a shape; one long outline is far slower than many short
    // ones.
    static constexpr int kPolylineChunk = 64;

protected:
    void DrawLine(int x0, int y0, int x1, int y1) override;
    void DrawText(int x, int y, const std::string& text) override;

private:
    void applyPen();
    void applyBrush();
    void applyFont();
    void strokeOnly();

    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    bool antialias_ = true;
    double off_ = 0.5; // where pixel centres lie for strokes
};

} // namespace viewer
