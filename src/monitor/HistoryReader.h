#pragma once

#include "monitor/InverterModel.h"

#include <QString>

#include <functional>
#include <optional>
#include <span>
#include <stop_token>

namespace veltroma {

// Where the recorded points go: the nine plot channels of slot 1.
class HistoryPlot {
public:
    virtual ~HistoryPlot() = default;
    virtual void addPoint(int channel, double x, double y) = 0;
    // Many points of one channel at once, in order (xs and ys of the same length).
    virtual void addPoints(int channel, std::span<const double> xs, std::span<const double> ys)
    {
        for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i)
            addPoint(channel, xs[i], ys[i]);
    }
    virtual void setXSpan(double days) = 0;
    virtual void setDateTimeFormat(const QString& format) = 0;
};

inline constexpr int kHistoryChannels = 9;
// A record row: the time and the nine quantities, then the state text. Cells further right
// belong to no record and add no points.
inline constexpr int kRecordColumns = 11;

// The X position, in days, of a row of day `day` recorded at h:m:s. As a date serial
// (day 1 = 1899-12-31) it falls on day `day` of the axis, so the labels show day and time.
[[nodiscard]] double historyX(int day, int hour, int minute, int second);

// Why a file cannot be shown as a recorded month.
enum class MonthFileProblem {
    Empty,         // no bytes at all
    NotAWorkbook,  // missing, unreadable or no workbook
    NotAMonthFile, // a workbook without the cover and the 31 day sheets
};

// Checks that the reader opens `path` as a workbook with the sheets of a month file;
// nothing when it does.
[[nodiscard]] std::optional<MonthFileProblem> checkMonthFile(const QString& path);

// Rows further apart than this are not joined on the plot: the night and outages show as gaps.
inline constexpr double kLongestJoinedStepSeconds = 540.0;

// How a read of a month file ended.
enum class HistoryReadEnd {
    Complete,  // every row was read (a missing file or sheet has none)
    ReadError, // a row could not be read: the rest of its sheet is missing
    Stopped,   // stopped on request: what was added so far is partial
};

// The share of a read done, in permille (0..1000), told as it grows.
using HistoryReadProgress = std::function<void(int permille)>;

// Reads month files back into plot points. Each row is read oldest first; after every cell
// of a row (up to the record's eleven columns) one point per channel is added at the row's X,
// so a quantity's new value shows from the point after its own cell on. Between two rows
// more than 540 s apart, every channel gets a point without a value, which the plot draws as
// a break in the line. Touches no widget: it runs on whichever one thread calls it.
class HistoryReader {
public:
    explicit HistoryReader(HistoryPlot& plot) : plot_(plot) {}

    enum class Mode { WholeMonth = 0, OneDay = 1 };

    // WholeMonth reads the sheets "1".."31"; OneDay reads `sheet`. `stop` is checked before
    // every row, so a stop takes effect within one row (the load of the file itself, bounded
    // by the storage layer, is not interrupted). `progress` is called on the reading thread.
    HistoryReadEnd ReadFile(const QString& file, const QString& sheet, Mode mode,
                            std::stop_token stop = {}, const HistoryReadProgress& progress = {});

    // The "Year-Month" text from the cover of the file read last.
    [[nodiscard]] const QString& excelFileName() const { return sExcelFileName_; }

private:
    // Reads one day sheet; its rows count as the share `sheetIndex` of `sheets` of the read.
    HistoryReadEnd ReadFromExcel(const QString& file, const QString& sheet, int sheetIndex,
                                 int sheets);
    void readCell(const QString& text, int column, int day);
    void breakLongStep();
    void tellProgress(int permille);

    HistoryPlot& plot_;
    HistoryValues values_;
    double XValue_ = 0.0;
    std::optional<double> lastRowX_;
    QString sExcelFileName_;
    std::stop_token stop_;
    const HistoryReadProgress* progress_ = nullptr;
    int toldPermille_ = -1;
};

} // namespace veltroma
