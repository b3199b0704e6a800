#pragma once

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace veltroma::test {

// Saves what `widget` shows as <build folder>/screenshots/<name>.png, for a person to look
// at; true when the file was written.
inline bool SavePicture(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELTROMA_BINARY_DIR", QDir::tempPath())
        + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    return widget.grab().toImage().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace veltroma::test
