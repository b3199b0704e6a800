#pragma once

#include <QString>

#include <optional>
#include <string_view>

namespace veltroma {

// Parity and stop-bit codes as the port description maps them.
enum class Parity { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class StopBits { One = 0, Two = 2 };

// The line settings a port is opened with; nothing else of the line is ever set.
struct LineSettings {
    int baudRate = 9600;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;

    bool operator==(const LineSettings&) const = default;
};

// A parsed port description such as "COM3,9600,8,N,1" or "/dev/ttyUSB0,9600,8,N,1".
struct PortDescription {
    // 1..9 for a COMn name; 0 when the description names a device path.
    int port = 0;
    // The device to open: the path, or the system's name of COMn.
    QString device;
    LineSettings line;
};

// 'N' none, 'O' odd, 'E' even, 'M' mark, 'S' space, either case; any other letter: space.
[[nodiscard]] Parity parityFromLetter(char letter);
// 2 gives two stop bits; 1 and every other count give one.
[[nodiscard]] StopBits stopBitsFromCount(int count);
// The device behind COMn: /dev/ttyS{n-1} on Linux, COMn on Windows.
[[nodiscard]] QString comDeviceName(int port);

// Reads "name,baud,data bits,parity letter,stop bits". The name is four characters whose
// last is the port digit 1..9 (COM1..COM9), or a device path beginning with '/' and ending
// at the first comma. Numbers are decimal with an optional sign, leading blanks allowed;
// text after the stop bits is ignored.
// A name alone, without any comma ("/dev/ttyUSB0", "COM3", "com3"), means 9600 8N1; alone,
// a COM name must begin with "COM" (any case). Blanks around it are ignored.
// Empty optional: the text does not parse, a number does not fit an int, or the port digit
// is not 1..9.
[[nodiscard]] std::optional<PortDescription> parsePortDescription(std::string_view text);
[[nodiscard]] std::optional<PortDescription> parsePortDescription(const QString& text);
[[nodiscard]] inline std::optional<PortDescription> parsePortDescription(const char* text)
{
    return parsePortDescription(std::string_view(text));
}

// The port a description names, for the user: "COM1 (/dev/ttyS0)" for a COM name, the path
// for a device path; the text before the first comma when the description does not parse.
[[nodiscard]] QString portNameForUser(const QString& description);

// Why `value`, given as `source` ("CommNum", "--port"), is no port, with the form expected:
// "CommNum 'xyz' is no port: give a device such as /dev/ttyUSB0 or COM1, optionally followed
// by ,9600,8,N,1".
[[nodiscard]] QString notAPortMessage(const QString& source, const QString& value);

} // namespace veltroma
