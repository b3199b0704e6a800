#include "Simulator.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <utility>

namespace veltroma::sim {

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal)
{
    g_stopSignal = signal;
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Terminating signals stay blocked except while the loop waits, so none slips in between a
// check of the flag and the wait.
class StopSignals {
public:
    StopSignals()
    {
        sigset_t blocked;
        sigemptyset(&blocked);
        struct sigaction action{};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        for (int signal : kStopSignals) {
            sigaddset(&blocked, signal);
            sigaction(signal, &action, nullptr);
        }
        std::signal(SIGPIPE, SIG_IGN);
        sigprocmask(SIG_BLOCK, &blocked, &waiting_);
        for (int signal : kStopSignals)
            sigdelset(&waiting_, signal);
    }
    ~StopSignals() { sigprocmask(SIG_SETMASK, &waiting_, nullptr); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    [[nodiscard]] const sigset_t* whileWaiting() const { return &waiting_; }

private:
    sigset_t waiting_{};
};

void acknowledge(const CommandOutcome& outcome, std::string_view line)
{
    if (outcome.ok)
        std::printf("ok %.*s\n", static_cast<int>(line.size()), line.data());
    else
        std::printf("error %s\n", outcome.message.c_str());
    std::fflush(stdout);
}

} // namespace

Simulator::Simulator(PseudoTerminal& line, std::vector<std::unique_ptr<Unit>> units,
                     RequestLog& log, const SimulatedTime& time, LineTiming timing)
    : line_(line)
    , units_(std::move(units))
    , log_(log)
    , time_(time)
    , timing_(timing)
    , replies_(timing.instant ? 0 : timing.byteMicros)
{
}

void Simulator::takeCommandsFromStdin(bool quitAtEnd)
{
    stdin_.emplace(STDIN_FILENO);
    quitAtStdinEnd_ = quitAtEnd;
}

CommandOutcome Simulator::command(std::string_view line)
{
    CommandOutcome outcome;
    const std::optional<AddressedCommand> addressed = splitUnit(line);
    if (!addressed) {
        outcome = CommandOutcome{false, "expected @1 to @" + std::to_string(units_.size())
                                            + ", a space and a command", false};
    } else if (isLineCommand(addressed->command)) {
        if (addressed->unit) {
            outcome = CommandOutcome{false, "not for one unit: this command concerns the line",
                                     false};
        } else {
            LineCommandOutcome lineOutcome = *runLineCommand(addressed->command, lineSettings_);
            outcome = CommandOutcome{lineOutcome.ok, std::move(lineOutcome.message),
                                     lineOutcome.quit};
            if (const auto seconds = std::exchange(lineSettings_.replugAfterSeconds, std::nullopt))
                unplug(nowMicros(), *seconds);
        }
    } else {
        outcome = unitCommand(addressed->unit, addressed->command);
    }
    log_.write("ctl", line, outcome.ok ? "-> ok" : "-> error: " + outcome.message);
    quit_ = quit_ || outcome.quit;
    return outcome;
}

CommandOutcome Simulator::unitCommand(std::optional<std::size_t> number, std::string_view line)
{
    // A command that names no unit is for unit 1, as it was when there was only one.
    const std::size_t index = number.value_or(1) - 1;
    if (index >= units_.size()) {
        return CommandOutcome{false, "no unit " + std::to_string(index + 1) + ": units 1 to "
                                         + std::to_string(units_.size()), false};
    }
    Unit& unit = *units_[index];
    unit.plant.advanceTo(time_.now());
    CommandOutcome outcome =
        runCommand(line, Controlled{unit.inverter, unit.plant, unit.faults, unit.night});
    followTheNight(unit);
    return outcome;
}

Micros Simulator::nowMicros() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now() - origin_)
        .count();
}

int Simulator::run()
{
    const StopSignals signals;
    while (!quit_ && g_stopSignal == 0) {
        Micros now = nowMicros();
        if (plugInAt_ && now >= *plugInAt_) {
            plugInAt_.reset();
            line_.plugIn();
            log_.write("note", "plugged-in", line_.slavePath());
        }
        if (auto expired = reader_.expire(now / 1000))
            handle(std::move(*expired), now);
        pump(now);

        std::array<pollfd, 3> fds{};
        nfds_t count = 0;
        // A negative descriptor (the line unplugged) is skipped by ppoll.
        fds[count++] = pollfd{line_.masterFd(), POLLIN, 0};
        const bool watchStdin = stdin_ && !stdin_->ended();
        if (watchStdin)
            fds[count++] = pollfd{stdin_->fd(), POLLIN, 0};
        if (fifo_)
            fds[count++] = pollfd{fifo_->input().fd(), POLLIN, 0};

        timespec wait{};
        const std::optional<Micros> wake = nextWake();
        if (wake) {
            const Micros left = std::max<Micros>(0, *wake - now);
            wait.tv_sec = static_cast<time_t>(left / 1'000'000);
            wait.tv_nsec = static_cast<long>(left % 1'000'000 * 1000);
        }
        const int ready = ::ppoll(fds.data(), count, wake ? &wait : nullptr,
                                  signals.whileWaiting());
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::perror("inverter-sim: ppoll");
            return 1;
        }
        now = nowMicros();
        nfds_t at = 0;
        const short masterEvents = fds[at++].revents;
        if (masterEvents & POLLIN)
            readLine(now);
        else if (masterEvents & (POLLHUP | POLLERR))
            ::usleep(10'000);  // no reader on the slave side: wait instead of spinning
        if (watchStdin && fds[at++].revents) {
            runLines(*stdin_, true);
            if (stdin_->ended() && quitAtStdinEnd_)
                quit_ = true;
        }
        if (fifo_ && fds[at].revents)
            runLines(fifo_->input(), false);
    }
    return 0;
}

void Simulator::runLines(LineInput& input, bool answer)
{
    for (const std::string& text : input.readLines()) {
        if (text.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const CommandOutcome outcome = command(text);
        if (answer)
            acknowledge(outcome, text);
    }
}

void Simulator::readLine(Micros now)
{
    std::array<std::uint8_t, 512> chunk{};
    for (;;) {
        const ssize_t got = ::read(line_.masterFd(), chunk.data(), chunk.size());
        if (got <= 0)
            return;
        if (lineSettings_.echo)
            echo(std::span(chunk.data(), static_cast<std::size_t>(got)));
        for (RequestReader::Event& event :
             reader_.feed(std::span(chunk.data(), static_cast<std::size_t>(got)), now / 1000))
            handle(std::move(event), now);
    }
}

void Simulator::handle(RequestReader::Event event, Micros now)
{
    switch (event.outcome) {
    case RequestReader::Outcome::BadChecksum:
        log_.write("bad", "checksum", hexText(event.bytes));
        return;
    case RequestReader::Outcome::Stray:
        log_.write("bad", "stray", hexText(event.bytes));
        return;
    case RequestReader::Outcome::Incomplete:
        log_.write("bad", "incomplete", hexText(event.bytes));
        return;
    case RequestReader::Outcome::Request:
        break;
    }
    const Request& request = *event.request;
    log_.write("req", Inverter::kindOf(request), hexText(request.raw));
    // Every unit on the bus hears every request; each decides whether it is addressed.
    for (const std::unique_ptr<Unit>& unit : units_)
        hear(*unit, request, now);
}

void Simulator::hear(Unit& unit, const Request& request, Micros now)
{
    if (followTheNight(unit)) {
        log_.write("note", "asleep", fromUnit(unit.number, "not heard"));
        return;
    }
    if (unit.faults.silent) {
        // A pulled cable: the inverter never hears the request, so nothing changes either.
        log_.write("note", "silent", fromUnit(unit.number, "not heard"));
        return;
    }
    unit.plant.advanceTo(time_.now());
    std::optional<Reply> reply = unit.inverter.answer(request);
    if (!reply)
        return;
    applyFaults(*reply, unit.faults, unit.noise);
    const int delayMs = (timing_.instant ? 0 : unit.replyDelayMs) + unit.faults.slowMs;
    replies_.add(unit.number - 1, std::move(*reply), now + delayMs * Micros{1000});
}

void Simulator::pump(Micros now)
{
    while (!replies_.empty()) {
        ReplyLine::Transmission& transmission = replies_.front();
        const std::size_t due = replies_.dueBytes(now);
        if (due == 0)
            return;
        logStarts(transmission, due);
        // Logged as its last byte goes out, once every unit involved is known.
        if (due == transmission.bytes.size())
            reportCollision(transmission);
        if (due > transmission.sent) {
            const ssize_t written = ::write(line_.masterFd(),
                                            transmission.bytes.data() + transmission.sent,
                                            due - transmission.sent);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                // Nobody reads the port and its queue is full: the rest of the reply is lost,
                // as on a line with nobody listening.
                log_.write("note", "dropped",
                           hexText(std::span(transmission.bytes).subspan(transmission.sent)));
                replies_.popFront();
                continue;
            }
            transmission.sent += static_cast<std::size_t>(written);
        }
        if (transmission.sent < transmission.bytes.size())
            return;
        replies_.popFront();
    }
}

void Simulator::logStarts(ReplyLine::Transmission& transmission, std::size_t due)
{
    for (ReplyLine::Part& part : transmission.parts) {
        if (part.started || part.slot >= due)
            continue;
        log_.write("rep", part.reply.kind, fromUnit(part.unit + 1, hexText(part.reply.bytes)));
        part.started = true;
    }
}

void Simulator::reportCollision(ReplyLine::Transmission& transmission)
{
    const std::vector<std::size_t> heard = transmission.units();
    if (heard.size() < 2 || transmission.reported)
        return;
    std::string units;
    for (std::size_t index : heard)
        units += "@" + std::to_string(index + 1) + " ";
    log_.write("note", "collision", units + hexText(transmission.bytes));
    transmission.reported = true;
}

bool Simulator::followTheNight(Unit& unit)
{
    const bool dark = asleepAt(unit.night, time_.now());
    if (dark && !unit.asleep) {
        unit.inverter.setAddress(0);
        log_.write("note", "asleep", fromUnit(unit.number, "address forgotten"));
    } else if (!dark && unit.asleep) {
        log_.write("note", "awake", fromUnit(unit.number, "unregistered"));
    }
    unit.asleep = dark;
    return dark;
}

void Simulator::unplug(Micros now, double seconds)
{
    line_.unplug();
    // What was on its way dies with the adapter.
    replies_.clear();
    reader_ = RequestReader{};
    plugInAt_ = now + static_cast<Micros>(seconds * 1e6);
    log_.write("note", "unplugged", std::to_string(seconds) + " s");
}

void Simulator::echo(std::span<const std::uint8_t> bytes)
{
    // The adapter hears its own transmission: the bytes come back at once, ahead of any reply.
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t written = ::write(line_.masterFd(), bytes.data() + sent, bytes.size() - sent);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            log_.write("note", "dropped", hexText(bytes.subspan(sent)));
            return;
        }
        sent += static_cast<std::size_t>(written);
    }
    log_.write("note", "echo", hexText(bytes));
}

std::string Simulator::fromUnit(std::size_t number, std::string_view detail) const
{
    if (units_.size() == 1)
        return std::string(detail);
    return "@" + std::to_string(number) + " " + std::string(detail);
}

std::optional<Micros> Simulator::nextWake() const
{
    std::optional<Micros> wake = plugInAt_;
    if (const auto due = replies_.nextDueAt())
        wake = wake ? std::min(*wake, *due) : *due;
    if (const auto deadline = reader_.deadlineMs()) {
        const Micros expiry = *deadline * 1000;
        wake = wake ? std::min(*wake, expiry) : expiry;
    }
    return wake;
}

} // namespace veltroma::sim
