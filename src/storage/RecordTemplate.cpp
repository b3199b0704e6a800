#include "storage/RecordTemplate.h"

#include "storage/BiffWriter.h"
#include "storage/CompoundFile.h"

#include <algorithm>

namespace veltroma {

namespace {

constexpr int kCharacterWidth = 256; // column widths count 1/256 of a character

void makeCover(Sheet& cover)
{
    cover.setText(0, 0, QStringLiteral("Inverter History Data Management"));
    cover.setStyle(0, 0, CellStyle::Title);
    cover.addMerge({0, 21, 0, 8});
    const QStringList labels = {QStringLiteral("Serial No."), QStringLiteral("Inverter Model"),
                                QStringLiteral("Software Version"), QStringLiteral("Year-Month")};
    for (int i = 0; i < labels.size(); ++i) {
        const int row = 35 + i;
        cover.setText(row, 1, labels[i]);
        cover.setStyle(row, 1, CellStyle::Heading);
        cover.addMerge({row, row, 3, 7});
    }
    cover.setColumnWidth(1, 18 * kCharacterWidth);
}

void makeDay(Sheet& day)
{
    const QStringList& titles = recordColumnTitles();
    for (int c = 0; c < titles.size(); ++c) {
        day.setText(1, c, titles[c]);
        day.setStyle(1, c, CellStyle::Heading);
        day.setColumnWidth(c, std::max(10, static_cast<int>(titles[c].size()) + 2) * kCharacterWidth);
    }
}

} // namespace

const QStringList& recordColumnTitles()
{
    static const QStringList titles = {
        QStringLiteral("Hour:Minute"),      QStringLiteral("DC oltage(V)"),
        QStringLiteral("AC Voltage(V)"),    QStringLiteral("frequency (Hz)"),
        QStringLiteral("AC Power (W)"),     QStringLiteral("TodayEnergy(kWh)"),
        QStringLiteral("Today Minutes (min)"), QStringLiteral("Total  Energy (kWh)"),
        QStringLiteral("TotalHours(h)"),    QStringLiteral("Temperature (\u00B0C)"),
        QStringLiteral("Inverter Status")};
    return titles;
}

Workbook makeRecordTemplate()
{
    Workbook book;
    makeCover(book.appendSheet(QStringLiteral("Cover")));
    for (int day = 1; day <= 31; ++day)
        makeDay(book.appendSheet(QString::number(day)));
    return book;
}

QByteArray recordTemplateFile()
{
    return buildCompoundFile(writeWorkbookStream(makeRecordTemplate()));
}

} // namespace veltroma
