#include "instruments/ColorRef.h"
#include "instruments/DateTimeFormat.h"
#include "instruments/DayValue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace veltroma {
namespace {

TEST(ColorRef, RedSitsInTheLowestByte)
{
    EXPECT_EQ(colorFromRef(colorRef(0, 255, 0)), QColor(0, 255, 0));
    EXPECT_EQ(colorFromRef(colorRef(255, 128, 0)), QColor(255, 128, 0));
    EXPECT_EQ(colorFromRef(0x00FF8000u), QColor(0, 128, 255));
    EXPECT_EQ(colorFromRef(0x000000FFu), QColor(255, 0, 0));
    // The top byte is no part of the colour.
    EXPECT_EQ(colorFromRef(0xAB0000FFu), QColor(255, 0, 0));
    EXPECT_EQ(colorRefFrom(QColor(0x12, 0x34, 0x56)), 0x00563412u);
}

TEST(DayValue, CountsDaysFromTheEndOf1899)
{
    EXPECT_DOUBLE_EQ(dayValueFrom(QDateTime(QDate(1899, 12, 31), QTime(0, 0))), 1.0);
    EXPECT_DOUBLE_EQ(dayValueFrom(QDateTime(QDate(1970, 1, 1), QTime(12, 0))), 25569.5);
    // 9:5:3 lies 9 + 5/60 + 3/3600 hours into its day.
    const double x = dayValueFrom(QDateTime(QDate(2011, 5, 7), QTime(9, 5, 3)));
    EXPECT_NEAR((x - std::floor(x)) * 24.0, 9.084167, 1e-6);
}

TEST(DayValue, HistoryRowsLandOnTheirDayOfMonth)
{
    // A row of day d is plotted at d + 1 + fraction, which must read as day d at that time.
    const int day = 17;
    const double x = (day + 1) + (12 + 15 / 60.0 + 30 / 3600.0) / 24.0;
    const QDateTime shown = dateTimeFromDayValue(x);
    EXPECT_EQ(shown.date().day(), day);
    EXPECT_EQ(shown.time(), QTime(12, 15, 30));
}

TEST(DayValue, PlotKeysAreWallClockSeconds)
{
    const QDateTime noon(QDate(2024, 3, 31), QTime(12, 0));
    const double key = plotKeyFromDayValue(dayValueFrom(noon));
    // Read back in UTC the key shows the same wall clock, whatever the local zone.
    EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(qint64(std::llround(key * 1000)), Qt::UTC).time(), QTime(12, 0));
    EXPECT_NEAR(dayValueFromPlotKey(key), dayValueFrom(noon), 1e-9);
    EXPECT_DOUBLE_EQ(plotSpanFromDays(0.04), 3456.0);
}

struct FormatCase {
    const char* instrument;
    const char* qt;
    const char* shown; // 2011-05-07 09:05:03.250 in that format
};

class DateTimeFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DateTimeFormatTest, TranslatesAndFormats)
{
    const FormatCase c = GetParam();
    const QString qt = qtDateTimeFormat(QString::fromUtf8(c.instrument));
    EXPECT_EQ(qt, QString::fromUtf8(c.qt));
    const QDateTime when(QDate(2011, 5, 7), QTime(9, 5, 3, 250));
    EXPECT_EQ(QLocale::c().toString(when, qt), QString::fromUtf8(c.shown));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DateTimeFormatTest,
    ::testing::Values(
        FormatCase{"yyyy-m-d h:nn:ss", "yyyy-M-d H:mm:ss", "2011-5-7 9:05:03"},
        FormatCase{"d h:nn:ss", "d H:mm:ss", "7 9:05:03"},
        // The history axis prefixes the file's year and month.
        FormatCase{"2011-5-d h:nn:ss", "2011-5-d H:mm:ss", "2011-5-7 9:05:03"},
        FormatCase{"yy/mm/dd hh:nn", "yy/MM/dd HH:mm", "11/05/07 09:05"},
        FormatCase{"h:nn am/pm", "h:mm ap", "9:05 am"},
        FormatCase{"hh:nn:ss.zzz", "HH:mm:ss.zzz", "09:05:03.250"},
        FormatCase{"mmm d", "MMM d", "May 7"},
        // Literal letters are quoted so that Qt does not read them as fields.
        FormatCase{"\"Day\" d, \"it's\" h", "'Day 'd', it''s 'H", "Day 7, it's 9"},
        FormatCase{"d T", "d' T'", "7 T"}));

} // namespace
} // namespace veltroma
