#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

namespace veltroma::test {

// A real mosquitto broker on a loopback port of its own, started and stopped by the test.
class MosquittoBroker {
public:
    // Picks a free port; `port` reuses one (a restart on the same address).
    explicit MosquittoBroker(int port = 0);
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // The broker program, or empty when it is not installed.
    [[nodiscard]] static QString executable();

    // Starts it and waits until it takes connections.
    bool start();
    // Ends it (SIGTERM) and waits.
    void stop();
    [[nodiscard]] int port() const { return port_; }
    [[nodiscard]] QString log() const { return log_; }

private:
    int port_;
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    QString log_;
};

// An independent subscriber: mosquitto_sub on every topic, with what it has received.
class TopicSubscriber {
public:
    struct Message {
        QString topic;
        QByteArray payload;
    };

    TopicSubscriber(int port, const QString& topic = QStringLiteral("#"));
    ~TopicSubscriber();
    TopicSubscriber(const TopicSubscriber&) = delete;
    TopicSubscriber& operator=(const TopicSubscriber&) = delete;

    [[nodiscard]] bool started() { return process_.waitForStarted(5000); }
    // Waits until `done` holds for the messages received so far; false on timeout.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);
    [[nodiscard]] const QList<Message>& messages() const { return messages_; }
    [[nodiscard]] QList<Message> on(const QString& topic) const;
    [[nodiscard]] std::optional<QByteArray> last(const QString& topic) const;

private:
    void collect();

    QProcess process_;
    QByteArray pending_;
    QList<Message> messages_;
};

// A free TCP port on the loopback address at the time of the call.
int freeLoopbackPort();

} // namespace veltroma::test
