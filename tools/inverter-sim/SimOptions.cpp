#include "SimOptions.h"

#include "ControlCommands.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace veltroma::sim {

namespace {

std::optional<double> number(const std::string& text, double low, double high)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<long> whole(const std::string& text, long low, long high)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parseTimeOfDay(const std::string& text)
{
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    char extra = 0;
    const int fields =
        std::sscanf(text.c_str(), "%2d:%2d:%2d%c", &hours, &minutes, &seconds, &extra);
    if ((fields != 2 && fields != 3) || hours < 0 || hours > 23 || minutes < 0 || minutes > 59
        || seconds < 0 || seconds > 59)
        return std::nullopt;
    if (fields == 2 && text.find(':', text.find(':') + 1) != std::string::npos)
        return std::nullopt;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

std::string usage()
{
    return R"(usage: inverter-sim [options]
A simulated inverter on a pseudo-terminal. The first line on standard output is
"PTY <slave path>"; command lines on standard input are answered with "ok <line>"
or "error <reason>".

Line and control:
  --link PATH          symbolic link to the slave device (removed on exit)
  --control PATH       named pipe for command lines (created, removed on exit)
  --log FILE           request log (default: standard error)
  --quiet              no log on standard error
  --quit-on-eof        end when standard input ends
  --instant            reply at once, all bytes in one go (for fast tests)
  --reply-delay MS     pause after a request's last byte (default 5)

Identity and settings:
  --serial TEXT        ten characters, \xHH for any byte (default VT24000123)
  --address N          bus address at start (default 0: none)
  --send-info          answer the first poll after registration with the information block
  --version-text TEXT  five characters of the information block (default V2.10)
  --model TEXT         sixteen characters of the information block
  --language N         display language code 0 to 3 (default 1, English)
  --contrast N         display contrast 0 to 6 (default 3)
  --dci N              DCI reading (default 25)
  --dci-offset N       DCI offset (default 2000)

The day:
  --start-time HH:MM   simulated time of day at start (default: local time now)
  --time-scale N       simulated seconds per real second (default 1)
  --etotal KWH         total energy before the start day (default 12345.6)
  --htotal H           total operating hours before the start day (default 4096)
  --rated-power W      (default 3000)
  --seed N             seed of the measurement noise (default 1)

Faults at start (the control commands of the same names change them later):
  --silent  --badsum  --garbage  --nomarkers  --slow MS  --state N  --fault WORD

The night and the adapter:
  --night              sleep while the simulated sun is down (as "night auto")
  --echo               echo every byte the PC sends, as a half-duplex adapter (as "echo on")
)";
}

ParsedOptions parseOptions(const std::vector<std::string>& arguments)
{
    SimOptions o;
    std::string error;

    using Setter = std::function<bool(const std::string&)>;
    const auto command = [&o](const std::string& name) {
        return Setter([&o, name](const std::string& value) {
            o.startCommands.push_back(name + " " + value);
            return true;
        });
    };
    const std::map<std::string, Setter> withValue{
        {"--link", [&](const std::string& v) { o.linkPath = v; return !v.empty(); }},
        {"--control", [&](const std::string& v) { o.controlPath = v; return !v.empty(); }},
        {"--log", [&](const std::string& v) { o.logPath = v; return !v.empty(); }},
        {"--reply-delay", [&](const std::string& v) {
             const auto ms = whole(v, 0, 10000);
             o.timing.replyDelayMs = static_cast<int>(ms.value_or(0));
             return ms.has_value();
         }},
        {"--serial", [&](const std::string& v) {
             const auto serial = parseSerial(v);
             o.inverter.serial = serial.value_or(o.inverter.serial);
             return serial.has_value();
         }},
        {"--address", [&](const std::string& v) {
             const auto address = whole(v, 0, 255);
             o.inverter.address = static_cast<std::uint8_t>(address.value_or(0));
             return address.has_value();
         }},
        {"--version-text", [&](const std::string& v) {
             o.inverter.versionText = v;
             return v.size() <= 5;
         }},
        {"--model", [&](const std::string& v) {
             o.inverter.modelText = v;
             return v.size() <= 16;
         }},
        {"--language", [&](const std::string& v) {
             const auto code = whole(v, 0, 15);
             o.inverter.display.language = static_cast<std::uint8_t>(code.value_or(0));
             return code.has_value();
         }},
        {"--contrast", [&](const std::string& v) {
             const auto level = whole(v, 0, 15);
             o.inverter.display.contrast = static_cast<std::uint8_t>(level.value_or(0));
             return level.has_value();
         }},
        {"--dci", [&](const std::string& v) {
             const auto mA = whole(v, 0, 65535);
             o.inverter.dciReading = static_cast<std::uint16_t>(mA.value_or(0));
             return mA.has_value();
         }},
        {"--dci-offset", [&](const std::string& v) {
             const auto offset = whole(v, 0, 65535);
             o.inverter.dciOffset = static_cast<std::uint16_t>(offset.value_or(0));
             return offset.has_value();
         }},
        {"--start-time", [&](const std::string& v) {
             o.startSeconds = parseTimeOfDay(v);
             return o.startSeconds.has_value();
         }},
        {"--time-scale", [&](const std::string& v) {
             const auto scale = number(v, 1e-3, 1e6);
             o.timeScale = scale.value_or(1);
             return scale.has_value();
         }},
        {"--etotal", [&](const std::string& v) {
             const auto kWh = number(v, 0, 4e8);
             o.plant.energyTotalKWh = kWh.value_or(0);
             return kWh.has_value();
         }},
        {"--htotal", [&](const std::string& v) {
             const auto hours = number(v, 0, 4e9);
             o.plant.hoursTotal = hours.value_or(0);
             return hours.has_value();
         }},
        {"--rated-power", [&](const std::string& v) {
             const auto watts = number(v, 100, 60000);
             o.plant.ratedPowerW = watts.value_or(0);
             return watts.has_value();
         }},
        {"--seed", [&](const std::string& v) {
             const auto seed = whole(v, 0, 0x7FFFFFFF);
             o.seed = static_cast<unsigned>(seed.value_or(0));
             return seed.has_value();
         }},
        {"--slow", command("slow")},
        {"--state", command("state")},
        {"--fault", command("fault")},
    };
    const std::map<std::string, std::function<void()>> flags{
        {"--quiet", [&] { o.quiet = true; }},
        {"--quit-on-eof", [&] { o.quitAtStdinEnd = true; }},
        {"--instant", [&] { o.timing.instant = true; }},
        {"--send-info", [&] { o.inverter.sendInformation = true; }},
        {"--silent", [&] { o.startCommands.push_back("silent on"); }},
        {"--badsum", [&] { o.startCommands.push_back("badsum on"); }},
        {"--garbage", [&] { o.startCommands.push_back("garbage on"); }},
        {"--nomarkers", [&] { o.startCommands.push_back("nomarkers on"); }},
        {"--night", [&] { o.startCommands.push_back("night auto"); }},
        {"--echo", [&] { o.startCommands.push_back("echo on"); }},
    };

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (name == "--help" || name == "-h")
            return ParsedOptions{std::nullopt, usage(), 0};
        if (const auto flag = flags.find(name); flag != flags.end() && !value) {
            flag->second();
            continue;
        }
        const auto setter = withValue.find(name);
        if (setter == withValue.end())
            return ParsedOptions{std::nullopt,
                                 "unknown option " + arguments[i] + " (see --help)", 2};
        if (!value) {
            if (i + 1 == arguments.size())
                return ParsedOptions{std::nullopt, name + " needs a value", 2};
            value = arguments[++i];
        }
        if (!setter->second(*value))
            return ParsedOptions{std::nullopt, "bad value for " + name + ": " + *value, 2};
    }
    return ParsedOptions{std::move(o), {}, 0};
}

} // namespace veltroma::sim
