#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace veltroma {

// Read access to the data of one validated reply frame by data offset. A field that does not
// lie wholly within the reply's data is absent: nothing is ever read from bytes the reply did
// not carry.
class ReplyView {
public:
    explicit ReplyView(std::span<const std::uint8_t> frame);

    // The function code (reply byte 7); 0 for a frame too short to carry one.
    [[nodiscard]] std::uint8_t function() const;

    [[nodiscard]] bool has(std::size_t offset, std::size_t width) const;
    [[nodiscard]] std::optional<std::uint8_t> byte(std::size_t offset) const;
    // Big-endian, 0..65535.
    [[nodiscard]] std::optional<std::uint16_t> word(std::size_t offset) const;
    // Big-endian, taken as a signed 32-bit value.
    [[nodiscard]] std::optional<std::int32_t> signedDword(std::size_t offset) const;
    [[nodiscard]] std::optional<std::uint32_t> dword(std::size_t offset) const;
    // `width` bytes as characters, cut at the first zero byte.
    [[nodiscard]] std::optional<QString> text(std::size_t offset, std::size_t width) const;

private:
    std::span<const std::uint8_t> data_;
    std::uint8_t function_ = 0;
};

// Bytes as characters (one per byte), cut at the first zero byte as a C string would be;
// every byte that is no printable ASCII character shows as '?'.
[[nodiscard]] QString textUpToZero(std::span<const std::uint8_t> bytes);

} // namespace veltroma
