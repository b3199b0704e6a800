#include "monitor/FaultTable.h"

#include <bit>

namespace veltroma {

namespace {
constexpr std::string_view kBlank = "                ";
} // namespace

const std::array<std::string_view, 32> bErrorString{
    " EEPROM Damaged ", // bit 31
    " Please Initial ", // bit 30
    "  GFCI Damaged  ", // bit 29
    " Sensor Damaged ", // bit 28
    "  SCI Damaged   ", // bit 27
    " Not Consistent ", // bit 26
    "  High DC INJ   ", // bit 25
    " Relay Damaged  ", // bit 24
    "High Bus Voltage", // bit 23
    "Auto test failed", // bit 22
    " 2.5V Ref Fault ", // bit 21
    kBlank,             // bit 20
    kBlank,             // bit 19
    kBlank,             // bit 18
    kBlank,             // bit 17
    "  Device Fault  ", // bit 16
    " Disconnect Grid", // bit 15
    "  Grid V Fault  ", // bit 14
    "  Grid F Fault  ", // bit 13
    " Low  Isolation ", // bit 12
    " Not Consistent ", // bit 11
    " Over PV Voltage", // bit 10
    "  High Ground I ", // bit 9
    "  High DC INJ   ", // bit 8
    "Higt Temperature", // bit 7
    kBlank,             // bit 6
    kBlank,             // bit 5
    kBlank,             // bit 4
    kBlank,             // bit 3
    kBlank,             // bit 2
    kBlank,             // bit 1
    kBlank,             // bit 0
};

std::optional<std::string_view> faultText(std::uint32_t faultWord)
{
    if (faultWord == 0)
        return std::nullopt;
    // Row 31 - b for the highest set bit b is the count of leading zeros.
    return bErrorString.at(static_cast<std::size_t>(std::countl_zero(faultWord)));
}

QString sGetErrorString(QString& sErrorString, std::uint32_t faultWord)
{
    if (const auto text = faultText(faultWord))
        sErrorString = QString::fromLatin1(text->data(), static_cast<qsizetype>(text->size()));
    return sErrorString;
}

} // namespace veltroma
