// The recorder catching up: 2,000 rows kept in memory while the data folder was unusable
// (about four days of rows every 180 s), written into their day sheets at the first record
// event that can save again.
#include "monitor/DailyRecorder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace veltroma {
namespace {

constexpr int kKeptRows = 2000;
constexpr int kRecordSeconds = 180;

InverterModel reply(const QString& folder, const QDateTime& when)
{
    InverterModel m;
    m.realtimeDecoded = true;
    m.sSerialNums[bInverterAdrNow] = QStringLiteral("A1B2C3D4E5");
    m.paths = LoadDataSet(folder, when, bInverterAdrNow);
    m.NewRow = {m.paths.sExcelColumA, "350.2", "230.1", "50.01", "1500", "3.4", "120", "1234.5", "880", "41.5",
                "Normal"};
    return m;
}

void BM_WriteBacklogOf2000Rows(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir home;
        const QString folder = home.path() + u'/';
        const QString data = folder + QStringLiteral("Data");
        QFile blocker(data);
        if (!blocker.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot block the data folder");
        blocker.close();
        DailyRecorder recorder;
        QDateTime t(QDate(2011, 5, 3), QTime(6, 0, 0));
        for (int i = 0; i < kKeptRows; ++i, t = t.addSecs(kRecordSeconds))
            recorder.record(reply(folder, t));
        QFile::remove(data);
        const InverterModel next = reply(folder, t);
        state.ResumeTiming();

        const RecordingState written = recorder.record(next);

        state.PauseTiming();
        if (written.failing || written.keptRows != 0)
            state.SkipWithError(qPrintable(written.reason));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WriteBacklogOf2000Rows)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace veltroma
