#pragma once

#include "service/autotest/TestSequence.h"

#include <QDateTime>
#include <QDialog>

#include <array>
#include <functional>

class QPushButton;
class QTextEdit;

namespace veltroma {

class Prompt;

// The auto test window: the step buttons with the template's instructions on the left, the
// growing report on the right. The report can be selected and copied (its right-button
// menu offers copy and select all).
class CTestView final : public QDialog {
    Q_OBJECT
public:
    using Now = std::function<QDateTime()>;

    explicit CTestView(Prompt& prompt, QWidget* parent = nullptr,
                       Now now = &QDateTime::currentDateTime);

    // The bar-code step: a reminder, then the bar-code dialog; the communication test is
    // available afterwards even when that dialog was cancelled.
    void OnTestDevicebar();
    // The communication-test step: writes the report header.
    void OnTestComm();

    void OnMenuCopy();
    void OnMenuSelectAll();

    [[nodiscard]] QPushButton* stepButton(TestStep step) const;
    [[nodiscard]] QTextEdit* report() const { return m_TestInfo; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeProcedure();
    void showStepStates();
    void showReportMenu(const QPoint& at);

    Prompt& m_prompt;
    Now m_now;
    TestSequence m_sequence;
    std::array<QPushButton*, kTestSteps.size()> m_steps{};
    QTextEdit* m_TestInfo = nullptr;
    bool m_placed = false;
};

} // namespace veltroma
