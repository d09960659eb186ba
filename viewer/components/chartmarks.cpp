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

int FrequencyLabelLeft(int x, int width, int left, int right)
{
    return std::max(left, std::min(x - width / 2, right - width));
}

void DrawLoneFrequencyLabel(
    TChartCanvas& cv, double f, int digits, double shownXmin, double shownXrange, int plotLeft, int plotWidth, int y)
{
    const double xd = (f - shownXmin) / shownXrange * plotWidth + plotLeft;
    if (!(xd >= plotLeft && xd <= plotLeft + plotWidth))
        return;
    const std::string s = rtl::FloatToStrFixed(f, 7, digits);
    cv.TextOut(rtl::RoundPx(xd) - cv.TextWidth(s) / 2, y, s);
}

namespace {

struct TMarkerBox {
    int left, top, right, bottom; // the box
    int tx, ty; // where its number is written
};

TMarkerBox markerBox(TChartCanvas& cv, int d, int ex, int ey, const std::string& label)
{
    const int tw = cv.TextWidth(label);
    const int k = std::max(tw, cv.TextHeight(label));
    const int k2 = k / 2;
    switch (d) {
    case 0:
        return { ex - k2, ey - k, ex + k2, ey, ex - tw / 2, ey - k };
    case 1:
        return { ex, ey - k, ex + k, ey, ex + k2 - tw / 2, ey - k };
    case 2:
        return { ex, ey - k2, ex + k, ey + k2, ex + k2 - tw / 2, ey - k2 };
    case 3:
        return { ex, ey, ex + k, ey + k, ex + k2 - tw / 2, ey };
    case 4:
        return { ex - k2, ey, ex + k2, ey + k, ex - tw / 2, ey };
    case 5:
        return { ex - k, ey, ex, ey + k, ex - k2 - tw / 2, ey };
    case 6:
        return { ex - k, ey - k2, ex, ey + k2, ex - k2 - tw / 2, ey - k2 };
    default:
        return { ex - k, ey - k, ex, ey, ex - k2 - tw / 2, ey - k };
    }
}

} // namespace

void DrawMarkerBox(TChartCanvas& cv, int d, int ex, int ey, const std::string& label)
{
    const TMarkerBox b = markerBox(cv, d, ex, ey, label);
    cv.Rectangle(b.left, b.top, b.right, b.bottom);
    cv.SetBrushStyle(TBrushStyle::bsClear);
    cv.TextOut(b.tx, b.ty, label);
}

int FlagDirectionInPlot(
    TChartCanvas& cv, int d, int x, int y, int L, const std::string& label, int left, int top, int right, int bottom)
{
    const TMarkerBox b = markerBox(cv, d, x + L * kFlagLeader[d][0], y + L * kFlagLeader[d][1], label);
    // The same flag mirrored: up and down swap, or left and right.
    constexpr int kUpDown[8] = { 4, 3, 2, 1, 0, 7, 6, 5 };
    constexpr int kLeftRight[8] = { 0, 7, 6, 5, 4, 3, 2, 1 };
    if (b.top < top || b.bottom > bottom)
        d = kUpDown[d];
    if (b.left < left || b.right > right) {
        d = kLeftRight[d];
        // Straight up or down has no mirror: lean into the plot instead.
        if (d == 0)
            d = b.left < left ? 1 : 7;
        else if (d == 4)
            d = b.left < left ? 3 : 5;
    }
    return d;
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
