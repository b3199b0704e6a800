#include "support/FileModes.h"
#include "support/InverterSim.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

// The program's parameter modes as a script runs them: the built executable against the
// simulated inverter, with a program folder of its own.
class RunParametersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InverterSim::Options options;
        options.address = 1;
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        setPort(sim->portPath());
    }

    void setPort(const QString& port)
    {
        QFile settings(home.filePath("setting.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
        settings.write("[Setting]\nLanguage=English\nCommNum=" + port.toUtf8() + ",9600,8,N,1\n");
    }

    QString file(const QByteArray& content)
    {
        const QString path = home.filePath(QStringLiteral("wanted%1.txt").arg(++files));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return path;
    }

    // Runs the program; its exit code.
    int run(QStringList arguments)
    {
        arguments << "--home" << home.path();
        QProcess process;
        process.start(QStringLiteral(VELTROMA_MONITOR_EXE), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    int writeCount() const
    {
        int count = 0;
        for (const auto& request : sim->requests())
            count += request.kind == "write-parameter" ? 1 : 0;
        return count;
    }

    QStringList backups() const
    {
        return QDir(home.filePath("Data/Inverter1")).entryList({"parameters-*.txt"}, QDir::Files);
    }

    QTemporaryDir home;
    std::unique_ptr<InverterSim> sim;
    QString out;
    QString err;
    int files = 0;
};

TEST_F(RunParametersTest, ReadPrintsTheSevenRowsInTheDialogsFormats)
{
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4"}), 0) << err.toStdString();
    EXPECT_EQ(out, "Vpv-start=250.0\nT-start=60\nVac-min=196.0\nVac-max=253.0\nf-min=47.50\n"
                   "f-max=50.50\nDCI-Limit=1000\n");
}

TEST_F(RunParametersTest, PortReplacesCommNumAndACommNumThatIsNoPortExitsTwo)
{
    setPort(home.filePath(QStringLiteral("no-such-port")));
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4", "--port", sim->portPath()}), 0)
        << err.toStdString();
    EXPECT_TRUE(out.startsWith(QStringLiteral("Vpv-start=250.0\n"))) << out.toStdString();

    QFile settings(home.filePath("setting.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write("[Setting]\nLanguage=English\nCommNum=xyz\n");
    settings.close();
    const auto heard = sim->requests().size();
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(err.contains(QStringLiteral("CommNum 'xyz' is no port: give a device"))) << err.toStdString();
    EXPECT_TRUE(out.isEmpty());
    EXPECT_EQ(sim->requests().size(), heard);
}

TEST_F(RunParametersTest, ACrLfFileWritesOnlyTheDifferingRowsAfterABackupAndVerifiesThem)
{
    const QString wanted = file("# fleet\r\nVac-max=250.0\r\nT-start=60\r\n\r\n");
    {
        const ScopedUmask umask(0022);
        EXPECT_EQ(run({"--write-parameters", wanted, "--access-code", "lantern4"}), 0) << err.toStdString();
    }
    EXPECT_EQ(out, "Vac-max=250.0 ok\n");
    EXPECT_EQ(writeCount(), 1);
    ASSERT_EQ(backups().size(), 1);
    EXPECT_TRUE(err.contains("backup: ")) << err.toStdString();

    // The backup written first holds what the inverter had, and puts it back. It tells about
    // the plant: only its user may read it.
    const QString backup = home.filePath("Data/Inverter1/" + backups()[0]);
    EXPECT_EQ(modeOf(backup), 0600);
    EXPECT_EQ(modeOf(home.filePath("Data/Inverter1")), 0700);
    EXPECT_EQ(modeOf(home.filePath("Data")), 0700);
    EXPECT_EQ(run({"--write-parameters", backup, "--access-code", "lantern4"}), 0);
    EXPECT_EQ(out, "Vac-max=253.0 ok\n");
}

TEST_F(RunParametersTest, AnInvalidFileOrOptionSendsNothingAndExitsTwo)
{
    const QString unknown = file("Vac-max=250.0\nVac-maximum=250.0\n");
    EXPECT_EQ(run({"--write-parameters", unknown, "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(err.contains("line 2: unknown parameter 'Vac-maximum'")) << err.toStdString();

    const QString disordered = file("f-min=50.00\nf-max=49.00\n");
    EXPECT_EQ(run({"--write-parameters", disordered, "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(err.contains("f-min (50.00) must be below f-max (49.00)")) << err.toStdString();

    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4", "--address", "0"}), 2);
    EXPECT_EQ(run({"--read-parameters"}), 2);
    EXPECT_EQ(run({"--read-parameters", "--write-parameters", unknown, "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(sim->requests().isEmpty());

    // Against the inverter's own values: read, but nothing written. Its factory f-max lies
    // above the range; kept as it is it passes, changed it does not.
    EXPECT_EQ(run({"--write-parameters", file("f-max=50.60\n"), "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(err.contains("f-max=50.60 is not a value from 45.10 to 50.20")) << err.toStdString();
    EXPECT_EQ(run({"--write-parameters", file("f-max=50.50\n"), "--access-code", "lantern4"}), 0);
    const QString aboveMaximum = file("Vac-min=260.0\n");
    EXPECT_EQ(run({"--write-parameters", aboveMaximum, "--access-code", "lantern4"}), 2);
    EXPECT_EQ(writeCount(), 0);
    EXPECT_TRUE(backups().isEmpty());
}

TEST_F(RunParametersTest, AFileIsJudgedInOnePassWithNamesInAnyCaseAndAnEmptyOneIsRefused)
{
    // A misspelt name and a value beyond its range: both said at once.
    const QString twoProblems = file("vac-MAXIMUM=250.0\nf-max=50.60\n");
    EXPECT_EQ(run({"--write-parameters", twoProblems, "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(err.contains("line 1: unknown parameter 'vac-MAXIMUM' (known: Vpv-start T-start"))
        << err.toStdString();
    EXPECT_TRUE(err.contains("line 2: f-max=50.60 is not a value from 45.10 to 50.20")) << err.toStdString();

    EXPECT_EQ(run({"--write-parameters", file("# only a comment\n\n"), "--access-code", "lantern4"}), 2);
    EXPECT_TRUE(err.contains("the file sets no parameter")) << err.toStdString();
    EXPECT_TRUE(sim->requests().isEmpty());

    EXPECT_EQ(run({"--write-parameters", file("vac-max=250.0\n"), "--access-code", "lantern4"}), 0)
        << err.toStdString();
    EXPECT_EQ(out, "Vac-max=250.0 ok\n");
}

TEST(RunParametersRegistration, AnInverterWithoutAnAddressIsRegisteredAndThenRead)
{
    InverterSim sim;  // no address: it slept, or was never registered
    ASSERT_TRUE(sim.isRunning()) << sim.errorString().toStdString();
    QTemporaryDir home;
    {
        QFile settings(home.filePath("setting.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Setting]\nLanguage=English\nCommNum=" + sim.portPath().toUtf8() + ",9600,8,N,1\n");
    }
    QProcess process;
    process.start(QStringLiteral(VELTROMA_MONITOR_EXE),
                  {"--read-parameters", "--access-code", "lantern4", "--home", home.path()});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_TRUE(err.contains("registered inverter A1B2C3D4E5 at address 1")) << err.toStdString();
    EXPECT_TRUE(process.readAllStandardOutput().startsWith("Vpv-start=250.0\n"));
    int assignments = 0;
    for (const auto& request : sim.requests())
        assignments += request.kind == "assign-address" ? 1 : 0;
    EXPECT_EQ(assignments, 1);
}

TEST_F(RunParametersTest, TheAccessCodeCanComeFromAFileOrStandardInput)
{
    const QString codeFile = file("lantern4\r\n");
    EXPECT_EQ(run({"--read-parameters", "--access-code-file", codeFile}), 0) << err.toStdString();
    EXPECT_TRUE(out.startsWith("Vpv-start=250.0\n"));

    QProcess process;
    process.start(QStringLiteral(VELTROMA_MONITOR_EXE),
                  {"--read-parameters", "--access-code", "-", "--home", home.path()});
    process.write("lantern4\n");
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    EXPECT_EQ(run({"--read-parameters", "--access-code-file", home.filePath("no-such-file")}), 2);
    EXPECT_TRUE(err.contains("cannot read the access code from")) << err.toStdString();
    EXPECT_EQ(run({"--read-parameters", "--access-code-file", file("lantern5\n")}), 3);
    EXPECT_EQ(run({"--read-parameters", "--access-code", "x", "--access-code-file", codeFile}), 2);
}

TEST_F(RunParametersTest, AWrongAccessCodeSendsNothingAndExitsThree)
{
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern5"}), 3);
    EXPECT_EQ(run({"--write-parameters", file("T-start=90\n"), "--access-code", "LANTERN4"}), 3);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(sim->requests().isEmpty());
}

TEST_F(RunParametersTest, NoReplyOrADifferenceExitsOne)
{
    ASSERT_TRUE(sim->command("unapplied on"));
    EXPECT_EQ(run({"--write-parameters", file("Vac-max=250.0\nDCI-Limit=900\n"), "--access-code",
                   "lantern4"}),
              1);
    EXPECT_EQ(out, "Vac-max=250.0 differs: the inverter reports 253.0\n"
                   "DCI-Limit=900 differs: the inverter reports 1000\n");

    ASSERT_TRUE(sim->command("unapplied off"));
    ASSERT_TRUE(sim->command("refuse 0x3D"));
    EXPECT_EQ(run({"--write-parameters", file("DCI-Limit=900\n"), "--access-code", "lantern4"}), 1);
    EXPECT_EQ(out, "DCI-Limit=900 failed: the inverter did not acknowledge the write\n");

    ASSERT_TRUE(sim->command("silent on"));
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4"}), 1);
    EXPECT_TRUE(err.contains("no reply from the inverter at address 1")) << err.toStdString();
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4", "--address", "2"}), 1);
}

TEST_F(RunParametersTest, AnUnavailablePortExitsFour)
{
    setPort(home.filePath("no-such-port"));
    EXPECT_EQ(run({"--read-parameters", "--access-code", "lantern4"}), 4);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_TRUE(out.isEmpty());
}

} // namespace
} // namespace veltroma::test
