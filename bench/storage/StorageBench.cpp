// A full month record file (the cover and 31 day sheets of 480 rows of 11 cells): inserting
// one row and saving, and reading the whole month back into plot points, set beside python's
// xlrd reading the same file. And reading every sheet of a file as CSV export and history
// review do, for that month and for files made to exhaust the readers.
#include "storage/HostileWorkbooks.h"
#include "storage/ReadEverySheet.h"
#include "storage/RecordRows.h"

#include "storage/CSpreadSheet.h"
#include "storage/NumberText.h"
#include "storage/RecordTemplate.h"
#include "storage/RowBatch.h"
#include "storage/SheetReader.h"
#include "storage/WorkbookStore.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <optional>
#include <vector>

namespace veltroma {
namespace {

constexpr int kRowsPerDay = 480; // a day of rows every 180 s

class MonthFile {
public:
    MonthFile()
    {
        Workbook book = makeRecordTemplate();
        Sheet& cover = book.editSheet(0);
        cover.setText(38, 3, QStringLiteral("2011-5"));
        for (int day = 1; day <= 31; ++day) {
            Sheet& sheet = book.editSheet(day);
            for (int r = 0; r < kRowsPerDay; ++r) {
                const QStringList row = test::recordRow(day * 1000 + r);
                for (int c = 0; c < row.size(); ++c)
                    sheet.setText(r + 2, c, row[c]);
            }
        }
        m_path = m_folder.filePath(QStringLiteral("2011-5.xls"));
        if (const auto error = WorkbookStore::shared().save(m_path, book))
            qFatal("%s", qPrintable(*error));
    }
    [[nodiscard]] const QString& path() const { return m_path; }

private:
    QTemporaryDir m_folder;
    QString m_path;
};

MonthFile& monthFile()
{
    static MonthFile file;
    return file;
}

struct PlotPoint {
    double x;
    double value;
};

// What history reading does with a month: every day sheet, oldest row first, the time as
// the day's fraction and columns B to J as numbers.
std::size_t readMonthIntoPoints(const QString& path, std::vector<PlotPoint>& points)
{
    points.clear();
    QStringList cells;
    const SheetReader cover(path, QStringLiteral("Cover"));
    QString yearMonth;
    cover.readCell(yearMonth, 4, 39);
    for (int day = 1; day <= 31; ++day) {
        const SheetReader sheet(path, QString::number(day));
        for (long r = sheet.totalRows(); r >= 3; --r) {
            if (!sheet.readRow(cells, r))
                break;
            std::array<int, 3> hms{};
            std::size_t i = 0;
            for (const QStringView part : QStringView(cells.first()).trimmed().tokenize(u':')) {
                if (i == hms.size())
                    break;
                hms[i++] = part.toInt();
            }
            const double x = day + 1 + (hms[0] + hms[1] / 60.0 + hms[2] / 3600.0) / 24;
            for (int c = 1; c < 10 && c < cells.size(); ++c)
                points.push_back({x, parseNumber(cells[c]).value_or(0.0)});
        }
    }
    return points.size();
}

void BM_InsertRowAndSave(benchmark::State& state)
{
    const QString& path = monthFile().path();
    int n = 0;
    for (auto _ : state) {
        CSpreadSheet day(path, QStringLiteral("15"), false);
        if (!day.AddRow(test::recordRow(++n), 3))
            state.SkipWithError(qPrintable(day.GetLastError()));
    }
    state.counters["file_kB"] = static_cast<double>(QFileInfo(path).size()) / 1024;
}
BENCHMARK(BM_InsertRowAndSave)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The first row after the program starts: the month file is read before it is written.
void BM_InsertRowAndSaveAfterStart(benchmark::State& state)
{
    const QString& path = monthFile().path();
    int n = 0;
    for (auto _ : state) {
        WorkbookStore::shared().clear();
        CSpreadSheet day(path, QStringLiteral("16"), false);
        if (!day.AddRow(test::recordRow(++n), 3))
            state.SkipWithError(qPrintable(day.GetLastError()));
    }
}
BENCHMARK(BM_InsertRowAndSaveAfterStart)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What the recorder does every 180 s: one row into its day sheet, on top, and one save.
void BM_RecordRow(benchmark::State& state)
{
    const QString& path = monthFile().path();
    int n = 0;
    for (auto _ : state) {
        if (state.range(0))
            WorkbookStore::shared().clear(); // the first row after the program starts
        const std::vector<SheetRow> row{{QStringLiteral("17"), test::recordRow(++n)}};
        if (const auto error = insertRowsAt(path, row, 3))
            state.SkipWithError(qPrintable(*error));
    }
}
BENCHMARK(BM_RecordRow)->ArgName("after_start")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A backlog of kept rows, spread over the days of the month, written in one save.
void BM_WriteBacklog(benchmark::State& state)
{
    std::vector<SheetRow> rows;
    for (int n = 0; n < state.range(0); ++n)
        rows.push_back({QString::number(1 + n * 7 / static_cast<int>(state.range(0))), test::recordRow(n)});
    std::optional<MonthFile> fresh;
    for (auto _ : state) {
        state.PauseTiming();
        fresh.reset();
        fresh.emplace(); // a full month each time, so that the file does not grow from run to run
        state.ResumeTiming();
        if (const auto error = insertRowsAt(fresh->path(), rows, 3))
            state.SkipWithError(qPrintable(*error));
    }
}
BENCHMARK(BM_WriteBacklog)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadWholeMonth(benchmark::State& state)
{
    const QString& path = monthFile().path();
    std::vector<PlotPoint> points;
    for (auto _ : state) {
        WorkbookStore::shared().clear(); // from the file, as when a month is opened
        benchmark::DoNotOptimize(readMonthIntoPoints(path, points));
    }
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_ReadWholeMonth)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_XlrdReadWholeMonth(benchmark::State& state)
{
    const QString& path = monthFile().path();
    for (auto _ : state) {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELTROMA_XLRD_BENCH), path});
        if (!python.waitForFinished(120000) || python.exitCode() != 0) {
            state.SkipWithError("python3 with xlrd did not run");
            break;
        }
        const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
        state.SetIterationTime(fields.value(0).toDouble());
        state.counters["cells"] = fields.value(1).toDouble();
        state.counters["cpu_ms"] = fields.value(2).toDouble() * 1000;
    }
}
BENCHMARK(BM_XlrdReadWholeMonth)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

// The files made to exhaust the readers, written once.
class HostileFiles {
public:
    HostileFiles()
    {
        write(QStringLiteral("claimed-extent.xls"), test::claimedExtentWorkbook());
        write(QStringLiteral("claimed-merge.xls"), test::claimedMergeWorkbook());
        write(QStringLiteral("far-column.xls"), test::farColumnWorkbook());
        write(QStringLiteral("many-roots-2M.xls"), test::manyRootsContainer(2 << 20));
        write(QStringLiteral("many-roots-4M.xls"), test::manyRootsContainer(4 << 20));
    }
    [[nodiscard]] QString path(const QString& name) const { return m_folder.filePath(name); }

private:
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }

    QTemporaryDir m_folder;
};

QString hostileFile(const char* name)
{
    static const HostileFiles files;
    return files.path(QString::fromLatin1(name));
}

// The peak resident memory of a process that reads the file alone, as readEverySheet does.
double peakMegabytesReading(const QString& path)
{
    QProcess probe;
    probe.start(QStringLiteral(VELTROMA_READ_PROBE), {path});
    if (!probe.waitForFinished(120000) || probe.exitCode() != 0)
        return -1;
    const QList<QByteArray> fields = probe.readAllStandardOutput().trimmed().split(' ');
    return fields.value(fields.value(0) == "read" ? 3 : 1).toDouble() / 1024;
}

// Budgets: a month file 150 ms and 60 MB; any file up to 16 MB 1 s and 200 MB. The time is
// this process's, reading from the file each time; the memory the probe's peak resident size.
// The files are named by functions, so that none is written before its benchmark runs.
void BM_ReadEverySheet(benchmark::State& state, QString (*file)(), double budgetMs, double budgetMb)
{
    const QString path = file();
    test::SheetsRead result;
    for (auto _ : state) {
        result = test::readEverySheet(path);
        benchmark::DoNotOptimize(result.laidOut);
    }
    state.counters["read"] = result.read ? 1 : 0;
    state.counters["laid_out"] = static_cast<double>(result.laidOut);
    state.counters["file_kB"] = static_cast<double>(QFileInfo(path).size()) / 1024;
    state.counters["peak_rss_MB"] = peakMegabytesReading(path);
    state.counters["budget_ms"] = budgetMs;
    state.counters["budget_MB"] = budgetMb;
}
// A month of its own, which the benchmarks above that insert rows do not grow.
QString monthPath()
{
    static const MonthFile month;
    return month.path();
}
BENCHMARK_CAPTURE(BM_ReadEverySheet, month, monthPath, 150, 60)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadEverySheet, claimed_extent, [] { return hostileFile("claimed-extent.xls"); }, 1000, 200)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadEverySheet, claimed_merge, [] { return hostileFile("claimed-merge.xls"); }, 1000, 200)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadEverySheet, far_column, [] { return hostileFile("far-column.xls"); }, 1000, 200)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadEverySheet, many_roots_2M, [] { return hostileFile("many-roots-2M.xls"); }, 1000, 200)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadEverySheet, many_roots_4M, [] { return hostileFile("many-roots-4M.xls"); }, 1000, 200)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace veltroma
