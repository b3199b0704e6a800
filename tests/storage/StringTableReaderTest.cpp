#include "storage/StringTableReader.h"

#include "storage/ByteBuffer.h"

#include <gtest/gtest.h>

#include <array>

namespace veltroma {
namespace {

// Record bodies as a writer that cuts wherever the record size limit falls leaves them.
std::optional<std::vector<QString>> read(const std::vector<QByteArray>& records)
{
    std::vector<QByteArrayView> views(records.begin(), records.end());
    return readStringTable(views);
}

TEST(StringTable, TextsCutAtRecordEndsGoOnInEitherWidthAndSkipTheirExtras)
{
    ByteWriter first;
    first.u32(5);
    first.u32(3);
    first.u16(3); // "abc", narrow, with one formatting run
    first.u8(0x08);
    first.u16(1);
    first.u8('a');
    first.u8('b');
    ByteWriter second;
    second.u8(0x01); // the rest goes on wide
    second.u16(u'c');
    second.u16(0); // the run: four bytes, cut across the record end
    ByteWriter third;
    third.u16(5);
    third.u16(2); // "温度", wide, with three bytes of phonetic data
    third.u8(0x05);
    third.u32(3);
    third.u16(u'温');
    third.u16(u'度');
    third.u8(0xAA);
    ByteWriter fourth;
    fourth.u8(0xBB);
    fourth.u8(0xCC);
    fourth.u16(0); // an empty text
    fourth.u8(0x00);

    const auto texts = read({first.take(), second.take(), third.take(), fourth.take()});
    ASSERT_TRUE(texts.has_value());
    EXPECT_EQ(*texts, (std::vector<QString>{QStringLiteral("abc"), QStringLiteral("温度"), QString()}));
}

TEST(StringTable, DamagedTablesAreRefused)
{
    ByteWriter tooFew;
    tooFew.u32(2);
    tooFew.u32(2); // two texts announced, one there
    tooFew.u16(1);
    tooFew.u8(0x00);
    tooFew.u8('x');
    EXPECT_FALSE(read({tooFew.take()}).has_value());

    ByteWriter halfCharacter;
    halfCharacter.u32(1);
    halfCharacter.u32(1);
    halfCharacter.u16(2);
    halfCharacter.u8(0x01);
    halfCharacter.u16(u'a');
    halfCharacter.u8(0x62); // half of the second wide character
    EXPECT_FALSE(read({halfCharacter.take()}).has_value());

    // A count of billions must neither be believed nor reserve memory for.
    ByteWriter hugeCount;
    hugeCount.u32(0xFFFFFFFF);
    hugeCount.u32(0xFFFFFFFF);
    EXPECT_FALSE(read({hugeCount.take()}).has_value());
    EXPECT_FALSE(read({}).has_value());
}

} // namespace
} // namespace veltroma
