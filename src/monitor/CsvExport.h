#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace veltroma {

// The records of one month file, oldest first, ready to be written as CSV.
struct MonthRecords {
    int year = 0;
    int month = 0;
    struct Row {
        QString time;       // ISO 8601 local date and time, e.g. 2011-05-07T09:05:03
        QStringList fields; // always ten, missing cells empty
    };
    std::vector<Row> rows;
};

// Reads the month file at `path` through the spreadsheet access layer: the year and month
// from its cover (or, when the cover has none, from a name like 2011-5.xls), the rows of the
// day sheets "1".."31" (or of `onlyDay`), each sheet from its last row up to row 3. Nothing,
// with the reason in `error`, for a missing file, a file that is no workbook, or a workbook
// that is no month file. Rows with no text in any cell are left out.
[[nodiscard]] std::optional<MonthRecords> readMonthRecords(const QString& path, QString& error,
                                                           std::optional<int> onlyDay = {});

// The CSV header: "time" and the ten record fields by plain names with their units. The month
// files keep the titles of their template, which the header does not copy.
[[nodiscard]] QStringList csvHeader();

// RFC 4180 text in UTF-8: the header, then one line per row, lines ending with CR LF, fields
// quoted when they hold a comma, a quote or a line break. A field that begins with =, +, - or
// @ and is no number gets a leading apostrophe, so that no spreadsheet runs it as a formula.
[[nodiscard]] QByteArray csvText(const MonthRecords& records);

// The time column for a row of day `day` whose column A reads `hourMinute` ("9:5:3",
// "09:05", or an office program's fraction of a day). The date alone when the text reads as
// no time; empty for a day the month does not have.
[[nodiscard]] QString recordTime(int year, int month, int day, const QString& hourMinute);

} // namespace veltroma
