#include <gtest/gtest.h>

#include "base/HostPort.h"

namespace veltroma {
namespace {

TEST(HostPort, NamesAndAddressesSplitIntoHostAndPort)
{
    struct Case {
        const char* text;
        const char* host;
        std::optional<std::uint16_t> port;
    };
    const Case cases[] = {
        {"update.example.org", "update.example.org", std::nullopt},
        {"10.0.0.7:8080", "10.0.0.7", 8080},
        {"my_host-2:1", "my_host-2", 1},
        {"host:65535", "host", 65535},
        {"host:00080", "host", 80},
        {"[::1]", "::1", std::nullopt},
        {"[::1]:8081", "::1", 8081},
        {"[fe80::2]", "fe80::2", std::nullopt},
        {"[::ffff:10.0.0.1]:1884", "::ffff:10.0.0.1", 1884},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = parseHostPort(QString::fromLatin1(c.text));
        ASSERT_TRUE(parsed);
        EXPECT_EQ(*parsed, (HostPort{QString::fromLatin1(c.host), c.port}));
    }
}

TEST(HostPort, MissingOrMalformedPortsAreRefused)
{
    for (const char* text : {"host:", "host:0", "host:65536", "host:000080", "host:8o", "host:-1",
                             "host:+80", "host: 80", "host:80 ", "host:80:81", "[::1]:", "[::1]:0",
                             "[::1]8080", "[::1]:x"})
        EXPECT_FALSE(parseHostPort(QString::fromLatin1(text))) << text;
}

TEST(HostPort, HostsThatCouldReshapeARequestOrUrlAreRefused)
{
    for (const char* text : {"", ":80", " host", "host ", "a b", "host/path",
                             "host\r\nX-Injected: 1", "user@host", "h\xe9te", "[", "[]", "[::1",
                             "::1]", "[not-v6]:80", "[10.0.0.1]", "[broker]", "[ ::1]", "[::1 ]",
                             "[fe80::1%eth0]", "[fe80::1%a\r\nX: y]", "[[::1]]"})
        EXPECT_FALSE(parseHostPort(QString::fromLatin1(text))) << text;
}

TEST(HostPort, OnlyPlainIpv6AddressesCountAsAddresses)
{
    for (const char* text : {"::1", "::", "fe80::2", "2001:DB8::1", "::ffff:10.0.0.1"})
        EXPECT_TRUE(isIpv6Address(QString::fromLatin1(text))) << text;
    for (const char* text : {"", "10.0.0.1", "a:b:c", "1::2::3", "fe80::1%eth0", "::1 ", "[::1]"})
        EXPECT_FALSE(isIpv6Address(QString::fromLatin1(text))) << text;
}

} // namespace
} // namespace veltroma
