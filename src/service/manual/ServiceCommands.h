#pragma once

#include "base/Clock.h"
#include "link/ByteLink.h"
#include "link/Frame.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace veltroma {

// The raw service commands of the manual test: ASCII letters sent as they stand, without
// header, address or checksum, each answered with a fixed number of raw bytes.
enum class ServiceLoad : std::uint8_t {
    ReadSerial = 0,      // "K_rS"
    SetSerial = 1,       // "K_cS", ten characters, "E"
    ReadSerialBack = 2,  // "K_rS" again, after the write
    ReadDci = 3,         // "K_pC"
    WriteDci = 4,        // "K_DA", offset high byte, low byte
};

inline constexpr std::size_t kSerialNumberLength = 10;
inline constexpr unsigned kDciOffsetMin = 1920;
inline constexpr unsigned kDciOffsetMax = 2080;

using SerialNumberBytes = std::array<std::uint8_t, kSerialNumberLength>;

// What a command carries beyond its letters.
struct ServiceArguments {
    SerialNumberBytes serialNumber{};
    std::uint16_t dciOffset = 0;
};

// 10 bytes for the serial-number loads, 17 for the DCI loads.
[[nodiscard]] std::size_t serviceReplyLength(ServiceLoad load);

// Fills the front of `tx` with the command of `load` and returns its length.
std::size_t BuildServiceCommand(TxBuffer& tx, ServiceLoad load, const ServiceArguments& args);

struct DciValues {
    int reading = 0;
    int offset = 0;
};

// The reading and offset of a 17-byte DCI block; nothing when its first byte is not 0x6A or
// its last not 0x4D.
[[nodiscard]] std::optional<DciValues> parseDciBlock(std::span<const std::uint8_t> reply);

// The bytes a serial number goes out as: exactly ten characters of one byte each.
[[nodiscard]] std::optional<SerialNumberBytes> serialNumberBytes(const QString& text);
// Received serial-number bytes as text, one character per byte.
[[nodiscard]] QString serialNumberText(std::span<const std::uint8_t> bytes);

[[nodiscard]] bool isDciOffsetInRange(unsigned offset);

// Receives a raw reply of exactly `out.size()` bytes: up to `firstByteTimeoutMs` for the
// first byte, then at most 50 ms of silence between bytes. Returns the length, or 0 when the
// reply did not arrive whole.
[[nodiscard]] int RecvRawReply(ByteLink& link, Clock& clock, std::span<std::uint8_t> out,
                               int firstByteTimeoutMs = kFirstByteTimeoutMs);

} // namespace veltroma
