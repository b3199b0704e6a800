#include "web/TodayCurve.h"

namespace veltroma {

void TodayCurve::add(const QDateTime& time, double watts)
{
    const QDate day = time.toLocalTime().date();
    if (day != day_) {
        points_.clear();
        day_ = day;
    }
    if (points_.size() >= kMaxPoints) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < points_.size(); i += 2)
            points_[kept++] = points_[i];
        points_.resize(kept);
    }
    points_.push_back({time, watts});
}

std::vector<TodayCurve::Point> TodayCurve::pointsOf(const QDate& day) const
{
    return day == day_ ? points_ : std::vector<Point>{};
}

} // namespace veltroma
