#pragma once

#include "link/LinkHealth.h"
#include "monitor/Reading.h"
#include "publish/MqttConnection.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace veltroma {

// One inverter as the metrics show it. While it is lost (or before it answered) its value
// gauges are left out; its counters stay.
struct InverterMetrics {
    int slot = 1;
    QString serial;
    QString model;
    QString firmware;
    bool live = false; // answered since the start and not lost now
    // The values of its latest reading, in the units of the record, rounded as the record
    // shows them (Reading::shown).
    double acPowerW = 0;
    double dcVoltageV = 0;
    double acVoltageV = 0;
    double frequencyHz = 0;
    double temperatureC = 0;
    // The counters, already held so that they never go back (none: not known yet).
    std::optional<double> energyTotalKwh;
    std::optional<double> operatingHours;
    // 0 wait, 1 normal, 2 and 3 fault; anything else unknown.
    int stateCode = 0;
    QDateTime lastReply; // invalid: none yet
    std::uint64_t cycles = 0;
    std::uint64_t missedCycles = 0;
};

// What the recorder did since the program started.
struct RecordingMetrics {
    std::uint64_t rowsRecorded = 0; // rows handed to the recorder
    std::uint64_t failures = 0;     // saves that failed (the rows were kept)
    std::uint64_t droppedRows = 0;  // kept rows pushed out of a full backlog
    int keptRows = 0;               // rows waiting for the next successful save
    bool failing = false;
};

// Everything /metrics tells, taken at one moment on the session's thread.
struct MetricsSnapshot {
    QString version;     // "3.00"
    bool linkUp = false; // replies come
    LinkCounters link;
    std::optional<MqttCounters> mqtt; // none: nothing is published
    RecordingMetrics recording;
    std::vector<InverterMetrics> inverters;
};

// The snapshot in the Prometheus text exposition format 0.0.4, in base units, with a HELP
// and a TYPE line for every family and the families in a fixed order.
[[nodiscard]] QByteArray metricsText(const MetricsSnapshot& snapshot);

// The Content-Type of that text.
inline constexpr char kMetricsContentType[] = "text/plain; version=0.0.4; charset=utf-8";

} // namespace veltroma
