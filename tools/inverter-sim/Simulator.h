#pragma once

#include "ControlCommands.h"
#include "ControlInput.h"
#include "LineCommands.h"
#include "PseudoTerminal.h"
#include "ReplyLine.h"
#include "RequestLog.h"
#include "RequestReader.h"
#include "Unit.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
// request's last byte (each unit's own reply delay) and sends a byte about every
// millisecond (ten bits at 9600 baud).
struct LineTiming {
    int byteMicros = 1042;
    bool instant = false;  // no reply delay, the whole reply at once, for fast tests
};

// The event loop: requests from the pseudo-terminal, heard by every unit on the bus, the
// units' replies paced onto it (merged where they overlap), command lines from standard
// input and the control file, until `quit` or a terminating signal.
class Simulator {
public:
    // `units`: one to kMostUnits, numbered 1, 2, ... in this order.
    Simulator(PseudoTerminal& line, std::vector<std::unique_ptr<Unit>> units, RequestLog& log,
              const SimulatedTime& time, LineTiming timing);

    // Command lines from standard input are answered on standard output with "ok <line>" or
    // "error <reason>". With `quitAtEnd` the end of standard input ends the simulator, so it
    // never outlives a parent that died.
    void takeCommandsFromStdin(bool quitAtEnd);
    void takeCommandsFrom(ControlFifo& fifo) { fifo_ = &fifo; }

    // Runs one command line: "@k command" for unit k, a line command (echo, replug, quit) for
    // the whole simulator, any other command for unit 1.
    CommandOutcome command(std::string_view line);
    // Returns the exit code.
    int run();

private:
    [[nodiscard]] Micros nowMicros() const;
    CommandOutcome unitCommand(std::optional<std::size_t> number, std::string_view line);
    void hear(Unit& unit, const Request& request, Micros now);
    void readLine(Micros now);
    void handle(RequestReader::Event event, Micros now);
    void pump(Micros now);
    [[nodiscard]] std::optional<Micros> nextWake() const;
    void runLines(LineInput& input, bool acknowledge);
    // Logs each reply of the transmission whose first byte is among the `due` ones.
    void logStarts(ReplyLine::Transmission& transmission, std::size_t due);
    // Logs a transmission of several units as one collision line, once.
    void reportCollision(ReplyLine::Transmission& transmission);
    // Puts the unit to sleep or wakes it as its night setting says; true while asleep.
    bool followTheNight(Unit& unit);
    void unplug(Micros now, double seconds);
    void echo(std::span<const std::uint8_t> bytes);
    // A log detail that names the unit when there are several: "@2 not heard".
    [[nodiscard]] std::string fromUnit(std::size_t number, std::string_view detail) const;

    PseudoTerminal& line_;
    std::vector<std::unique_ptr<Unit>> units_;
    RequestLog& log_;
    const SimulatedTime& time_;
    LineTiming timing_;
    RequestReader reader_;
    ReplyLine replies_;
    std::optional<LineInput> stdin_;
    bool quitAtStdinEnd_ = false;
    ControlFifo* fifo_ = nullptr;
    bool quit_ = false;
    LineSettings lineSettings_;
    std::optional<Micros> plugInAt_;
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
};

} // namespace veltroma::sim
