#include "EngineTestSupport.h"

#include "monitor/QueuedDisplay.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

namespace veltroma::test {
namespace {

// Records the thread each update arrives on.
class ThreadCheckingDisplay final : public DisplayUpdates {
public:
    void setListText(int, int column, const QString& text) override { note(QString::number(column) + text); }
    void setPowerGauge(double, const QString& label) override { note(label); }
    void setEnergyOdometers(double, double) override { note("odometers"); }
    void setStateLamp(int, ColorRef, const QString& text) override { note(text); }
    void setSlotCaption(int, const QString& caption) override { note(caption); }

    QStringList received;
    bool allOnMainThread = true;

private:
    void note(const QString& what)
    {
        allOnMainThread = allOnMainThread && QThread::currentThread() == qApp->thread();
        received << what;
    }
};

TEST(QueuedDisplayTest, UpdatesFromAWorkerArriveInOrderOnTheContextThread)
{
    QObject context;
    ThreadCheckingDisplay target;
    QueuedDisplay queued(target, &context);

    std::thread worker([&] {
        queued.setListText(0, 3, "1500");
        queued.setPowerGauge(1.5, "1.500kW");
        queued.setEnergyOdometers(12.3, 12345.6);
        queued.setStateLamp(1, kLampGreen, "Normal");
        queued.setSlotCaption(1, "A1B2C3D4E5");
    });
    worker.join();
    EXPECT_TRUE(target.received.isEmpty()); // nothing runs on the worker itself

    QCoreApplication::processEvents();
    EXPECT_EQ(target.received,
              (QStringList{"31500", "1.500kW", "odometers", "Normal", "A1B2C3D4E5"}));
    EXPECT_TRUE(target.allOnMainThread);
}

} // namespace
} // namespace veltroma::test
