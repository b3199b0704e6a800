#include "ParamsTestSupport.h"

#include "channel/Channel.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "monitor/DisplayUpdates.h"
#include "monitor/NoDisplay.h"
#include "monitor/MonitorEngine.h"
#include "params/ParaSet2Exchange.h"
#include "params/ParaSetExchange.h"
#include "support/InverterSim.h"
#include "support/ScriptedPrompt.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace veltroma::test {
namespace {

using Request = InverterSim::Request;

bool waitFor(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The dialogs' exchange logic on the program's real channel, talking to the simulated
// inverter over its pseudo-terminal.
class SimulatorParamsTest : public ::testing::Test {
protected:
    void start(int address = 1, QStringList extra = {})
    {
        // Backups go under the program folder's Data folder.
        setProgramFolder(home.path());
        InverterSim::Options options;
        options.address = address;
        options.extraArguments = std::move(extra);
        sim = std::make_unique<InverterSim>(options);
        ASSERT_TRUE(sim->isRunning()) << sim->errorString().toStdString();
        channel = std::make_unique<Channel>(steadyClock(), prompt);
        channel->COMM_CFG = sim->portPath() + QStringLiteral(",9600,8,N,1");
        channel->PortInit(0);
        ASSERT_TRUE(channel->ChannelOK());
    }

    std::vector<Request> requestsOfKind(const QString& kind, qsizetype from = 0) const
    {
        std::vector<Request> found;
        const auto all = sim->requests();
        for (auto i = from; i < all.size(); ++i) {
            if (all[i].kind == kind)
                found.push_back(all[i]);
        }
        return found;
    }

    QStringList values(const ParaSetExchange& dialog) const
    {
        QStringList out;
        for (int row = 0; row < 7; ++row)
            out << dialog.value(row);
        return out;
    }

    // The backups written so far.
    QStringList backups(int address) const
    {
        const QDir dir(home.path() + QStringLiteral("/Data/Inverter%1").arg(address));
        QStringList paths;
        for (const QString& name : dir.entryList({"parameters-*.txt"}, QDir::Files, QDir::Name))
            paths << dir.filePath(name);
        return paths;
    }

    QTemporaryDir home;
    EnglishLanguage english;
    ScriptedPrompt prompt;
    std::unique_ptr<InverterSim> sim;
    std::unique_ptr<Channel> channel;
};

TEST_F(SimulatorParamsTest, GridParametersRoundTrip)
{
    start(2);
    ParaSetExchange dialog(dialogChannel(*channel), prompt, 2);
    dialog.OnButtonUpload();
    EXPECT_EQ(requestsOfKind("poll-settings").size(), 3U);
    EXPECT_EQ(values(dialog),
              (QStringList{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"}));
    ASSERT_TRUE(dialog.downloadEnabled());

    // Download right after the upload: nothing to write.
    auto count = sim->requests().size();
    dialog.OnButtonDownload();
    EXPECT_EQ(sim->requests().size(), count);
    dialog.OnButtonUpload();

    // Only "Vac-max" changed: exactly one write frame.
    count = sim->requests().size();
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 3, 1, "250.0");
    dialog.OnButtonDownload();
    const auto writes = requestsOfKind("write-parameter", count);
    // The serial number for the backup, the write, and one read-back.
    ASSERT_EQ(sim->requests().size(), count + 3);
    EXPECT_EQ(requestsOfKind("service-read-serial", count).size(), 1U);
    EXPECT_EQ(requestsOfKind("poll-settings", count).size(), 1U);
    ASSERT_EQ(writes.size(), 1U);
    EXPECT_EQ(writes[0].bytes, QByteArray::fromHex("435A0000000202050209C40175"));

    // A fresh dialog reads the changed value back.
    ParaSetExchange again(dialogChannel(*channel), prompt, 2);
    again.OnButtonUpload();
    EXPECT_EQ(again.value(3), "250.0");
    EXPECT_EQ(prompt.texts(), (QStringList{"UpLoad Data OK!", " Download succeed ",
                                           "UpLoad Data OK!", " Download succeed ",
                                           "UpLoad Data OK!"}));
}

TEST_F(SimulatorParamsTest, DisplayParametersRoundTrip)
{
    start();
    ParaSet2Exchange dialog(dialogChannel(*channel), prompt);
    dialog.OnButtonUpload3();
    EXPECT_EQ(dialog.value(kLanguageRow), "English");
    EXPECT_EQ(dialog.value(kContrastRow), "3");

    dialog.OnEndLabelEditVariableCriteria(kParaSet2GridId, kLanguageRow, 1, "German");
    dialog.OnEndLabelEditVariableCriteria(kParaSet2GridId, kContrastRow, 1, "5");
    dialog.OnButtonDownload3();
    const auto writes = requestsOfKind("write-display");
    ASSERT_EQ(writes.size(), 1U);
    EXPECT_EQ(writes[0].bytes.mid(9, 2), QByteArray::fromHex("0205"));

    ParaSet2Exchange again(dialogChannel(*channel), prompt);
    again.OnButtonUpload3();
    EXPECT_EQ(again.value(kLanguageRow), "German");
    EXPECT_EQ(again.value(kContrastRow), "5");
    EXPECT_EQ(prompt.texts(),
              (QStringList{"UpLoad Data OK!",
                           QString::fromUtf8("DownLoad Data OK,Please Upload to be sure！"),
                           "UpLoad Data OK!"}));
}

TEST_F(SimulatorParamsTest, AChangedRowIsWrittenOnceVerifiedAndBackedUpBeforeTheFirstWriteOnly)
{
    start(1);
    ParaSetExchange dialog(dialogChannel(*channel), prompt, 1);
    dialog.OnButtonUpload();
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 3, 1, "250.0");
    prompt.clear();
    dialog.OnButtonDownload();
    EXPECT_EQ(requestsOfKind("write-parameter").size(), 1U);
    EXPECT_EQ(prompt.texts(), QStringList{" Download succeed "});

    const QStringList files = backups(1);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0], dialog.backupFile());
    QFile file(files[0]);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    EXPECT_TRUE(lines[0].startsWith("# inverter A1B2C3D4E5, read ")) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1, 7), (QList<QByteArray>{"Vpv-start=250.0", "T-start=60", "Vac-min=196.0",
                                                 "Vac-max=253.0", "f-min=47.50", "f-max=50.50",
                                                 "DCI-Limit=1000"}));

    // A second download of the same dialog keeps the first backup as the only one.
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "90");
    dialog.OnButtonDownload();
    EXPECT_EQ(backups(1).size(), 1);
    EXPECT_EQ(requestsOfKind("write-parameter").size(), 2U);
}

TEST_F(SimulatorParamsTest, AnAcknowledgedButUnappliedWriteIsReportedByNameAndTheGridShowsTheInverter)
{
    start(1);
    ASSERT_TRUE(sim->command("unapplied on"));
    ParaSetExchange dialog(dialogChannel(*channel), prompt, 1);
    dialog.OnButtonUpload();
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 3, 1, "250.0");
    prompt.clear();
    dialog.OnButtonDownload();
    EXPECT_EQ(prompt.texts(), QStringList{"Not every row reads back as written:\n"
                                          "Vac-max: wrote 250.0, the inverter reports 253.0"});
    EXPECT_EQ(dialog.value(3), "253.0");
    EXPECT_TRUE(dialog.downloadEnabled());
}

TEST_F(SimulatorParamsTest, ARefusedRowIsNamedWhileTheOthersAreWrittenAndVerified)
{
    start(1);
    ASSERT_TRUE(sim->command("refuse 0x05"));
    ParaSetExchange dialog(dialogChannel(*channel), prompt, 1);
    dialog.OnButtonUpload();
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "90");
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 3, 1, "250.0");
    prompt.clear();
    dialog.OnButtonDownload();
    // One write of T-start, three attempts at Vac-max.
    EXPECT_EQ(requestsOfKind("write-parameter").size(), 4U);
    EXPECT_EQ(prompt.texts(),
              QStringList{"Not every row reads back as written:\n"
                          "Vac-max: wrote 250.0, the inverter did not acknowledge the write"});
    EXPECT_EQ(dialog.value(1), "90");
    EXPECT_EQ(dialog.value(3), "253.0");
}

TEST_F(SimulatorParamsTest, MinimumAboveMaximumIsRefusedBeforeAnyFrameIsSent)
{
    start(1);
    ParaSetExchange dialog(dialogChannel(*channel), prompt, 1);
    dialog.OnButtonUpload();
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 2, 1, "260.0");
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "90");
    prompt.clear();
    const auto count = sim->requests().size();
    dialog.OnButtonDownload();
    EXPECT_EQ(sim->requests().size(), count);
    EXPECT_EQ(prompt.texts(),
              QStringList{"Vac-min (260.0) must be below Vac-max (253.0): nothing was written."});
    EXPECT_TRUE(backups(1).isEmpty());
    EXPECT_TRUE(dialog.downloadEnabled());
}

TEST_F(SimulatorParamsTest, ARestoredBackupIsReviewedInTheGridThenDownloadedAndVerified)
{
    start(1);
    ParaSetExchange dialog(dialogChannel(*channel), prompt, 1);
    dialog.OnButtonUpload();
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 3, 1, "250.0");
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 6, 1, "900");
    dialog.OnButtonDownload();
    ASSERT_EQ(backups(1).size(), 1);

    // A wrong file changes nothing in the grid.
    QTemporaryDir dir;
    QFile wrong(dir.filePath("wrong.txt"));
    ASSERT_TRUE(wrong.open(QIODevice::WriteOnly));
    wrong.write("Vac-max=250.0\r\nGrid=1\r\n");
    wrong.close();
    prompt.clear();
    EXPECT_FALSE(dialog.restoreFrom(wrong.fileName()));
    EXPECT_EQ(prompt.texts(), QStringList{wrong.fileName() + " cannot be restored:\n"
                                          "line 2: unknown parameter 'Grid' (known: Vpv-start "
                                          "T-start Vac-min Vac-max f-min f-max DCI-Limit)"});
    EXPECT_EQ(dialog.value(3), "250.0");

    prompt.chooseFile(backups(1)[0]);
    dialog.OnButtonRestore();
    EXPECT_EQ(dialog.value(3), "253.0");
    EXPECT_EQ(dialog.value(6), "1000");
    prompt.clear();
    const auto count = requestsOfKind("write-parameter").size();
    dialog.OnButtonDownload();
    EXPECT_EQ(requestsOfKind("write-parameter").size(), count + 2);
    EXPECT_EQ(prompt.texts(), QStringList{" Download succeed "});
    EXPECT_EQ(values(dialog), (QStringList{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"}));

    // The inverter's factory f-max lies above the range the grid allows: a file may keep it,
    // but never bring it back once it was changed.
    dialog.OnEndLabelEditVariableCriteria(kParaSetGridId, 5, 1, "50.20");
    dialog.OnButtonDownload();
    prompt.clear();
    EXPECT_FALSE(dialog.restoreFrom(backups(1)[0]));
    EXPECT_TRUE(prompt.texts().front().endsWith("f-max=50.50 is not a value from 45.10 to 50.20"))
        << prompt.texts().front().toStdString();
}

// The monitoring worker polls the same channel while both dialogs talk. Replies are slowed
// down, so that a request slipped in while another party waits for its reply would reach the
// simulator before that reply.
TEST_F(SimulatorParamsTest, DialogsAndTheMonitoringWorkerNeverInterleave)
{
    start(0, {"--slow", "150"});
    NoDisplay display;
    MonitorEngine engine(MonitorEngine::Setup{
        *channel, steadyClock(), display, QStringLiteral("/pv/"), g_LoadString,
        [] { return QDateTime::currentDateTime(); }});
    engine.OnChangeUseriSwitchLEDX0(true);
    ASSERT_TRUE(waitFor([&] { return requestsOfKind("poll-settings").size() >= 1; }));

    ParaSetExchange grid(dialogChannel(*channel), prompt, 1);
    grid.OnButtonUpload();
    grid.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "90");
    grid.OnButtonDownload();
    grid.OnButtonUpload();
    ParaSet2Exchange display2(dialogChannel(*channel), prompt);
    display2.OnButtonUpload3();
    display2.OnEndLabelEditVariableCriteria(kParaSet2GridId, kContrastRow, 1, "4");
    display2.OnButtonDownload3();
    const auto polls = requestsOfKind("poll-realtime").size();
    ASSERT_TRUE(waitFor([&] { return requestsOfKind("poll-realtime").size() > polls; }));
    engine.shutdown();

    // Every request is whole, and none arrives while an earlier one still waits for its reply.
    bool waitingForReply = false;
    int replies = 0;
    for (const QString& line : sim->logLines()) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        ASSERT_GE(fields.size(), 3) << line.toStdString();
        EXPECT_NE(fields[1], "bad") << line.toStdString();
        if (fields[1] == "req") {
            EXPECT_FALSE(waitingForReply) << line.toStdString();
            waitingForReply = fields[2] != "clear-addresses";
        } else if (fields[1] == "rep") {
            waitingForReply = false;
            ++replies;
        }
    }
    EXPECT_GT(replies, 10);

    // Each dialog saw its own replies, and the worker polled before and after them.
    EXPECT_EQ(grid.value(1), "90");
    EXPECT_EQ(display2.value(kLanguageRow), "English");
    EXPECT_EQ(requestsOfKind("write-parameter").size(), 1U);
    EXPECT_EQ(requestsOfKind("write-display").size(), 1U);
    EXPECT_EQ(prompt.texts(),
              (QStringList{"UpLoad Data OK!", " Download succeed ", "UpLoad Data OK!",
                           "UpLoad Data OK!",
                           QString::fromUtf8("DownLoad Data OK,Please Upload to be sure！")}));
    EXPECT_TRUE(engine.snapshot().realtimeDecoded);
}

} // namespace
} // namespace veltroma::test
