#include "instruments/CiPlotX.h"

#include "instruments/DateTimeFormat.h"
#include "instruments/DayValue.h"
#include "instruments/InstrumentArt.h"

#include <QHash>
#include <QPainter>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace veltroma {

namespace {

constexpr int kFrame = CiPlotX::kFrameWidth;
const QColor kInk(0xc9, 0xcf, 0xd6);
const QColor kGrid(0x3a, 0x42, 0x4b);
const QColor kAxisLine(0x7d, 0x86, 0x90);

// Distinct colours that read well on the dark screen, one per quantity.
const std::array<QColor, CiPlotX::kChannelCount> kChannelColors{
    QColor(0xff, 0xb3, 0x2e), QColor(0x34, 0xd3, 0xf5), QColor(0xe0, 0x6c, 0xf0),
    QColor(0x5c, 0xf0, 0x6e), QColor(0xf5, 0xe8, 0x42), QColor(0xff, 0x86, 0x3c),
    QColor(0x6a, 0x9c, 0xff), QColor(0xb3, 0x9d, 0xff), QColor(0xff, 0x55, 0x5e)};

// The plot's screen, dark at the bottom, from `top` down to `bottom`.
QLinearGradient screenGradient(QPointF top, QPointF bottom)
{
    QLinearGradient screen(top, bottom);
    screen.setColorAt(0.0, QColor(0x1b, 0x20, 0x26));
    screen.setColorAt(1.0, QColor(0x0b, 0x0d, 0x10));
    return screen;
}

} // namespace

// The date-time ticker, remembering the labels it made: while the live plot scrolls, the
// same few ticks are labelled again every second. A change of format, time spec, zone or
// locale starts afresh.
class DateTicker final : public QCPAxisTickerDateTime {
protected:
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override
    {
        // Zooming through history brings new ticks without end; a few hundred are plenty.
        constexpr qsizetype kMostLabels = 256;
        if (mDateTimeFormat != format_ || mDateTimeSpec != spec_ || mTimeZone != zone_
            || locale != locale_ || labels_.size() >= kMostLabels) {
            labels_.clear();
            format_ = mDateTimeFormat;
            spec_ = mDateTimeSpec;
            zone_ = mTimeZone;
            locale_ = locale;
        }
        auto label = labels_.constFind(tick);
        if (label == labels_.cend())
            label = labels_.insert(tick, QCPAxisTickerDateTime::getTickLabel(tick, locale, formatChar, precision));
        return *label;
    }

private:
    QHash<double, QString> labels_;
    QString format_;
    Qt::TimeSpec spec_ = Qt::LocalTime;
    QTimeZone zone_;
    QLocale locale_;
};

// The heading row of the legend.
class LegendTitleItem final : public QCPAbstractLegendItem {
public:
    explicit LegendTitleItem(QCPLegend* legend) : QCPAbstractLegendItem(legend) {}

    void setText(const QString& text) { text_ = text; }
    [[nodiscard]] QString text() const { return text_; }

protected:
    void draw(QCPPainter* painter) override
    {
        painter->setFont(mFont);
        painter->setPen(QPen(mTextColor));
        painter->drawText(mRect, Qt::AlignLeft | Qt::AlignVCenter, text_);
        painter->setPen(QPen(QColor(0x59, 0x61, 0x6a), 1));
        painter->drawLine(QPointF(mRect.left(), mRect.bottom() + 1.5),
                          QPointF(mOuterRect.right() - 3, mRect.bottom() + 1.5));
    }

    [[nodiscard]] QSize minimumOuterSizeHint() const override
    {
        // Asked on every replot, hidden or not: measured again only when text or font changed.
        if (measuredText_ != text_ || measuredFont_ != mFont) {
            measuredText_ = text_;
            measuredFont_ = mFont;
            textSize_ = QFontMetrics(mFont).size(Qt::TextSingleLine, text_);
        }
        return QSize(textSize_.width() + mMargins.left() + mMargins.right(),
                     textSize_.height() + mMargins.top() + mMargins.bottom() + 3);
    }

private:
    QString text_;
    mutable std::optional<QString> measuredText_;
    mutable QFont measuredFont_;
    mutable QSize textSize_;
};

// ---- channel

CiPlotChannelX::CiPlotChannelX(CiPlotX& plot, QCPGraph* graph) : plot_(plot), graph_(graph) {}

void CiPlotChannelX::AddXY(double x, double y)
{
    if (!std::isfinite(x))
        return;
    graph_->addData(plotKeyFromDayValue(x), y);
    plot_.pointAdded(*this, x);
}

void CiPlotChannelX::AddXYs(std::span<const double> xs, std::span<const double> ys)
{
    QVector<QCPGraphData> points;
    points.reserve(static_cast<qsizetype>(std::min(xs.size(), ys.size())));
    std::optional<double> newest;
    for (std::size_t i = 0; i < xs.size() && i < ys.size(); ++i) {
        if (!std::isfinite(xs[i]))
            continue;
        points.append(QCPGraphData(plotKeyFromDayValue(xs[i]), ys[i]));
        newest = std::max(newest.value_or(xs[i]), xs[i]);
    }
    if (!newest)
        return;
    const auto byKey = [](const QCPGraphData& a, const QCPGraphData& b) { return a.key < b.key; };
    if (!std::is_sorted(points.begin(), points.end(), byKey))
        std::stable_sort(points.begin(), points.end(), byKey);
    graph_->data()->add(points, true);
    plot_.pointAdded(*this, *newest);
}

void CiPlotChannelX::AddYNow(double y)
{
    AddXY(plot_.nowDays(), y);
}

void CiPlotChannelX::Clear()
{
    graph_->data()->clear();
    plot_.channelCleared();
}

void CiPlotChannelX::SetVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    graph_->setVisible(visible);
    plot_.rebuildLegend();
}

int CiPlotChannelX::pointCount() const
{
    return graph_->data()->size();
}

QString CiPlotChannelX::title() const
{
    return graph_->name();
}

void CiPlotChannelX::setTitle(const QString& title)
{
    graph_->setName(title);
    plot_.requestReplot();
}

QColor CiPlotChannelX::color() const
{
    return color_;
}

void CiPlotChannelX::setColor(const QColor& color)
{
    color_ = color;
    applyStyle();
    plot_.requestReplot();
}

void CiPlotChannelX::setDense(bool dense)
{
    if (dense == dense_)
        return;
    dense_ = dense;
    applyStyle();
}

void CiPlotChannelX::applyStyle()
{
    graph_->setPen(QPen(color_, dense_ ? 1.0 : 1.6));
    QColor fill = color_;
    fill.setAlpha(38);
    graph_->setBrush(dense_ || !filled_ ? QBrush(Qt::NoBrush) : QBrush(fill));
}

void CiPlotChannelX::setFilled(bool filled)
{
    filled_ = filled;
    applyStyle();
    plot_.requestReplot();
}

// ---- axis

CiPlotAxisX::CiPlotAxisX(QCPAxis* axis, Kind kind, double minimum, double span)
    : axis_(axis), kind_(kind), min_(minimum), span_(span)
{
    if (kind_ == Kind::Time) {
        dateTicker_.reset(new DateTicker);
        // Keys are wall-clock seconds: shown in UTC they read as the wall clock.
        dateTicker_->setDateTimeSpec(Qt::UTC);
        dateTicker_->setTickCount(6);
        axis_->setTicker(dateTicker_);
        SetDateTimeFormat(QStringLiteral("h:nn:ss"));
    }
    apply();
}

CiPlotAxisX::~CiPlotAxisX() = default;

void CiPlotAxisX::apply()
{
    if (kind_ == Kind::Time)
        axis_->setRange(plotKeyFromDayValue(min_), plotKeyFromDayValue(min_) + plotSpanFromDays(span_));
    else
        axis_->setRange(min_, min_ + span_);
    requestReplot();
}

void CiPlotAxisX::requestReplot()
{
    if (axis_->parentPlot())
        axis_->parentPlot()->replot(QCustomPlot::rpQueuedReplot);
}

void CiPlotAxisX::SetMin(double minimum)
{
    if (!std::isfinite(minimum))
        return;
    min_ = minimum;
    apply();
}

void CiPlotAxisX::SetSpan(double span)
{
    if (!std::isfinite(span) || span <= 0.0)
        return;
    span_ = span;
    apply();
}

void CiPlotAxisX::SetTitle(const QString& title)
{
    title_ = title;
    axis_->setLabel(titleShown_ ? title_ : QString());
    requestReplot();
}

void CiPlotAxisX::SetTitleShow(bool show)
{
    titleShown_ = show;
    axis_->setLabel(titleShown_ ? title_ : QString());
    requestReplot();
}

void CiPlotAxisX::SetDateTimeFormat(const QString& format)
{
    format_ = format;
    if (dateTicker_) {
        dateTicker_->setDateTimeFormat(qtDateTimeFormat(format));
        requestReplot();
    }
}

// ---- legend

void CiPlotLegendX::SetVisible(bool visible)
{
    plot_.plot_->legend->setVisible(visible);
    plot_.requestReplot();
}

bool CiPlotLegendX::visible() const
{
    return plot_.plot_->legend->visible();
}

// ---- plot

CiPlotX::CiPlotX(QWidget* parent, int channelCount)
    : QWidget(parent),
      plot_(new QCustomPlot(this)),
      legendTitle_(nullptr),
      wallClock_([] { return QDateTime::currentDateTime(); })
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kFrame, kFrame, kFrame, kFrame);
    layout->addWidget(plot_);

    QLinearGradient screen = screenGradient(QPointF(0, 0), QPointF(0, 1));
    screen.setCoordinateMode(QGradient::ObjectMode);
    plot_->setBackground(QBrush(screen));
    QLinearGradient field(0, 0, 0, 1);
    field.setCoordinateMode(QGradient::ObjectMode);
    field.setColorAt(0.0, QColor(0x10, 0x14, 0x19));
    field.setColorAt(1.0, QColor(0x05, 0x07, 0x09));
    plot_->axisRect()->setBackground(QBrush(field));
    plot_->setAntialiasedElements(QCP::aePlottables | QCP::aeLegend);
    // A replot repaints with the rest of the form in one pass, not at once on its own; the
    // overlay layer (empty: nothing here is selected) shares the one paint buffer instead of
    // being cleared and blended over the whole plot on every repaint.
    plot_->setPlottingHint(QCP::phImmediateRefresh, false);
    plot_->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);

    styleAxis(plot_->xAxis);
    styleAxis(plot_->yAxis);
    // The axes on the other two sides are never shown; they need no ticks made either.
    for (QCPAxis* hidden : {plot_->xAxis2, plot_->yAxis2}) {
        hidden->setVisible(false);
        hidden->setTicks(false);
        hidden->setTickLabels(false);
    }

    const double now = nowDays();
    const double span = 1.0 / 24.0;
    xAxis_.reset(new CiPlotAxisX(plot_->xAxis, CiPlotAxisX::Kind::Time, now - span, span));
    yAxes_.push_back(std::unique_ptr<CiPlotAxisX>(
        new CiPlotAxisX(plot_->yAxis, CiPlotAxisX::Kind::Value, 0.0, 100.0)));

    QCPLegend* legend = plot_->legend;
    legend->setBrush(QColor(0x10, 0x13, 0x17, 225));
    legend->setBorderPen(QPen(QColor(0x59, 0x61, 0x6a), 1));
    legend->setTextColor(kInk);
    QFont legendFont = font();
    legendFont.setPointSizeF(8.5);
    legend->setFont(legendFont);
    legend->setIconSize(18, 8);
    legend->setRowSpacing(0);
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    legendTitle_ = new LegendTitleItem(legend);
    QFont titleFont = legendFont;
    titleFont.setBold(true);
    legendTitle_->setFont(titleFont);
    legendTitle_->setTextColor(art::kAmber);
    legend->addItem(legendTitle_);
    legend->setVisible(true);
    legend_.reset(new CiPlotLegendX(*this));

    for (int i = 0; i < std::clamp(channelCount, kChannelCount, kMostChannels); ++i) {
        QCPGraph* graph = plot_->addGraph(plot_->xAxis, plot_->yAxis);
        graph->removeFromLegend();
        graph->setLineStyle(QCPGraph::lsStepLeft);
        graph->setAdaptiveSampling(true);
        graph->setName(tr("Channel %1").arg(i));
        channels_.push_back(std::unique_ptr<CiPlotChannelX>(new CiPlotChannelX(*this, graph)));
        channels_.back()->setColor(kChannelColors[std::size_t(i % kChannelCount)]);
    }
    rebuildLegend();
    // A wheel or a drag that the plot takes as zoom or move leaves the view where it is put.
    connect(plot_, &QCustomPlot::mouseWheel, this, [this] {
        if (plot_->interactions().testFlag(QCP::iRangeZoom))
            following_ = false;
    });
    connect(plot_, &QCustomPlot::mouseMove, this, [this](QMouseEvent* event) {
        if (plot_->interactions().testFlag(QCP::iRangeDrag) && (event->buttons() & Qt::LeftButton))
            following_ = false;
    });
    connect(plot_, &QCustomPlot::mouseDoubleClick, this, [this] { followNewest(); });
    // After the layout the axis knows its width in pixels; the curves are drawn after that.
    connect(plot_, &QCustomPlot::afterLayout, this, [this] {
        fitDrawingToDensity();
        leavePlacesToStandingControls();
    });
}

CiPlotX::~CiPlotX() = default;

void CiPlotX::fitDrawingToDensity()
{
    const QCPRange range = plot_->xAxis->range();
    const int pixels = std::max(plot_->axisRect()->width(), 1);
    for (const auto& channel : channels_) {
        if (!channel->visible())
            continue;
        const auto data = channel->graph()->data();
        const auto shown = data->findEnd(range.upper) - data->findBegin(range.lower);
        channel->setDense(shown > 2 * pixels);
    }
}

void CiPlotX::setStandingControls(QList<QRect> places)
{
    standingControls_ = std::move(places);
    leavePlacesToStandingControls();
}

void CiPlotX::leavePlacesToStandingControls()
{
    // Canvas coordinates: the strip above the field, right of the value axis and its labels.
    // The grid's top line lies a pixel above the field.
    constexpr int kGridReach = 2;
    const QRect field = plot_->axisRect()->rect();
    const QRect strip(field.left(), 0, plot_->width() - field.left(), field.top() - kGridReach);
    QRegion left;
    for (const QRect& place : standingControls_)
        left += place.translated(-plot_->pos()) & strip;
    const QRegion mask = left.isEmpty() ? QRegion() : QRegion(plot_->rect()) - left;
    if (mask != plot_->mask()) {
        if (mask.isEmpty())
            plot_->clearMask();
        else
            plot_->setMask(mask);
    }
    leftToControls_ = left.translated(plot_->pos());
}

void CiPlotX::styleAxis(QCPAxis* axis) const
{
    QFont ticks = font();
    ticks.setPointSizeF(8.0);
    QFont title = font();
    title.setPointSizeF(9.0);
    title.setBold(true);
    axis->setBasePen(QPen(kAxisLine, 1));
    axis->setTickPen(QPen(kAxisLine, 1));
    axis->setSubTickPen(QPen(kAxisLine.darker(130), 1));
    axis->setTickLabelColor(kInk);
    axis->setTickLabelFont(ticks);
    axis->setLabelColor(QColor(0xe6, 0xea, 0xee));
    axis->setLabelFont(title);
    axis->grid()->setPen(QPen(kGrid, 1, Qt::DotLine));
    axis->grid()->setSubGridVisible(false);
    axis->grid()->setZeroLinePen(QPen(kGrid.lighter(140), 1));
}

QSize CiPlotX::sizeHint() const
{
    return QSize(760, 300);
}

QSize CiPlotX::minimumSizeHint() const
{
    return QSize(240, 120);
}

void CiPlotX::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!leftToControls_.isEmpty()) {
        // The drawing's own background where it leaves its places to standing controls: the
        // same gradient over the same rows.
        const QRectF canvas = plot_->geometry();
        painter.setClipRegion(leftToControls_);
        painter.fillRect(canvas, screenGradient(canvas.topLeft(), canvas.bottomLeft()));
        painter.setClipping(false);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    art::metalFrame(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5.0, kFrame);
}

CiPlotChannelX* CiPlotX::GetChannel(int index)
{
    if (index < 0 || index >= int(channels_.size()))
        return nullptr;
    return channels_[std::size_t(index)].get();
}

CiPlotAxisX* CiPlotX::GetXAxis(int index)
{
    return index == 0 ? xAxis_.get() : nullptr;
}

CiPlotAxisX* CiPlotX::GetYAxis(int index)
{
    if (index < 0 || index >= int(yAxes_.size()))
        return nullptr;
    return yAxes_[std::size_t(index)].get();
}

CiPlotLegendX* CiPlotX::GetLegend(int index)
{
    return index == 0 ? legend_.get() : nullptr;
}

int CiPlotX::AddYAxis()
{
    QCPAxis* axis = nullptr;
    if (yAxes_.empty()) {
        // The first Y axis is the one the channels are drawn against.
        axis = plot_->yAxis;
        axis->setVisible(true);
        axis->setLabel(QString());
    } else {
        axis = plot_->axisRect()->addAxis(QCPAxis::atLeft);
        styleAxis(axis);
        axis->grid()->setVisible(false);
    }
    yAxes_.push_back(
        std::unique_ptr<CiPlotAxisX>(new CiPlotAxisX(axis, CiPlotAxisX::Kind::Value, 0.0, 100.0)));
    requestReplot();
    return int(yAxes_.size()) - 1;
}

void CiPlotX::RemoveAllYAxes()
{
    for (std::size_t i = 1; i < yAxes_.size(); ++i)
        plot_->axisRect()->removeAxis(yAxes_[i]->axis());
    yAxes_.clear();
    plot_->yAxis->setVisible(false);
    requestReplot();
}

void CiPlotX::setLegendTitle(const QString& title)
{
    legendTitle_->setText(title);
    requestReplot();
}

QString CiPlotX::legendTitle() const
{
    return legendTitle_->text();
}

void CiPlotX::setWallClock(WallClock clock)
{
    wallClock_ = std::move(clock);
}

void CiPlotX::setChannelCapacity(int points)
{
    capacity_ = std::max(points, 16);
}

double CiPlotX::nowDays() const
{
    return dayValueFrom(wallClock_());
}

void CiPlotX::setKeptDays(double days)
{
    keptDays_ = std::max(days, 1.0);
}

namespace {

// Each group of four points of the older half keeps its lowest and highest value.
void thinOlderHalf(QCPGraphDataContainer& data)
{
    const int older = data.size() / 2;
    QVector<QCPGraphData> kept;
    kept.reserve(data.size() - older / 2);
    auto it = data.constBegin();
    const auto olderEnd = data.constBegin() + older;
    for (; olderEnd - it >= 4; it += 4) {
        const auto low = std::min_element(it, it + 4, [](const auto& a, const auto& b) {
            return a.value < b.value;
        });
        const auto high = std::max_element(it, it + 4, [](const auto& a, const auto& b) {
            return a.value < b.value;
        });
        // Low and high in their order of time, so the steps between them stay true.
        kept.append(*std::min(low, high));
        if (low != high)
            kept.append(*std::max(low, high));
    }
    for (; it != data.constEnd(); ++it)
        kept.append(*it);
    data.set(kept, true);
}

} // namespace

void CiPlotX::bound(CiPlotChannelX& channel)
{
    const auto data = channel.graph()->data();
    if (data->isEmpty())
        return;
    const double newest = (data->constEnd() - 1)->key;
    const double oldestKept = newest - plotSpanFromDays(keptDays_);
    if (data->constBegin()->key < oldestKept)
        data->removeBefore(oldestKept);
    // Thinning the older half down to half its size leaves the channel three quarters full,
    // so the next thinning is a quarter of the capacity away: each point is copied a bounded
    // number of times, however long the plot runs.
    // Many points added at once take a few rounds.
    while (data->size() > capacity_)
        thinOlderHalf(*data);
}

void CiPlotX::pointAdded(CiPlotChannelX& channel, double x)
{
    bound(channel);

    if (!newest_ || x > *newest_)
        newest_ = x;
    if (following_)
        scrollToNewest();
    requestReplot();
}

void CiPlotX::scrollToNewest()
{
    const double newest = newest_.value_or(nowDays());
    const double low = xAxis_->min();
    const double high = low + xAxis_->span();
    if (newest > high || newest < low) {
        xAxis_->min_ = newest - xAxis_->span();
        xAxis_->apply();
    }
}

void CiPlotX::followNewest()
{
    following_ = true;
    xAxis_->apply();
    scrollToNewest();
    requestReplot();
}

void CiPlotX::channelCleared()
{
    const bool allEmpty = std::all_of(channels_.begin(), channels_.end(),
                                      [](const auto& c) { return c->pointCount() == 0; });
    if (allEmpty)
        newest_.reset();
    requestReplot();
}

void CiPlotX::rebuildLegend()
{
    // Only the curves on show are listed, in channel order under the heading.
    for (const auto& channel : channels_)
        channel->graph()->removeFromLegend(plot_->legend);
    for (const auto& channel : channels_) {
        if (channel->visible())
            channel->graph()->addToLegend(plot_->legend);
    }
    requestReplot();
}

void CiPlotX::requestReplot()
{
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

} // namespace veltroma
