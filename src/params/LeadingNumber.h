#pragma once

#include <QStringView>

namespace veltroma {

// Numbers typed into a grid cell are read the forgiving way the C library's atoi and atof
// read them: leading white space is skipped, the longest number at the start is taken and
// the rest ignored, and text that starts with no number reads as 0. Unlike those functions
// the reading never depends on the process locale, never overflows and never yields a
// non-finite value.

// An optional sign and decimal digits; held at the limits of int.
[[nodiscard]] int LeadingInt(QStringView text);

// An optional sign, digits with an optional decimal point and an optional exponent.
// A number too large for a double reads as the largest double of its sign, a number too
// small as 0.
[[nodiscard]] double LeadingDouble(QStringView text);

} // namespace veltroma
