#include "app/view/FormDisplay.h"

#include "app/view/MonitorForm.h"
#include "controls/ComboListCtrl.h"
#include "instruments/CiAngularGaugeX.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiOdometerX.h"
#include "instruments/CiSwitchLedX.h"

namespace veltroma {

void FormDisplay::setListText(int row, int column, const QString& text)
{
    form_.m_DisplayList->SetItemText(row, column, text);
}

void FormDisplay::setPowerGauge(double kilowatts, const QString& label)
{
    form_.m_iAngularGaugeX1->SetPosition(kilowatts);
    form_.m_iAngularGaugeX1->SetLabel1Text(label);
}

void FormDisplay::setEnergyOdometers(double today, double total)
{
    form_.m_iOdometerX1->SetValue(today);
    form_.m_iOdometerX2->SetValue(total);
}

void FormDisplay::setStateLamp(int slot, ColorRef color, const QString& text)
{
    if (!isSlot(slot))
        return;
    CiLedRectangleX* lamp = form_.m_OutOfSpecificationLED[static_cast<std::size_t>(slot)];
    lamp->SetVisible(true);
    lamp->SetActiveColor(color);
    lamp->SetCenterLabelText(text);
}

void FormDisplay::setSlotCaption(int slot, const QString& caption)
{
    // A registration that read no serial number leaves the caption naming the inverter.
    if (isSlot(slot) && !caption.trimmed().isEmpty())
        form_.m_iSwitchLedX[static_cast<std::size_t>(slot)]->SetCaption(caption);
}

} // namespace veltroma
