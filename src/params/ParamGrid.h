#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace veltroma {

class CComboListCtrl;

// One row of a parameter grid: the name in column 0 and the note in column 2.
struct ParamGridRow {
    QString name;
    QString description;
};

// Sets up the grid both parameter dialogs show: 20-pixel rows with grid lines, the three
// localized column headers at 100, 100 and 330 pixels, the rows with an empty value
// column, and only the value column editable.
void SetUpParameterGrid(CComboListCtrl& grid, int controlId, const std::vector<ParamGridRow>& rows);

// The pixels the grid needs to show its columns and rows without scrolling.
[[nodiscard]] std::pair<int, int> ParameterGridExtent(const CComboListCtrl& grid);

} // namespace veltroma
