#include "RequestLog.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace veltroma::sim {

RequestLog::RequestLog(const std::string& path, bool quiet)
{
    if (!path.empty()) {
        file_ = std::fopen(path.c_str(), "w");
        if (!file_)
            throw std::runtime_error("cannot write the log " + path + ": " + std::strerror(errno));
        owned_ = true;
    } else if (!quiet) {
        file_ = stderr;
    }
}

RequestLog::~RequestLog()
{
    if (owned_)
        std::fclose(file_);
}

void RequestLog::write(std::string_view tag, std::string_view kind, std::string_view detail)
{
    if (!file_)
        return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    std::fprintf(file_, "%.3f %.*s %.*s%s%.*s\n", seconds, static_cast<int>(tag.size()),
                 tag.data(), static_cast<int>(kind.size()), kind.data(), detail.empty() ? "" : " ",
                 static_cast<int>(detail.size()), detail.data());
    std::fflush(file_);
}

} // namespace veltroma::sim
