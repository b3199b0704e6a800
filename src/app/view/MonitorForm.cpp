#include "app/view/MonitorForm.h"

#include "app/view/FormLayout.h"
#include "app/view/FormLook.h"
#include "app/view/QuantityAxes.h"
#include "app/view/ViewModes.h"
#include "controls/ComboListCtrl.h"
#include "instruments/CiAngularGaugeX.h"
#include "instruments/CiLedRectangleX.h"
#include "instruments/CiOdometerX.h"
#include "instruments/CiPlotX.h"
#include "instruments/CiSwitchLedX.h"
#include "instruments/CiSwitchRockerX.h"
#include "instruments/CiSwitchRotaryX.h"
#include "instruments/CiSwitchSliderX.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <qcustomplot.h>

namespace veltroma {

namespace {

constexpr double kGaugeMaximumKw = 40.0;
constexpr int kOdometerDigits = 6;
// Rooms the template gives too small to be read at this scale, in dialog units.
constexpr QSize kOdometerRoom{72, 16};
constexpr QSize kRockerRoom{16, 20};
constexpr QSize kCaptionRoom{72, 11};

template <typename T>
T* make(QWidget& form, const char* name)
{
    auto* control = new T(&form);
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

QString slotName(const char* base, int slot)
{
    return QStringLiteral("%1%2").arg(QLatin1String(base)).arg(slot);
}

QPushButton* makeButton(QWidget& form, const char* name, const QString& text)
{
    auto* button = make<QPushButton>(form, name);
    button->setText(text);
    button->setStyleSheet(formlook::buttonStyle());
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLabel* makeCaption(QWidget& form, const char* name)
{
    auto* label = make<QLabel>(form, name);
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TranslucentBackground);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, formlook::kCaptionInk);
    label->setPalette(palette);
    return label;
}

QLabel* makeStatusLine(QWidget& form)
{
    QLabel* label = makeCaption(form, "statusLine");
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void setUpPlot(CiPlotX& plot)
{
    for (int c = 0; c < plot.channelCount(); ++c)
        plot.GetChannel(c)->setTitle(
            QString::fromLatin1(kChannelTitles[std::size_t(c % CiPlotX::kChannelCount)]));
    plot.setLegendTitle(QStringLiteral("Registed Inverters"));
    CiPlotAxisX* x = plot.GetXAxis(0);
    x->SetSpan(kRealtimeSpanDays);
    x->SetDateTimeFormat(QStringLiteral("yyyy-m-d h:nn:ss"));
    // Where the mouse may zoom and drag the plot, it moves along the time axis only.
    QCPAxisRect* field = plot.customPlot()->axisRect();
    field->setRangeDrag(Qt::Horizontal);
    field->setRangeZoom(Qt::Horizontal);
}

CiPlotX* makePlot(QWidget& form, int count)
{
    auto* plot = new CiPlotX(&form, count * CiPlotX::kChannelCount);
    plot->setObjectName(QStringLiteral("m_iPlotX"));
    return plot;
}

} // namespace

MonitorForm::MonitorForm(QWidget& form, int count)
    : layout(count),
      m_iPlotX(makePlot(form, layout.slotCount())),
      m_iSwitchSliderX1(make<CiSwitchSliderX>(form, "m_iSwitchSliderX1")),
      m_DisplayList(make<CComboListCtrl>(form, "m_DisplayList")),
      m_iSwitchRotaryX1(make<CiSwitchRotaryX>(form, "m_iSwitchRotaryX1")),
      m_iLedRectangleX1(make<CiLedRectangleX>(form, "m_iLedRectangleX1")),
      m_iAngularGaugeX1(make<CiAngularGaugeX>(form, "m_iAngularGaugeX1")),
      m_iOdometerX1(make<CiOdometerX>(form, "m_iOdometerX1")),
      m_iOdometerX2(make<CiOdometerX>(form, "m_iOdometerX2")),
      todayCaption(makeCaption(form, "todayCaption")),
      totalCaption(makeCaption(form, "totalCaption")),
      m_iSwitchLedX0(make<CiSwitchLedX>(form, "m_iSwitchLedX0")),
      m_iSwitchLedX7(make<CiSwitchLedX>(form, "m_iSwitchLedX7")),
      m_iSwitchLedX8(make<CiSwitchLedX>(form, "m_iSwitchLedX8")),
      m_graphtime(make<QDateEdit>(form, "m_graphtime")),
      helpButton(makeButton(form, "helpButton", QStringLiteral("Help"))),
      selectComButton(makeButton(form, "selectComButton", QStringLiteral("Select COM"))),
      updateButton(makeButton(form, "updateButton", QStringLiteral("Update Software"))),
      openFileButton(makeButton(form, "openFileButton", QStringLiteral("Open File"))),
      exportCsvButton(makeButton(form, "exportCsvButton", QStringLiteral("Export CSV…"))),
      testButton(makeButton(form, "testButton", QStringLiteral("Test"))),
      statusLine(makeStatusLine(form))
{
    setUpPlot(*m_iPlotX);
    m_iSwitchSliderX1->setPosition(3);
    m_iAngularGaugeX1->setRange(0.0, kGaugeMaximumKw);
    for (CiOdometerX* odometer : {m_iOdometerX1, m_iOdometerX2}) {
        odometer->setDigitCount(kOdometerDigits);
        odometer->setDecimalCount(1);
    }
    m_graphtime->setCalendarPopup(true);
    m_graphtime->setDisplayFormat(QStringLiteral("yyyy-M-d"));
    m_DisplayList->setStyleSheet(formlook::listStyle());

    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        m_iSwitchLedX[i] = new CiSwitchLedX(&form);
        m_iSwitchLedX[i]->setObjectName(slotName("m_iSwitchLedX", slot));
        m_iSwitchRockerX[i] = new CiSwitchRockerX(&form);
        m_iSwitchRockerX[i]->setObjectName(slotName("m_iSwitchRockerX", slot));
        m_OutOfSpecificationLED[i] = new CiLedRectangleX(&form);
        m_OutOfSpecificationLED[i]->setObjectName(slotName("m_OutOfSpecificationLED", slot));
    }
    // Buttons and the status lamp sit on the plot's top edge, above its drawing field.
    for (QWidget* top : {static_cast<QWidget*>(m_iLedRectangleX1), static_cast<QWidget*>(helpButton),
                         static_cast<QWidget*>(selectComButton), static_cast<QWidget*>(updateButton)})
        top->raise();
}

void MonitorForm::placeTemplateSlots(const DialogUnits& units) const
{
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        m_iSwitchLedX[i]->setGeometry(units.toPixels(layout.slotSwitch(slot)));
        m_iSwitchRockerX[i]->setGeometry(units.toPixels(layout.rocker(slot), kRockerRoom));
        m_OutOfSpecificationLED[i]->setGeometry(units.toPixels(layout.stateLamp(slot)));
    }
}

void MonitorForm::placeSlotRows(const DialogUnits& units) const
{
    // The list's heading and rows get whole pixels; each slot's controls take their columns
    // from the layout and their height from the row they stand beside, a pixel clear of the
    // next row's.
    // Rounded down, so that the rows never outgrow the list the layout made for them.
    const int header = int(SlotLayout::kHeaderUnits * units.yScale());
    const int row = int(SlotLayout::kRowUnits * units.yScale());
    m_DisplayList->horizontalHeader()->setFixedHeight(header);
    m_DisplayList->SetRowHeight(row);
    const int firstRowTop = m_DisplayList->y() + m_DisplayList->frameWidth() + header;
    const auto besideRow = [&](const QRect& columnUnits, int slot) {
        const QRect column = units.toPixels(columnUnits);
        return QRect(column.x(), firstRowTop + (slot - 1) * row + 1, column.width(), row - 2);
    };
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        m_iSwitchLedX[i]->setGeometry(besideRow(layout.slotSwitch(slot), slot));
        m_iSwitchRockerX[i]->setGeometry(besideRow(layout.rocker(slot), slot));
        m_OutOfSpecificationLED[i]->setGeometry(besideRow(layout.stateLamp(slot), slot));
    }
}

void MonitorForm::place(const DialogUnits& units) const
{
    namespace t = formtemplate;
    m_iPlotX->setGeometry(units.toPixels(layout.plot()));
    m_iSwitchSliderX1->setGeometry(units.toPixels(layout.slider()));
    m_DisplayList->setGeometry(units.toPixels(layout.list()));
    m_iSwitchRotaryX1->setGeometry(units.toPixels(t::kRotaryArtwork));
    // The template lets the lamp reach past the plot's right edge; it stays inside the frame.
    const QRect insideFrame = m_iPlotX->geometry().adjusted(
        CiPlotX::kFrameWidth, CiPlotX::kFrameWidth, -CiPlotX::kFrameWidth, -CiPlotX::kFrameWidth);
    m_iLedRectangleX1->setGeometry(units.toPixels(t::kStatusLamp).intersected(insideFrame));
    m_iAngularGaugeX1->setGeometry(units.toPixels(t::kGauge));
    m_iOdometerX1->setGeometry(units.toPixels(t::kOdometerToday, kOdometerRoom));
    m_iOdometerX2->setGeometry(units.toPixels(t::kOdometerTotal, kOdometerRoom));
    todayCaption->setGeometry(units.toPixels(t::kCaptionToday, kCaptionRoom));
    totalCaption->setGeometry(units.toPixels(t::kCaptionTotal, kCaptionRoom));
    m_iSwitchLedX0->setGeometry(units.toPixels(t::kConnectSwitch));
    m_iSwitchLedX7->setGeometry(units.toPixels(t::kOpenHistorySwitch));
    m_iSwitchLedX8->setGeometry(units.toPixels(t::kTestSwitch));
    m_graphtime->setGeometry(units.toPixels(t::kDatePicker));
    statusLine->setGeometry(units.toPixels(t::kStatusLine));
    helpButton->setGeometry(units.toPixels(t::kHelpButton));
    selectComButton->setGeometry(units.toPixels(t::kSelectComButton));
    updateButton->setGeometry(units.toPixels(t::kUpdateButton));
    openFileButton->setGeometry(units.toPixels(t::kOpenFileButton));
    exportCsvButton->setGeometry(units.toPixels(t::kExportCsvButton));
    testButton->setGeometry(units.toPixels(t::kTestButton));
    if (layout.several())
        placeSlotRows(units);
    else
        placeTemplateSlots(units);

    // Button borders and padding take some 8 pixels; the date picker's arrow field 16 more.
    for (QPushButton* button :
         {helpButton, selectComButton, updateButton, openFileButton, exportCsvButton, testButton})
        formlook::fitFont(*button, {button->text()}, button->width() - 8);
    const double dateSize = formlook::fittingPointSize(m_graphtime->font(),
                                                       {QStringLiteral("2088-12-28")},
                                                       m_graphtime->width() - 34);
    m_graphtime->setStyleSheet(formlook::datePickerStyle(dateSize));

    // The plot draws its field below the buttons and the lamp on its top edge.
    const int strip = units.toPixels(t::kStatusLamp).bottom() + 4 - m_iPlotX->y();
    QCPAxisRect* field = m_iPlotX->customPlot()->axisRect();
    field->setAutoMargins(QCP::msLeft | QCP::msRight | QCP::msBottom);
    field->setMargins(QMargins(0, strip, 0, 0));
    // The buttons stand on the plot: its once-a-second replot need not repaint them. (The
    // lamp blinks every second anyway.)
    QList<QRect> buttons;
    for (const QPushButton* button : {helpButton, selectComButton, updateButton})
        buttons << button->geometry().translated(-m_iPlotX->pos());
    m_iPlotX->setStandingControls(buttons);
}

} // namespace veltroma
