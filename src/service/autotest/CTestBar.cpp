#include "service/autotest/CTestBar.h"

#include "config/Strings.h"
#include "service/autotest/TestSequence.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltroma {

CTestBar::CTestBar(QWidget* parent)
    : QDialog(parent),
      m_label(new QLabel(this)),
      m_entry(new QLineEdit(this)),
      m_ok(new QPushButton(this)),
      m_cancel(new QPushButton(this))
{
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CTestBar::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CTestBar::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_entry);
    layout->addStretch();
    layout->addLayout(buttons);

    setCaptions();
    setMinimumWidth(330);
}

void CTestBar::setCaptions()
{
    setWindowTitle(g_LoadString(QStringLiteral("IDD_TESTBAR_DIALOG")));
    m_label->setText(g_LoadString(QStringLiteral("IDC_TESTBAR_INPUT")));
    m_ok->setText(g_LoadString(QStringLiteral("IDOK")));
    m_cancel->setText(g_LoadString(QStringLiteral("IDCANCEL")));
}

void CTestBar::accept()
{
    m_DeviceBar = m_entry->text();
    setTestBar(m_DeviceBar);
    QDialog::accept();
}

} // namespace veltroma
