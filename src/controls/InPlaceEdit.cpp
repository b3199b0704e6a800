#include "controls/InPlaceEdit.h"

#include "controls/ComboListCtrl.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

#include <utility>

namespace veltroma {

namespace {

bool IsEndKey(int key)
{
    return key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Control characters a filtered editor still lets through: copy, backspace, paste, cut,
// and the delete key, which some platforms send as a character.
bool IsAllowedControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x03 || u == 0x08 || u == 0x16 || u == 0x18 || u == 0x7f;
}

} // namespace

std::unique_ptr<CInPlaceEdit>& CInPlaceEdit::Instance()
{
    static std::unique_ptr<CInPlaceEdit> instance;
    return instance;
}

CInPlaceEdit* CInPlaceEdit::GetInstance()
{
    auto& instance = Instance();
    if (!instance)
        instance.reset(new CInPlaceEdit);
    return instance.get();
}

void CInPlaceEdit::DeleteInstance()
{
    Instance().reset();
}

void CInPlaceEdit::EndEditOn(const CComboListCtrl* grid)
{
    auto& instance = Instance();
    if (instance && instance->m_grid == grid)
        instance->EndEdit();
}

CInPlaceEdit::CInPlaceEdit()
{
    setFrame(false);
    hide();
}

CInPlaceEdit::~CInPlaceEdit() = default;

void CInPlaceEdit::ShowEditCtrl(const QRect& rect, CComboListCtrl* grid, int row, int column,
                                const QString& validChars, const QString& text)
{
    if (IsEditing())
        EndEdit();
    if (parentWidget() != grid->viewport())
        setParent(grid->viewport());

    m_iRowIndex = row;
    m_iColumnIndex = column;
    m_strValidChars = validChars;
    m_strWindowText = text;
    m_bESC = false;

    setFont(grid->font());
    setAcceptDrops(validChars.isEmpty());
    setGeometry(rect);
    setText(text);
    selectAll();
    m_grid = grid;
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

bool CInPlaceEdit::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride
        && IsEndKey(static_cast<QKeyEvent*>(event)->key())) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void CInPlaceEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsEndKey(event->key())) {
        if (event->key() == Qt::Key_Escape)
            m_bESC = true;
        if (m_grid)
            m_grid->setFocus(Qt::OtherFocusReason);
        // Without an active window no focus change arrives; end the edit all the same.
        if (IsEditing())
            EndEdit();
        event->accept();
        return;
    }
    if (!m_strValidChars.isEmpty()) {
        if (event->matches(QKeySequence::Paste)) {
            PasteChecked();
            event->accept();
            return;
        }
        const QString typed = event->text();
        const bool allowedControl = typed.size() == 1 && IsAllowedControl(typed.front());
        if (!typed.isEmpty() && !allowedControl && !Accepts(typed)) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CInPlaceEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // The editor's own context menu takes the focus for a moment; that ends nothing.
    if (event->reason() != Qt::PopupFocusReason)
        EndEdit();
}

void CInPlaceEdit::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (!m_strValidChars.isEmpty()) {
        if (auto* paste = menu->findChild<QAction*>(QStringLiteral("edit-paste"))) {
            paste->disconnect();
            connect(paste, &QAction::triggered, this, &CInPlaceEdit::PasteChecked);
        }
    }
    menu->exec(event->globalPos());
}

bool CInPlaceEdit::Accepts(const QString& text) const
{
    if (m_strValidChars.isEmpty())
        return true;
    for (const QChar c : text) {
        if (!m_strValidChars.contains(c))
            return false;
    }
    return true;
}

void CInPlaceEdit::PasteChecked()
{
    if (Accepts(QApplication::clipboard()->text()))
        paste();
    else
        QApplication::beep();
}

void CInPlaceEdit::EndEdit()
{
    if (!IsEditing())
        return;
    const QPointer<CComboListCtrl> grid = std::exchange(m_grid, nullptr);
    const QString result = m_bESC ? m_strWindowText : text();
    hide();
    if (grid)
        grid->ReportEndLabelEdit(m_iRowIndex, m_iColumnIndex, result);
}

} // namespace veltroma
