#include "cli/RunExportCsv.h"

#include "base/PrivateFiles.h"
#include "cli/Messages.h"
#include "monitor/CsvExport.h"

#include <QSaveFile>

#include <cstdio>

namespace veltroma {

ExitCode runExportCsv(const QString& monthFile, const QString& output)
{
    QString error;
    const auto records = readMonthRecords(monthFile, error);
    if (!records) {
        printMessage(QStringLiteral("%1: %2").arg(monthFile, error));
        return ExitCode::Usage;
    }
    const QByteArray text = csvText(*records);

    if (output.isEmpty() || output == QStringLiteral("-")) {
        const auto size = static_cast<std::size_t>(text.size());
        const bool written =
            std::fwrite(text.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0;
        if (!written) {
            printMessage(QStringLiteral("cannot write to standard output"));
            return ExitCode::Failure;
        }
        return ExitCode::Ok;
    }
    // The export carries the plant's records: as private as the month file it comes from.
    QSaveFile file(output);
    const bool opened = file.open(QIODevice::WriteOnly);
    if (opened)
        makeOpenFilePrivate(file);
    if (!opened || file.write(text) != text.size() || !file.commit()) {
        printMessage(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
        return ExitCode::Failure;
    }
    return ExitCode::Ok;
}

} // namespace veltroma
