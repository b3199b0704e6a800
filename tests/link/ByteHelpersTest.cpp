#include "link/ByteHelpers.h"
#include "link/Frame.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace veltroma;

TEST(ByteHelpers, ChecksumOfTheQueryHeader)
{
    const std::array<std::uint8_t, 9> bytes{0x43, 0x5A, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(GetCheckSum(bytes), 0x009Du);
    const std::vector<std::uint8_t> full(180, 0xFF);
    EXPECT_EQ(GetCheckSum(full), 45900u);
}

TEST(ByteHelpers, Crc16Modbus)
{
    const std::string digits = "123456789";
    const std::vector<std::uint8_t> bytes(digits.begin(), digits.end());
    EXPECT_EQ(CRC_16(bytes), 0x4B37);
    EXPECT_EQ(CRC_16({}), 0xFFFF);
}

TEST(ByteHelpers, HexText)
{
    const std::array<std::uint8_t, 2> bytes{0x01, 0xAB};
    EXPECT_EQ(HexToStr(bytes), "01 AB");
    EXPECT_EQ(HexToStr({}), "");
    EXPECT_EQ(GetBYTEFromASCII('a', 'F'), 0xAF);
    EXPECT_EQ(GetBYTEFromASCII('0', '9'), 0x09);
    EXPECT_EQ(CheckSum("FF02"), 0x01);     // modulo 256
    EXPECT_EQ(CheckSum("0102030"), 0x06);  // the odd last digit is ignored
    EXPECT_EQ(CheckSum(std::string(600, '1')), static_cast<std::uint8_t>(256 * 0x11));
}

TEST(ByteHelpers, BitsPackAndReadBackLeastSignificantFirst)
{
    const std::vector<std::uint8_t> bits{1, 0, 1, 1, 0, 0, 0, 0, 1, 1};
    std::array<std::uint8_t, 4> packed{0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(BitToByte(packed, bits), 2u);
    EXPECT_EQ(packed[0], 0x0D);
    EXPECT_EQ(packed[1], 0x03);
    EXPECT_EQ(packed[2], 0xEE);  // untouched beyond the count
    for (std::size_t i = 0; i < bits.size(); ++i)
        EXPECT_EQ(GetDigital(packed, i), bits[i]) << i;
}
