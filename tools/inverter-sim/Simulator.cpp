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

Simulator::Simulator(PseudoTerminal& line, Inverter& inverter, PlantModel& plant,
                     FaultSettings& faults, RequestLog& log, const SimulatedTime& time,
                     LineTiming timing, std::mt19937& noise)
    : line_(line)
    , inverter_(inverter)
    , plant_(plant)
    , faults_(faults)
    , log_(log)
    , time_(time)
    , timing_(timing)
    , noise_(noise)
{
    if (timing_.instant) {
        timing_.replyDelayMs = 0;
        timing_.byteMicros = 0;
    }
}

void Simulator::takeCommandsFromStdin(bool quitAtEnd)
{
    stdin_.emplace(STDIN_FILENO);
    quitAtStdinEnd_ = quitAtEnd;
}

CommandOutcome Simulator::command(std::string_view line)
{
    plant_.advanceTo(time_.now());
    CommandOutcome outcome;
    if (auto lineOutcome = runLineCommand(line, lineSettings_)) {
        outcome = CommandOutcome{lineOutcome->ok, std::move(lineOutcome->message), false};
        followTheNight();
        if (const auto seconds = std::exchange(lineSettings_.replugAfterSeconds, std::nullopt))
            unplug(nowMicros(), *seconds);
    } else {
        outcome = runCommand(line, Controlled{inverter_, plant_, faults_});
    }
    log_.write("ctl", line, outcome.ok ? "-> ok" : "-> error: " + outcome.message);
    quit_ = quit_ || outcome.quit;
    return outcome;
}

Simulator::Micros Simulator::nowMicros() const
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
    if (followTheNight()) {
        log_.write("note", "asleep", "not heard");
        return;
    }
    if (faults_.silent) {
        // A pulled cable: the inverter never hears the request, so nothing changes either.
        log_.write("note", "silent", "not heard");
        return;
    }
    plant_.advanceTo(time_.now());
    std::optional<Reply> reply = inverter_.answer(request);
    if (!reply)
        return;
    applyFaults(*reply, faults_, noise_);
    Micros start = now + (timing_.replyDelayMs + faults_.slowMs) * Micros{1000};
    if (!outgoing_.empty()) {
        // Half duplex: one reply after the other.
        const Outgoing& last = outgoing_.back();
        const auto lastBytes = static_cast<Micros>(last.bytes.size());
        start = std::max(start, last.startAt + lastBytes * timing_.byteMicros);
    }
    outgoing_.push_back(Outgoing{std::move(reply->bytes), std::move(reply->kind), start, 0});
}

void Simulator::pump(Micros now)
{
    while (!outgoing_.empty()) {
        Outgoing& reply = outgoing_.front();
        if (now < reply.startAt)
            return;
        if (reply.sent == 0)
            log_.write("rep", reply.kind, hexText(reply.bytes));
        std::size_t due = reply.bytes.size();
        if (timing_.byteMicros > 0) {
            const Micros elapsed = now - reply.startAt;
            due = std::min(due, static_cast<std::size_t>(elapsed / timing_.byteMicros) + 1);
        }
        if (due > reply.sent) {
            const ssize_t written =
                ::write(line_.masterFd(), reply.bytes.data() + reply.sent, due - reply.sent);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                // Nobody reads the port and its queue is full: the rest of the reply is lost,
                // as on a line with nobody listening.
                log_.write("note", "dropped", hexText(std::span(reply.bytes).subspan(reply.sent)));
                outgoing_.pop_front();
                continue;
            }
            reply.sent += static_cast<std::size_t>(written);
        }
        if (reply.sent < reply.bytes.size())
            return;
        outgoing_.pop_front();
    }
}

bool Simulator::followTheNight()
{
    const bool dark = lineSettings_.asleepAt(time_.now());
    if (dark && !asleep_) {
        inverter_.setAddress(0);
        log_.write("note", "asleep", "address forgotten");
    } else if (!dark && asleep_) {
        log_.write("note", "awake", "unregistered");
    }
    asleep_ = dark;
    return asleep_;
}

void Simulator::unplug(Micros now, double seconds)
{
    line_.unplug();
    // What was on its way dies with the adapter.
    outgoing_.clear();
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

std::optional<Simulator::Micros> Simulator::nextWake() const
{
    std::optional<Micros> wake = plugInAt_;
    if (!outgoing_.empty()) {
        const Outgoing& reply = outgoing_.front();
        const Micros due = reply.startAt + static_cast<Micros>(reply.sent) * timing_.byteMicros;
        wake = wake ? std::min(*wake, due) : due;
    }
    if (const auto deadline = reader_.deadlineMs()) {
        const Micros expiry = *deadline * 1000;
        wake = wake ? std::min(*wake, expiry) : expiry;
    }
    return wake;
}

} // namespace veltroma::sim
