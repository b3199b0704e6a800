#include "params/ParamGrid.h"

#include "config/Strings.h"
#include "controls/ComboListCtrl.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltroma {

namespace {
constexpr int kRowHeight = 20;
constexpr int kColumnWidths[] = {100, 100, 330};
const char* const kColumnKeys[] = {"IDC_LIST1_COLUMN1_NAME", "IDC_LIST1_COLUMN2_NAME",
                                   "IDC_LIST1_COLUMN3_NAME"};
constexpr int kValueColumn = 1;
}

void SetUpParameterGrid(CComboListCtrl& grid, int controlId, const std::vector<ParamGridRow>& rows)
{
    grid.SetDlgCtrlID(controlId);
    grid.SetRowHeight(kRowHeight);
    grid.SetGridLines(true);
    for (int column = 0; column < 3; ++column)
        grid.InsertColumn(column, g_LoadString(QLatin1String(kColumnKeys[column])));
    for (int column = 0; column < 3; ++column)
        grid.SetColumnWidth(column, kColumnWidths[column]);
    for (int column = 0; column < 3; ++column) {
        if (column != kValueColumn)
            grid.SetReadOnlyColumns(column);
    }
    for (const auto& row : rows) {
        const int index = grid.InsertItem(grid.GetItemCount(), row.name);
        grid.SetItemText(index, 2, row.description);
    }
    grid.setFocus();
}

std::pair<int, int> ParameterGridExtent(const CComboListCtrl& grid)
{
    int width = 2 * grid.frameWidth();
    for (int column = 0; column < grid.columnCount(); ++column)
        width += grid.columnWidth(column);
    const int height = 2 * grid.frameWidth() + grid.horizontalHeader()->sizeHint().height()
        + grid.rowCount() * kRowHeight;
    return {width, height};
}

QPushButton* MakeParameterButton(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);
    button->setMinimumWidth(96);
    return button;
}

void LayOutParameterDialog(QDialog& dialog, CComboListCtrl& grid,
                           std::initializer_list<QPushButton*> leading,
                           std::initializer_list<QPushButton*> trailing)
{
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : leading)
        buttons->addWidget(button);
    buttons->addStretch();
    for (QPushButton* button : trailing)
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(&grid);
    layout->addLayout(buttons);

    // The grid shows every row and column without scrolling, and the dialog fits it.
    const auto [gridWidth, gridHeight] = ParameterGridExtent(grid);
    grid.setFixedSize(gridWidth, gridHeight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace veltroma
