#pragma once
// Mouse-button and shift-state numbers of the controls' events: buttons 1 left, 2 right,
// 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt (added together).
#include <Qt>

namespace imaging {

inline int buttonCode(Qt::MouseButtons b) {
    return (b.testFlag(Qt::LeftButton) ? 1 : 0) | (b.testFlag(Qt::RightButton) ? 2 : 0) |
           (b.testFlag(Qt::MiddleButton) ? 4 : 0);
}

inline int shiftCode(Qt::KeyboardModifiers m) {
    return (m.testFlag(Qt::ShiftModifier) ? 1 : 0) | (m.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (m.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace imaging
