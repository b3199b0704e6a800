#include "SimLink.h"
#include "SoakClock.h"
#include "SoakTimers.h"

#include "monitor/MonitorSession.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>

namespace veltroma::soak {
namespace {

constexpr std::int64_t kMinuteMs = 60'000;

// The schedule's timers, noting the virtual moment of every tick by the timer's period.
class TickLog final : public ScheduleTimers {
public:
    explicit TickLog(SoakClock& clock) : clock_(clock), inner_(clock) {}

    [[nodiscard]] std::unique_ptr<ScheduleTimer> make(std::int64_t periodMs,
                                                      std::function<void()> tick) override
    {
        return inner_.make(periodMs, [this, periodMs, tick = std::move(tick)] {
            {
                std::lock_guard lock(mutex_);
                ticks_[periodMs].push_back(clock_.nowMs());
            }
            tick();
        });
    }

    [[nodiscard]] std::vector<std::int64_t> ticks(std::int64_t periodMs) const
    {
        std::lock_guard lock(mutex_);
        const auto found = ticks_.find(periodMs);
        return found == ticks_.end() ? std::vector<std::int64_t>{} : found->second;
    }

private:
    SoakClock& clock_;
    SoakTimers inner_;
    mutable std::mutex mutex_;
    std::map<std::int64_t, std::vector<std::int64_t>> ticks_;
};

// Counts the record events that reach the recorder.
struct CountingRecorder final : Recorder {
    RecordingState record(const InverterModel&) override
    {
        ++rows;
        return {};
    }
    std::atomic<int> rows{0};
};

enum class Owner { Window, Headless };

// Differences between neighbouring ticks.
std::vector<std::int64_t> gaps(const std::vector<std::int64_t>& ticks)
{
    std::vector<std::int64_t> result;
    for (std::size_t i = 1; i < ticks.size(); ++i)
        result.push_back(ticks[i] - ticks[i - 1]);
    return result;
}

// One session with the shipped schedule and intervals, in virtual time against the
// simulated inverter at noon, owned as the window owns it (its connect switch turned on
// right after the start) or as the headless logger does (switched on by the first refresh).
// Half an hour passes; from minute 10 to 12 the line is silent.
class SessionScheduleTest : public ::testing::TestWithParam<Owner> {
protected:
    SessionScheduleTest()
    {
        if (GetParam() == Owner::Window)
            session.setRefreshSource([this] {
                return switchedOn.load() ? RefreshState::RealtimeConnected
                                         : RefreshState::RealtimeDisconnected;
            });
        QObject::connect(&session.events(), &EngineEvents::readingDecoded,
                         [this](const Reading&) { lastReplyMs = clock.nowMs(); });
        QObject::connect(&session.events(), &EngineEvents::linkStateChanged,
                         [this](const LinkState& state) {
                             if (state.lost())
                                 losses.push_back({clock.nowMs(), lastReplyMs.load()});
                         });
    }

    void run(std::int64_t forMs)
    {
        clock.addAt(10 * kMinuteMs, [this] { link.setSilent(true); });
        clock.addAt(12 * kMinuteMs, [this] { link.setSilent(false); });
        clock.addAt(forMs, [this] {
            std::lock_guard lock(mutex);
            ended = true;
            wake.notify_all();
        });
        session.start();
        if (GetParam() == Owner::Window) {
            // The user turns "Communication Connect" on.
            switchedOn = true;
            session.engine().OnChangeUseriSwitchLEDX0(true);
        }
        std::unique_lock lock(mutex);
        wake.wait(lock, [this] { return ended; });
        lock.unlock();
        session.stop();
    }

    struct Loss {
        std::int64_t atMs;
        std::int64_t lastReplyMs;
    };

    SoakClock clock{0};
    SimLink link{{clock, [](std::int64_t ms) { return 12 * 3600.0 + ms / 1000.0; }, 7, 1, 12 * 3600.0}};
    QTemporaryDir folder;
    TickLog timers{clock};
    CountingRecorder recorder;
    // Before the session, whose threads write them until it has stopped.
    std::atomic<bool> switchedOn{false};
    std::atomic<std::int64_t> lastReplyMs{-1};
    std::vector<Loss> losses; // taken on the thread whose sleep fires the watchdog
    MonitorSession session{{link, clock, timers, folder.path() + u'/',
                            [](const QString& key) { return key; },
                            [this] { return QDateTime(QDate(2027, 6, 1), QTime(12, 0)).addMSecs(clock.nowMs()); },
                            QStringLiteral("the simulated line"), {}, &recorder}};
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
};

TEST_P(SessionScheduleTest, TicksComeAtTheirIntervalsAndFollowTheLink)
{
    const EngineTimerIntervals shipped;
    run(30 * kMinuteMs);

    // The refresh: once at the start, then every second without a gap.
    const auto refresh = timers.ticks(shipped.refreshMs);
    ASSERT_GE(refresh.size(), 30U * 60U - 1U);
    for (const std::int64_t gap : gaps(refresh))
        ASSERT_EQ(gap, shipped.refreshMs);

    // The silent line is declared lost 40 watchdog ticks after the last reply: 20 s, give or
    // take the half second between two ticks.
    ASSERT_EQ(losses.size(), 1U);
    const std::int64_t silentFor = losses[0].atMs - losses[0].lastReplyMs;
    EXPECT_GT(silentFor, 40 * shipped.watchdogMs - shipped.watchdogMs);
    EXPECT_LE(silentFor, 40 * shipped.watchdogMs + shipped.watchdogMs);

    // The watchdog ticks every 500 ms while it watches: from the first reply to the loss,
    // and again once a reply has come back.
    const auto watchdog = timers.ticks(shipped.watchdogMs);
    int pauses = 0;
    for (const std::int64_t gap : gaps(watchdog)) {
        if (gap != shipped.watchdogMs)
            ++pauses;
    }
    EXPECT_EQ(pauses, 1) << "one pause: from the loss until a reply came again";

    // A record tick every 180 s while recording, none during the loss; every one of them
    // recorded a row.
    const auto record = timers.ticks(shipped.recordingMs);
    ASSERT_GE(record.size(), 8U);
    int restarts = 0;
    for (std::size_t i = 1; i < record.size(); ++i) {
        const std::int64_t gap = record[i] - record[i - 1];
        if (gap == shipped.recordingMs)
            continue;
        ++restarts;
        EXPECT_GT(record[i], losses[0].atMs) << "the period starts over after the loss";
        EXPECT_GT(record[i - 1], losses[0].atMs - shipped.recordingMs);
        EXPECT_LT(record[i - 1], losses[0].atMs);
    }
    EXPECT_EQ(restarts, 1);
    for (const std::int64_t tick : record)
        EXPECT_TRUE(tick < losses[0].atMs || tick > 12 * kMinuteMs) << tick;
    EXPECT_EQ(recorder.rows.load(), int(record.size()));
}

INSTANTIATE_TEST_SUITE_P(BothOwners, SessionScheduleTest,
                         ::testing::Values(Owner::Window, Owner::Headless),
                         [](const auto& info) {
                             return info.param == Owner::Window ? "Window" : "Headless";
                         });

} // namespace
} // namespace veltroma::soak
