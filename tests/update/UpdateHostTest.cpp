#include <gtest/gtest.h>

#include "update/UpdateHost.h"

namespace veltroma {
namespace {

TEST(UpdateHost, NameAloneKeepsTheStandardPort)
{
    const auto host = parseUpdateHost(QStringLiteral("update.example.org"));
    ASSERT_TRUE(host);
    EXPECT_EQ(host->name, QStringLiteral("update.example.org"));
    EXPECT_EQ(host->port, 80);
    EXPECT_EQ(host->authority(), QStringLiteral("update.example.org"));
}

TEST(UpdateHost, PortAndIpv6FormsGoIntoTheAuthority)
{
    const auto mirror = parseUpdateHost(QStringLiteral("10.0.0.7:8080"));
    ASSERT_TRUE(mirror);
    EXPECT_EQ(mirror->name, QStringLiteral("10.0.0.7"));
    EXPECT_EQ(mirror->port, 8080);
    EXPECT_EQ(mirror->authority(), QStringLiteral("10.0.0.7:8080"));

    const auto explicit80 = parseUpdateHost(QStringLiteral("host:80"));
    ASSERT_TRUE(explicit80);
    EXPECT_EQ(explicit80->authority(), QStringLiteral("host"));

    const auto v6 = parseUpdateHost(QStringLiteral("[::1]:8081"));
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->name, QStringLiteral("::1"));
    EXPECT_EQ(v6->port, 8081);
    EXPECT_EQ(v6->authority(), QStringLiteral("[::1]:8081"));
    EXPECT_EQ(parseUpdateHost(QStringLiteral("[fe80::2]"))->authority(), QStringLiteral("[fe80::2]"));
}

TEST(UpdateHost, TextIsTakenExactlyAndNeedsBracketsAroundIpv6)
{
    // The name goes into the request line and host header as it stands: no trimming, and an
    // address with a zone could smuggle in a header line.
    for (const char* text : {" host", "host:80 ", "::1", "fe80::2:8080", "[fe80::1%a\r\nX: y]",
                             "host\r\nX-Injected: 1"})
        EXPECT_FALSE(parseUpdateHost(QString::fromLatin1(text))) << text;
}

TEST(UpdateHost, TheBuiltInHostIsUsable)
{
    const UpdateHost host = defaultUpdateHost();
    EXPECT_FALSE(host.name.isEmpty());
    EXPECT_EQ(parseUpdateHost(host.authority()), host);
}

} // namespace
} // namespace veltroma
