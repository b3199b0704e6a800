#pragma once

#include <string>

namespace veltroma::sim {

// A pseudo-terminal whose slave side plays the inverter's serial port. The slave is set raw,
// 9600 baud 8N1 (nominal on a pseudo-terminal), and stays open here as well, so a client may
// close and reopen the port without the master side seeing a hang-up. An optional symbolic
// link gives the slave a stable name; it is removed again on destruction.
class PseudoTerminal {
public:
    explicit PseudoTerminal(const std::string& linkPath = {});
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // -1 while unplugged.
    [[nodiscard]] int masterFd() const { return master_; }
    [[nodiscard]] const std::string& slavePath() const { return slavePath_; }
    [[nodiscard]] bool plugged() const { return master_ >= 0; }

    // The adapter pulled out: both sides closed and the link removed, so a client that holds
    // the port sees a hang-up and the path is gone.
    void unplug();
    // Plugged in again: a new pseudo-terminal, and the link (if any) names it.
    void plugIn();

private:
    void open();
    void removeLink();

    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
};

} // namespace veltroma::sim
