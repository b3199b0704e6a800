#pragma once

#include "cli/ExitCode.h"
#include "monitor/LatestRecord.h"

#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>
#include <span>

namespace veltroma {

// A newest row older than this, in daylight, means the logger or the inverter has stopped:
// rows come every 180 s, so three were missed.
inline constexpr qint64 kStaleAfterSeconds = 10 * 60;

// Daylight, for judging the records, is 07:00 up to 19:00 local time, all year: a simple
// rule that a script can rely on. It does not know the season, so in winter the first and
// last daylight hour may report an inverter that is asleep.
inline constexpr int kDaylightFromHour = 7;
inline constexpr int kDaylightUntilHour = 19;
[[nodiscard]] bool isDaylight(const QTime& localTime);

enum class Freshness {
    Fresh,     // the newest row is today's and at most kStaleAfterSeconds old
    Stale,     // daylight, and the newest row of today is older than that
    NoneToday, // daylight, and no row of today at all
    Night,     // outside daylight: no judgement
};

// How the newest row recorded at `newest` (none: no row at all) stands at local time `now`.
// A row stamped after `now` (the clock was set back) counts as fresh.
[[nodiscard]] Freshness judgeFreshness(const std::optional<QDateTime>& newest,
                                       const QDateTime& now);

// "just now" (under a minute), "3 min ago", "2 h 5 min ago", "4 days ago"; a row ahead of
// the clock reads "12 min ahead of this clock".
[[nodiscard]] QString ageText(qint64 seconds);

// One inverter's slot and what the search of its records found.
struct SlotRecords {
    int slot = 1;
    LatestRecordSearch search;
};

struct StatusReport {
    QString text;                 // a few aligned lines per inverter, each line ending with "\n"
    ExitCode code = ExitCode::Ok; // Failure when any inverter is Stale or NoneToday
};

// The report of the inverters' newest rows at local time `now`. Pure: it reads nothing.
[[nodiscard]] StatusReport statusReport(std::span<const SlotRecords> inverters,
                                        const QDateTime& now);

} // namespace veltroma
