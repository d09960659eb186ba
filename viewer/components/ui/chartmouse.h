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

} // namespace viewer
