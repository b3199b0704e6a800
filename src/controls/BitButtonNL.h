#pragma once

#include <QColor>
#include <QCursor>
#include <QPixmap>
#include <QPoint>
#include <QPushButton>

#include <array>
#include <optional>

namespace veltroma {

// A push button painted from state bitmaps, with optional drawn text. It draws nothing
// else: without bitmaps only its text shows over whatever lies behind it.
class CBitButtonNL : public QPushButton {
    Q_OBJECT

public:
    enum class TextAlign { NearLeft = 0, NearRight = 1, Centre = 2 };

    explicit CBitButtonNL(QWidget* parent = nullptr);
    explicit CBitButtonNL(const QString& text, QWidget* parent = nullptr);

    // A null pixmap leaves that state without its own bitmap.
    void SetBitmaps(const QPixmap& normal, const QPixmap& pressed = {}, const QPixmap& hovered = {},
                    const QPixmap& disabled = {});
    // By resource path; an empty path leaves the state without a bitmap. Fails, and clears
    // every bitmap, when a given path cannot be read.
    bool SetBitmaps(const QString& normal, const QString& pressed = {}, const QString& hovered = {},
                    const QString& disabled = {});

    CBitButtonNL& SetForceColor(const QColor& normal, const QColor& pressed, const QColor& hovered,
                                bool repaint = true);
    // Alignment 0 near the left, 1 near the right, 2 centred; other values are refused.
    bool SetTextAlign(int align, bool repaint = true);
    CBitButtonNL& SetDrawText(bool draw = true, bool repaint = true);
    CBitButtonNL& SetFontSize(int points, bool repaint = true);
    CBitButtonNL& SetFontName(const QString& family, bool repaint = true);
    CBitButtonNL& SetFont3D(bool enable, const QColor& shadow = Qt::black, int dx = 3, int dy = 2,
                            bool repaint = true);
    CBitButtonNL& SetDrawDisableText(bool emboss, bool repaint = true);
    CBitButtonNL& SetFlatFocus(bool draw, bool repaint = true);
    void SetPressedOffset(QPoint offset) { m_ptPressedOffset = offset; }
    // No cursor: the parent's cursor shows over the button.
    void SetBtnCursor(std::optional<QCursor> cursor);
    // Makes the button exactly as large as its normal bitmap, without moving it.
    void SizeToContent();

    bool IsMouseOnButton() const { return m_bMouseOnButton; }
    TextAlign GetTextAlign() const { return m_byTextAlign; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum Slot { Normal, Pressed, Hovered, Disabled, SlotCount };

    void Repaint(bool repaint);
    void SetHover(bool on);
    QPixmap ChooseBitmap(bool pressed, bool hovered, bool disabled, QPoint& offset) const;
    void DrawText(QPainter& painter, bool pressed, bool hovered, bool disabled) const;

    std::array<QPixmap, SlotCount> m_csBitmaps;
    std::array<QColor, 3> m_crForceColors;
    TextAlign m_byTextAlign = TextAlign::Centre;
    bool m_bDrawText = false;
    bool m_bFont3d = false;
    QColor m_cr3DBKColor = Qt::black;
    int m_iText3d_x = 3;
    int m_iText3d_y = 2;
    bool m_bDrawDisableText = true;
    QPoint m_ptPressedOffset{1, 1};
    bool m_bMouseOnButton = false;
    bool m_bDrawFlatFocus = false;
    int m_iDeflateRect_x = 3;
    int m_iDeflateRect_y = 3;
};

} // namespace veltroma
