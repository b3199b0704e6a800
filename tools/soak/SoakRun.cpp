#include "SoakRun.h"

#include "ProgramRun.h"
#include "SimLink.h"
#include "SoakClock.h"
#include "StorageFaults.h"

#include "config/InverterSlots.h"
#include "monitor/DailyRecorder.h"
#include "monitor/RecordPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>

namespace veltroma::soak {

namespace {

constexpr std::int64_t kDayMs = 86'400'000;
// The simulated sun: up from 6:00 to 19:00 of standard time every day.
constexpr std::int64_t kSunriseMs = static_cast<std::int64_t>(sim::kSunriseSeconds * 1000);
constexpr std::int64_t kSunsetMs = static_cast<std::int64_t>(sim::kSunsetSeconds * 1000);
// About one reply byte in fifty flipped: most replies of a garbled hour fail their checksum.
constexpr int kGarbleOneIn = 50;
// Each further inverter wakes and sleeps this much after the one before, as panels facing a
// little differently do: the slots come back one by one, each assigned again on its own.
constexpr std::int64_t kNightStaggerMs = 4 * 60'000;

std::int64_t faultStartMs(const Fault& fault)
{
    return fault.day * kDayMs + static_cast<std::int64_t>(fault.atSeconds * 1000);
}

std::int64_t faultEndMs(const Fault& fault)
{
    return faultStartMs(fault) + static_cast<std::int64_t>(fault.seconds * 1000);
}

// The day of the run a row belongs to, from its file ("Inverter1/2027-3.xls") and sheet ("14").
std::optional<int> dayOfRow(const RowKey& key, QDate start)
{
    static const QRegularExpression name(QStringLiteral("(?:^|/)(\\d{4})-(\\d{1,2})\\.xls$"));
    const auto match = name.match(key.file);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), key.sheet.toInt());
    if (!date.isValid())
        return std::nullopt;
    return static_cast<int>(start.daysTo(date));
}

std::vector<int> rowsPerDay(const RowCounts& rows, QDate start, int days)
{
    std::vector<int> perDay(static_cast<std::size_t>(days), 0);
    for (const auto& [key, count] : rows) {
        const auto day = dayOfRow(key, start);
        if (day && *day >= 0 && *day < days)
            perDay[static_cast<std::size_t>(*day)] += count;
    }
    return perDay;
}

// Wakes the run's own thread when the program is to stop.
class StopSignal {
public:
    void raise()
    {
        {
            std::lock_guard lock(mutex_);
            raised_ = true;
        }
        wake_.notify_all();
    }
    void waitAndClear()
    {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return raised_; });
        raised_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool raised_ = false;
};

QString unitSerial(SimLink& link, int number)
{
    const sim::SerialNumber& serial = link.unit(std::size_t(number)).inverter.serial();
    return QString::fromLatin1(reinterpret_cast<const char*>(serial.data()),
                               static_cast<qsizetype>(serial.size()));
}

// The bus as the session knows it: with several inverters every unit's serial stands in its
// slot, so each is assigned by serial; one inverter is registered as it always was.
InverterSlots knownSlots(SimLink& link)
{
    InverterSlots bus;
    bus.count = static_cast<int>(link.unitCount());
    if (bus.count == 1)
        return bus;
    for (int slot = 1; slot <= bus.count; ++slot)
        bus.serials[std::size_t(slot)] = unitSerial(link, slot);
    return bus;
}

} // namespace

SoakResult runSoak(const SoakOptions& options)
{
    const auto wallStart = std::chrono::steady_clock::now();
    const std::clock_t processorStart = std::clock();

    QDir().mkpath(options.outFolder);
    const QString programFolder = QDir(options.outFolder).absolutePath() + QLatin1Char('/');

    SoakClock clock(0);
    const QDateTime origin(options.start, QTime(0, 0), QTimeZone(options.timeZone.toUtf8()));
    const auto wallClock = [&clock, origin] { return origin.addMSecs(clock.nowMs()); };

    // The plants keep standard time: the sun does not move with the clock change.
    SimLink link({clock, [](std::int64_t ms) { return ms / 1000.0; }, options.seed,
                  static_cast<std::size_t>(std::clamp(options.inverters, 1, InverterSlots::kMaxCount))});
    const InverterSlots bus = knownSlots(link);

    SoakResult result;
    result.faults = plannedFaults(options.schedule, options.days);
    std::mutex rowsMutex;
    RowCounts expected;
    RowCounts destroyed;

    for (std::size_t unit = 1; unit <= link.unitCount(); ++unit) {
        link.setAsleep(unit, true);
        const auto stagger = static_cast<std::int64_t>(unit - 1) * kNightStaggerMs;
        for (int day = 0; day < options.days; ++day) {
            clock.addAt(day * kDayMs + kSunriseMs + stagger, [&link, unit] { link.setAsleep(unit, false); });
            clock.addAt(day * kDayMs + kSunsetMs + stagger, [&link, unit] { link.setAsleep(unit, true); });
        }
    }

    StopSignal stop;
    // The program that runs now; the damage waits for its saves so that it falls between two.
    std::atomic<ProgramRun*> running{nullptr};
    bool restartDue = false;
    std::int64_t restartAtMs = 0;
    for (const Fault& fault : result.faults) {
        const std::int64_t at = faultStartMs(fault);
        const std::int64_t end = faultEndMs(fault);
        switch (fault.kind) {
        case FaultKind::Replug:
            clock.addAt(at, [&link] { link.unplug(); });
            clock.addAt(end, [&link] { link.plugIn(); });
            break;
        case FaultKind::SilentLink:
            clock.addAt(at, [&link] { link.setSilent(true); });
            clock.addAt(end, [&link] { link.setSilent(false); });
            break;
        case FaultKind::Garble:
            clock.addAt(at, [&link] { link.setGarble(kGarbleOneIn); });
            clock.addAt(end, [&link] { link.setGarble(0); });
            break;
        case FaultKind::DiskFull:
            clock.addAt(at, [] { setDiskFull(true); });
            clock.addAt(end, [] { setDiskFull(false); });
            break;
        case FaultKind::DamagedFile:
            clock.addAt(at, [&, wallClock] {
                if (ProgramRun* run = running.load())
                    run->session().waitUntilSaved();
                const QString path =
                    LoadDataSet(programFolder, wallClock(), bInverterAdrNow).sWriteExcelPath;
                const RowCounts before = rowsOfMonthFile(path);
                if (!damageFile(path))
                    return;
                std::lock_guard lock(rowsMutex);
                for (const auto& [key, count] : before)
                    destroyed[key] += count;
            });
            break;
        case FaultKind::Restart:
            clock.addAt(at, [&, end] {
                restartDue = true;
                restartAtMs = end;
                stop.raise();
            });
            break;
        }
    }
    clock.addAt(options.days * kDayMs, [&stop] { stop.raise(); });

    std::array<int, InverterSlots::kMaxCount + 1> slotLosses{};
    std::array<int, InverterSlots::kMaxCount + 1> assignments{};
    for (;;) {
        DailyRecorder recorder(wallClock);
        ExpectingRecorder expecting(recorder, expected, rowsMutex);
        {
            ProgramRun run({clock, link, programFolder, wallClock, expecting, bus});
            running = &run;
            run.start();
            stop.waitAndClear();
            run.stop();
            running = nullptr;
            result.lossesReported += run.lossesReported();
            result.recordingFailuresReported += run.recordingFailuresReported();
            for (int slot = 1; slot <= bus.count; ++slot) {
                slotLosses[std::size_t(slot)] += run.slotLosses(slot);
                assignments[std::size_t(slot)] += run.assignments(slot);
            }
        }
        if (!std::exchange(restartDue, false))
            break;
        ++result.restarts;
        // The program is down: the rest of the world goes on.
        clock.sleepMs(std::max<std::int64_t>(restartAtMs - clock.nowMs(), 0));
    }
    setDiskFull(false);

    const RowCounts written =
        rowsOnDisk(programFolder + QStringLiteral("Data"), result.unreadableFiles);
    result.expectedPerDay = rowsPerDay(expected, options.start, options.days);
    result.destroyedPerDay = rowsPerDay(destroyed, options.start, options.days);
    // Rows the damage took are no longer expected.
    for (const auto& [key, count] : destroyed) {
        auto found = expected.find(key);
        if (found == expected.end())
            continue;
        const int gone = std::min(count, found->second);
        found->second -= gone;
        result.destroyedByDamage += gone;
        if (found->second == 0)
            expected.erase(found);
    }
    result.rows = compareRows(expected, written);
    result.writtenPerDay = rowsPerDay(written, options.start, options.days);
    for (int slot = 1; slot <= bus.count; ++slot) {
        const RowCounts own = rowsOfSlot(written, slot);
        result.inverters.push_back({unitSerial(link, slot), compareRows(rowsOfSlot(expected, slot), own),
                                    rowsPerDay(own, options.start, options.days),
                                    rowsPerDay(rowsOfSlot(destroyed, slot), options.start, options.days),
                                    slotLosses[std::size_t(slot)], assignments[std::size_t(slot)]});
    }
    const LinkCounters counters = link.health()->snapshot();
    result.reRegistrations = counters.reRegistrations;
    result.reopens = counters.reopens;
    result.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    result.processorSeconds =
        static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC;
    return result;
}

QString summaryTable(const SoakOptions& options, const SoakResult& result)
{
    QString table;
    const auto line = [&table](const QString& name, const QString& value) {
        table += QStringLiteral("| %1 | %2 |\n").arg(name, value);
    };
    const auto number = [](auto value) { return QString::number(value); };
    table += QStringLiteral("| %1 days from %2, %3, seed %4%5 | |\n|---|---|\n")
                 .arg(options.days)
                 .arg(options.start.toString(Qt::ISODate), options.timeZone)
                 .arg(options.seed)
                 .arg(options.inverters > 1 ? QStringLiteral(", %1 inverters").arg(options.inverters)
                                            : QString());
    line(QStringLiteral("rows expected"), number(result.rows.expected));
    line(QStringLiteral("rows written"), number(result.rows.written));
    line(QStringLiteral("rows lost"), number(result.rows.lost));
    line(QStringLiteral("rows invented"), number(result.rows.invented));
    line(QStringLiteral("rows duplicated"), number(result.rows.duplicated));
    if (result.inverters.size() > 1) {
        for (std::size_t i = 0; i < result.inverters.size(); ++i) {
            const InverterFigures& inverter = result.inverters[i];
            line(QStringLiteral("inverter %1 (%2): rows expected / written, lost alone / assigned")
                     .arg(i + 1)
                     .arg(inverter.serial),
                 QStringLiteral("%1 / %2, %3 / %4")
                     .arg(inverter.rows.expected)
                     .arg(inverter.rows.written)
                     .arg(inverter.slotLosses)
                     .arg(inverter.assignments));
        }
    }
    line(QStringLiteral("rows taken by the damaged file"), number(result.destroyedByDamage));
    line(QStringLiteral("unreadable month files"),
         result.unreadableFiles.isEmpty() ? QStringLiteral("none")
                                          : result.unreadableFiles.join(QStringLiteral(", ")));
    line(QStringLiteral("re-registrations"), number(result.reRegistrations));
    line(QStringLiteral("reopens"), number(result.reopens));
    line(QStringLiteral("link losses reported"), number(result.lossesReported));
    line(QStringLiteral("recording failures reported"), number(result.recordingFailuresReported));
    line(QStringLiteral("program restarts"), number(result.restarts));
    line(QStringLiteral("faults"), number(result.faults.size()));
    line(QStringLiteral("wall time"), QStringLiteral("%1 s").arg(result.wallSeconds, 0, 'f', 1));
    line(QStringLiteral("processor time"),
         QStringLiteral("%1 s").arg(result.processorSeconds, 0, 'f', 1));
    line(QStringLiteral("rows per second"),
         number(qRound64(static_cast<double>(result.rows.written)
                         / std::max(result.wallSeconds, 1e-3))));
    line(QStringLiteral("verdict"), result.passed() ? QStringLiteral("pass") : QStringLiteral("FAIL"));
    return table;
}

} // namespace veltroma::soak
