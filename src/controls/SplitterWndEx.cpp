#include "controls/SplitterWndEx.h"

#include <QPainter>

namespace veltroma {

CSplitterWndEx::CSplitterWndEx(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CSplitterWndEx::CreateStatic(int rows, int columns)
{
    if (rows < 1 || columns < 1 || !m_panes.empty())
        return false;
    m_rows.assign(static_cast<std::size_t>(rows), SplitInfo{});
    m_columns.assign(static_cast<std::size_t>(columns), SplitInfo{});
    m_panes.resize(static_cast<std::size_t>(rows * columns));
    return true;
}

void CSplitterWndEx::SetPane(int row, int column, QWidget* pane)
{
    if (pane == nullptr || row < 0 || row >= GetRowCount() || column < 0 || column >= GetColumnCount())
        return;
    pane->setParent(this);
    m_panes[static_cast<std::size_t>(row * GetColumnCount() + column)] = pane;
    RecalcLayout();
    pane->show();
}

QWidget* CSplitterWndEx::GetPane(int row, int column) const
{
    if (row < 0 || row >= GetRowCount() || column < 0 || column >= GetColumnCount())
        return nullptr;
    return m_panes[static_cast<std::size_t>(row * GetColumnCount() + column)];
}

void CSplitterWndEx::SetColumnInfo(int column, int ideal, int min)
{
    if (column >= 0 && column < GetColumnCount())
        m_columns[static_cast<std::size_t>(column)] = {ideal, min};
}

void CSplitterWndEx::SetRowInfo(int row, int ideal, int min)
{
    if (row >= 0 && row < GetRowCount())
        m_rows[static_cast<std::size_t>(row)] = {ideal, min};
}

void CSplitterWndEx::SetUpBorder(int pixels)
{
    m_upBorder = std::max(0, pixels);
    RecalcLayout();
    update();
}

void CSplitterWndEx::SetWhiteLine(bool draw)
{
    bWhiteLine = draw;
    update();
}

QRect CSplitterWndEx::InsideRect() const
{
    return rect().adjusted(0, m_upBorder, 0, 0);
}

void CSplitterWndEx::RecalcLayout()
{
    const QRect inside = InsideRect();
    const auto columns = LayoutSplit(m_columns, inside.width(), kGap);
    const auto rows = LayoutSplit(m_rows, inside.height(), kGap);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            QWidget* pane = m_panes[r * columns.size() + c];
            if (pane == nullptr)
                continue;
            pane->setGeometry(inside.x() + columns[c].pos, inside.y() + rows[r].pos,
                              columns[c].size, rows[r].size);
            pane->setVisible(columns[c].size > 0 && rows[r].size > 0);
        }
    }
    update();
}

QSize CSplitterWndEx::sizeHint() const
{
    // Fixed columns as given, the last one as its panes would like; the rows likewise.
    QSize hint(0, 0);
    for (int c = 0; c < GetColumnCount(); ++c) {
        const SplitInfo& info = m_columns[static_cast<std::size_t>(c)];
        int width = info.ideal > 0 && info.ideal >= info.min ? info.ideal : 0;
        if (c + 1 == GetColumnCount()) {
            for (int r = 0; r < GetRowCount(); ++r)
                if (const QWidget* pane = GetPane(r, c))
                    width = std::max(width, pane->sizeHint().width());
        }
        hint.rwidth() += width + (c > 0 ? kGap : 0);
    }
    for (int r = 0; r < GetRowCount(); ++r) {
        int height = 0;
        for (int c = 0; c < GetColumnCount(); ++c)
            if (const QWidget* pane = GetPane(r, c))
                height = std::max(height, pane->sizeHint().height());
        hint.rheight() += height + (r > 0 ? kGap : 0);
    }
    return hint.expandedTo(minimumSize()) + QSize(0, m_upBorder);
}

void CSplitterWndEx::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    RecalcLayout();
}

void CSplitterWndEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Button));

    // The bars: a pixel wide each, in the window colour.
    const QRect inside = InsideRect();
    const QColor bar = pal.color(QPalette::Base);
    const auto columns = LayoutSplit(m_columns, inside.width(), kGap);
    for (std::size_t c = 0; c + 1 < columns.size(); ++c)
        painter.fillRect(inside.x() + columns[c].pos + columns[c].size, inside.y(), kGap,
                         inside.height(), bar);
    const auto rows = LayoutSplit(m_rows, inside.height(), kGap);
    for (std::size_t r = 0; r + 1 < rows.size(); ++r)
        painter.fillRect(inside.x(), inside.y() + rows[r].pos + rows[r].size, inside.width(), kGap,
                         bar);

    if (bWhiteLine) {
        painter.setPen(pal.color(QPalette::Dark));
        painter.drawLine(0, 0, width() - 1, 0);
        painter.setPen(pal.color(QPalette::Light));
        painter.drawLine(0, 1, width() - 1, 1);
    }
}

} // namespace veltroma
