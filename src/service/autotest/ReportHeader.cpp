#include "service/autotest/ReportHeader.h"

#include "service/autotest/TemplateTexts.h"

namespace veltroma {

namespace {

QString field(int value)
{
    return QString::number(value).rightJustified(2, QLatin1Char(' '));
}

} // namespace

QString soetime(const QDateTime& when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    return testViewText(QStringLiteral("StartTime"))
        .arg(field(date.year()), field(date.month()), field(date.day()), field(time.hour()),
             field(time.minute()), field(time.second()));
}

QStringList reportHeaderPieces(const QString& testBar, const QString& testName,
                               const QString& timeStr)
{
    const QString lineEnd = QStringLiteral("\r\n");
    return {lineEnd,
            testBar,
            QStringLiteral("Invert Test Report"),
            lineEnd,
            QStringLiteral("---------------------------------------\r\n"),
            QStringLiteral("[Test Name]:"),
            testName,
            lineEnd,
            QStringLiteral("[Start Time]:"),
            timeStr,
            lineEnd,
            lineEnd,
            QStringLiteral("[Model]:"),
            QStringLiteral("2.8K"),
            lineEnd,
            QStringLiteral("[SoftWare Ver]:"),
            QStringLiteral("4.12"),
            lineEnd,
            lineEnd,
            testViewText(QStringLiteral("CommSection")),
            lineEnd};
}

} // namespace veltroma
