#pragma once

#include "controls/ImageList.h"

#include <QPixmap>
#include <QSize>
#include <QString>

namespace veltroma::artwork {

// The program's own pictures, drawn as SVG and rendered at the size and pixel density
// asked for. The navigation entries come first, in the order of their image indexes.
enum class Art {
    NavMonitor,
    NavSettings,
    NavLink,
    NavHelp,
    NavParameters,
    NavAutoTest,
    NavUpdate,
    ButtonNormal,
    ButtonHover,
    ButtonPressed,
    ButtonDisabled,
    CloseNormal,
    CloseHover,
    ClosePressed,
    StartBackground,
    AppIcon,
};

// Image indexes of the navigation bar's pictures.
inline constexpr int kNavImageCount = 7;

QString ResourcePath(Art art);
QSize NaturalSize(Art art);
// `size` empty: the picture's natural size. `dpr` 0: the application's pixel density.
QPixmap Render(Art art, QSize size = {}, qreal dpr = 0);
// The navigation pictures as one list of `edge` x `edge` images, index 0 = NavMonitor.
ImageList NavigationImages(int edge, qreal dpr = 0);

} // namespace veltroma::artwork
