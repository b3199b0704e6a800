#pragma once

#include "app/view/StatusTexts.h"
#include "monitor/HistoryReadTask.h"
#include "monitor/HistoryReader.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace veltroma {

class Prompt;

// The plot as history review draws on it: the reader's points, and clearing all nine
// channels before another day is read.
class HistoryCanvas : public HistoryPlot {
public:
    virtual void clearChannels() = 0;
};

// The two ways the monitor form shows recorded data: one day chosen with the date picker
// (history data review) and whole months chosen as files (open data file). Files are read
// on a thread of their own, one read at a time; the points are plotted when the read is
// done. Everything here runs on the UI thread.
class HistoryReview {
public:
    // The share of the read in progress in permille, or nothing when no read runs.
    using ProgressListener = std::function<void(std::optional<int> permille)>;

    HistoryReview(HistoryCanvas& canvas, Prompt& prompt, TextLookup tr);
    // Stops a read in progress and waits for its thread.
    ~HistoryReview();
    HistoryReview(const HistoryReview&) = delete;
    HistoryReview& operator=(const HistoryReview&) = delete;

    void setProgressListener(ProgressListener listener) { progressListener_ = std::move(listener); }

    // Once a second in history data review: when the day's sheet of its month file under
    // `recordFolder` (ending with "/") is not the one shown already, the channels are cleared
    // and its read starts, in place of any read in progress. Returns true when it started one.
    bool step(const QString& recordFolder, QDate day);

    // Every other mode forgets the day shown, so coming back reads it again; a day still
    // being read is not plotted.
    void forget();

    // Open data file: the user picks a file, starting at `currentRecordFile`, and its read
    // starts in place of any read in progress. A month file adds its 31 days to what is
    // plotted; anything else is refused with a message, and no choice reads nothing.
    void openDataFile(const QString& currentRecordFile);

    // The read in progress stops and plots nothing.
    void cancel();
    // Whether a read is in progress whose points are still to be plotted.
    [[nodiscard]] bool reading() const { return current_ != nullptr; }
    // Reading threads not yet ended, the cancelled ones included.
    [[nodiscard]] std::size_t readingThreads() const;

    // What is shown, as CSV beside its month file: the day of history data review
    // ("2011-5-7.csv"), or the month file read last in open data file ("2011-5.csv"), 0600.
    // The path written, or nothing with the reason in `error`.
    [[nodiscard]] std::optional<QString> exportShown(bool openDataFileMode, QString& error) const;
    // What the user is told when a chosen file is no month file.
    [[nodiscard]] static QString monthFileProblemText(MonthFileProblem problem, const TextLookup& tr);

    [[nodiscard]] const QString& shownFile() const { return sOpenExclePathOld_; }
    [[nodiscard]] const QString& shownSheet() const { return sOpenExcleSheetOld_; }

    // The file a day is recorded in, and its sheet.
    [[nodiscard]] static QString monthFile(const QString& recordFolder, QDate day);
    [[nodiscard]] static QString daySheet(QDate day);

private:
    void start(HistoryReadRequest request);
    void plot(const HistoryReadRequest& request, const HistoryReadResult& result);
    // After the read `id` has ended (nothing: after a cancel): ends the tasks whose threads
    // have returned, and tells the progress listener what still runs. Told more than once
    // for one read, it does the same.
    void ended(std::optional<std::uint64_t> id);
    void tellProgress(std::optional<int> permille) const;

    HistoryCanvas& canvas_;
    Prompt& prompt_;
    TextLookup tr_;
    ProgressListener progressListener_;
    QString sOpenExclePathOld_;
    QString sOpenExcleSheetOld_;
    // The month file open data file read last.
    QString openedFile_;
    // Where the reading threads queue their results; it outlives every task.
    QObject receiver_;
    std::unique_ptr<HistoryReadTask> current_;
    std::optional<HistoryReader::Mode> currentMode_;
    std::uint64_t currentId_ = 0;
    std::uint64_t lastReadId_ = 0;
    // Cancelled reads whose threads have not returned yet.
    std::vector<std::unique_ptr<HistoryReadTask>> stopping_;
};

} // namespace veltroma
