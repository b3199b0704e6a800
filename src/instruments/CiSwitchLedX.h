#pragma once

#include "instruments/PaintedInstrument.h"

#include <QColor>

namespace veltroma {

// A latching push switch with a caption and an LED strip across its top that lights while
// the switch is on. An indicator height of 0 leaves the strip out.
class CiSwitchLedX : public PaintedInstrument {
    Q_OBJECT
public:
    explicit CiSwitchLedX(QWidget* parent = nullptr);

    [[nodiscard]] bool GetActive() const { return active_; }
    // Changes the state without a userChanged event.
    void SetActive(bool active);
    void SetCaption(const QString& caption);
    void SetIndicatorHeight(long height);
    // The colour the strip lights in; green unless set (the form gives a slot its curves' colour).
    void setIndicatorColor(const QColor& color);
    void SetVisible(bool visible) { setVisible(visible); }

    [[nodiscard]] QString caption() const { return caption_; }
    [[nodiscard]] long indicatorHeight() const { return indicatorHeight_; }
    [[nodiscard]] QColor indicatorColor() const { return indicatorColor_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

signals:
    // The user switched it; `active` is the new state.
    void userChanged(bool active);

protected:
    void paintStatic(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void toggleByUser();

    bool active_ = false;
    bool pressed_ = false;
    bool hovered_ = false;
    QString caption_;
    long indicatorHeight_ = 3;
    QColor indicatorColor_;
};

} // namespace veltroma
