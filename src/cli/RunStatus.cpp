#include "cli/RunStatus.h"

#include "cli/Messages.h"
#include "cli/ProgramStartup.h"
#include "cli/StatusReport.h"
#include "config/InverterSlots.h"
#include "config/ProfileFile.h"
#include "monitor/RecordPaths.h"

#include <QDateTime>

#include <cstdio>
#include <vector>

namespace veltroma {

ExitCode runStatus(const QString& home)
{
    const ProgramStart start = findProgram(home);
    if (start.failure) {
        printMessage(*start.failure);
        return ExitCode::Failure;
    }
    // Taken once, before the files are read: every age is told from the same moment.
    const QDateTime now = QDateTime::currentDateTime();
    const int count =
        loadInverterSlots(ProfileFile(start.folder + QStringLiteral("setting.ini"))).count;
    std::vector<SlotRecords> inverters;
    for (int slot = 1; slot <= count; ++slot) {
        const QString folder = LoadDataSet(start.folder, now, slot).DataRecordDir2;
        inverters.push_back({slot, findLatestRecord(folder, now.date())});
    }
    const StatusReport report = statusReport(inverters, now);
    const QByteArray text = report.text.toUtf8();
    const auto size = static_cast<std::size_t>(text.size());
    if (std::fwrite(text.constData(), 1, size, stdout) != size || std::fflush(stdout) != 0) {
        printMessage(QStringLiteral("cannot write to standard output"));
        return ExitCode::Failure;
    }
    return report.code;
}

} // namespace veltroma
