#include "service/manual/ManualTestDisplay.h"

namespace veltroma {

void QueuedManualTestDisplay::showDci(int reading, int offset)
{
    QMetaObject::invokeMethod(
        this, [this, reading, offset] { emit dciShown(reading, offset); }, Qt::QueuedConnection);
}

void QueuedManualTestDisplay::showSerialNumbers(const SerialNumberTexts& texts)
{
    QMetaObject::invokeMethod(
        this, [this, texts] { emit serialNumbersShown(texts); }, Qt::QueuedConnection);
}

void QueuedManualTestDisplay::showWriteFailure(const WriteFailure& failure)
{
    QMetaObject::invokeMethod(
        this,
        [this, failure] {
            emit writeFailed(static_cast<int>(failure.what), failure.asked, failure.reported);
        },
        Qt::QueuedConnection);
}

} // namespace veltroma
