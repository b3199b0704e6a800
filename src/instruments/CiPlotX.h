#pragma once

#include <QDateTime>
#include <QList>
#include <QRect>
#include <QRegion>
#include <QSharedPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QCPAxis;
class QCPGraph;
class QCustomPlot;

namespace veltroma {

class CiPlotX;
class DateTicker;
class LegendTitleItem;

// One curve of the plot. X values are day values (see DayValue.h); the curve is drawn as
// steps, each value holding until the next point.
class CiPlotChannelX {
public:
    void AddXY(double x, double y);
    // Many points at once (xs and ys of the same length), as AddXY would add them one by one
    // but for one sort and one merge; points of the same X keep their order.
    void AddXYs(std::span<const double> xs, std::span<const double> ys);
    // A point stamped with the current wall-clock time.
    void AddYNow(double y);
    void Clear();
    void SetVisible(bool visible);

    [[nodiscard]] bool visible() const { return visible_; }
    [[nodiscard]] int pointCount() const;
    [[nodiscard]] QString title() const;
    void setTitle(const QString& title);
    [[nodiscard]] QColor color() const;
    void setColor(const QColor& color);
    // Whether the area under the curve is tinted (as it is unless set): curves that share
    // the field read better as lines alone.
    void setFilled(bool filled);
    [[nodiscard]] QCPGraph* graph() const { return graph_; }

private:
    friend class CiPlotX;
    CiPlotChannelX(CiPlotX& plot, QCPGraph* graph);
    // Dense curves are drawn with a thin line and no fill: wide antialiased strokes over
    // thousands of segments cost the raster engine a hundred times more.
    void setDense(bool dense);
    void applyStyle();

    CiPlotX& plot_;
    QCPGraph* graph_;
    QColor color_;
    bool visible_ = true;
    bool dense_ = false;
    bool filled_ = true;
};

// An axis of the plot. The X axis counts in day values and shows them through its
// date-time format; Y axes count in the plotted quantity.
class CiPlotAxisX {
public:
    ~CiPlotAxisX();

    void SetMin(double minimum);
    // Spans of 0 or less are ignored.
    void SetSpan(double span);
    void SetTitle(const QString& title);
    void SetTitleShow(bool show);
    // An instrument format such as "yyyy-m-d h:nn:ss"; only the X axis shows dates.
    void SetDateTimeFormat(const QString& format);

    [[nodiscard]] double min() const { return min_; }
    [[nodiscard]] double span() const { return span_; }
    [[nodiscard]] QString title() const { return title_; }
    [[nodiscard]] bool titleShown() const { return titleShown_; }
    [[nodiscard]] QString dateTimeFormat() const { return format_; }
    [[nodiscard]] QCPAxis* axis() const { return axis_; }

private:
    friend class CiPlotX;
    enum class Kind { Time, Value };
    CiPlotAxisX(QCPAxis* axis, Kind kind, double minimum, double span);
    void apply();
    void requestReplot();

    QCPAxis* axis_;
    Kind kind_;
    double min_;
    double span_;
    QString title_;
    bool titleShown_ = false;
    QString format_;
    QSharedPointer<DateTicker> dateTicker_;
};

// The plot's legend: the titles of the visible channels under a heading.
class CiPlotLegendX {
public:
    void SetVisible(bool visible);
    [[nodiscard]] bool visible() const;

private:
    friend class CiPlotX;
    explicit CiPlotLegendX(CiPlotX& plot) : plot_(plot) {}
    CiPlotX& plot_;
};

// A trend plot over a date-time X axis with sets of nine channels (one set per inverter). While the plot follows its newest
// point, a point landing outside the X range scrolls the range to keep it at the right edge.
// Where the mouse may zoom or drag the plot, doing so stops the following, so the view stays
// where the user put it; a double-click puts the X axis back to its set minimum and span and
// follows again. Each channel keeps
// the points of the last 31 days before its newest one (older ones are dropped) and at most
// a set number of points: when it is full, its older half is thinned to the low and high of
// each run of four points, so the newest points stay whole, old peaks stay visible and a
// monitor left running for weeks neither grows without end nor forgets its month.
class CiPlotX : public QWidget {
    Q_OBJECT
public:
    // The channels of one set; a plot holds one set unless it is made with more.
    static constexpr int kChannelCount = 9;
    static constexpr int kMostChannels = 6 * kChannelCount;
    // The width of the metal frame around the plot, in pixels.
    static constexpr int kFrameWidth = 4;
    using WallClock = std::function<QDateTime()>;

    // `channelCount` is taken within kChannelCount..kMostChannels; the channels of every set
    // after the first start with the first set's colours.
    explicit CiPlotX(QWidget* parent = nullptr, int channelCount = kChannelCount);
    ~CiPlotX() override;

    // nullptr for an index that does not exist.
    [[nodiscard]] CiPlotChannelX* GetChannel(int index);
    [[nodiscard]] CiPlotAxisX* GetXAxis(int index);
    // Y axes are renumbered from 0 by RemoveAllYAxes, which also ends the objects returned.
    [[nodiscard]] CiPlotAxisX* GetYAxis(int index);
    [[nodiscard]] CiPlotLegendX* GetLegend(int index);
    // Returns the index of the new axis. The channels are scaled by Y axis 0.
    int AddYAxis();
    void RemoveAllYAxes();

    [[nodiscard]] int yAxisCount() const { return int(yAxes_.size()); }
    [[nodiscard]] int channelCount() const { return int(channels_.size()); }
    void setLegendTitle(const QString& title);
    [[nodiscard]] QString legendTitle() const;
    // The source of AddYNow's time stamps; the system's wall clock unless replaced.
    void setWallClock(WallClock clock);
    // At least 16 points per channel.
    void setChannelCapacity(int points);
    // How far back from its newest point a channel keeps points, in days; at least 1.
    void setKeptDays(double days);
    [[nodiscard]] double keptDays() const { return keptDays_; }
    [[nodiscard]] QCustomPlot* customPlot() const { return plot_; }
    // Controls standing on the plot above its drawing field, such as buttons on its top edge
    // (rectangles in this widget's coordinates). The drawing leaves their places to them and
    // the plot paints its background there itself, so a replot does not repaint those
    // controls. Only places above the field and right of its value axis are left, where the
    // drawing has nothing but its background; elsewhere the drawing stays under a control.
    void setStandingControls(QList<QRect> places);
    // Whether new points scroll the X range; see the class comment.
    [[nodiscard]] bool following() const { return following_; }
    // The X axis back to its set minimum and span, then scrolled to the newest point (or to
    // the current time when there is none) if that lies outside; following again.
    void followNewest();

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CiPlotChannelX;
    friend class CiPlotAxisX;
    friend class CiPlotLegendX;

    void pointAdded(CiPlotChannelX& channel, double x);
    void bound(CiPlotChannelX& channel);
    void scrollToNewest();
    void channelCleared();
    void rebuildLegend();
    void requestReplot();
    void fitDrawingToDensity();
    void leavePlacesToStandingControls();
    [[nodiscard]] double nowDays() const;
    void styleAxis(QCPAxis* axis) const;

    QCustomPlot* plot_;
    LegendTitleItem* legendTitle_;
    std::vector<std::unique_ptr<CiPlotChannelX>> channels_;
    std::unique_ptr<CiPlotAxisX> xAxis_;
    std::vector<std::unique_ptr<CiPlotAxisX>> yAxes_;
    std::unique_ptr<CiPlotLegendX> legend_;
    std::optional<double> newest_;
    QList<QRect> standingControls_;
    // The places the drawing leaves to standing controls, in this widget's coordinates.
    QRegion leftToControls_;
    WallClock wallClock_;
    bool following_ = true;
    int capacity_ = 300'000;
    double keptDays_ = 31.0;
};

} // namespace veltroma
