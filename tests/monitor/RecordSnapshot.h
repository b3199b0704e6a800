#pragma once

#include "monitor/InverterModel.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace veltroma::test {

// The snapshot the engine hands the recorder for a validated reply at `when`: the cover texts
// of one inverter, the record paths below `folder` for that time, and a row of the reply's
// time followed by `values`.
inline InverterModel recordSnapshot(const QString& folder, const QDateTime& when, const QStringList& values)
{
    InverterModel m;
    m.realtimeDecoded = true;
    m.sSerialNums[bInverterAdrNow] = QStringLiteral("SN0042");
    m.sModelname[bInverterAdrNow] = QStringLiteral("VT-3000");
    m.sVer[bInverterAdrNow] = QStringLiteral("1.07");
    m.paths = LoadDataSet(folder, when, bInverterAdrNow);
    m.NewRow = QStringList{m.paths.sExcelColumA} + values;
    return m;
}

} // namespace veltroma::test
