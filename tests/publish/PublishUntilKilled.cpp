// Publishes a reading of every inverter named on the command line, a tenth of a second apart,
// until it is killed: the last-will test ends it without a clean disconnect.
// Usage: mqtt_publish_until_killed PORT SERIAL...  (serial k answers at slot k)
#include "monitor/Reading.h"
#include "publish/MqttPublisher.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    using namespace veltroma;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 2;
    MqttSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = args[1].toInt();
    settings.prefix = QStringLiteral("pv");
    MqttPublisher publisher(settings);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (int slot = 1; slot < args.size() - 1; ++slot) {
            Reading reading;
            // As the decoder stamps a reply: with its offset from UTC.
            const QDateTime now = QDateTime::currentDateTime();
            reading.instant = now.toOffsetFromUtc(now.offsetFromUtc());
            reading.slot = slot;
            reading.serial = args[slot + 1];
            publisher.publishReading(reading);
        }
    });
    poll.start(100);
    return app.exec();
}
