#include "params/ParamGrid.h"

#include "config/Strings.h"
#include "controls/ComboListCtrl.h"

#include <QHeaderView>

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

} // namespace veltroma
