#include "viewer/components/chartcanvas.h"

namespace viewer {

void TChartCanvas::SetPen(const TChartPen& pen)
{
    pen_ = pen;
    penChanged_ = true;
}

void TChartCanvas::SetPenColor(TColor c)
{
    pen_.Color = c;
    penChanged_ = true;
}

void TChartCanvas::SetPenWidth(int w)
{
    pen_.Width = w;
    penChanged_ = true;
}

void TChartCanvas::SetPenStyle(TPenStyle s)
{
    pen_.Style = s;
    penChanged_ = true;
}

void TChartCanvas::SetBrush(const TChartBrush& brush)
{
    brush_ = brush;
    brushChanged_ = true;
}

void TChartCanvas::SetBrushColor(TColor c)
{
    brush_.Color = c;
    brush_.Style = TBrushStyle::bsSolid;
    brushChanged_ = true;
}

void TChartCanvas::SetBrushStyle(TBrushStyle s)
{
    brush_.Style = s;
    brushChanged_ = true;
}

void TChartCanvas::SetFont(const TChartFont& font)
{
    font_ = font;
    fontChanged_ = true;
}

void TChartCanvas::SetFontName(const std::string& name)
{
    font_.Name = name;
    fontChanged_ = true;
}

void TChartCanvas::SetFontSize(int points)
{
    font_.Size = points;
    fontChanged_ = true;
}

void TChartCanvas::SetFontStyle(unsigned style)
{
    font_.Style = style;
    fontChanged_ = true;
}

void TChartCanvas::SetFontColor(TColor c)
{
    font_.Color = c;
    fontChanged_ = true;
}

void TChartCanvas::MoveTo(int x, int y)
{
    penPos_ = { x, y };
}

void TChartCanvas::LineTo(int x, int y)
{
    DrawLine(penPos_.x, penPos_.y, x, y);
    penPos_ = { x, y };
}

void TChartCanvas::TextOut(int x, int y, const std::string& text)
{
    DrawText(x, y, text);
    penPos_ = { x + TextWidth(text), y };
}

} // namespace viewer
