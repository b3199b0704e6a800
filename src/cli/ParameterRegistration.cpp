#include "cli/ParameterRegistration.h"

#include "base/Clock.h"
#include "monitor/BusSlots.h"
#include "monitor/NoDisplay.h"
#include "monitor/Registration.h"
#include "monitor/SharedModel.h"
#include "monitor/Watchdog.h"

namespace veltroma {

ParameterRegistration registerForParameters(ByteLink& link, const InverterSlots& inverters,
                                            int address)
{
    const bool one = inverters.count == 1;
    if (one && address != 1) {
        return {false, QStringLiteral("with one inverter on the bus (Count=1 in [Inverters] of "
                                      "setting.ini) it is registered at address 1")};
    }
    if (!one && (address > inverters.count || inverters.serials[std::size_t(address)].isEmpty())) {
        return {false, QStringLiteral("to register it, enter its serial number as Serial%1 in "
                                      "[Inverters] of setting.ini (Count %2), or connect it alone "
                                      "with Count=1")
                           .arg(address)
                           .arg(inverters.count)};
    }
    EngineLink engineLink(link, steadyClock());
    EngineFlags flags;
    SharedModel model;
    NoDisplay display;
    Watchdog watchdog;
    BusSlots busSlots(inverters);
    Registration registration(engineLink, flags, model, display, watchdog, busSlots);
    const auto registered = one ? registration.Register() : registration.reassign({address});
    if (registered.empty()) {
        return {false, one ? QStringLiteral("no inverter answered the registration: is it on and "
                                            "connected to this port?")
                           : QStringLiteral("inverter %1 (%2) did not acknowledge its address")
                                 .arg(address)
                                 .arg(inverters.serials[std::size_t(address)])};
    }
    return {true, QStringLiteral("registered inverter %1 at address %2")
                      .arg(registered.front().serial)
                      .arg(address)};
}

} // namespace veltroma
