#include "config/GbkCodec.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

namespace veltroma {
namespace {

TEST(GbkCodec, ConvertsBothWaysWithTheCodePageBytes)
{
    const QByteArray simplified = QByteArray::fromHex("d6d0cec428bcf2cce529");
    const QByteArray traditional = QByteArray::fromHex("d6d0cec428b7b1f37729");
    EXPECT_EQ(decodeGbk(simplified).text, u"中文(简体)");
    EXPECT_EQ(decodeGbk(traditional).text, u"中文(繁體)");
    EXPECT_EQ(encodeGbk(u"中文(简体)"), simplified);
    EXPECT_EQ(encodeGbk(u"Català"), QByteArray::fromHex("436174616ca8a4"));
    // Code page 936 puts the euro sign at 0x80.
    EXPECT_EQ(encodeGbk(u"€"), QByteArray("\x80"));
}

TEST(GbkCodec, MarksBadBytesAndRefusesTextWithoutGbkForm)
{
    const GbkText bad = decodeGbk(QByteArray("A\xFF" "B\x81", 4));
    EXPECT_FALSE(bad.clean);
    EXPECT_EQ(bad.text, u"A\uFFFDB\uFFFD");
    EXPECT_TRUE(decodeGbk(QByteArray("plain")).clean);

    EXPECT_FALSE(encodeGbk(u"Français").has_value());
    EXPECT_FALSE(encodeGbk(u"😀").has_value());
}

} // namespace
} // namespace veltroma
