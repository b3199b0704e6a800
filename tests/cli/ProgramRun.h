#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace veltroma::test {

// veltroma-monitor as a process, with what it has written so far. Widgets, when the build
// has them, go to the offscreen platform, with a runtime folder of their own so that Qt has
// nothing to say about a missing one on standard error.
class ProgramRun {
public:
    // `adjust` changes the environment last, e.g. to take the display away.
    explicit ProgramRun(const QStringList& arguments,
                        const std::function<void(QProcessEnvironment&)>& adjust = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_.path());
        if (adjust)
            adjust(environment);
        process_.setProcessEnvironment(environment);
        process_.start(QStringLiteral(VELTROMA_MONITOR_EXE), arguments);
    }
    ~ProgramRun()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Waits for the end; its exit code, or -1 when it crashed or did not end in time.
    int exitCode(int timeoutMs = 60'000)
    {
        if (!process_.waitForFinished(timeoutMs))
            return -1;
        collect();
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    // Waits until `done` holds, collecting the output; false when the time ran out first.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs = 30'000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            process_.waitForReadyRead(50);
            collect();
        }
        return true;
    }

    [[nodiscard]] bool running() const { return process_.state() == QProcess::Running; }
    void terminate() { process_.terminate(); }
    [[nodiscard]] const QString& out() const { return out_; }
    [[nodiscard]] const QString& err() const { return err_; }

private:
    void collect()
    {
        out_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        err_ += QString::fromLocal8Bit(process_.readAllStandardError());
    }

    QTemporaryDir runtimeDir_;
    QProcess process_;
    QString out_;
    QString err_;
};

} // namespace veltroma::test
