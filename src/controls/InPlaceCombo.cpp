#include "controls/InPlaceCombo.h"

#include "controls/ComboListCtrl.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace veltroma {

namespace {

bool IsEndKey(int key)
{
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

std::unique_ptr<CInPlaceCombo>& CInPlaceCombo::Instance()
{
    static std::unique_ptr<CInPlaceCombo> instance;
    return instance;
}

CInPlaceCombo* CInPlaceCombo::GetInstance()
{
    auto& instance = Instance();
    if (!instance)
        instance.reset(new CInPlaceCombo);
    return instance.get();
}

void CInPlaceCombo::DeleteInstance()
{
    Instance().reset();
}

void CInPlaceCombo::EndEditOn(const CComboListCtrl* grid)
{
    auto& instance = Instance();
    if (instance && instance->m_grid == grid)
        instance->EndEdit();
}

CInPlaceCombo::CInPlaceCombo()
{
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // view() builds the popup; watching it and its frame tells when the list closes or
    // Escape is pressed in it.
    view()->installEventFilter(this);
    view()->parentWidget()->installEventFilter(this);
    hide();
}

CInPlaceCombo::~CInPlaceCombo() = default;

void CInPlaceCombo::ShowComboCtrl(const QRect& rect, int cellHeight, CComboListCtrl* grid, int row,
                                  int column, const QStringList& entries, const QString& text,
                                  int selection)
{
    if (IsEditing())
        EndEdit();
    if (parentWidget() != grid->viewport())
        setParent(grid->viewport());

    m_iRowIndex = row;
    m_iColumnIndex = column;
    m_bESC = false;
    m_DropDownList = entries;
    m_strWindowText = text;

    const int rowHeight = std::max(1, cellHeight);
    setFont(grid->font());
    clear();
    addItems(entries);
    setCurrentIndex(selection >= 0 && selection < count() ? selection : -1);
    setMaxVisibleItems(std::max(1, (rect.height() - rowHeight) / rowHeight));
    setGeometry(rect.x(), rect.y(), rect.width(), rowHeight);
    m_grid = grid;
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

int CInPlaceCombo::SelectString(const QString& text)
{
    const auto match = std::find_if(m_DropDownList.cbegin(), m_DropDownList.cend(),
                                    [&](const QString& entry) {
                                        return entry.startsWith(text, Qt::CaseInsensitive);
                                    });
    const int index = match == m_DropDownList.cend()
        ? -1
        : static_cast<int>(std::distance(m_DropDownList.cbegin(), match));
    setCurrentIndex(index);
    return index;
}

bool CInPlaceCombo::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride
        && IsEndKey(static_cast<QKeyEvent*>(event)->key())) {
        event->accept();
        return true;
    }
    return QComboBox::event(event);
}

bool CInPlaceCombo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_bESC = true;
    } else if (watched == view()->parentWidget() && event->type() == QEvent::Hide && IsEditing()) {
        // The list closed (an entry chosen or the list dismissed); the choice is applied
        // after the list hides, so hand the focus back once that has happened.
        QTimer::singleShot(0, this, [this] {
            if (IsEditing())
                ReturnFocus();
        });
    }
    return QComboBox::eventFilter(watched, event);
}

void CInPlaceCombo::keyPressEvent(QKeyEvent* event)
{
    if (IsEndKey(event->key())) {
        if (event->key() == Qt::Key_Escape)
            m_bESC = true;
        ReturnFocus();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CInPlaceCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // Opening the list moves the focus into it; that is part of the edit, and the list
    // hands the focus on when it closes.
    if (event->reason() != Qt::PopupFocusReason && !view()->isVisible())
        EndEdit();
}

void CInPlaceCombo::ReturnFocus()
{
    if (m_grid)
        m_grid->setFocus(Qt::OtherFocusReason);
    // Without an active window no focus change arrives; end the edit all the same.
    if (IsEditing())
        EndEdit();
}

void CInPlaceCombo::EndEdit()
{
    if (!IsEditing())
        return;
    const QPointer<CComboListCtrl> grid = std::exchange(m_grid, nullptr);
    const QString result = m_bESC ? m_strWindowText : currentText();
    hidePopup();
    hide();
    if (grid)
        grid->ReportEndLabelEdit(m_iRowIndex, m_iColumnIndex, result);
}

} // namespace veltroma
