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

// A write of the manual test that the inverter did not confirm.
enum class ManualWrite : int { SerialNumber = 0, DciOffset = 1 };
struct WriteFailure {
    ManualWrite what = ManualWrite::SerialNumber;
    QString asked;
    // What the inverter reports after the write; empty when it did not answer.
    QString reported;
};

// Where the refresh thread shows what the inverter answered. Called on the refresh thread.
class ManualTestDisplay {
public:
    virtual ~ManualTestDisplay() = default;
    virtual void showDci(int reading, int offset) = 0;
    virtual void showSerialNumbers(const SerialNumberTexts& texts) = 0;
    virtual void showWriteFailure(const WriteFailure& failure) = 0;
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
    void showWriteFailure(const WriteFailure& failure) override;

signals:
    void dciShown(int reading, int offset);
    void serialNumbersShown(const veltroma::SerialNumberTexts& texts);
    void writeFailed(int what, const QString& asked, const QString& reported);
};

} // namespace veltroma
