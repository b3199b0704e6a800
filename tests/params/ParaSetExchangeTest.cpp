#include "ParamsTestSupport.h"

#include "config/ProgramPaths.h"
#include "params/ParaSetExchange.h"
#include "support/ScriptedPrompt.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

const QStringList kExampleValues{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"};

class ParaSetExchangeTest : public ::testing::Test {
protected:
    // Backups go to a program folder of the test's own.
    ParaSetExchangeTest() { setProgramFolder(home.path()); }

    QStringList values() const
    {
        QStringList out;
        for (int row = 0; row < 7; ++row)
            out << exchange.value(row);
        return out;
    }

    // Uploads the example values, then forgets the frames and messages it caused.
    void uploadExample()
    {
        fake.answerWith(settingsReply({2500, 60, 1960, 2530, 4750, 5050, 7, 321, 1000}));
        exchange.OnButtonUpload();
        ASSERT_EQ(values(), kExampleValues);
        sentBefore = fake.link.sent().size();
        prompt.clear();
    }

    std::vector<std::vector<std::uint8_t>> sentSinceUpload() const
    {
        const auto all = fake.requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()};
    }

    QTemporaryDir home;
    EnglishLanguage english;
    FakeChannel fake;
    ScriptedPrompt prompt;
    ParaSetExchange exchange{fake.channel(), prompt, 1};
    std::size_t sentBefore = 0;
};

TEST_F(ParaSetExchangeTest, UploadWithoutReplyAsksAgainAndKeepsDownloadDisabled)
{
    fake.answerWith({});
    exchange.OnButtonUpload();
    EXPECT_EQ(fake.requests().size(), 3U);
    EXPECT_EQ(prompt.texts(), QStringList{"Please UpLoad Data again!"});
    EXPECT_FALSE(exchange.downloadEnabled());
    EXPECT_TRUE(exchange.uploadEnabled());

    // Once a reply was shown, a later silent upload keeps it and leaves Download usable.
    uploadExample();
    fake.answerWith({});
    exchange.OnButtonUpload();
    EXPECT_TRUE(exchange.downloadEnabled());
    EXPECT_EQ(values(), kExampleValues);
}

TEST_F(ParaSetExchangeTest, RepliesOtherThanAWholeSettingsBlockChangeNothing)
{
    uploadExample();
    auto realtime = settingsReply({1, 2, 3, 4, 5, 6, 7, 8, 9});
    realtime[kOffsetFunction] = 0x82;
    const unsigned sum = GetCheckSum(std::span(realtime).first(realtime.size() - 2));
    realtime[realtime.size() - 2] = static_cast<std::uint8_t>(sum >> 8);
    realtime[realtime.size() - 1] = static_cast<std::uint8_t>(sum & 0xFF);
    fake.answerWith(realtime);
    exchange.OnButtonUpload();
    fake.answerWith(replyFrom(0x0001, 0x01, 0x84, {0x01, 0x02}));
    exchange.OnButtonUpload();

    EXPECT_EQ(values(), kExampleValues);
    EXPECT_EQ(prompt.texts(), QStringList(2, QStringLiteral("Please UpLoad Data again!")));
}

TEST_F(ParaSetExchangeTest, AnUnansweredWriteIsReportedAndTheOtherRowsStillGo)
{
    uploadExample();
    // Vpv-start gets no reply at all, DCI-Limit is acknowledged, the read-back is not answered.
    fake.link.respondWith([](FakeLink& link, const FakeLink::Sent& sent) {
        if (sent.bytes.size() > 7 && sent.bytes[7] == 0x3D)
            link.arrive(sent.atMs + 5, replyFrom(0x0001, 0x02, 0xBD, {0x0B, 0xB8}));
    });
    exchange.OnEndLabelEditVariableCriteria(kParaSetGridId, 0, 1, "260");
    exchange.OnEndLabelEditVariableCriteria(kParaSetGridId, 6, 1, "3000");
    exchange.OnButtonDownload();

    // The serial number for the backup, three attempts at Vpv-start, one at DCI-Limit, three
    // reads back.
    const auto sent = sentSinceUpload();
    ASSERT_EQ(sent.size(), 8U);
    EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{0x4B, 0x5F, 0x72, 0x53}));
    EXPECT_EQ(sent[1], sent[3]);
    EXPECT_EQ(sent[1][7], 0x00);
    EXPECT_EQ(sent[4][7], 0x3D);
    EXPECT_EQ(sent[5][7], 0x04);
    EXPECT_EQ(prompt.texts(),
              QStringList{"Not every row reads back as written:\n"
                          "Vpv-start: wrote 260.0, the inverter did not acknowledge the write\n"
                          "DCI-Limit: wrote 3000, the inverter did not answer the read-back"});
    EXPECT_TRUE(exchange.downloadEnabled());
    EXPECT_TRUE(exchange.uploadEnabled());
    EXPECT_TRUE(exchange.backupFile().endsWith(".txt"));
}

TEST_F(ParaSetExchangeTest, AReplyOfAnotherFunctionIsNoAcknowledgementOfAWrite)
{
    uploadExample();
    // Every request gets the settings block: a write answered so was not taken.
    exchange.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "90");
    exchange.OnButtonDownload();
    EXPECT_EQ(prompt.texts(),
              QStringList{"Not every row reads back as written:\n"
                          "T-start: wrote 90, the inverter did not acknowledge the write"});
    EXPECT_EQ(exchange.value(1), "60");
}

TEST_F(ParaSetExchangeTest, WithoutABackupNothingIsWritten)
{
    uploadExample();
    // The Data folder cannot be made: a file stands in its place.
    QFile blocker(home.filePath("Data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    exchange.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "90");
    exchange.OnButtonDownload();
    for (const auto& request : sentSinceUpload())
        EXPECT_FALSE(request.size() > 6 && request[6] == 0x02);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts()[0].contains("could not be backed up")) << prompt.texts()[0].toStdString();
    EXPECT_TRUE(exchange.downloadEnabled());
}

TEST_F(ParaSetExchangeTest, EveryOperationHoldsTheLinkLockFromTheReopeningOn)
{
    uploadExample();
    exchange.OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "100");
    fake.answerWith(replyFrom(0x0001, 0x02, 0x81, {0x00, 0x64}));
    exchange.OnButtonDownload();
    exchange.OnClear();

    EXPECT_EQ(fake.portInits, 3);
    // Upload 3, serial number 1, write 1, read-back 3 (none is a settings block), clear 1.
    ASSERT_EQ(fake.requests().size(), 9U);
    EXPECT_EQ(fake.requests().back(), (std::vector<std::uint8_t>{0x43, 0x5A, 0x00, 0x00, 0x00, 0x01,
                                                                 0x02, 0x3A, 0x02, 0x00, 0x00, 0x00,
                                                                 0xDC}));
    EXPECT_EQ(fake.unlockedPortInits, 0);
    EXPECT_EQ(fake.unlockedSends, 0);
    EXPECT_TRUE(fake.lockFree());
}

} // namespace
} // namespace veltroma::test
