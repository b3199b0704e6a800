#include "web/WebLanguage.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

struct LanguageCase {
    const char* header;
    WebLanguage expected;
};

TEST(WebLanguageTest, AcceptLanguageChoosesTheBestRangeThePagesSpeak)
{
    const LanguageCase cases[] = {
        {"", WebLanguage::English},
        {"de-DE, fr;q=0.8", WebLanguage::English},
        {"*", WebLanguage::English},
        {"zh", WebLanguage::ChineseSimplified},
        {"zh-CN,zh;q=0.9,en;q=0.8", WebLanguage::ChineseSimplified},
        {"zh-SG", WebLanguage::ChineseSimplified},
        {"zh-Hans-HK", WebLanguage::ChineseSimplified},
        {"zh-TW", WebLanguage::ChineseTraditional},
        {"zh-hk", WebLanguage::ChineseTraditional},
        {"ZH-MO", WebLanguage::ChineseTraditional},
        {"zh-Hant", WebLanguage::ChineseTraditional},
        {"zh-Hant-CN", WebLanguage::ChineseTraditional},
        // Order of preference is the q-value, not the position.
        {"en;q=0.5, zh-TW;q=0.8", WebLanguage::ChineseTraditional},
        {"en-US,en;q=0.9,zh-CN;q=0.8", WebLanguage::English},
        // A language the pages lack is passed over for the next one.
        {"fr-FR, zh-HK;q=0.5", WebLanguage::ChineseTraditional},
        // q=0 means "not this one".
        {"zh;q=0, en;q=0.1", WebLanguage::English},
        {"zh-CN;q=0", WebLanguage::English},
        // Malformed parts are ignored, the rest still counts.
        {"zh-TW;q=abc, zh-CN;q=0.4", WebLanguage::ChineseSimplified},
        {"zh-TW;q=2", WebLanguage::English},
        {",,; ;q=, zh-TW", WebLanguage::ChineseTraditional},
        {"  zh-TW ; q=0.7 ,en;q=0.6", WebLanguage::ChineseTraditional},
        // A tie goes to the first.
        {"zh-TW;q=0.5, zh-CN;q=0.5", WebLanguage::ChineseTraditional},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.header);
        EXPECT_EQ(chooseWebLanguage(QByteArray(c.header)), c.expected);
    }
}

TEST(WebLanguageTest, TextsComeFromTheUsersLanguageFileBeforeTheCarriedCopy)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("chinesesimple.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Setting]\r\nLanguage=Chinese\r\n[String]\r\nIDC_WEB_TITLE=Solar shed\\nnorth\r\n");
    file.close();

    const WebTexts texts(WebLanguage::ChineseSimplified, folder.path());
    EXPECT_EQ(texts.text(u"IDC_WEB_TITLE"), QStringLiteral("Solar shed\nnorth"));
    // Keys the file lacks (an older version wrote it) come from the carried copy.
    EXPECT_EQ(texts.text(u"IDC_WEB_HEALTH"), QStringLiteral("运行状况"));
    EXPECT_EQ(texts.text(u"IDC_NO_SUCH_KEY"), std::nullopt);

    // Without a file of its own the language has only the carried texts.
    const WebTexts traditional(WebLanguage::ChineseTraditional, folder.path());
    EXPECT_EQ(traditional.text(u"IDC_WEB_HEALTH"), QStringLiteral("運作狀況"));
    const WebTexts english(WebLanguage::English, QString());
    EXPECT_EQ(english.text(u"IDC_WEB_HEALTH"), QStringLiteral("Health"));
}

} // namespace
} // namespace veltroma
