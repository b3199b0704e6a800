#include "controls/BitButtonNL.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace veltroma {

CBitButtonNL::CBitButtonNL(QWidget* parent) : CBitButtonNL(QString(), parent) {}

CBitButtonNL::CBitButtonNL(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    const QColor text0 = palette().color(QPalette::ButtonText);
    m_crForceColors = {text0, text0, text0};
    setFlat(true);
    setAttribute(Qt::WA_Hover);
}

void CBitButtonNL::SetBitmaps(const QPixmap& normal, const QPixmap& pressed, const QPixmap& hovered,
                              const QPixmap& disabled)
{
    m_csBitmaps = {normal, pressed, hovered, disabled};
    updateGeometry();
    update();
}

bool CBitButtonNL::SetBitmaps(const QString& normal, const QString& pressed, const QString& hovered,
                              const QString& disabled)
{
    std::array<QPixmap, SlotCount> loaded;
    const std::array<QString, SlotCount> paths{normal, pressed, hovered, disabled};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].isEmpty())
            continue;
        if (!loaded[i].load(paths[i])) {
            SetBitmaps(QPixmap());
            return false;
        }
    }
    SetBitmaps(loaded[Normal], loaded[Pressed], loaded[Hovered], loaded[Disabled]);
    return true;
}

CBitButtonNL& CBitButtonNL::SetForceColor(const QColor& normal, const QColor& pressed,
                                          const QColor& hovered, bool repaint)
{
    m_crForceColors = {normal, pressed, hovered};
    Repaint(repaint);
    return *this;
}

bool CBitButtonNL::SetTextAlign(int align, bool repaint)
{
    if (align < 0 || align > 2)
        return false;
    m_byTextAlign = static_cast<TextAlign>(align);
    Repaint(repaint);
    return true;
}

CBitButtonNL& CBitButtonNL::SetDrawText(bool draw, bool repaint)
{
    m_bDrawText = draw;
    Repaint(repaint);
    return *this;
}

CBitButtonNL& CBitButtonNL::SetFontSize(int points, bool repaint)
{
    QFont f = font();
    f.setPointSize(points);
    setFont(f);
    Repaint(repaint);
    return *this;
}

CBitButtonNL& CBitButtonNL::SetFontName(const QString& family, bool repaint)
{
    QFont f = font();
    f.setFamilies({family});
    setFont(f);
    Repaint(repaint);
    return *this;
}

CBitButtonNL& CBitButtonNL::SetFont3D(bool enable, const QColor& shadow, int dx, int dy, bool repaint)
{
    m_bFont3d = enable;
    m_cr3DBKColor = shadow;
    m_iText3d_x = dx;
    m_iText3d_y = dy;
    Repaint(repaint);
    return *this;
}

CBitButtonNL& CBitButtonNL::SetDrawDisableText(bool emboss, bool repaint)
{
    m_bDrawDisableText = emboss;
    Repaint(repaint);
    return *this;
}

CBitButtonNL& CBitButtonNL::SetFlatFocus(bool draw, bool repaint)
{
    m_bDrawFlatFocus = draw;
    Repaint(repaint);
    return *this;
}

void CBitButtonNL::SetBtnCursor(std::optional<QCursor> cursor)
{
    if (cursor)
        setCursor(*cursor);
    else
        unsetCursor();
}

void CBitButtonNL::SizeToContent()
{
    if (!m_csBitmaps[Normal].isNull())
        resize(m_csBitmaps[Normal].deviceIndependentSize().toSize());
}

QSize CBitButtonNL::sizeHint() const
{
    if (!m_csBitmaps[Normal].isNull())
        return m_csBitmaps[Normal].deviceIndependentSize().toSize();
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return {std::max(40, text.width() + 16), std::max(20, text.height() + 8)};
}

void CBitButtonNL::Repaint(bool repaint)
{
    if (repaint)
        update();
}

void CBitButtonNL::SetHover(bool on)
{
    if (m_bMouseOnButton == on)
        return;
    m_bMouseOnButton = on;
    update();
}

void CBitButtonNL::enterEvent(QEnterEvent* event)
{
    // A button held down elsewhere and dragged over this one does not light it up.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton) || isDown())
        SetHover(true);
    QPushButton::enterEvent(event);
}

void CBitButtonNL::leaveEvent(QEvent* event)
{
    SetHover(false);
    QPushButton::leaveEvent(event);
}

void CBitButtonNL::focusOutEvent(QFocusEvent* event)
{
    SetHover(false);
    QPushButton::focusOutEvent(event);
}

QPixmap CBitButtonNL::ChooseBitmap(bool pressed, bool hovered, bool disabled, QPoint& offset) const
{
    offset = {};
    if (disabled) {
        if (!m_csBitmaps[Disabled].isNull())
            return m_csBitmaps[Disabled];
        if (m_csBitmaps[Normal].isNull())
            return {};
        QStyleOption option;
        option.initFrom(this);
        return style()->generatedIconPixmap(QIcon::Disabled, m_csBitmaps[Normal], &option);
    }
    if (pressed) {
        if (!m_csBitmaps[Pressed].isNull())
            return m_csBitmaps[Pressed];
        offset = m_ptPressedOffset;
        return m_csBitmaps[Normal];
    }
    if (hovered && !m_csBitmaps[Hovered].isNull())
        return m_csBitmaps[Hovered];
    return m_csBitmaps[Normal];
}

void CBitButtonNL::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool disabled = !isEnabled();
    const bool pressed = isDown() && !disabled;
    const bool hovered = m_bMouseOnButton && !disabled;

    QPoint offset;
    const QPixmap bitmap = ChooseBitmap(pressed, hovered, disabled, offset);
    if (!bitmap.isNull())
        painter.drawPixmap(offset, bitmap);

    if (m_bDrawText && !text().isEmpty())
        DrawText(painter, pressed, hovered, disabled);

    if (m_bDrawFlatFocus && hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(m_iDeflateRect_x, m_iDeflateRect_y,
                                         -m_iDeflateRect_x - 1, -m_iDeflateRect_y - 1));
    }
}

void CBitButtonNL::DrawText(QPainter& painter, bool pressed, bool hovered, bool disabled) const
{
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
    const QSize block = fontMetrics().boundingRect(QRect(0, 0, width(), height()), flags, text()).size();
    const int free = width() - block.width();
    int x = free / 2;
    if (m_byTextAlign == TextAlign::NearLeft)
        x = free / 5;
    else if (m_byTextAlign == TextAlign::NearRight)
        x = free * 4 / 5;
    QRect area(QPoint(x, (height() - block.height()) / 2 - 1), block);
    if (pressed)
        area.translate(m_ptPressedOffset);

    painter.setFont(font());
    if (disabled && m_bDrawDisableText) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(area.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(area, flags, text());
        return;
    }
    if (m_bFont3d) {
        painter.setPen(m_cr3DBKColor);
        painter.drawText(area.translated(m_iText3d_x, m_iText3d_y), flags, text());
    }
    const QColor color = pressed ? m_crForceColors[1] : hovered ? m_crForceColors[2] : m_crForceColors[0];
    painter.setPen(color);
    painter.drawText(area, flags, text());
}

} // namespace veltroma
