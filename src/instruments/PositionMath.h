#pragma once

#include <QPoint>
#include <Qt>

#include <algorithm>
#include <cmath>
#include <optional>

namespace veltroma {

// The wheel's turn in eighths of a degree: the vertical turn, or else the horizontal one
// (a tilt to the right counts as a turn down).
inline int wheelTurn(QPoint angleDelta)
{
    return angleDelta.y() != 0 ? angleDelta.y() : -angleDelta.x();
}

// Where a key moves a switch of `count` positions that stands at `position`: the arrows one
// step (left and down back, right and up on), Home and End to the ends; nothing for every
// other key. `key` is a Qt::Key; the target may lie outside the range for the switch to clamp.
inline std::optional<int> positionForKey(int key, int position, int count)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        return position - 1;
    case Qt::Key_Right:
    case Qt::Key_Up:
        return position + 1;
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return count - 1;
    default:
        return std::nullopt;
    }
}

// The step a wheel turn of `angleDelta` eighths of a degree adds to what the wheel turned
// before: whole notches (120) come out as steps, the remainder is kept for the next turn,
// so fine-grained touchpads step too.
struct WheelSteps {
    int remainder = 0;

    int take(int angleDelta)
    {
        remainder += angleDelta;
        const int steps = remainder / 120;
        remainder -= steps * 120;
        return steps;
    }
};

// Nearest of `count` evenly spaced positions for a fraction 0..1 along the travel.
inline int nearestPosition(double fraction, int count)
{
    return std::clamp(int(std::lround(fraction * (count - 1))), 0, count - 1);
}

} // namespace veltroma
