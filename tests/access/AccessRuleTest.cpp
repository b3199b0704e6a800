#include "params/EnglishLanguage.h"

#include "access/AccessRule.h"
#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

namespace veltroma::test {
namespace {

constexpr AccessEntry kEntries[] = {AccessEntry::ParameterRocker, AccessEntry::TestButton,
                                    AccessEntry::HiddenLedSwitch, AccessEntry::DisplayParameters,
                                    AccessEntry::AutoTest};

class AccessRuleTest : public ::testing::Test {
protected:
    // Runs the rule at `entry` with `entered` typed into the prompt: whether it opened.
    bool tryCode(AccessEntry entry, std::optional<QString> entered)
    {
        prompt.enterPassword(std::move(entered));
        bool opened = false;
        const bool reported = PasswordDisplay(prompt, entry, [&] { opened = true; });
        EXPECT_EQ(reported, opened);
        return opened;
    }

    EnglishLanguage english;
    ScriptedPrompt prompt;
};

TEST_F(AccessRuleTest, EachEntryOpensWithItsOwnCodeOnly)
{
    const QString codes[] = {"lantern4", "lantern5", "lantern6"};
    const QString expected[] = {"lantern4", "lantern5", "lantern5", "lantern4", "lantern6"};
    for (std::size_t e = 0; e < std::size(kEntries); ++e) {
        for (const QString& code : codes) {
            EXPECT_EQ(tryCode(kEntries[e], code), code == expected[e])
                << "entry " << e << " code " << code.toStdString();
        }
    }
    // Ten wrong codes, one message each; no lock-out.
    EXPECT_EQ(prompt.texts(), QStringList(10, QStringLiteral("Password not correct!")));
}

TEST_F(AccessRuleTest, ThePreFillIsASpaceExceptForTheTestView)
{
    for (const auto entry : kEntries)
        tryCode(entry, std::nullopt);
    EXPECT_EQ(prompt.passwordPrefills(), (std::deque<QString>{" ", " ", " ", " ", ""}));
}

TEST_F(AccessRuleTest, OnlyTheExactTextOpens)
{
    // OK pressed without deleting the pre-filled space.
    EXPECT_FALSE(tryCode(AccessEntry::ParameterRocker, " "));
    EXPECT_FALSE(tryCode(AccessEntry::ParameterRocker, " lantern4"));
    EXPECT_FALSE(tryCode(AccessEntry::ParameterRocker, "lantern4 "));
    EXPECT_FALSE(tryCode(AccessEntry::ParameterRocker, "LANTERN4"));
    EXPECT_FALSE(tryCode(AccessEntry::ParameterRocker, "Lantern4"));
    EXPECT_FALSE(tryCode(AccessEntry::AutoTest, ""));
    EXPECT_TRUE(tryCode(AccessEntry::ParameterRocker, "lantern4"));
    EXPECT_EQ(prompt.texts().size(), 6);
}

TEST_F(AccessRuleTest, CancellingThePromptClosesItWithoutAMessage)
{
    for (const auto entry : kEntries)
        EXPECT_FALSE(tryCode(entry, std::nullopt));
    EXPECT_TRUE(prompt.texts().isEmpty());
    // A wrong code after a cancelled try is still reported.
    EXPECT_FALSE(tryCode(AccessEntry::DisplayParameters, QStringLiteral("lantern5")));
    EXPECT_EQ(prompt.texts(), QStringList{"Password not correct!"});
}

} // namespace
} // namespace veltroma::test
