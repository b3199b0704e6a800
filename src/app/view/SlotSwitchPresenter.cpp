#include "app/view/SlotSwitchPresenter.h"

#include "instruments/CiSwitchLedX.h"

namespace veltroma {

SlotSwitchPresenter::SlotSwitchPresenter(CiSwitchLedX& slotSwitch, const QString& unnamedCaption)
    : switch_(slotSwitch)
{
    switch_.SetCaption(unnamedCaption);
}

void SlotSwitchPresenter::registered(const QString& serial)
{
    // An inverter that reports no serial number keeps the caption it has.
    if (!serial.trimmed().isEmpty())
        switch_.SetCaption(serial);
    if (showOnRegistration_)
        switch_.SetActive(true);
    showOnRegistration_ = false;
}

} // namespace veltroma
