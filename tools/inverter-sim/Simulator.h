#pragma once

#include "ControlCommands.h"
#include "ControlInput.h"
#include "Faults.h"
#include "Inverter.h"
#include "LineCommands.h"
#include "PlantModel.h"
#include "PseudoTerminal.h"
#include "RequestLog.h"
#include "RequestReader.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <string_view>

namespace veltroma::sim {

// Simulated seconds since midnight of day 0, running `scale` times as fast as real time.
class SimulatedTime {
public:
    SimulatedTime(double startSeconds, double scale) : start_(startSeconds), scale_(scale) {}
    [[nodiscard]] double now() const
    {
        const std::chrono::duration<double> real = std::chrono::steady_clock::now() - origin_;
        return start_ + real.count() * scale_;
    }

private:
    double start_;
    double scale_;
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
};

// How replies go out on the line: a real device starts a few milliseconds after the
// request's last byte and sends a byte about every millisecond (ten bits at 9600 baud).
struct LineTiming {
    int replyDelayMs = 5;
    int byteMicros = 1042;
    bool instant = false;  // the whole reply at once, for fast tests
};

// The event loop: requests from the pseudo-terminal, replies paced onto it, command lines
// from standard input and the control file, until `quit` or a terminating signal.
class Simulator {
public:
    Simulator(PseudoTerminal& line, Inverter& inverter, PlantModel& plant, FaultSettings& faults,
              RequestLog& log, const SimulatedTime& time, LineTiming timing, std::mt19937& noise);

    // Command lines from standard input are answered on standard output with "ok <line>" or
    // "error <reason>". With `quitAtEnd` the end of standard input ends the simulator, so it
    // never outlives a parent that died.
    void takeCommandsFromStdin(bool quitAtEnd);
    void takeCommandsFrom(ControlFifo& fifo) { fifo_ = &fifo; }

    CommandOutcome command(std::string_view line);
    // Returns the exit code.
    int run();

private:
    using Micros = std::int64_t;
    struct Outgoing {
        Bytes bytes;
        std::string kind;
        Micros startAt = 0;
        std::size_t sent = 0;
    };

    [[nodiscard]] Micros nowMicros() const;
    void readLine(Micros now);
    void handle(RequestReader::Event event, Micros now);
    void pump(Micros now);
    [[nodiscard]] std::optional<Micros> nextWake() const;
    void runLines(LineInput& input, bool acknowledge);
    // Puts the inverter to sleep or wakes it as the night setting says; true while asleep.
    bool followTheNight();
    void unplug(Micros now, double seconds);
    void echo(std::span<const std::uint8_t> bytes);

    PseudoTerminal& line_;
    Inverter& inverter_;
    PlantModel& plant_;
    FaultSettings& faults_;
    RequestLog& log_;
    const SimulatedTime& time_;
    LineTiming timing_;
    std::mt19937& noise_;
    RequestReader reader_;
    std::deque<Outgoing> outgoing_;
    std::optional<LineInput> stdin_;
    bool quitAtStdinEnd_ = false;
    ControlFifo* fifo_ = nullptr;
    bool quit_ = false;
    LineSettings lineSettings_;
    bool asleep_ = false;
    std::optional<Micros> plugInAt_;
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
};

} // namespace veltroma::sim
