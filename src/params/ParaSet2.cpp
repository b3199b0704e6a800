#include "params/ParaSet2.h"

#include "config/Strings.h"
#include "controls/ComboListCtrl.h"
#include "params/ParamGrid.h"

#include <QPushButton>

namespace veltroma {

CParaSet2::CParaSet2(DialogChannel channel, Prompt& prompt, QWidget* parent)
    : QDialog(parent),
      m_exchange(std::move(channel), prompt),
      m_DisplayList3(new CComboListCtrl(this)),
      m_upload(MakeParameterButton(this)),
      m_download(MakeParameterButton(this)),
      m_cancel(MakeParameterButton(this))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SetUpParameterGrid(*m_DisplayList3, kParaSet2GridId,
                       {{QStringLiteral("Language"), g_LoadString(QStringLiteral("IDC_LIST3_ROW1_DESCRIPTION"))},
                        {QStringLiteral("Contrast"), g_LoadString(QStringLiteral("IDC_LIST3_ROW2_DESCRIPTION"))}});
    m_DisplayList3->SetComboColumns(1, kLanguageRow);

    LayOutParameterDialog(*this, *m_DisplayList3, {}, {m_upload, m_download, m_cancel});

    connect(m_upload, &QPushButton::clicked, this, [this] { m_exchange.OnButtonUpload3(); });
    connect(m_download, &QPushButton::clicked, this, [this] { m_exchange.OnButtonDownload3(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_DisplayList3, &CComboListCtrl::populateComboList, this,
            [this](int row, int column, QStringList* entries) {
                *entries = m_exchange.PopulateComboList(row, column);
            });
    connect(m_DisplayList3, &CComboListCtrl::endLabelEdit, this,
            [this](int controlId, const EndLabelEditInfo& info) {
                m_exchange.OnEndLabelEditVariableCriteria(controlId, info.iItem, info.iSubItem,
                                                          info.pszText);
            });
    m_exchange.onChanged([this] { ShowState(); });

    LoadCaptions();
    ShowState();
}

void CParaSet2::showEvent(QShowEvent* event)
{
    // The texts follow the language active when the dialog shows.
    LoadCaptions();
    QDialog::showEvent(event);
}

void CParaSet2::LoadCaptions()
{
    setWindowTitle(g_LoadString(QStringLiteral("IDD_PARASET_DIALOG")));
    m_upload->setText(g_LoadString(QStringLiteral("IDC_BUTTON_UPLOAD")));
    m_download->setText(g_LoadString(QStringLiteral("IDC_BUTTON_DOWNLOAD")));
    m_cancel->setText(g_LoadString(QStringLiteral("IDCANCEL")));
}

void CParaSet2::ShowState()
{
    for (int row = 0; row < kDisplayRows; ++row)
        m_DisplayList3->SetItemText(row, 1, m_exchange.value(row));
    m_download->setEnabled(m_exchange.downloadEnabled());
}

} // namespace veltroma
