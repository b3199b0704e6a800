#pragma once

#include <string>
#include <vector>

namespace veltroma::sim {

// Command lines from a descriptor (standard input or the control file), read when it is
// ready.
class LineInput {
public:
    explicit LineInput(int fd) : fd_(fd) {}

    [[nodiscard]] int fd() const { return fd_; }
    [[nodiscard]] bool ended() const { return ended_; }
    // The complete lines that have arrived; a line without its end waits for the rest, unless
    // the input has ended.
    std::vector<std::string> readLines();

private:
    int fd_;
    std::string partial_;
    bool ended_ = false;
};

// A named pipe that takes command lines from any writer, e.g. `echo "silent on" > PATH`.
// It is created when missing and then removed again on destruction.
class ControlFifo {
public:
    explicit ControlFifo(const std::string& path);
    ~ControlFifo();
    ControlFifo(const ControlFifo&) = delete;
    ControlFifo& operator=(const ControlFifo&) = delete;

    [[nodiscard]] LineInput& input() { return input_; }

private:
    std::string path_;
    bool created_ = false;
    int readFd_ = -1;
    int keeperFd_ = -1;  // our own writer, so the pipe never reports an end between writers
    LineInput input_{-1};
};

} // namespace veltroma::sim
