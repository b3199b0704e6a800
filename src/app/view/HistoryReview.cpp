#include "app/view/HistoryReview.h"

#include "base/Prompt.h"

namespace veltroma {

HistoryReview::HistoryReview(HistoryCanvas& canvas, Prompt& prompt)
    : canvas_(canvas), prompt_(prompt), reader_(canvas, prompt)
{
}

QString HistoryReview::monthFile(const QString& recordFolder, QDate day)
{
    return recordFolder + QStringLiteral("%1-%2.xls").arg(day.year()).arg(day.month());
}

QString HistoryReview::daySheet(QDate day)
{
    return QString::number(day.day());
}

bool HistoryReview::step(const QString& recordFolder, QDate day)
{
    const QString file = monthFile(recordFolder, day);
    const QString sheet = daySheet(day);
    if (file == sOpenExclePathOld_ && sheet == sOpenExcleSheetOld_)
        return false;
    canvas_.clearChannels();
    reader_.ReadFile(file, sheet, HistoryReader::Mode::OneDay);
    sOpenExclePathOld_ = file;
    sOpenExcleSheetOld_ = sheet;
    return true;
}

void HistoryReview::forget()
{
    sOpenExclePathOld_.clear();
    sOpenExcleSheetOld_.clear();
}

void HistoryReview::openDataFile(const QString& currentRecordFile)
{
    const auto chosen =
        prompt_.openFile(QString(), currentRecordFile, QStringLiteral("FILE(*.*)"));
    // Only a month file (2011-5.xls, 2011-12.xls) is read; no choice opens no file at all.
    if (!chosen || chosen->isEmpty() || !isMonthFilePath(*chosen))
        return;
    reader_.ReadFile(*chosen, QStringLiteral("0"), HistoryReader::Mode::WholeMonth);
}

} // namespace veltroma
