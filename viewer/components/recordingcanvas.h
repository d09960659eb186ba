#pragma once

// A chart canvas that draws nothing and records every primitive with the
// state it was drawn in, so that layouts are checked by their geometry.
// Text metrics are fixed: every character is CharWidth pixels wide and every
// text LineHeight pixels high, whatever the font.

#include "viewer/components/chartcanvas.h"

#include <string>
#include <vector>

namespace viewer {

struct TCanvasOp {
    enum Kind { Line, Rectangle, Ellipse, Polygon, FillRect, FrameRect, Arc, Polyline, Text, Clip, Unclip, Picture };
    Kind kind = Line;
    // Line: (x1, y1)-(x2, y2). Boxes and clip: left, top, right, bottom in
    // x1, y1, x2, y2. Arc: the box, then the radial points in x3, y3, x4, y4.
    // Text: its top-left corner in x1, y1.
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0, x4 = 0, y4 = 0;
    std::vector<TCanvasPoint> points;
    std::string text;
    TChartPen pen;
    TChartBrush brush;
    TChartFont font;
};

class TRecordingCanvas : public TChartCanvas {
public:
    explicit TRecordingCanvas(int charWidth = 7, int lineHeight = 13);

    const std::vector<TCanvasOp>& Ops() const { return ops_; }
    std::vector<TCanvasOp> OpsOf(TCanvasOp::Kind kind) const;
    // The texts written, in order.
    std::vector<std::string> Texts() const;
    void Clear() { ops_.clear(); }

    int CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }

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

protected:
    void DrawLine(int x0, int y0, int x1, int y1) override;
    void DrawText(int x, int y, const std::string& text) override;

private:
    TCanvasOp& record(TCanvasOp::Kind kind, int x1, int y1, int x2, int y2);

    int charWidth_;
    int lineHeight_;
    std::vector<TCanvasOp> ops_;
};

} // namespace viewer
