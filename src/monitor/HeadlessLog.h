#pragma once

#include "link/ByteLink.h"
#include "monitor/LinkState.h"
#include "monitor/Reading.h"
#include "monitor/RecordingLog.h"

#include <QDateTime>
#include <QObject>

#include <cstdio>
#include <functional>

namespace veltroma {

class MonitorSession;

// One event line of the logger on `err`: the local time, then `event`, flushed at once.
void printEventLine(std::FILE* err, const QString& event);

// The first line on standard output: the names of the fields of headlessLine().
[[nodiscard]] QByteArray headlessHeader();
// The line the logger prints for a reading, fields separated by one tab: its local time in
// ISO 8601 with seconds, the inverter's slot, then the record row's values and state text.
[[nodiscard]] QByteArray headlessLine(const Reading& reading);

// What the logger without a window prints of its session: a header, then a line for every
// recorded row (or, asked for, every realtime reading) on `out`; link and recording events and
// the link counters on `err`, each event line stamped with the local time. Lines are written
// on this object's thread, so that a stop never cuts one in half.
class HeadlessLog final : public QObject {
    Q_OBJECT
public:
    HeadlessLog(ByteLink& link, std::FILE* out, std::FILE* err, QObject* parent = nullptr);

    // Prints the header, then a line for each row the session records, or with `everyReply`
    // for every realtime reading.
    void listenTo(MonitorSession& session, bool everyReply);
    // Text that follows the link counters on their line, e.g. a publisher's counters.
    void setExtraCounters(std::function<QString()> text) { extraCounters_ = std::move(text); }
    // The link counters as one line on `err`.
    void printCounters();
    // At the end: rows recorded, how long the link was lost, the last error, then the counters.
    void printExitSummary();
    // One event line on `err`.
    void printEvent(const QString& event);

private:
    void printReading(const Reading& reading);
    void linkStateChanged(const LinkState& state);
    void slotLost(int slot);

    ByteLink& link_;
    std::FILE* out_;
    std::FILE* err_;
    RecordingLog recordingLog_;
    LinkState::Kind lastLink_ = LinkState::Kind::Off;
    long long rowsRecorded_ = 0;
    // Seconds the link was lost in finished losses; the one in progress since `lostSince_`.
    qint64 lostSeconds_ = 0;
    QDateTime lostSince_;
    std::function<QString()> extraCounters_;
};

} // namespace veltroma
