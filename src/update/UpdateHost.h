#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace veltroma {

// Where the update server lives. The paths on it are fixed; only the host (and, for mirrors
// and tests, the port) is configured.
struct UpdateHost {
    QString name;            // a host name or an address, IPv6 without brackets
    std::uint16_t port = 80;

    // The host as it goes into a URL and into the request's host header: the name (IPv6 in
    // brackets) followed by ":port" unless the port is the standard one.
    [[nodiscard]] QString authority() const;

    friend bool operator==(const UpdateHost&, const UpdateHost&) = default;
};

// Parses "HOST" or "HOST:PORT" ("[v6-address]:PORT" for IPv6). Empty: the text is no usable
// host (empty, spaces or control characters, a path, a port outside 1..65535).
std::optional<UpdateHost> parseUpdateHost(const QString& text);

// The host compiled into the program (CMake cache variable VELTROMA_UPDATE_HOST).
UpdateHost defaultUpdateHost();

} // namespace veltroma
