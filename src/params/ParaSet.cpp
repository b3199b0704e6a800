#include "params/ParaSet.h"

#include "config/Strings.h"
#include "controls/ComboListCtrl.h"
#include "params/ParamGrid.h"

#include <QPushButton>

namespace veltroma {

namespace {

std::vector<ParamGridRow> GridRows()
{
    std::vector<ParamGridRow> rows;
    for (const auto& parameter : kGridParameters)
        rows.push_back({QLatin1String(parameter.name), g_LoadString(QLatin1String(parameter.descriptionKey))});
    return rows;
}

} // namespace

CParaSet::CParaSet(DialogChannel channel, Prompt& prompt, int InverterAddrSet, QWidget* parent)
    : QDialog(parent),
      m_exchange(std::move(channel), prompt, InverterAddrSet),
      m_DisplayList(new CComboListCtrl(this)),
      m_upload(MakeParameterButton(this)),
      m_download(MakeParameterButton(this)),
      m_cancel(MakeParameterButton(this)),
      m_clear(MakeParameterButton(this)),
      m_restore(MakeParameterButton(this))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SetUpParameterGrid(*m_DisplayList, kParaSetGridId, GridRows());
    m_clear->hide();

    LayOutParameterDialog(*this, *m_DisplayList, {m_clear, m_restore}, {m_upload, m_download, m_cancel});

    connect(m_upload, &QPushButton::clicked, this, [this] { m_exchange.OnButtonUpload(); });
    connect(m_download, &QPushButton::clicked, this, [this] { m_exchange.OnButtonDownload(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_exchange.OnClear(); });
    connect(m_restore, &QPushButton::clicked, this, [this] { m_exchange.OnButtonRestore(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_DisplayList, &CComboListCtrl::endLabelEdit, this,
            [this](int controlId, const EndLabelEditInfo& info) {
                m_exchange.OnEndLabelEditVariableCriteria(controlId, info.iItem, info.iSubItem,
                                                          info.pszText);
            });
    m_exchange.onChanged([this] { ShowState(); });

    LoadCaptions();
    ShowState();
}

void CParaSet::showEvent(QShowEvent* event)
{
    // The texts follow the language active when the dialog shows.
    LoadCaptions();
    QDialog::showEvent(event);
}

void CParaSet::LoadCaptions()
{
    setWindowTitle(g_LoadString(QStringLiteral("IDD_PARASET_DIALOG")));
    m_upload->setText(g_LoadString(QStringLiteral("IDC_BUTTON_UPLOAD")));
    m_download->setText(g_LoadString(QStringLiteral("IDC_BUTTON_DOWNLOAD")));
    m_cancel->setText(g_LoadString(QStringLiteral("IDCANCEL")));
    m_clear->setText(g_LoadString(QStringLiteral("IDC_BUTTON_CLEAR")));
    m_restore->setText(g_LoadString(QStringLiteral("IDC_BUTTON_RESTORE")));
}

void CParaSet::ShowState()
{
    for (int row = 0; row < static_cast<int>(kGridParameterCount); ++row)
        m_DisplayList->SetItemText(row, 1, m_exchange.value(row));
    m_upload->setEnabled(m_exchange.uploadEnabled());
    m_download->setEnabled(m_exchange.downloadEnabled());
    m_restore->setEnabled(m_exchange.restoreEnabled());
}

} // namespace veltroma
