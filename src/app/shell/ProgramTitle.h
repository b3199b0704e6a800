#pragma once

#include <QString>

namespace veltroma {

// The program's title: the main window's caption, the start dialog's first line before the
// language file is read, and the caption of message boxes that bring none of their own.
inline QString programTitle()
{
    return QStringLiteral("Veltroma monitor V3.00");
}

} // namespace veltroma
