#include "service/manual/CInputSerial.h"

#include "config/Strings.h"
#include "service/autotest/CTestBar.h"
#include "service/autotest/TestSequence.h"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>

namespace veltroma {

namespace {

QString text(const char* key)
{
    return g_LoadString(QString::fromLatin1(key));
}

QLabel* caption(const char* key, QWidget* parent)
{
    auto* label = new QLabel(text(key), parent);
    label->setObjectName(QStringLiteral("caption"));
    return label;
}

QLabel* valueField(QWidget* parent)
{
    auto* field = new QLabel(parent);
    field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setMinimumWidth(140);
    return field;
}

// The wait cursor for as long as the closing waits.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

CInputSerial::CInputSerial(Prompt& prompt, ByteLink& link, Clock& clock, QWidget* parent)
    : QDialog(parent), m_test(link, clock, prompt, m_display)
{
    setWindowTitle(text("IDD_MANUALTEST_DIALOG"));

    // Kept from the template but not offered: its test had nothing that could end it.
    auto* testButton = new QPushButton(text("IDC_MANUALTEST_BUTTON1"), this);
    testButton->setEnabled(false);
    testButton->hide();
    auto* scanButton = new QPushButton(text("IDC_MANUALTEST_BUTTON2"), this);
    scanButton->hide();
    connect(scanButton, &QPushButton::clicked, this, &CInputSerial::OnScans);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeSerialGroup());
    layout->addWidget(makeDciGroup());
    layout->setSizeConstraint(QLayout::SetFixedSize);
    alignCaptions();

    // Enter sets what the field with the focus holds, never the other group's value.
    for (auto* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);

    connect(&m_display, &QueuedManualTestDisplay::dciShown, this, &CInputSerial::showDci);
    connect(&m_display, &QueuedManualTestDisplay::serialNumbersShown, this,
            &CInputSerial::showSerialNumbers);
    connect(&m_display, &QueuedManualTestDisplay::writeFailed, this,
            [this](int what, const QString& asked, const QString& reported) {
                m_test.showWriteFailure({static_cast<ManualWrite>(what), asked, reported});
            });
}

QWidget* CInputSerial::makeSerialGroup()
{
    auto* group = new QGroupBox(text("IDC_MANUALTEST_FRAME2"), this);
    m_SerialNum = new QLineEdit(group);
    m_connect = new QPushButton(text("IDC_MANUALTEST_BUTTON3"), group);
    connect(m_connect, &QPushButton::clicked, this, &CInputSerial::OnSetSerialNum);
    connect(m_SerialNum, &QLineEdit::returnPressed, this, &CInputSerial::OnSetSerialNum);
    m_lastValue = valueField(group);
    m_settingValue = valueField(group);
    m_nowValue = valueField(group);

    auto* entry = new QHBoxLayout;
    entry->addWidget(m_SerialNum, 1);
    entry->addWidget(m_connect);
    auto* form = new QFormLayout(group);
    form->addRow(entry);
    form->addRow(caption("IDC_MANUALTEST_PARA6", group), m_lastValue);
    form->addRow(caption("IDC_MANUALTEST_PARA7", group), m_settingValue);
    form->addRow(caption("IDC_MANUALTEST_PARA8", group), m_nowValue);
    return group;
}

QWidget* CInputSerial::makeDciGroup()
{
    auto* group = new QGroupBox(text("IDC_MANUALTEST_FRAME3"), this);
    m_DCIShift = new QLineEdit(QStringLiteral("0"), group);
    // An unsigned whole number is all the field can take.
    m_DCIShift->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), m_DCIShift));
    m_dciSet = new QPushButton(text("IDC_MANUALTEST_BUTTON3"), group);
    connect(m_dciSet, &QPushButton::clicked, this, &CInputSerial::OnDCIWrite);
    connect(m_DCIShift, &QLineEdit::returnPressed, this, &CInputSerial::OnDCIWrite);
    m_dciValue = valueField(group);
    m_dciShiftValue = valueField(group);

    auto* entry = new QHBoxLayout;
    entry->addWidget(m_DCIShift, 1);
    entry->addWidget(m_dciSet);
    auto* form = new QFormLayout(group);
    form->addRow(entry);
    form->addRow(caption("IDC_MANUALTEST_PARA9", group), m_dciValue);
    form->addRow(caption("IDC_MANUALTEST_PARA10", group), m_dciShiftValue);
    return group;
}

void CInputSerial::alignCaptions()
{
    // One column of captions across both groups, as wide as the longest one.
    const QList<QLabel*> captions = findChildren<QLabel*>(QStringLiteral("caption"));
    int width = 0;
    for (const QLabel* caption : captions)
        width = std::max(width, caption->sizeHint().width());
    for (QLabel* caption : captions)
        caption->setMinimumWidth(width);
}

void CInputSerial::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_DCIShift->setFocus();
    m_DCIShift->selectAll();
    m_test.start();
}

void CInputSerial::done(int result)
{
    {
        const BusyCursor busy;
        m_test.close([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    }
    QDialog::done(result);
}

void CInputSerial::OnSetSerialNum()
{
    m_test.OnSetSerialNum(m_SerialNum->text());
}

void CInputSerial::OnDCIWrite()
{
    m_test.OnDCIWrite(m_DCIShift->text());
}

void CInputSerial::OnScans()
{
    CTestBar bar(this);
    if (bar.exec() == QDialog::Accepted)
        m_SerialNum->setText(TestBar());
}

void CInputSerial::showSerialNumbers(const SerialNumberTexts& texts)
{
    m_lastValue->setText(texts.sSerialNum);
    m_settingValue->setText(texts.sSetSerialNum);
    m_nowValue->setText(texts.sSerialNumSel);
}

void CInputSerial::showDci(int reading, int offset)
{
    m_dciValue->setText(QString::number(reading));
    m_dciShiftValue->setText(QString::number(offset));
}

} // namespace veltroma
