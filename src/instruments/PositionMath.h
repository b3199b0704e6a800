#pragma once

#include <algorithm>
#include <cmath>

namespace veltroma {

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
