#include "web/WebServerSettings.h"
#include "web/WebStartup.h"

#include "config/ProfileFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

TEST(WebServerSettingsTest, ListensOnAnAddressOrLocalhostWithAPort)
{
    const std::pair<const char*, std::optional<WebListen>> cases[] = {
        {"127.0.0.1:8080", WebListen{"127.0.0.1", 8080}},
        {" 0.0.0.0:80 ", WebListen{"0.0.0.0", 80}},
        {"[::1]:8443", WebListen{"::1", 8443}},
        {"LocalHost:8080", WebListen{"LocalHost", 8080}},
        {"127.0.0.1", std::nullopt},      // no port
        {"8080", std::nullopt},           // a port alone is read as a host name
        {"127.0.0.1:0", std::nullopt},
        {"127.0.0.1:65536", std::nullopt},
        {"::1:8080", std::nullopt},       // IPv6 without brackets
        {"example.org:8080", std::nullopt}, // names are not looked up
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(parseWebListen(QString::fromUtf8(text)), expected);
    }
}

TEST(WebServerSettingsTest, BindsLocalhostToBothLoopbacksAndTheIpv6AnyToBothFamilies)
{
    EXPECT_EQ(listenAddresses(QStringLiteral("localhost")),
              (QList<QHostAddress>{QHostAddress(QHostAddress::LocalHost),
                                   QHostAddress(QHostAddress::LocalHostIPv6)}));
    EXPECT_EQ(listenAddresses(QStringLiteral("::")), QList<QHostAddress>{QHostAddress(QHostAddress::Any)});
    EXPECT_EQ(listenAddresses(QStringLiteral("192.168.1.5")),
              QList<QHostAddress>{QHostAddress(QStringLiteral("192.168.1.5"))});
    for (const char* host : {"localhost", "127.0.0.1", "127.8.0.1", "::1"})
        EXPECT_TRUE(isLoopbackHost(QString::fromUtf8(host))) << host;
    for (const char* host : {"0.0.0.0", "::", "192.168.1.5"})
        EXPECT_FALSE(isLoopbackHost(QString::fromUtf8(host))) << host;
}

class WebSettingsFileTest : public ::testing::Test {
protected:
    QString write(const QByteArray& content)
    {
        QFile file(dir_.filePath(QStringLiteral("setting.ini")));
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return file.fileName();
    }

    QTemporaryDir dir_;
};

TEST_F(WebSettingsFileTest, ReadsTheWebSection)
{
    const LoadedWebSettings loaded = loadWebServerSettings(ProfileFile(write(
        "[Web]\r\nListen=[::1]:8443\r\nPassword=pass word\r\nCertificate= /etc/c.pem \r\nKey=/etc/k.pem\r\n")));
    EXPECT_FALSE(loaded.problem);
    EXPECT_EQ(loaded.settings.listen, (WebListen{"::1", 8443}));
    EXPECT_EQ(loaded.settings.password, QStringLiteral("pass word"));
    EXPECT_EQ(loaded.settings.certificateFile, QStringLiteral("/etc/c.pem"));
    EXPECT_TRUE(loaded.settings.tls());
}

TEST_F(WebSettingsFileTest, NoListenIsNoServerAndABadOneIsSaidUnlessTheCommandLineReplacesIt)
{
    const QString none = write("[Mqtt]\r\nHost=broker\r\n");
    EXPECT_FALSE(loadWebServerSettings(ProfileFile(none)).settings.enabled());
    EXPECT_FALSE(loadWebServerSettings(ProfileFile(none)).problem);

    const QString bad = write("[Web]\r\nListen=example.org:80\r\nPassword=p\r\n");
    const LoadedWebSettings loaded = effectiveWebSettings(bad, std::nullopt);
    EXPECT_FALSE(loaded.settings.enabled());
    ASSERT_TRUE(loaded.problem);
    EXPECT_TRUE(loaded.problem->contains(QStringLiteral("example.org:80"))) << loaded.problem->toStdString();

    const LoadedWebSettings replaced = effectiveWebSettings(bad, WebListen{"127.0.0.1", 9000});
    EXPECT_FALSE(replaced.problem);
    EXPECT_EQ(replaced.settings.listen, (WebListen{"127.0.0.1", 9000}));
    EXPECT_EQ(replaced.settings.password, QStringLiteral("p"));
}

} // namespace
} // namespace veltroma
