// libFuzzer target: any text as the port description of setting.ini or --port.
#include "channel/PortDescription.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace veltroma;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto description = parsePortDescription(text);
    // A description that parses names a COM port 1..9 or a device path, never an empty one.
    if (description
        && (description->device.isEmpty() || description->port < 0 || description->port > 9))
        std::abort();
    return 0;
}
