#include "EngineTestSupport.h"

#include "monitor/FaultTable.h"
#include "monitor/ReplyDecoder.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

const QDateTime kNoon(QDate(2011, 5, 7), QTime(9, 5, 3));

class ReplyDecoderTest : public ::testing::Test {
protected:
    ReplyDecoderTest()
        : decoder(model, display, QStringLiteral("/opt/pv/"), englishText, [] { return kNoon; })
    {
        decoder.setReadingListener([this](const Reading& reading) {
            readings.push_back(reading);
            rows.push_back(recordRow(reading));
        });
    }

    void decode(std::uint8_t function, const std::vector<std::uint8_t>& data, int slot = 1)
    {
        const auto frame = replyFrame(function, data);
        decoder.ProcessRecv(slot, frame);
    }

    SharedModel model;
    RecordingDisplay display;
    ReplyDecoder decoder;
    std::vector<Reading> readings;
    std::vector<QStringList> rows;
};

TEST_F(ReplyDecoderTest, RealtimeExampleGivesTheListedTexts)
{
    decode(0x82, exampleRealtimeData());

    const QStringList expected{"340.0", "230.0", "50.00", "1500", "12.3", "", "12345.6", "4096",
                               "30.0"};
    for (int column = 0; column < 9; ++column)
        EXPECT_EQ(display.cell(0, column), expected[column]) << "column " << column;
    EXPECT_EQ(display.gaugeLabel(), "1.500kW");
    EXPECT_DOUBLE_EQ(display.gauge(), 1.5);
    ASSERT_EQ(display.lamps().size(), 1U);
    EXPECT_EQ(display.lamps()[0].text, "Normal");
    EXPECT_EQ(display.lamps()[0].color, kLampGreen);
    EXPECT_EQ(display.lamps()[0].slot, 1);

    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0], (QStringList{"9:5:3", "340.0", "230.0", "50.00", "1500", "12.3", "0",
                                    "12345.6", "4096", "30.0", "Normal"}));

    const auto m = model.snapshot();
    EXPECT_FLOAT_EQ(m.values.TemperatureValue[1], 30.0F);
    EXPECT_EQ(m.values.iInverterState[1], 1);
    EXPECT_EQ(m.NewRow, rows[0]);
    EXPECT_TRUE(m.realtimeDecoded);
    EXPECT_EQ(m.paths.sWriteExcelPath, "/opt/pv/Data/Inverter1/2011-5.xls");
    EXPECT_EQ(m.paths.sExcelShellName, "7");
}

TEST_F(ReplyDecoderTest, OdometersShowThisReplysEnergiesAsTheListDoes)
{
    decode(0x82, exampleRealtimeData());
    EXPECT_DOUBLE_EQ(display.todayOdometer(), static_cast<double>(12.3F));
    EXPECT_DOUBLE_EQ(display.totalOdometer(), static_cast<double>(12345.6F));

    auto next = exampleRealtimeData();
    put(next, 14, {0x00, 0x01, 0xE2, 0x4A}); // 12346.6
    decode(0x82, next);
    EXPECT_EQ(display.cell(0, 6), "12346.6");
    EXPECT_EQ(QString::asprintf("%.1f", display.totalOdometer()), display.cell(0, 6));
}

TEST_F(ReplyDecoderTest, GaugeSumsEverySlot)
{
    decode(0x82, exampleRealtimeData(), 1);
    auto other = exampleRealtimeData();
    put(other, 10, {0x00, 0xFA}); // 250 W
    decode(0x82, other, 3);
    EXPECT_EQ(display.gaugeLabel(), "1.750kW");
    EXPECT_EQ(display.cell(2, 3), "250");
    EXPECT_EQ(display.cell(1, 3), "");
}

TEST_F(ReplyDecoderTest, HighestFaultBitWins)
{
    struct Case {
        std::uint32_t word;
        const char* text;
    };
    for (const auto& c : {Case{1U << 10, " Over PV Voltage"}, Case{(1U << 31) | (1U << 10), " EEPROM Damaged "},
                          Case{1U << 20, "                "}, Case{1U << 7, "Higt Temperature"},
                          Case{(1U << 16) | 1U, "  Device Fault  "}}) {
        decode(0x82, realtimeData(2, c.word));
        ASSERT_FALSE(display.lamps().empty());
        EXPECT_EQ(display.lamps().back().text, c.text) << std::hex << c.word;
        EXPECT_EQ(display.lamps().back().color, kLampRed);
        EXPECT_EQ(rows.back().back(), c.text);
    }
}

TEST(FaultTableTest, EveryTextIsSixteenCharacters)
{
    for (const auto text : bErrorString)
        EXPECT_EQ(text.size(), kFaultTextLength) << text;
    EXPECT_FALSE(faultText(0).has_value());
}

TEST_F(ReplyDecoderTest, FaultWithoutBitShowsFaultThenTheRememberedText)
{
    decode(0x82, realtimeData(3, 0));
    EXPECT_EQ(display.lamps().back().text, "Fault");
    EXPECT_EQ(rows.back().back(), "Fault");

    decode(0x82, realtimeData(2, 1U << 13));
    EXPECT_EQ(display.lamps().back().text, "  Grid F Fault  ");

    decode(0x82, realtimeData(1, 0));
    EXPECT_EQ(display.lamps().back().text, "Normal");
    decode(0x82, realtimeData(2, 0));
    EXPECT_EQ(display.lamps().back().text, "  Grid F Fault  ");
    EXPECT_EQ(model.snapshot().sErrorString, "  Grid F Fault  ");
}

TEST_F(ReplyDecoderTest, UnknownStateLeavesLampAndRowStateOut)
{
    decode(0x82, realtimeData(0));
    ASSERT_EQ(display.lamps().size(), 1U);
    EXPECT_EQ(display.lamps()[0].text, "Wait");
    EXPECT_EQ(rows.back().size(), 11);

    decode(0x82, realtimeData(4));
    EXPECT_EQ(display.lamps().size(), 1U);
    EXPECT_EQ(rows.back().size(), 10);
}

TEST_F(ReplyDecoderTest, SettingsBlockSetsMinutesTodayOnly)
{
    decode(0x82, exampleRealtimeData());
    const auto rowBefore = model.snapshot().NewRow;

    std::vector<std::uint8_t> settings(18, 0);
    put(settings, 14, {0x01, 0xE0});
    decode(0x84, settings);

    EXPECT_EQ(display.cell(0, 5), "480");
    const auto m = model.snapshot();
    EXPECT_FLOAT_EQ(m.values.Htoday[1], 480.0F);
    EXPECT_EQ(m.NewRow, rowBefore);
    EXPECT_EQ(rows.size(), 1U);

    // The next realtime row carries the minutes of the settings block.
    decode(0x82, exampleRealtimeData());
    EXPECT_EQ(rows.back()[6], "480");
}

TEST_F(ReplyDecoderTest, InformationBlockIsTakenOnce)
{
    std::vector<std::uint8_t> info(28, ' ');
    const std::string version = "V1.23";
    const std::string modelName = "PV-3000TL  grid1";
    std::copy(version.begin(), version.end(), info.begin() + 7);
    std::copy(modelName.begin(), modelName.end(), info.begin() + 12);
    decode(0x83, info);

    auto second = info;
    second[7] = 'X';
    decode(0x83, second);

    const auto m = model.snapshot();
    EXPECT_EQ(m.sVer[1], "V1.23");
    EXPECT_EQ(m.sModelname[1], "PV-3000TL  grid1");
    EXPECT_EQ(m.bInverterAdrOld, 1);
    EXPECT_EQ(display.updates(), 0);
}

TEST_F(ReplyDecoderTest, ControlBytesOfAnInformationBlockShowAsQuestionMarks)
{
    std::vector<std::uint8_t> info(28, ' ');
    const std::string version = "V1\x1b[2";
    const std::string modelName = "PV\x07\xff" "3000TL  grid";
    std::copy(version.begin(), version.end(), info.begin() + 7);
    std::copy(modelName.begin(), modelName.end(), info.begin() + 12);
    decode(0x83, info);

    EXPECT_EQ(model.snapshot().sVer[1], "V1?[2");
    EXPECT_EQ(model.snapshot().sModelname[1], "PV??3000TL  grid");
}

TEST_F(ReplyDecoderTest, ShortInformationBlockIsNotTaken)
{
    decode(0x83, std::vector<std::uint8_t>(20, 'A'));
    EXPECT_EQ(model.snapshot().bInverterAdrOld, 0);
    EXPECT_TRUE(model.snapshot().sVer[1].isEmpty());
}

TEST_F(ReplyDecoderTest, NegativeTotalsAreSigned)
{
    auto data = exampleRealtimeData();
    put(data, 14, {0xFF, 0xFF, 0xFF, 0xF6}); // -10 -> -1.0 kWh
    put(data, 18, {0x80, 0x00, 0x00, 0x00});
    decode(0x82, data);
    EXPECT_EQ(display.cell(0, 6), "-1.0");
    EXPECT_EQ(display.cell(0, 7), "-2147483648");
}

TEST_F(ReplyDecoderTest, ShortReplyTakesNothingBeyondItsLength)
{
    decode(0x82, exampleRealtimeData());

    // A valid realtime reply of only 12 data bytes: temperature, PV and grid values, power;
    // energies, totals, state and fault word are not in it.
    auto shortData = std::vector<std::uint8_t>(12, 0);
    put(shortData, 0, {0x00, 0xFA});  // 25.0
    put(shortData, 10, {0x03, 0xE8}); // 1000 W
    decode(0x82, shortData);

    EXPECT_EQ(display.cell(0, 8), "25.0");
    EXPECT_EQ(display.cell(0, 3), "1000");
    EXPECT_EQ(display.cell(0, 4), "12.3");
    EXPECT_EQ(display.cell(0, 6), "12345.6");
    EXPECT_EQ(display.lamps().back().text, "Normal");
    EXPECT_EQ(rows.back(), (QStringList{"9:5:3", "0.0", "0.0", "0.00", "1000", "12.3", "0",
                                        "12345.6", "4096", "25.0", "Normal"}));

    // The reading tells which values are this reply's own and which are kept from before.
    ASSERT_EQ(readings.size(), 2U);
    const std::array<bool, kQuantityCount> full{true, true, true, true, true, false, true, true, true};
    const std::array<bool, kQuantityCount> partial{true, true, true, true, false, false, false, false, true};
    EXPECT_EQ(readings[0].carried, full);
    EXPECT_EQ(readings[1].carried, partial);
    EXPECT_FALSE(readings[1].carries(Quantity::Etotal));
    EXPECT_TRUE(readings[1].carries(Quantity::Pac));
}

TEST_F(ReplyDecoderTest, OtherFunctionCodesOnlyRefreshTheRecordPaths)
{
    decode(0x90, exampleRealtimeData());
    const auto m = model.snapshot();
    EXPECT_EQ(display.updates(), 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(m.realtimeDecoded);
    EXPECT_EQ(m.paths.sExcelColumA, "9:5:3");
}

TEST(RecordPathsTest, NamesCarryNoLeadingZeros)
{
    const auto paths =
        LoadDataSet("/home/pv/", QDateTime(QDate(2011, 12, 31), QTime(0, 7, 9)), 1);
    EXPECT_EQ(paths.DataRecordDir1, "/home/pv/Data");
    EXPECT_EQ(paths.DataRecordDir2, "/home/pv/Data/Inverter1/");
    EXPECT_EQ(paths.sExcelFileName, "2011-12");
    EXPECT_EQ(paths.sExcelShellName, "31");
    EXPECT_EQ(paths.sExcelColumA, "0:7:9");
    EXPECT_EQ(paths.sWriteExcelPath, "/home/pv/Data/Inverter1/2011-12.xls");
}

} // namespace
} // namespace veltroma::test
