#include "web/MetricsText.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

MetricsSnapshot twoInvertersOneLost()
{
    MetricsSnapshot snapshot;
    snapshot.version = QStringLiteral("3.00");
    snapshot.linkUp = true;
    snapshot.link.requestsSent = 120;
    snapshot.link.validatedReplies = 110;
    snapshot.link.timeouts = 7;
    snapshot.link.rejectedChecksum = 2;
    snapshot.link.rejectedHeader = 1;
    snapshot.link.reRegistrations = 1;

    InverterMetrics first;
    first.slot = 1;
    first.serial = QStringLiteral("A1234");
    first.model = QStringLiteral("VT \"3000\"");
    first.firmware = QStringLiteral("1.2");
    first.live = true;
    first.acPowerW = 1500;
    first.dcVoltageV = 340;
    first.acVoltageV = 230.1;
    first.frequencyHz = 50.01;
    first.temperatureC = 41.5;
    first.energyTotalKwh = 1234.5;
    first.operatingHours = 812;
    first.stateCode = 1;
    first.lastReply = QDateTime::fromSecsSinceEpoch(1'765'270'800, Qt::UTC);
    first.cycles = 55;
    first.missedCycles = 2;

    InverterMetrics lost;
    lost.slot = 2;
    lost.serial = QStringLiteral("B77");
    lost.live = false;
    lost.acPowerW = 900; // its last values, not to be shown while it is lost
    lost.energyTotalKwh = 10;
    lost.stateCode = 2;
    lost.cycles = 50;
    lost.missedCycles = 4;

    snapshot.inverters = {first, lost};
    snapshot.mqtt = MqttCounters{40, 1, 0, 2, true, 0};
    snapshot.recording.rowsRecorded = 9;
    snapshot.recording.keptRows = 3;
    snapshot.recording.failing = true;
    snapshot.recording.failures = 1;
    return snapshot;
}

TEST(MetricsTextTest, FixedValuesGiveThisExactExposition)
{
    const QByteArray expected = R"(# HELP veltroma_build_info The program's version.
# TYPE veltroma_build_info gauge
veltroma_build_info{version="3.00"} 1
# HELP veltroma_link_up Whether the inverters answer.
# TYPE veltroma_link_up gauge
veltroma_link_up 1
# HELP veltroma_inverter_info The inverter on the bus, with its model and firmware.
# TYPE veltroma_inverter_info gauge
veltroma_inverter_info{serial="A1234",model="VT \"3000\"",firmware="1.2",slot="1"} 1
veltroma_inverter_info{serial="B77",model="",firmware="",slot="2"} 1
# HELP veltroma_ac_power_watts AC power fed into the grid.
# TYPE veltroma_ac_power_watts gauge
veltroma_ac_power_watts{serial="A1234"} 1500
# HELP veltroma_dc_voltage_volts DC voltage of the panels.
# TYPE veltroma_dc_voltage_volts gauge
veltroma_dc_voltage_volts{serial="A1234"} 340
# HELP veltroma_ac_voltage_volts AC voltage of the grid.
# TYPE veltroma_ac_voltage_volts gauge
veltroma_ac_voltage_volts{serial="A1234"} 230.1
# HELP veltroma_grid_frequency_hertz Frequency of the grid.
# TYPE veltroma_grid_frequency_hertz gauge
veltroma_grid_frequency_hertz{serial="A1234"} 50.01
# HELP veltroma_temperature_celsius Temperature of the inverter.
# TYPE veltroma_temperature_celsius gauge
veltroma_temperature_celsius{serial="A1234"} 41.5
# HELP veltroma_inverter_state The inverter's state: 1 for the state it is in, 0 for the others.
# TYPE veltroma_inverter_state gauge
veltroma_inverter_state{serial="A1234",state="waiting"} 0
veltroma_inverter_state{serial="A1234",state="normal"} 1
veltroma_inverter_state{serial="A1234",state="fault"} 0
veltroma_inverter_state{serial="A1234",state="unknown"} 0
# HELP veltroma_energy_joules_total Energy the inverter fed into the grid over its life; never goes back.
# TYPE veltroma_energy_joules_total counter
veltroma_energy_joules_total{serial="A1234"} 4444200000
veltroma_energy_joules_total{serial="B77"} 36000000
# HELP veltroma_operating_seconds_total Time the inverter has fed the grid over its life; never goes back.
# TYPE veltroma_operating_seconds_total counter
veltroma_operating_seconds_total{serial="A1234"} 2923200
# HELP veltroma_last_reply_timestamp_seconds When the inverter last answered, in seconds since the epoch.
# TYPE veltroma_last_reply_timestamp_seconds gauge
veltroma_last_reply_timestamp_seconds{serial="A1234"} 1765270800
# HELP veltroma_inverter_cycles_total Polling cycles in which the inverter answered.
# TYPE veltroma_inverter_cycles_total counter
veltroma_inverter_cycles_total{serial="A1234"} 55
veltroma_inverter_cycles_total{serial="B77"} 50
# HELP veltroma_inverter_missed_cycles_total Polling cycles in which the inverter did not answer.
# TYPE veltroma_inverter_missed_cycles_total counter
veltroma_inverter_missed_cycles_total{serial="A1234"} 2
veltroma_inverter_missed_cycles_total{serial="B77"} 4
# HELP veltroma_link_requests_total Requests sent to the inverters.
# TYPE veltroma_link_requests_total counter
veltroma_link_requests_total 120
# HELP veltroma_link_replies_total Replies that passed every check.
# TYPE veltroma_link_replies_total counter
veltroma_link_replies_total 110
# HELP veltroma_link_timeouts_total Requests that no reply answered in time.
# TYPE veltroma_link_timeouts_total counter
veltroma_link_timeouts_total 7
# HELP veltroma_link_echoes_skipped_total Copies of the program's own requests heard back on the bus.
# TYPE veltroma_link_echoes_skipped_total counter
veltroma_link_echoes_skipped_total 0
# HELP veltroma_link_reopens_total Times the port was opened again after a fault.
# TYPE veltroma_link_reopens_total counter
veltroma_link_reopens_total 0
# HELP veltroma_link_reregistrations_total Times the inverters were registered again after a loss.
# TYPE veltroma_link_reregistrations_total counter
veltroma_link_reregistrations_total 1
# HELP veltroma_link_late_replies_total Valid replies from an inverter that was not asked, dropped.
# TYPE veltroma_link_late_replies_total counter
veltroma_link_late_replies_total 0
# HELP veltroma_link_rejected_frames_total Frames heard on the bus and rejected, by reason.
# TYPE veltroma_link_rejected_frames_total counter
veltroma_link_rejected_frames_total{reason="checksum"} 2
veltroma_link_rejected_frames_total{reason="header"} 1
veltroma_link_rejected_frames_total{reason="length"} 0
# HELP veltroma_mqtt_connected Whether every broker connection is up.
# TYPE veltroma_mqtt_connected gauge
veltroma_mqtt_connected 1
# HELP veltroma_mqtt_messages_sent_total Messages handed to the broker.
# TYPE veltroma_mqtt_messages_sent_total counter
veltroma_mqtt_messages_sent_total 40
# HELP veltroma_mqtt_messages_dropped_total Messages pushed out of the full queue before they could be sent.
# TYPE veltroma_mqtt_messages_dropped_total counter
veltroma_mqtt_messages_dropped_total 1
# HELP veltroma_mqtt_messages_failed_total Messages the client library refused twice, dropped.
# TYPE veltroma_mqtt_messages_failed_total counter
veltroma_mqtt_messages_failed_total 0
# HELP veltroma_mqtt_reconnects_total Broker connections after the first.
# TYPE veltroma_mqtt_reconnects_total counter
veltroma_mqtt_reconnects_total 2
# HELP veltroma_mqtt_totals_withheld_total Lifetime totals published as null because they lay below the last one.
# TYPE veltroma_mqtt_totals_withheld_total counter
veltroma_mqtt_totals_withheld_total 0
# HELP veltroma_recording_rows_total Rows handed to the month files.
# TYPE veltroma_recording_rows_total counter
veltroma_recording_rows_total 9
# HELP veltroma_recording_failures_total Times saving to the month files began to fail.
# TYPE veltroma_recording_failures_total counter
veltroma_recording_failures_total 1
# HELP veltroma_recording_dropped_rows_total Rows lost because the rows kept in memory overflowed.
# TYPE veltroma_recording_dropped_rows_total counter
veltroma_recording_dropped_rows_total 0
# HELP veltroma_recording_kept_rows Rows kept in memory for the next successful save.
# TYPE veltroma_recording_kept_rows gauge
veltroma_recording_kept_rows 3
# HELP veltroma_recording_failing Whether saving to the month files fails.
# TYPE veltroma_recording_failing gauge
veltroma_recording_failing 1
)";
    EXPECT_EQ(metricsText(twoInvertersOneLost()).toStdString(), expected.toStdString());
}

// The format's own checker: names, suffixes, HELP and TYPE lines, label syntax.
void expectPromtoolAccepts(const QByteArray& text)
{
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    ASSERT_FALSE(promtool.isEmpty()) << "promtool is missing: install the prometheus package";
    QProcess check;
    check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
    ASSERT_TRUE(check.waitForStarted());
    check.write(text);
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(30'000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString()
                                   << check.readAllStandardError().toStdString();
}

TEST(MetricsTextTest, PromtoolAcceptsTheExpositionWithAndWithoutInvertersAndBroker)
{
    expectPromtoolAccepts(metricsText(twoInvertersOneLost()));
    MetricsSnapshot bare;
    bare.version = QStringLiteral("3.00");
    expectPromtoolAccepts(metricsText(bare));
}

TEST(MetricsTextTest, LabelValuesEscapeBackslashQuoteAndLineBreak)
{
    MetricsSnapshot snapshot;
    InverterMetrics inverter;
    inverter.serial = QStringLiteral("S1");
    inverter.model = QStringLiteral("a\\b\"c\nd");
    snapshot.inverters = {inverter};
    EXPECT_TRUE(metricsText(snapshot).contains(R"(model="a\\b\"c\nd")"));
}

} // namespace
} // namespace veltroma
