#pragma once

#include <QString>

#include <initializer_list>
#include <utility>
#include <vector>

class QDialog;
class QPushButton;
class QWidget;

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

// A button of the parameter dialogs: never the default one, so that Enter on the grid
// starts no exchange.
[[nodiscard]] QPushButton* MakeParameterButton(QWidget* parent);

// Lays out a parameter dialog: the set-up grid at its full extent above one row of buttons,
// `leading` at the left and `trailing` at the right; the dialog keeps the size that fits.
void LayOutParameterDialog(QDialog& dialog, CComboListCtrl& grid,
                           std::initializer_list<QPushButton*> leading,
                           std::initializer_list<QPushButton*> trailing);

} // namespace veltroma
