#pragma once

// Pointer input as the charts see it, independent of any widget toolkit.
// The widget shell translates its events into these.

#include <string>

namespace viewer {

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state bits: keys held and buttons held.
enum TShiftBits : unsigned {
    ssShift = 1u,
    ssAlt = 2u,
    ssCtrl = 4u,
    ssLeft = 8u,
    ssRight = 16u,
    ssMiddle = 32u,
    ssDouble = 64u,
};
using TShiftState = unsigned;

// What a chart needs from the control that shows it. The chart model calls
// these; the widget shell implements them. Without a host (tests, printing)
// the chart simply does not repaint.
class TChartHost {
public:
    virtual ~TChartHost() = default;
    // Schedule a repaint.
    virtual void Invalidate() = 0;
    // Repaint at once.
    virtual void PaintNow() = 0;
    // Pop up the control's point menu at a pixel of the control.
    virtual void PopupMenuAt(int x, int y) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // The hover marks moved: show them over the unchanged chart image.
    virtual void HoverMarksChanged() { }
};

} // namespace viewer
