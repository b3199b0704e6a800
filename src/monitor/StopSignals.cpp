#include "monitor/StopSignals.h"

#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace veltroma {

namespace {

// The handler may only write to a descriptor; the event loop reads the other end.
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signalNumber)
{
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(g_signalPipe[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::readSignal);

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGINT, SIGTERM, SIGUSR1})
        ::sigaction(number, &action, nullptr);
}

StopSignals::~StopSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGINT, SIGTERM, SIGUSR1})
        ::sigaction(number, &action, nullptr);
    notifier_.reset();
    for (int& fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void StopSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_signalPipe[1], &byte, 1) != 1)
        return;
    if (byte == SIGUSR1)
        emit reportRequested();
    else
        emit stopRequested(byte);
}

} // namespace veltroma
