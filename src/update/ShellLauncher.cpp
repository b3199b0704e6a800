#include "update/ShellLauncher.h"

#include <QDesktopServices>
#include <QUrl>

namespace veltroma {

bool ShellLauncher::launch(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace veltroma
