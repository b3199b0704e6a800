#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace veltroma {

// The byte whose two hexadecimal digits are `high` and `low` ('0'-'9', 'A'-'F', 'a'-'f').
[[nodiscard]] std::uint8_t GetBYTEFromASCII(char high, char low);

// The 8-bit sum of the bytes written as hexadecimal digit pairs; an odd last character is
// ignored; at most 256 pairs are summed.
[[nodiscard]] std::uint8_t CheckSum(std::string_view hexText);

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR.
[[nodiscard]] std::uint16_t CRC_16(std::span<const std::uint8_t> data);

// Bit (index mod 8) of byte (index / 8), bit 0 least significant.
[[nodiscard]] int GetDigital(std::span<const std::uint8_t> bytes, std::size_t bitIndex);

// Packs one bit per input byte, least significant first, eight to a byte; returns the number
// of bytes written (bit count / 8, rounded up). `out` must hold that many.
std::size_t BitToByte(std::span<std::uint8_t> out, std::span<const std::uint8_t> bits);

// "01 AB": two upper-case digits per byte, single spaces between, none trailing.
[[nodiscard]] std::string HexToStr(std::span<const std::uint8_t> bytes);

} // namespace veltroma
