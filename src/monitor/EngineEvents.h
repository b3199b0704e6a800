#pragma once

#include "monitor/InverterModel.h"
#include "monitor/RecordingState.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace veltroma {

// What the monitoring engine tells anyone who listens: the form, the headless logger, the
// status line, the publishers. Any number of listeners connect to these signals; a listener
// on another thread connects queued and receives copies.
class EngineEvents final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // Worker thread, right after a validated realtime reply was decoded: the model as it now
    // stands, with the record row built from this reply.
    void realtimeDecoded(const veltroma::InverterModel& model);
    // Worker thread, in the same moment: the record row on its own.
    void rowBuilt(const QStringList& row);
    // User-interface thread, from the watchdog: the link is declared lost, with the reason
    // in words; a validated reply came again after a loss.
    void linkLost(const QString& reason);
    void linkBack();
    // User-interface thread, after every record event: rows written or kept, and notices.
    void recordingState(const veltroma::RecordingState& state);
};

} // namespace veltroma
