#include "web/BasicAuth.h"

#include <QCryptographicHash>

namespace veltroma {

bool equalInConstantTime(QByteArrayView a, QByteArrayView b)
{
    const QByteArray hashA = QCryptographicHash::hash(a, QCryptographicHash::Sha256);
    const QByteArray hashB = QCryptographicHash::hash(b, QCryptographicHash::Sha256);
    unsigned char difference = 0;
    for (qsizetype i = 0; i < hashA.size(); ++i)
        difference |= static_cast<unsigned char>(hashA.at(i) ^ hashB.at(i));
    return difference == 0;
}

bool basicAuthAccepts(QByteArrayView authorization, const QString& password)
{
    const qsizetype space = authorization.indexOf(' ');
    if (space < 0 || authorization.first(space).toByteArray().toLower() != "basic")
        return false;
    const QByteArray encoded = authorization.sliced(space + 1).toByteArray().trimmed();
    const auto decoded =
        QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    const qsizetype colon = decoded.decoded.indexOf(':');
    if (colon < 0)
        return false;
    return equalInConstantTime(QByteArrayView(decoded.decoded).sliced(colon + 1), password.toUtf8());
}

} // namespace veltroma
