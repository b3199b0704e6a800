#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace veltroma {

// The compound-file container of .xls workbooks: a small file system of 512-byte sectors
// with an allocation table and a directory of named streams.

// A container holding the one stream "Workbook". Small streams are padded beyond the
// mini-stream limit so that the container needs no mini stream; the padding follows the
// workbook's last record and readers never reach it. The result is a pure function of the
// stream: no time stamps, fixed class ids.
[[nodiscard]] QByteArray buildCompoundFile(const QByteArray& workbookStream);

// The bytes of the workbook stream ("Workbook", or "Book" in older files), regular or in the
// mini stream. Nothing when the container is damaged (a directory with a second root entry
// is) or holds no workbook. Every part of the container is read at most once.
[[nodiscard]] std::optional<QByteArray> readWorkbookStream(QByteArrayView file);

} // namespace veltroma
