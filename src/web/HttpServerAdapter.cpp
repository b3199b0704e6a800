#include "web/HttpServerAdapter.h"

#include "web/BasicAuth.h"
#include "web/RequestHead.h"

#include <QAbstractHttpServer>
#include <QFile>
#include <QHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QLoggingCategory>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>
#include <iterator>

#include <unistd.h>

// The one file that knows the HTTP library. It parses requests and writes the answers; the
// checks it lacks (sizes, methods, bodies, time, unread answers) are made here, on bytes this
// file reads first: every socket is made here and gets this file's readyRead slot before the
// library's, so a request reaches the library only once its head is whole and sound.

namespace veltroma {

namespace {

constexpr char kStreamPath[] = "/api/v1/stream";

// The statuses the library can name; the responder has no reason phrase for others.
constexpr std::array kKnownStatuses{200, 204, 206, 301, 302, 303, 304, 307, 308, 400, 401, 403,
                                    404, 405, 406, 408, 409, 410, 411, 412, 413, 414, 415, 416,
                                    422, 429, 431, 500, 501, 502, 503};

QHttpServerResponder::StatusCode statusCode(int status)
{
    const bool known = std::find(kKnownStatuses.begin(), kKnownStatuses.end(), status)
        != kKnownStatuses.end();
    return static_cast<QHttpServerResponder::StatusCode>(known ? status : 500);
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 405: return "Method Not Allowed";
    case 413: return "Content Too Large";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 503: return "Service Unavailable";
    default: return "Error";
    }
}

// On every answer: a browser takes each answer for what its type says, and no page of ours
// tells another site where its reader came from.
void writeCommonHeaders(QHttpServerResponder& responder)
{
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
}

// An answer for a connection that is closed after it: written before the library has a
// request to answer (a head refused, one connection too many).
QByteArray closingAnswer(int status)
{
    const QByteArray body = reasonPhrase(status) + '\n';
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status)
        + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n";
    if (status == 405)
        answer += "Allow: GET, HEAD\r\n";
    return answer + "\r\n" + body;
}

// A header the session adds goes out only when it cannot end the head early or add another.
bool isSafeHeader(const QByteArray& name, const QByteArray& value)
{
    const auto unsafe = [](char c) { return c == '\r' || c == '\n' || c == '\0'; };
    return !name.isEmpty() && !name.contains(':') && !name.contains(' ')
        && std::none_of(name.begin(), name.end(), unsafe)
        && std::none_of(value.begin(), value.end(), unsafe);
}

std::optional<quint64> eventId(const QByteArray& text)
{
    bool ok = false;
    const quint64 id = text.trimmed().toULongLong(&ok);
    return ok ? std::optional(id) : std::nullopt;
}

std::optional<QString> loadTls(const WebServerSettings& settings, QSslConfiguration& config)
{
    if (settings.certificateFile.isEmpty() || settings.keyFile.isEmpty())
        return QStringLiteral("[Web] needs both Certificate and Key for TLS");
    if (!QSslSocket::supportsSsl())
        return QStringLiteral("this system offers no TLS library");
    QFile certificateFile(settings.certificateFile);
    if (!certificateFile.open(QIODevice::ReadOnly)) {
        return QStringLiteral("cannot read the certificate %1: %2")
            .arg(settings.certificateFile, certificateFile.errorString());
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromData(certificateFile.readAll(), QSsl::Pem);
    if (chain.isEmpty() || chain.first().isNull())
        return QStringLiteral("%1 holds no PEM certificate").arg(settings.certificateFile);
    QFile keyFile(settings.keyFile);
    if (!keyFile.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read the key %1: %2").arg(settings.keyFile, keyFile.errorString());
    const QByteArray keyBytes = keyFile.readAll();
    QSslKey key(keyBytes, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyBytes, QSsl::Ec, QSsl::Pem);
    if (key.isNull()) {
        return QStringLiteral("%1 holds no unencrypted PEM private key (RSA or EC)")
            .arg(settings.keyFile);
    }
    config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificate(chain.first());
    config.setLocalCertificateChain(chain);
    config.setPrivateKey(key);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    return std::nullopt;
}

QLoggingCategory::CategoryFilter previousLogFilter = nullptr;

// The library's debug output prints whole requests, the Authorization header with the password
// in it included: it stays off whatever the logging rules say.
void keepRequestsOutOfTheLog(QLoggingCategory* category)
{
    if (previousLogFilter != nullptr)
        previousLogFilter(category);
    if (qstrncmp(category->categoryName(), "qt.httpserver", 13) == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
    }
}

// Hands the sockets it accepts to the core, which makes them.
class Listener final : public QTcpServer {
public:
    using Accept = std::function<void(qintptr descriptor, Listener& listener)>;
    explicit Listener(Accept accept) : accept_(std::move(accept)) {}
    using QTcpServer::addPendingConnection;

protected:
    void incomingConnection(qintptr descriptor) override { accept_(descriptor, *this); }

private:
    Accept accept_;
};

// What the server knows of one connection; it goes with its socket.
class Connection final : public QObject {
public:
    enum class State {
        AwaitingHead, // the time for the head runs
        Idle,         // kept after an answer, waiting for the next request
        Streaming,    // an event stream: the client only reads
        Closing,      // answered; closes once the answer is out
    };

    explicit Connection(QTcpSocket& socket) : QObject(&socket), socket_(socket)
    {
        timer_.setSingleShot(true);
        // Whatever the state, the time ran out: the client goes.
        connect(&timer_, &QTimer::timeout, this, [this] {
            socket_.abort();
            socket_.deleteLater();
        });
    }

    QTcpSocket& socket() { return socket_; }
    void arm(int ms) { timer_.start(ms); }
    void disarm() { timer_.stop(); }

    State state = State::AwaitingHead;
    QByteArray head;                    // the bytes of the next request head so far
    std::optional<RequestHead> request; // a whole and sound head, until it is answered
    bool keepAlive = false;             // of that request

private:
    QTcpSocket& socket_;
    QTimer timer_{this};
};

} // namespace

class HttpCore final : public QAbstractHttpServer {
public:
    HttpCore(WebServerSettings settings, WebServer::Responder respond, WebServer::Replay replay,
             WebServerLimits limits)
        : settings_(std::move(settings))
        , respond_(std::move(respond))
        , replay_(std::move(replay))
        , limits_(limits)
    {
        [[maybe_unused]] static const bool filtered = [] {
            previousLogFilter = QLoggingCategory::installFilter(keepRequestsOutOfTheLog);
            return true;
        }();
        connect(&heartbeat_, &QTimer::timeout, this, [this] {
            broadcast({std::nullopt, "heartbeat",
                       R"({"time":")" + heartbeatTime().toUtf8() + R"("})"});
        });
    }

    // The sockets go while the counters they report to are still there.
    ~HttpCore() override { qDeleteAll(listeners_); }

    std::optional<QString> listen();
    void broadcast(const ServerSentEvent& event);

    quint16 port() const { return listeners_.isEmpty() ? 0 : listeners_.first()->serverPort(); }
    QString url() const
    {
        if (!settings_.listen)
            return {};
        return (tls_ ? QStringLiteral("https://") : QStringLiteral("http://"))
            + listenText({settings_.listen->host, port()}) + u'/';
    }
    int connectionCount() const { return int(connections_.size()); }
    int streamCount()
    {
        pruneStreams();
        return int(streams_.size());
    }
    void setWallClock(WebServer::WallClock clock) { wallClock_ = std::move(clock); }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest&, QTcpSocket* socket) override { socket->abort(); }

private:
    void accept(qintptr descriptor, Listener& listener);
    void refuseBusy(QTcpSocket* socket);
    void readHead(Connection& connection);
    void refuse(Connection& connection, int status);
    void close(Connection& connection);
    void finish(Connection& connection);
    void startStream(Connection& connection, const WebRequest& request,
                     QHttpServerResponder& responder);
    // The library's reading of the socket stops: the rest is this file's.
    void detachFromParser(QTcpSocket& socket) { disconnect(&socket, &QTcpSocket::readyRead, this, nullptr); }
    void pruneStreams();
    QString heartbeatTime() const;

    WebServerSettings settings_;
    WebServer::Responder respond_;
    WebServer::Replay replay_;
    WebServerLimits limits_;
    WebServer::WallClock wallClock_ = [] { return QDateTime::currentDateTime(); };
    bool tls_ = false;
    QSslConfiguration tlsConfig_;
    QList<Listener*> listeners_;
    // The connections counted against the limit, until their sockets go.
    QHash<const QTcpSocket*, Connection*> connections_;
    int refusing_ = 0; // connections being told 503
    std::vector<QPointer<QTcpSocket>> streams_;
    QTimer heartbeat_;
};

std::optional<QString> HttpCore::listen()
{
    if (!settings_.listen)
        return QStringLiteral("no listen address");
    tls_ = settings_.tls();
    if (tls_) {
        if (auto problem = loadTls(settings_, tlsConfig_))
            return problem;
    }
    const QList<QHostAddress> addresses = listenAddresses(settings_.listen->host);
    if (addresses.isEmpty())
        return QStringLiteral("%1 is no address of this machine").arg(settings_.listen->host);
    quint16 port = settings_.listen->port;
    for (const QHostAddress& address : addresses) {
        auto listener = std::make_unique<Listener>([this](qintptr descriptor, Listener& listener) {
            accept(descriptor, listener);
        });
        if (!listener->listen(address, port)) {
            // localhost without IPv6 is 127.0.0.1 alone; any other failure is one.
            const auto error = listener->serverError();
            const bool noIpv6 = address == QHostAddress(QHostAddress::LocalHostIPv6)
                && (error == QAbstractSocket::UnsupportedSocketOperationError
                    || error == QAbstractSocket::SocketAddressNotAvailableError);
            if (noIpv6 && !listeners_.isEmpty())
                continue;
            const QString reason = QStringLiteral("cannot listen on %1: %2")
                                       .arg(listenText({address.toString(), port}), listener->errorString());
            qDeleteAll(listeners_);
            listeners_.clear();
            return reason;
        }
        port = listener->serverPort();
        listeners_.append(listener.get());
        bind(listener.release());
    }
    heartbeat_.start(limits_.heartbeatMs);
    return std::nullopt;
}

void HttpCore::accept(qintptr descriptor, Listener& listener)
{
    QTcpSocket* socket = tls_ ? new QSslSocket(&listener) : new QTcpSocket(&listener);
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        delete socket;
        return;
    }
    // Enough for a head at its limit and the start of what follows; beyond it the socket stops
    // reading instead of buffering what a client pushes.
    socket->setReadBufferSize(2 * limits_.headBytes);
    if (tls_) {
        auto* tlsSocket = static_cast<QSslSocket*>(socket);
        tlsSocket->setSslConfiguration(tlsConfig_);
        // A failed handshake ends the connection at once, not when its time runs out.
        connect(tlsSocket, &QAbstractSocket::errorOccurred, tlsSocket,
                [tlsSocket](QAbstractSocket::SocketError error) {
                    if (error == QAbstractSocket::SslHandshakeFailedError)
                        tlsSocket->abort();
                });
        tlsSocket->startServerEncryption();
    }
    if (connections_.size() >= limits_.connections) {
        refuseBusy(socket);
        return;
    }
    auto* connection = new Connection(*socket);
    connections_.insert(socket, connection);
    connect(socket, &QObject::destroyed, this, [this, socket] { connections_.remove(socket); });
    connect(socket, &QTcpSocket::readyRead, connection, [this, connection] { readHead(*connection); });
    connection->arm(limits_.headTimeoutMs);
    listener.addPendingConnection(socket);
}

void HttpCore::refuseBusy(QTcpSocket* socket)
{
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    // The refusals themselves are bounded too: beyond that, a connection is closed unanswered.
    if (refusing_ >= limits_.connections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++refusing_;
    connect(socket, &QObject::destroyed, this, [this] { --refusing_; });
    QTimer::singleShot(limits_.headTimeoutMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    const auto answer = [socket] {
        socket->write(closingAnswer(503));
        socket->disconnectFromHost();
    };
    auto* tlsSocket = qobject_cast<QSslSocket*>(socket);
    if (tlsSocket != nullptr && !tlsSocket->isEncrypted())
        connect(tlsSocket, &QSslSocket::encrypted, tlsSocket, answer);
    else
        answer();
}

void HttpCore::readHead(Connection& connection)
{
    QTcpSocket& socket = connection.socket();
    switch (connection.state) {
    case Connection::State::Streaming:
    case Connection::State::Closing:
        socket.readAll();
        return;
    case Connection::State::Idle:
        connection.state = Connection::State::AwaitingHead;
        connection.arm(limits_.headTimeoutMs);
        break;
    case Connection::State::AwaitingHead:
        break;
    }
    // The library reads everything at its turn, so what is buffered now is what came since.
    connection.head += socket.peek(socket.bytesAvailable());
    HeadScan scan = scanRequestHead(connection.head, limits_.headBytes);
    switch (scan.outcome) {
    case HeadScan::Outcome::Incomplete:
        return;
    case HeadScan::Outcome::Refused:
        refuse(connection, scan.status);
        return;
    case HeadScan::Outcome::Complete:
        // Requests sent ahead of the answer are not taken: the first is answered, then the
        // connection closes.
        connection.keepAlive = scan.head.keepAlive() && connection.head.size() == scan.length;
        connection.request = std::move(scan.head);
        connection.head.clear();
        connection.disarm();
        return;
    }
}

void HttpCore::refuse(Connection& connection, int status)
{
    detachFromParser(connection.socket());
    connection.socket().write(closingAnswer(status));
    close(connection);
}

void HttpCore::close(Connection& connection)
{
    connection.state = Connection::State::Closing;
    // A client that does not take the answer does not keep the connection either.
    connection.arm(limits_.headTimeoutMs);
    connection.socket().disconnectFromHost();
}

void HttpCore::finish(Connection& connection)
{
    if (!connection.keepAlive) {
        detachFromParser(connection.socket());
        close(connection);
        return;
    }
    connection.state = Connection::State::Idle;
    connection.arm(limits_.idleTimeoutMs);
}

bool HttpCore::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    Connection* connection = connections_.value(socket);
    // Every request the library completes has passed readHead; anything else is not answered.
    if (connection == nullptr || !connection->request) {
        socket->abort();
        return true;
    }
    const RequestHead head = std::move(*connection->request);
    connection->request.reset();
    // A client that sends requests but does not read the answers.
    if (socket->bytesToWrite() > limits_.unsentBytes) {
        socket->abort();
        return true;
    }
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto writeHead = [&](int status, const QByteArray& contentType, qsizetype length) {
        responder.writeStatusLine(statusCode(status));
        if (!contentType.isEmpty())
            responder.writeHeader("Content-Type", contentType);
        responder.writeHeader("Content-Length", QByteArray::number(length));
        writeCommonHeaders(responder);
        if (!connection->keepAlive)
            responder.writeHeader("Connection", "close");
        else if (head.version == "HTTP/1.0")
            responder.writeHeader("Connection", "keep-alive");
    };
    const bool headOnly = head.method == "HEAD";

    if (!settings_.password.isEmpty()
        && !basicAuthAccepts(head.header("authorization"), settings_.password)) {
        const QByteArray body = "Unauthorized\n";
        writeHead(401, "text/plain; charset=utf-8", body.size());
        responder.writeHeader("WWW-Authenticate", kBasicAuthChallenge);
        responder.writeBody(headOnly ? QByteArray() : body);
        finish(*connection);
        return true;
    }

    const WebRequest webRequest{head.method, request.url().path(), request.query(),
                                head.header("accept-language"), head.header("last-event-id")};
    if (webRequest.path == QLatin1String(kStreamPath)) {
        startStream(*connection, webRequest, responder);
        return true;
    }
    const WebResponse response = respond_ ? respond_(webRequest) : WebResponse{404, "text/plain", {}, {}};
    writeHead(response.status, response.contentType, response.body.size());
    for (const auto& [name, value] : response.headers)
        if (isSafeHeader(name, value))
            responder.writeHeader(name, value);
    responder.writeBody(headOnly ? QByteArray() : response.body);
    finish(*connection);
    return true;
}

void HttpCore::startStream(Connection& connection, const WebRequest& request,
                           QHttpServerResponder& responder)
{
    pruneStreams();
    const bool headOnly = request.method == "HEAD";
    if (!headOnly && std::ssize(streams_) >= limits_.streamClients) {
        const QByteArray body = reasonPhrase(503) + '\n';
        responder.writeStatusLine(statusCode(503));
        responder.writeHeader("Content-Type", "text/plain; charset=utf-8");
        responder.writeHeader("Content-Length", QByteArray::number(body.size()));
        responder.writeHeader("Connection", "close");
        responder.writeBody(body);
        connection.keepAlive = false;
        finish(connection);
        return;
    }
    // The body of a stream ends only when the connection does.
    responder.writeStatusLine(statusCode(200));
    responder.writeHeader("Content-Type", "text/event-stream");
    responder.writeHeader("Cache-Control", "no-cache");
    writeCommonHeaders(responder);
    responder.writeHeader("Connection", "close");
    if (headOnly) {
        responder.writeBody(QByteArray());
        connection.keepAlive = false;
        finish(connection);
        return;
    }
    QByteArray replayed;
    if (replay_) {
        for (const ServerSentEvent& event : replay_(eventId(request.lastEventId)))
            replayed += eventStreamFrame(event);
    }
    detachFromParser(connection.socket());
    connection.state = Connection::State::Streaming;
    connection.disarm();
    responder.writeBody(replayed);
    streams_.emplace_back(&connection.socket());
}

void HttpCore::broadcast(const ServerSentEvent& event)
{
    pruneStreams();
    if (streams_.empty())
        return;
    const QByteArray frame = eventStreamFrame(event);
    for (const QPointer<QTcpSocket>& socket : streams_) {
        socket->write(frame);
        // Dropped, not waited for: its unread events would otherwise grow without end.
        if (socket->bytesToWrite() > limits_.unsentBytes) {
            socket->abort();
            socket->deleteLater();
        }
    }
}

void HttpCore::pruneStreams()
{
    std::erase_if(streams_, [](const QPointer<QTcpSocket>& socket) {
        return socket.isNull() || socket->state() != QAbstractSocket::ConnectedState;
    });
}

QString HttpCore::heartbeatTime() const
{
    const QDateTime now = wallClock_();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray eventStreamFrame(const ServerSentEvent& event)
{
    QByteArray frame;
    if (event.id)
        frame += "id: " + QByteArray::number(*event.id) + '\n';
    QByteArray type = event.type;
    type.replace('\r', QByteArray()).replace('\n', QByteArray());
    frame += "event: " + type + '\n';
    QByteArray data = event.data;
    data.replace("\r\n", "\n").replace('\r', '\n');
    for (const QByteArray& line : data.split('\n'))
        frame += "data: " + line + '\n';
    return frame + '\n';
}

WebServer::WebServer(WebServerSettings settings, Responder respond, Replay replay,
                     WebServerLimits limits, QObject* parent)
    : QObject(parent)
    , core_(std::make_unique<HttpCore>(std::move(settings), std::move(respond), std::move(replay), limits))
{
}

WebServer::~WebServer() = default;

std::optional<QString> WebServer::listen()
{
    return core_->listen();
}

quint16 WebServer::port() const
{
    return core_->port();
}

QString WebServer::url() const
{
    return core_->url();
}

int WebServer::connectionCount() const
{
    return core_->connectionCount();
}

int WebServer::streamCount() const
{
    return core_->streamCount();
}

void WebServer::setWallClock(WallClock clock)
{
    core_->setWallClock(std::move(clock));
}

void WebServer::broadcast(const ServerSentEvent& event)
{
    core_->broadcast(event);
}

} // namespace veltroma
