#include "instruments/ColorRef.h"

namespace veltroma {

QColor colorFromRef(std::uint32_t colorRef)
{
    // The top byte is not part of the colour and is ignored.
    return QColor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

std::uint32_t colorRefFrom(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return colorRef(std::uint8_t(rgb.red()), std::uint8_t(rgb.green()), std::uint8_t(rgb.blue()));
}

} // namespace veltroma
