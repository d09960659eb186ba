#include "viewer/components/recordingcanvas.h"

namespace viewer {

namespace {
int CodePoints(const std::string& text)
{
    int n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}
} // namespace

TRecordingCanvas::TRecordingCanvas(int charWidth, int lineHeight)
    : charWidth_(charWidth)
    , lineHeight_(lineHeight)
{
}

TCanvasOp& TRecordingCanvas::record(TCanvasOp::Kind kind, int x1, int y1, int x2, int y2)
{
    TCanvasOp op;
    op.kind = kind;
    op.x1 = x1;
    op.y1 = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.pen = Pen();
    op.brush = Brush();
    op.font = Font();
    ops_.push_back(std::move(op));
    return ops_.back();
}

std::vector<TCanvasOp> TRecordingCanvas::OpsOf(TCanvasOp::Kind kind) const
{
    std::vector<TCanvasOp> out;
    for (const TCanvasOp& op : ops_)
        if (op.kind == kind)
            out.push_back(op);
    return out;
}

std::vector<std::string> TRecordingCanvas::Texts() const
{
    std::vector<std::string> out;
    for (const TCanvasOp& op : ops_)
        if (op.kind == TCanvasOp::Text)
            out.push_back(op.text);
    return out;
}

void TRecordingCanvas::Rectangle(int left, int top, int right, int bottom)
{
    record(TCanvasOp::Rectangle, left, top, right, bottom);
}

void TRecordingCanvas::Ellipse(int left, int top, int right, int bottom)
{
    record(TCanvasOp::Ellipse, left, top, right, bottom);
}

void TRecordingCanvas::Polygon(const std::vector<TCanvasPoint>& points)
{
    record(TCanvasOp::Polygon, 0, 0, 0, 0).points = points;
}

void TRecordingCanvas::FillRect(int left, int top, int right, int bottom)
{
    record(TCanvasOp::FillRect, left, top, right, bottom);
}

void TRecordingCanvas::StretchDraw(int left, int top, int right, int bottom, const TChartPicture&)
{
    record(TCanvasOp::Picture, left, top, right, bottom);
}

void TRecordingCanvas::FrameRect(int left, int top, int right, int bottom)
{
    record(TCanvasOp::FrameRect, left, top, right, bottom);
}

void TRecordingCanvas::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    TCanvasOp& op = record(TCanvasOp::Arc, left, top, right, bottom);
    op.x3 = x1;
    op.y3 = y1;
    op.x4 = x2;
    op.y4 = y2;
}

void TRecordingCanvas::Polyline(const std::vector<TCanvasPoint>& points)
{
    record(TCanvasOp::Polyline, 0, 0, 0, 0).points = points;
}

int TRecordingCanvas::TextWidth(const std::string& text)
{
    return charWidth_ * CodePoints(text);
}

int TRecordingCanvas::TextHeight(const std::string&)
{
    return lineHeight_;
}

void TRecordingCanvas::SetClipRect(int left, int top, int right, int bottom)
{
    record(TCanvasOp::Clip, left, top, right, bottom);
}

void TRecordingCanvas::RemoveClip()
{
    record(TCanvasOp::Unclip, 0, 0, 0, 0);
}

void TRecordingCanvas::DrawLine(int x0, int y0, int x1, int y1)
{
    record(TCanvasOp::Line, x0, y0, x1, y1);
}

void TRecordingCanvas::DrawText(int x, int y, const std::string& text)
{
    record(TCanvasOp::Text, x, y, x + TextWidth(text), y + TextHeight(text)).text = text;
}

} // namespace viewer
