#include "controls/TextProgressCtrl.h"

#include "config/Strings.h"
#include "controls/ProgressText.h"

#include <QPainter>

#include <utility>

namespace veltroma {

CTextProgress::CTextProgress(QWidget* parent)
    : QFrame(parent),
      m_formatSource([] { return g_LoadString(QStringLiteral("IDC_NETREGISTDISPLAY")); })
{
    const QPalette pal = palette();
    m_colFore = pal.color(QPalette::Highlight);
    m_colBk = pal.color(QPalette::Base);
    m_colTextFore = pal.color(QPalette::Highlight);
    m_colTextBk = pal.color(QPalette::Base);
    QFont f = font();
    f.setPointSize(10);
    setFont(f);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTextProgress::SetRange(int min, int max)
{
    m_nMin = min;
    m_nMax = max;
}

void CTextProgress::GetRange(int& min, int& max) const
{
    min = m_nMin;
    max = m_nMax;
}

int CTextProgress::SetPos(int pos)
{
    const int old = std::exchange(m_nPos, pos);
    const int filled = FilledWidth();
    if (filled != m_nBarWidth) {
        m_nBarWidth = filled;
        repaint();
    }
    return old;
}

int CTextProgress::SetStep(int step)
{
    return std::exchange(m_nStepSize, step);
}

void CTextProgress::SetShowText(bool show)
{
    if (std::exchange(m_bShowText, show) != show)
        update();
}

void CTextProgress::SetBarColor(const QColor& color)
{
    m_colFore = color;
    update();
}

void CTextProgress::SetBkColor(const QColor& color)
{
    m_colBk = color;
    update();
}

void CTextProgress::SetTextColor(const QColor& color)
{
    m_colTextFore = color;
    update();
}

void CTextProgress::SetTextBkColor(const QColor& color)
{
    m_colTextBk = color;
    update();
}

void CTextProgress::SetWindowText(const QString& text)
{
    if (text == m_strText)
        return;
    m_strText = text;
    update();
}

void CTextProgress::SetFormatSource(FormatSource source)
{
    m_formatSource = std::move(source);
    update();
}

QString CTextProgress::DisplayText() const
{
    if (!m_bShowText)
        return {};
    if (!m_strText.isEmpty())
        return m_strText;
    const QString format = m_formatSource ? m_formatSource() : QStringLiteral("%d%%");
    return FormatPercentText(format, ProgressPercent(m_nPos, m_nMin, m_nMax));
}

QSize CTextProgress::sizeHint() const
{
    return {346, 30};
}

int CTextProgress::FilledWidth() const
{
    return ProgressBarWidth(m_nPos, m_nMin, m_nMax, contentsRect().width());
}

void CTextProgress::resizeEvent(QResizeEvent* event)
{
    m_nBarWidth = -1;
    QFrame::resizeEvent(event);
}

void CTextProgress::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect all = contentsRect();
    if (m_nMin >= m_nMax) {
        // No sensible fraction: show the bar empty rather than leave stale pixels.
        painter.fillRect(all, m_colBk);
    } else {
        const int filled = FilledWidth();
        const QRect done(all.x(), all.y(), filled, all.height());
        const QRect left(all.x() + filled, all.y(), all.width() - filled, all.height());
        painter.fillRect(done, m_colFore);
        painter.fillRect(left, m_colBk);

        const QString text = DisplayText();
        if (!text.isEmpty()) {
            painter.setFont(font());
            const int flags = Qt::AlignCenter | Qt::TextSingleLine;
            painter.save();
            painter.setClipRect(done);
            painter.setPen(m_colTextBk);
            painter.drawText(all, flags, text);
            painter.restore();
            painter.save();
            painter.setClipRect(left);
            painter.setPen(m_colTextFore);
            painter.drawText(all, flags, text);
            painter.restore();
        }
    }
    drawFrame(&painter);
}

} // namespace veltroma
