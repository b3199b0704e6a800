#pragma once

#include "app/view/FormLayout.h"
#include "monitor/InverterModel.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QWidget;

namespace veltroma {

class CComboListCtrl;
class CiAngularGaugeX;
class CiLedRectangleX;
class CiOdometerX;
class CiPlotX;
class CiSwitchLedX;
class CiSwitchRockerX;
class CiSwitchRotaryX;
class CiSwitchSliderX;

// The controls of the monitor form, made as children of the form and placed by the form
// template. The names are those the form's code has always used; each control also carries
// its name as object name. The slot arrays leave index 0 empty.
struct MonitorForm {
    // A form for `count` inverters on the bus (1..6): the plot has a set of channels for each.
    MonitorForm(QWidget& form, int count);

    // Places every control for the form's scale.
    void place(const DialogUnits& units) const;

    const SlotLayout layout;

    CiPlotX* m_iPlotX;
    CiSwitchSliderX* m_iSwitchSliderX1;
    CComboListCtrl* m_DisplayList;
    CiSwitchRotaryX* m_iSwitchRotaryX1;
    CiLedRectangleX* m_iLedRectangleX1;
    CiAngularGaugeX* m_iAngularGaugeX1;
    CiOdometerX* m_iOdometerX1;
    CiOdometerX* m_iOdometerX2;
    QLabel* todayCaption;
    QLabel* totalCaption;
    CiSwitchLedX* m_iSwitchLedX0;
    CiSwitchLedX* m_iSwitchLedX7;
    CiSwitchLedX* m_iSwitchLedX8;
    PerSlot<CiSwitchLedX*> m_iSwitchLedX{};
    PerSlot<CiSwitchRockerX*> m_iSwitchRockerX{};
    PerSlot<CiLedRectangleX*> m_OutOfSpecificationLED{};
    QDateEdit* m_graphtime;
    QPushButton* helpButton;
    QPushButton* selectComButton;
    QPushButton* updateButton;
    QPushButton* openFileButton;
    QPushButton* exportCsvButton;
    QPushButton* testButton;
    // The link and recording state in one line (see StatusLine).
    QLabel* statusLine;

private:
    void placeTemplateSlots(const DialogUnits& units) const;
    void placeSlotRows(const DialogUnits& units) const;
};

} // namespace veltroma
