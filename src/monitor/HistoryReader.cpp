#include "monitor/HistoryReader.h"

#include "storage/MonthWorkbook.h"
#include "storage/NumberText.h"
#include "storage/SheetReader.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace veltroma {

namespace {

constexpr int kDaysOnAxis = 31;
constexpr int kRecordSlot = 1;

// Text that is no number reads as 0, as a number cell of the record should.
float cellNumber(const QString& text)
{
    return static_cast<float>(parseNumber(text).value_or(0.0));
}

} // namespace

double historyX(int day, int hour, int minute, int second)
{
    return (day + 1) + (hour + minute / 60.0 + second / 3600.0) / 24.0;
}

std::optional<MonthFileProblem> checkMonthFile(const QString& path)
{
    if (!monthWorkbookProblem(path))
        return std::nullopt;
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0)
        return MonthFileProblem::Empty;
    const WorkbookFitness fitness = checkWorkbook(path).fitness;
    const bool opens = fitness == WorkbookFitness::Keepable || fitness == WorkbookFitness::NotKeepable;
    return opens ? MonthFileProblem::NotAMonthFile : MonthFileProblem::NotAWorkbook;
}

HistoryReadEnd HistoryReader::ReadFile(const QString& file, const QString& sheet, Mode mode,
                                       std::stop_token stop, const HistoryReadProgress& progress)
{
    stop_ = std::move(stop);
    progress_ = progress ? &progress : nullptr;
    toldPermille_ = -1;
    // Another file, or another day, never joins on to what was read before.
    lastRowX_.reset();
    {
        const SheetReader cover(file, QStringLiteral("Cover"));
        QString yearMonth;
        if (cover.readCell(yearMonth, 4, 39))
            sExcelFileName_ = yearMonth;
    }
    plot_.setXSpan(kDaysOnAxis);
    HistoryReadEnd end = HistoryReadEnd::Complete;
    if (mode == Mode::OneDay) {
        end = ReadFromExcel(file, sheet, 0, 1);
    } else {
        for (int day = 1; day <= kDaysOnAxis && end != HistoryReadEnd::Stopped; ++day) {
            // A day that cannot be read does not keep the other days off the plot.
            const HistoryReadEnd dayEnd = ReadFromExcel(file, QString::number(day), day - 1, kDaysOnAxis);
            if (dayEnd != HistoryReadEnd::Complete)
                end = dayEnd;
        }
    }
    progress_ = nullptr;
    return end;
}

HistoryReadEnd HistoryReader::ReadFromExcel(const QString& file, const QString& sheet,
                                            int sheetIndex, int sheets)
{
    if (stop_.stop_requested())
        return HistoryReadEnd::Stopped;
    const SheetReader daySheet(file, sheet);
    const long iRows = daySheet.totalRows() - 1;
    const int iCols = std::min(daySheet.totalColumns(), kRecordColumns);
    const int day = sheet.toInt();
    const QString format = sExcelFileName_ + QStringLiteral("-d h:nn:ss");
    // The sheet's rows from the last one up to row 3: oldest record first.
    for (long r = iRows - 1; r >= 1; --r) {
        if (stop_.stop_requested())
            return HistoryReadEnd::Stopped;
        const long done = iRows - 1 - r;
        tellProgress(static_cast<int>((sheetIndex * 1000L + done * 1000L / iRows) / sheets));
        QStringList cells;
        if (!daySheet.readRow(cells, r + 2))
            return HistoryReadEnd::ReadError;
        for (int column = 1; column <= iCols; ++column) {
            readCell(column <= cells.size() ? cells.at(column - 1) : QString(), column, day);
            if (column == 1)
                breakLongStep();
            for (int q = 0; q < kHistoryChannels; ++q)
                plot_.addPoint(q, XValue_, values_.value(static_cast<Quantity>(q), kRecordSlot));
        }
    }
    if (iRows > 1)
        plot_.setDateTimeFormat(format);
    tellProgress(static_cast<int>((sheetIndex + 1) * 1000L / sheets));
    return HistoryReadEnd::Complete;
}

void HistoryReader::tellProgress(int permille)
{
    if (progress_ && permille != toldPermille_) {
        toldPermille_ = permille;
        (*progress_)(permille);
    }
}

void HistoryReader::breakLongStep()
{
    constexpr double kLongestStepDays = kLongestJoinedStepSeconds / 86400.0;
    // A hair of slack so that rows exactly 540 s apart stay joined despite rounding.
    constexpr double kRoundingDays = 1e-9;
    // The break sits one second after the older row: a step line holds a value up to the next
    // point, and the older value must not seem to last into the gap.
    constexpr double kBreakAfterDays = 1.0 / 86400.0;
    if (lastRowX_ && std::abs(XValue_ - *lastRowX_) > kLongestStepDays + kRoundingDays) {
        const double breakAt = std::min(XValue_, *lastRowX_) + kBreakAfterDays;
        for (int q = 0; q < kHistoryChannels; ++q)
            plot_.addPoint(q, breakAt, std::numeric_limits<double>::quiet_NaN());
    }
    lastRowX_ = XValue_;
}

void HistoryReader::readCell(const QString& text, int column, int day)
{
    if (column == 1) {
        // Hours, minutes and seconds as views into the cell text: nothing is allocated for
        // the time of every row. A missing part counts as 0.
        std::array<int, 3> hms{};
        std::size_t i = 0;
        for (const QStringView part : QStringView(text).trimmed().tokenize(u':')) {
            if (i == hms.size())
                break;
            hms[i++] = part.toInt();
        }
        XValue_ = historyX(day, hms[0], hms[1], hms[2]);
        return;
    }
    // Columns B..J hold the quantities in channel order; other columns carry no value.
    if (column - 2 < kHistoryChannels)
        values_.value(static_cast<Quantity>(column - 2), kRecordSlot) = cellNumber(text);
}

} // namespace veltroma
