#pragma once

#include "params/ParaSet2Exchange.h"

#include <QDialog>

class QPushButton;

namespace veltroma {

class CComboListCtrl;

// The modal "Parameter Management" dialog of the inverter's own display: a language
// drop-down and the contrast, with Upload, Download and Cancel over ParaSet2Exchange.
class CParaSet2 : public QDialog {
    Q_OBJECT

public:
    CParaSet2(DialogChannel channel, Prompt& prompt, QWidget* parent = nullptr);

    // For tests and pictures.
    [[nodiscard]] CComboListCtrl& grid() const { return *m_DisplayList3; }
    [[nodiscard]] QPushButton& uploadButton() const { return *m_upload; }
    [[nodiscard]] QPushButton& downloadButton() const { return *m_download; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadCaptions();
    void ShowState();

    ParaSet2Exchange m_exchange;
    CComboListCtrl* m_DisplayList3;
    QPushButton* m_upload;
    QPushButton* m_download;
    QPushButton* m_cancel;
};

} // namespace veltroma
