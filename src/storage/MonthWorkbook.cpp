#include "storage/MonthWorkbook.h"

#include "storage/RecordTemplate.h"

#include <algorithm>

namespace veltroma {

namespace {

constexpr int kDays = 31;
constexpr int kCoverFirstValueRow = 35; // D36, from 0
constexpr int kCoverValues = 4;
constexpr int kCoverValueColumn = 3;    // D
constexpr int kFirstDayRow = 2;         // row 3, from 0

const QString kCover = QStringLiteral("Cover");

} // namespace

WorkbookCheck checkWorkbook(const QString& path, WorkbookStore& store)
{
    const auto loaded = store.load(path);
    if (loaded.file) {
        if (loaded.file->lostOnSave.isEmpty())
            return {WorkbookFitness::Keepable, {}};
        return {WorkbookFitness::NotKeepable,
                QStringLiteral("%1 holds %2, which this program cannot write back").arg(path, loaded.file->lostOnSave)};
    }
    switch (loaded.problem) {
    case WorkbookStore::Problem::Missing:
    case WorkbookStore::Problem::None:
        return {WorkbookFitness::Missing, {}};
    case WorkbookStore::Problem::Inaccessible:
        return {WorkbookFitness::Inaccessible, loaded.error};
    case WorkbookStore::Problem::NotAWorkbook:
        return {WorkbookFitness::NotAWorkbook, loaded.error};
    case WorkbookStore::Problem::Damaged:
        break;
    }
    return {WorkbookFitness::Damaged, loaded.error};
}

std::optional<QString> monthWorkbookProblem(const QString& path, WorkbookStore& store)
{
    const auto loaded = store.load(path);
    if (!loaded.file)
        return loaded.missing ? QStringLiteral("%1 does not exist").arg(path) : loaded.error;
    const Workbook& book = loaded.file->book;
    if (!book.findSheet(kCover))
        return QStringLiteral("%1 has no sheet \"Cover\"").arg(path);
    for (int day = 1; day <= kDays; ++day) {
        if (!book.findSheet(QString::number(day)))
            return QStringLiteral("%1 has no day sheet \"%2\"").arg(path).arg(day);
    }
    return std::nullopt;
}

std::variant<MonthText, QString> readMonthText(const QString& path, WorkbookStore& store)
{
    const auto loaded = store.load(path);
    if (!loaded.file)
        return loaded.missing ? QStringLiteral("%1 does not exist").arg(path) : loaded.error;
    const Workbook& book = loaded.file->book;
    MonthText month;
    const auto cover = book.findSheet(kCover);
    for (int i = 0; i < kCoverValues; ++i)
        month.cover.append(cover ? book.sheet(*cover).text(kCoverFirstValueRow + i, kCoverValueColumn) : QString());

    const int columns = static_cast<int>(recordColumnTitles().size());
    for (int day = 1; day <= kDays; ++day) {
        const auto index = book.findSheet(QString::number(day));
        if (!index)
            continue;
        const Sheet& sheet = book.sheet(*index);
        std::vector<QStringList> rows;
        for (const StoredRow& stored : sheet.rows()) {
            if (stored.index < kFirstDayRow)
                continue;
            QStringList cells(columns);
            for (const Cell& cell : stored.cells) {
                if (cell.column < columns)
                    cells[cell.column] = cell.text;
            }
            if (std::any_of(cells.begin(), cells.end(), [](const QString& t) { return !t.isEmpty(); }))
                rows.push_back(std::move(cells));
        }
        if (!rows.empty())
            month.days.emplace(day, std::move(rows));
    }
    return month;
}

} // namespace veltroma
