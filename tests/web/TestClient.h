#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QSslSocket>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace veltroma::test {

// Runs the event loop until `done` holds; false when `timeoutMs` passed first. The server under
// test shares the thread, so it works only while a test waits this way.
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // Objects the test's own calls gave to deleteLater go too, as in a running event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// One answer as the client read it.
struct HttpAnswer {
    int status = 0;
    QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case
    QByteArray body;

    [[nodiscard]] QByteArray header(const QByteArray& lowerName) const
    {
        for (const auto& [name, value] : headers)
            if (name == lowerName)
                return value;
        return {};
    }
};

// A client connection on the test's thread, plain or TLS, that keeps what it receives.
class TestClient {
public:
    explicit TestClient(quint16 port, bool tls = false)
    {
        if (tls) {
            auto* socket = new QSslSocket;
            socket->setPeerVerifyMode(QSslSocket::VerifyNone);
            socket_.reset(socket);
            socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
        } else {
            socket_ = std::make_unique<QTcpSocket>();
            socket_->connectToHost(QStringLiteral("127.0.0.1"), port);
        }
        QObject::connect(socket_.get(), &QTcpSocket::readyRead, [this] { received_ += socket_->readAll(); });
        QObject::connect(socket_.get(), &QTcpSocket::disconnected, [this] { closed_ = true; });
    }

    QTcpSocket& socket() { return *socket_; }
    bool waitConnected()
    {
        return spinUntil([this] {
            auto* tls = qobject_cast<QSslSocket*>(socket_.get());
            return tls ? tls->isEncrypted() : socket_->state() == QAbstractSocket::ConnectedState;
        });
    }
    void send(const QByteArray& bytes) { socket_->write(bytes); }
    void get(const QByteArray& target, const QByteArray& extraHeaders = {})
    {
        send("GET " + target + " HTTP/1.1\r\nHost: test\r\n" + extraHeaders + "\r\n");
    }
    [[nodiscard]] const QByteArray& received() const { return received_; }
    [[nodiscard]] bool closed() const { return closed_; }
    bool waitClosed(int timeoutMs = 5000) { return spinUntil([this] { return closed_; }, timeoutMs); }
    bool waitReceived(const QByteArray& part, int timeoutMs = 5000)
    {
        return spinUntil([&] { return received_.contains(part); }, timeoutMs);
    }

    // The next whole answer; its body as long as Content-Length says, or (without one) what
    // came until the connection closed. `headOnly`: an answer to HEAD, without a body.
    std::optional<HttpAnswer> nextAnswer(bool headOnly = false, int timeoutMs = 5000)
    {
        std::optional<HttpAnswer> answer;
        spinUntil([&] { return (answer = take(headOnly)).has_value(); }, timeoutMs);
        return answer;
    }

private:
    std::optional<HttpAnswer> take(bool headOnly)
    {
        const qsizetype end = received_.indexOf("\r\n\r\n");
        if (end < 0)
            return std::nullopt;
        HttpAnswer answer;
        const QList<QByteArray> lines = received_.left(end).split('\n');
        answer.status = lines.first().split(' ').value(1).toInt();
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            answer.headers.append({line.left(colon).toLower(), line.mid(colon + 1).trimmed()});
        }
        const qsizetype start = end + 4;
        const QByteArray length = answer.header("content-length");
        if (headOnly) {
            received_.remove(0, start);
        } else if (!length.isEmpty()) {
            if (received_.size() < start + length.toLongLong())
                return std::nullopt;
            answer.body = received_.mid(start, length.toLongLong());
            received_.remove(0, start + length.toLongLong());
        } else {
            if (!closed_)
                return std::nullopt;
            answer.body = received_.mid(start);
            received_.clear();
        }
        return answer;
    }

    std::unique_ptr<QTcpSocket> socket_;
    QByteArray received_;
    bool closed_ = false;
};

} // namespace veltroma::test
