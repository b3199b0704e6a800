#include "monitor/EngineTestSupport.h"

#include "monitor/HeadlessLog.h"
#include "monitor/ReplyDecoder.h"
#include "publish/MqttMessages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// One reply, decoded at one moment of Berlin's autumn night, and what the record row, the
// MQTT state and the logger's line make of it: all three from the same reading.
struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    qint64 utcSeconds; // the moment of the reply
    QStringList row;
    QString power;       // ac_power as the JSON text has it
    QString voltage;     // ac_voltage likewise
    QString state;
    QString time;        // the MQTT time
    int stateCode;
    qint64 faultWord;
    QJsonValue status;
};

// 2026-10-25 00:30 UTC is 02:30 summer time in Berlin; an hour later the clocks have gone
// back and it is 02:30 again, winter time.
constexpr qint64 kFirstHalfPastTwo = 1'792'888'200;
constexpr qint64 kSecondHalfPastTwo = kFirstHalfPastTwo + 3600;

std::vector<std::uint8_t> withBytes(std::vector<std::uint8_t> data, std::size_t offset,
                                    std::initializer_list<std::uint8_t> bytes)
{
    put(data, offset, bytes);
    return data;
}

TEST(ReadingMessagesTest, RowJsonAndLoggerLineComeFromOneReadingAcrossTheClockChange)
{
    const Case cases[] = {
        {"summer time", exampleRealtimeData(), kFirstHalfPastTwo,
         {"2:30:0", "340.0", "230.0", "50.00", "1500", "12.3", "0", "12345.6", "4096", "30.0", "Normal"},
         "1500", "230", "Normal", "2026-10-25T02:30:00+02:00", 1, 0, "normal"},
        {"the same hour again, winter time", withBytes(exampleRealtimeData(), 6, {0x08, 0xFD}),
         kSecondHalfPastTwo,
         {"2:30:0", "340.0", "230.1", "50.00", "1500", "12.3", "0", "12345.6", "4096", "30.0", "Normal"},
         "1500", "230.1", "Normal", "2026-10-25T02:30:00+01:00", 1, 0, "normal"},
        {"a fault", withBytes(realtimeData(3, 1U << 10), 10, {0x00, 0x07}), kSecondHalfPastTwo + 61,
         {"2:31:1", "0.0", "0.0", "0.00", "7", "0.0", "0", "0.0", "0", "0.0", " Over PV Voltage"},
         "7", "0", "Over PV Voltage", "2026-10-25T02:31:01+01:00", 3, 1 << 10, "fault"},
        {"a state the program does not know", realtimeData(9), kSecondHalfPastTwo,
         {"2:30:0", "0.0", "0.0", "0.00", "0", "0.0", "0", "0.0", "0", "0.0"},
         "0", "0", "Unknown", "2026-10-25T02:30:00+01:00", 9, 0, QJsonValue::Null},
    };
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedModel model;
        RecordingDisplay display;
        const QDateTime at = QDateTime::fromSecsSinceEpoch(c.utcSeconds, berlin);
        ReplyDecoder decoder(model, display, QStringLiteral("/pv/"), englishText, [at] { return at; });
        std::optional<Reading> reading;
        decoder.setReadingListener([&reading](const Reading& r) { reading = r; });
        decoder.ProcessRecv(1, replyFrame(0x82, c.data));
        ASSERT_TRUE(reading);

        EXPECT_EQ(recordRow(*reading), c.row);
        EXPECT_EQ(model.snapshot().NewRow, c.row);
        // The logger's line: local time with its date, the slot, then the row after its time.
        QStringList line = c.row.mid(1);
        while (line.size() < 10)
            line.append(QString());
        line.prepend(QStringLiteral("1"));
        line.prepend(at.toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")));
        EXPECT_EQ(QString::fromUtf8(headlessLine(*reading)), line.join(u'\t') + u'\n');
        // The list shows the same texts as the row.
        EXPECT_EQ(display.cell(0, 1), c.row[2]);

        const QByteArray json = stateMessage(QStringLiteral("pv"), QStringLiteral("S1"), *reading,
                                             CounterGuard().pass(*reading)).payload;
        const QString text = QString::fromUtf8(json);
        EXPECT_TRUE(text.contains(QStringLiteral("\"ac_power\":") + c.power + u',')) << json.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("\"ac_voltage\":") + c.voltage + u',')) << json.toStdString();
        const QJsonObject state = QJsonDocument::fromJson(json).object();
        EXPECT_EQ(state["state"].toString(), c.state);
        EXPECT_EQ(state["state_code"], QJsonValue(c.stateCode));
        EXPECT_EQ(state["fault_word"], QJsonValue(c.faultWord));
        EXPECT_EQ(state["status"], c.status);
        EXPECT_EQ(state["time"].toString(), c.time);
        EXPECT_EQ(QDateTime::fromString(state["time"].toString(), Qt::ISODate).toSecsSinceEpoch(),
                  c.utcSeconds)
            << "the offset names the instant";
    }
}

} // namespace
} // namespace veltroma::test
