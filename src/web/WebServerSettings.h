#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

namespace veltroma {

class ProfileFile;

// Where the web view listens: an IP address or "localhost", and a port.
struct WebListen {
    QString host;           // as written, IPv6 without brackets
    std::uint16_t port = 0; // 0 only in tests: any free port

    bool operator==(const WebListen&) const = default;
};

// "ADDRESS:PORT", "[IPv6]:PORT" or "localhost:PORT", surrounding spaces ignored; nothing for
// a text without a port, or whose host is a name other than localhost (the server is not to
// wait for a name lookup at start, nor listen where the name happens to point).
[[nodiscard]] std::optional<WebListen> parseWebListen(const QString& text);

// The addresses a listen host stands for: localhost is 127.0.0.1 and ::1, "::" every address
// of both families; any other host is its one address. Empty for a host that is none.
[[nodiscard]] QList<QHostAddress> listenAddresses(const QString& host);

// Whether the web view can be reached from this machine only: localhost, 127.0.0.0/8, ::1.
[[nodiscard]] bool isLoopbackHost(const QString& host);

// The [Web] section of setting.ini. Without a listen address there is no web view.
struct WebServerSettings {
    std::optional<WebListen> listen;
    QString password;        // HTTP Basic, any user name; empty: none. Never printed or logged.
    // PEM files; TLS when either is set (the server refuses to start without both, rather
    // than serve in plain what was meant to be encrypted).
    QString certificateFile;
    QString keyFile; // unencrypted

    [[nodiscard]] bool enabled() const { return listen.has_value(); }
    [[nodiscard]] bool tls() const { return !certificateFile.isEmpty() || !keyFile.isEmpty(); }
    bool operator==(const WebServerSettings&) const = default;
};

// What the section holds, or why it names no usable server.
struct LoadedWebSettings {
    WebServerSettings settings;
    std::optional<QString> problem; // a sentence for the log; then settings.listen is empty
};

// Reads Listen, Password, Certificate and Key of [Web]. A Listen that parseWebListen refuses
// is a problem: no server rather than one that listens where it was not meant to.
[[nodiscard]] LoadedWebSettings loadWebServerSettings(const ProfileFile& file);

// The listen address as a URL host and port: "127.0.0.1:8080", "[::1]:8080".
[[nodiscard]] QString listenText(const WebListen& listen);

} // namespace veltroma
