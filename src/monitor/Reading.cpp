#include "monitor/Reading.h"

#include <cmath>

namespace veltroma {

QString Reading::text(Quantity q) const
{
    return QString::asprintf(format(q), static_cast<double>(value(q)));
}

double Reading::shown(Quantity q) const
{
    const double scale = std::pow(10.0, decimals(q));
    // Exact in a double (a float times at most 100), and rounded half to even as printf does.
    return std::nearbyint(static_cast<double>(value(q)) * scale) / scale;
}

QStringList recordRow(const Reading& reading)
{
    QStringList row;
    row.reserve(int(kQuantityCount) + 2);
    row << reading.paths.sExcelColumA;
    for (int q = 0; q < int(kQuantityCount); ++q)
        row << reading.text(static_cast<Quantity>(q));
    if (reading.stateText)
        row << *reading.stateText;
    return row;
}

std::optional<QString> statusName(int stateCode)
{
    switch (stateCode) {
    case 0:
        return QStringLiteral("waiting");
    case 1:
        return QStringLiteral("normal");
    case 2:
    case 3:
        return QStringLiteral("fault");
    default:
        return std::nullopt;
    }
}

QString isoInstant(const Reading& reading)
{
    return reading.instant.toString(Qt::ISODate);
}

} // namespace veltroma
