#include "support/InverterSim.h"

#include <QDeadlineTimer>
#include <QFile>

namespace veltroma::test {

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

QByteArray bytesOf(const QStringList& hexFields)
{
    QByteArray bytes;
    for (const QString& field : hexFields)
        bytes.append(static_cast<char>(field.toUInt(nullptr, 16)));
    return bytes;
}

// "@2" as 2; 0 for anything else.
int unitOf(const QString& field)
{
    return field.startsWith(QLatin1Char('@')) ? field.mid(1).toInt() : 0;
}

} // namespace

InverterSim::InverterSim() : InverterSim(Options{}) {}

InverterSim::InverterSim(const Options& options)
{
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return;
    }
    QStringList arguments{QStringLiteral("--serial"), options.serial,
                          QStringLiteral("--address"), QString::number(options.address),
                          QStringLiteral("--log"), dir_.filePath(QStringLiteral("requests.log")),
                          // A crashed test closes the pipe: the simulator must not outlive it.
                          QStringLiteral("--quit-on-eof")};
    if (options.instant)
        arguments << QStringLiteral("--instant");
    if (!options.otherUnits.isEmpty())
        arguments << QStringLiteral("--units") << QString::number(options.otherUnits.size() + 1);
    for (qsizetype i = 0; i < options.otherUnits.size(); ++i) {
        if (!options.otherUnits[i].isEmpty())
            arguments << QStringLiteral("--unit")
                      << QStringLiteral("%1:%2").arg(i + 2).arg(options.otherUnits[i]);
    }
    arguments << options.extraArguments;

    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(executablePath(), arguments);
    if (!process_->waitForStarted(kStartTimeoutMs)) {
        error_ = QStringLiteral("cannot start %1: %2")
                     .arg(executablePath(), process_->errorString());
        process_.reset();
        return;
    }
    QByteArray first;
    if (!readLine(first, kStartTimeoutMs) || !first.startsWith("PTY ")) {
        error_ = QStringLiteral("the simulator did not report its port (exit code %1)")
                     .arg(process_->exitCode());
        stop();
        return;
    }
    portPath_ = QString::fromUtf8(first.mid(4).trimmed());
}

InverterSim::~InverterSim()
{
    stop();
}

bool InverterSim::isRunning() const
{
    return process_ && process_->state() == QProcess::Running && !portPath_.isEmpty();
}

bool InverterSim::readLine(QByteArray& line, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_->canReadLine()) {
        if (deadline.hasExpired() || process_->state() != QProcess::Running
            || !process_->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    line = process_->readLine().trimmed();
    return true;
}

bool InverterSim::command(const QString& line, int timeoutMs)
{
    if (!isRunning()) {
        error_ = QStringLiteral("the simulator is not running");
        return false;
    }
    process_->write(line.toUtf8() + '\n');
    process_->waitForBytesWritten(timeoutMs);
    QByteArray answer;
    if (!readLine(answer, timeoutMs)) {
        error_ = QStringLiteral("no answer to: %1").arg(line);
        return false;
    }
    if (!answer.startsWith("ok ")) {
        error_ = QString::fromUtf8(answer);
        return false;
    }
    return true;
}

QStringList InverterSim::logLines() const
{
    QFile file(dir_.filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines;
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        if (!text.isEmpty())
            lines << text;
    }
    return lines;
}

QList<InverterSim::Request> InverterSim::requests() const
{
    QList<Request> out;
    for (const QString& line : logLines()) {
        // <seconds> req <kind> <hex bytes>
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() < 3 || fields[1] != QLatin1String("req"))
            continue;
        out << Request{fields[0].toDouble(), fields[2], bytesOf(fields.mid(3))};
    }
    return out;
}

QList<InverterSim::Reply> InverterSim::replies() const
{
    QList<Reply> out;
    for (const QString& line : logLines()) {
        // <seconds> rep <kind> [@<unit>] <hex bytes>; the unit only when there are several
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() < 4 || fields[1] != QLatin1String("rep"))
            continue;
        const int unit = unitOf(fields[3]);
        out << Reply{fields[0].toDouble(), fields[2], unit > 0 ? unit : 1,
                     bytesOf(fields.mid(unit > 0 ? 4 : 3))};
    }
    return out;
}

QList<InverterSim::Collision> InverterSim::collisions() const
{
    QList<Collision> out;
    for (const QString& line : logLines()) {
        // <seconds> note collision @<unit> @<unit> ... <hex bytes>
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() < 3 || fields[1] != QLatin1String("note")
            || fields[2] != QLatin1String("collision"))
            continue;
        Collision collision{fields[0].toDouble(), {}, {}};
        qsizetype at = 3;
        for (; at < fields.size() && unitOf(fields[at]) > 0; ++at)
            collision.units << unitOf(fields[at]);
        collision.bytes = bytesOf(fields.mid(at));
        out << collision;
    }
    return out;
}

bool InverterSim::stop()
{
    if (!process_)
        return false;
    bool clean = false;
    if (process_->state() == QProcess::Running) {
        process_->write("quit\n");
        process_->closeWriteChannel();
        if (process_->waitForFinished(kStopTimeoutMs)) {
            clean = process_->exitStatus() == QProcess::NormalExit && process_->exitCode() == 0;
        } else {
            process_->kill();
            process_->waitForFinished(kStopTimeoutMs);
        }
    }
    process_.reset();
    return clean;
}

QString InverterSim::executablePath()
{
    return QStringLiteral(VELTROMA_INVERTER_SIM_PATH);
}

} // namespace veltroma::test
