#include "instruments/CiThreadTimersX.h"

#include <QThread>

#include <algorithm>

namespace veltroma {

namespace {

constexpr int kDefaultIntervalMs = 1000;

} // namespace

CiThreadTimersX::CiThreadTimersX(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < kTimerCount; ++i) {
        auto* timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kDefaultIntervalMs);
        connect(timer, &QTimer::timeout, this, [this, i] { fire(i); });
        slots_[std::size_t(i)].timer = timer;
    }
}

bool CiThreadTimersX::enabled(int index) const
{
    return index >= 0 && index < kTimerCount && slots_[std::size_t(index)].enabled;
}

int CiThreadTimersX::interval(int index) const
{
    if (index < 0 || index >= kTimerCount)
        return 0;
    return slots_[std::size_t(index)].timer->interval();
}

void CiThreadTimersX::setEnabled(int index, bool on)
{
    // A QTimer may only be started and stopped on its own thread.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, index, on] { setEnabled(index, on); },
                                  Qt::QueuedConnection);
        return;
    }
    Slot& slot = slots_[std::size_t(index)];
    if (slot.enabled == on)
        return;
    slot.enabled = on;
    if (on)
        slot.timer->start();
    else
        slot.timer->stop();
}

void CiThreadTimersX::setInterval(int index, int ms)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this, index, ms] { setInterval(index, ms); },
                                  Qt::QueuedConnection);
        return;
    }
    Slot& slot = slots_[std::size_t(index)];
    const int period = std::max(ms, 1);
    if (slot.timer->interval() == period)
        return;
    // QTimer restarts a running timer when its interval changes; a new period counts from now.
    slot.timer->setInterval(period);
}

void CiThreadTimersX::fire(int index)
{
    // Qt does not activate a timer again while its previous event is still being handled.
    switch (index) {
    case 0:
        emit timer1();
        break;
    case 1:
        emit timer2();
        break;
    default:
        emit timer3();
        break;
    }
}

} // namespace veltroma
