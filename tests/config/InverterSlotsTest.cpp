#include "config/InverterSlots.h"
#include "config/ProfileFile.h"

#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

class InverterSlotsTest : public ::testing::Test {
protected:
    ProfileFile fileWith(const QByteArray& bytes)
    {
        const QString path = dir_.filePath(QStringLiteral("setting.ini"));
        test::writeBytes(path, bytes);
        return ProfileFile(path);
    }

    QTemporaryDir dir_;
};

TEST_F(InverterSlotsTest, WithoutTheSectionOneInverterAndNoSerial)
{
    const InverterSlots inverters =
        loadInverterSlots(fileWith("[Setting]\r\nCommNum=COM1,9600,8,N,1\r\n"));
    EXPECT_EQ(inverters, InverterSlots{});
    EXPECT_EQ(inverters.freeSlot(), 1);
}

TEST_F(InverterSlotsTest, ReadsCountAndSerialsAndRefusesWhatNoInverterCouldBe)
{
    struct Case {
        const char* count;
        int expected;
    };
    for (const Case c : {Case{"3", 3}, Case{"0", 1}, Case{"9", 6}, Case{"-2", 1}, Case{"three", 1}}) {
        SCOPED_TRACE(c.count);
        const QByteArray text = QByteArray("[inverters]\r\ncount=") + c.count + "\r\n";
        EXPECT_EQ(loadInverterSlots(fileWith(text)).count, c.expected);
    }

    const InverterSlots inverters = loadInverterSlots(fileWith(
        "[Inverters]\r\nCount=4\r\n"
        "Serial1=VT24000123\r\n"
        "Serial2=SHORT\r\n"              // not ten characters
        "Serial3=VT24000123\r\n"         // the same inverter as slot 1
        "Serial4=VT2400\x01" "999\r\n"   // a control byte
        "Serial5=VT24000555\r\n"));      // beyond Count, still its slot's
    EXPECT_EQ(inverters.serials[1], QStringLiteral("VT24000123"));
    for (const int free : {2, 3, 4})
        EXPECT_TRUE(inverters.serials[std::size_t(free)].isEmpty()) << free;
    EXPECT_EQ(inverters.serials[5], QStringLiteral("VT24000555"));
    EXPECT_EQ(inverters.slotOf(QStringLiteral("VT24000555")), 5);
    EXPECT_FALSE(inverters.slotOf(QString()));
    EXPECT_EQ(inverters.freeSlot(), 2);
}

TEST_F(InverterSlotsTest, ASerialFoundIsKeptInItsSlotAndOnlyThere)
{
    const ProfileFile file = fileWith("[Setting]\r\nLanguage=English\r\n[Inverters]\r\nCount=2\r\n");
    ASSERT_TRUE(saveSlotSerial(file, 2, QStringLiteral("VT24000777")));
    EXPECT_FALSE(saveSlotSerial(file, 7, QStringLiteral("VT24000778")));
    EXPECT_FALSE(saveSlotSerial(file, 1, QStringLiteral("VT/24\n0779")));
    InverterSlots inverters = loadInverterSlots(file);
    EXPECT_EQ(inverters.serials[2], QStringLiteral("VT24000777"));
    EXPECT_EQ(inverters.freeSlot(), 1);
    EXPECT_EQ(file.read(QStringLiteral("Setting"), QStringLiteral("Language")), QStringLiteral("English"));

    ASSERT_TRUE(saveSlotSerial(file, 1, QStringLiteral("VT24000001")));
    EXPECT_FALSE(loadInverterSlots(file).freeSlot()) << "both inverters of Count=2 taken";
    ASSERT_TRUE(saveSlotSerial(file, 2, QString()));
    inverters = loadInverterSlots(file);
    EXPECT_EQ(inverters.freeSlot(), 2);
    EXPECT_EQ(inverters.serials[1], QStringLiteral("VT24000001"));
}

TEST_F(InverterSlotsTest, TheCountIsWrittenAndEveryOtherLineStays)
{
    const QByteArray before = "; kept as the user wrote it\r\n"
                              "[Setting]\r\nCommNum=COM3,9600,8,N,1\r\nLanguage=English\r\n"
                              "[Inverters]\r\nSerial1=VT24000001\r\nCount=1\r\nSerial2=VT24000002\r\n"
                              "[Mqtt]\r\nHost=broker.lan\r\n";
    const ProfileFile file = fileWith(before);
    ASSERT_TRUE(saveInverterCount(file, 3));
    QByteArray expected = before;
    expected.replace("Count=1", "Count=3");
    EXPECT_EQ(test::readBytes(file.path()), expected);

    for (const int refused : {0, 7, -1}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(saveInverterCount(file, refused));
    }
    EXPECT_EQ(test::readBytes(file.path()), expected);

    const ProfileFile fresh = fileWith("[Setting]\r\nLanguage=English\r\n");
    ASSERT_TRUE(saveInverterCount(fresh, 6));
    EXPECT_EQ(loadInverterSlots(fresh).count, 6);
    EXPECT_EQ(fresh.read(QStringLiteral("Setting"), QStringLiteral("Language")), QStringLiteral("English"));
}

TEST_F(InverterSlotsTest, CommandsWithoutAddressGoOutOnlyToOneInverterAlone)
{
    EXPECT_TRUE(mayTalkWithoutAddress(1));
    for (int count = 2; count <= InverterSlots::kMaxCount; ++count)
        EXPECT_FALSE(mayTalkWithoutAddress(count)) << count;
    EXPECT_FALSE(mayTalkWithoutAddress(0));
}

} // namespace
} // namespace veltroma
