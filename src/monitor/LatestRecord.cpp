#include "monitor/LatestRecord.h"

#include "monitor/CsvExport.h"
#include "storage/WorkbookStore.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace veltroma {

namespace {

constexpr int kLastDay = 31;
constexpr int kFirstDataRowIndex = 2; // row 3, where the newest row goes
constexpr int kStateColumn = 10;
constexpr int kFirstCoverValueIndex = 35; // D36: serial number, model, software version
constexpr int kCoverColumn = 3;

struct MonthFileName {
    int year = 0;
    int month = 0;
    QString path;
};

// The month files the recorder names (no leading zero in the month), newest first. Files
// kept aside ("2026-5.unreadable-....xls") and anything else are no month files.
std::vector<MonthFileName> monthFiles(const QString& folder, const QDate& today)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-([1-9]|1[0-2])\\.xls$"));
    std::vector<MonthFileName> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.xls")}, QDir::Files)) {
        const auto match = pattern.match(name);
        if (!match.hasMatch())
            continue;
        MonthFileName file{match.captured(1).toInt(), match.captured(2).toInt(),
                           dir.filePath(name)};
        if (file.year > today.year() || (file.year == today.year() && file.month > today.month()))
            continue;
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(), [](const MonthFileName& a, const MonthFileName& b) {
        return a.year != b.year ? a.year > b.year : a.month > b.month;
    });
    return files;
}

// The first stored row from row 3 on with any text.
const StoredRow* newestRow(const Sheet& sheet)
{
    for (const StoredRow& row : sheet.rows()) {
        if (row.index < kFirstDataRowIndex)
            continue;
        const bool hasText = std::any_of(row.cells.begin(), row.cells.end(), [](const Cell& cell) {
            return !cell.text.trimmed().isEmpty();
        });
        if (hasText)
            return &row;
    }
    return nullptr;
}

QDateTime rowTime(const QDate& date, const QString& columnA)
{
    // The same reading of column A as the export's.
    const QString iso = recordTime(date.year(), date.month(), date.day(), columnA);
    const QTime time = QTime::fromString(iso.mid(11), QStringLiteral("HH:mm:ss"));
    return QDateTime(date, time.isValid() ? time : QTime(0, 0));
}

LatestRecord recordOf(const Workbook& book, const StoredRow& row, const QDate& date,
                      const QString& path)
{
    LatestRecord record;
    record.file = path;
    QString columnA;
    for (const Cell& cell : row.cells) {
        if (cell.column == 0)
            columnA = cell.text;
        else if (cell.column <= static_cast<int>(kQuantityCount))
            record.values[static_cast<std::size_t>(cell.column - 1)] = cell.text.trimmed();
        else if (cell.column == kStateColumn)
            record.state = cell.text.trimmed();
    }
    record.recordedAt = rowTime(date, columnA);
    if (const auto cover = book.findSheet(QStringLiteral("Cover"))) {
        const Sheet& sheet = book.sheet(*cover);
        record.serial = sheet.text(kFirstCoverValueIndex, kCoverColumn).trimmed();
        record.model = sheet.text(kFirstCoverValueIndex + 1, kCoverColumn).trimmed();
        record.firmware = sheet.text(kFirstCoverValueIndex + 2, kCoverColumn).trimmed();
    }
    return record;
}

} // namespace

LatestRecordSearch findLatestRecord(const QString& inverterFolder, const QDate& today)
{
    LatestRecordSearch search;
    WorkbookStore store;
    for (const MonthFileName& file : monthFiles(inverterFolder, today)) {
        const auto loaded = store.load(file.path);
        if (!loaded.file) {
            // Gone since the listing (renamed aside by the recorder): nothing to say.
            if (!loaded.missing)
                search.problems << loaded.error;
            continue;
        }
        const Workbook& book = loaded.file->book;
        const bool thisMonth = file.year == today.year() && file.month == today.month();
        for (int day = thisMonth ? today.day() : kLastDay; day >= 1; --day) {
            const QDate date(file.year, file.month, day);
            const auto index = book.findSheet(QString::number(day));
            if (!date.isValid() || !index)
                continue;
            if (const StoredRow* row = newestRow(book.sheet(*index))) {
                search.record = recordOf(book, *row, date, file.path);
                return search;
            }
        }
    }
    return search;
}

} // namespace veltroma
