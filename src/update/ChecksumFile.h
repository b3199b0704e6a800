#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <optional>

class QNetworkAccessManager;
class QNetworkRequest;

namespace veltroma {

// The suffix of the checksum file the update server may offer beside the package.
inline constexpr char checksumSuffix[] = ".sha256";

// The SHA-256 digest (32 bytes) a checksum file gives: its first line holds 64 hexadecimal
// digits, alone or followed by white space and a file name, as sha256sum writes it. Empty
// optional: the text is no such file.
std::optional<QByteArray> parseChecksumFile(QByteArrayView text);

// What the update server says about the checksum file beside the package.
struct ChecksumOffer {
    enum class Kind {
        Offered, // `digest` holds what the package must hash to
        Absent,  // the server answered 404: it offers none
        Failed,  // `failure` says why; the package is not to be fetched
        Stopped, // the download was stopped meanwhile
    };
    Kind kind = Kind::Failed;
    QByteArray digest{};
    QString failure{};
};

// Fetches the checksum file with `request` and waits for it on the calling thread (the
// download thread). Only a 404 counts as "none offered": any other error status, a body that
// is no checksum file or an unreachable server is a failure, so that a broken server never
// passes for one that simply has no checksum.
ChecksumOffer fetchChecksum(QNetworkAccessManager& manager, const QNetworkRequest& request,
                            const std::atomic<bool>& stop);

} // namespace veltroma
