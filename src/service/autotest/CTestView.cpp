#include "service/autotest/CTestView.h"

#include "base/Prompt.h"
#include "service/autotest/CTestBar.h"
#include "service/autotest/TemplateTexts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

namespace veltroma {

namespace {

// Where the window opens and how large, in pixels.
constexpr QRect kPlacement(625, 48, 460, 650);

QString stepKey(TestStep step)
{
    switch (step) {
    case TestStep::DeviceBar: return QStringLiteral("StepDeviceBar");
    case TestStep::Comm: return QStringLiteral("StepComm");
    case TestStep::Di: return QStringLiteral("StepDi");
    case TestStep::Store1: return QStringLiteral("StepStore1");
    case TestStep::Do: return QStringLiteral("StepDo");
    case TestStep::Store2: return QStringLiteral("StepStore2");
    case TestStep::ZeroUpDown: return QStringLiteral("StepZeroUpDown");
    case TestStep::Ai: return QStringLiteral("StepAi");
    case TestStep::GetBackValue: return QStringLiteral("StepGetBackValue");
    }
    return {};
}

QLabel* instruction(const QString& key, QWidget* parent, bool heading = false)
{
    auto* label = new QLabel(testViewText(key), parent);
    if (heading) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    } else {
        label->setIndent(12);
    }
    return label;
}

} // namespace

CTestView::CTestView(Prompt& prompt, QWidget* parent, Now now)
    : QDialog(parent), m_prompt(prompt), m_now(std::move(now)), m_TestInfo(new QTextEdit(this))
{
    setWindowTitle(testViewText(QStringLiteral("Title")));

    // Enabled and read-only: the report can be selected and copied, not edited.
    m_TestInfo->setReadOnly(true);
    m_TestInfo->setAcceptRichText(false);
    m_TestInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_TestInfo->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_TestInfo, &QTextEdit::customContextMenuRequested, this,
            &CTestView::showReportMenu);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(makeProcedure());
    layout->addWidget(m_TestInfo, 1);

    connect(stepButton(TestStep::DeviceBar), &QPushButton::clicked, this,
            &CTestView::OnTestDevicebar);
    connect(stepButton(TestStep::Comm), &QPushButton::clicked, this, &CTestView::OnTestComm);
    showStepStates();
    resize(kPlacement.size());
}

QWidget* CTestView::makeProcedure()
{
    auto* group = new QGroupBox(testViewText(QStringLiteral("Procedure")), this);
    auto* column = new QVBoxLayout(group);
    const auto addText = [&](const char* key, bool heading = false) {
        column->addWidget(instruction(QString::fromLatin1(key), group, heading));
    };
    const auto addStep = [&](TestStep step) {
        auto* button = new QPushButton(testViewText(stepKey(step)), group);
        button->setMinimumHeight(30);
        m_steps[static_cast<std::size_t>(step)] = button;
        column->addWidget(button);
    };

    addText("Preparation", true);
    addText("PrepareTool");
    addText("PrepareThreePhase");
    addText("PreparePhaseAngle");
    addText("PrepareInstrumentPause");
    column->addSpacing(10);
    addText("Flow", true);
    addStep(TestStep::DeviceBar);
    addStep(TestStep::Comm);
    addStep(TestStep::Di);
    addStep(TestStep::Store1);
    addText("FlowToolOff");
    addStep(TestStep::Do);
    addText("FlowToolOn");
    addStep(TestStep::Store2);
    addStep(TestStep::ZeroUpDown);
    addText("FlowInstrumentOn");
    addStep(TestStep::Ai);
    addText("FlowInstrumentPause");
    addStep(TestStep::GetBackValue);
    column->addStretch();
    group->setFixedWidth(150);
    return group;
}

void CTestView::showEvent(QShowEvent* event)
{
    // The window opens at its place, kept on the screen when that is smaller.
    if (!m_placed) {
        m_placed = true;
        QRect place = kPlacement;
        if (const QScreen* screen = this->screen()) {
            const QRect available = screen->availableGeometry();
            place.setSize(place.size().boundedTo(available.size()));
            place.moveRight(std::min(place.right(), available.right()));
            place.moveBottom(std::min(place.bottom(), available.bottom()));
        }
        setGeometry(place);
    }
    QDialog::showEvent(event);
}

QPushButton* CTestView::stepButton(TestStep step) const
{
    return m_steps[static_cast<std::size_t>(step)];
}

void CTestView::showStepStates()
{
    for (const TestStep step : kTestSteps)
        stepButton(step)->setEnabled(m_sequence.isEnabled(step));
}

void CTestView::OnTestDevicebar()
{
    m_prompt.message(testViewText(QStringLiteral("DeviceBarHint")));
    m_sequence.beginDeviceBar();
    showStepStates();

    CTestBar bar(this);
    bar.exec();

    m_sequence.endDeviceBar();
    showStepStates();
    // Marked whole, as the next header replaces it.
    m_TestInfo->selectAll();
}

void CTestView::OnTestComm()
{
    QString header = m_sequence.OnTestComm(m_now(), TestBar());
    showStepStates();
    header.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_TestInfo->setPlainText(header);
    m_TestInfo->moveCursor(QTextCursor::End);
}

void CTestView::OnMenuCopy()
{
    m_TestInfo->copy();
}

void CTestView::OnMenuSelectAll()
{
    m_TestInfo->selectAll();
}

void CTestView::showReportMenu(const QPoint& at)
{
    QMenu menu(this);
    QAction* copy = menu.addAction(testViewText(QStringLiteral("MenuCopy")), this,
                                   &CTestView::OnMenuCopy);
    copy->setEnabled(m_TestInfo->textCursor().hasSelection());
    menu.addAction(testViewText(QStringLiteral("MenuSelectAll")), this,
                   &CTestView::OnMenuSelectAll);
    menu.exec(m_TestInfo->viewport()->mapToGlobal(at));
}

} // namespace veltroma
