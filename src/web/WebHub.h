#pragma once

#include "monitor/LinkState.h"
#include "monitor/Reading.h"
#include "monitor/RecordingState.h"
#include "publish/MqttConnection.h"
#include "web/HttpExchange.h"
#include "web/MetricsText.h"
#include "web/MonthRecordCache.h"
#include "web/TodayCurve.h"
#include "web/WebEventLog.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace veltroma {

class MonitorSession;

// What the web view knows of a running session, and its answers: it listens to the session
// and its engine's events, holds the latest reading of every slot, today's AC power, the
// link's and the recording's state, the events list and the pushed events, and answers every
// request of the web view but the live stream (which the server serves from the pushed
// events). Month files are read for /day, /month, /today and the CSV downloads, and kept as
// read until they change.
//
// Threads: made, used and destroyed on the session's thread (whose event loop receives the
// engine's events); it never takes the link lock.
class WebHub final : public QObject {
    Q_OBJECT
public:
    struct Setup {
        // The port in words, e.g. "/dev/ttyUSB0".
        QString portName;
        // The program's version as it shows it, e.g. "3.00".
        QString version;
        // The publishers' counters; none (or a function giving none): nothing is published.
        std::function<std::optional<MqttCounters>()> mqttCounters = {};
        // The pages, the help and their static files (/, /history, /health, /static/...);
        // none: they answer 404.
        std::function<WebResponse(const WebRequest&)> pages = {};
        // The local time now; by default the system's.
        std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    };

    WebHub(MonitorSession& session, Setup setup, QObject* parent = nullptr);

    // The answer to a GET or HEAD request of any path but /api/v1/stream: JSON for the API
    // (404 {"error":...} for a path that is none, 400 for a bad parameter, 500 for a month
    // file that cannot be read), CSV for the downloads, the metrics text, or the pages'.
    [[nodiscard]] WebResponse respond(const WebRequest& request);

    // The pushed events still held with an id above `lastId`, oldest first (see PushHistory).
    [[nodiscard]] std::vector<ServerSentEvent> eventsAfter(quint64 lastId) const;
    // What a stream begins with: for a client that comes back with the id of the last event
    // it had, the events after it; for a new one the state of the moment, as events without
    // an id: the link, the recording and every inverter's reading. So a page that loaded
    // /api/v1/live a moment before misses no change in between.
    [[nodiscard]] std::vector<ServerSentEvent> streamStart(std::optional<quint64> lastId) const;

    // What /metrics tells now.
    [[nodiscard]] MetricsSnapshot metricsSnapshot() const;

signals:
    // A new reading, link or recording event for the live push, with its id.
    void serverSentEvent(const veltroma::ServerSentEvent& event);

private:
    // The counters of one inverter that must never go back on the metrics: the highest total
    // energy and operating hours seen since the start (or recorded earlier today).
    struct HeldCounters {
        std::optional<double> energyTotalKwh;
        std::optional<double> operatingHours;
        void hold(std::optional<double>& held, double value);
    };

    struct SlotData {
        std::optional<Reading> reading;
        TodayCurve today;
        HeldCounters counters;
        bool faulted = false;
        std::uint32_t faultWord = 0;
    };

    void onReading(const Reading& reading);
    void onLinkState(const LinkState& state);
    void onRecordingState(const RecordingState& state);
    void onRefreshed();
    void seedCounters();
    void noteFault(SlotData& data, const Reading& reading);
    void push(const char* type, const QJsonObject& data);
    void addEvent(WebEvent::Kind kind, std::optional<int> slot, QString text);

    [[nodiscard]] int slotCount() const;
    [[nodiscard]] bool live(int slot) const;
    [[nodiscard]] QJsonObject inverterOf(int slot) const;
    [[nodiscard]] QJsonObject linkNow() const;
    [[nodiscard]] QString monthFile(int slot, int year, int month) const;

    WebResponse live() const;
    WebResponse health() const;
    WebResponse events(const WebRequest& request) const;
    WebResponse today(const WebRequest& request);
    WebResponse day(const WebRequest& request);
    WebResponse month(const WebRequest& request);
    WebResponse exportCsv(const WebRequest& request);
    WebResponse metrics() const;

    MonitorSession& session_;
    Setup setup_;
    QDateTime started_;
    std::array<SlotData, 7> slots_;
    LinkState link_;
    QDateTime linkSince_;
    RecordingState recording_;
    RecordingMetrics recordingCounts_;
    LinkCounters lastCounters_;
    WebEventLog events_;
    PushHistory pushed_;
    MonthRecordCache months_;
};

} // namespace veltroma
