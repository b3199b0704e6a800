#include "channel/PortDescription.h"

#include <gtest/gtest.h>

#include <utility>

namespace veltroma {
namespace {

TEST(PortDescription, ComNameWithLineSettings)
{
    const auto parsed = parsePortDescription("COM3,9600,8,N,1");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->port, 3);
    EXPECT_EQ(parsed->device, QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(parsed->line, (LineSettings{9600, 8, Parity::None, StopBits::One}));

    const auto other = parsePortDescription("COM9,19200,7,e,2");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->device, QStringLiteral("/dev/ttyS8"));
    EXPECT_EQ(other->line, (LineSettings{19200, 7, Parity::Even, StopBits::Two}));
}

TEST(PortDescription, DevicePath)
{
    const auto usb = parsePortDescription("/dev/ttyUSB0,9600,8,N,1");
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->port, 0);
    EXPECT_EQ(usb->device, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(usb->line, (LineSettings{9600, 8, Parity::None, StopBits::One}));

    const auto pty = parsePortDescription("/dev/pts/5,4800,8,O,1");
    ASSERT_TRUE(pty);
    EXPECT_EQ(pty->device, QStringLiteral("/dev/pts/5"));
    EXPECT_EQ(pty->line.parity, Parity::Odd);
}

TEST(PortDescription, RefusesWhatDoesNotNameCom1ToCom9OrParse)
{
    for (const char* text : {"COM0,9600,8,N,1", "COMx,9600,8,N,1", "COM:,9600,8,N,1",
                             "COM10,9600,8,N,1", "COM,9600,8,N,1", "CO3,9600,8,N,1",
                             "COM1,9600,8,N", "COM1,fast,8,N,1", "COM1 ,9600,8,N,1",
                             "COM1,99999999999,8,N,1", "/dev/ttyUSB0,9600", "/dev/ttyUSB0,",
                             ""}) {
        EXPECT_FALSE(parsePortDescription(text)) << text;
    }
}

TEST(PortDescription, ANameAloneMeans9600EightNoneOne)
{
    const LineSettings standard{9600, 8, Parity::None, StopBits::One};
    const struct {
        const char* text;
        int port;
        const char* device;
    } cases[] = {
        {"/dev/ttyUSB0", 0, "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0", 0,
         "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0"},
        {"  /dev/ttyACM1 \t", 0, "/dev/ttyACM1"},
        {"COM3", 3, "/dev/ttyS2"},
        {"com1", 1, "/dev/ttyS0"},
        {" COM9 ", 9, "/dev/ttyS8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parsePortDescription(c.text);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->port, c.port);
        EXPECT_EQ(parsed->device, QLatin1String(c.device));
        EXPECT_EQ(parsed->line, standard);
    }
}

TEST(PortDescription, ANameAloneMustBeAPathOrCom1ToCom9)
{
    // The full form takes any four-character name ending in the digit; alone, only "COMn".
    for (const char* text : {"xyz", "ttyUSB0", "COM0", "COM10", "COM", "XYZ3", "COM3 2", "  ",
                             "/dev/tty\nUSB0", "/dev/tty\rUSB0"})
        EXPECT_FALSE(parsePortDescription(text)) << text;
    EXPECT_TRUE(parsePortDescription("XYZ3,9600,8,N,1"));
}

TEST(PortDescription, NamesThePortForTheUserWithTheDeviceBehindACom)
{
    EXPECT_EQ(portNameForUser(QStringLiteral("COM1,9600,8,N,1")), QStringLiteral("COM1 (/dev/ttyS0)"));
    EXPECT_EQ(portNameForUser(QStringLiteral("com4")), QStringLiteral("COM4 (/dev/ttyS3)"));
    EXPECT_EQ(portNameForUser(QStringLiteral("/dev/ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(portNameForUser(QStringLiteral("/dev/pts/5,4800,8,O,1")), QStringLiteral("/dev/pts/5"));
    // What does not parse is shown as it was given.
    EXPECT_EQ(portNameForUser(QStringLiteral("xyz,1")), QStringLiteral("xyz"));

    EXPECT_EQ(notAPortMessage(QStringLiteral("CommNum"), QStringLiteral("xyz")),
              QStringLiteral("CommNum 'xyz' is no port: give a device such as /dev/ttyUSB0 or COM1, "
                             "optionally followed by ,9600,8,N,1"));
}

TEST(PortDescription, ReadsFieldsAsTheyHaveAlwaysBeenRead)
{
    // Blanks before a name or a number are skipped, text after the stop bits is ignored, the
    // parity letter is taken as it stands.
    const auto parsed = parsePortDescription("  COM2, 9600, 8,S,1 trailing");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->port, 2);
    EXPECT_EQ(parsed->line, (LineSettings{9600, 8, Parity::Space, StopBits::One}));

    const auto blankParity = parsePortDescription("COM2,9600,8, ,1");
    ASSERT_TRUE(blankParity);
    EXPECT_EQ(blankParity->line.parity, Parity::Space);
    EXPECT_FALSE(parsePortDescription("COM2,9600,8, N,1"));
}

TEST(PortDescription, ParityLettersAndStopBits)
{
    const std::pair<char, Parity> letters[] = {
        {'N', Parity::None}, {'n', Parity::None}, {'O', Parity::Odd},   {'o', Parity::Odd},
        {'E', Parity::Even}, {'e', Parity::Even}, {'M', Parity::Mark},  {'m', Parity::Mark},
        {'S', Parity::Space}, {'s', Parity::Space}, {'x', Parity::Space}, {'\xE9', Parity::Space}};
    for (const auto& [letter, parity] : letters)
        EXPECT_EQ(parityFromLetter(letter), parity) << letter;

    EXPECT_EQ(stopBitsFromCount(1), StopBits::One);
    EXPECT_EQ(stopBitsFromCount(2), StopBits::Two);
    for (const int other : {3, 0, -2})
        EXPECT_EQ(stopBitsFromCount(other), StopBits::One) << other;
}

} // namespace
} // namespace veltroma
