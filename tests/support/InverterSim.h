#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace veltroma::test {

// Starts the built inverter-sim for a test and drives it; stops it again when it goes out
// of scope. Needs a QCoreApplication and is used from the thread that made it.
//
//   InverterSim sim;                         // instant replies, no address yet
//   ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
//   open sim.portPath() with the code under test ...
//   sim.command("silent on");                // cable pulled
//   for (const auto& r : sim.requests()) ... // what reached the device
//
// With `otherUnits` it plays several inverters on the one bus: "@2 night on" commands unit 2,
// replies() names the unit that sent each, collisions() lists the replies that overlapped.
//
// The simulator's options, commands and log are described in tools/inverter-sim/README.md.
class InverterSim {
public:
    struct Options {
        // Unit 1's serial number (ten characters, \xHH for any byte) and bus address at start
        // (0 = none).
        QString serial = QStringLiteral("A1B2C3D4E5");
        int address = 0;
        bool instant = true;  // whole replies at once; false: the pacing of a real device
        // Units 2, 3, ... on the same bus, each as its --unit settings, e.g.
        // "serial=B2C3D4E5F6,rated-power=5000"; an empty entry keeps that unit's defaults
        // (serial VT2400012 and the digit 2 + k, 2 + k kW, no address).
        QStringList otherUnits;
        QStringList extraArguments;                      // any further simulator options
    };

    // One request as the simulator logged it.
    struct Request {
        double seconds = 0;  // since the simulator started
        QString kind;        // e.g. "poll-realtime", "write-parameter", "service-read-dci"
        QByteArray bytes;
    };

    // One reply as it started to go out.
    struct Reply {
        double seconds = 0;
        QString kind;  // e.g. "serial", "realtime", "realtime(bad-checksum)"
        int unit = 1;  // who sent it
        QByteArray bytes;  // as the unit sent it, before any collision
    };

    // Replies of several units that overlapped on the line.
    struct Collision {
        double seconds = 0;
        QList<int> units;  // ascending
        QByteArray bytes;  // what the line carried
    };

    InverterSim();
    explicit InverterSim(const Options& options);
    ~InverterSim();
    InverterSim(const InverterSim&) = delete;
    InverterSim& operator=(const InverterSim&) = delete;

    [[nodiscard]] bool isRunning() const;
    // Why it did not start, or why the last command failed.
    [[nodiscard]] QString errorString() const { return error_; }
    // The slave device, e.g. /dev/pts/7.
    [[nodiscard]] QString portPath() const { return portPath_; }

    // Sends one control command ("silent on", "fault 0x400", "state 2", ...) and waits until
    // the simulator has applied it; false when it was refused or no answer came in time.
    bool command(const QString& line, int timeoutMs = 5000);

    // Every line of the simulator's log so far.
    [[nodiscard]] QStringList logLines() const;
    // The requests received so far, in order.
    [[nodiscard]] QList<Request> requests() const;
    // The replies that started to go out so far, in order.
    [[nodiscard]] QList<Reply> replies() const;
    // The collisions so far, in order; each is logged as its last byte goes out.
    [[nodiscard]] QList<Collision> collisions() const;

    // Sends "quit" and waits; kills the process if it does not end. Also done on destruction.
    // True when the simulator ended by itself with exit code 0 (a sanitizer report or a
    // crash makes it false).
    bool stop();

    // The path of the built simulator.
    [[nodiscard]] static QString executablePath();

private:
    bool readLine(QByteArray& line, int timeoutMs);

    QTemporaryDir dir_;
    std::unique_ptr<QProcess> process_;
    QString portPath_;
    QString error_;
};

} // namespace veltroma::test
