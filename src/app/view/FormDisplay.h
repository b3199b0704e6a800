#pragma once

#include "monitor/DisplayUpdates.h"

namespace veltroma {

struct MonitorForm;

// The engine's display updates carried out on the form's controls. Call it on the thread
// that owns the controls: the engine reaches it through a QueuedDisplay.
class FormDisplay final : public DisplayUpdates {
public:
    explicit FormDisplay(const MonitorForm& form) : form_(form) {}

    void setListText(int row, int column, const QString& text) override;
    void setPowerGauge(double kilowatts, const QString& label) override;
    void setEnergyOdometers(double today, double total) override;
    void setStateLamp(int slot, ColorRef color, const QString& text) override;
    void setSlotCaption(int slot, const QString& caption) override;

private:
    const MonitorForm& form_;
};

} // namespace veltroma
