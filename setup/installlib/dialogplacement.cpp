#include "setup/installlib/dialogplacement.h"

#include "platform/rtl/mathx.h"

namespace installlib {

TDialogPlace PlaceDialog(TQuorleDialogPosition Position, int L, int T, int Width, int Height,
    const TScreenMetrics& Screen, TCentreRounding Rounding)
{
    double x = Screen.Width / 2.0 - Width / 2.0;
    double y = Screen.Height / 2.0 - Height / 2.0;
    int cx = static_cast<int>(Rounding == crRound ? rtl::Round(x) : rtl::Trunc(x));
    int cy = static_cast<int>(Rounding == crRound ? rtl::Round(y) : rtl::Trunc(y));
    int right = Screen.Width - Width - L;
    int bottom = Screen.Height - Screen.CaptionHeight - Height - T;
    switch (Position) {
    case qdpCenterLeft:
        return { L, cy + T };
    case qdpCenter:
        return { cx + L, cy + T };
    case qdpCenterRight:
        return { right, cy + T };
    case qdpBottomLeft:
        return { L, bottom };
    case qdpBottomCenter:
        return { cx + L, bottom };
    case qdpBottomRight:
        return { right, bottom };
    case qdpTopLeft:
        return { L, T };
    case qdpTopCenter:
        return { cx + L, T };
    case qdpTopRight:
        return { right, T };
    }
    return { cx + L, cy + T }; // a value outside the enumeration centres
}

TScreenMetrics& DefaultScreenMetrics()
{
    static TScreenMetrics metrics;
    return metrics;
}

} // namespace installlib
