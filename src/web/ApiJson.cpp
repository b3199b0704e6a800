#include "web/ApiJson.h"

#include <QJsonDocument>
#include <QTimeZone>

#include <array>
#include <cmath>

namespace veltroma {

namespace {

// The values by Quantity, named as the published state message names them.
constexpr std::array<const char*, kQuantityCount> kValueKeys{
    "dc_voltage",   "ac_voltage",    "frequency",    "ac_power",    "energy_today",
    "minutes_today", "energy_total", "hours_total",  "temperature",
};

constexpr int kStateField = int(kQuantityCount);
constexpr qint64 kMsPerSecond = 1000;

QLatin1StringView valueKey(int q)
{
    return QLatin1StringView(kValueKeys[std::size_t(q)]);
}

QJsonValue numberOrNull(const QString& text)
{
    const auto number = cellNumber(text);
    return number ? QJsonValue(*number) : QJsonValue(QJsonValue::Null);
}

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QLatin1StringView linkStateName(LinkState::Kind kind)
{
    switch (kind) {
    case LinkState::Kind::Alive:
        return QLatin1StringView("alive");
    case LinkState::Kind::Waiting:
        return QLatin1StringView("waiting");
    case LinkState::Kind::Lost:
        return QLatin1StringView("lost");
    case LinkState::Kind::Off:
        break;
    }
    return QLatin1StringView("off");
}

} // namespace

QJsonValue isoTime(const QDateTime& when)
{
    if (!when.isValid())
        return QJsonValue::Null;
    // The date and time as the moment holds them, with the offset that holds for them, always
    // as "+hh:mm" (Qt writes "Z" for a zero one); no conversion, which costs a time zone
    // lookup per row.
    const int offset = when.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QDate d = when.date();
    const QTime t = when.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", d.year(), d.month(), d.day(),
                             t.hour(), t.minute(), t.second(), offset < 0 ? '-' : '+', minutes / 60,
                             minutes % 60);
}

QJsonObject linkJson(const LinkState& state, const QDateTime& since)
{
    const bool lost = state.kind == LinkState::Kind::Lost;
    return {{QStringLiteral("state"), linkStateName(state.kind)},
            {QStringLiteral("since"), isoTime(lost && state.lostSince.isValid() ? state.lostSince : since)},
            {QStringLiteral("reason"), lost ? textOrNull(state.reason) : QJsonValue(QJsonValue::Null)}};
}

QJsonObject recordingJson(const RecordingState& state)
{
    return {{QStringLiteral("failing"), state.failing},
            {QStringLiteral("last_row"), isoTime(state.lastRowAt)},
            {QStringLiteral("kept_rows"), state.keptRows},
            {QStringLiteral("reason"), state.failing ? textOrNull(state.reason) : QJsonValue(QJsonValue::Null)}};
}

QString statusOf(int stateCode)
{
    return statusName(stateCode).value_or(QStringLiteral("unknown"));
}

QJsonObject inverterJson(int slot, const std::optional<Reading>& reading, const QString& serial,
                         bool live, const QDateTime& now)
{
    if (!reading)
        return {{QStringLiteral("slot"), slot},
                {QStringLiteral("serial"), textOrNull(serial)},
                {QStringLiteral("live"), false}};
    QJsonObject values;
    for (int q = 0; q < int(kQuantityCount); ++q) {
        const double shown = reading->shown(static_cast<Quantity>(q));
        values.insert(valueKey(q), std::isfinite(shown) ? QJsonValue(shown) : QJsonValue(QJsonValue::Null));
    }
    const double ageSeconds = double(reading->instant.msecsTo(now)) / double(kMsPerSecond);
    return {{QStringLiteral("slot"), slot},
            {QStringLiteral("serial"), reading->serial},
            {QStringLiteral("model"), reading->model.trimmed()},
            {QStringLiteral("firmware"), reading->firmware.trimmed()},
            {QStringLiteral("time"), isoTime(reading->instant)},
            {QStringLiteral("age_s"), std::max(0.0, ageSeconds)},
            {QStringLiteral("live"), live},
            {QStringLiteral("state"), reading->stateText ? QJsonValue(*reading->stateText)
                                                         : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("state_code"), reading->stateCode},
            {QStringLiteral("fault_word"), qint64(reading->faultWord)},
            {QStringLiteral("status"), statusOf(reading->stateCode)},
            {QStringLiteral("values"), values}};
}

QDateTime rowMoment(const QString& time, const QTimeZone& zone)
{
    // Both forms are local time.
    const QDate date = QDate::fromString(time.left(10), Qt::ISODate);
    if (!date.isValid() || (time.size() != 10 && time.size() != 19))
        return {};
    if (time.size() == 10)
        return date.startOfDay(zone);
    const QTime clock = QTime::fromString(time.mid(11), QStringLiteral("HH:mm:ss"));
    return clock.isValid() && time.at(10) == u'T' ? QDateTime(date, clock, zone) : QDateTime();
}

std::optional<double> cellNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QJsonArray dayRowsJson(const MonthRecords& records)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    QJsonArray rows;
    for (const MonthRecords::Row& row : records.rows) {
        QJsonObject object{{QStringLiteral("time"), isoTime(rowMoment(row.time, zone))}};
        for (int q = 0; q < int(kQuantityCount); ++q)
            object.insert(valueKey(q), numberOrNull(row.fields.value(q)));
        object.insert(QStringLiteral("state"), row.fields.value(kStateField));
        rows.append(object);
    }
    return rows;
}

QJsonArray monthDaysJson(const MonthRecords& records)
{
    struct Day {
        QDate date;
        QString lastEnergy;
        std::optional<double> peakPower;
        int rows = 0;
    };
    const QTimeZone zone = QTimeZone::systemTimeZone();
    std::vector<Day> days;
    for (const MonthRecords::Row& row : records.rows) {
        const QDate date = rowMoment(row.time, zone).date();
        if (!date.isValid())
            continue;
        if (days.empty() || days.back().date != date)
            days.push_back({date, {}, {}, 0});
        Day& day = days.back();
        ++day.rows;
        day.lastEnergy = row.fields.value(index(Quantity::Etoday));
        if (const auto power = cellNumber(row.fields.value(index(Quantity::Pac))))
            day.peakPower = std::max(day.peakPower.value_or(*power), *power);
    }
    QJsonArray out;
    for (const Day& day : days)
        out.append(QJsonObject{
            {QStringLiteral("date"), day.date.toString(Qt::ISODate)},
            {QStringLiteral("energy"), numberOrNull(day.lastEnergy)},
            {QStringLiteral("peak_power"), day.peakPower ? QJsonValue(*day.peakPower) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("rows"), day.rows}});
    return out;
}

QByteArray compact(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace veltroma
