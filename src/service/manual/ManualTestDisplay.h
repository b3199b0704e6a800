#pragma once

#include <QObject>
#include <QString>

namespace veltroma {

// The three serial numbers of one Set: read before the write, written, read back after it.
struct SerialNumberTexts {
    QString sSerialNum;     // "Last Time Value"
    QString sSetSerialNum;  // "Setting Value"
    QString sSerialNumSel;  // "Now Value"

    friend bool operator==(const SerialNumberTexts&, const SerialNumberTexts&) = default;
};

// Where the refresh thread shows what the inverter answered. Called on the refresh thread.
class ManualTestDisplay {
public:
    virtual ~ManualTestDisplay() = default;
    virtual void showDci(int reading, int offset) = 0;
    virtual void showSerialNumbers(const SerialNumberTexts& texts) = 0;
};

// Hands the refresh thread's values to the thread this object lives on, as signals emitted
// there. Values posted before the object is destroyed and not yet delivered are dropped with
// it, so nothing reaches a window that has gone.
class QueuedManualTestDisplay final : public QObject, public ManualTestDisplay {
    Q_OBJECT
public:
    explicit QueuedManualTestDisplay(QObject* parent = nullptr) : QObject(parent) {}

    void showDci(int reading, int offset) override;
    void showSerialNumbers(const SerialNumberTexts& texts) override;

signals:
    void dciShown(int reading, int offset);
    void serialNumbersShown(const veltroma::SerialNumberTexts& texts);
};

} // namespace veltroma
