#include "instruments/CiThreadTimersX.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace veltroma {
namespace {

TEST(ThreadTimers, EachTimerKeepsItsOwnIntervalAndSwitch)
{
    CiThreadTimersX timers;
    timers.SetInterval1(1000);
    timers.SetInterval2(180000);
    timers.SetInterval3(500);
    EXPECT_EQ(timers.interval(0), 1000);
    EXPECT_EQ(timers.interval(1), 180000);
    EXPECT_EQ(timers.interval(2), 500);
    timers.SetEnabled1(true);
    EXPECT_TRUE(timers.enabled(0));
    EXPECT_FALSE(timers.enabled(1));
    EXPECT_FALSE(timers.enabled(2));
    timers.SetEnabled1(false);
    EXPECT_FALSE(timers.enabled(0));
}

TEST(ThreadTimers, FireOnTheOwnersThreadOnlyWhileEnabled)
{
    CiThreadTimersX timers;
    QSignalSpy one(&timers, &CiThreadTimersX::timer1);
    QSignalSpy three(&timers, &CiThreadTimersX::timer3);
    Qt::HANDLE firedOn = nullptr;
    QObject::connect(&timers, &CiThreadTimersX::timer3, [&] { firedOn = QThread::currentThreadId(); });
    timers.SetInterval1(20);
    timers.SetInterval3(20);
    timers.SetEnabled3(true);
    QTest::qWait(150);
    EXPECT_GE(three.count(), 3);
    EXPECT_EQ(one.count(), 0);
    EXPECT_EQ(firedOn, QThread::currentThreadId());
    timers.SetEnabled3(false);
    const auto stoppedAt = three.count();
    QTest::qWait(80);
    EXPECT_EQ(three.count(), stoppedAt);
}

TEST(ThreadTimers, EnablingARunningTimerDoesNotRestartIt)
{
    // The refresh enables the recording timer every second; if that restarted the
    // 180-second period, no row would ever be recorded.
    CiThreadTimersX timers;
    QSignalSpy two(&timers, &CiThreadTimersX::timer2);
    timers.SetInterval2(100);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 450) {
        timers.SetEnabled2(true);
        QTest::qWait(25);
    }
    EXPECT_GE(two.count(), 2);
}

TEST(ThreadTimers, AHandlerStillRunningIsNotEnteredAgain)
{
    // A handler that shows a message box runs a nested event loop; the timer keeps going
    // but must not call the handler again inside it.
    CiThreadTimersX timers;
    int depth = 0;
    int deepest = 0;
    int calls = 0;
    QObject::connect(&timers, &CiThreadTimersX::timer1, [&] {
        ++calls;
        deepest = std::max(deepest, ++depth);
        if (calls == 1) {
            QEventLoop nested;
            QTimer::singleShot(120, &nested, &QEventLoop::quit);
            nested.exec();
        }
        --depth;
    });
    timers.SetInterval1(15);
    timers.SetEnabled1(true);
    QTest::qWait(250);
    EXPECT_EQ(deepest, 1);
    EXPECT_GE(calls, 2); // it goes on once the handler has returned
}

TEST(ThreadTimers, MayBeSwitchedOnFromAWorkerThread)
{
    // The worker enables the watchdog after each valid reply.
    CiThreadTimersX timers;
    QSignalSpy three(&timers, &CiThreadTimersX::timer3);
    timers.SetInterval3(10);
    std::thread worker([&] { timers.SetEnabled3(true); });
    worker.join();
    EXPECT_TRUE(three.wait(500));
    EXPECT_TRUE(timers.enabled(2));
}

} // namespace
} // namespace veltroma
