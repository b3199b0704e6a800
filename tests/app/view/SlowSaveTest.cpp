#include "AnsweringLink.h"
#include "ViewTestSupport.h"

#include "instruments/CiSwitchLedX.h"
#include "storage/AtomicFile.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

namespace veltroma::test {
namespace {

// Month files are saved on a thread of their own: a disk that takes two seconds for a save
// (flushing to a busy or sleeping disk) never holds up the window.
TEST(SlowSaveTest, TheWindowKeepsServingEventsWhileASaveTakesTwoSeconds)
{
    FakeLink link(steadyClock(), 30);
    answerEveryRequest(link);
    // Before the form: the saves still waiting when it goes report to it.
    std::atomic<int> saved{0};
    // A record row every second instead of every 180 s; the watchdog as shipped.
    ViewHarness form(link, steadyClock(), nullptr, EngineTimerIntervals{50, 1000, 500});
    QObject::connect(&form.session->events(), &EngineEvents::recordingState,
                     [&saved](const RecordingState& state) {
                         if (!state.failing)
                             ++saved;
                     });
    setSaveFault(SaveFault{0, 0, std::chrono::seconds(2)});

    QTest::mouseClick(form.find<CiSwitchLedX>("m_iSwitchLedX0"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.schedule().recording(); }, 10000));

    // The largest gap between two events of a 5 ms timer while the first save runs. A save
    // on this thread would show as a gap of two seconds; 50 ms leaves room for the refresh
    // every 50 ms on a loaded machine.
    QEventLoop loop;
    QElapsedTimer sinceLast;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceLast.restart());
        if (saved.load() >= 1)
            loop.quit();
    });
    QTimer::singleShot(6000, &loop, &QEventLoop::quit);
    sinceLast.start();
    ticker.start();
    loop.exec();
    ticker.stop();
    setSaveFault(std::nullopt);

    EXPECT_GE(saved.load(), 1);
    EXPECT_LT(longest, 50);
}

} // namespace
} // namespace veltroma::test
