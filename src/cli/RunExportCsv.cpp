#include "cli/RunExportCsv.h"

#include "monitor/CsvExport.h"

#include <QSaveFile>

#include <cstdio>

namespace veltroma {

namespace {

void complain(const QString& text)
{
    std::fprintf(stderr, "veltroma-monitor: %s\n", qPrintable(text));
}

} // namespace

int runExportCsv(const QString& monthFile, const QString& output)
{
    QString error;
    const auto records = readMonthRecords(monthFile, error);
    if (!records) {
        complain(QStringLiteral("%1: %2").arg(monthFile, error));
        return 2;
    }
    const QByteArray text = csvText(*records);

    if (output.isEmpty() || output == QStringLiteral("-")) {
        const auto size = static_cast<std::size_t>(text.size());
        const bool written =
            std::fwrite(text.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0;
        if (!written) {
            complain(QStringLiteral("cannot write to standard output"));
            return 1;
        }
        return 0;
    }
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        complain(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
        return 1;
    }
    return 0;
}

} // namespace veltroma
