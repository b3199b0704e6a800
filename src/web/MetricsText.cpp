#include "web/MetricsText.h"

#include <array>
#include <utility>

namespace veltroma {

namespace {

constexpr double kJoulesPerKilowattHour = 3.6e6;
constexpr double kSecondsPerHour = 3600.0;

using Labels = std::vector<std::pair<const char*, QString>>;

// A label value with the three characters the format escapes.
QByteArray escapedLabel(const QString& value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

// Fifteen significant digits give back the value the record shows (230.1, not 230.100006)
// and keep the joule counters exact.
QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 15);
}

class Exposition {
public:
    void family(const char* name, const char* type, const char* help)
    {
        name_ = name;
        text_ += QByteArray("# HELP ") + name + ' ' + help + '\n';
        text_ += QByteArray("# TYPE ") + name + ' ' + type + '\n';
    }

    void sample(const Labels& labels, const QByteArray& value)
    {
        text_ += name_;
        if (!labels.empty()) {
            text_ += '{';
            bool first = true;
            for (const auto& [key, text] : labels) {
                if (!first)
                    text_ += ',';
                first = false;
                text_ += QByteArray(key) + "=\"" + escapedLabel(text) + '"';
            }
            text_ += '}';
        }
        text_ += ' ' + value + '\n';
    }

    void sample(const Labels& labels, double value) { sample(labels, number(value)); }
    void count(const Labels& labels, std::uint64_t value) { sample(labels, QByteArray::number(value)); }

    [[nodiscard]] QByteArray text() const { return text_; }

private:
    QByteArray name_;
    QByteArray text_;
};

Labels serialOf(const InverterMetrics& inverter)
{
    return {{"serial", inverter.serial}};
}

// A value gauge of every live inverter.
void liveGauge(Exposition& out, const MetricsSnapshot& snapshot, const char* name, const char* help,
               double InverterMetrics::*value)
{
    out.family(name, "gauge", help);
    for (const InverterMetrics& inverter : snapshot.inverters) {
        if (inverter.live)
            out.sample(serialOf(inverter), inverter.*value);
    }
}

void inverterFamilies(Exposition& out, const MetricsSnapshot& snapshot)
{
    out.family("veltroma_inverter_info", "gauge",
               "The inverter on the bus, with its model and firmware.");
    for (const InverterMetrics& inverter : snapshot.inverters) {
        out.sample({{"serial", inverter.serial},
                    {"model", inverter.model},
                    {"firmware", inverter.firmware},
                    {"slot", QString::number(inverter.slot)}},
                   1.0);
    }
    liveGauge(out, snapshot, "veltroma_ac_power_watts", "AC power fed into the grid.",
              &InverterMetrics::acPowerW);
    liveGauge(out, snapshot, "veltroma_dc_voltage_volts", "DC voltage of the panels.",
              &InverterMetrics::dcVoltageV);
    liveGauge(out, snapshot, "veltroma_ac_voltage_volts", "AC voltage of the grid.",
              &InverterMetrics::acVoltageV);
    liveGauge(out, snapshot, "veltroma_grid_frequency_hertz", "Frequency of the grid.",
              &InverterMetrics::frequencyHz);
    liveGauge(out, snapshot, "veltroma_temperature_celsius", "Temperature of the inverter.",
              &InverterMetrics::temperatureC);

    out.family("veltroma_inverter_state", "gauge",
               "The inverter's state: 1 for the state it is in, 0 for the others.");
    for (const InverterMetrics& inverter : snapshot.inverters) {
        if (!inverter.live)
            continue;
        for (const char* state : {"waiting", "normal", "fault", "unknown"}) {
            out.sample({{"serial", inverter.serial}, {"state", QString::fromLatin1(state)}},
                       statusName(inverter.stateCode).value_or(QStringLiteral("unknown"))
                               == QLatin1String(state)
                           ? 1.0
                           : 0.0);
        }
    }

    out.family("veltroma_energy_joules_total", "counter",
               "Energy the inverter fed into the grid over its life; never goes back.");
    for (const InverterMetrics& inverter : snapshot.inverters) {
        if (inverter.energyTotalKwh)
            out.sample(serialOf(inverter), *inverter.energyTotalKwh * kJoulesPerKilowattHour);
    }
    out.family("veltroma_operating_seconds_total", "counter",
               "Time the inverter has fed the grid over its life; never goes back.");
    for (const InverterMetrics& inverter : snapshot.inverters) {
        if (inverter.operatingHours)
            out.sample(serialOf(inverter), *inverter.operatingHours * kSecondsPerHour);
    }
    out.family("veltroma_last_reply_timestamp_seconds", "gauge",
               "When the inverter last answered, in seconds since the epoch.");
    for (const InverterMetrics& inverter : snapshot.inverters) {
        if (inverter.lastReply.isValid())
            out.sample(serialOf(inverter), inverter.lastReply.toMSecsSinceEpoch() / 1000.0);
    }
    out.family("veltroma_inverter_cycles_total", "counter",
               "Polling cycles in which the inverter answered.");
    for (const InverterMetrics& inverter : snapshot.inverters)
        out.count(serialOf(inverter), inverter.cycles);
    out.family("veltroma_inverter_missed_cycles_total", "counter",
               "Polling cycles in which the inverter did not answer.");
    for (const InverterMetrics& inverter : snapshot.inverters)
        out.count(serialOf(inverter), inverter.missedCycles);
}

void linkFamilies(Exposition& out, const LinkCounters& link)
{
    struct Counter {
        const char* name;
        const char* help;
        std::uint64_t value;
    };
    const std::array counters{
        Counter{"veltroma_link_requests_total", "Requests sent to the inverters.", link.requestsSent},
        Counter{"veltroma_link_replies_total", "Replies that passed every check.",
                link.validatedReplies},
        Counter{"veltroma_link_timeouts_total", "Requests that no reply answered in time.",
                link.timeouts},
        Counter{"veltroma_link_echoes_skipped_total",
                "Copies of the program's own requests heard back on the bus.", link.echoesSkipped},
        Counter{"veltroma_link_reopens_total", "Times the port was opened again after a fault.",
                link.reopens},
        Counter{"veltroma_link_reregistrations_total",
                "Times the inverters were registered again after a loss.", link.reRegistrations},
        Counter{"veltroma_link_late_replies_total",
                "Valid replies from an inverter that was not asked, dropped.", link.lateReplies},
    };
    for (const Counter& counter : counters) {
        out.family(counter.name, "counter", counter.help);
        out.count({}, counter.value);
    }
    out.family("veltroma_link_rejected_frames_total", "counter",
               "Frames heard on the bus and rejected, by reason.");
    out.count({{"reason", QStringLiteral("checksum")}}, link.rejectedChecksum);
    out.count({{"reason", QStringLiteral("header")}}, link.rejectedHeader);
    out.count({{"reason", QStringLiteral("length")}}, link.rejectedLength);
}

void mqttFamilies(Exposition& out, const MqttCounters& mqtt)
{
    out.family("veltroma_mqtt_connected", "gauge", "Whether every broker connection is up.");
    out.sample({}, mqtt.connected ? 1.0 : 0.0);
    out.family("veltroma_mqtt_messages_sent_total", "counter", "Messages handed to the broker.");
    out.count({}, mqtt.sent);
    out.family("veltroma_mqtt_messages_dropped_total", "counter",
               "Messages pushed out of the full queue before they could be sent.");
    out.count({}, mqtt.dropped);
    out.family("veltroma_mqtt_messages_failed_total", "counter",
               "Messages the client library refused twice, dropped.");
    out.count({}, mqtt.failed);
    out.family("veltroma_mqtt_reconnects_total", "counter", "Broker connections after the first.");
    out.count({}, mqtt.reconnects);
    out.family("veltroma_mqtt_totals_withheld_total", "counter",
               "Lifetime totals published as null because they lay below the last one.");
    out.count({}, mqtt.withheld);
}

void recordingFamilies(Exposition& out, const RecordingMetrics& recording)
{
    out.family("veltroma_recording_rows_total", "counter", "Rows handed to the month files.");
    out.count({}, recording.rowsRecorded);
    out.family("veltroma_recording_failures_total", "counter",
               "Times saving to the month files began to fail.");
    out.count({}, recording.failures);
    out.family("veltroma_recording_dropped_rows_total", "counter",
               "Rows lost because the rows kept in memory overflowed.");
    out.count({}, recording.droppedRows);
    out.family("veltroma_recording_kept_rows", "gauge",
               "Rows kept in memory for the next successful save.");
    out.sample({}, static_cast<double>(recording.keptRows));
    out.family("veltroma_recording_failing", "gauge", "Whether saving to the month files fails.");
    out.sample({}, recording.failing ? 1.0 : 0.0);
}

} // namespace

QByteArray metricsText(const MetricsSnapshot& snapshot)
{
    Exposition out;
    out.family("veltroma_build_info", "gauge", "The program's version.");
    out.sample({{"version", snapshot.version}}, 1.0);
    out.family("veltroma_link_up", "gauge", "Whether the inverters answer.");
    out.sample({}, snapshot.linkUp ? 1.0 : 0.0);
    inverterFamilies(out, snapshot);
    linkFamilies(out, snapshot.link);
    if (snapshot.mqtt)
        mqttFamilies(out, *snapshot.mqtt);
    recordingFamilies(out, snapshot.recording);
    return out.text();
}

} // namespace veltroma
