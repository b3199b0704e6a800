#include "LanguageLookup.h"

#include "app/view/StatusLine.h"
#include "monitor/EngineEvents.h"

#include <QCoreApplication>
#include <QHash>

#include <thread>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// The status line's words for each link and recording state, with the wall clock at a
// fixed time of 8 December 2026; its own words are English.
class StatusLineTest : public ::testing::Test {
protected:
    QString english() const { return line.text(); }
    QString chinese() const { return line.text(embeddedLanguage(kSimplifiedChineseFileId)); }
    QString traditional() const { return line.text(embeddedLanguage(kTraditionalChineseFileId)); }

    QDateTime now{QDate(2026, 12, 8), QTime(10, 15, 0)};
    StatusLine line{embeddedLanguage(kEnglishFileId), [this] { return now; }};
};

TEST_F(StatusLineTest, FollowsTheLinkFromWaitingToAliveToLostAndBack)
{
    using Kind = LinkState::Kind;
    line.refresh(QStringLiteral("COM1"), false, {}, {});
    EXPECT_TRUE(english().startsWith(QStringLiteral("COM1 · not connected  |  no row recorded yet")))
        << english().toStdString();

    line.refresh(QStringLiteral("COM1"), true, {Kind::Waiting}, {});
    EXPECT_TRUE(english().contains(QStringLiteral("waiting for the inverter")));
    line.refresh(QStringLiteral("COM1"), true, {Kind::Alive}, {});
    EXPECT_TRUE(english().contains(QStringLiteral("COM1 · link alive")));

    const LinkState lost{Kind::Lost, now.addSecs(60), QStringLiteral("no reply for 20 s")};
    now = now.addSecs(60);
    LinkCounters counters;
    counters.lastError = QStringLiteral("timeout");
    counters.lastErrorTime = now.addSecs(-5);
    line.refresh(QStringLiteral("COM1"), true, lost, counters);
    EXPECT_TRUE(english().contains(QStringLiteral("link lost since 10:16:00 (no reply for 20 s)")))
        << english().toStdString();
    EXPECT_TRUE(english().contains(QStringLiteral("last error timeout at 10:15:55")));
    EXPECT_TRUE(chinese().contains(QStringLiteral("通讯中断，自 10:16:00（no reply for 20 s）")))
        << chinese().toStdString();

    // After midnight the time of the loss carries its date.
    now = QDateTime(QDate(2026, 12, 9), QTime(0, 5, 0));
    EXPECT_TRUE(english().contains(QStringLiteral("since 2026-12-08 10:16:00")));

    // The switch is what the user sees: off, the line says so whatever the engine still holds.
    line.refresh(QStringLiteral("COM1"), false, lost, counters);
    EXPECT_TRUE(english().contains(QStringLiteral("not connected")));
    line.refresh(QStringLiteral("COM1"), true, {Kind::Off}, counters);
    EXPECT_TRUE(english().contains(QStringLiteral("not connected")));
}

TEST_F(StatusLineTest, ShowsTheFailureUntilASaveSucceedsAndKeepsTheLatestNotice)
{
    line.refresh(QStringLiteral("/dev/ttyUSB0"), true, {LinkState::Kind::Alive}, {});
    RecordingState ok;
    ok.lastRowAt = QDateTime(QDate(2026, 12, 8), QTime(10, 12, 0));
    line.recording(ok);
    EXPECT_TRUE(english().endsWith(QStringLiteral("|  last row recorded 10:12:00"))) << english().toStdString();

    RecordingState failed = ok;
    failed.failing = true;
    failed.reason = QStringLiteral("No space left on device");
    failed.keptRows = 3;
    line.recording(failed);
    EXPECT_TRUE(english().contains(QStringLiteral("Recording failed: No space left on device · 3 rows kept in memory")))
        << english().toStdString();
    EXPECT_TRUE(chinese().contains(QStringLiteral("记录失败：No space left on device")));
    EXPECT_TRUE(traditional().contains(QStringLiteral("記錄失敗：No space left on device · 3 行暫存於記憶體")))
        << traditional().toStdString();

    ok.notices.push_back({RecordingNotice::Kind::KeptAside, QStringLiteral("/pv/Data/Inverter1/2026-12.xls"),
                          QStringLiteral("/pv/Data/Inverter1/2026-12.unreadable-20261208-101500.xls")});
    line.recording(ok);
    EXPECT_FALSE(english().contains(QStringLiteral("failed")));
    EXPECT_TRUE(english().contains(
        QStringLiteral("2026-12.xls was unreadable, kept as 2026-12.unreadable-20261208-101500.xls")));
    ok.notices.clear();
    line.recording(ok);
    EXPECT_TRUE(english().contains(QStringLiteral("kept as"))) << "a notice stays until another one";
}

TEST_F(StatusLineTest, HearsTheRecordingEventsOfTheSaveThread)
{
    EngineEvents events;
    line.listenTo(events);
    RecordingState state;
    state.failing = true;
    state.reason = QStringLiteral("read-only");
    std::thread saveThread([&] { emit events.recordingState(state); });
    saveThread.join();
    EXPECT_FALSE(english().contains(QStringLiteral("Recording failed"))) << "delivered on its own thread";
    QCoreApplication::processEvents();
    EXPECT_TRUE(english().contains(QStringLiteral("Recording failed: read-only")));
}

TEST(StatusLineWords, AreLookedUpOnceEachAndTheLineStillFollowsEveryChange)
{
    const TextLookup english = embeddedLanguage(kEnglishFileId);
    QHash<QString, int> lookups;
    QDateTime now(QDate(2026, 12, 8), QTime(10, 15, 0));
    StatusLine line(
        [&](const QString& key) {
            ++lookups[key];
            return english(key);
        },
        [&] { return now; });
    line.refresh(QStringLiteral("COM1"), true, {LinkState::Kind::Alive}, {});
    RecordingState state;
    state.lastRowAt = QDateTime(QDate(2026, 12, 8), QTime(10, 12, 0));
    line.recording(state);
    EXPECT_TRUE(line.text().endsWith(QStringLiteral("COM1 · link alive  |  last row recorded 10:12:00")))
        << line.text().toStdString();

    // The next second the same words: the language file is not asked again, yet the line
    // follows the port and the rows.
    state.lastRowAt = state.lastRowAt.addSecs(180);
    line.recording(state);
    line.refresh(QStringLiteral("/dev/ttyUSB0"), true, {LinkState::Kind::Alive}, {});
    EXPECT_EQ(line.text(), QStringLiteral("/dev/ttyUSB0 · link alive  |  last row recorded 10:15:00"));
    EXPECT_EQ(lookups.value(QStringLiteral("IDC_STATUS_LINKALIVE")), 1);
    EXPECT_EQ(lookups.value(QStringLiteral("IDC_STATUS_LASTROW")), 1);

    // A word not needed before is looked up when first needed.
    line.refresh(QStringLiteral("/dev/ttyUSB0"), true, {LinkState::Kind::Lost, now, QStringLiteral("no reply")}, {});
    EXPECT_TRUE(line.text().contains(QStringLiteral("link lost since 10:15:00 (no reply)")));
    EXPECT_EQ(lookups.value(QStringLiteral("IDC_STATUS_LINKLOST")), 1);
}

} // namespace
} // namespace veltroma::test
