#include "ParamsTestSupport.h"

#include "params/ParaSet2Exchange.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

class ParaSet2ExchangeTest : public ::testing::Test {
protected:
    void upload(std::uint8_t displayByte, std::uint8_t function = 0x82)
    {
        fake.answerWith(displayReply(displayByte, function));
        exchange.OnButtonUpload3();
    }

    EnglishLanguage english;
    FakeChannel fake;
    ScriptedPrompt prompt;
    ParaSet2Exchange exchange{fake.channel(), prompt};
};

TEST_F(ParaSet2ExchangeTest, OnlyARealtimeReplySetsTheCells)
{
    upload(0x31, 0x84);  // accepted, but not the realtime block
    EXPECT_EQ(exchange.value(kContrastRow), "");
    EXPECT_TRUE(exchange.downloadEnabled());
    upload(0x31);
    EXPECT_EQ(exchange.value(kLanguageRow), "English");
    upload(0x6F);  // language 15 has no name
    EXPECT_EQ(exchange.value(kLanguageRow), "Unknown");
    EXPECT_EQ(exchange.value(kContrastRow), "6");
    EXPECT_EQ(prompt.texts(), QStringList(3, QStringLiteral("UpLoad Data OK!")));
    EXPECT_EQ(fake.requests().size(), 3U);
}

// Records each message, and whether the link lock was held while it was shown.
class LockWatchingPrompt final : public Prompt {
public:
    explicit LockWatchingPrompt(FakeChannel& fake) : fake_(fake) {}
    PromptAnswer message(const QString& text, const QString&, PromptButtons, PromptIcon) override
    {
        texts << text;
        if (!fake_.lockFree())
            ++shownUnderLock;
        return PromptAnswer::Ok;
    }
    std::optional<QString> password(const QString&) override { return std::nullopt; }
    std::optional<QString> openFile(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }

    QStringList texts;
    int shownUnderLock = 0;

private:
    FakeChannel& fake_;
};

TEST_F(ParaSet2ExchangeTest, ASilentDisplayGetsOneMessageAfterThreeAttemptsWithTheLinkFree)
{
    LockWatchingPrompt watching(fake);
    ParaSet2Exchange dialog(fake.channel(), watching);
    fake.answerWith({});
    dialog.OnButtonUpload3();

    EXPECT_EQ(fake.requests().size(), 3U);
    EXPECT_EQ(watching.texts, QStringList{"Please UpLoad Data again!"});
    EXPECT_EQ(watching.shownUnderLock, 0);
    EXPECT_EQ(fake.unlockedSends, 0);
    EXPECT_EQ(fake.portInits, 1);
    EXPECT_EQ(fake.unlockedPortInits, 0);
    EXPECT_FALSE(dialog.downloadEnabled());
}

TEST_F(ParaSet2ExchangeTest, CodesOutOfRangeAreUnknownAndNeverWrittenBackUnlessSet)
{
    upload(0x7E);  // language 14, contrast 7: neither is a value the display can have
    EXPECT_EQ(exchange.value(kLanguageRow), "Unknown");
    EXPECT_EQ(exchange.value(kContrastRow), "Unknown");
    prompt.clear();
    auto before = fake.requests().size();
    exchange.OnButtonDownload3();
    EXPECT_EQ(fake.requests().size(), before);
    ASSERT_EQ(prompt.texts().size(), 1);
    EXPECT_TRUE(prompt.texts()[0].startsWith("Language:"));

    // Setting only the language still leaves the contrast unknown.
    exchange.OnEndLabelEditVariableCriteria(kParaSet2GridId, kLanguageRow, 1, "German");
    exchange.OnButtonDownload3();
    EXPECT_EQ(fake.requests().size(), before);
    EXPECT_TRUE(prompt.texts().back().startsWith("Contrast:"));

    // Both set: written, and read back from the display as written.
    exchange.OnEndLabelEditVariableCriteria(kParaSet2GridId, kContrastRow, 1, "5");
    fake.answerWith(displayReply(0x52));
    prompt.clear();
    before = fake.requests().size();
    exchange.OnButtonDownload3();
    const auto sent = fake.requests();
    ASSERT_EQ(sent.size(), before + 2);  // the write and one read-back
    EXPECT_EQ(sent[before][9], 0x02);
    EXPECT_EQ(sent[before][10], 0x05);
    EXPECT_EQ(sent[before + 1][6], 0x01);
    EXPECT_EQ(prompt.texts(), QStringList{QString::fromUtf8("DownLoad Data OK,Please Upload to be sure！")});
}

TEST_F(ParaSet2ExchangeTest, AReadBackThatDiffersNamesTheRowAndShowsWhatTheDisplayReports)
{
    upload(0x31);
    exchange.OnEndLabelEditVariableCriteria(kParaSet2GridId, kContrastRow, 1, "5");
    prompt.clear();
    fake.answerWith(displayReply(0x31));  // acknowledged, but the display keeps contrast 3
    exchange.OnButtonDownload3();
    EXPECT_EQ(exchange.value(kContrastRow), "3");
    EXPECT_EQ(prompt.texts(), QStringList{"Not every row reads back as written:\n"
                                          "Contrast: wrote 5, the display reports 3"});
    EXPECT_TRUE(exchange.downloadEnabled());
}

TEST_F(ParaSet2ExchangeTest, ThreeUnansweredWritesAskForAnotherDownload)
{
    upload(0x31);
    prompt.clear();
    const auto before = fake.requests().size();
    fake.answerWith({});
    exchange.OnButtonDownload3();

    EXPECT_EQ(fake.requests().size(), before + 3);
    EXPECT_EQ(prompt.texts(), QStringList{"Please DownLoad Data again!"});
    EXPECT_TRUE(exchange.downloadEnabled());
}

} // namespace
} // namespace veltroma::test
