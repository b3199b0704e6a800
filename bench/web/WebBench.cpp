// The web view's answers as a page asks for them, through WebHub::respond on the session's
// thread: a recorded day of 480 rows (a row every 180 s) from a month file full of such days,
// the month's summary, and the metrics of six inverters. The day should answer within
// 100 ms, the metrics within 50 ms.
#include "monitor/DailyRecorder.h"
#include "monitor/MonitorSession.h"
#include "support/FakeLink.h"
#include "support/VirtualClock.h"
#include "support/VirtualTimers.h"
#include "web/WebHub.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace veltroma {
namespace {

constexpr int kRowsPerDay = 480;
constexpr int kRecordSeconds = 180;
constexpr int kDaysPerWrite = 7; // within what the recorder keeps while it cannot write
constexpr int kDays = 31;
const QDate kMonth(2026, 12, 1);
const QDateTime kNow(QDate(2026, 12, 31), QTime(23, 59));

QStringList row(const QDateTime& when, int i)
{
    const QTime t = when.time();
    return {QStringLiteral("%1:%2:%3").arg(t.hour()).arg(t.minute()).arg(t.second()),
            QString::number(300.0 + (i % 500) * 0.1, 'f', 1), "230.1", "50.01",
            QString::number((i * 37) % 3100), QString::number((i % kRowsPerDay) * 0.1, 'f', 1),
            QString::number(i % kRowsPerDay), QString::number(5000.0 + i * 0.1, 'f', 1),
            QString::number(900 + i / 20), "41.5", "Normal"};
}

// Writes the rows of `days` days at once, as the recorder does when it catches up.
void writeDays(const QString& folder, int firstDay, int days, int& index)
{
    // The rows wait while a file stands where the data folder goes.
    const QString data = folder + QStringLiteral("Data");
    const QString aside = folder + QStringLiteral("Data.aside");
    QDir().rename(data, aside);
    QFile blocker(data);
    if (!blocker.open(QIODevice::WriteOnly))
        return;
    blocker.close();
    DailyRecorder recorder;
    InverterModel model;
    model.realtimeDecoded = true;
    model.sSerialNums[1] = QStringLiteral("A1B2C3D4E5");
    const QDateTime first(kMonth.addDays(firstDay - 1), QTime(0, 0, 1));
    const int rows = days * kRowsPerDay;
    for (int i = 0; i < rows; ++i) {
        if (i == rows - 1) {
            QFile::remove(data);
            QDir().rename(aside, data);
        }
        const QDateTime when = first.addSecs(qint64(i) * kRecordSeconds);
        model.paths = LoadDataSet(folder, when, 1);
        model.NewRow = row(when, index++);
        recorder.record(model);
    }
}

// A program folder whose inverters 1..6 have a whole month of rows each (all six share the
// one written file), and a hub on a session of it that never starts.
struct Plant {
    Plant()
    {
        int index = 0;
        for (int day = 1; day <= kDays; day += kDaysPerWrite)
            writeDays(folder(), day, std::min(kDaysPerWrite, kDays - day + 1), index);
        const QString file = folder() + QStringLiteral("Data/Inverter1/2026-12.xls");
        for (int slot = 2; slot <= InverterSlots::kMaxCount; ++slot) {
            const QString other = folder() + QStringLiteral("Data/Inverter%1/").arg(slot);
            QDir().mkpath(other);
            QFile::copy(file, other + QStringLiteral("2026-12.xls"));
        }
        bus.count = InverterSlots::kMaxCount;
        session = std::make_unique<MonitorSession>(MonitorSession::Setup{
            link, clock, timers, folder(), [](const QString& key) { return key; }, [] { return kNow; },
            {}, {}, nullptr, bus});
        hub = std::make_unique<WebHub>(*session, WebHub::Setup{"/dev/ttyUSB0", "3.00", {}, {}, [] { return kNow; }});
        // A reading of every inverter, as the engine reports them.
        for (int slot = 1; slot <= InverterSlots::kMaxCount; ++slot) {
            Reading reading;
            reading.instant = kNow.addSecs(-1);
            reading.slot = slot;
            reading.values = {340.0F, 230.1F, 50.0F, 950.0F, 3.2F, 312.0F, 1234.5F, 812.0F, 41.2F};
            reading.carried.fill(true);
            reading.stateCode = 1;
            reading.stateText = QStringLiteral("Normal");
            reading.serial = QStringLiteral("A1B2C3D4E%1").arg(slot);
            emit session->events().readingDecoded(reading);
        }
        QCoreApplication::processEvents();
    }

    QString folder() const { return home.path() + u'/'; }

    QTemporaryDir home;
    test::VirtualClock clock;
    test::FakeLink link{clock};
    test::VirtualTimers timers;
    InverterSlots bus;
    std::unique_ptr<MonitorSession> session;
    std::unique_ptr<WebHub> hub;
};

Plant& plant()
{
    static Plant made;
    return made;
}

WebRequest get(const QString& path, const QString& query)
{
    return {"GET", path, QUrlQuery(query), {}, {}};
}

void check(benchmark::State& state, const WebResponse& response, qsizetype atLeast)
{
    if (response.status != 200 || response.body.size() < atLeast)
        state.SkipWithError(response.body.left(200).constData());
}

// Every request a day the hub has not read yet: each inverter and day in turn.
void BM_DayOfAFullMonthFile(benchmark::State& state)
{
    Plant& p = plant();
    int n = 0;
    for (auto _ : state) {
        const int slot = 1 + n % InverterSlots::kMaxCount;
        const int day = 1 + (n / InverterSlots::kMaxCount) % kDays;
        ++n;
        const WebResponse response = p.hub->respond(get(
            "/api/v1/day", QStringLiteral("inverter=%1&date=2026-12-%2").arg(slot).arg(day, 2, 10, QChar(u'0'))));
        check(state, response, kRowsPerDay * 100);
    }
}
BENCHMARK(BM_DayOfAFullMonthFile)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same day again, as a page that reloads asks for it.
void BM_DayAskedAgain(benchmark::State& state)
{
    Plant& p = plant();
    for (auto _ : state)
        check(state, p.hub->respond(get("/api/v1/day", "inverter=1&date=2026-12-15")), kRowsPerDay * 100);
}
BENCHMARK(BM_DayAskedAgain)->Unit(benchmark::kMillisecond);

// A month the hub has not read yet: each inverter in turn, the file touched in between.
void BM_MonthOfAFullMonthFile(benchmark::State& state)
{
    Plant& p = plant();
    int n = 0;
    for (auto _ : state) {
        const int slot = 1 + n++ % InverterSlots::kMaxCount;
        const WebResponse response =
            p.hub->respond(get("/api/v1/month", QStringLiteral("inverter=%1&month=2026-12").arg(slot)));
        check(state, response, kDays * 50);
    }
}
BENCHMARK(BM_MonthOfAFullMonthFile)->Unit(benchmark::kMillisecond)->Iterations(6);

// A day of a month the hub has read whole (the history page asks for the month first).
void BM_DayOfAMonthHeld(benchmark::State& state)
{
    Plant& p = plant();
    check(state, p.hub->respond(get("/api/v1/month", "inverter=2&month=2026-12")), kDays * 50);
    int n = 0;
    for (auto _ : state) {
        const int day = 1 + n++ % kDays;
        const WebResponse response = p.hub->respond(
            get("/api/v1/day", QStringLiteral("inverter=2&date=2026-12-%1").arg(day, 2, 10, QChar(u'0'))));
        check(state, response, kRowsPerDay * 100);
    }
}
BENCHMARK(BM_DayOfAMonthHeld)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Metrics(benchmark::State& state)
{
    Plant& p = plant();
    for (auto _ : state)
        check(state, p.hub->respond(get("/metrics", {})), 1000);
}
BENCHMARK(BM_Metrics)->Unit(benchmark::kMillisecond);

void BM_Live(benchmark::State& state)
{
    Plant& p = plant();
    for (auto _ : state)
        check(state, p.hub->respond(get("/api/v1/live", {})), 1000);
}
BENCHMARK(BM_Live)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace veltroma
