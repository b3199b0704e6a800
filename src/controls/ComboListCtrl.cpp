#include "controls/ComboListCtrl.h"

#include "controls/InPlaceCombo.h"
#include "controls/InPlaceEdit.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include <algorithm>
#include <utility>

namespace veltroma {

namespace {

constexpr int kMinComboColumnWidth = 10;

int ComboKey(int column, int row)
{
    return column * 65536 + row;
}

} // namespace

int DropDownRoom(int entries)
{
    return entries < 10 ? entries + 10 : 11;
}

namespace {

// Column headings cut with "…" when their column is too narrow. The header's elide mode is
// lost when a style sheet draws the sections, so the text is elided before they are drawn.
class ElidingHeader final : public QHeaderView {
public:
    explicit ElidingHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override
    {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        // The text starts some 4 pixels into the section and may run up to its border.
        constexpr int kTextMargin = 4;
        const int room = sectionSize(logicalIndex) - kTextMargin;
        option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight, room);
    }
};

} // namespace

CComboListCtrl::CComboListCtrl(QWidget* parent) : QTableWidget(parent)
{
    setHorizontalHeader(new ElidingHeader(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    // Owners hide a column by making it narrow, as a list control allows.
    horizontalHeader()->setMinimumSectionSize(0);
}

CComboListCtrl::~CComboListCtrl()
{
    CInPlaceEdit::DeleteInstance();
    CInPlaceCombo::DeleteInstance();
}

int CComboListCtrl::InsertColumn(int column, const QString& heading, int width)
{
    column = std::clamp(column, 0, columnCount());
    insertColumn(column);
    auto* header = new QTableWidgetItem(heading);
    header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    if (width >= 0)
        setColumnWidth(column, width);
    return column;
}

int CComboListCtrl::InsertItem(int row, const QString& text)
{
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    SetItemText(row, 0, text);
    return row;
}

bool CComboListCtrl::SetItemText(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return false;
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
    } else {
        cell = new QTableWidgetItem(text);
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, column, cell);
    }
    return true;
}

QString CComboListCtrl::GetItemText(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell != nullptr ? cell->text() : QString();
}

void CComboListCtrl::SetColumnWidth(int column, int width)
{
    setColumnWidth(column, width);
}

void CComboListCtrl::SetRowHeight(int height)
{
    verticalHeader()->setMinimumSectionSize(std::min(height, verticalHeader()->minimumSectionSize()));
    verticalHeader()->setDefaultSectionSize(height);
    for (int row = 0; row < rowCount(); ++row)
        setRowHeight(row, height);
}

void CComboListCtrl::SetComboColumns(int column, int row, bool enable)
{
    const int key = ComboKey(column, row);
    if (enable && !m_ComboSupportColumnsList.contains(key))
        m_ComboSupportColumnsList.append(key);
    else if (!enable)
        m_ComboSupportColumnsList.removeAll(key);
}

void CComboListCtrl::SetReadOnlyColumns(int column, bool enable)
{
    if (enable && !m_ReadOnlyColumnsList.contains(column))
        m_ReadOnlyColumnsList.append(column);
    else if (!enable)
        m_ReadOnlyColumnsList.removeAll(column);
}

bool CComboListCtrl::IsCombo(int column, int row) const
{
    return m_ComboSupportColumnsList.contains(ComboKey(column, row));
}

bool CComboListCtrl::IsReadOnly(int column) const
{
    return m_ReadOnlyColumnsList.contains(column);
}

void CComboListCtrl::AdjustColumnWidth()
{
    setUpdatesEnabled(false);
    for (int column = 0; column < columnCount(); ++column)
        AdjustColumnWidth(column);
    setUpdatesEnabled(true);
}

void CComboListCtrl::AdjustColumnWidth(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    const int contents = sizeHintForColumn(column);
    const int header = horizontalHeader()->sectionSizeHint(column);
    setColumnWidth(column, std::max(contents, header));
}

QRect CComboListCtrl::RowBounds(int row) const
{
    return {-horizontalOffset(), rowViewportPosition(row), horizontalHeader()->length(),
            rowHeight(row)};
}

std::optional<CComboListCtrl::Cell> CComboListCtrl::HitTestEx(QPoint point) const
{
    const int row = rowAt(point.y());
    if (row < 0)
        return std::nullopt;
    const QRect bounds = RowBounds(row);
    if (!bounds.contains(point))
        return std::nullopt;
    int left = bounds.left();
    for (int column = 0; column < columnCount(); ++column) {
        const int width = columnWidth(column);
        if (point.x() >= left && point.x() <= left + width)
            return Cell{row, column};
        left += width;
    }
    return std::nullopt;
}

int CComboListCtrl::ScrollToView(int column, const QRect& bounds)
{
    const int offset = horizontalHeader()->sectionPosition(column);
    const int width = columnWidth(column);
    const QRect client = viewport()->rect();
    const int clientRight = client.x() + client.width();
    const int left = bounds.left() + offset;

    int scroll = 0;
    if (left < client.left() || left > clientRight)
        scroll = left;
    else if (left + width > clientRight)
        scroll = left + width - clientRight;
    if (scroll != 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + scroll);
    return scroll;
}

QRect CComboListCtrl::CalculateCellRect(int column, int row)
{
    QRect bounds = RowBounds(row);
    bounds.setRight(std::min(bounds.right(), viewport()->rect().right()));
    ScrollToView(column, bounds);
    // Read back where the cell is now: the scroll bar may have stopped short at its end.
    return {columnViewportPosition(column), rowViewportPosition(row), columnWidth(column),
            rowHeight(row)};
}

bool CComboListCtrl::EnsureRowVisible(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    const int top = rowViewportPosition(row);
    const int bottom = top + rowHeight(row);
    const int height = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    if (bottom <= 0)
        bar->setValue(bar->value() + top);
    else if (top >= height)
        bar->setValue(bar->value() + bottom - height);
    const int shownTop = rowViewportPosition(row);
    return shownTop < height && shownTop + rowHeight(row) > 0;
}

CInPlaceCombo* CComboListCtrl::ShowInPlaceList(int row, int column, const QStringList& entries,
                                               const QString& text, int selection)
{
    if (!EnsureRowVisible(row))
        return nullptr;
    if (column < 0 || column >= columnCount() || columnWidth(column) < kMinComboColumnWidth)
        return nullptr;
    const QRect cell = CalculateCellRect(column, row);
    const QRect room = cell.adjusted(0, 0, 0, cell.height() * DropDownRoom(entries.size()));
    CInPlaceCombo* combo = CInPlaceCombo::GetInstance();
    combo->ShowComboCtrl(room, cell.height(), this, row, column, entries, text, selection);
    return combo;
}

CInPlaceEdit* CComboListCtrl::ShowInPlaceEdit(int row, int column, const QString& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    const QRect cell = CalculateCellRect(column, row);
    CInPlaceEdit* edit = CInPlaceEdit::GetInstance();
    edit->ShowEditCtrl(cell, this, row, column, m_strValidEditCtrlChars, text);
    return edit;
}

void CComboListCtrl::ReportEndLabelEdit(int row, int column, const QString& text)
{
    emit endLabelEdit(m_iCtrlId, EndLabelEditInfo{row, column, text});
}

void CComboListCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QTableWidget::mousePressEvent(event);
        return;
    }
    const auto cell = HitTestEx(event->position().toPoint());
    if (!cell)
        return;
    QTableWidget::mousePressEvent(event);
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    if (currentRow() != cell->row || !m_bEditLabels)
        return;

    const QString text = GetItemText(cell->row, cell->column);
    if (IsCombo(cell->column, cell->row)) {
        QStringList entries;
        emit populateComboList(cell->row, cell->column, &entries);
        if (CInPlaceCombo* combo = ShowInPlaceList(cell->row, cell->column, entries, text, -1)) {
            combo->SelectString(text);
            m_popupOnRelease = true;
        }
    } else if (!IsReadOnly(cell->column)) {
        ShowInPlaceEdit(cell->row, cell->column, text);
    }
}

void CComboListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    QTableWidget::mouseReleaseEvent(event);
    // The list drops once the button is up, so the release cannot pick an entry by itself.
    if (std::exchange(m_popupOnRelease, false)) {
        CInPlaceCombo* combo = CInPlaceCombo::GetInstance();
        if (combo->IsEditing())
            combo->showPopup();
    }
}

void CComboListCtrl::scrollContentsBy(int dx, int dy)
{
    // Scrolling ends any open edit first, as losing the focus does.
    setFocus(Qt::OtherFocusReason);
    CInPlaceEdit::EndEditOn(this);
    CInPlaceCombo::EndEditOn(this);
    QTableWidget::scrollContentsBy(dx, dy);
}

} // namespace veltroma
