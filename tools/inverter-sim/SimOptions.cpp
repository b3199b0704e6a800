#include "SimOptions.h"

#include "ControlCommands.h"

#include <algorithm>
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

using Setter = std::function<bool(const std::string&)>;
using Flag = std::function<void()>;

// The options that set up one unit, by their names without "--": `--NAME VALUE` for unit 1,
// `--unit K:NAME=VALUE` for unit K.
struct UnitOptionTable {
    std::map<std::string, Setter> withValue;
    std::map<std::string, Flag> flags;
};

UnitOptionTable unitOptions(UnitConfig& u, std::size_t unit, std::vector<std::string>& commands)
{
    // Faults, state and night are set by the commands of the same names, addressed to the unit.
    const auto startCommand = [&commands, unit](const std::string& line) {
        commands.push_back(unit == 1 ? line : "@" + std::to_string(unit) + " " + line);
    };
    const auto withCommand = [startCommand](const std::string& name) {
        return Setter([startCommand, name](const std::string& value) {
            startCommand(name + " " + value);
            return true;
        });
    };
    const auto switchedOn = [startCommand](const std::string& line) {
        return Flag([startCommand, line] { startCommand(line); });
    };
    InverterConfig& inverter = u.inverter;
    return UnitOptionTable{
        {
            {"serial", [&inverter](const std::string& v) {
                 const auto serial = parseSerial(v);
                 inverter.serial = serial.value_or(inverter.serial);
                 return serial.has_value();
             }},
            {"address", [&inverter](const std::string& v) {
                 const auto address = whole(v, 0, 255);
                 inverter.address = static_cast<std::uint8_t>(address.value_or(0));
                 return address.has_value();
             }},
            {"version-text", [&inverter](const std::string& v) {
                 inverter.versionText = v;
                 return v.size() <= 5;
             }},
            {"model", [&inverter](const std::string& v) {
                 inverter.modelText = v;
                 return v.size() <= 16;
             }},
            {"language", [&inverter](const std::string& v) {
                 const auto code = whole(v, 0, 15);
                 inverter.display.language = static_cast<std::uint8_t>(code.value_or(0));
                 return code.has_value();
             }},
            {"contrast", [&inverter](const std::string& v) {
                 const auto level = whole(v, 0, 15);
                 inverter.display.contrast = static_cast<std::uint8_t>(level.value_or(0));
                 return level.has_value();
             }},
            {"dci", [&inverter](const std::string& v) {
                 const auto mA = whole(v, 0, 65535);
                 inverter.dciReading = static_cast<std::uint16_t>(mA.value_or(0));
                 return mA.has_value();
             }},
            {"dci-offset", [&inverter](const std::string& v) {
                 const auto offset = whole(v, 0, 65535);
                 inverter.dciOffset = static_cast<std::uint16_t>(offset.value_or(0));
                 return offset.has_value();
             }},
            {"reply-delay", [&u](const std::string& v) {
                 const auto ms = whole(v, 0, 10000);
                 u.replyDelayMs = static_cast<int>(ms.value_or(0));
                 return ms.has_value();
             }},
            {"etotal", [&u](const std::string& v) {
                 const auto kWh = number(v, 0, 4e8);
                 u.plant.energyTotalKWh = kWh.value_or(0);
                 return kWh.has_value();
             }},
            {"htotal", [&u](const std::string& v) {
                 const auto hours = number(v, 0, 4e9);
                 u.plant.hoursTotal = hours.value_or(0);
                 return hours.has_value();
             }},
            {"rated-power", [&u](const std::string& v) {
                 const auto watts = number(v, 100, 60000);
                 u.plant.ratedPowerW = watts.value_or(0);
                 return watts.has_value();
             }},
            {"slow", withCommand("slow")},
            {"state", withCommand("state")},
            {"fault", withCommand("fault")},
        },
        {
            {"send-info", [&inverter] { inverter.sendInformation = true; }},
            {"silent", switchedOn("silent on")},
            {"badsum", switchedOn("badsum on")},
            {"garbage", switchedOn("garbage on")},
            {"nomarkers", switchedOn("nomarkers on")},
            {"night", switchedOn("night auto")},
        },
    };
}

// Applies "K:NAME=VALUE,NAME,..." to unit K's table; the error, if any, names what failed.
std::optional<std::string> applyUnitSettings(const std::string& text,
                                             const std::vector<UnitOptionTable>& units,
                                             std::size_t& highestUnit)
{
    const std::size_t colon = text.find(':');
    const auto unit = whole(text.substr(0, colon), 1, static_cast<long>(units.size()));
    if (colon == std::string::npos || !unit)
        return "expected a unit 1 to " + std::to_string(units.size()) + ", a colon and settings";
    const auto k = static_cast<std::size_t>(*unit);
    highestUnit = std::max(highestUnit, k);
    const UnitOptionTable& table = units[k - 1];
    std::size_t at = colon + 1;
    do {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        at = comma + 1;
        const std::size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        if (equals == std::string::npos) {
            const auto flag = table.flags.find(name);
            if (flag == table.flags.end())
                return "no unit setting " + name + " without a value";
            flag->second();
            continue;
        }
        const auto setter = table.withValue.find(name);
        if (setter == table.withValue.end())
            return "no unit setting " + name + " with a value";
        if (!setter->second(item.substr(equals + 1)))
            return "bad value for " + name;
    } while (at <= text.size());
    return std::nullopt;
}

} // namespace

SimOptions::SimOptions()
{
    for (std::size_t k = 0; k < units.size(); ++k)
        units[k] = defaultUnitConfig(k + 1);
}

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
Simulated inverters on a pseudo-terminal, one to six on one bus. The first line on
standard output is "PTY <slave path>"; command lines on standard input are answered
with "ok <line>" or "error <reason>".

Line and control:
  --link PATH          symbolic link to the slave device (removed on exit)
  --control PATH       named pipe for command lines (created, removed on exit)
  --log FILE           request log (default: standard error)
  --quiet              no log on standard error
  --quit-on-eof        end when standard input ends
  --instant            reply at once, all bytes in one go (for fast tests)
  --units N            inverters on the bus, 1 to 6 (default 1)
  --unit K:SETTINGS    unit K's options, e.g. --unit 2:serial=VT24000999,rated-power=5000,night
                       (any option below, without its dashes; a value after "=")

Identity and settings (of unit 1; the other units by --unit K:...):
  --serial TEXT        ten characters, \xHH for any byte (default VT24000123; unit k:
                       VT2400012 and the digit 2 + k)
  --address N          bus address at start (default 0: none)
  --reply-delay MS     pause after a request's last byte (default 5)
  --send-info          answer the first poll after registration with the information block
  --version-text TEXT  five characters of the information block (default V2.10)
  --model TEXT         sixteen characters of the information block
  --language N         display language code 0 to 3 (default 1, English)
  --contrast N         display contrast 0 to 6 (default 3)
  --dci N              DCI reading (default 25)
  --dci-offset N       DCI offset (default 2000)
  --etotal KWH         total energy before the start day (default 12345.6)
  --htotal H           total operating hours before the start day (default 4096)
  --rated-power W      (default 3000; unit k: 2000 + 1000 k)

Faults at start (the control commands of the same names change them later):
  --silent  --badsum  --garbage  --nomarkers  --slow MS  --state N  --fault WORD
  --night              sleep while the simulated sun is down (as "night auto")

The day and the line:
  --start-time HH:MM   simulated time of day at start (default: local time now)
  --time-scale N       simulated seconds per real second (default 1)
  --seed N             seed of the measurement noise (default 1; unit k: N + k - 1)
  --echo               echo every byte the PC sends, as a half-duplex adapter (as "echo on")
)";
}

ParsedOptions parseOptions(const std::vector<std::string>& arguments)
{
    SimOptions o;
    std::vector<UnitOptionTable> units;
    for (std::size_t k = 1; k <= kMostUnits; ++k)
        units.push_back(unitOptions(o.units[k - 1], k, o.startCommands));
    std::size_t highestUnit = 1;
    std::string unitError;

    const std::map<std::string, Setter> withValue{
        {"--link", [&](const std::string& v) { o.linkPath = v; return !v.empty(); }},
        {"--control", [&](const std::string& v) { o.controlPath = v; return !v.empty(); }},
        {"--log", [&](const std::string& v) { o.logPath = v; return !v.empty(); }},
        {"--start-time", [&](const std::string& v) {
             o.startSeconds = parseTimeOfDay(v);
             return o.startSeconds.has_value();
         }},
        {"--time-scale", [&](const std::string& v) {
             const auto scale = number(v, 1e-3, 1e6);
             o.timeScale = scale.value_or(1);
             return scale.has_value();
         }},
        {"--seed", [&](const std::string& v) {
             const auto seed = whole(v, 0, 0x7FFFFFFF);
             o.seed = static_cast<unsigned>(seed.value_or(0));
             return seed.has_value();
         }},
        {"--units", [&](const std::string& v) {
             const auto count = whole(v, 1, static_cast<long>(kMostUnits));
             o.unitCount = static_cast<std::size_t>(count.value_or(1));
             return count.has_value();
         }},
        {"--unit", [&](const std::string& v) {
             const auto error = applyUnitSettings(v, units, highestUnit);
             unitError = error.value_or("");
             return !error;
         }},
    };
    const std::map<std::string, Flag> flags{
        {"--quiet", [&] { o.quiet = true; }},
        {"--quit-on-eof", [&] { o.quitAtStdinEnd = true; }},
        {"--instant", [&] { o.timing.instant = true; }},
        {"--echo", [&] { o.startCommands.push_back("echo on"); }},
    };
    // Unit 1's options go by their plain names.
    const auto ofUnitOne = [](const auto& table, const std::string& name) {
        return name.starts_with("--") ? table.find(name.substr(2)) : table.end();
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
        if (!value) {
            if (const auto flag = flags.find(name); flag != flags.end()) {
                flag->second();
                continue;
            }
            if (const auto flag = ofUnitOne(units[0].flags, name); flag != units[0].flags.end()) {
                flag->second();
                continue;
            }
        }
        const Setter* setter = nullptr;
        if (const auto line = withValue.find(name); line != withValue.end())
            setter = &line->second;
        else if (const auto own = ofUnitOne(units[0].withValue, name);
                 own != units[0].withValue.end())
            setter = &own->second;
        if (!setter)
            return ParsedOptions{std::nullopt,
                                 "unknown option " + arguments[i] + " (see --help)", 2};
        if (!value) {
            if (i + 1 == arguments.size())
                return ParsedOptions{std::nullopt, name + " needs a value", 2};
            value = arguments[++i];
        }
        if (!(*setter)(*value)) {
            const std::string why = unitError.empty() ? "" : " (" + unitError + ")";
            return ParsedOptions{std::nullopt, "bad value for " + name + ": " + *value + why, 2};
        }
    }
    if (highestUnit > o.unitCount) {
        return ParsedOptions{std::nullopt,
                             "--unit " + std::to_string(highestUnit) + " needs --units "
                                 + std::to_string(highestUnit) + " or more",
                             2};
    }
    return ParsedOptions{std::move(o), {}, 0};
}

} // namespace veltroma::sim
