#include "monitor/LinkCountersLine.h"

namespace veltroma {

QString linkCountersLine(const LinkCounters& c)
{
    QString line = QStringLiteral("link counters: sent %1, replies %2, timeouts %3, rejected "
                                  "checksum %4 header %5 length %6, echoes skipped %7, "
                                  "reopens %8, re-registrations %9, last error ")
                       .arg(c.requestsSent)
                       .arg(c.validatedReplies)
                       .arg(c.timeouts)
                       .arg(c.rejectedChecksum)
                       .arg(c.rejectedHeader)
                       .arg(c.rejectedLength)
                       .arg(c.echoesSkipped)
                       .arg(c.reopens)
                       .arg(c.reRegistrations);
    // Only several inverters on one bus can answer out of turn.
    if (c.lateReplies > 0)
        line.replace(QStringLiteral(", last error "),
                     QStringLiteral(", late replies %1, last error ").arg(c.lateReplies));
    if (c.lastError.isEmpty())
        return line + QStringLiteral("none");
    // Keeps the line one line, whatever the port reported.
    QString error = c.lastError;
    error.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line + c.lastErrorTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ")) + error;
}

} // namespace veltroma
