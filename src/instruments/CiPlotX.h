#pragma once

#include <QDateTime>
#include <QSharedPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCPAxis;
class QCPAxisTickerDateTime;
class QCPGraph;
class QCustomPlot;

namespace veltroma {

class CiPlotX;
class LegendTitleItem;

// One curve of the plot. X values are day values (see DayValue.h); the curve is drawn as
// steps, each value holding until the next point.
class CiPlotChannelX {
public:
    void AddXY(double x, double y);
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
    QSharedPointer<QCPAxisTickerDateTime> dateTicker_;
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

// A trend plot with nine channels over a date-time X axis. When a point lands outside the
// X range, the range scrolls to keep the newest point at its right edge. Each channel keeps
// at most a set number of points (half a million unless changed), dropping its oldest, so
// that a monitor left running for weeks does not grow without end.
class CiPlotX : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannelCount = 9;
    using WallClock = std::function<QDateTime()>;

    explicit CiPlotX(QWidget* parent = nullptr);
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
    void setLegendTitle(const QString& title);
    [[nodiscard]] QString legendTitle() const;
    // The source of AddYNow's time stamps; the system's wall clock unless replaced.
    void setWallClock(WallClock clock);
    void setChannelCapacity(int points);
    [[nodiscard]] QCustomPlot* customPlot() const { return plot_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CiPlotChannelX;
    friend class CiPlotAxisX;
    friend class CiPlotLegendX;

    void pointAdded(CiPlotChannelX& channel, double x);
    void channelCleared();
    void rebuildLegend();
    void requestReplot();
    void fitDrawingToDensity();
    [[nodiscard]] double nowDays() const;
    void styleAxis(QCPAxis* axis) const;

    QCustomPlot* plot_;
    LegendTitleItem* legendTitle_;
    std::vector<std::unique_ptr<CiPlotChannelX>> channels_;
    std::unique_ptr<CiPlotAxisX> xAxis_;
    std::vector<std::unique_ptr<CiPlotAxisX>> yAxes_;
    std::unique_ptr<CiPlotLegendX> legend_;
    std::optional<double> newest_;
    WallClock wallClock_;
    int capacity_ = 500'000;
};

} // namespace veltroma
