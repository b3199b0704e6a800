#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTableWidget>

#include <optional>

namespace veltroma {

class CInPlaceCombo;
class CInPlaceEdit;

// What the grid hands its owner when an in-place edit ends: the cell and the text the user
// left in the editor (the text from before the edit when it was ended with Escape).
struct EndLabelEditInfo {
    int iItem = -1;    // row
    int iSubItem = -1; // column
    QString pszText;
};

// Room, in cell heights below the cell, that a drop-down with `entries` entries is given.
int DropDownRoom(int entries);

// A report-style list whose cells are edited in place: a click on a cell opens a text
// editor or a drop-down exactly over it. The grid never writes a cell itself: it hands the
// result to its owner (endLabelEdit), which validates it and writes the cell.
class CComboListCtrl : public QTableWidget {
    Q_OBJECT

public:
    struct Cell {
        int row = -1;
        int column = -1;
    };

    explicit CComboListCtrl(QWidget* parent = nullptr);
    ~CComboListCtrl() override;

    // The list-control side the owners fill the grid with.
    int InsertColumn(int column, const QString& heading, int width = -1);
    int InsertItem(int row, const QString& text);
    bool SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    int GetItemCount() const { return rowCount(); }
    void SetColumnWidth(int column, int width);
    void SetRowHeight(int height);
    void SetDlgCtrlID(int id) { m_iCtrlId = id; }
    int GetDlgCtrlID() const { return m_iCtrlId; }
    // Cells open editors only while label editing is on (it is by default).
    void SetEditLabels(bool enable) { m_bEditLabels = enable; }
    void SetGridLines(bool enable) { setShowGrid(enable); }

    void SetComboColumns(int column, int row, bool enable = true);
    void SetReadOnlyColumns(int column, bool enable = true);
    bool IsCombo(int column, int row) const;
    bool IsReadOnly(int column) const;
    void SetValidEditCtrlCharacters(const QString& chars) { m_strValidEditCtrlChars = chars; }
    int GetColumnCount() const { return columnCount(); }

    void AdjustColumnWidth();
    void AdjustColumnWidth(int column);

    // The cell under a point of the viewport; none below the rows or right of the last column.
    std::optional<Cell> HitTestEx(QPoint point) const;
    // The cell's rectangle in viewport coordinates, after scrolling it into view sideways.
    QRect CalculateCellRect(int column, int row);
    CInPlaceCombo* ShowInPlaceList(int row, int column, const QStringList& entries,
                                   const QString& text, int selection);
    CInPlaceEdit* ShowInPlaceEdit(int row, int column, const QString& text);

    // Called by the shared editors when an edit ends.
    void ReportEndLabelEdit(int row, int column, const QString& text);

signals:
    // Before a drop-down opens: fill *entries with what it offers.
    void populateComboList(int row, int column, QStringList* entries);
    void endLabelEdit(int controlId, const veltroma::EndLabelEditInfo& info);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    int ScrollToView(int column, const QRect& bounds);
    bool EnsureRowVisible(int row);
    QRect RowBounds(int row) const;

    QList<int> m_ComboSupportColumnsList; // column * 65536 + row
    QList<int> m_ReadOnlyColumnsList;
    QString m_strValidEditCtrlChars;
    int m_iCtrlId = 0;
    bool m_bEditLabels = true;
    bool m_popupOnRelease = false;
};

} // namespace veltroma
