#include "params/ParaSet.h"

#include "config/Strings.h"
#include "controls/ComboListCtrl.h"
#include "params/ParamGrid.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltroma {

namespace {

QPushButton* MakeButton(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    // Enter on the grid must never start an exchange.
    button->setAutoDefault(false);
    button->setMinimumWidth(96);
    return button;
}

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
      m_upload(MakeButton(this)),
      m_download(MakeButton(this)),
      m_cancel(MakeButton(this)),
      m_clear(MakeButton(this))
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    SetUpParameterGrid(*m_DisplayList, kParaSetGridId, GridRows());
    m_clear->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_clear);
    buttons->addStretch();
    buttons->addWidget(m_upload);
    buttons->addWidget(m_download);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(m_DisplayList);
    layout->addLayout(buttons);

    connect(m_upload, &QPushButton::clicked, this, [this] { m_exchange.OnButtonUpload(); });
    connect(m_download, &QPushButton::clicked, this, [this] { m_exchange.OnButtonDownload(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_exchange.OnClear(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_DisplayList, &CComboListCtrl::endLabelEdit, this,
            [this](int controlId, const EndLabelEditInfo& info) {
                m_exchange.OnEndLabelEditVariableCriteria(controlId, info.iItem, info.iSubItem,
                                                          info.pszText);
            });
    m_exchange.onChanged([this] { ShowState(); });

    LoadCaptions();
    ShowState();
    // The grid shows every row and column without scrolling, and the dialog fits it.
    const auto [gridWidth, gridHeight] = ParameterGridExtent(*m_DisplayList);
    m_DisplayList->setFixedSize(gridWidth, gridHeight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
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
}

void CParaSet::ShowState()
{
    for (int row = 0; row < static_cast<int>(kGridParameterCount); ++row)
        m_DisplayList->SetItemText(row, 1, m_exchange.value(row));
    m_upload->setEnabled(m_exchange.uploadEnabled());
    m_download->setEnabled(m_exchange.downloadEnabled());
}

} // namespace veltroma
