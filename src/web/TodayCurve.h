#pragma once

#include <QDate>
#include <QDateTime>

#include <cstddef>
#include <vector>

namespace veltroma {

// One inverter's AC power of today as its readings brought it, point for point. The first
// point of another day starts the curve over; a curve that grows past kMaxPoints keeps every
// other point, so a day of readings costs bounded memory and still covers the whole day.
//
// The session's thread alone uses it.
class TodayCurve {
public:
    // A day of one reading a second, and some room.
    static constexpr std::size_t kMaxPoints = 100'000;

    struct Point {
        QDateTime time;
        double watts = 0;
    };

    void add(const QDateTime& time, double watts);
    // The points of `day`, oldest first; none when the curve holds another day.
    [[nodiscard]] std::vector<Point> pointsOf(const QDate& day) const;

private:
    QDate day_;
    std::vector<Point> points_;
};

} // namespace veltroma
