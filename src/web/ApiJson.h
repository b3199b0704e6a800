#pragma once

#include "monitor/CsvExport.h"
#include "monitor/LinkState.h"
#include "monitor/Reading.h"
#include "monitor/RecordingState.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QTimeZone>

#include <optional>

namespace veltroma {

// The JSON of the web view's API, built from the session's values and from month files read
// back. Pure functions: any thread.

// A moment in ISO 8601 with its offset from UTC ("2026-12-09T10:15:03+01:00"); null for an
// invalid one.
[[nodiscard]] QJsonValue isoTime(const QDateTime& when);

// The link as live, health and the push show it: state, since when, and the reason of a loss.
[[nodiscard]] QJsonObject linkJson(const LinkState& state, const QDateTime& since);

// Where recording stands.
[[nodiscard]] QJsonObject recordingJson(const RecordingState& state);

// "waiting", "normal", "fault" or "unknown" for an inverter's state code.
[[nodiscard]] QString statusOf(int stateCode);

// One inverter of live's list: with its latest reading, or (none) `live` false and no values.
// `serial` names an inverter that has not answered since the start; `now` gives the age.
[[nodiscard]] QJsonObject inverterJson(int slot, const std::optional<Reading>& reading,
                                       const QString& serial, bool live, const QDateTime& now);

// The rows of one day of a month file as /day lists them, oldest first: the time with its
// offset, the nine quantities as numbers (null where a cell holds none) and the state text.
[[nodiscard]] QJsonArray dayRowsJson(const MonthRecords& records);

// The days of a month file that have rows, each with its energy (the day's last energy of
// the day), its highest AC power and its number of rows.
[[nodiscard]] QJsonArray monthDaysJson(const MonthRecords& records);

// The moment of a row's time column ("2026-12-09T10:15:03", or the date alone, which is
// taken as midnight) in the local time zone `zone` (the system's: its rules are read once,
// where local time would ask the C library, which looks at the zone file, for every row);
// invalid for a text that is neither.
[[nodiscard]] QDateTime rowMoment(const QString& time, const QTimeZone& zone);

// A record cell as a number; none when it holds no finite number.
[[nodiscard]] std::optional<double> cellNumber(const QString& text);

// Compact JSON bytes of an object.
[[nodiscard]] QByteArray compact(const QJsonObject& object);

} // namespace veltroma
