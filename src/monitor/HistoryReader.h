#pragma once

#include "monitor/InverterModel.h"

#include <QString>

#include <optional>

namespace veltroma {

class Prompt;

// Where the recorded points go: the nine plot channels of slot 1.
class HistoryPlot {
public:
    virtual ~HistoryPlot() = default;
    virtual void addPoint(int channel, double x, double y) = 0;
    virtual void setXSpan(double days) = 0;
    virtual void setDateTimeFormat(const QString& format) = 0;
};

inline constexpr int kHistoryChannels = 9;

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

// Reads month files back into plot points. Each row is read oldest first; after every cell
// of a row one point per channel is added at the row's X, so a quantity's new value shows
// from the point after its own cell on. Between two rows more than 540 s apart, every
// channel gets a point without a value, which the plot draws as a break in the line.
class HistoryReader {
public:
    HistoryReader(HistoryPlot& plot, Prompt& prompt) : plot_(plot), prompt_(prompt) {}

    enum class Mode { WholeMonth = 0, OneDay = 1 };

    // WholeMonth reads the sheets "1".."31"; OneDay reads `sheet`.
    void ReadFile(const QString& file, const QString& sheet, Mode mode);
    void ReadFromExcel(const QString& file, const QString& sheet);

    // The "Year-Month" text from the cover of the file read last.
    [[nodiscard]] const QString& excelFileName() const { return sExcelFileName_; }

private:
    void readCell(const QString& text, int column, int day);
    void breakLongStep();

    HistoryPlot& plot_;
    Prompt& prompt_;
    HistoryValues values_;
    double XValue_ = 0.0;
    std::optional<double> lastRowX_;
    QString sExcelFileName_;
};

} // namespace veltroma
