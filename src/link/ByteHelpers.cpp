#include "link/ByteHelpers.h"

#include <algorithm>
#include <cstdio>

namespace veltroma {

namespace {

std::uint8_t nibble(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint8_t>(c - 'a' + 10);
    return 0;
}

} // namespace

std::uint8_t GetBYTEFromASCII(char high, char low)
{
    return static_cast<std::uint8_t>((nibble(high) << 4) | nibble(low));
}

std::uint8_t CheckSum(std::string_view hexText)
{
    constexpr std::size_t kMaxPairs = 256;
    const std::size_t pairs = std::min(hexText.size() / 2, kMaxPairs);
    unsigned sum = 0;
    for (std::size_t i = 0; i < pairs; ++i)
        sum += GetBYTEFromASCII(hexText[2 * i], hexText[2 * i + 1]);
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::uint16_t CRC_16(std::span<const std::uint8_t> data)
{
    std::uint16_t crc = 0xFFFF;
    for (const std::uint8_t byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

int GetDigital(std::span<const std::uint8_t> bytes, std::size_t bitIndex)
{
    return (bytes[bitIndex / 8] >> (bitIndex % 8)) & 1;
}

std::size_t BitToByte(std::span<std::uint8_t> out, std::span<const std::uint8_t> bits)
{
    const std::size_t byteCount = (bits.size() + 7) / 8;
    std::fill_n(out.begin(), byteCount, std::uint8_t{0});
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] & 1)
            out[i / 8] = static_cast<std::uint8_t>(out[i / 8] | (1u << (i % 8)));
    return byteCount;
}

std::string HexToStr(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(bytes.size() * 3);
    char digits[3];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += ' ';
        std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

} // namespace veltroma
