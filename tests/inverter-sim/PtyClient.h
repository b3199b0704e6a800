#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltroma::test {

using Bytes = std::vector<std::uint8_t>;

// A deliberately small client of the inverter's serial port, written from the frame layout
// alone, so that the simulator is checked by code that shares nothing with it.
class PtyClient {
public:
    explicit PtyClient(const std::string& path);
    ~PtyClient();
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    void send(const Bytes& bytes);
    // Up to `count` bytes: what arrived before `count` was reached or `timeoutMs` ran out.
    Bytes read(std::size_t count, int timeoutMs = 3000);
    // Whatever arrives within `ms`.
    Bytes drain(int ms);
    // The next byte 0..255 if one is waiting, else -1; never waits.
    int readChar();
    // True once the other side has gone (the device hung up) within `timeoutMs`.
    bool hungUp(int timeoutMs);
    // Sends a request and reads a reply of exactly `count` bytes.
    Bytes exchange(const Bytes& request, std::size_t count);

private:
    int fd_ = -1;
};

// A request frame: 43 5A 00 00, destination high and low, control, function, N, data, sum.
Bytes frame(std::uint8_t control, std::uint8_t function, std::uint8_t destinationLow,
            const Bytes& data = {}, std::uint8_t destinationHigh = 0x00);
Bytes concat(Bytes head, const Bytes& tail);
unsigned sum(const Bytes& bytes, std::size_t count);
// True when `reply` is a whole reply frame: header, N + 11 bytes, matching checksum.
bool isValidReply(const Bytes& reply);
unsigned word(const Bytes& reply, std::size_t at);
std::uint32_t longWord(const Bytes& reply, std::size_t at);

} // namespace veltroma::test
