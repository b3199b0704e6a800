#pragma once

#include <QString>

namespace veltroma {

class CiSwitchLedX;

// The switch of the polled inverter's slot: it names the inverter (its serial number once a
// registration has read it, a caption of the chosen language before that) and it is switched
// on by the first registration of each connection, so the inverter's curve shows without a
// search for the button. A user who switches it off keeps it off until the next connection.
class SlotSwitchPresenter {
public:
    // `unnamedCaption` is shown until a serial number is known.
    SlotSwitchPresenter(CiSwitchLedX& slotSwitch, const QString& unnamedCaption);

    // "Communication Connect" went on: the next registration shows the curve again.
    void connectionStarted() { showOnRegistration_ = true; }
    // The inverter answered a registration with this serial number.
    void registered(const QString& serial);

private:
    CiSwitchLedX& switch_;
    bool showOnRegistration_ = false;
};

} // namespace veltroma
