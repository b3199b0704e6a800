#pragma once

#include "instruments/PaintedInstrument.h"

#include <cstdint>

namespace veltroma {

// A rectangular signal lamp with a text in its middle; lit in its active colour.
class CiLedRectangleX : public PaintedInstrument {
    Q_OBJECT
public:
    explicit CiLedRectangleX(QWidget* parent = nullptr);

    [[nodiscard]] bool GetActive() const { return active_; }
    void SetActive(bool active);
    // 0x00BBGGRR
    void SetActiveColor(std::uint32_t colorRef);
    void SetVisible(bool visible) { setVisible(visible); }
    [[nodiscard]] QString GetCenterLabelText() const { return text_; }
    void SetCenterLabelText(const QString& text);

    [[nodiscard]] QColor activeColor() const { return color_; }

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

protected:
    void paintStatic(QPainter& painter) override;
    // Lit or dark: the lens is cached artwork, the text is drawn over it.
    [[nodiscard]] int look() const override { return active_ ? 1 : 0; }
    void paintLook(QPainter& painter) override;
    void paintDynamic(QPainter& painter) override;

private:
    [[nodiscard]] QRectF faceRect() const;

    bool active_ = false;
    QColor color_;
    QString text_;
};

} // namespace veltroma
