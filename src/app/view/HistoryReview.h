#pragma once

#include "app/view/StatusTexts.h"
#include "monitor/HistoryReader.h"

#include <QDate>
#include <QString>

#include <optional>

namespace veltroma {

class Prompt;

// The plot as history review draws on it: the reader's points, and clearing all nine
// channels before another day is read.
class HistoryCanvas : public HistoryPlot {
public:
    virtual void clearChannels() = 0;
};

// The two ways the monitor form shows recorded data: one day chosen with the date picker
// (history data review) and whole months chosen as files (open data file).
class HistoryReview {
public:
    HistoryReview(HistoryCanvas& canvas, Prompt& prompt, TextLookup tr);

    // Once a second in history data review: the day's sheet of its month file under
    // `recordFolder` (ending with "/") is read when it is not the one shown already.
    // Returns true when it read.
    bool step(const QString& recordFolder, QDate day);

    // Every other mode forgets the day shown, so coming back reads it again.
    void forget();

    // Open data file: the user picks a file, starting at `currentRecordFile`. A month file
    // adds its 31 days to what is plotted; anything else is refused with a message, and no
    // choice reads nothing.
    void openDataFile(const QString& currentRecordFile);

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
    HistoryCanvas& canvas_;
    Prompt& prompt_;
    TextLookup tr_;
    HistoryReader reader_;
    QString sOpenExclePathOld_;
    QString sOpenExcleSheetOld_;
    // The month file open data file read last.
    QString openedFile_;
};

} // namespace veltroma
