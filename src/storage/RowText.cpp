#include "storage/RowText.h"

namespace veltroma {

namespace {
constexpr QChar kQuote = u'"';
}

QString joinRowText(const QStringList& cells, const QString& separator)
{
    QString text;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            text += separator;
        text += kQuote + cells[i] + kQuote;
    }
    return text;
}

QStringList splitRowText(const QString& rowText, const QString& separator)
{
    // An empty separator would be found everywhere; such a row can only be one cell.
    if (!separator.isEmpty()) {
        const QString quoted = kQuote + separator + kQuote;
        if (rowText.contains(quoted)) {
            QStringList cells = rowText.split(quoted);
            cells.first().remove(0, 1);
            cells.last().chop(1);
            return cells;
        }
        if (rowText.contains(separator))
            return rowText.split(separator);
    }
    if (rowText.startsWith(kQuote) && rowText.endsWith(kQuote))
        return {rowText.mid(1, rowText.size() - 2)};
    return {rowText};
}

} // namespace veltroma
