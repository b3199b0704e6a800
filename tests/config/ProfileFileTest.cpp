#include "config/ProfileFile.h"

#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace veltroma {
namespace {

using test::readBytes;
using test::writeBytes;

class ProfileFileTest : public ::testing::Test {
protected:
    QString makeFile(const QByteArray& bytes)
    {
        const QString path = dir_.filePath(QStringLiteral("test.ini"));
        writeBytes(path, bytes);
        return path;
    }

    QByteArray utf16(const QString& text)
    {
        QByteArray bytes("\xFF\xFE", 2);
        bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        return bytes;
    }

    QTemporaryDir dir_;
};

TEST_F(ProfileFileTest, ReadsWithThePlatformRules)
{
    const ProfileFile file(makeFile("stray=before any section\r\n"
                                    "[setting]\r\n"
                                    "  LANGUAGE =  \tDeutsch  \r\n"
                                    ";CommNum=COM9\r\n"
                                    "Empty=\r\n"
                                    "Quoted=\"  kept blanks  \"\r\n"
                                    "Lone=\"\r\n"
                                    "Language=second\r\n"
                                    "[Other]\r\n"
                                    "CommNum=COM7\r\n"
                                    "[Setting]\r\n"
                                    "CommNum=COM8\r\n"));
    EXPECT_EQ(file.read("Setting", "Language"), "Deutsch");
    EXPECT_EQ(file.read("SETTING", "language"), "Deutsch");
    // Comments, other sections and a repeated section lend no keys.
    EXPECT_EQ(file.read("Setting", "CommNum", "none"), "none");
    EXPECT_EQ(file.read("Setting", "stray", "none"), "none");
    EXPECT_EQ(file.read("Other", "CommNum"), "COM7");
    EXPECT_EQ(file.read("Setting", "Empty", "none"), "");
    EXPECT_EQ(file.read("Setting", "Quoted"), "  kept blanks  ");
    EXPECT_EQ(file.read("Setting", "Lone"), "\"");
    EXPECT_EQ(file.read("Missing", "Language", "English"), "English");
    EXPECT_EQ(ProfileFile(dir_.filePath("absent.ini")).read("Setting", "Language", "English"),
              "English");
}

TEST_F(ProfileFileTest, CutsValuesLikeAFixedBuffer)
{
    const QString path = makeFile({});
    const ProfileFile file(path);
    ASSERT_TRUE(file.write("S", "Long", QString(1200, u'x')));
    ASSERT_TRUE(file.write("S", "Fits", QString(999, u'y')));
    EXPECT_EQ(file.read("S", "Long").size(), 999);
    EXPECT_EQ(file.read("S", "Fits"), QString(999, u'y'));
    EXPECT_EQ(file.read("S", "Long", {}, 100).size(), 99);
    // The file itself keeps the whole value.
    EXPECT_TRUE(readBytes(path).contains(QByteArray(1200, 'x')));

    ASSERT_TRUE(file.write("S", "Pair", QString(998, u'z') + u"😀"_qs));
    EXPECT_EQ(file.read("S", "Pair"), QString(998, u'z'));
}

TEST_F(ProfileFileTest, ReadsEveryCallFromTheFile)
{
    const QString path = makeFile("[Setting]\r\nLanguage=English\r\n");
    const ProfileFile file(path);
    EXPECT_EQ(file.read("Setting", "Language"), "English");
    writeBytes(path, "[Setting]\r\nLanguage=Deutsch\r\n");
    EXPECT_EQ(file.read("Setting", "Language"), "Deutsch");
}

TEST_F(ProfileFileTest, WriteChangesOnlyItsLineInAHandEditedFile)
{
    // Comments, odd spacing, an LF-only line, a byte that is no GBK and a missing last line end.
    const QByteArray before("; written by hand\r\n"
                            "\r\n"
                            "[Other]\n"
                            "  Key = value ; not a comment\r\n"
                            "Odd=\xFF\xFE\x80 bytes\r\n"
                            "\r\n"
                            "[setting]\r\n"
                            "  language = Chinese  \r\n"
                            "CommNum=COM2,9600,8,N,1\r\n"
                            "\r\n"
                            "[Last]\r\n"
                            "Tail=1");
    const QString path = makeFile(before);
    const ProfileFile file(path);

    ASSERT_TRUE(file.write("Setting", "Language", "English"));
    QByteArray expected = before;
    expected.replace("  language = Chinese  ", "language=English");
    EXPECT_EQ(readBytes(path), expected);

    ASSERT_TRUE(file.write("Setting", "New", "1"));
    expected.replace("CommNum=COM2,9600,8,N,1\r\n", "CommNum=COM2,9600,8,N,1\r\nNew=1\r\n");
    EXPECT_EQ(readBytes(path), expected);

    ASSERT_TRUE(file.write("Added", "Key", "v"));
    expected += "\r\n[Added]\r\nKey=v\r\n";
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_EQ(file.read("Other", "Key"), "value ; not a comment");
}

TEST_F(ProfileFileTest, WriteCreatesTheFileAndRefusesLineBreaks)
{
    const QString path = dir_.filePath(QStringLiteral("setting.ini"));
    const ProfileFile file(path);
    ASSERT_TRUE(file.write("Setting", "CommNum", "COM3,9600,8,N,1"));
    EXPECT_EQ(readBytes(path), "[Setting]\r\nCommNum=COM3,9600,8,N,1\r\n");

    // A value with a line break would plant a second key.
    EXPECT_FALSE(file.write("Setting", "CommNum", "COM1\r\nLanguage=Deutsch"));
    EXPECT_EQ(file.read("Setting", "CommNum"), "COM3,9600,8,N,1");
    EXPECT_EQ(file.read("Setting", "Language", "none"), "none");

    EXPECT_FALSE(ProfileFile(dir_.filePath("no/such/folder.ini")).write("S", "K", "v"));
}

TEST_F(ProfileFileTest, KeepsGbkTextAndBytesThatLookLikeAscii)
{
    // 0x81 0x5C ("乗") ends in a backslash byte and 0x81 0x5D ("乚") in a bracket byte.
    const QByteArray before = "[" + QByteArray::fromHex("815d") + "]\r\nText=" +
                              QByteArray::fromHex("815c") + "n\r\n";
    const QString path = makeFile(before);
    const ProfileFile file(path);
    EXPECT_EQ(file.read(u"乚"_qs, "Text"), u"乗n");

    ASSERT_TRUE(file.write(u"乚"_qs, "Name", u"中文(简体)"_qs));
    EXPECT_EQ(readBytes(path), before + "Name=" + QByteArray::fromHex("d6d0cec428bcf2cce529") + "\r\n");
}

TEST_F(ProfileFileTest, Utf16FilesStayUtf16)
{
    const QString path = makeFile(utf16(u"[Setting]\r\nLanguage=Português\r\nTitle=中文(繁體)\r\n"_qs));
    const ProfileFile file(path);
    EXPECT_EQ(file.read("setting", "language"), u"Português");
    EXPECT_EQ(file.read("Setting", "Title"), u"中文(繁體)");

    ASSERT_TRUE(file.write("Setting", "Language", u"Magyar"_qs));
    EXPECT_EQ(readBytes(path), utf16(u"[Setting]\r\nLanguage=Magyar\r\nTitle=中文(繁體)\r\n"_qs));
}

TEST_F(ProfileFileTest, TextWithoutGbkFormTurnsAFileUtf16OnlyWhenNothingIsLost)
{
    const QString path = makeFile("[Setting]\r\nLanguage=" + QByteArray::fromHex("d6d0cec4") + "\r\n");
    const ProfileFile file(path);
    ASSERT_TRUE(file.write("Setting", "Language", u"Français"_qs));
    EXPECT_EQ(readBytes(path), utf16(u"[Setting]\r\nLanguage=Français\r\n"_qs));

    const QByteArray broken("[Setting]\r\nOdd=\xFF\r\nLanguage=English\r\n");
    writeBytes(path, broken);
    EXPECT_FALSE(file.write("Setting", "Language", u"Français"_qs));
    EXPECT_EQ(readBytes(path), broken);
}

} // namespace
} // namespace veltroma
