#pragma once

#include <QString>
#include <QStringList>

namespace veltroma::test {

// A record row as recording builds it; column B tells the rows apart.
inline QStringList recordRow(int n, const QString& status = QStringLiteral("Normal"))
{
    return {QStringLiteral("%1:%2:%3").arg(6 + n / 60 % 18).arg(n % 60).arg((n * 7) % 60),
            QString::number(n), QStringLiteral("230.4"), QStringLiteral("50.01"),
            QString::number(1000 + n % 2000), QString::number(n * 0.1, 'f', 1), QString::number(n % 900),
            QStringLiteral("12345.6"), QStringLiteral("4321"), QStringLiteral("41.5"), status};
}

} // namespace veltroma::test
