#pragma once

#include <QComboBox>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

namespace veltroma {

class CComboListCtrl;

// The one drop-down list that every grid of the program opens over a cell. It opens with
// its list shown; choosing an entry, dismissing the list, Enter or Escape hand the focus
// back to the grid, and losing the focus reports the result and closes it.
class CInPlaceCombo : public QComboBox {
    Q_OBJECT

public:
    static CInPlaceCombo* GetInstance();
    static void DeleteInstance();

    ~CInPlaceCombo() override;

    // `rect` is the cell with the room below it that the list may use; the combo sits on
    // the cell's first row and its list shows at most as many rows as the room holds.
    void ShowComboCtrl(const QRect& rect, int cellHeight, CComboListCtrl* grid, int row,
                       int column, const QStringList& entries, const QString& text, int selection);

    // Selects the first entry that begins with `text`, case ignored; -1 when none does.
    int SelectString(const QString& text);

    bool IsEditing() const { return m_grid != nullptr; }
    int GetRowIndex() const { return m_iRowIndex; }
    int GetColumnIndex() const { return m_iColumnIndex; }
    bool GetESC() const { return m_bESC; }
    QString GetWindowTextAtStart() const { return m_strWindowText; }
    QStringList GetDropDownList() const { return m_DropDownList; }

    // Ends an edit that is open over `grid`, reporting it as losing the focus would.
    static void EndEditOn(const CComboListCtrl* grid);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    CInPlaceCombo();
    void ReturnFocus();
    void EndEdit();

    static std::unique_ptr<CInPlaceCombo>& Instance();

    QPointer<CComboListCtrl> m_grid;
    int m_iRowIndex = -1;
    int m_iColumnIndex = -1;
    bool m_bESC = false;
    QString m_strWindowText;
    QStringList m_DropDownList;
};

} // namespace veltroma
