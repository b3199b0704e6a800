#include "RecordSnapshot.h"

#include "monitor/DailyRecorder.h"
#include "monitor/HistoryReadTask.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace veltroma::test {
namespace {

// What a task tells its owner, and on which thread.
struct Told {
    std::vector<int> progress;
    std::optional<HistoryReadResult> result;
    int done = 0;
    int ended = 0;
    bool offOwnerThread = false;
};

// A recorded month in a temporary folder, read by tasks on their own threads.
class HistoryReadTaskTest : public ::testing::Test {
protected:
    HistoryReadTaskTest()
    {
        DailyRecorder recorder;
        for (const QTime time : {QTime(9, 0, 0), QTime(9, 3, 0), QTime(9, 6, 0)}) {
            InverterModel m = recordSnapshot(dir_.path() + u'/', QDateTime(QDate(2011, 5, 7), time),
                                             {"350.2", "230.1", "50.01", "1500", "3.4", "120",
                                              "1234.5", "880", "41.5", "Normal"});
            recorder.record(m);
            file_ = m.paths.sWriteExcelPath;
        }
    }

    std::unique_ptr<HistoryReadTask> start(HistoryReadRequest request)
    {
        const auto onOwner = [this] {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                told_.offOwnerThread = true;
        };
        return std::make_unique<HistoryReadTask>(
            std::move(request), context_,
            [this, onOwner](int permille) {
                onOwner();
                told_.progress.push_back(permille);
            },
            [this, onOwner](const HistoryReadResult& result) {
                onOwner();
                ++told_.done;
                told_.result.emplace();
                told_.result->end = result.end;
                told_.result->problem = result.problem;
                told_.result->points = result.points;
            },
            [this, onOwner] {
                onOwner();
                ++told_.ended;
                loop_.quit();
            });
    }

    // Runs the event loop until a task has ended; a task that never ends fails the test
    // after 30 s rather than hanging it.
    void waitForEnd()
    {
        QTimer::singleShot(30000, &loop_, &QEventLoop::quit);
        if (told_.ended == 0)
            loop_.exec();
    }

    QTemporaryDir dir_;
    QString file_;
    QObject context_;
    QEventLoop loop_;
    Told told_;
};

TEST_F(HistoryReadTaskTest, ResultAndProgressArriveOnTheOwnerThread)
{
    auto task = start({file_, QStringLiteral("7"), HistoryReader::Mode::OneDay, false});
    waitForEnd();
    ASSERT_EQ(told_.done, 1);
    EXPECT_EQ(told_.ended, 1);
    EXPECT_TRUE(task->finished());
    EXPECT_FALSE(told_.offOwnerThread);
    EXPECT_EQ(told_.result->end, HistoryReadEnd::Complete);
    EXPECT_EQ(told_.result->points.pointCount(3), static_cast<std::size_t>(3 * kRecordColumns));
    ASSERT_FALSE(told_.progress.empty());
    EXPECT_EQ(told_.progress.back(), 1000);
}

TEST_F(HistoryReadTaskTest, ADestroyedTaskTellsNothing)
{
    start({file_, QStringLiteral("7"), HistoryReader::Mode::OneDay, false}).reset();
    QCoreApplication::processEvents();
    QTimer::singleShot(50, &loop_, &QEventLoop::quit);
    loop_.exec();
    EXPECT_EQ(told_.done + told_.ended, 0);
    EXPECT_TRUE(told_.progress.empty());
}

TEST(HistoryPoints, AChannelOfCountlessPointsIsThinnedKeepingExtremesAndBreaks)
{
    HistoryPoints points;
    constexpr std::size_t kRows = 200'000;
    constexpr std::size_t kPointsPerRow = 12; // a break, then eleven cells
    std::size_t breaks = 0;
    for (std::size_t row = 0; row < kRows; ++row) {
        const double x = static_cast<double>(row);
        points.addPoint(0, x - 0.5, std::numeric_limits<double>::quiet_NaN());
        ++breaks;
        for (std::size_t cell = 1; cell < kPointsPerRow; ++cell)
            points.addPoint(0, x, row == kRows / 2 && cell == 5 ? 1e6 : static_cast<double>(cell));
    }
    points.addPoint(1, 1.0, 2.0);
    ASSERT_LE(points.pointCount(0), HistoryPoints::kMaxPointsPerChannel);
    EXPECT_EQ(points.pointCount(1), 1U);

    struct Collect final : HistoryPlot {
        void addPoint(int channel, double x, double y) override
        {
            if (channel == 0)
                xy.emplace_back(x, y);
        }
        void setXSpan(double) override {}
        void setDateTimeFormat(const QString&) override {}
        std::vector<std::pair<double, double>> xy;
    } plot;
    points.plotInto(plot);
    std::size_t keptBreaks = 0;
    double highest = 0.0;
    for (const auto& [x, y] : plot.xy) {
        keptBreaks += std::isnan(y) ? 1 : 0;
        if (!std::isnan(y))
            highest = std::max(highest, y);
    }
    EXPECT_EQ(keptBreaks, breaks);
    EXPECT_DOUBLE_EQ(highest, 1e6);
    EXPECT_TRUE(std::is_sorted(plot.xy.begin(), plot.xy.end(),
                               [](const auto& a, const auto& b) { return a.first < b.first; }));
}

} // namespace
} // namespace veltroma::test
