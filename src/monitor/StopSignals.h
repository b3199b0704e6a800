#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

namespace veltroma {

// Turns SIGINT and SIGTERM into a Qt signal on the thread that made it, so the program can
// end in an orderly way from its event loop; SIGUSR1 asks for a report. One instance per
// process.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    // False when the handlers could not be installed.
    [[nodiscard]] bool installed() const { return notifier_ != nullptr; }

signals:
    void stopRequested(int signalNumber);
    void reportRequested();

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace veltroma
