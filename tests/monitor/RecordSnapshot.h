#pragma once

#include "monitor/InverterModel.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace veltroma::test {

// The snapshot the engine hands the recorder for a validated reply of the inverter in `slot`
// at `when`: its cover texts, the record paths below `folder` for that time, and a row of the
// reply's time followed by `values`.
inline InverterModel recordSnapshot(const QString& folder, const QDateTime& when, const QStringList& values,
                                    int slot = bInverterAdrNow)
{
    InverterModel m;
    m.realtimeDecoded = true;
    m.recordSlot = slot;
    m.sSerialNums[slot] = QStringLiteral("SN0042");
    m.sModelname[slot] = QStringLiteral("VT-3000");
    m.sVer[slot] = QStringLiteral("1.07");
    m.paths = LoadDataSet(folder, when, slot);
    m.NewRow = QStringList{m.paths.sExcelColumA} + values;
    return m;
}

} // namespace veltroma::test
