#pragma once

// Qt mouse events in the charts' own terms (shift state and button).

#include "viewer/components/chartinput.h"

#include <QMouseEvent>

namespace viewer {

inline TShiftState ShiftOfMouse(const QMouseEvent* e)
{
    TShiftState s = 0;
    const Qt::KeyboardModifiers m = e->modifiers();
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    const Qt::MouseButtons b = e->buttons();
    if (b & Qt::LeftButton)
        s |= ssLeft;
    if (b & Qt::RightButton)
        s |= ssRight;
    if (b & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

// False for a button the charts do not use.
inline bool ButtonOfMouse(const QMouseEvent* e, TMouseButton& button)
{
    switch (e->button()) {
    case Qt::LeftButton:
        button = TMouseButton::mbLeft;
        return true;
    case Qt::RightButton:
        button = TMouseButton::mbRight;
        return true;
    case Qt::MiddleButton:
        button = TMouseButton::mbMiddle;
        return true;
    default:
        return false;
    }
}

// A widget's mouse events passed on to its chart (Smith or XY), which takes
// the button, the shift state and the position in pixels.
template <class Chart> void ForwardMousePress(Chart& chart, const QMouseEvent* e)
{
    TMouseButton button;
    if (!ButtonOfMouse(e, button))
        return;
    const QPoint p = e->position().toPoint();
    chart.MouseDown(button, ShiftOfMouse(e), p.x(), p.y());
}

template <class Chart> void ForwardMouseMove(Chart& chart, const QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    chart.MouseMove(ShiftOfMouse(e), p.x(), p.y());
}

template <class Chart> void ForwardMouseRelease(Chart& chart, const QMouseEvent* e)
{
    TMouseButton button;
    if (!ButtonOfMouse(e, button))
        return;
    const QPoint p = e->position().toPoint();
    chart.MouseUp(button, ShiftOfMouse(e), p.x(), p.y());
}

} // namespace viewer
