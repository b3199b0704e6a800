#include "monitor/RecordingLog.h"

#include <QDir>

namespace veltroma {

namespace {

QString noticeLine(const RecordingNotice& n)
{
    const QString file = QDir::toNativeSeparators(n.file);
    switch (n.kind) {
    case RecordingNotice::Kind::KeptAside:
        return QStringLiteral("recording: %1 could not be read; kept unchanged as %2, a new file records")
            .arg(file, QDir::toNativeSeparators(n.detail));
    case RecordingNotice::Kind::CopiedIn:
        return QStringLiteral("recording: the cover and rows of %1 were copied into %2")
            .arg(QDir::toNativeSeparators(n.detail), file);
    case RecordingNotice::Kind::OfficeLock:
        return QStringLiteral("recording: %1 is open in an office program (%2); saving it there would "
                              "overwrite rows recorded meanwhile")
            .arg(file, QDir::toNativeSeparators(n.detail));
    case RecordingNotice::Kind::BacklogFull:
        return QStringLiteral("recording: %1 kept rows dropped, seven days of rows were waiting").arg(n.detail);
    }
    return {};
}

} // namespace

QStringList RecordingLog::linesFor(const RecordingState& state)
{
    QStringList lines;
    for (const RecordingNotice& n : state.notices)
        lines << noticeLine(n);
    if (state.failing && (!failing_ || state.failedFile != failedFile_))
        lines << QStringLiteral("recording failed: %1: %2")
                     .arg(QDir::toNativeSeparators(state.failedFile), state.reason);
    else if (!state.failing && failing_)
        lines << QStringLiteral("recording resumed");
    failing_ = state.failing;
    failedFile_ = state.failedFile;
    return lines;
}

} // namespace veltroma
