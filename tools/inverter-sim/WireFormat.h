#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The device's own framing: written from the device's side of the link, independently of
// the program's link library, so that the two check each other.
namespace veltroma::sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kRequestHeader1 = 0x43;
inline constexpr std::uint8_t kRequestHeader2 = 0x5A;
inline constexpr std::uint8_t kReplyHeader = 0xAA;
// Header, addresses, control code, function code and length byte.
inline constexpr std::size_t kFrameHead = 9;
// The head and the two checksum bytes.
inline constexpr std::size_t kFrameOverhead = 11;

// The first two bytes of every raw service command.
inline constexpr std::uint8_t kServicePrefix1 = 0x4B;  // 'K'
inline constexpr std::uint8_t kServicePrefix2 = 0x5F;  // '_'

// The 16-bit additive checksum: the plain sum of the bytes.
[[nodiscard]] unsigned frameSum(std::span<const std::uint8_t> bytes);

// A reply frame from the device: header 0xAA 0xAA, the device's address as source, the PC
// (0x00 0x00) as destination, the control code, the function code, N, data, checksum.
[[nodiscard]] Bytes buildReply(std::uint8_t sourceHigh, std::uint8_t sourceLow,
                               std::uint8_t control, std::uint8_t function,
                               std::span<const std::uint8_t> data);

void appendWord(Bytes& out, std::uint16_t value);   // high byte first
void appendLong(Bytes& out, std::uint32_t value);   // high word first

// "43 5A 00": upper-case digit pairs separated by single spaces.
[[nodiscard]] std::string hexText(std::span<const std::uint8_t> bytes);

} // namespace veltroma::sim
