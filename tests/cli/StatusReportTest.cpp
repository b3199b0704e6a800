#include "cli/StatusReport.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

namespace veltroma {
namespace {

QDateTime at(int h, int m, int s = 0, int day = 7)
{
    return QDateTime(QDate(2026, 5, day), QTime(h, m, s));
}

LatestRecord recordAt(const QDateTime& when)
{
    LatestRecord record;
    record.recordedAt = when;
    record.values = {QStringLiteral("312.4"),   QStringLiteral("230.1"), QStringLiteral("50.02"),
                     QStringLiteral("1523"),    QStringLiteral("4.2"),   QStringLiteral("185"),
                     QStringLiteral("12349.8"), QStringLiteral("4099"),  QStringLiteral("41.5")};
    record.state = QStringLiteral("Normal");
    record.serial = QStringLiteral("A1B2C3D4E5");
    record.model = QStringLiteral("VT-3000");
    record.firmware = QStringLiteral("1.07");
    return record;
}

const char* name(Freshness f)
{
    switch (f) {
    case Freshness::Fresh:
        return "fresh";
    case Freshness::Stale:
        return "stale";
    case Freshness::NoneToday:
        return "none today";
    case Freshness::Night:
        return "night";
    }
    return "?";
}

TEST(StatusReport, ARowIsLateInDaylightOnlyAfterTenMinutesOrWhenNoneIsOfToday)
{
    const struct {
        const char* what;
        std::optional<QDateTime> newest;
        QDateTime now;
        Freshness expected;
    } cases[] = {
        {"3 min old at noon", at(11, 57), at(12, 0), Freshness::Fresh},
        {"exactly 10 min old", at(11, 50), at(12, 0), Freshness::Fresh},
        {"a second more", at(11, 49, 59), at(12, 0), Freshness::Stale},
        {"first daylight minute", at(6, 0), at(7, 0), Freshness::Stale},
        {"last daylight minute", at(18, 0), at(18, 59, 59), Freshness::Stale},
        {"yesterday's row, however recent", at(23, 59, 0, 6), at(7, 5), Freshness::NoneToday},
        {"no row at all", std::nullopt, at(12, 0), Freshness::NoneToday},
        {"no row at all before daylight", std::nullopt, at(6, 59, 59), Freshness::Night},
        {"an old row at dusk", at(9, 0), at(19, 0), Freshness::Night},
        {"a row ahead of the clock", at(12, 30), at(12, 0), Freshness::Fresh},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_STREQ(name(judgeFreshness(c.newest, c.now)), name(c.expected));
    }
}

TEST(StatusReport, AgesReadInMinutesHoursAndDays)
{
    const struct {
        qint64 seconds;
        const char* text;
    } cases[] = {
        {0, "just now"},           {59, "just now"},        {60, "1 min ago"},
        {3599, "59 min ago"},      {3600, "1 h 0 min ago"}, {2 * 86400 - 1, "47 h 59 min ago"},
        {2 * 86400, "2 days ago"}, {-30, "just now"},       {-61, "2 min ahead of this clock"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(ageText(c.seconds), QLatin1String(c.text));
    }
}

TEST(StatusReport, EachInverterGetsAlignedLinesAndOneLateInverterFailsTheReport)
{
    std::vector<SlotRecords> inverters(3);
    inverters[0] = {1, {recordAt(at(11, 57)), {}}};
    inverters[1] = {
        2, {recordAt(at(17, 40, 0, 6)), {QStringLiteral("Cannot read 2026-5.xls: damaged")}}};
    inverters[2] = {3, {}};
    const StatusReport report = statusReport(inverters, at(12, 0));
    EXPECT_EQ(report.code, ExitCode::Failure);
    const QStringList lines = report.text.split(u'\n');
    ASSERT_TRUE(report.text.endsWith(u'\n'));

    const QStringList expectedFirst{
        "Inverter 1  serial A1B2C3D4E5  model VT-3000  version 1.07",
        "  newest row    2026-05-07 11:57:00  3 min ago  Normal",
        "  today         4.2 kWh",
        "  DC voltage    312.4 V     AC voltage    230.1 V     frequency     50.02 Hz",
        "  AC power      1523 W      energy today  4.2 kWh     minutes today 185 min",
        "  energy total  12349.8 kWh hours total   4099 h      temperature   41.5 °C",
        "Inverter 2  serial A1B2C3D4E5  model VT-3000  version 1.07",
    };
    EXPECT_EQ(lines.mid(0, expectedFirst.size()), expectedFirst);
    EXPECT_TRUE(report.text.contains("  Cannot read 2026-5.xls: damaged\n"));
    EXPECT_TRUE(report.text.contains("  today         nothing recorded today\n"));
    EXPECT_TRUE(
        report.text.contains("  newest row    2026-05-06 17:40:00  18 h 20 min ago  Normal\n"));
    EXPECT_TRUE(report.text.contains(
        "Inverter 3  no records\n  LATE: no row recorded today, in daylight (07:00 to 19:00)\n"));
    EXPECT_EQ(report.text.count(QStringLiteral("LATE")), 2) << report.text.toStdString();
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 80) << line.toStdString();

    // The same inverters at night are shown, not judged.
    const StatusReport night = statusReport(inverters, at(22, 0));
    EXPECT_EQ(night.code, ExitCode::Ok);
    EXPECT_FALSE(night.text.contains(QStringLiteral("LATE")));
}

TEST(StatusReport, TextsFromTheFilesCannotSendControlCharactersToTheTerminal)
{
    LatestRecord record = recordAt(at(11, 59));
    record.serial = QStringLiteral("A1\x1b]0;owned\aB2");
    record.state = QStringLiteral("Normal\nInverter 9  fine");
    const std::vector<SlotRecords> inverters{{1, {record, {}}}};
    const StatusReport report = statusReport(inverters, at(12, 0));
    EXPECT_EQ(report.code, ExitCode::Ok);
    EXPECT_FALSE(report.text.contains(QChar(0x1b)));
    EXPECT_FALSE(report.text.contains(QChar(0x07)));
    EXPECT_TRUE(report.text.contains("serial A1?]0;owned?B2"));
    EXPECT_TRUE(report.text.contains("Normal?Inverter 9  fine\n"));
}

} // namespace
} // namespace veltroma
