#include "RowLedger.h"

#include "storage/CSpreadSheet.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace veltroma::soak {

namespace {

// Row 1 of a day sheet is empty, row 2 holds the column titles.
constexpr long kFirstDataRow = 3;
constexpr int kDaySheets = 31;

} // namespace

RowKey rowKey(const QString& file, const QString& sheet, const QStringList& cells)
{
    QStringList trimmed = cells;
    while (!trimmed.isEmpty() && trimmed.back().isEmpty())
        trimmed.removeLast();
    return {file, sheet, trimmed.join(QLatin1Char('\t'))};
}

QString inverterFolder(int slot)
{
    return QStringLiteral("Inverter%1").arg(slot);
}

int slotOfRow(const RowKey& key)
{
    static const QRegularExpression folder(QStringLiteral("^Inverter(\\d+)/"));
    const auto match = folder.match(key.file);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

RowCounts rowsOfSlot(const RowCounts& rows, int slot)
{
    RowCounts own;
    for (const auto& [key, count] : rows) {
        if (slotOfRow(key) == slot)
            own.emplace(key, count);
    }
    return own;
}

RecordingState ExpectingRecorder::record(const InverterModel& snapshot)
{
    if (snapshot.realtimeDecoded) {
        const QString file = inverterFolder(snapshot.recordSlot) + QLatin1Char('/')
                             + QFileInfo(snapshot.paths.sWriteExcelPath).fileName();
        std::lock_guard lock(mutex_);
        ++expected_[rowKey(file, snapshot.paths.sExcelShellName, snapshot.NewRow)];
    }
    return inner_.record(snapshot);
}

RowCounts rowsOfMonthFile(const QString& path, bool* readable)
{
    RowCounts rows;
    const QFileInfo info(path);
    const QString file = info.dir().dirName() + QLatin1Char('/') + info.fileName();
    bool anySheet = false;
    for (int day = 1; day <= kDaySheets; ++day) {
        const QString sheet = QString::number(day);
        CSpreadSheet reader(path, sheet, false);
        if (!reader.GetLastError().isEmpty())
            continue;
        anySheet = true;
        QStringList cells;
        for (long row = kFirstDataRow; row <= reader.GetTotalRows(); ++row) {
            cells.clear();
            if (!reader.ReadRow(cells, row))
                continue;
            const RowKey key = rowKey(file, sheet, cells);
            if (!key.text.isEmpty())
                ++rows[key];
        }
    }
    if (readable)
        *readable = anySheet;
    return rows;
}

RowCounts rowsOnDisk(const QString& dataFolder, QStringList& unreadable)
{
    static const QRegularExpression monthName(QStringLiteral("^\\d{4}-\\d{1,2}\\.xls$"));
    RowCounts all;
    const QDir data(dataFolder);
    for (const QString& slot : data.entryList({QStringLiteral("Inverter*")}, QDir::Dirs)) {
        const QDir folder(data.filePath(slot));
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
            if (!monthName.match(name).hasMatch())
                continue;
            bool readable = false;
            for (const auto& [key, count] : rowsOfMonthFile(folder.filePath(name), &readable))
                all[key] += count;
            if (!readable)
                unreadable << slot + QLatin1Char('/') + name;
        }
    }
    return all;
}

Comparison compareRows(const RowCounts& expected, const RowCounts& written)
{
    Comparison result;
    for (const auto& [key, count] : expected) {
        result.expected += count;
        const auto found = written.find(key);
        const int there = found == written.end() ? 0 : found->second;
        result.lost += std::max(0, count - there);
        result.duplicated += std::max(0, there - count);
    }
    for (const auto& [key, count] : written) {
        result.written += count;
        if (!expected.contains(key))
            result.invented += count;
    }
    return result;
}

} // namespace veltroma::soak
