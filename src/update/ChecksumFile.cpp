#include "update/ChecksumFile.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "update/ReplyWait.h"

#include <memory>

namespace veltroma {

namespace {

constexpr qsizetype kDigestHexChars = 64;
// One line with a digest and a file name; a longer body is no checksum file.
constexpr qint64 kChecksumFileLimitBytes = 4096;

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

std::optional<QByteArray> parseChecksumFile(QByteArrayView text)
{
    const auto lineEnd = text.indexOf('\n');
    QByteArrayView line = lineEnd < 0 ? text : text.first(lineEnd);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() < kDigestHexChars)
        return std::nullopt;
    const QByteArrayView hex = line.first(kDigestHexChars);
    for (char c : hex) {
        if (!isHexDigit(c))
            return std::nullopt;
    }
    // After the digest only a separator may follow, so that a longer hex run is not cut short.
    if (line.size() > kDigestHexChars && line[kDigestHexChars] != ' '
        && line[kDigestHexChars] != '\t')
        return std::nullopt;
    return QByteArray::fromHex(hex.toByteArray());
}

ChecksumOffer fetchChecksum(QNetworkAccessManager& manager, const QNetworkRequest& request,
                            const std::atomic<bool>& stop)
{
    using Kind = ChecksumOffer::Kind;
    const QString name = request.url().fileName();
    const std::unique_ptr<QNetworkReply> reply(manager.get(request));
    bool tooLong = false;
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
        if (reply->bytesAvailable() > kChecksumFileLimitBytes) {
            tooLong = true;
            reply->abort();
        }
    });
    waitForReply(*reply, stop);

    if (stop)
        return {.kind = Kind::Stopped};
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        return {.kind = Kind::Failed,
                .failure = QStringLiteral("The update server could not be reached.\n%1")
                               .arg(reply->errorString())};
    }
    if (status.toInt() == 404)
        return {.kind = Kind::Absent};
    if (status.toInt() / 100 != 2) {
        return {
            .kind = Kind::Failed,
            .failure =
                QStringLiteral("The update server answered %1 %2 for the checksum file %3; "
                               "nothing was downloaded.")
                    .arg(status.toInt())
                    .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString(),
                         name)};
    }
    if (!tooLong && reply->error() != QNetworkReply::NoError) {
        return {.kind = Kind::Failed,
                .failure = QStringLiteral("The checksum file %1 could not be fetched; nothing was "
                                          "downloaded.\n%2")
                               .arg(name, reply->errorString())};
    }
    const auto digest = tooLong ? std::nullopt : parseChecksumFile(reply->readAll());
    if (!digest) {
        return {.kind = Kind::Failed,
                .failure =
                    QStringLiteral("The checksum file %1 holds no SHA-256 digest; nothing was "
                                   "downloaded.")
                        .arg(name)};
    }
    return {.kind = Kind::Offered, .digest = *digest};
}

} // namespace veltroma
