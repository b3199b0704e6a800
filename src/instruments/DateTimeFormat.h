#pragma once

#include <QString>

namespace veltroma {

// Translates an instrument date-time format into a Qt one.
// Instrument tokens, case-insensitive: y (yy, yyyy) year, m (mm, mmm, mmmm) month,
// d (dd, ddd, dddd) day, h (hh) hour, n (nn) minute, s (ss) second, z (zzz) milliseconds,
// am/pm and a/p. Text in single or double quotes and every other character is literal,
// so "2011-5-d h:nn:ss" keeps its leading "2011-5-".
[[nodiscard]] QString qtDateTimeFormat(const QString& instrumentFormat);

} // namespace veltroma
