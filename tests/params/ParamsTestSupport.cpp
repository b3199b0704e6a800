#include "ParamsTestSupport.h"

#include <algorithm>
#include <iterator>

namespace veltroma::test {

std::vector<std::uint8_t> replyFrom(std::uint16_t source, std::uint8_t control,
                                    std::uint8_t function, const std::vector<std::uint8_t>& data)
{
    const std::uint8_t header[] = {0xAA, 0xAA, static_cast<std::uint8_t>(source >> 8),
                                   static_cast<std::uint8_t>(source & 0xFF), 0x00, 0x00,
                                   control, function, static_cast<std::uint8_t>(data.size())};
    std::vector<std::uint8_t> frame(std::size(header) + data.size());
    std::copy(std::begin(header), std::end(header), frame.begin());
    std::copy(data.begin(), data.end(), frame.begin() + std::ssize(header));
    const unsigned sum = GetCheckSum(frame);
    frame.push_back(static_cast<std::uint8_t>(sum >> 8));
    frame.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return frame;
}

std::vector<std::uint8_t> settingsReply(const std::vector<std::uint16_t>& words)
{
    std::vector<std::uint8_t> data;
    for (const auto word : words) {
        data.push_back(static_cast<std::uint8_t>(word >> 8));
        data.push_back(static_cast<std::uint8_t>(word & 0xFF));
    }
    return replyFrom(0x0001, 0x01, 0x84, data);
}

std::vector<std::uint8_t> displayReply(std::uint8_t displayByte, std::uint8_t function)
{
    std::vector<std::uint8_t> data(40, 0);
    data[22] = displayByte;
    return replyFrom(0x7F01, 0x01, function, data);
}

} // namespace veltroma::test
