#include "app/view/HistoryReview.h"

#include "base/Prompt.h"
#include "monitor/CsvExport.h"

#include <QSaveFile>

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
    openedFile_ = *chosen;
}

std::optional<QString> HistoryReview::exportShown(bool openDataFileMode, QString& error) const
{
    const QString& file = openDataFileMode ? openedFile_ : sOpenExclePathOld_;
    if (file.isEmpty()) {
        error = QStringLiteral("nothing shown");
        return std::nullopt;
    }
    std::optional<int> day;
    if (!openDataFileMode)
        day = sOpenExcleSheetOld_.toInt();
    const auto records = readMonthRecords(file, error, day);
    if (!records)
        return std::nullopt;

    QString target = file;
    if (target.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        target.chop(4);
    if (day)
        target += u'-' + QString::number(*day);
    target += QStringLiteral(".csv");
    QSaveFile out(target);
    const QByteArray text = csvText(*records);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        error = out.errorString();
        return std::nullopt;
    }
    return target;
}

} // namespace veltroma
