#include "cli/Messages.h"

namespace veltroma {

void printMessage(const QString& text, std::FILE* stream)
{
    QString line = text;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    std::fprintf(stream, "veltroma-monitor: %s\n", line.toLocal8Bit().constData());
    std::fflush(stream);
}

} // namespace veltroma
