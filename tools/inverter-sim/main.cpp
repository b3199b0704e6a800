#include "ControlInput.h"
#include "PseudoTerminal.h"
#include "RequestLog.h"
#include "SimOptions.h"
#include "Simulator.h"
#include "Unit.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <memory>
#include <optional>
#include <vector>

using namespace veltroma::sim;

namespace {

double localTimeOfDay()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
}

int simulate(const SimOptions& options)
{
    const SimulatedTime time(options.startSeconds.value_or(localTimeOfDay()), options.timeScale);
    std::vector<std::unique_ptr<Unit>> units;
    for (std::size_t k = 1; k <= options.unitCount; ++k) {
        const auto seed = static_cast<unsigned>(options.seed + k - 1);
        units.push_back(std::make_unique<Unit>(k, options.units[k - 1], seed, time.now()));
    }
    RequestLog log(options.logPath, options.quiet);
    PseudoTerminal line(options.linkPath);
    std::optional<ControlFifo> fifo;
    if (!options.controlPath.empty())
        fifo.emplace(options.controlPath);

    Simulator simulator(line, std::move(units), log, time, options.timing);
    for (const std::string& command : options.startCommands) {
        const CommandOutcome outcome = simulator.command(command);
        if (!outcome.ok) {
            std::fprintf(stderr, "inverter-sim: %s: %s\n", command.c_str(),
                         outcome.message.c_str());
            return 2;
        }
    }
    simulator.takeCommandsFromStdin(options.quitAtStdinEnd);
    if (fifo)
        simulator.takeCommandsFrom(*fifo);

    std::printf("PTY %s\n", line.slavePath().c_str());
    std::fflush(stdout);
    return simulator.run();
}

} // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fputs(parsed.message.c_str(), parsed.exitCode == 0 ? stdout : stderr);
        if (parsed.exitCode != 0)
            std::fputc('\n', stderr);
        return parsed.exitCode;
    }
    try {
        return simulate(*parsed.options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "inverter-sim: %s\n", error.what());
        return 1;
    }
}
