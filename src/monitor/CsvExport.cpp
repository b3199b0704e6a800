#include "monitor/CsvExport.h"

#include "storage/CSpreadSheet.h"

#include <QDate>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

#include <cmath>

namespace veltroma {

namespace {

constexpr int kFields = 10;
constexpr int kFirstDataRow = 3;
constexpr int kLastDay = 31;
constexpr int kSecondsPerDay = 24 * 60 * 60;

std::optional<std::pair<int, int>> yearMonth(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*(\\d{4})-(\\d{1,2})\\s*$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const int year = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    if (month < 1 || month > 12)
        return std::nullopt;
    return std::pair{year, month};
}

QStringList tenFields(const QStringList& cells)
{
    QStringList fields = cells.mid(1, kFields);
    while (fields.size() < kFields)
        fields.append(QString());
    return fields;
}

bool allEmpty(const QStringList& cells)
{
    for (const QString& cell : cells)
        if (!cell.trimmed().isEmpty())
            return false;
    return true;
}

// A text that a spreadsheet would take for a formula (from a month file edited elsewhere) is
// written with a leading apostrophe; a number such as -5.0 stays a number.
QString defused(const QString& text)
{
    static const QString kFormulaStarts = QStringLiteral("=+-@");
    if (text.isEmpty() || !kFormulaStarts.contains(text.front()))
        return text;
    bool number = false;
    text.toDouble(&number);
    return number ? text : u'\'' + text;
}

QByteArray csvField(const QString& text)
{
    QByteArray bytes = defused(text).toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\r') || bytes.contains('\n'))
        return '"' + bytes.replace("\"", "\"\"") + '"';
    return bytes;
}

void appendLine(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        out += csvField(fields.at(i));
    }
    out += "\r\n";
}

} // namespace

QString recordTime(int year, int month, int day, const QString& hourMinute)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    const QString text = hourMinute.trimmed();
    QTime time;
    const QStringList parts = text.split(u':');
    if (parts.size() >= 2 && parts.size() <= 3) {
        bool ok[3] = {true, true, true};
        const int h = parts[0].toInt(&ok[0]);
        const int m = parts[1].toInt(&ok[1]);
        const int s = parts.size() == 3 ? parts[2].toInt(&ok[2]) : 0;
        if (ok[0] && ok[1] && ok[2])
            time = QTime(h, m, s);
    } else {
        // An office program may keep the time as a number: the fraction of a day.
        bool ok = false;
        const double fraction = text.toDouble(&ok);
        if (ok && fraction >= 0.0 && fraction < 1.0) {
            const auto seconds = static_cast<int>(std::lround(fraction * kSecondsPerDay));
            time = QTime(0, 0).addSecs(seconds % kSecondsPerDay);
        }
    }
    const QString dateText = date.toString(Qt::ISODate);
    return time.isValid() ? dateText + u'T' + time.toString(QStringLiteral("HH:mm:ss")) : dateText;
}

std::optional<MonthRecords> readMonthRecords(const QString& path, QString& error,
                                             std::optional<int> onlyDay)
{
    if (!QFileInfo(path).isFile()) {
        error = QStringLiteral("no such file");
        return std::nullopt;
    }
    // The spreadsheet layer takes any other name for a delimited text file.
    if (!path.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive)) {
        error = QStringLiteral("not a workbook (the name does not end in .xls)");
        return std::nullopt;
    }
    std::optional<std::pair<int, int>> when;
    {
        CSpreadSheet cover(path, QStringLiteral("Cover"), false);
        if (!cover.GetLastError().isEmpty()) {
            error = QStringLiteral("not a workbook (%1)").arg(cover.GetLastError().trimmed());
            return std::nullopt;
        }
        QString text;
        if (cover.ReadCell(text, QStringLiteral("D"), 39))
            when = yearMonth(text);
    }
    if (!when)
        when = yearMonth(QFileInfo(path).completeBaseName());
    if (!when) {
        error = QStringLiteral("not a month record file: its cover names no year and month");
        return std::nullopt;
    }

    MonthRecords records;
    records.year = when->first;
    records.month = when->second;
    const int firstDay = onlyDay.value_or(1);
    const int lastDay = onlyDay.value_or(kLastDay);
    for (int day = firstDay; day <= lastDay; ++day) {
        CSpreadSheet sheet(path, QString::number(day), false);
        QStringList cells;
        // Newest first on the sheet: read from the last row up.
        for (long row = sheet.GetTotalRows(); row >= kFirstDataRow; --row) {
            if (!sheet.ReadRow(cells, row)) {
                error = QStringLiteral("sheet %1, row %2 cannot be read").arg(day).arg(row);
                return std::nullopt;
            }
            if (allEmpty(cells))
                continue;
            records.rows.push_back(
                {recordTime(records.year, records.month, day, cells.value(0)), tenFields(cells)});
        }
    }
    return records;
}

QStringList csvHeader()
{
    return {QStringLiteral("time"),
            QStringLiteral("DC voltage (V)"),
            QStringLiteral("AC voltage (V)"),
            QStringLiteral("Frequency (Hz)"),
            QStringLiteral("AC power (W)"),
            QStringLiteral("Energy today (kWh)"),
            QStringLiteral("Minutes today (min)"),
            QStringLiteral("Energy total (kWh)"),
            QStringLiteral("Hours total (h)"),
            QStringLiteral("Temperature (°C)"),
            QStringLiteral("State")};
}

QByteArray csvText(const MonthRecords& records)
{
    QByteArray out;
    appendLine(out, csvHeader());
    for (const MonthRecords::Row& row : records.rows)
        appendLine(out, QStringList{row.time} + row.fields);
    return out;
}

} // namespace veltroma
