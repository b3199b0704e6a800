#include "support/InverterSim.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace veltroma::test {
namespace {

// veltroma-monitor --headless as a process, with what it has written so far.
class HeadlessProcess {
public:
    // By default a line for every reply, so that the tests need not wait for recorded rows.
    explicit HeadlessProcess(const QString& home,
                             const QStringList& lines = {QStringLiteral("--every-reply")})
    {
        process_.setProgram(QStringLiteral(VELTROMA_MONITOR_EXE));
        process_.setArguments(QStringList{QStringLiteral("--headless"), QStringLiteral("--home"), home}
                              + lines);
        process_.start();
    }

    ~HeadlessProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    bool started() { return process_.waitForStarted(5000); }

    // Waits until `done` holds for the output collected so far.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs || process_.state() == QProcess::NotRunning)
                return done();
            process_.waitForReadyRead(100);
            out_ += process_.readAllStandardOutput();
            err_ += process_.readAllStandardError();
        }
        return true;
    }

    QStringList rows() const
    {
        // Only whole lines: a row is written in one piece ending with its line break.
        QStringList lines = QString::fromUtf8(out_).split(QLatin1Char('\n'));
        lines.removeLast();
        // The first line names the fields.
        if (!lines.isEmpty())
            lines.removeFirst();
        return lines;
    }
    QString errors() const { return QString::fromUtf8(err_); }
    QByteArray rawOutput() const { return out_; }
    QProcess& process() { return process_; }

    void collectRest()
    {
        out_ += process_.readAllStandardOutput();
        err_ += process_.readAllStandardError();
    }

private:
    QProcess process_;
    QByteArray out_;
    QByteArray err_;
};

TEST(HeadlessMonitorTest, LogsRowsReportsAPulledCableAndEndsOnSigterm)
{
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();

    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QFile settings(home.filePath(QStringLiteral("setting.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Setting]\r\nLanguage=English\r\nCommNum=" + sim.portPath().toUtf8()
                   + ",9600,8,N,1\r\n");
    // Private as the program makes it: one readable by others would be reported at the start.
    settings.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    settings.close();

    HeadlessProcess monitor(home.path());
    ASSERT_TRUE(monitor.started());

    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() >= 2; }, 20'000))
        << monitor.errors().toStdString();
    EXPECT_TRUE(monitor.rawOutput().startsWith("time\tinverter\tdc_voltage\t"));
    const QRegularExpression time(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d$"));
    for (const auto& row : monitor.rows()) {
        const auto fields = row.split(QLatin1Char('\t'));
        ASSERT_EQ(fields.size(), 12) << row.toStdString();
        EXPECT_TRUE(time.match(fields[0]).hasMatch()) << row.toStdString();
        EXPECT_EQ(fields[1], "1");
        // The total starts at the simulator's 12345.6 kWh and grows with the day's yield.
        bool number = false;
        const double total = fields[8].toDouble(&number);
        EXPECT_TRUE(number && total >= 12345.6 && total < 12400.0) << row.toStdString();
        EXPECT_TRUE(fields[11] == "Normal" || fields[11] == "Wait") << row.toStdString();
    }
    // Standard error: the start-up summary only, every line stamped with the local time.
    const QStringList startLines = monitor.errors().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(startLines.size(), 2) << monitor.errors().toStdString();
    EXPECT_TRUE(startLines[0].contains(QStringLiteral("logging: program folder ") + home.path()));
    EXPECT_TRUE(startLines[0].contains(QStringLiteral("port ") + sim.portPath()));
    EXPECT_TRUE(startLines[1].contains(QStringLiteral("inverter 1 records to ") + home.path()
                                       + QStringLiteral("/Data/Inverter1/")));
    const QRegularExpression stamped(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "));
    for (const QString& line : startLines)
        EXPECT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();

    // Cable pulled: the loss is reported some twenty seconds after the last reply.
    ASSERT_TRUE(sim.command(QStringLiteral("silent on")));
    QElapsedTimer sincePulled;
    sincePulled.start();
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.errors().contains("link lost"); }, 30'000));
    EXPECT_GE(sincePulled.elapsed(), 17'000);
    const auto rowsWhileLost = monitor.rows().size();

    ASSERT_TRUE(sim.command(QStringLiteral("silent off")));
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.errors().contains("link back"); }, 10'000))
        << monitor.errors().toStdString();
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() > rowsWhileLost; }, 10'000));
    EXPECT_LT(monitor.errors().indexOf("link lost"), monitor.errors().indexOf("link back"));

    monitor.process().terminate(); // SIGTERM
    ASSERT_TRUE(monitor.process().waitForFinished(10'000));
    monitor.collectRest();
    EXPECT_EQ(monitor.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.process().exitCode(), 0);
    EXPECT_TRUE(monitor.rawOutput().endsWith('\n'));
    // The exit summary: the loss of some twenty seconds is counted, then the counters.
    const QRegularExpression summary(QStringLiteral("stopped: \\d+ rows recorded, link lost for (\\d+) s in all"));
    const QRegularExpressionMatch stopped = summary.match(monitor.errors());
    ASSERT_TRUE(stopped.hasMatch()) << monitor.errors().toStdString();
    EXPECT_GE(stopped.captured(1).toInt(), 1);
    EXPECT_GT(monitor.errors().lastIndexOf(QStringLiteral("link counters:")), stopped.capturedStart());
}

// A settings file in a fresh program folder that names `port`.
void writeSettings(const QTemporaryDir& home, const QString& port)
{
    QFile settings(home.filePath(QStringLiteral("setting.ini")));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Setting]\r\nLanguage=English\r\nCommNum=" + port.toUtf8()
                   + ",9600,8,N,1\r\n");
}

TEST(HeadlessMonitorTest, MissingPortIsWaitedForReportedAsALossAndSigtermStillEndsIt)
{
    QTemporaryDir home;
    writeSettings(home, QStringLiteral("/dev/veltroma-no-port"));

    QElapsedTimer sinceStart;
    sinceStart.start();
    HeadlessProcess monitor(home.path());
    ASSERT_TRUE(monitor.started());
    // The watchdog counts from start: twenty to twenty and a half seconds, plus the
    // program's own start-up.
    ASSERT_TRUE(monitor.waitUntil(
        [&] { return monitor.errors().contains("link lost: no reply from the inverter on "
                                               "/dev/veltroma-no-port\n"); },
        21'000))
        << monitor.errors().toStdString();
    EXPECT_GE(sinceStart.elapsed(), 19'500);
    // One stamped line with the reason, not the window's legacy text.
    EXPECT_TRUE(monitor.errors().contains(" /dev/veltroma-no-port does not exist: is the adapter "
                                          "plugged in? (waiting for it)\n"))
        << monitor.errors().toStdString();
    EXPECT_FALSE(monitor.errors().contains("Initialize")) << monitor.errors().toStdString();

    ::kill(static_cast<pid_t>(monitor.process().processId()), SIGUSR1);
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.errors().contains("link counters: "); },
                                  5'000));

    QElapsedTimer sinceTerm;
    sinceTerm.start();
    monitor.process().terminate(); // SIGTERM, while the channel waits to open the port again
    ASSERT_TRUE(monitor.process().waitForFinished(10'000));
    // Promptly: well below one step of the reopen backoff.
    EXPECT_LT(sinceTerm.elapsed(), 3'000);
    monitor.collectRest();
    EXPECT_EQ(monitor.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(monitor.process().exitCode(), 0);
    // Nothing went on the wire of a port that never opened.
    EXPECT_EQ(monitor.errors().count(QStringLiteral("link counters: sent 0, replies 0, timeouts 0,")), 2)
        << monitor.errors().toStdString();
    EXPECT_TRUE(monitor.rows().isEmpty());
}

TEST(HeadlessMonitorTest, InverterThatSleptAndWokeUnregisteredIsRegisteredAgainByItself)
{
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    QTemporaryDir home;
    writeSettings(home, sim.portPath());

    HeadlessProcess monitor(home.path());
    ASSERT_TRUE(monitor.started());
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() >= 1; }, 20'000))
        << monitor.errors().toStdString();

    // Night falls, and the next morning the inverter answers only to the registration.
    ASSERT_TRUE(sim.command(QStringLiteral("night on")));
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.errors().contains("link lost"); }, 25'000))
        << monitor.errors().toStdString();
    const auto rowsAtNight = monitor.rows().size();
    ASSERT_TRUE(sim.command(QStringLiteral("night off")));

    // The first repeat came right after the loss, while it still slept; the next one at
    // most thirty seconds later, plus one poll cycle.
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.errors().contains("link back"); }, 40'000))
        << monitor.errors().toStdString();
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() > rowsAtNight; }, 10'000));

    monitor.process().terminate();
    ASSERT_TRUE(monitor.process().waitForFinished(10'000));
    monitor.collectRest();
    EXPECT_EQ(monitor.process().exitCode(), 0);
}

TEST(HeadlessMonitorTest, RepluggedAdapterIsOpenedAndRegisteredAgainAndRowsComeBackByThemselves)
{
    QTemporaryDir home;
    const QString linkPath = home.filePath(QStringLiteral("ttyVELTROMA"));
    InverterSim::Options options;
    options.extraArguments = {QStringLiteral("--link"), linkPath};
    InverterSim sim(options);
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    writeSettings(home, linkPath);

    HeadlessProcess monitor(home.path());
    ASSERT_TRUE(monitor.started());
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() >= 1; }, 20'000))
        << monitor.errors().toStdString();

    ASSERT_TRUE(sim.command(QStringLiteral("replug 2")));
    const auto rowsAtUnplug = monitor.rows().size();
    // Reopen attempts after 1 s and 2 s more, one registration, then the next poll cycle.
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() > rowsAtUnplug + 1; }, 30'000))
        << monitor.errors().toStdString();

    monitor.process().terminate();
    ASSERT_TRUE(monitor.process().waitForFinished(10'000));
    monitor.collectRest();
    EXPECT_EQ(monitor.process().exitCode(), 0);
    const QRegularExpression counters(QStringLiteral("reopens ([1-9]\\d*), re-registrations ([1-9]\\d*)"));
    EXPECT_TRUE(counters.match(monitor.errors()).hasMatch()) << monitor.errors().toStdString();
}

TEST(HeadlessMonitorTest, ThreeInvertersOfKnownSerialsArePrintedRecordedAndCountedEachUnderItsSlot)
{
    InverterSim::Options options;
    options.otherUnits = {QString(), QString()};
    InverterSim sim(options);
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    QTemporaryDir home;
    writeSettings(home, sim.portPath());
    {
        QFile settings(home.filePath(QStringLiteral("setting.ini")));
        ASSERT_TRUE(settings.open(QIODevice::Append));
        settings.write("[Inverters]\r\nCount=3\r\nSerial1=A1B2C3D4E5\r\nSerial2=VT24000124\r\n"
                       "Serial3=VT24000125\r\n");
    }

    HeadlessProcess monitor(home.path());
    ASSERT_TRUE(monitor.started());
    const auto slotsPrinted = [&] {
        QSet<QString> printed;
        for (const QString& row : monitor.rows())
            printed.insert(row.section(QLatin1Char('\t'), 1, 1));
        return printed;
    };
    ASSERT_TRUE(monitor.waitUntil([&] { return slotsPrinted().size() == 3; }, 30'000))
        << monitor.errors().toStdString();

    ::kill(static_cast<pid_t>(monitor.process().processId()), SIGUSR1);
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.errors().contains(QStringLiteral("inverter 3 ")); }, 10'000));
    monitor.process().terminate();
    ASSERT_TRUE(monitor.process().waitForFinished(10'000));
    monitor.collectRest();

    const QString errors = monitor.errors();
    EXPECT_TRUE(errors.contains(QStringLiteral("inverter 1 registered: A1B2C3D4E5"))) << errors.toStdString();
    const QRegularExpression perSlot(QStringLiteral("inverter 2 VT24000124: [1-9]\\d* cycles, 0 missed"));
    EXPECT_TRUE(perSlot.match(errors).hasMatch()) << errors.toStdString();
    for (int slot = 1; slot <= 3; ++slot)
        EXPECT_TRUE(QDir(home.filePath(QStringLiteral("Data/Inverter%1").arg(slot))).exists()) << slot;
}

// What python's xlrd, a reader independent of ours, finds in a month file: the record rows
// of every day, oldest first.
QList<QStringList> monthRowsByXlrd(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(VELTROMA_XLRD_ROWS), path});
    if (!python.waitForFinished(60'000) || python.exitCode() != 0)
        return {};
    QList<QStringList> rows;
    const QJsonObject days = QJsonDocument::fromJson(python.readAllStandardOutput()).object()["days"].toObject();
    for (const QString& day : days.keys()) {
        for (const auto& row : days[day].toArray()) {
            QStringList cells;
            for (const auto& cell : row.toArray())
                cells << cell.toString();
            rows << cells;
        }
    }
    return rows;
}

TEST(HeadlessMonitorTest, PrintsTheHeaderAndExactlyTheRowsTheMonthFileHolds)
{
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    QTemporaryDir home;
    writeSettings(home, sim.portPath());

    HeadlessProcess monitor(home.path(), {});
    ASSERT_TRUE(monitor.started());
    // The first row is recorded 180 s after the start.
    ASSERT_TRUE(monitor.waitUntil([&] { return monitor.rows().size() >= 1; }, 200'000))
        << monitor.errors().toStdString();
    monitor.process().terminate();
    ASSERT_TRUE(monitor.process().waitForFinished(10'000));
    monitor.collectRest();

    const QList<QByteArray> header = monitor.rawOutput().split('\n');
    EXPECT_EQ(header.value(0), "time\tinverter\tdc_voltage\tac_voltage\tfrequency\tac_power\t"
                               "energy_today\tminutes_today\tenergy_total\thours_total\t"
                               "temperature\tstate");
    const QStringList printed = monitor.rows();
    ASSERT_EQ(printed.size(), 1) << monitor.rawOutput().toStdString();
    QStringList fields = printed[0].split(u'\t');
    ASSERT_EQ(fields.size(), 12);
    EXPECT_EQ(fields[1], "1");
    // The month file's row: the time of day without leading zeros, then the same ten texts.
    const QTime time = QDateTime::fromString(fields[0], Qt::ISODate).time();
    QStringList expected{QStringLiteral("%1:%2:%3").arg(time.hour()).arg(time.minute()).arg(time.second())};
    expected << fields.mid(2);
    const QDate date = QDateTime::fromString(fields[0], Qt::ISODate).date();
    const QString month = home.filePath(QStringLiteral("Data/Inverter1/%1-%2.xls").arg(date.year()).arg(date.month()));
    QList<QStringList> stored = monthRowsByXlrd(month);
    ASSERT_EQ(stored.size(), 1) << month.toStdString();
    // xlrd reads the numbers back as numbers: compare them as such.
    ASSERT_EQ(stored[0].size(), expected.size());
    EXPECT_EQ(stored[0][0], expected[0]);
    for (int i = 1; i + 1 < expected.size(); ++i)
        EXPECT_DOUBLE_EQ(stored[0][i].toDouble(), expected[i].toDouble()) << i;
    EXPECT_EQ(stored[0].back(), expected.back());
}

} // namespace
} // namespace veltroma::test
