#pragma once

#include "monitor/DisplayUpdates.h"

namespace veltroma {

// The display of a monitor without a window: it shows nothing.
class NoDisplay final : public DisplayUpdates {
public:
    void setListText(int, int, const QString&) override {}
    void setPowerGauge(double, const QString&) override {}
    void setEnergyOdometers(double, double) override {}
    void setStateLamp(int, ColorRef, const QString&) override {}
    void setSlotCaption(int, const QString&) override {}
};

} // namespace veltroma
