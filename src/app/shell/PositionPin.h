#pragma once

#include <QPoint>
#include <QRect>

#include <algorithm>

namespace veltroma {

// Where the main window opens and how large it is, outer frame included, in screen
// coordinates. The size is fixed; the user may move the window.
inline constexpr QRect kMainFramePin{100, 40, 1156, 650};

// The top-left corner of the outer frame on a screen whose free area is `available`: the
// usual place when the whole window fits there, otherwise centred on the free area, never
// with the title bar above or left of it, so the window can always be grabbed and moved.
[[nodiscard]] inline QPoint mainFrameOpening(const QRect& available)
{
    QRect usual = kMainFramePin;
    if (available.contains(usual))
        return usual.topLeft();
    usual.moveCenter(available.center());
    return {std::max(usual.left(), available.left()), std::max(usual.top(), available.top())};
}

} // namespace veltroma
