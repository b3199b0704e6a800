#include "controls/ProgressText.h"

#include <algorithm>
#include <cstdint>

namespace veltroma {

int ProgressPercent(int pos, int min, int max)
{
    return ProgressBarWidth(pos, min, max, 100);
}

int ProgressBarWidth(int pos, int min, int max, int width)
{
    if (min >= max || width <= 0)
        return 0;
    const std::int64_t done = std::int64_t{pos} - min;
    const std::int64_t span = std::int64_t{max} - min;
    const std::int64_t filled = done * width / span;
    return static_cast<int>(std::clamp<std::int64_t>(filled, 0, width));
}

QString FormatPercentText(const QString& format, int value)
{
    QString text;
    text.reserve(format.size() + 8);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        const QChar next = i + 1 < format.size() ? format.at(i + 1) : QChar();
        if (c == u'%' && next == u'd') {
            text += QString::number(value);
            ++i;
        } else if (c == u'%' && next == u'%') {
            text += u'%';
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace veltroma
