#include "viewer/components/chartmarks.h"

#include "platform/rtl/format.h"
#include "platform/rtl/mathx.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace viewer {

void DrawPointSymbol(TChartCanvas& cv, int symbol, int x, int y, int s)
{
    switch (symbol) {
    case 0: // triangle pointing down
        cv.Polygon({ { x - s, y - s }, { x, y + s }, { x + s, y - s } });
        break;
    case 1: // square
        cv.Rectangle(x - s, y - s, x + s, y + s);
        break;
    case 2: // diamond
        cv.Polygon({ { x - s, y }, { x, y - s }, { x + s, y }, { x, y + s } });
        break;
    case 3: // triangle pointing up
        cv.Polygon({ { x - s, y + s }, { x, y - s }, { x + s, y + s } });
        break;
    case 4: // flat bar
        cv.Rectangle(x - s, y - s / 2, x + s, y + s / 2);
        break;
    case 5: // circle
        cv.Ellipse(x - s, y - s, x + s, y + s);
        break;
    default:
        break;
    }
}

void DrawLoneFrequencyLabel(TChartCanvas& cv, double f, int digits, double shownXmin, double shownXrange,
    int plotLeft, int plotWidth, int y)
{
    const double xd = (f - shownXmin) / shownXrange * plotWidth + plotLeft;
    if (!(xd >= plotLeft && xd <= plotLeft + plotWidth))
        return;
    const std::string s = rtl::FloatToStrFixed(f, 7, digits);
    cv.TextOut(rtl::RoundPx(xd) - cv.TextWidth(s) / 2, y, s);
}

void DrawMarkerBox(TChartCanvas& cv, int d, int ex, int ey, const std::string& label)
{
    const int tw = cv.TextWidth(label);
    const int k = std::max(tw, cv.TextHeight(label));
    const int k2 = k / 2;
    int left, top, right, bottom, tx, ty;
    switch (d) {
    case 0:
        left = ex - k2, top = ey - k, right = ex + k2, bottom = ey, tx = ex - tw / 2, ty = ey - k;
        break;
    case 1:
        left = ex, top = ey - k, right = ex + k, bottom = ey, tx = ex + k2 - tw / 2, ty = ey - k;
        break;
    case 2:
        left = ex, top = ey - k2, right = ex + k, bottom = ey + k2, tx = ex + k2 - tw / 2, ty = ey - k2;
        break;
    case 3:
        left = ex, top = ey, right = ex + k, bottom = ey + k, tx = ex + k2 - tw / 2, ty = ey;
        break;
    case 4:
        left = ex - k2, top = ey, right = ex + k2, bottom = ey + k, tx = ex - tw / 2, ty = ey;
        break;
    case 5:
        left = ex - k, top = ey, right = ex, bottom = ey + k, tx = ex - k2 - tw / 2, ty = ey;
        break;
    case 6:
        left = ex - k, top = ey - k2, right = ex, bottom = ey + k2, tx = ex - k2 - tw / 2, ty = ey - k2;
        break;
    default:
        left = ex - k, top = ey - k, right = ex, bottom = ey, tx = ex - k2 - tw / 2, ty = ey - k;
        break;
    }
    cv.Rectangle(left, top, right, bottom);
    cv.SetBrushStyle(TBrushStyle::bsClear);
    cv.TextOut(tx, ty, label);
}

int FlagDirectionOfDrag(int dx, int dy)
{
    const double a = std::atan2(-static_cast<double>(dy), static_cast<double>(dx)) * 180.0 / std::numbers::pi;
    // The last test that holds wins.
    int d = 2;
    if (a > 23)
        d = 1;
    if (a > 68)
        d = 0;
    if (a > 112)
        d = 7;
    if (a > 157)
        d = 6;
    if (a < -22)
        d = 3;
    if (a < -68)
        d = 4;
    if (a < -112)
        d = 5;
    if (a < -157)
        d = 6;
    return d;
}

} // namespace viewer
