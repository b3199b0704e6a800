#pragma once

#include "monitor/LinkState.h"
#include "monitor/Reading.h"
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
    // Worker thread, right after a validated realtime reply was decoded.
    void readingDecoded(const veltroma::Reading& reading);
    // Registration thread or worker thread: the inverter of `slot` (1..6) answered a
    // registration with this serial number, or was assigned its slot's address by it.
    void registered(int slot, const QString& serial);
    // Worker thread, with several inverters on the bus: the inverter of `slot` missed three
    // cycles in a row; it shows and records nothing until it answers again (a reading).
    void slotLost(int slot);
    // Registration thread or worker thread, once per connection: several unaddressed
    // inverters kept answering the same query at once; the search gave up for now (it is
    // tried again every 30 s).
    void severalAnswering();
    // The link's state changed: on the thread that changed it (the user-interface thread for
    // the switch and the watchdog, the worker for the first reply after switching on).
    void linkStateChanged(const veltroma::LinkState& state);
    // The save thread, after every record event: rows written or kept, and notices.
    void recordingState(const veltroma::RecordingState& state);
};

} // namespace veltroma
