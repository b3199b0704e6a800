#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QThread>

#include <cstdint>
#include <mutex>

class QObject;

namespace veltroma::test {

// A small HTTP server on 127.0.0.1 with its own thread (the version check blocks the thread
// that calls it). It records every request head byte for byte and answers each path with a
// scripted raw response; a path without a script gets a 404.
class LoopbackHttpServer {
public:
    struct Reply {
        QByteArray bytes;      // the raw response: status line, headers, body
        int pieceSize = 0;     // > 0: written in pieces of this size ...
        int pauseMs = 0;       // ... with this pause between them
        bool holdOpen = false; // the connection stays open after the last byte
        // Not empty: written again and again after `bytes`, until the client goes away or
        // takes no more for 2 s (an endless body).
        QByteArray repeatForever{};
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    [[nodiscard]] std::uint16_t port() const { return m_port; }
    [[nodiscard]] QString authority() const;

    void serve(const QByteArray& path, Reply reply);
    [[nodiscard]] QList<QByteArray> requests() const;
    [[nodiscard]] QList<QByteArray> requestsFor(const QByteArray& path) const;

    // Raw responses.
    static QByteArray ok(const QByteArray& body, const QByteArray& extraHeaders = {});
    static QByteArray chunked(const QList<QByteArray>& pieces);
    static QByteArray notFound();

private:
    void answer(QObject* socket, const QByteArray& head);

    QThread m_thread;
    QObject* m_context = nullptr;
    std::uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    QMap<QByteArray, Reply> m_replies;
    QList<QByteArray> m_requests;
};

// A port on 127.0.0.1 where nothing listens: connections are refused at once.
std::uint16_t refusedPort();

// A listening socket whose accept queue is full, so that a connection attempt gets no answer
// at all, like a server behind a firewall that drops packets.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    [[nodiscard]] std::uint16_t port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    std::uint16_t m_port = 0;
};

} // namespace veltroma::test
