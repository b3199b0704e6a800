#include "ProgramRun.h"

#include "cli/StatusReport.h"
#include "monitor/DailyRecorder.h"
#include "monitor/RecordSnapshot.h"
#include "support/InverterSim.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// Every entry below `folder` with its size and time of change: what a mode that only reads
// must leave exactly as it found it.
QMap<QString, QString> folderState(const QString& folder)
{
    QMap<QString, QString> state;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        state.insert(
            info.filePath(),
            QStringLiteral("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch()));
    }
    return state;
}

// A program folder of two inverters, with month files the program's own recorder writes.
class StatusTest : public ::testing::Test {
protected:
    void SetUp() override { writeSettings("[Inverters]\r\nCount=2\r\n"); }

    void writeSettings(const QByteArray& content)
    {
        QFile settings(home_.filePath(QStringLiteral("setting.ini")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write(content);
    }

    void record(int slot, const QDateTime& when, const QString& serial, const QString& power)
    {
        InverterModel m = recordSnapshot(
            home_.path() + u'/', when,
            {QStringLiteral("312.4"), QStringLiteral("230.1"), QStringLiteral("50.02"), power,
             QStringLiteral("4.2"), QStringLiteral("185"), QStringLiteral("12349.8"),
             QStringLiteral("4099"), QStringLiteral("41.5"), QStringLiteral("Normal")},
            slot);
        m.sSerialNums[slot] = serial;
        recorder_.record(m);
    }

    QTemporaryDir home_;
    DailyRecorder recorder_;
};

TEST_F(StatusTest, FreshRowsOfTwoInvertersArePrintedWithTheirValuesAndNothingInTheFolderChanges)
{
    const QDateTime now = QDateTime::currentDateTime();
    record(1, now.addSecs(-400), QStringLiteral("A1B2C3D4E5"), QStringLiteral("900"));
    record(1, now.addSecs(-30), QStringLiteral("A1B2C3D4E5"), QStringLiteral("1523"));
    record(2, now.addSecs(-20), QStringLiteral("B2C3D4E5F6"), QStringLiteral("2710"));
    const auto before = folderState(home_.path());

    ProgramRun run({QStringLiteral("--status"), QStringLiteral("--home"), home_.path()});
    ASSERT_EQ(run.exitCode(), 0) << run.out().toStdString() << run.err().toStdString();
    EXPECT_TRUE(run.err().isEmpty()) << run.err().toStdString();
    const QString& out = run.out();
    const qsizetype second = out.indexOf(QStringLiteral("Inverter 2  serial B2C3D4E5F6"));
    ASSERT_TRUE(out.startsWith(QStringLiteral("Inverter 1  serial A1B2C3D4E5")))
        << out.toStdString();
    ASSERT_GT(second, 0) << out.toStdString();
    const QString first = out.left(second);
    EXPECT_TRUE(first.contains(QStringLiteral("AC power      1523 W "))) << out.toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("900 W"))) << "only the newest row";
    EXPECT_TRUE(first.contains(QStringLiteral("just now  Normal\n"))) << out.toStdString();
    EXPECT_TRUE(out.mid(second).contains(QStringLiteral("AC power      2710 W ")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("temperature   41.5 °C\n"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("LATE")));

    EXPECT_EQ(folderState(home_.path()), before);
}

TEST_F(StatusTest, AFolderWithoutRecordsSaysSoAndAMissingFolderIsNotMade)
{
    writeSettings("[Setting]\r\nLanguage=English\r\n");
    const bool daylightBefore = isDaylight(QTime::currentTime());
    ProgramRun run({QStringLiteral("--status"), QStringLiteral("--home"), home_.path()});
    const int code = run.exitCode();
    EXPECT_EQ(run.out(),
              QStringLiteral("Inverter 1  no records\n")
                  + (daylightBefore ? QStringLiteral("  LATE: no row recorded today, in daylight "
                                                     "(07:00 to 19:00)\n")
                                    : QString()));
    // In daylight a logger that has recorded nothing today has failed.
    if (daylightBefore == isDaylight(QTime::currentTime())) {
        EXPECT_EQ(code, daylightBefore ? 1 : 0);
    }

    const QString missing = home_.filePath(QStringLiteral("elsewhere"));
    ProgramRun none({QStringLiteral("--status"), QStringLiteral("--home"), missing});
    EXPECT_EQ(none.exitCode(), 1);
    EXPECT_EQ(none.err(),
              QStringLiteral("veltroma-monitor: There is no program folder %1/\n").arg(missing));
    EXPECT_TRUE(none.out().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(StatusTest, WorksWhileTheLoggerHoldsThePort)
{
    // The logger's first row of its own would be three minutes away: it starts on a month
    // file that holds a fresh row already.
    record(1, QDateTime::currentDateTime().addSecs(-30), QStringLiteral("A1B2C3D4E5"),
           QStringLiteral("1523"));
    InverterSim sim;
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    writeSettings("[Setting]\r\nLanguage=English\r\nCommNum=" + sim.portPath().toUtf8()
                  + ",9600,8,N,1\r\n");
    ProgramRun logger({QStringLiteral("--headless"), QStringLiteral("--home"), home_.path()});
    // Polling: the port is the logger's.
    ASSERT_TRUE(logger.waitUntil([&] { return sim.requests().size() > 2; }))
        << logger.err().toStdString();

    ProgramRun status({QStringLiteral("--status"), QStringLiteral("--home"), home_.path()});
    EXPECT_EQ(status.exitCode(), 0) << status.out().toStdString() << status.err().toStdString();
    EXPECT_TRUE(status.err().isEmpty()) << status.err().toStdString();
    EXPECT_TRUE(status.out().startsWith(QStringLiteral("Inverter 1  serial A1B2C3D4E5")))
        << status.out().toStdString();
    EXPECT_TRUE(status.out().contains(QStringLiteral("AC power      1523 W ")))
        << status.out().toStdString();

    // The logger never noticed: its link stays up and it goes on polling.
    const qsizetype requests = sim.requests().size();
    ASSERT_TRUE(logger.waitUntil([&] { return sim.requests().size() > requests + 2; }));
    EXPECT_TRUE(logger.running());
    EXPECT_FALSE(logger.err().contains(QStringLiteral("link lost"))) << logger.err().toStdString();
    logger.terminate();
    EXPECT_EQ(logger.exitCode(), 0) << logger.err().toStdString();
}

} // namespace
} // namespace veltroma::test
