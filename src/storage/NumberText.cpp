#include "storage/NumberText.h"

namespace veltroma {

QString numberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0"); // also for -0
    return QString::number(value, 'g', 15);
}

} // namespace veltroma
