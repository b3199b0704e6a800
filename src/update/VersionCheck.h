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

// True when the number after the last ';' of `chunk` (or at its start when it holds no ';')
// is greater than `currentVersion`.
bool chunkAnnouncesNewer(QByteArrayView chunk, double currentVersion);

struct GetUrlResult {
    // The newer-version flag: a newer version has been announced at some time during this run.
    bool newerVersion = false;
    // Not empty: the version file could not be created, so nothing was asked.
    QString fileError;
};

// The version request: a plain HTTP/1.1 GET on a TCP connection, whose whole raw answer is
// saved as it arrives and scanned piece by piece for the announced version.
class VersionCheck {
public:
    explicit VersionCheck(UpdateTimeouts timeouts = {}) : m_timeouts(timeouts) {}

    // `url` is host + path without a scheme; the whole answer goes to `fileName`.
    // A server that cannot be reached leaves the flag as it was.
    GetUrlResult GetUrl(const QString& url, const QString& fileName, const QString& currentVersion);

private:
    UpdateTimeouts m_timeouts;
    // Once set it stays set for the rest of the run.
    bool m_newerVersionSeen = false;
};

} // namespace veltroma
