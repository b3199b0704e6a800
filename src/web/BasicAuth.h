#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace veltroma {

// The challenge of a 401 answer: browsers ask for a user name and the password.
inline constexpr char kBasicAuthChallenge[] = "Basic realm=\"Veltroma monitor\"";

// Whether the raw Authorization header carries HTTP Basic credentials with `password` (UTF-8)
// and any user name. Anything else is no: a missing header, another scheme, base64 that does
// not decode, credentials without the colon. The password is compared in constant time, so
// the time of an answer says nothing about how much of a guess was right, nor its length.
[[nodiscard]] bool basicAuthAccepts(QByteArrayView authorization, const QString& password);

// Equality of two byte strings in a time that depends on neither their contents nor their
// lengths (both are hashed first).
[[nodiscard]] bool equalInConstantTime(QByteArrayView a, QByteArrayView b);

} // namespace veltroma
