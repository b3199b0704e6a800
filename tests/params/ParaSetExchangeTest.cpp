#include "ParamsTestSupport.h"

#include "params/ParaSetExchange.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::vector<std::uint16_t> kExampleWords{2500, 60, 1960, 2530, 4750, 5050, 7, 321, 1000};

class ParaSetExchangeTest : public ::testing::Test {
protected:
    ParaSetExchange& dialog(int address = 1)
    {
        exchange = std::make_unique<ParaSetExchange>(fake.channel(), prompt, address);
        exchange->onChanged([this] { ++changes; });
        return *exchange;
    }

    QStringList values() const
    {
        QStringList out;
        for (int row = 0; row < 7; ++row)
            out << exchange->value(row);
        return out;
    }

    // Uploads the example values, then forgets the frames and messages it caused.
    void uploadExample()
    {
        fake.answerWith(settingsReply(kExampleWords));
        exchange->OnButtonUpload();
        ASSERT_TRUE(exchange->downloadEnabled());
        sentBefore = fake.link.sent().size();
        prompt.clear();
    }

    std::vector<Bytes> sentSinceUpload() const
    {
        const auto all = fake.requests();
        return {all.begin() + static_cast<std::ptrdiff_t>(sentBefore), all.end()};
    }

    EnglishLanguage english;
    FakeChannel fake;
    ScriptedPrompt prompt;
    std::unique_ptr<ParaSetExchange> exchange;
    std::size_t sentBefore = 0;
    int changes = 0;
};

TEST_F(ParaSetExchangeTest, UploadReadsThreeTimesAndShowsTheSettingsBlock)
{
    dialog(3);
    fake.answerWith(settingsReply(kExampleWords));
    exchange->OnButtonUpload();

    const Bytes read{0x43, 0x5A, 0x00, 0x00, 0x00, 0x03, 0x01, 0x04, 0x00, 0x00, 0xA5};
    EXPECT_EQ(fake.requests(), (std::vector<Bytes>{read, read, read}));
    EXPECT_EQ(values(),
              (QStringList{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"}));
    EXPECT_EQ(prompt.texts(), QStringList{"UpLoad Data OK!"});
    EXPECT_TRUE(exchange->downloadEnabled());
    EXPECT_TRUE(exchange->uploadEnabled());
    EXPECT_GT(changes, 0);
    EXPECT_EQ(fake.portInits, 1);
}

TEST_F(ParaSetExchangeTest, OtherRepliesChangeNothing)
{
    dialog();
    uploadExample();
    auto other = settingsReply({1, 2, 3, 4, 5, 6, 7, 8, 9});
    // A realtime reply of the same length, and a settings block cut short.
    other[kOffsetFunction] = 0x82;
    const unsigned sum = GetCheckSum(std::span(other).first(other.size() - 2));
    other[other.size() - 2] = static_cast<std::uint8_t>(sum >> 8);
    other[other.size() - 1] = static_cast<std::uint8_t>(sum & 0xFF);
    fake.answerWith(other);
    exchange->OnButtonUpload();
    fake.answerWith(replyFrom(0x0001, 0x01, 0x84, {0x01, 0x02}));
    exchange->OnButtonUpload();

    EXPECT_EQ(values(),
              (QStringList{"250.0", "60", "196.0", "253.0", "47.50", "50.50", "1000"}));
    EXPECT_EQ(prompt.texts(), (QStringList{"Please UpLoad Data again!", "Please UpLoad Data again!"}));
}

TEST_F(ParaSetExchangeTest, UploadWithoutReplyAsksAgainAndKeepsDownloadDisabled)
{
    dialog();
    fake.answerWith({});
    exchange->OnButtonUpload();

    EXPECT_EQ(fake.requests().size(), 3U);
    EXPECT_EQ(prompt.texts(), QStringList{"Please UpLoad Data again!"});
    EXPECT_FALSE(exchange->downloadEnabled());
    EXPECT_TRUE(exchange->uploadEnabled());
    EXPECT_EQ(values(), QStringList(7, QString()));

    // Once a reply was shown, a later silent upload leaves Download usable.
    uploadExample();
    fake.answerWith({});
    exchange->OnButtonUpload();
    EXPECT_TRUE(exchange->downloadEnabled());
    EXPECT_EQ(values()[3], "253.0");
}

TEST_F(ParaSetExchangeTest, DownloadWritesOnlyTheChangedRows)
{
    dialog(2);
    uploadExample();
    fake.answerWith(replyFrom(0x0002, 0x02, 0x85, {0x09, 0xC4}));
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 3, 1, "250");
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 5, 1, "49.999");
    exchange->OnButtonDownload();

    const auto sent = sentSinceUpload();
    ASSERT_EQ(sent.size(), 2U);
    EXPECT_EQ(sent[0], (Bytes{0x43, 0x5A, 0x00, 0x00, 0x00, 0x02, 0x02, 0x05, 0x02, 0x09, 0xC4,
                              0x01, 0x75}));
    EXPECT_EQ(sent[1][7], 0x07);
    EXPECT_EQ(sent[1][9], 0x13);  // 5000 = 0x1388
    EXPECT_EQ(sent[1][10], 0x88);
    // 15 ms between the rows, on top of the send pause and the reply.
    const auto times = fake.link.sent();
    EXPECT_GE(times.back().atMs - times[times.size() - 2].atMs, 269 + 15);
    EXPECT_EQ(prompt.texts(), QStringList{" Download succeed "});
    EXPECT_FALSE(exchange->downloadEnabled());
    EXPECT_TRUE(exchange->uploadEnabled());
}

TEST_F(ParaSetExchangeTest, DownloadRightAfterAnUploadSendsNothing)
{
    dialog();
    uploadExample();
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 4, 1, "47.5");
    exchange->OnButtonDownload();

    EXPECT_TRUE(sentSinceUpload().empty());
    EXPECT_EQ(prompt.texts(), QStringList{" Download succeed "});
}

TEST_F(ParaSetExchangeTest, AnUnansweredWriteIsReportedAndTheOtherRowsStillGo)
{
    dialog();
    uploadExample();
    // Vpv-start gets no reply at all, DCI-Limit is answered.
    fake.link.respondWith([](FakeLink& link, const FakeLink::Sent& sent) {
        if (sent.bytes[7] == 0x3D)
            link.arrive(sent.atMs + 5, replyFrom(0x0001, 0x02, 0xBD, {0x0B, 0xB8}));
    });
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 0, 1, "260");
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 6, 1, "3000");
    exchange->OnButtonDownload();

    const auto sent = sentSinceUpload();
    ASSERT_EQ(sent.size(), 4U);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sent[static_cast<std::size_t>(i)][7], 0x00) << i;
    EXPECT_EQ(sent[3][7], 0x3D);
    EXPECT_EQ(prompt.texts(), QStringList{"Please DownLoad Data again!"});
    EXPECT_TRUE(exchange->downloadEnabled());
    EXPECT_TRUE(exchange->uploadEnabled());
}

TEST_F(ParaSetExchangeTest, ClearSendsTheClearRequestWithZeroData)
{
    dialog();
    fake.answerWith({});
    exchange->OnClear();

    const Bytes clear{0x43, 0x5A, 0x00, 0x00, 0x00, 0x01, 0x02, 0x3A, 0x02, 0x00, 0x00, 0x00, 0xDC};
    EXPECT_EQ(fake.requests(), (std::vector<Bytes>{clear, clear, clear}));
    EXPECT_TRUE(prompt.texts().isEmpty());
}

TEST_F(ParaSetExchangeTest, EveryOperationHoldsTheLinkLockFromTheReopeningOn)
{
    dialog();
    uploadExample();
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "100");
    fake.answerWith(replyFrom(0x0001, 0x02, 0x81, {0x00, 0x64}));
    exchange->OnButtonDownload();
    exchange->OnClear();

    EXPECT_EQ(fake.portInits, 3);
    EXPECT_EQ(fake.unlockedPortInits, 0);
    EXPECT_EQ(fake.unlockedSends, 0);
    EXPECT_TRUE(fake.lockFree());
}

TEST_F(ParaSetExchangeTest, AClosedChannelEndsEachOperationSilently)
{
    dialog();
    uploadExample();
    fake.link.setOpen(false);
    exchange->OnButtonUpload();
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 1, "100");
    exchange->OnButtonDownload();
    exchange->OnClear();

    EXPECT_TRUE(sentSinceUpload().empty());
    EXPECT_TRUE(prompt.texts().isEmpty());
    // As after any download that could not start, only an upload enables it again.
    EXPECT_FALSE(exchange->downloadEnabled());
    EXPECT_TRUE(exchange->uploadEnabled());
}

TEST_F(ParaSetExchangeTest, EditsOutsideTheValueColumnChangeNothing)
{
    dialog();
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 0, "100");
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 1, 2, "100");
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId + 1, 1, 1, "100");
    exchange->OnEndLabelEditVariableCriteria(kParaSetGridId, 7, 1, "100");
    EXPECT_EQ(values(), QStringList(7, QString()));
    EXPECT_EQ(changes, 0);
}

} // namespace
} // namespace veltroma::test
