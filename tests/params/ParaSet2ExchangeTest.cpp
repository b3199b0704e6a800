#include "ParamsTestSupport.h"

#include "params/ParaSet2Exchange.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ParaSet2ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        exchange = std::make_unique<ParaSet2Exchange>(fake.channel(), prompt);
    }

    void upload(std::uint8_t displayByte)
    {
        fake.answerWith(displayReply(displayByte));
        exchange->OnButtonUpload3();
    }

    void edit(int row, const QString& text)
    {
        exchange->OnEndLabelEditVariableCriteria(kParaSet2GridId, row, 1, text);
    }

    Bytes lastRequest() const { return fake.requests().back(); }

    EnglishLanguage english;
    FakeChannel fake;
    ScriptedPrompt prompt;
    std::unique_ptr<ParaSet2Exchange> exchange;
};

TEST_F(ParaSet2ExchangeTest, UploadAsksTheDisplayUnitAndShowsLanguageAndContrast)
{
    upload(0x31);

    EXPECT_EQ(fake.requests(),
              (std::vector<Bytes>{{0x43, 0x5A, 0x00, 0x00, 0x7F, 0x01, 0x01, 0x02, 0x00, 0x01, 0x20}}));
    EXPECT_EQ(exchange->value(kLanguageRow), "English");
    EXPECT_EQ(exchange->value(kContrastRow), "3");
    EXPECT_EQ(prompt.texts(), QStringList{"UpLoad Data OK!"});
    EXPECT_TRUE(exchange->downloadEnabled());

    // A language code beyond the four leaves the cell as it was.
    upload(0x6F);
    EXPECT_EQ(exchange->value(kLanguageRow), "English");
    EXPECT_EQ(exchange->value(kContrastRow), "6");
}

TEST_F(ParaSet2ExchangeTest, AnAcceptedReplyOfAnotherKindChangesNoCell)
{
    fake.answerWith(displayReply(0x31, 0x84));
    exchange->OnButtonUpload3();
    EXPECT_EQ(fake.requests().size(), 1U);
    EXPECT_EQ(exchange->value(kLanguageRow), "");
    EXPECT_EQ(exchange->value(kContrastRow), "");
    EXPECT_EQ(prompt.texts(), QStringList{"UpLoad Data OK!"});
}

TEST_F(ParaSet2ExchangeTest, EachFailedAttemptShowsOneBoxAndThirtyAskForAnotherUpload)
{
    fake.answerWith({});
    exchange->OnButtonUpload3();

    EXPECT_EQ(fake.requests().size(), 30U);
    QStringList expected(30, QStringLiteral("1"));
    expected << "Please UpLoad Data again!";
    EXPECT_EQ(prompt.texts(), expected);
    EXPECT_FALSE(exchange->downloadEnabled());
    // The port is re-opened once, before the first attempt.
    EXPECT_EQ(fake.portInits, 1);
}

TEST_F(ParaSet2ExchangeTest, TheLockIsHeldForEachAttemptButNotWhileABoxWaits)
{
    int heldWhileShown = 0;
    // Every box checks whether another thread could use the link meanwhile.
    fake.answerWith({});
    fake.link.respondWith([&](FakeLink&, const FakeLink::Sent&) {
        if (fake.lockFree())
            ++fake.unlockedSends;
    });
    class CheckingPrompt final : public Prompt {
    public:
        CheckingPrompt(FakeChannel& fake, int& held) : fake_(fake), held_(held) {}
        PromptAnswer message(const QString&, const QString&, PromptButtons, PromptIcon) override
        {
            if (!fake_.lockFree())
                ++held_;
            return PromptAnswer::Ok;
        }
        std::optional<QString> password(const QString&) override { return std::nullopt; }
        std::optional<QString> openFile(const QString&, const QString&, const QString&) override
        {
            return std::nullopt;
        }

    private:
        FakeChannel& fake_;
        int& held_;
    } checking(fake, heldWhileShown);
    ParaSet2Exchange dialog(fake.channel(), checking);
    dialog.OnButtonUpload3();

    EXPECT_EQ(fake.requests().size(), 30U);
    EXPECT_EQ(fake.unlockedSends, 0);
    EXPECT_EQ(fake.unlockedPortInits, 0);
    EXPECT_EQ(heldWhileShown, 0);
}

TEST_F(ParaSet2ExchangeTest, DownloadSendsLanguageCodeAndContrast)
{
    upload(0x31);
    prompt.clear();
    fake.answerWith(replyFrom(0x7F01, 0x02, 0x82, {0x02, 0x05}));
    edit(kLanguageRow, "German");
    edit(kContrastRow, "5");
    exchange->OnButtonDownload3();

    EXPECT_EQ(lastRequest(), (Bytes{0x43, 0x5A, 0x00, 0x00, 0x7F, 0x01, 0x02, 0x02, 0x02, 0x02,
                                    0x05, 0x01, 0x2A}));
    EXPECT_EQ(prompt.texts(), QStringList{QString::fromUtf8("DownLoad Data OK,Please Upload to be sure！")});
    // A good download is confirmed by a new upload before the next one.
    EXPECT_FALSE(exchange->downloadEnabled());
    EXPECT_EQ(fake.unlockedSends, 0);
    EXPECT_EQ(fake.unlockedPortInits, 0);
}

TEST_F(ParaSet2ExchangeTest, ThreeUnansweredWritesAskForAnotherDownload)
{
    upload(0x31);
    prompt.clear();
    const auto before = fake.requests().size();
    fake.answerWith({});
    exchange->OnButtonDownload3();

    EXPECT_EQ(fake.requests().size(), before + 3);
    EXPECT_EQ(prompt.texts(), QStringList{"Please DownLoad Data again!"});
    EXPECT_TRUE(exchange->downloadEnabled());
}

TEST_F(ParaSet2ExchangeTest, ALanguageCellWithoutANameSendsTheCodeReportedLast)
{
    upload(0x5E);  // language 14, which has no name: the cell stays empty
    ASSERT_EQ(exchange->value(kLanguageRow), "");
    fake.answerWith(replyFrom(0x7F01, 0x02, 0x82, {0x0E, 0x05}));
    exchange->OnButtonDownload3();
    EXPECT_EQ(lastRequest()[9], 0x0E);
    EXPECT_EQ(lastRequest()[10], 0x05);

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

TEST_F(ParaSet2ExchangeTest, EditsAreValidatedPerCell)
{
    edit(kContrastRow, "9");
    EXPECT_EQ(exchange->value(kContrastRow), "6");
    edit(kContrastRow, "abc");
    EXPECT_EQ(exchange->value(kContrastRow), "0");
    edit(kLanguageRow, "Spalish");
    EXPECT_EQ(exchange->value(kLanguageRow), "Spalish");
    exchange->OnEndLabelEditVariableCriteria(kParaSet2GridId, kContrastRow, 0, "5");
    exchange->OnEndLabelEditVariableCriteria(kParaSet2GridId + 1, kContrastRow, 1, "5");
    EXPECT_EQ(exchange->value(kContrastRow), "0");

    EXPECT_EQ(exchange->PopulateComboList(kLanguageRow, 1),
              (QStringList{"Italian", "English", "German", "Spalish"}));
    EXPECT_TRUE(exchange->PopulateComboList(kContrastRow, 1).isEmpty());
}

TEST_F(ParaSet2ExchangeTest, AClosedChannelEndsSilently)
{
    fake.link.setOpen(false);
    exchange->OnButtonUpload3();
    EXPECT_TRUE(fake.requests().empty());
    EXPECT_TRUE(prompt.texts().isEmpty());
}

} // namespace
} // namespace veltroma::test
