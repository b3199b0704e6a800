#pragma once

#include "monitor/InverterModel.h"

#include <QString>

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

// True for a path that names a month file like 2011-5.xls or 2011-12.xls: the sixth or
// seventh character from the end is "-".
[[nodiscard]] bool isMonthFilePath(const QString& path);

// Reads month files back into plot points. Each row is read oldest first; after every cell
// of a row one point per channel is added at the row's X, so a quantity's new value shows
// from the point after its own cell on.
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

    HistoryPlot& plot_;
    Prompt& prompt_;
    HistoryValues values_;
    double XValue_ = 0.0;
    QString sExcelFileName_;
};

} // namespace veltroma
