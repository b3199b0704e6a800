#pragma once

#include <QDateTime>

namespace veltroma {

// The instruments count time in days: the whole part is the day number (day 1 is
// 1899-12-31), the fraction the time of day. Day values are wall-clock values without a
// time zone. The plot keeps its keys in seconds since 1970-01-01 00:00 of the same wall
// clock, shown by a ticker in UTC so that no time-zone shift or daylight-saving jump
// bends the axis.

[[nodiscard]] double dayValueFrom(const QDateTime& wallClock);
// The date and time fields carry the wall clock; the zone is UTC.
[[nodiscard]] QDateTime dateTimeFromDayValue(double days);

[[nodiscard]] double plotKeyFromDayValue(double days);
[[nodiscard]] double dayValueFromPlotKey(double seconds);

// A span in days as a span of plot keys.
[[nodiscard]] double plotSpanFromDays(double days);

} // namespace veltroma
