#include "app/view/MonitorView.h"

#include "app/view/FormLayout.h"
#include "app/view/FormLook.h"
#include "app/view/HistoryProgress.h"
#include "app/view/LinkHealthPanel.h"
#include "app/view/MonitorViewActions.h"
#include "app/view/QuantityAxes.h"
#include "app/view/ViewModes.h"
#include "base/Prompt.h"
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
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <qcustomplot.h>

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>

namespace veltroma {

namespace {

constexpr int kListRows = 9;
constexpr int kListRowHeight = 30;
constexpr std::array<int, kQuantityCount> kListColumnWidths{90, 90, 90, 90, 110, 110, 110, 90, 110};
constexpr long kIndicatorOn = 3;

} // namespace

CMonitorView::CMonitorView(Setup setup, QWidget* parent)
    : QWidget(parent),
      setup_(std::move(setup)),
      session_(setup_.session),
      engine_(session_.engine()),
      form_(*this, engine_.busSlots().count()),
      display_(form_),
      queuedDisplay_(display_, this),
      plotHistory_(*form_.m_iPlotX),
      history_(plotHistory_, setup_.prompt, setup_.loadString),
      statusLine_(setup_.loadString, setup_.wallClock)
{
    setObjectName(QStringLiteral("CMonitorView"));
    setPalette(formlook::palette(palette()));
    session_.setDisplay(&queuedDisplay_);
    session_.setRefreshSource([this] { return refreshState(); });
    engine_.setProgressDisplay(setup_.progress);
    // With one inverter its switch says "Inverter"; with several each names its slot.
    const QString unnamed = setup_.loadString(QStringLiteral("IDC_SLOT_INVERTER"));
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        slotSwitches_.emplace_back(*form_.m_iSwitchLedX[static_cast<std::size_t>(slot)],
                                   form_.layout.several()
                                       ? QStringLiteral("%1 %2").arg(unnamed).arg(slot)
                                       : unnamed);
    }
    EngineEvents& events = session_.events();
    connect(&events, &EngineEvents::linkStateChanged, this, [this](const LinkState& state) {
        if (state.lost()) {
            answering_.fill(false);
            lampsOff();
        }
    }, Qt::QueuedConnection);
    connect(&events, &EngineEvents::registered, this, &CMonitorView::slotRegistered,
            Qt::QueuedConnection);
    connect(&events, &EngineEvents::readingDecoded, this, [this](const Reading& reading) {
        if (reading.slot >= kFirstSlot && reading.slot <= slotCount())
            answering_[static_cast<std::size_t>(reading.slot)] = true;
    }, Qt::QueuedConnection);
    connect(&events, &EngineEvents::slotLost, this, &CMonitorView::slotLost, Qt::QueuedConnection);
    connect(&events, &EngineEvents::severalAnswering, this, &CMonitorView::severalAnswering,
            Qt::QueuedConnection);
    connect(&session_, &MonitorSession::refreshed, this, &CMonitorView::OnTimer1iThreadTimersX1);
    statusLine_.listenTo(events);
    form_.m_iPlotX->setWallClock(setup_.wallClock);
    linkPanel_ = new LinkHealthPanel(setup_.loadString, this);
    linkPanel_->hide();
    historyProgress_ = new HistoryProgress(*this, setup_.loadString, [this] { history_.cancel(); });
    history_.setProgressListener(
        [this](std::optional<int> permille) { historyProgress_->showProgress(permille); });
    connectControls();
    OnInitialUpdate();
}

CMonitorView::~CMonitorView()
{
    session_.setDisplay(nullptr);
    session_.setRefreshSource([] { return RefreshState::OtherMode; });
    engine_.setProgressDisplay(nullptr);
}

QSize CMonitorView::sizeHint() const
{
    return kFormPixels;
}

QSize CMonitorView::minimumSizeHint() const
{
    return kFormPixels * 0.6;
}

void CMonitorView::connectControls()
{
    connect(form_.m_iSwitchRotaryX1, &CiSwitchRotaryX::positionChanged, this,
            &CMonitorView::OnPositionChangeiSwitchRotaryX1);
    connect(form_.m_iSwitchSliderX1, &CiSwitchSliderX::positionChanged, this,
            &CMonitorView::OnPositionChangeiSwitchSliderX1);
    connect(form_.m_iSwitchLedX0, &CiSwitchLedX::userChanged, this,
            &CMonitorView::OnChangeUseriSwitchLEDX0);
    connect(form_.m_iSwitchLedX7, &CiSwitchLedX::userChanged, this, &CMonitorView::OnOpenDataFile);
    connect(form_.openFileButton, &QPushButton::clicked, this, &CMonitorView::OnOpenDataFile);
    form_.exportCsvButton->setText(setup_.loadString(QStringLiteral("IDC_EXPORTCSV")));
    connect(form_.exportCsvButton, &QPushButton::clicked, this, &CMonitorView::OnExportCsv);
    connect(form_.m_iSwitchLedX8, &CiSwitchLedX::userChanged, this,
            [this] { setup_.actions.OnTest(); });
    connect(form_.testButton, &QPushButton::clicked, this, [this] { setup_.actions.OnTest(); });
    connect(form_.helpButton, &QPushButton::clicked, this, [this] { setup_.actions.OnHelp(); });
    connect(form_.selectComButton, &QPushButton::clicked, this,
            [this] { setup_.actions.OnSelectCom(); });
    connect(form_.updateButton, &QPushButton::clicked, this,
            [this] { setup_.actions.OnUpdateSoftware(); });
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        connect(form_.m_iSwitchRockerX[static_cast<std::size_t>(slot)], &CiSwitchRockerX::changed,
                this, [this, slot] { setup_.actions.OnRocker(slot); });
    }
}

void CMonitorView::OnInitialUpdate()
{
    const QDateTime now = setup_.wallClock();
    recordPaths_ = LoadDataSet(session_.programFolder(), now, bInverterAdrNow);

    form_.m_graphtime->hide();
    form_.m_iOdometerX1->SetValue(0.0);
    form_.m_iOdometerX2->SetValue(0.0);

    applyMode(form_.m_iSwitchRotaryX1->GetPosition());
    OnPositionChangeiSwitchSliderX1();

    for (int c = 0; c < form_.m_iPlotX->channelCount(); ++c)
        form_.m_iPlotX->GetChannel(c)->SetVisible(false);
    if (form_.layout.several())
        colourSlots();
    for (int slot = kFirstSlot; slot <= kLastSlot; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        form_.m_iSwitchLedX[i]->SetVisible(false);
        form_.m_OutOfSpecificationLED[i]->SetVisible(false);
        form_.m_iSwitchRockerX[i]->hide();
    }

    GraphTime_ = now.date();
    form_.m_graphtime->setDate(GraphTime_);

    setUpCaptions();
    setUpList();
}

void CMonitorView::setUpCaptions()
{
    const auto& text = setup_.loadString;
    form_.m_iSwitchRotaryX1->SetPositionLabels(text(QStringLiteral("IDC_STATUSSWITCH")));
    form_.m_iSwitchLedX0->SetCaption(text(QStringLiteral("IDC_COMMUNICATIONCONNECT")));
    form_.m_iSwitchLedX7->SetCaption(text(QStringLiteral("IDC_OPENHISTORYDATAFILE")));
    form_.m_iSwitchLedX8->SetCaption(text(QStringLiteral("IDC_TEST")));
    form_.m_iAngularGaugeX1->SetLabel2Text(text(QStringLiteral("IDC_METER_TOTALPOWER")));
    form_.todayCaption->setText(text(QStringLiteral("IDC_METER_TODAYENERGY")));
    form_.totalCaption->setText(text(QStringLiteral("IDC_METER_TOTALENERGY")));
}

void CMonitorView::setUpList()
{
    CComboListCtrl* list = form_.m_DisplayList;
    for (int column = 0; column < int(kQuantityCount); ++column) {
        list->InsertColumn(column,
                           setup_.loadString(QStringLiteral("IDC_LIST_COLUMN%1_NAME").arg(column + 1)),
                           kListColumnWidths[std::size_t(column)]);
        list->SetReadOnlyColumns(column);
    }
    for (int row = 0; row < kListRows; ++row)
        list->InsertItem(row, QStringLiteral(" "));
    // With several inverters the form sizes the rows to its scale (see MonitorForm::place).
    if (!form_.layout.several())
        list->SetRowHeight(kListRowHeight);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only the first rows belong to inverters; the list shows them without a scroll bar.
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->SetEditLabels(false);
}

void CMonitorView::fitListColumns()
{
    // The columns keep their proportions and fill the list; on a form of full size they
    // are a few pixels narrower than their nominal widths, so the last column is not cut.
    CComboListCtrl* list = form_.m_DisplayList;
    if (list->GetColumnCount() != int(kQuantityCount))
        return;
    const int nominal = std::accumulate(kListColumnWidths.begin(), kListColumnWidths.end(), 0);
    // The list has no scroll bars: its rows are as wide as the list inside its frame.
    const int rowWidth = list->width() - 2 * list->frameWidth();
    const double fit = std::clamp(rowWidth / double(nominal), 0.0, 1.0);
    // The headings share one size, as small as the most crowded heading needs; a section's
    // padding, border and sort-mark room take some 16 pixels.
    QHeaderView* header = list->horizontalHeader();
    double size = formlook::kLargestPointSize;
    for (int column = 0; column < int(kQuantityCount); ++column) {
        const int width = int(kListColumnWidths[std::size_t(column)] * fit);
        list->SetColumnWidth(column, width);
        if (const QTableWidgetItem* heading = list->horizontalHeaderItem(column))
            size = std::min(size, formlook::fittingPointSize(header->font(), {heading->text()},
                                                             width - 16));
    }
    // The list's style sheet draws the sections; a rule on the header itself sets their size.
    header->setStyleSheet(QStringLiteral("QHeaderView::section { font-size: %1pt; }").arg(size));
    // The header measures its headings in its own font: the same size, so none is cut.
    QFont headingFont = header->font();
    headingFont.setPointSizeF(size);
    header->setFont(headingFont);
}

// ---- modes

void CMonitorView::OnPositionChangeiSwitchRotaryX1()
{
    setRockersVisible(false);
    CiSwitchRotaryX* rotary = form_.m_iSwitchRotaryX1;
    if (rotary->GetPosition() != 0 && iSwitchRotaryX_state_ == 0
        && form_.m_iSwitchLedX0->GetActive()) {
        const PromptAnswer answer = setup_.prompt.message(
            QStringLiteral("Do you want to exit the communication connection?"),
            QStringLiteral("Notice"), PromptButtons::YesNo, PromptIcon::Question);
        if (answer == PromptAnswer::No)
            rotary->SetPosition(0);
    }
    applyMode(rotary->GetPosition());
}

void CMonitorView::applyMode(int position)
{
    const ModeLook& look = modeLook(position);
    // Staying in a mode, as when the user answers No to leaving it, keeps what it shows.
    const bool changes = position != appliedPosition_;
    iSwitchRotaryX_state_ = look.rotaryState;
    appliedPosition_ = position;

    CiLedRectangleX* lamp = form_.m_iLedRectangleX1;
    lamp->SetCenterLabelText(setup_.loadString(QString::fromLatin1(look.lampKey)));
    lamp->SetActiveColor(look.lampColor);
    if (look.lampOff)
        lamp->SetActive(false);

    if (look.stopsWorker)
        engine_.stopWorker();
    // What another mode was reading is not plotted.
    if (changes)
        history_.cancel();
    if (look.clearsChannels && changes) {
        plotHistory_.clearChannels();
        plotLive_.fill(false);
    }
    if (look.disablesTimers)
        engine_.disableTimers();

    if (!look.showsConnect)
        form_.m_iSwitchLedX0->SetActive(false);
    form_.m_iSwitchLedX0->SetVisible(look.showsConnect);
    form_.m_graphtime->setVisible(look.showsDatePicker);
    if (look.resetsOpenHistory)
        form_.m_iSwitchLedX7->SetActive(false);
    form_.m_iSwitchLedX7->SetVisible(look.showsOpenHistory);
    form_.openFileButton->setVisible(look.showsOpenHistory);
    form_.exportCsvButton->setVisible(look.showsDatePicker || look.showsOpenHistory);
    form_.m_iSwitchLedX8->SetVisible(false);
    form_.testButton->setVisible(look.showsTest);
    if (look.showsLegend)
        form_.m_iPlotX->GetLegend(0)->SetVisible(*look.showsLegend);
    if (look.realtimeTimeFormat)
        form_.m_iPlotX->GetXAxis(0)->SetDateTimeFormat(QString::fromLatin1(kRealtimeTimeFormat));
    if (look.followsLive && changes) {
        form_.m_iPlotX->GetXAxis(0)->SetSpan(kRealtimeSpanDays);
        form_.m_iPlotX->followNewest();
    }
    if (look.showsRockers)
        setRockersVisible(true);
    linkPanel_->setVisible(look.showsLinkCounters);
    if (look.showsLinkCounters) {
        linkPanel_->raise();
        showLinkCounters();
    }
    // A recorded day is a thirty-first of the month axis, an hour of live values may be too
    // much or too little: the user zooms.
    QCustomPlot* plot = form_.m_iPlotX->customPlot();
    plot->setInteraction(QCP::iRangeZoom, look.zoomsTime);
    plot->setInteraction(QCP::iRangeDrag, look.zoomsTime);
    session_.schedule().follow();
}

void CMonitorView::OnPositionChangeiSwitchSliderX1()
{
    const int position = form_.m_iSwitchSliderX1->GetPosition();
    const QuantityAxis& quantity = kQuantityAxes[static_cast<std::size_t>(position)];
    CiPlotX* plot = form_.m_iPlotX;
    plot->RemoveAllYAxes();
    plot->AddYAxis();
    CiPlotAxisX* axis = plot->GetYAxis(0);
    axis->SetMin(0.0);
    axis->SetTitle(setup_.loadString(QString::fromLatin1(quantity.titleKey)));
    axis->SetSpan(quantity.span);
    axis->SetTitleShow(true);
}

void CMonitorView::setRockersVisible(bool visible)
{
    // Only the slots on the bus have a rocker to show; hiding covers all six.
    for (int slot = kFirstSlot; slot <= (visible ? slotCount() : kLastSlot); ++slot)
        form_.m_iSwitchRockerX[static_cast<std::size_t>(slot)]->setVisible(visible);
}

// ---- connection

void CMonitorView::OnChangeUseriSwitchLEDX0()
{
    const bool on = form_.m_iSwitchLedX0->GetActive();
    if (on) {
        for (SlotSwitchPresenter& presenter : slotSwitches_)
            presenter.connectionStarted();
        answering_.fill(false);
        severalTold_ = false;
        statusLine_.setSeveralAnswering(false);
    }
    // Returns at once: the registration runs on a thread of its own while the progress shows.
    const bool showProgress = engine_.OnChangeUseriSwitchLEDX0(on);
    form_.m_iLedRectangleX1->SetActive(false);
    session_.schedule().follow();
    if (showProgress && setup_.progress != nullptr) {
        setup_.progress->showModal();
        engine_.progressClosed();
    }
}

// ---- timers

RefreshState CMonitorView::refreshState() const
{
    if (static_cast<ViewMode>(appliedPosition_) != ViewMode::Realtime)
        return RefreshState::OtherMode;
    return form_.m_iSwitchLedX0->GetActive() ? RefreshState::RealtimeConnected
                                             : RefreshState::RealtimeDisconnected;
}

void CMonitorView::OnTimer1iThreadTimersX1()
{
    const int position = appliedPosition_;
    switch (static_cast<ViewMode>(position)) {
    case ViewMode::Realtime:
        refreshRealtime();
        history_.forget();
        break;
    case ViewMode::HistoryReview:
        GraphTime_ = form_.m_graphtime->date();
        plotHistory_.setSlot(activeSlot());
        history_.step(recordFolder(plotHistory_.slot()), GraphTime_);
        toggle(form_.m_iLedRectangleX1);
        break;
    default:
        history_.forget();
        toggle(form_.m_iLedRectangleX1);
        break;
    }
    showCurvesAndSlots(position);
    if (linkPanel_->isVisible())
        showLinkCounters();
    showStatusLine();
}

void CMonitorView::showStatusLine()
{
    const LinkHealth* health = session_.link().health();
    statusLine_.refresh(setup_.portName ? setup_.portName() : QString(), form_.m_iSwitchLedX0->GetActive(),
                        engine_.linkState(), health != nullptr ? health->snapshot() : LinkCounters{});
    const QString text = statusLine_.text();
    QLabel& line = *form_.statusLine;
    // A text longer than the line ends in "…"; the tooltip holds it whole. Set only when
    // changed: the once-a-second refresh repaints nothing else for it.
    const QString shown = line.fontMetrics().elidedText(text, Qt::ElideRight, line.contentsRect().width());
    if (line.text() != shown)
        line.setText(shown);
    if (line.toolTip() != text)
        line.setToolTip(text);
}

void CMonitorView::refreshRealtime()
{
    if (!engine_.linkState().lost()) {
        toggle(form_.m_iLedRectangleX1);
        for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
            CiLedRectangleX* lamp = form_.m_OutOfSpecificationLED[static_cast<std::size_t>(slot)];
            // One inverter's lamp blinks while the link lives. Of several, those that answer
            // blink with the status lamp, in step, so a dark one stands out.
            if (!form_.layout.several())
                toggle(lamp);
            else
                lamp->SetActive(answering_[static_cast<std::size_t>(slot)]
                                && form_.m_iLedRectangleX1->GetActive());
        }
    }
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot)
        form_.m_iSwitchRockerX[static_cast<std::size_t>(slot)]->hide();
    if (form_.m_iSwitchLedX0->GetActive()) {
        appendPlotPoints();
    } else {
        lampsOff();
        breakCurves();
    }
}

void CMonitorView::appendPlotPoints()
{
    const InverterModel model = engine_.snapshot();
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        if (!slotLive(model, slot)) {
            breakCurves(slot);
            continue;
        }
        plotLive_[static_cast<std::size_t>(slot)] = true;
        for (int q = 0; q < int(kQuantityCount); ++q) {
            const float value = model.values.value(static_cast<Quantity>(q), slot);
            form_.m_iPlotX->GetChannel(curveChannel(slot, q))->AddYNow(value);
        }
    }
}

bool CMonitorView::slotLive(const InverterModel& model, int slot) const
{
    // Before the first validated reply the values are not the inverter's, and after a loss
    // they are old: neither is plotted, and the curves break where live values stopped.
    if (engine_.linkState().lost())
        return false;
    if (!form_.layout.several())
        return model.realtimeDecoded;
    const auto i = static_cast<std::size_t>(slot);
    return model.live[i] && answering_[i];
}

void CMonitorView::breakCurves()
{
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot)
        breakCurves(slot);
}

void CMonitorView::breakCurves(int slot)
{
    bool& live = plotLive_[static_cast<std::size_t>(slot)];
    if (live) {
        for (int q = 0; q < int(kQuantityCount); ++q)
            form_.m_iPlotX->GetChannel(curveChannel(slot, q))
                ->AddYNow(std::numeric_limits<double>::quiet_NaN());
    }
    live = false;
}

void CMonitorView::showCurvesAndSlots(int position)
{
    // Each slot's switch shows or hides its curve of the quantity the slider chose.
    CiPlotX* plot = form_.m_iPlotX;
    const int quantity = form_.m_iSwitchSliderX1->GetPosition();
    for (int channel = 0; channel < plot->channelCount(); ++channel) {
        const int slot = channel / int(kQuantityCount) + kFirstSlot;
        const bool shown = slot <= slotCount()
            && form_.m_iSwitchLedX[static_cast<std::size_t>(slot)]->GetActive()
            && channel == curveChannel(slot, quantity);
        plot->GetChannel(channel)->SetVisible(shown);
    }

    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        CiSwitchLedX* slotSwitch = form_.m_iSwitchLedX[i];
        slotSwitch->SetIndicatorHeight(slotSwitch->GetActive() ? kIndicatorOn : 0);
        slotSwitch->SetVisible(true);
        if (position != 0)
            form_.m_OutOfSpecificationLED[i]->SetActive(false);
    }
}

void CMonitorView::colourSlots()
{
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        const QColor colour = formlook::slotColor(slot);
        form_.m_iSwitchLedX[static_cast<std::size_t>(slot)]->setIndicatorColor(colour);
        for (int q = 0; q < int(kQuantityCount); ++q) {
            CiPlotChannelX* channel = form_.m_iPlotX->GetChannel(curveChannel(slot, q));
            channel->setColor(colour);
            // Tinted areas of several curves would lie over each other.
            channel->setFilled(false);
        }
    }
}

void CMonitorView::slotRegistered(int slot, const QString& serial)
{
    if (slot < kFirstSlot || slot > slotCount())
        return;
    slotSwitches_[static_cast<std::size_t>(slot - kFirstSlot)].registered(serial);
    // With several, the legend of history review names the inverter of each curve.
    if (form_.layout.several() && !serial.trimmed().isEmpty()) {
        for (int q = 0; q < int(kQuantityCount); ++q)
            form_.m_iPlotX->GetChannel(curveChannel(slot, q))->setTitle(serial);
    }
}

void CMonitorView::slotLost(int slot)
{
    if (slot < kFirstSlot || slot > slotCount())
        return;
    const auto i = static_cast<std::size_t>(slot);
    answering_[i] = false;
    form_.m_OutOfSpecificationLED[i]->SetActive(false);
}

void CMonitorView::severalAnswering()
{
    statusLine_.setSeveralAnswering(true);
    showStatusLine();
    if (severalTold_)
        return;
    severalTold_ = true;
    // Told after this event is handled: the message waits for the user, the form does not.
    QTimer::singleShot(0, this, [this] {
        setup_.prompt.message(setup_.loadString(QStringLiteral("IDC_SEVERAL_ANSWERING")), {},
                              PromptButtons::Ok, PromptIcon::Warning);
    });
}

void CMonitorView::lampsOff()
{
    form_.m_iLedRectangleX1->SetActive(false);
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot)
        form_.m_OutOfSpecificationLED[static_cast<std::size_t>(slot)]->SetActive(false);
}

void CMonitorView::showLinkCounters()
{
    const LinkHealth* health = session_.link().health();
    linkPanel_->setCounters(health ? health->snapshot() : LinkCounters{});
}

void CMonitorView::toggle(CiLedRectangleX* lamp)
{
    lamp->SetActive(!lamp->GetActive());
}

// ---- history

int CMonitorView::activeSlot() const
{
    for (int slot = kFirstSlot; slot <= slotCount(); ++slot) {
        if (form_.m_iSwitchLedX[static_cast<std::size_t>(slot)]->GetActive())
            return slot;
    }
    return kFirstSlot;
}

void CMonitorView::OnOpenDataFile()
{
    plotHistory_.setSlot(activeSlot());
    history_.openDataFile(currentRecordFile());
}

void CMonitorView::OnExportCsv()
{
    QString error;
    const bool openDataFile = modeLook(appliedPosition_).showsOpenHistory;
    if (const auto written = history_.exportShown(openDataFile, error)) {
        setup_.prompt.message(setup_.loadString(QStringLiteral("IDC_EXPORTCSV_DONE"))
                                  .replace(QStringLiteral("%s"), *written));
    } else {
        setup_.prompt.message(setup_.loadString(QStringLiteral("IDC_EXPORTCSV_FAILED"))
                                  .replace(QStringLiteral("%s"), error),
                              {}, PromptButtons::Ok, PromptIcon::Warning);
    }
}

QString CMonitorView::currentRecordFile() const
{
    const int slot = plotHistory_.slot();
    // The latest reply's paths are the one inverter's; with several they may be another's.
    if (!form_.layout.several()) {
        const RecordPaths latest = engine_.snapshot().paths;
        return latest.sWriteExcelPath.isEmpty() ? recordPaths_.sWriteExcelPath
                                                : latest.sWriteExcelPath;
    }
    return LoadDataSet(session_.programFolder(), setup_.wallClock(), slot).sWriteExcelPath;
}

QString CMonitorView::recordFolder(int slot) const
{
    if (!form_.layout.several())
        return recordPaths_.DataRecordDir2;
    return LoadDataSet(session_.programFolder(), setup_.wallClock(), slot).DataRecordDir2;
}

// ---- painting

void CMonitorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const DialogUnits units = DialogUnits::fitting(size());
    form_.place(units);
    linkPanel_->setWide(form_.layout.wideLinkCounters());
    linkPanel_->setGeometry(units.toPixels(form_.layout.linkCounters()));
    historyProgress_->setGeometry(units.toPixels(formtemplate::kHistoryProgress));
    fitListColumns();
    background_ = QPixmap();
}

void CMonitorView::paintEvent(QPaintEvent*)
{
    if (background_.size() != size() * devicePixelRatioF()) {
        background_ = QPixmap(size() * devicePixelRatioF());
        background_.setDevicePixelRatio(devicePixelRatioF());
        QPainter painter(&background_);
        formlook::paintBackground(painter, size(), DialogUnits::fitting(size()),
                                  form_.layout.valuesBand());
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
}

} // namespace veltroma
