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
    upload(0x6F);  // language 15 has no name: the cell keeps its text
    EXPECT_EQ(exchange.value(kLanguageRow), "English");
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

TEST_F(ParaSet2ExchangeTest, EachFailedAttemptShowsABoxWithTheLinkFree)
{
    LockWatchingPrompt watching(fake);
    ParaSet2Exchange dialog(fake.channel(), watching);
    fake.answerWith({});
    dialog.OnButtonUpload3();

    EXPECT_EQ(fake.requests().size(), 30U);
    QStringList expected(30, QStringLiteral("1"));
    expected << "Please UpLoad Data again!";
    EXPECT_EQ(watching.texts, expected);
    EXPECT_EQ(watching.shownUnderLock, 0);
    EXPECT_EQ(fake.unlockedSends, 0);
    // Re-opened once, before the first attempt, under the lock.
    EXPECT_EQ(fake.portInits, 1);
    EXPECT_EQ(fake.unlockedPortInits, 0);
    EXPECT_FALSE(dialog.downloadEnabled());
}

TEST_F(ParaSet2ExchangeTest, ALanguageCellWithoutANameSendsTheCodeReportedLast)
{
    upload(0x5E);  // language 14: the cell stays empty
    ASSERT_EQ(exchange.value(kLanguageRow), "");
    fake.answerWith(replyFrom(0x7F01, 0x02, 0x82, {0x0E, 0x05}));
    exchange.OnButtonDownload3();
    EXPECT_EQ(fake.requests().back()[9], 0x0E);
    EXPECT_EQ(fake.requests().back()[10], 0x05);

    // With no language reported at all, nothing is sent.
    ParaSet2Exchange fresh(fake.channel(), prompt);
    fake.answerWith(displayReply(0x31, 0x84));
    fresh.OnButtonUpload3();
    prompt.clear();
    const auto before = fake.requests().size();
    fresh.OnButtonDownload3();
    EXPECT_EQ(fake.requests().size(), before);
    EXPECT_EQ(prompt.texts(), QStringList{"Please UpLoad Data again!"});
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
