#pragma once

#include "storage/Workbook.h"

#include <QByteArray>
#include <QStringList>

namespace veltroma {

// The titles of the record columns A to K, as the day sheets carry them in row 2.
[[nodiscard]] const QStringList& recordColumnTitles();

// The workbook every month's record file starts as: the sheet "Cover" (the title over
// A1:I22, the labels in B36..B39, the value cells D36..D39 each over D:H), then the day
// sheets "1" to "31" (row 1 empty, the column titles in row 2).
[[nodiscard]] Workbook makeRecordTemplate();

// The template as file bytes, the same on every build.
[[nodiscard]] QByteArray recordTemplateFile();

} // namespace veltroma
