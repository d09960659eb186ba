#pragma once

// The drawing surface the charts paint on. Everything is in integer device
// pixels with y growing downwards, and follows the old canvas rules that the
// chart layouts were written against:
// - Rectangle, FillRect, FrameRect and Ellipse take a bounding box whose
//   right and bottom edges are left out (a box 0,0-10,10 covers pixels 0..9).
// - LineTo draws from the pen position and leaves out its end pixel; the pen
//   position moves to the end point. Polyline leaves out the last pixel too
//   and does not use or move the pen position.
// - Arc draws counter-clockwise along the ellipse of the bounding box, from
//   where the ray from the centre towards (x1, y1) meets it to where the ray
//   towards (x2, y2) meets it; equal rays draw the whole ellipse.
// - Setting a brush colour makes a clear brush solid.
// - TextOut places the text cell by its top-left corner, in the font colour,
//   on an opaque background of the brush colour when the brush is solid,
//   and moves the pen position to the end of the text.
// - TextWidth and TextHeight measure in the current font on this device.

#include "viewer/components/colors.h"

#include <string>
#include <vector>

namespace viewer {

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psClear };
enum class TBrushStyle { bsSolid, bsClear };

// Font style bits.
enum TFontStyleBits : unsigned { fsBold = 1u, fsItalic = 2u, fsUnderline = 4u, fsStrikeOut = 8u };

struct TChartPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
    bool operator==(const TChartPen&) const = default;
};

struct TChartBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
    bool operator==(const TChartBrush&) const = default;
};

struct TChartFont {
    std::string Name = "Arial";
    int Size = 10; // points
    unsigned Style = 0; // TFontStyleBits
    TColor Color = clBlack;
    bool operator==(const TChartFont&) const = default;
};

struct TCanvasPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TCanvasPoint&) const = default;
};

// A small picture in chart colours, row by row from the top.
struct TChartPicture {
    int Width = 0;
    int Height = 0;
    std::vector<TColor> Pixels;
    bool Empty() const { return Width <= 0 || Height <= 0 || Pixels.size() < static_cast<std::size_t>(Width) * Height; }
};

class TChartCanvas {
public:
    virtual ~TChartCanvas() = default;

    // Drawing state.
    const TChartPen& Pen() const { return pen_; }
    void SetPen(const TChartPen& pen);
    void SetPenColor(TColor c);
    void SetPenWidth(int w);
    void SetPenStyle(TPenStyle s);

    const TChartBrush& Brush() const { return brush_; }
    void SetBrush(const TChartBrush& brush);
    void SetBrushColor(TColor c); // also makes the brush solid
    void SetBrushStyle(TBrushStyle s);

    const TChartFont& Font() const { return font_; }
    void SetFont(const TChartFont& font);
    void SetFontName(const std::string& name);
    void SetFontSize(int points);
    void SetFontStyle(unsigned style);
    void SetFontColor(TColor c);

    TCanvasPoint PenPos() const { return penPos_; }
    void MoveTo(int x, int y);
    void LineTo(int x, int y);

    // Shapes: outline with the pen, inside with the brush.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    virtual void Polygon(const std::vector<TCanvasPoint>& points) = 0;
    // Brush only.
    virtual void FillRect(int left, int top, int right, int bottom) = 0;
    // A one-pixel border in the brush colour.
    virtual void FrameRect(int left, int top, int right, int bottom) = 0;
    virtual void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) = 0;
    virtual void Polyline(const std::vector<TCanvasPoint>& points) = 0;
    // The picture scaled into the box (right and bottom left out).
    virtual void StretchDraw(int left, int top, int right, int bottom, const TChartPicture& picture) = 0;

    void TextOut(int x, int y, const std::string& text);
    virtual int TextWidth(const std::string& text) = 0;
    virtual int TextHeight(const std::string& text) = 0;

    // Later drawing is limited to the box (right and bottom left out).
    virtual void SetClipRect(int left, int top, int right, int bottom) = 0;
    virtual void RemoveClip() = 0;

protected:
    // One straight line from (x0, y0) to (x1, y1), end pixel left out.
    virtual void DrawLine(int x0, int y0, int x1, int y1) = 0;
    virtual void DrawText(int x, int y, const std::string& text) = 0;

    // Raised when the state changes, so that implementations can update
    // their tools lazily.
    bool penChanged_ = true;
    bool brushChanged_ = true;
    bool fontChanged_ = true;

private:
    TChartPen pen_;
    TChartBrush brush_;
    TChartFont font_;
    TCanvasPoint penPos_;
};

} // namespace viewer
