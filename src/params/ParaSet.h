#pragma once

#include "params/ParaSetExchange.h"

#include <QDialog>

class QPushButton;

namespace veltroma {

class CComboListCtrl;

// The modal "Parameter Management" dialog of one inverter's grid protection parameters: the
// grid of seven values and the Upload, Download and Cancel buttons over ParaSetExchange.
// The Clear button (energy and hour totals) exists but stays hidden.
class CParaSet : public QDialog {
    Q_OBJECT

public:
    CParaSet(DialogChannel channel, Prompt& prompt, int InverterAddrSet, QWidget* parent = nullptr);

    // For tests and pictures.
    [[nodiscard]] CComboListCtrl& grid() const { return *m_DisplayList; }
    [[nodiscard]] QPushButton& uploadButton() const { return *m_upload; }
    [[nodiscard]] QPushButton& downloadButton() const { return *m_download; }
    [[nodiscard]] QPushButton& clearButton() const { return *m_clear; }
    [[nodiscard]] QPushButton& restoreButton() const { return *m_restore; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadCaptions();
    void ShowState();

    ParaSetExchange m_exchange;
    CComboListCtrl* m_DisplayList;
    QPushButton* m_upload;
    QPushButton* m_download;
    QPushButton* m_cancel;
    QPushButton* m_clear;
    QPushButton* m_restore;
};

} // namespace veltroma
