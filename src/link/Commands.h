#pragma once

#include <cstdint>

namespace veltroma {

// Control codes (`COMM_CMD` for the polls).
inline constexpr std::uint8_t kControlRegister = 0x00;
inline constexpr std::uint8_t kControlRead = 0x01;
inline constexpr std::uint8_t kControlWrite = 0x02;

// Function codes of the monitoring engine; a reply carries the request's code plus 0x80.
inline constexpr std::uint8_t kFunctionQuerySerial = 0x00;    // reply 0x80, destination 0
inline constexpr std::uint8_t kFunctionAssignAddress = 0x01;  // 10 serial bytes + address
inline constexpr std::uint8_t kFunctionClearAddresses = 0x03; // broadcast, no reply
inline constexpr std::uint8_t kFunctionRealtime = 0x02;       // reply 0x82
inline constexpr std::uint8_t kFunctionSettings = 0x04;       // reply 0x84
inline constexpr std::uint8_t kReplyInformation = 0x83;       // version and model, unasked
inline constexpr std::uint8_t kReplyFlag = 0x80;

inline constexpr std::uint8_t kBroadcastAddress = 0x00;
inline constexpr std::uint8_t kInverterAddress = 0x01;  // the one registered inverter
inline constexpr int kSerialNumberLength = 10;

} // namespace veltroma
