#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <memory>

namespace veltroma {

class CComboListCtrl;

// The one text editor that every grid of the program opens over a cell. Enter and Escape
// are taken here (a dialog never sees them) and end the edit by handing the focus back to
// the grid; losing the focus in any way reports the result and closes the editor.
class CInPlaceEdit : public QLineEdit {
    Q_OBJECT

public:
    static CInPlaceEdit* GetInstance();
    static void DeleteInstance();

    ~CInPlaceEdit() override;

    // Opens the editor at `rect` of the grid's viewport with `text`, all of it selected.
    // `validChars` empty: every character may be typed.
    void ShowEditCtrl(const QRect& rect, CComboListCtrl* grid, int row, int column,
                      const QString& validChars, const QString& text);

    bool IsEditing() const { return m_grid != nullptr; }
    int GetRowIndex() const { return m_iRowIndex; }
    int GetColumnIndex() const { return m_iColumnIndex; }
    bool GetESC() const { return m_bESC; }
    QString GetWindowTextAtStart() const { return m_strWindowText; }

    // Ends an edit that is open over `grid`, reporting it as losing the focus would.
    static void EndEditOn(const CComboListCtrl* grid);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CInPlaceEdit();
    bool Accepts(const QString& text) const;
    void PasteChecked();
    void EndEdit();

    static std::unique_ptr<CInPlaceEdit>& Instance();

    QPointer<CComboListCtrl> m_grid; // set while an edit is open
    int m_iRowIndex = -1;
    int m_iColumnIndex = -1;
    bool m_bESC = false;
    QString m_strWindowText;
    QString m_strValidChars;
};

} // namespace veltroma
