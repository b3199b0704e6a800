#pragma once

#include <QColor>

#include <cstdint>

namespace veltroma {

// The program passes colours as 0x00BBGGRR values: red in the lowest byte.
[[nodiscard]] QColor colorFromRef(std::uint32_t colorRef);
[[nodiscard]] std::uint32_t colorRefFrom(const QColor& color);

// Builds the 0x00BBGGRR value of red, green and blue components (0..255 each).
[[nodiscard]] constexpr std::uint32_t colorRef(std::uint8_t red, std::uint8_t green,
                                               std::uint8_t blue)
{
    return std::uint32_t{red} | (std::uint32_t{green} << 8) | (std::uint32_t{blue} << 16);
}

} // namespace veltroma
