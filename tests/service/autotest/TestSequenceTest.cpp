#include "service/autotest/TestSequence.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

const QDateTime kStart(QDate(2011, 3, 5), QTime(9, 7, 2));

// The header as it must read, written out whole.
QString expectedHeader(const QString& barCode)
{
    return QStringLiteral("\r\n") + barCode
        + QStringLiteral("Invert Test Report\r\n"
                         "---------------------------------------\r\n"
                         "[Test Name]:\r\n"
                         "[Start Time]:2011年 3月 5日  9时 7分 2秒\r\n"
                         "\r\n"
                         "[Model]:2.8K\r\n"
                         "[SoftWare Ver]:4.12\r\n"
                         "\r\n"
                         "[装置与上位机通讯]\r\n");
}

TEST(TestSequence, HeaderCarriesTheBarCodeEnteredLastAndTheAlignedStartTime)
{
    setTestBar(QStringLiteral("VT24000123"));
    TestSequence sequence;
    sequence.beginDeviceBar();
    // A later bar-code dialog that was cancelled leaves the last bar code as it was.
    sequence.endDeviceBar();

    EXPECT_EQ(sequence.OnTestComm(kStart, TestBar()), expectedHeader(QStringLiteral("VT24000123")));
    EXPECT_EQ(sequence.startTime(), QStringLiteral("2011年 3月 5日  9时 7分 2秒"));
    EXPECT_TRUE(sequence.inProgress());

    // Two-digit fields keep their width; nothing is cut.
    EXPECT_EQ(sequence.OnTestComm(QDateTime(QDate(2011, 12, 25), QTime(23, 59, 30)), {}),
              expectedHeader({}).replace(QStringLiteral("2011年 3月 5日  9时 7分 2秒"),
                                         QStringLiteral("2011年12月25日 23时59分30秒")));
}

TEST(TestSequence, StepsOpenOneAfterTheOther)
{
    TestSequence sequence;
    for (const TestStep step : kTestSteps)
        EXPECT_EQ(sequence.isEnabled(step), step == TestStep::DeviceBar);

    sequence.beginDeviceBar();
    for (const TestStep step : kTestSteps)
        EXPECT_FALSE(sequence.isEnabled(step));

    sequence.endDeviceBar();
    for (const TestStep step : kTestSteps)
        EXPECT_EQ(sequence.isEnabled(step), step == TestStep::Comm);

    sequence.OnTestComm(kStart, {});
    for (const TestStep step : kTestSteps)
        EXPECT_FALSE(sequence.isEnabled(step));
}

} // namespace
} // namespace veltroma::test
