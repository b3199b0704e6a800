#pragma once

#include "controls/SplitLayout.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace veltroma {

// The main window's split window: a fixed grid of panes separated by 1-pixel bars that
// do not react to the mouse. Columns keep the widths they are given; the last column
// (and the last row) takes the rest.
class CSplitterWndEx : public QWidget {
    Q_OBJECT

public:
    explicit CSplitterWndEx(QWidget* parent = nullptr);

    bool CreateStatic(int rows, int columns);
    // The pane becomes a child of the split window.
    void SetPane(int row, int column, QWidget* pane);
    QWidget* GetPane(int row, int column) const;
    void SetColumnInfo(int column, int ideal, int min);
    void SetRowInfo(int row, int ideal, int min);
    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    void RecalcLayout();

    void SetUpBorder(int pixels);
    void SetWhiteLine(bool draw);

    static constexpr int kGap = 1;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect InsideRect() const;

    std::vector<SplitInfo> m_rows;
    std::vector<SplitInfo> m_columns;
    std::vector<QPointer<QWidget>> m_panes; // row-major
    int m_upBorder = 0;
    bool bWhiteLine = true;
};

} // namespace veltroma
