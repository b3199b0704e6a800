#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace veltroma {

// The texts of a workbook's shared string table, in the table's order, from the body of its
// SST record followed by the bodies of the CONTINUE records after it. A text may be cut at a
// record end; its characters then go on after a fresh option byte, in either width. Rich-text
// runs and phonetic data are skipped. Nothing when the table is damaged.
[[nodiscard]] std::optional<std::vector<QString>> readStringTable(std::span<const QByteArrayView> records);

} // namespace veltroma
