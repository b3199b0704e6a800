#pragma once

#include "web/HttpExchange.h"
#include "web/WebServerSettings.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace veltroma {

class HttpCore;

// What one client may cost: whatever it sends or fails to read, the session's memory and time
// stay bounded, and it never waits for a client.
struct WebServerLimits {
    int connections = 32;             // open at once; one more is answered 503 and closed
    int streamClients = 16;           // event streams at once; one more is answered 503
    qsizetype headBytes = 8 * 1024;   // request line and headers (431, or 414 for the line)
    int headTimeoutMs = 10'000;       // to send a complete request head; then closed
    int idleTimeoutMs = 60'000;       // between two requests of a kept connection; then closed
    qint64 unsentBytes = 1024 * 1024; // left unread by a client; more and it is dropped
    int heartbeatMs = 15'000;         // between two heartbeat events of the stream
};

// The web view's HTTP server: GET and HEAD only, optionally behind HTTP Basic and TLS. It
// hands every request that passes its checks to `respond`, except the live push at
// /api/v1/stream, which it serves itself: what `replay` gives for the client's Last-Event-ID
// (none for a new client), then every broadcast, and a heartbeat event.
//
// Threading: lives on the thread that made it (the session's) and does everything on that
// thread's event loop; nothing waits on a socket, so a slow or hostile client costs the session
// no time. `respond` and `replay` are called on that thread.
class WebServer final : public QObject {
    Q_OBJECT
public:
    using Responder = std::function<WebResponse(const WebRequest&)>;
    // The events a stream begins with: those still held after `lastId` for a client that
    // comes back, the state of the moment for a new one (no id).
    using Replay = std::function<std::vector<ServerSentEvent>(std::optional<quint64> lastId)>;
    // The local time of the heartbeat.
    using WallClock = std::function<QDateTime()>;

    WebServer(WebServerSettings settings, Responder respond, Replay replay,
              WebServerLimits limits = {}, QObject* parent = nullptr);
    ~WebServer() override;

    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Starts listening (session's thread). Returns why it cannot, in a sentence for the log:
    // no listen address, an address that cannot be bound (in use, not this machine's), a
    // certificate or key that cannot be loaded or only one of the two. Then nothing listens,
    // and nothing is served in plain that was meant to be encrypted.
    [[nodiscard]] std::optional<QString> listen();

    // The port listened on (the chosen one when the settings say 0); 0 before listen().
    [[nodiscard]] quint16 port() const;
    // Where a browser finds the view, e.g. "http://127.0.0.1:8080/" or "https://[::1]:8443/".
    [[nodiscard]] QString url() const;
    // Connections open now, and those of them that are event streams.
    [[nodiscard]] int connectionCount() const;
    [[nodiscard]] int streamCount() const;

    void setWallClock(WallClock clock);

public Q_SLOTS:
    // Writes the event to every stream client (session's thread); one that has left more than
    // the limit unread is dropped.
    void broadcast(const veltroma::ServerSentEvent& event);

private:
    std::unique_ptr<HttpCore> core_;
};

// One event in the wire format of the stream: "id: N\nevent: TYPE\ndata: JSON\n\n" (no id line
// without an id). Line breaks in the type are dropped and each line of the data gets its own
// data line, so that an event can never end early or forge another.
[[nodiscard]] QByteArray eventStreamFrame(const ServerSentEvent& event);

} // namespace veltroma
