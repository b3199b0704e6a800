#include "app/view/HistoryReview.h"

#include "app/view/StatusTexts.h"
#include "base/PrivateFiles.h"
#include "base/Prompt.h"
#include "monitor/CsvExport.h"

#include <QSaveFile>

#include <utility>

namespace veltroma {

HistoryReview::HistoryReview(HistoryCanvas& canvas, Prompt& prompt, TextLookup tr)
    : canvas_(canvas), prompt_(prompt), tr_(std::move(tr)), reader_(canvas, prompt)
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

QString HistoryReview::monthFileProblemText(MonthFileProblem problem, const TextLookup& tr)
{
    switch (problem) {
    case MonthFileProblem::Empty:
        return tr(QStringLiteral("IDC_OPENDATA_EMPTY"));
    case MonthFileProblem::NotAWorkbook:
        return tr(QStringLiteral("IDC_OPENDATA_NOWORKBOOK"));
    case MonthFileProblem::NotAMonthFile:
        return tr(QStringLiteral("IDC_OPENDATA_NOMONTHFILE"));
    }
    return {};
}

void HistoryReview::openDataFile(const QString& currentRecordFile)
{
    const auto chosen =
        prompt_.openFile(QString(), currentRecordFile, QStringLiteral("FILE(*.*)"));
    if (!chosen || chosen->isEmpty())
        return;
    // Only a workbook with the cover and the day sheets is plotted; anything else would draw
    // garbage, so the user hears why nothing is drawn.
    if (const auto problem = checkMonthFile(*chosen)) {
        prompt_.message(monthFileProblemText(*problem, tr_));
        return;
    }
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
    const bool opened = out.open(QIODevice::WriteOnly);
    if (opened)
        makeOpenFilePrivate(out);
    if (!opened || out.write(text) != text.size() || !out.commit()) {
        error = out.errorString();
        return std::nullopt;
    }
    return target;
}

} // namespace veltroma
