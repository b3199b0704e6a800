#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace veltroma {

// A server named on the command line or at build time, split into its host and its port.
struct HostPort {
    QString host;                       // a host name or an address, IPv6 without brackets
    std::optional<std::uint16_t> port;  // empty: no port given, the caller's default applies

    friend bool operator==(const HostPort&, const HostPort&) = default;
};

// Splits "HOST", "HOST:PORT", "[IPv6]" or "[IPv6]:PORT". Empty when the text is no usable
// server: an empty host, characters other than letters, digits, '.', '-' and '_' in a name,
// brackets around anything but an IPv6 address, a colon without a port, or a port that is
// not plain digits in 1..65535. The text is taken as it is, surrounding spaces included.
[[nodiscard]] std::optional<HostPort> parseHostPort(const QString& text);

// True for an IPv6 address as it stands between brackets: hex digits, colons and dots only,
// so no zone suffix, spaces or line breaks that would reshape a URL or a request.
[[nodiscard]] bool isIpv6Address(const QString& text);

} // namespace veltroma
