#include "app/view/HistoryReview.h"

#include "app/view/StatusTexts.h"
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

QString HistoryReview::monthFileProblemText(MonthFileProblem problem, TextLanguage language)
{
    switch (problem) {
    case MonthFileProblem::Empty:
        return pickText(language, "The file is empty: it holds no recorded month. Nothing is plotted.",
                        "该文件为空，没有记录的月份数据。未绘制任何曲线。");
    case MonthFileProblem::NotAWorkbook:
        return pickText(language, "The file is no workbook this program can read. Nothing is plotted.",
                        "该文件不是本程序能读取的工作簿。未绘制任何曲线。");
    case MonthFileProblem::NotAMonthFile:
        return pickText(language,
                        "The workbook is no month record file: it lacks the cover and the day sheets. "
                        "Nothing is plotted.",
                        "该工作簿不是月度记录文件：缺少封面和每日工作表。未绘制任何曲线。");
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
        prompt_.message(monthFileProblemText(*problem, activeTextLanguage()));
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
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        error = out.errorString();
        return std::nullopt;
    }
    return target;
}

} // namespace veltroma
