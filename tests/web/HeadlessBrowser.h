#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWebSocket>

#include <functional>
#include <memory>

namespace veltroma::test {

// Debian's chromium without a window, driven over its DevTools protocol: one page, its console
// and its errors, evaluated expressions and screenshots. Needs a QCoreApplication and is used
// from the thread that made it; every wait spins that thread's event loop.
class HeadlessBrowser {
public:
    // The browser's executable, or empty when it is not installed.
    static QString executable();

    HeadlessBrowser();
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    // Starts the browser and connects to its page. False with errorString() when it could not.
    bool start();
    [[nodiscard]] QString errorString() const { return error_; }

    // Opens `url` with an Accept-Language header (empty: the browser's own) in a viewport of
    // `width` CSS pixels, and waits for its load event; false after `timeoutMs`.
    bool open(const QString& url, int width, const QString& acceptLanguage = {}, int timeoutMs = 20'000);

    // The value of a JavaScript expression in the page (promises awaited); undefined when it threw.
    QJsonValue evaluate(const QString& expression, int timeoutMs = 10'000);

    // Waits until `expression` is truthy in the page; false after `timeoutMs`.
    bool waitFor(const QString& expression, int timeoutMs);

    // The whole page as PNG, at the width of the viewport; empty when it failed.
    QByteArray screenshot();

    // What the page reported as errors since open(): exceptions, console.error, failed loads,
    // refused by the content security policy. One line each.
    [[nodiscard]] QStringList pageErrors() const { return errors_; }

private:
    QJsonObject call(const QString& method, const QJsonObject& params = {}, int timeoutMs = 10'000);
    bool spinUntil(const std::function<bool()>& done, int timeoutMs);
    void received(const QString& message);

    QTemporaryDir profile_;
    QProcess process_;
    QWebSocket socket_;
    QString error_;
    int nextId_ = 1;
    QJsonObject reply_;
    int awaitedId_ = 0;
    bool loaded_ = false;
    QStringList errors_;
};

} // namespace veltroma::test
