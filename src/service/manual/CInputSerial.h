#pragma once

#include "base/Clock.h"
#include "service/manual/ManualTest.h"
#include "service/manual/ManualTestDisplay.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace veltroma {

class ByteLink;
class Prompt;

// The "Manual Test" dialog: reads and sets the inverter's serial number and its DCI offset,
// and shows the DCI reading and offset its refresh thread brings about once a second. All
// link traffic is the thread's; closing ends the thread before the dialog goes.
class CInputSerial final : public QDialog {
    Q_OBJECT
public:
    CInputSerial(Prompt& prompt, ByteLink& link, Clock& clock = steadyClock(),
                 QWidget* parent = nullptr);

    void OnSetSerialNum();
    void OnDCIWrite();
    // The hidden Scan button: a bar code entered with OK becomes the new serial number.
    void OnScans();

    [[nodiscard]] bool isRefreshing() const { return m_test.isRunning(); }

    // The fields, for tests.
    [[nodiscard]] QLineEdit* serialEntry() const { return m_SerialNum; }
    [[nodiscard]] QLineEdit* dciEntry() const { return m_DCIShift; }
    [[nodiscard]] QPushButton* serialSetButton() const { return m_connect; }
    [[nodiscard]] QPushButton* dciSetButton() const { return m_dciSet; }
    [[nodiscard]] QLabel* lastValue() const { return m_lastValue; }
    [[nodiscard]] QLabel* settingValue() const { return m_settingValue; }
    [[nodiscard]] QLabel* nowValue() const { return m_nowValue; }
    [[nodiscard]] QLabel* dciValue() const { return m_dciValue; }
    [[nodiscard]] QLabel* dciShiftValue() const { return m_dciShiftValue; }

public slots:
    // Every way of closing ends here: the refresh thread ends first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeSerialGroup();
    QWidget* makeDciGroup();
    void alignCaptions();
    void showSerialNumbers(const SerialNumberTexts& texts);
    void showDci(int reading, int offset);

    // Declared before the test, so that the thread has ended before the display goes.
    QueuedManualTestDisplay m_display;
    ManualTest m_test;

    QLineEdit* m_SerialNum = nullptr;
    QPushButton* m_connect = nullptr;
    QLabel* m_lastValue = nullptr;
    QLabel* m_settingValue = nullptr;
    QLabel* m_nowValue = nullptr;
    QLineEdit* m_DCIShift = nullptr;
    QPushButton* m_dciSet = nullptr;
    QLabel* m_dciValue = nullptr;
    QLabel* m_dciShiftValue = nullptr;
};

} // namespace veltroma
