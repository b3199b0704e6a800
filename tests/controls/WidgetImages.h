#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSet>
#include <QWidget>

namespace veltroma::test {

inline QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Distinct colours in an image: a blank or single-fill picture has one.
inline int DistinctColours(const QImage& image, int limit = 64)
{
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            seen.insert(image.pixel(x, y));
            if (seen.size() >= limit)
                return static_cast<int>(seen.size());
        }
    }
    return static_cast<int>(seen.size());
}

inline int CountPixels(const QImage& image, const QRect& area, const QColor& colour)
{
    int count = 0;
    const QRect clipped = area.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (image.pixel(x, y) == colour.rgb())
                ++count;
        }
    }
    return count;
}

} // namespace veltroma::test
