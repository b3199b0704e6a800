#include "cli/ListPorts.h"

#include "cli/ProgramOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace veltroma {
namespace {

SystemPort adapter()
{
    return {QStringLiteral("/dev/ttyUSB0"),
            {},
            QStringLiteral("FTDI"),
            QStringLiteral("FT232R USB UART"),
            QStringLiteral("A10K")};
}

TEST(ListPorts, OneLinePerPortWithItsComNameUsbStringsAndTheOneInUseMarked)
{
    SystemPort byId = adapter();
    byId.path = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
    byId.target = QStringLiteral("/dev/ttyUSB0");
    const std::vector<SystemPort> ports{
        {QStringLiteral("/dev/ttyS0"), {}, {}, {}, {}}, adapter(), byId};

    const QStringList lines =
        portListLines(ports, {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("setting.ini")});
    EXPECT_EQ(lines,
              (QStringList{
                  "/dev/ttyS0 (COM1)",
                  "/dev/ttyUSB0  FTDI, FT232R USB UART, serial A10K  <- in use (setting.ini)",
                  "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0 -> /dev/ttyUSB0  "
                  "FTDI, FT232R USB UART, serial A10K",
              }));

    // The stable name is the one marked when it is the one named; a COM name marks its node.
    EXPECT_TRUE(
        portListLines(ports, {byId.path + QStringLiteral(",9600,8,N,1"), QStringLiteral("--port")})
            .at(2)
            .endsWith(QStringLiteral("  <- in use (--port)")));
    EXPECT_EQ(portListLines(ports, {QStringLiteral("COM1"), QStringLiteral("default")}).at(0),
              QStringLiteral("/dev/ttyS0 (COM1)  <- in use (default)"));
}

TEST(ListPorts, APortInUseThatTheSystemDoesNotReportOrThatIsNoPortGetsALastLine)
{
    const std::vector<SystemPort> ports{adapter()};
    const QStringList missing =
        portListLines(ports, {QStringLiteral("COM3,9600,8,N,1"), QStringLiteral("default")});
    ASSERT_EQ(missing.size(), 2);
    EXPECT_FALSE(missing.at(0).contains(QStringLiteral("in use")));
    EXPECT_EQ(missing.at(1),
              QStringLiteral("COM3 (/dev/ttyS2)  <- in use (default), not reported by the system"));

    const QStringList wrong =
        portListLines(ports, {QStringLiteral("xyz"), QStringLiteral("setting.ini")});
    ASSERT_EQ(wrong.size(), 2);
    EXPECT_TRUE(wrong.at(1).startsWith(QStringLiteral("CommNum 'xyz' is no port: give a device")))
        << wrong.at(1).toStdString();
}

TEST(ListPorts, AStableNameIsResolvedToTheNodeItNamesNow)
{
    QTemporaryDir byId;
    QTemporaryDir devices;
    const QString node = devices.filePath(QStringLiteral("ttyUSB7"));
    QFile(node).open(QIODevice::WriteOnly);
    const QString name = byId.filePath(QStringLiteral("usb-Veltroma_Test_Adapter_A10K-if00-port0"));
    ASSERT_TRUE(QFile::link(node, name));

    const std::vector<SystemPort> ports = systemPorts(byId.path());
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports.back().path, name);
    EXPECT_EQ(ports.back().target, QFileInfo(node).canonicalFilePath());
    EXPECT_EQ(portListLines(ports, {name, QStringLiteral("--port")}).last(),
              name + QStringLiteral(" -> ") + QFileInfo(node).canonicalFilePath()
                  + QStringLiteral("  <- in use (--port)"));
}

// What runListPorts() printed into a temporary file.
QString listed(const ProgramOptions& options)
{
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(runListPorts(options, out), ExitCode::Ok);
    std::rewind(out);
    QByteArray bytes;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, out))
        bytes.append(buffer, static_cast<qsizetype>(n));
    std::fclose(out);
    return QString::fromUtf8(bytes);
}

TEST(ListPorts, WithoutPortThePortInUseComesFromSettingIniWhichIsNeverWritten)
{
    QTemporaryDir home;
    ProgramOptions options;
    options.home = home.path();
    EXPECT_TRUE(listed(options).contains(QStringLiteral("<- in use (default)")));
    EXPECT_TRUE(QDir(home.path()).isEmpty()) << "no setting.ini is made";

    QFile settings(home.filePath(QStringLiteral("setting.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Setting]\r\nCommNum=/dev/veltroma-no-port\r\n");
    settings.close();
    EXPECT_TRUE(listed(options).endsWith(QStringLiteral(
        "/dev/veltroma-no-port  <- in use (setting.ini), not reported by the system\n")));
}

} // namespace
} // namespace veltroma
