#pragma once

#include <QByteArrayView>
#include <QString>

namespace veltroma {

// How long the update exchanges may wait. No dead or silent server holds the program longer.
struct UpdateTimeouts {
    int connectMs = 5000;   // name lookup and connection of the version request
    int silenceMs = 10000;  // quiet time after which the version answer counts as complete
    int answerMs = 30000;   // the longest the version answer may take as a whole
    int transferMs = 30000; // quiet time after which the package download gives up
};

// A number at the start of `text` read the way the C library's atof reads it (leading white
// space, sign, decimal or hexadecimal digits, exponent, inf, nan) but independent of the
// locale; 0 when nothing numeric starts the text.
double atofPrefix(QByteArrayView text);

// What a raw answer to the version request says.
struct VersionAnswer {
    // The announced version, four characters such as "3.10"; empty when the answer is not
    // believed.
    QString version;
    // Why the answer is not believed; empty when it is.
    QString failure;
};

// Only a "200" answer whose body ends in ';' and a four-character version (digits around one
// dot) is believed; an error page is not, whatever numbers it holds.
VersionAnswer judgeVersionAnswer(QByteArrayView response);

struct GetUrlResult {
    // A believed answer announces a version greater than the current one.
    bool newerVersion = false;
    // The announced version, when the answer was believed.
    QString version{};
    // Not empty: the version file could not be created, so nothing was asked.
    QString fileError{};
    // Not empty: the check failed (no server, an error status, no version in the answer).
    QString failure{};
};

// The version request: a plain HTTP/1.1 GET on a TCP connection, whose whole raw answer is
// saved as it arrives and then judged. Every check starts afresh: an earlier answer counts for
// nothing.
class VersionCheck {
public:
    explicit VersionCheck(UpdateTimeouts timeouts = {}) : m_timeouts(timeouts) {}

    // `url` is host + path without a scheme; the whole answer goes to `fileName`.
    GetUrlResult GetUrl(const QString& url, const QString& fileName, const QString& currentVersion);

private:
    UpdateTimeouts m_timeouts;
};

} // namespace veltroma
