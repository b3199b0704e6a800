#include "web/TodayCurve.h"
#include "web/WebEventLog.h"

#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

const QDate kDay(2026, 12, 9);

TEST(TodayCurveTest, StartsOverOnANewDayAndStaysBoundedOverAWholeDay)
{
    TodayCurve curve;
    curve.add(QDateTime(kDay.addDays(-1), QTime(23, 59, 59)), 10);
    curve.add(QDateTime(kDay, QTime(0, 0, 1)), 20);
    ASSERT_EQ(curve.pointsOf(kDay).size(), 1U);
    EXPECT_EQ(curve.pointsOf(kDay)[0].watts, 20);
    EXPECT_TRUE(curve.pointsOf(kDay.addDays(-1)).empty()) << "yesterday is gone at midnight";

    // Two readings a second (two exchanges a cycle) for a whole day.
    const QDateTime midnight(kDay, QTime(0, 0));
    for (int ms = 1000; ms < 24 * 3600 * 1000; ms += 500)
        curve.add(midnight.addMSecs(ms), ms / 1000.0);
    const auto points = curve.pointsOf(kDay);
    EXPECT_LE(points.size(), TodayCurve::kMaxPoints);
    EXPECT_GT(points.size(), TodayCurve::kMaxPoints / 2);
    // Still the whole day, in order.
    EXPECT_EQ(points.front().time, QDateTime(kDay, QTime(0, 0, 1)));
    EXPECT_EQ(points.back().time, midnight.addMSecs(24 * 3600 * 1000 - 500));
    EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                               [](const auto& a, const auto& b) { return a.time < b.time; }));
}

TEST(WebEventLogTest, KeepsTheNewestEventsWithRisingIds)
{
    WebEventLog log;
    const QDateTime t(kDay, QTime(12, 0));
    for (int i = 0; i < 520; ++i)
        log.add(t.addSecs(i), WebEvent::Kind::SlotLost, 2, QStringLiteral("lost %1").arg(i));
    ASSERT_EQ(log.events().size(), WebEventLog::kHeldEvents);
    EXPECT_EQ(log.events().front().id, 21U);
    EXPECT_EQ(log.events().back().id, 520U);

    const QJsonArray after = log.jsonAfter(518);
    ASSERT_EQ(after.size(), 2);
    const QJsonObject event = after[0].toObject();
    EXPECT_EQ(event["id"].toInteger(), 519);
    EXPECT_EQ(event["kind"].toString(), "slot_lost");
    EXPECT_EQ(event["slot"].toInt(), 2);
    EXPECT_EQ(event["text"].toString(), "lost 518");
    EXPECT_EQ(QDateTime::fromString(event["time"].toString(), Qt::ISODate), t.addSecs(518));
    EXPECT_EQ(log.jsonAfter(0).size(), qsizetype(WebEventLog::kHeldEvents));
}

TEST(PushHistoryTest, AClientComingBackGetsWhatItMissedOrEverythingHeld)
{
    PushHistory history;
    for (int i = 0; i < 250; ++i)
        history.add("reading", QByteArray::number(i));
    const auto ids = [](const std::vector<ServerSentEvent>& events) {
        std::vector<quint64> out;
        for (const auto& e : events)
            out.push_back(*e.id);
        return out;
    };
    EXPECT_EQ(ids(history.after(247)), (std::vector<quint64>{248, 249, 250}));
    EXPECT_TRUE(history.after(250).empty()) << "up to date";
    // Pushed out meanwhile, or an id of an earlier run of the program: all that is held.
    EXPECT_EQ(history.after(10).size(), PushHistory::kHeldEvents);
    EXPECT_EQ(history.after(900).size(), PushHistory::kHeldEvents);
    EXPECT_EQ(history.after(50).front().id, 51U) << "the oldest held follows right on";
}

} // namespace
} // namespace veltroma
