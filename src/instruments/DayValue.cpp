#include "instruments/DayValue.h"

#include <cmath>

namespace veltroma {

namespace {

constexpr double kSecondsPerDay = 86400.0;
// Day value of 1970-01-01.
constexpr double kUnixEpochDay = 25569.0;

QDate dayZero()
{
    return QDate(1899, 12, 30);
}

} // namespace

double dayValueFrom(const QDateTime& wallClock)
{
    const double day = double(dayZero().daysTo(wallClock.date()));
    return day + double(wallClock.time().msecsSinceStartOfDay()) / (kSecondsPerDay * 1000.0);
}

QDateTime dateTimeFromDayValue(double days)
{
    const double whole = std::floor(days);
    const auto msecs = qint64(std::llround((days - whole) * kSecondsPerDay * 1000.0));
    return QDateTime(dayZero().addDays(qint64(whole)), QTime(0, 0), Qt::UTC).addMSecs(msecs);
}

double plotKeyFromDayValue(double days)
{
    return (days - kUnixEpochDay) * kSecondsPerDay;
}

double dayValueFromPlotKey(double seconds)
{
    return seconds / kSecondsPerDay + kUnixEpochDay;
}

double plotSpanFromDays(double days)
{
    return days * kSecondsPerDay;
}

} // namespace veltroma
