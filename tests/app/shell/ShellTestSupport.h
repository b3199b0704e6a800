#pragma once

#include "config/ProfileFile.h"
#include "app/shell/AppStartup.h"
#include "app/shell/DesignApp.h"

#include "channel/PseudoTerminal.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace veltroma::test {

// Runs `handle` on the first modal window of type T as soon as one is up: the way a test
// answers a dialog that the code under test runs with exec().
template <class T>
void whenModal(std::function<void(T&)> handle)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, handle = std::move(handle)] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            handle(*window);
        }
    });
    timer->start();
}

// A program folder of its own and a pseudo-terminal that plays the serial port.
class ProgramHome {
public:
    [[nodiscard]] QString path() const { return m_dir.path() + u'/'; }
    [[nodiscard]] QString settingPath() const { return path() + QStringLiteral("setting.ini"); }
    [[nodiscard]] PseudoTerminal& port() { return m_port; }

    // setting.ini naming the pseudo-terminal as the port, private as the program makes it:
    // one readable by others would be tightened and reported at the start.
    void writeSettings(const QString& commNum, const QString& language = QStringLiteral("English"))
    {
        QFile file(settingPath());
        file.open(QIODevice::WriteOnly);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(QStringLiteral("[Setting]\r\nCommNum=%1\r\nLanguage=%2\r\n")
                       .arg(commNum, language)
                       .toUtf8());
    }
    void writePortSettings() { writeSettings(m_port.description()); }

    [[nodiscard]] QString setting(const QString& key) const
    {
        return ProfileFile(settingPath()).read(QStringLiteral("Setting"), key);
    }
    [[nodiscard]] QByteArray settingBytes() const
    {
        QFile file(settingPath());
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private:
    QTemporaryDir m_dir;
    PseudoTerminal m_port;
};

// The application as the program makes it, with a scripted prompt and a recorded quit.
struct TestApp {
    explicit TestApp(const QString& home)
    {
        auto scripted = std::make_unique<ScriptedPrompt>();
        prompt = scripted.get();
        app = std::make_unique<CDesignApp>(CDesignApp::Options{home, defaultUpdateHost()},
                                           std::move(scripted), steadyClock());
        app->setQuit([this](int code) { exitCode = code; });
        app->setDocumentOpener([this](const QUrl& url) {
            opened << url.toLocalFile();
            return true;
        });
    }

    // The start as the program makes it: program folder, settings, port, start dialog.
    std::optional<ExitCode> start() { return startApplication(*app); }

    ScriptedPrompt* prompt = nullptr;
    std::unique_ptr<CDesignApp> app;
    std::optional<int> exitCode;
    QStringList opened;
};

} // namespace veltroma::test
