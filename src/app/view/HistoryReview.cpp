#include "app/view/HistoryReview.h"

#include "app/view/StatusTexts.h"
#include "base/PrivateFiles.h"
#include "base/Prompt.h"
#include "monitor/CsvExport.h"

#include <QSaveFile>

#include <utility>

namespace veltroma {

HistoryReview::HistoryReview(HistoryCanvas& canvas, Prompt& prompt, TextLookup tr)
    : canvas_(canvas), prompt_(prompt), tr_(std::move(tr))
{
}

HistoryReview::~HistoryReview() = default;

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
    start({file, sheet, HistoryReader::Mode::OneDay, false});
    sOpenExclePathOld_ = file;
    sOpenExcleSheetOld_ = sheet;
    return true;
}

void HistoryReview::forget()
{
    sOpenExclePathOld_.clear();
    sOpenExcleSheetOld_.clear();
    // Called once a second in the other modes: a month being read for open data file goes on.
    if (currentMode_ == HistoryReader::Mode::OneDay)
        cancel();
}

void HistoryReview::start(HistoryReadRequest request)
{
    cancel();
    const std::uint64_t id = ++lastReadId_;
    currentMode_ = request.mode;
    currentId_ = id;
    current_ = std::make_unique<HistoryReadTask>(
        request, receiver_, [this](int permille) { tellProgress(permille); },
        [this, id, request](const HistoryReadResult& result) {
            // The bar goes before any message about the result is shown.
            ended(id);
            plot(request, result);
        },
        [this, id] { ended(id); });
    tellProgress(0);
}

void HistoryReview::cancel()
{
    if (!current_)
        return;
    current_->cancel();
    stopping_.push_back(std::move(current_));
    currentMode_.reset();
    ended(std::nullopt);
}

void HistoryReview::plot(const HistoryReadRequest& request, const HistoryReadResult& result)
{
    if (result.problem) {
        // Only a workbook with the cover and the day sheets is plotted; anything else would
        // draw garbage, so the user hears why nothing is drawn.
        prompt_.message(monthFileProblemText(*result.problem, tr_));
        return;
    }
    result.points.plotInto(canvas_);
    if (request.mode == HistoryReader::Mode::WholeMonth)
        openedFile_ = request.file;
    if (result.end == HistoryReadEnd::ReadError)
        prompt_.message(QStringLiteral("Read Error"));
}

void HistoryReview::ended(std::optional<std::uint64_t> id)
{
    // The current read ends only by its own word, which comes with its result: a thread that
    // has returned may still have its result on the way.
    if (current_ && id == currentId_) {
        current_.reset();
        currentMode_.reset();
    }
    std::erase_if(stopping_, [](const auto& task) { return task->finished(); });
    if (!current_)
        tellProgress(std::nullopt);
}

std::size_t HistoryReview::readingThreads() const
{
    return stopping_.size() + (current_ ? 1 : 0);
}

void HistoryReview::tellProgress(std::optional<int> permille) const
{
    if (progressListener_)
        progressListener_(permille);
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
    start({*chosen, QStringLiteral("0"), HistoryReader::Mode::WholeMonth, true});
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
