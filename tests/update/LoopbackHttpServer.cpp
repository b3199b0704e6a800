#include "update/LoopbackHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

namespace veltroma::test {

LoopbackHttpServer::LoopbackHttpServer()
{
    m_thread.start();
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QMetaObject::invokeMethod(
        m_context,
        [this] {
            auto* server = new QTcpServer(m_context);
            server->listen(QHostAddress::LocalHost);
            m_port = server->serverPort();
            QObject::connect(server, &QTcpServer::newConnection, m_context, [this, server] {
                while (QTcpSocket* socket = server->nextPendingConnection()) {
                    auto head = std::make_shared<QByteArray>();
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, head] {
                        const bool complete = head->contains("\r\n\r\n");
                        *head += socket->readAll();
                        if (!complete && head->contains("\r\n\r\n"))
                            answer(socket, head->left(head->indexOf("\r\n\r\n") + 4));
                    });
                }
            });
        },
        Qt::BlockingQueuedConnection);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    m_context->deleteLater();
    m_thread.quit();
    m_thread.wait();
}

QString LoopbackHttpServer::authority() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void LoopbackHttpServer::serve(const QByteArray& path, Reply reply)
{
    std::lock_guard lock(m_mutex);
    m_replies[path] = std::move(reply);
}

QList<QByteArray> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

QList<QByteArray> LoopbackHttpServer::requestsFor(const QByteArray& path) const
{
    QList<QByteArray> found;
    for (const QByteArray& request : requests()) {
        if (request.startsWith("GET " + path + ' '))
            found << request;
    }
    return found;
}

void LoopbackHttpServer::answer(QObject* object, const QByteArray& head)
{
    auto* socket = static_cast<QTcpSocket*>(object);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.value(1);
    Reply reply{notFound()};
    {
        std::lock_guard lock(m_mutex);
        m_requests << head;
        reply = m_replies.value(path, reply);
    }
    const qsizetype piece = reply.pieceSize > 0 ? reply.pieceSize : reply.bytes.size();
    for (qsizetype at = 0; at < reply.bytes.size(); at += piece) {
        if (at > 0 && reply.pauseMs > 0)
            QThread::msleep(reply.pauseMs);
        socket->write(reply.bytes.mid(at, piece));
        socket->waitForBytesWritten(2000);
    }
    // A client that reads without end must still let the server's thread go some time.
    constexpr qint64 endlessGuardBytes = 256LL * 1024 * 1024;
    for (qint64 sent = 0; !reply.repeatForever.isEmpty() && sent < endlessGuardBytes;
         sent += reply.repeatForever.size()) {
        socket->write(reply.repeatForever);
        if (!socket->waitForBytesWritten(2000))
            break;
    }
    if (!reply.holdOpen)
        socket->disconnectFromHost();
}

QByteArray LoopbackHttpServer::ok(const QByteArray& body, const QByteArray& extraHeaders)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "Connection: close\r\n\r\n"
        + body;
}

QByteArray LoopbackHttpServer::chunked(const QList<QByteArray>& pieces)
{
    QByteArray response = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n"
                          "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    for (const QByteArray& piece : pieces)
        response += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    return response + "0\r\n\r\n";
}

QByteArray LoopbackHttpServer::notFound()
{
    return "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

std::uint16_t refusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const auto port = probe.serverPort();
    probe.close();
    return port;
}

namespace {

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

SilentListener::SilentListener()
{
    // A backlog of 0 takes one connection; the kernel drops every later SYN unanswered.
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 0);
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(m_filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

SilentListener::~SilentListener()
{
    ::close(m_filler);
    ::close(m_listener);
}

} // namespace veltroma::test
