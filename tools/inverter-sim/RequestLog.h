#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace veltroma::sim {

// One line per event, flushed at once, so a test can read it while the simulator runs:
//   <seconds since start> <tag> <kind> [<bytes in hex>]
// Tags: req (a request received), rep (a reply starting to go out), bad (bytes dropped:
// wrong checksum, stray or cut off), ctl (a control command and its outcome), note.
class RequestLog {
public:
    // Empty path: standard error, unless `quiet`.
    RequestLog(const std::string& path, bool quiet);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    void write(std::string_view tag, std::string_view kind, std::string_view detail = {});

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace veltroma::sim
