#include "MosquittoBroker.h"

#include "support/ServerPort.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace veltroma::test {

int freeLoopbackPort()
{
    return freeServerPort(ServerPortRange::Broker);
}

MosquittoBroker::MosquittoBroker(int port) : port_(port != 0 ? port : freeLoopbackPort()) {}

MosquittoBroker::~MosquittoBroker()
{
    stop();
}

QString MosquittoBroker::executable()
{
    // The broker lives in sbin, which a user's PATH may lack.
    QString path = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(QStringLiteral("mosquitto"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

bool MosquittoBroker::start()
{
    const QString config = dir_.filePath(QStringLiteral("mosquitto.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n")
                   .arg(port_)
                   .toUtf8());
    file.close();

    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(executable(), {QStringLiteral("-c"), config});
    if (!process_->waitForStarted(5000))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10'000) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
        if (probe.waitForConnected(200))
            return true;
        if (process_->state() == QProcess::NotRunning)
            break;
        QThread::msleep(50);
    }
    log_ += QString::fromUtf8(process_->readAll());
    return false;
}

void MosquittoBroker::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
    log_ += QString::fromUtf8(process_->readAll());
    process_.reset();
}

TopicSubscriber::TopicSubscriber(int port, const QString& topic)
{
    // One line per message: the topic, a space, the payload (ours have no line breaks).
    process_.start(QStringLiteral("mosquitto_sub"),
                   {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                    QString::number(port), QStringLiteral("-v"), QStringLiteral("-t"), topic});
}

TopicSubscriber::~TopicSubscriber()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool TopicSubscriber::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    collect();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        process_.waitForReadyRead(50);
        collect();
    }
    return true;
}

QList<TopicSubscriber::Message> TopicSubscriber::on(const QString& topic) const
{
    QList<Message> found;
    for (const Message& message : messages_)
        if (message.topic == topic)
            found.append(message);
    return found;
}

std::optional<QByteArray> TopicSubscriber::last(const QString& topic) const
{
    const QList<Message> found = on(topic);
    if (found.isEmpty())
        return std::nullopt;
    return found.last().payload;
}

void TopicSubscriber::collect()
{
    pending_ += process_.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        const qsizetype space = line.indexOf(' ');
        QByteArray payload = space < 0 ? QByteArray() : line.mid(space + 1);
        // mosquitto_sub prints an empty payload (a retained message removed) as "(null)".
        if (payload == "(null)")
            payload.clear();
        messages_.append(Message{QString::fromUtf8(space < 0 ? line : line.left(space)), payload});
    }
}

} // namespace veltroma::test
