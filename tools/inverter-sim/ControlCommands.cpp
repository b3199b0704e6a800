#include "ControlCommands.h"

#include <charconv>
#include <vector>

namespace veltroma::sim {

namespace {

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", at);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        out.push_back(line.substr(start, end - start));
        at = end;
    }
    return out;
}

// A number within [0, max]; "0x" starts hexadecimal.
std::optional<std::uint32_t> parseNumber(std::string_view text, std::uint32_t max)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() || value > max)
        return std::nullopt;
    return value;
}

std::optional<bool> parseSwitch(std::string_view text)
{
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

CommandOutcome failed(std::string message)
{
    return CommandOutcome{false, std::move(message), false};
}

CommandOutcome done()
{
    return CommandOutcome{true, {}, false};
}

} // namespace

std::optional<SerialNumber> parseSerial(std::string_view text)
{
    SerialNumber serial{};
    std::size_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::uint8_t byte = static_cast<std::uint8_t>(text[i]);
        if (text[i] != '\\') {
            i += 1;
        } else if (text.substr(i, 2) == "\\\\") {
            i += 2;
        } else if (text.substr(i, 2) == "\\x" && i + 4 <= text.size()) {
            const std::string_view digits = text.substr(i + 2, 2);
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), byte, 16);
            if (error != std::errc{} || end != digits.data() + digits.size())
                return std::nullopt;
            i += 4;
        } else {
            return std::nullopt;
        }
        if (count == serial.size())
            return std::nullopt;
        serial[count++] = byte;
    }
    if (count != serial.size())
        return std::nullopt;
    return serial;
}

std::optional<AddressedCommand> splitUnit(std::string_view line)
{
    const std::size_t at = line.find_first_not_of(" \t\r");
    if (at == std::string_view::npos || line[at] != '@')
        return AddressedCommand{std::nullopt, line};
    const char* first = line.data() + at + 1;
    const char* last = line.data() + line.size();
    std::size_t unit = 0;
    const auto [end, error] = std::from_chars(first, last, unit);
    const std::size_t rest = static_cast<std::size_t>(end - line.data());
    const std::size_t command = line.find_first_not_of(" \t\r", rest);
    if (error != std::errc{} || end == first || unit == 0 || rest == line.size()
        || command == rest || command == std::string_view::npos)
        return std::nullopt;
    return AddressedCommand{unit, line.substr(command)};
}

CommandOutcome runCommand(std::string_view line, Controlled target)
{
    const std::vector<std::string_view> w = words(line);
    if (w.empty())
        return failed("empty command");
    const std::string_view name = w[0];
    if (name == "info" && w.size() == 1) {
        target.inverter.armInformation();
        return done();
    }
    if (w.size() != 2)
        return failed("expected: " + std::string(name) + " and one value");
    const std::string_view value = w[1];

    if (name == "silent" || name == "badsum" || name == "garbage" || name == "nomarkers") {
        const auto on = parseSwitch(value);
        if (!on)
            return failed("expected on or off");
        FaultSettings& f = target.faults;
        bool& flag = name == "silent" ? f.silent
            : name == "badsum"        ? f.badChecksum
            : name == "garbage"       ? f.garbage
                                      : f.noMarkers;
        flag = *on;
        return done();
    }
    if (name == "night") {
        if (value == "on")
            target.night = NightMode::Dark;
        else if (value == "off")
            target.night = NightMode::Never;
        else if (value == "auto")
            target.night = NightMode::WithTheSun;
        else
            return failed("expected on, off or auto");
        return done();
    }
    if (name == "unapplied") {
        const auto on = parseSwitch(value);
        if (!on)
            return failed("expected on or off");
        target.inverter.writeFaults().unapplied = *on;
        return done();
    }
    if (name == "refuse") {
        if (value == "off") {
            target.inverter.writeFaults().refusedFunction.reset();
            return done();
        }
        const auto code = parseNumber(value, 0xFF);
        if (!code)
            return failed("expected a write function code 0 to 255 (0x05) or off");
        target.inverter.writeFaults().refusedFunction = static_cast<std::uint8_t>(*code);
        return done();
    }
    if (name == "slow") {
        const auto ms = parseNumber(value, 60000);
        if (!ms)
            return failed("expected a delay of 0 to 60000 ms");
        target.faults.slowMs = static_cast<int>(*ms);
        return done();
    }
    if (name == "state") {
        if (value == "auto") {
            target.plant.forceState(std::nullopt);
            return done();
        }
        const auto state = parseNumber(value, 0xFF);
        if (!state)
            return failed("expected a state 0 to 255 or auto");
        target.plant.forceState(static_cast<std::uint8_t>(*state));
        return done();
    }
    if (name == "fault") {
        const auto word = parseNumber(value, 0xFFFFFFFF);
        if (!word)
            return failed("expected a 32-bit fault word, e.g. 0x00000400");
        target.plant.setFaultWord(*word);
        return done();
    }
    if (name == "serial") {
        const auto serial = parseSerial(value);
        if (!serial)
            return failed("expected exactly ten characters (\\xHH for any byte)");
        target.inverter.setSerial(*serial);
        return done();
    }
    if (name == "dci" || name == "dcioffset" || name == "address") {
        const auto number = parseNumber(value, name == "address" ? 0xFF : 0xFFFF);
        if (!number)
            return failed(name == "address" ? "expected an address 0 to 255"
                                            : "expected a value 0 to 65535");
        if (name == "dci")
            target.inverter.setDciReading(static_cast<std::uint16_t>(*number));
        else if (name == "dcioffset")
            target.inverter.setDciOffset(static_cast<std::uint16_t>(*number));
        else
            target.inverter.setAddress(static_cast<std::uint8_t>(*number));
        return done();
    }
    return failed("unknown command: " + std::string(name));
}

} // namespace veltroma::sim
