#include "cli/StatusReport.h"

#include <array>

namespace veltroma {

namespace {

constexpr qint64 kSecondsPerMinute = 60;
constexpr qint64 kSecondsPerHour = 60 * kSecondsPerMinute;
constexpr qint64 kSecondsPerDay = 24 * kSecondsPerHour;
constexpr qint64 kHoursAsDays = 48 * kSecondsPerHour; // from here on an age is told in days
constexpr qsizetype kNameWidth = 14;
constexpr qsizetype kValueWidth = 12;
constexpr std::size_t kValuesPerLine = 3;

struct ValueLabel {
    Quantity quantity;
    const char* name;
    const char* unit;
};

// In the order of the record row, three to a line.
constexpr std::array<ValueLabel, kQuantityCount> kLabels{{
    {Quantity::Vpv, "DC voltage", "V"},
    {Quantity::Vac, "AC voltage", "V"},
    {Quantity::Fac, "frequency", "Hz"},
    {Quantity::Pac, "AC power", "W"},
    {Quantity::Etoday, "energy today", "kWh"},
    {Quantity::Htoday, "minutes today", "min"},
    {Quantity::Etotal, "energy total", "kWh"},
    {Quantity::Htotal, "hours total", "h"},
    {Quantity::Temperature, "temperature", "°C"},
}};

// Texts come from files anyone with access to the folder may have edited: no control
// character reaches the terminal.
QString printable(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = u'?';
    }
    return out;
}

QString column(const QString& text, qsizetype width)
{
    return text.size() < width ? text.leftJustified(width) : text + u' ';
}

QString withUnit(const QString& value, const char* unit)
{
    return value.isEmpty() ? QStringLiteral("-")
                           : printable(value) + u' ' + QString::fromUtf8(unit);
}

QString daylightText()
{
    return QStringLiteral("%1:00 to %2:00")
        .arg(kDaylightFromHour, 2, 10, QLatin1Char('0'))
        .arg(kDaylightUntilHour, 2, 10, QLatin1Char('0'));
}

void appendHeader(QString& out, int slot, const std::optional<LatestRecord>& record)
{
    QString line = QStringLiteral("Inverter %1").arg(slot);
    if (!record) {
        out += line + QStringLiteral("  no records\n");
        return;
    }
    const std::array<std::pair<const char*, const QString*>, 3> cover{
        {{"serial", &record->serial}, {"model", &record->model}, {"version", &record->firmware}}};
    for (const auto& [name, value] : cover) {
        if (!value->isEmpty())
            line += QStringLiteral("  %1 %2").arg(QLatin1String(name), printable(*value));
    }
    out += line + u'\n';
}

void appendRecord(QString& out, const LatestRecord& record, const QDateTime& now)
{
    QString newest = QStringLiteral("  ") + column(QStringLiteral("newest row"), kNameWidth)
                     + record.recordedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                     + QStringLiteral("  ") + ageText(record.recordedAt.secsTo(now));
    if (!record.state.isEmpty())
        newest += QStringLiteral("  ") + printable(record.state);
    out += newest + u'\n';

    const QString today = record.recordedAt.date() == now.date()
                              ? withUnit(record.value(Quantity::Etoday), "kWh")
                              : QStringLiteral("nothing recorded today");
    out += QStringLiteral("  ") + column(QStringLiteral("today"), kNameWidth) + today + u'\n';

    for (std::size_t first = 0; first < kLabels.size(); first += kValuesPerLine) {
        QString line = QStringLiteral("  ");
        for (std::size_t i = first; i < first + kValuesPerLine && i < kLabels.size(); ++i) {
            const ValueLabel& label = kLabels[i];
            line += column(QString::fromUtf8(label.name), kNameWidth)
                    + column(withUnit(record.value(label.quantity), label.unit), kValueWidth);
        }
        out += line.trimmed().prepend(QStringLiteral("  ")) + u'\n';
    }
}

} // namespace

bool isDaylight(const QTime& localTime)
{
    return localTime.isValid() && localTime.hour() >= kDaylightFromHour
           && localTime.hour() < kDaylightUntilHour;
}

Freshness judgeFreshness(const std::optional<QDateTime>& newest, const QDateTime& now)
{
    if (!isDaylight(now.time()))
        return Freshness::Night;
    if (!newest || newest->date() != now.date())
        return Freshness::NoneToday;
    return newest->secsTo(now) > kStaleAfterSeconds ? Freshness::Stale : Freshness::Fresh;
}

QString ageText(qint64 seconds)
{
    if (seconds < 0) {
        const qint64 ahead = -seconds;
        if (ahead < kSecondsPerMinute)
            return QStringLiteral("just now");
        return QStringLiteral("%1 min ahead of this clock")
            .arg((ahead + kSecondsPerMinute - 1) / kSecondsPerMinute);
    }
    if (seconds < kSecondsPerMinute)
        return QStringLiteral("just now");
    if (seconds < kSecondsPerHour)
        return QStringLiteral("%1 min ago").arg(seconds / kSecondsPerMinute);
    if (seconds < kHoursAsDays) {
        return QStringLiteral("%1 h %2 min ago")
            .arg(seconds / kSecondsPerHour)
            .arg(seconds % kSecondsPerHour / kSecondsPerMinute);
    }
    return QStringLiteral("%1 days ago").arg(seconds / kSecondsPerDay);
}

StatusReport statusReport(std::span<const SlotRecords> inverters, const QDateTime& now)
{
    StatusReport report;
    for (const SlotRecords& inverter : inverters) {
        const std::optional<LatestRecord>& record = inverter.search.record;
        appendHeader(report.text, inverter.slot, record);
        for (const QString& problem : inverter.search.problems)
            report.text += QStringLiteral("  ") + printable(problem) + u'\n';
        if (record)
            appendRecord(report.text, *record, now);

        const auto newest = record ? std::optional(record->recordedAt) : std::nullopt;
        switch (judgeFreshness(newest, now)) {
        case Freshness::Stale:
            report.text +=
                QStringLiteral("  LATE: the newest row is older than %1 min in daylight (%2)\n")
                    .arg(kStaleAfterSeconds / kSecondsPerMinute)
                    .arg(daylightText());
            report.code = ExitCode::Failure;
            break;
        case Freshness::NoneToday:
            report.text += QStringLiteral("  LATE: no row recorded today, in daylight (%1)\n")
                               .arg(daylightText());
            report.code = ExitCode::Failure;
            break;
        case Freshness::Fresh:
        case Freshness::Night:
            break;
        }
    }
    return report;
}

} // namespace veltroma
