#pragma once

#include "WireFormat.h"

#include <cstdint>
#include <variant>

namespace veltroma::sim {

// A framed request from the PC whose checksum matched.
struct FramedRequest {
    std::uint8_t destinationHigh = 0;
    std::uint8_t destinationLow = 0;
    std::uint8_t control = 0;
    std::uint8_t function = 0;
    Bytes data;
};

enum class ServiceCommand {
    ReadSerial,   // K_rS
    SetSerial,    // K_cS, ten characters, 'E'
    ReadDci,      // K_pC
    WriteDci,     // K_DA, offset high byte, low byte
};

// A raw service command: no address, no checksum, a fixed length per command.
struct ServiceRequest {
    ServiceCommand command = ServiceCommand::ReadSerial;
    Bytes payload;  // the bytes after the four command characters
};

struct Request {
    Bytes raw;  // every byte as it arrived
    std::variant<FramedRequest, ServiceRequest> body;
};

} // namespace veltroma::sim
